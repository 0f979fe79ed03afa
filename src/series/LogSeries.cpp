#include "series/LogSeries.h"

#include <cmath>

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
