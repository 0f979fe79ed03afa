#include "series/DigitSeries.h"

#include "chart/Chart.h"
#include "common/Assert.h"
#include "common/Text.h"
#include "core/DiagCommonLib.h"

namespace {

constexpr int kDigits = 7;  // significant digits shown

std::wstring ValueText(double v) {
  if (std::isnan(v)) return Tr("Н/Д");
  return DoubleToStr(v, ffGeneral, kDigits);
}

}  // namespace

TQuorDigitSeries::TQuorDigitSeries() { Own()->KeepZ(true); }

void TQuorDigitSeries::AddPoint(double x, double y) { AddPoint(x, y, NAN); }

void TQuorDigitSeries::AddPoint(double x, double y, double z) {
  if (CSeriesData* own = Own()) own->Append(&x, &y, &z, 1);
}

void TQuorDigitSeries::SetPoint(double x, double y) { SetPoint(x, y, NAN); }

void TQuorDigitSeries::SetPoint(double x, double y, double z) {
  Clear();
  AddPoint(x, y, z);
}

void TQuorDigitSeries::AddNull(double x) { AddPoint(x, NAN, NAN); }

double TQuorDigitSeries::GetValue(int index) const {
  if (!PV_ASSERT(index >= 0 && index < Count())) return NAN;
  return Data().Z() != nullptr ? Data().Z()[index] : NAN;
}

void TQuorDigitSeries::Draw(ICanvas& canvas) {
  if (!CanDraw()) return;
  const SRect plot = Chart()->PlotRect();
  SFont font = Chart()->Font();
  font.size = fontSize_;
  font.bold = true;
  font.color = Color();
  canvas.SetFont(font);
  std::wstring text = ValueText(YValue(0));
  const double second = GetValue(0);
  if (!std::isnan(second)) text += L"; " + ValueText(second);
  const SSize size = canvas.TextExtent(text);
  canvas.TextOut(0.5 * (plot.left + plot.right - size.cx), 0.5 * (plot.top + plot.bottom - size.cy), text);
}
