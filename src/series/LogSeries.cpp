#include "series/LogSeries.h"

#include <cmath>

#include "chart/Chart.h"
#include "common/Assert.h"

void TQuorLogSeries::SetStimulusRange(double dMin, double dMax) {
  minorGrid_.clear();
  if (!PV_ASSERT(dMin > 0 && dMax > 0)) return;
  if (!PV_ASSERT(std::isfinite(dMin) && std::isfinite(dMax))) return;
  const double lo = std::pow(10.0, std::trunc(std::log10(dMin)));
  const double hi = std::pow(10.0, std::trunc(std::log10(dMax)) + 1);
  if (lo == hi) return;
  for (double d = lo; d < hi; d *= 10) {
    for (int k = 2; k <= 9; ++k) {
      const double v = k * d;
      if (v > dMax) break;
      if (v > dMin) minorGrid_.push_back(v);
    }
  }
}

void TQuorLogSeries::DrawGrid(ICanvas& canvas) {
  if (Chart() == nullptr || minorGrid_.empty() || HorizAxis() == nullptr) return;
  for (int i = 0; i < Chart()->SeriesCount(); ++i) {
    CChartSeries* s = Chart()->Series(i);
    if (s->Visible() && dynamic_cast<TQuorLogSeries*>(s) != nullptr) {
      if (s != this) return;
      break;
    }
  }
  const SRect plot = Chart()->PlotRect();
  const SAxisScale scale = HorizAxis()->Scale();
  canvas.SetPen(gridPen_);
  for (double v : minorGrid_) {
    const double x = scale.Pos(v);
    if (std::isfinite(x) && x >= plot.left && x <= plot.right) canvas.Line(x, plot.top, x, plot.bottom);
  }
}
