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

void TQuorDigitSeries::AddPoint(double x, double y) { AddPoint(x, y, NAN); }

void TQuorDigitSeries::AddPoint(double x, double y, double z) {
  AddXY(x, y);
  z_.push_back(z);
}

void TQuorDigitSeries::SetPoint(double x, double y) { SetPoint(x, y, NAN); }

void TQuorDigitSeries::SetPoint(double x, double y, double z) {
  Clear();
  AddPoint(x, y, z);
}

void TQuorDigitSeries::AddNull(double x) {
  CChartSeries::AddNull(x);
  z_.push_back(NAN);
}

void TQuorDigitSeries::Clear() {
  CChartSeries::Clear();
  z_.clear();
}

double TQuorDigitSeries::GetValue(int index) const {
  if (!PV_ASSERT(index >= 0 && index < static_cast<int>(z_.size()))) return NAN;
  return z_[static_cast<std::size_t>(index)];
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
  if (!z_.empty() && !std::isnan(z_[0])) text += L"; " + ValueText(z_[0]);
  const SSize size = canvas.TextExtent(text);
  canvas.TextOut(0.5 * (plot.left + plot.right - size.cx), 0.5 * (plot.top + plot.bottom - size.cy), text);
}
