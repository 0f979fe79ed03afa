#include "chart/ChartAxis.h"

#include <utility>

#include "chart/Chart.h"
#include "common/Assert.h"

CChartAxis::CChartAxis(CChart* chart, EAxisKind kind, bool horizontal)
    : chart_(chart), kind_(kind), horizontal_(kind == akBottom || (kind == akCustom && horizontal)) {}

void CChartAxis::SetMinMax(double minimum, double maximum) {
  if (!PV_ASSERT(std::isfinite(minimum) && std::isfinite(maximum))) return;
  if (minimum > maximum) std::swap(minimum, maximum);
  minimum_ = minimum;
  maximum_ = maximum;
}

double CChartAxis::StartPos() const {
  const SRect r = chart_->PlotRect();
  if (horizontal_) return inverted_ ? r.right : r.left;
  return inverted_ ? r.top : r.bottom;
}

double CChartAxis::EndPos() const {
  const SRect r = chart_->PlotRect();
  if (horizontal_) return inverted_ ? r.left : r.right;
  return inverted_ ? r.bottom : r.top;
}

SAxisScale CChartAxis::Scale() const {
  SAxisScale s;
  s.logarithmic = logarithmic_;
  const double lo = logarithmic_ ? (minimum_ > 0 ? std::log10(minimum_) : std::numeric_limits<double>::quiet_NaN())
                                 : minimum_;
  const double hi = logarithmic_ ? (maximum_ > 0 ? std::log10(maximum_) : std::numeric_limits<double>::quiet_NaN())
                                 : maximum_;
  const double start = StartPos();
  const double end = EndPos();
  s.origin = lo;
  if (hi > lo) {
    s.start = start;
    s.factor = (end - start) / (hi - lo);
  } else {
    // Empty (or, on a log axis, impossible) range: no division by zero, everything in the middle.
    s.start = (start + end) / 2;
    s.factor = 0;
    if (std::isnan(lo)) s.origin = 0, s.start = std::numeric_limits<double>::quiet_NaN();
  }
  return s;
}

double CChartAxis::CalcPosPoint(double pixel) const {
  const SAxisScale s = Scale();
  if (s.factor == 0 || std::isnan(s.factor)) return minimum_;
  const double v = s.origin + (pixel - s.start) / s.factor;
  return logarithmic_ ? std::pow(10.0, v) : v;
}
