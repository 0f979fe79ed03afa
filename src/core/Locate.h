#pragma once
// Locating a stimulus value among the points of a trace: the two adjacent points that
// bracket it and the weight of the first of them. Markers, read-outs and interpolated
// values all go through this one search, so they agree on which points a value lies between.
#include <algorithm>
#include <cmath>
#include <functional>

struct SLocation {
  int lo = 0;
  int hi = 0;
  double weight = 1.0;  // 1: exactly at lo, 0: exactly at hi
};

// x(i) gives the stimulus of point i of `count` (> 0) points that rise or fall. Leading
// points without a stimulus (NaN) are skipped. A value before the first point gives the
// first point twice, one beyond the last the last point twice. The search is binary, so a
// sweep of any size costs a few dozen reads.
template <class X>
SLocation LocateValue(int count, X x, double value) {
  SLocation r;
  if (count <= 0) return r;
  int first = 0;
  while (first < count - 1 && std::isnan(x(first))) ++first;
  const int last = count - 1;
  const double xFirst = x(first);
  const double xLast = x(last);
  const bool ascending = xFirst <= xLast;
  const auto before = [ascending](double a, double b) { return ascending ? a < b : a > b; };
  if (first == last || before(value, xFirst) || std::isnan(value)) {
    r.lo = r.hi = first;
    return r;
  }
  if (before(xLast, value)) {
    r.lo = r.hi = last;
    return r;
  }
  if (value == xFirst) {
    r.lo = first;
    r.hi = first + 1;
  } else if (value == xLast) {
    r.lo = last - 1;
    r.hi = last;
  } else {
    // The first point not before the value; the one before it brackets from the other side.
    const auto search = [&](auto before) {
      int lo = first, hi = last;  // x(lo) before the value, x(hi) not
      while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (before(x(mid), value)) {
          lo = mid;
        } else {
          hi = mid;
        }
      }
      return hi;
    };
    r.hi = ascending ? search(std::less<double>()) : search(std::greater<double>());
    r.lo = r.hi - 1;
  }
  const double xl = x(r.lo), xh = x(r.hi);
  r.weight = xl == xh ? 1.0 : (xh - value) / (xh - xl);
  return r;
}

// The same over a plain array of stimulus values: the library's lower_bound, which lets the
// processor run ahead of the comparisons.
inline SLocation LocateValue(int count, const double* xs, double value) {
  SLocation r;
  if (count <= 0 || xs == nullptr) return r;
  int first = 0;
  while (first < count - 1 && std::isnan(xs[first])) ++first;
  const int last = count - 1;
  const bool ascending = xs[first] <= xs[last];
  if (first == last || std::isnan(value) || (ascending ? value < xs[first] : value > xs[first])) {
    r.lo = r.hi = first;
    return r;
  }
  if (ascending ? xs[last] < value : xs[last] > value) {
    r.lo = r.hi = last;
    return r;
  }
  if (value == xs[first]) {
    r.hi = first + 1;
  } else if (value == xs[last]) {
    r.hi = last;
  } else {
    const double* begin = xs + first + 1;
    const double* end = xs + last;
    const double* at = ascending ? std::lower_bound(begin, end, value)
                                 : std::lower_bound(begin, end, value, std::greater<double>());
    r.hi = static_cast<int>(at - xs);
  }
  r.lo = r.hi - 1;
  const double xl = xs[r.lo], xh = xs[r.hi];
  r.weight = xl == xh ? 1.0 : (xh - value) / (xh - xl);
  return r;
}
