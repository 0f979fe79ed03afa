#include "series/DigitSeries.h"

#include <algorithm>

#include "chart/Chart.h"
#include "common/Assert.h"
#include "common/Text.h"
#include "common/Units.h"

namespace {

constexpr int kMinFontSize = 6;
constexpr int kMargin = 8;  // pixels kept free on every side of the plot

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
  const SFormat format = format_ ? format_() : SFormat{};
  std::wstring text = CalcOptimalValueString(YValue(0), format.quantity, format.digits);
  const double second = GetValue(0);
  if (!std::isnan(second)) text += L"; " + CalcOptimalValueString(second, format.quantity, format.digits);
  SFont font = Chart()->Font();
  font.bold = true;
  font.color = Color();
  // Text grows about in proportion to its size: scale down, then check, a few times at most.
  const double width = std::max(plot.Width() - 2 * kMargin, 1), height = std::max(plot.Height() - 2 * kMargin, 1);
  int size = fontSize_;
  SSize extent{};
  for (int tries = 0; tries < 6; ++tries) {
    font.size = size;
    canvas.SetFont(font);
    extent = canvas.TextExtent(text);
    const double fit = std::min(width / std::max(extent.cx, 1), height / std::max(extent.cy, 1));
    if (fit >= 1 || size <= kMinFontSize) break;
    size = std::max(kMinFontSize, std::min(size - 1, static_cast<int>(size * fit)));
  }
  drawnSize_ = size;
  canvas.TextOutEx(0.5 * (plot.left + plot.right), 0.5 * (plot.top + plot.bottom), text, {haCenter, vaCenter, 0});
}
