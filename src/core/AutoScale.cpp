#include "core/AutoScale.h"

#include <algorithm>
#include <cmath>

#include "common/Units.h"

namespace {

constexpr double kDivisions = 10.0;
constexpr double kMargin = 1.04;  // 4 % of the range spare

// The decade of a value below 1: the largest of 10^-1 … 10^-5 not above it, else 10^-6.
int SmallDecade(double value) {
  for (int e = -1; e >= -5; --e)
    if (std::pow(10.0, e) <= value) return e;
  return -6;
}

}  // namespace

void AutoScale(double lo, double hi, double& center, double& div, double minDiv) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) return;

  if (lo == hi) {
    if (lo == 0.0) {
      center = 0.0;
      div = 1.0;
      return;
    }
    center = hi;
    if (std::fabs(hi) < 1.0) div = std::pow(10.0, SmallDecade(std::fabs(hi)));
    return;
  }

  double d = (hi - lo) * kMargin / kDivisions;
  if (d < minDiv) d = minDiv;
  if (!std::isfinite(d)) return;  // a range beyond the double's reach

  if (d >= 1.0) {
    const double decade = std::pow(10.0, std::trunc(std::log10(d)));
    d = std::ceil(d / decade) * decade;
  } else {
    const double decade = std::pow(10.0, SmallDecade(d));
    const double n = round_to(std::ceil(d / decade), -15, 0);
    if (n > 5) d = decade * 10;
    else if (n > 2) d = decade * 5;
    else if (n > 1) d = decade * 2;
    else if (n < 1) d = decade;
    // n == 1: d is a decade already.
  }
  div = d;
  center = round_to((lo + hi) * 0.5, static_cast<int>(std::floor(std::log10(div))), 0);
}

bool FixedReferenceScale(double level, double min, double minDiv, double& ref, double& div) {
  // The fixed level stays on the top grid line; the division is a whole or a half step
  // of its decade, whichever wastes less of the grid.
  double d = (level - min) * kMargin / kDivisions;
  if (d <= minDiv) d = minDiv;
  if (!(d > 0.0) || !std::isfinite(d)) return false;
  const double decade = std::pow(10.0, std::trunc(std::log10(d)));
  const double steps = std::ceil(d / decade);
  double rounded = steps * decade;
  if (d / rounded < 0.875) rounded = (steps - 0.5) * decade;
  div = rounded;
  ref = level - 5 * div;
  return true;
}
