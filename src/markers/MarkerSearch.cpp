#include "markers/MarkerSearch.h"

#include <algorithm>

namespace {

double Interpolate(const double* xs, const double* ys, int count, double value) {
  if (count <= 0 || xs == nullptr || ys == nullptr) return kNoValue;
  const SLocation at = LocateValue(count, xs, value);
  if (at.lo == at.hi || at.weight == 1.0) return ys[at.lo];
  if (at.weight == 0.0) return ys[at.hi];
  return ys[at.lo] * at.weight + ys[at.hi] * (1.0 - at.weight);
}

int Sign(EMarkDirection direction) {
  return direction == mdLeftResp || direction == mdLeftStim ? -1 : 1;
}
bool AlongStimulus(EMarkDirection direction) { return direction == mdLeftStim || direction == mdRightStim; }

struct SWindow {
  int first = 0;
  int last = 0;
  bool range = false;  // the search range is on
  double lo = kNoValue;
  double hi = kNoValue;
  double vLo = kNoValue;
  double vHi = kNoValue;
  bool Inside(int i) const { return i >= first && i < last; }
  bool InRange(double x) const { return !range || (x >= lo && x <= hi); }
};

SWindow MakeWindow(const SSearchInput& in) {
  const SMarkParams& p = *in.params;
  const SSearchView& v = in.view;
  SWindow w;
  w.last = v.count;
  if (p.noLimits) return w;
  w.range = true;
  w.lo = std::max(in.stimMin, std::min(p.rangeMin, p.rangeMax));
  w.hi = std::min(in.stimMax, std::max(p.rangeMin, p.rangeMax));
  if (w.hi < w.lo) std::swap(w.lo, w.hi);
  if (in.valid && p.mode != mmFree) {
    w.vLo = v.InterpolatedW(w.lo);
    w.vHi = v.InterpolatedW(w.hi);
    const SLocation a = v.Locate(w.lo);
    const SLocation b = v.Locate(w.hi);
    w.first = std::min(a.lo, b.lo);
    w.last = std::max(a.hi, b.hi) + 1;
  }
  return w;
}

// Steps from `i` by `sign` while `beyond(v(i))`; the level crossing where it stopped, or NaN
// when the walk left the window.
template <class Beyond>
double WalkToLevel(const SSearchView& v, const SWindow& w, int i, int sign, double target, Beyond beyond) {
  while (w.Inside(i) && beyond(v.V(i))) i += sign;
  if (!w.Inside(i)) return kNoValue;
  const int j = i - sign;
  if (i > w.first && i < w.last - 1 && v.V(j) != v.V(i))
    return v.x[i] + (v.x[j] - v.x[i]) * (target - v.V(i)) / (v.V(j) - v.V(i));
  return v.x[i];
}

double OffsetFromReference(const SSearchInput& in, const SWindow& w) {
  const SMarkParams& p = *in.params;
  const int sign = Sign(p.direction);
  if (AlongStimulus(p.direction)) return in.refX + p.divergence * sign;
  if (!in.valid || !(in.refX >= in.stimMin && in.refX <= in.stimMax)) return kNoValue;
  const SLocation at = in.view.Locate(in.refX);
  const double target = in.refValue - p.divergence;
  if (std::isnan(target)) return kNoValue;
  const int start = sign < 0 ? at.hi : at.lo;
  if (p.divergence < 0)
    return WalkToLevel(in.view, w, start, sign, target, [target](double value) { return value < target; });
  return WalkToLevel(in.view, w, start, sign, target, [target](double value) { return value > target; });
}

// The first crossing of `level` inside the window (and the range), or NaN.
double LevelCrossing(const SSearchView& v, const SWindow& w, double level) {
  for (int i = w.first; i + 1 < w.last; ++i) {
    const double a = v.V(i), b = v.V(i + 1);
    if (!((a >= level && level >= b) || (a <= level && level <= b))) continue;
    const double x = a == b ? v.x[i] : v.x[i] + (v.x[i + 1] - v.x[i]) * (level - a) / (b - a);
    if (w.InRange(x)) return x;
  }
  return kNoValue;
}

// Indices of the window whose stimulus lies within the range (the whole window without one).
// The stimulus rises or falls, so only the ends need looking at.
void RangeIndices(const SSearchView& v, const SWindow& w, int& s, int& e) {
  s = w.first;
  e = w.last;
  if (!w.range) return;
  while (s < e && !w.InRange(v.x[s])) ++s;
  while (e > s && !w.InRange(v.x[e - 1])) --e;
}

// Lowest index of the strictly best value in [s, e); -1 when none beats `best`.
template <bool kMaximum, bool kDelta>
int BestIndex(const SSearchView& v, int s, int e, double& best) {
  int index = -1;
  double b = best;
  for (int i = s; i < e; ++i) {
    const double value = kDelta ? std::fabs(v.t[i] - v.r[i]) : v.t[i];
    if (kMaximum ? value > b : value < b) {
      b = value;
      index = i;
    }
  }
  best = b;
  return index;
}

double Extremum(const SSearchInput& in, const SWindow& w) {
  const SMarkParams& p = *in.params;
  const SSearchView& v = in.view;
  const bool maximum = p.mode == mmMaximum;
  double best = maximum ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  int bestIndex = -1;
  double edge = kNoValue;  // the range edge that won
  if (p.extremeMode == emFixed && p.extremumIndex != 0) {
    bestIndex = NthExtremum(v, maximum ? CExtremumIterator::ekMaximum : CExtremumIterator::ekMinimum,
                            p.extremumIndex, p.excursion);
    if (bestIndex >= 0) best = v.W(bestIndex);
  } else {
    int s, e;
    RangeIndices(v, w, s, e);
    if (maximum)
      bestIndex = v.Delta() ? BestIndex<true, true>(v, s, e, best) : BestIndex<true, false>(v, s, e, best);
    else
      bestIndex = v.Delta() ? BestIndex<false, true>(v, s, e, best) : BestIndex<false, false>(v, s, e, best);
    if (w.range && !std::isnan(w.vLo) && !std::isnan(w.vHi)) {
      const auto better = [&](double value) { return maximum ? value > best : value < best; };
      if (better(w.vLo)) {
        best = w.vLo;
        edge = w.lo;
      } else if (better(w.vHi)) {
        best = w.vHi;
        edge = w.hi;
      }
      if (!std::isnan(edge)) bestIndex = -1;
    }
  }
  if (bestIndex < 0 && std::isnan(edge)) return kNoValue;
  if (v.Delta() || p.divergence == 0) return bestIndex >= 0 ? v.x[bestIndex] : edge;

  const int sign = Sign(p.direction);
  int start = bestIndex;
  if (start < 0) {
    const SLocation at = v.Locate(edge);
    start = sign < 0 ? at.hi : at.lo;
  }
  double x;
  if (AlongStimulus(p.direction)) {
    x = v.x[start] + p.divergence * sign;
  } else if (maximum) {
    const double target = best - p.divergence;
    x = WalkToLevel(v, w, start, sign, target, [target](double value) { return value > target; });
  } else {
    const double target = best + p.divergence;
    x = WalkToLevel(v, w, start, sign, target, [target](double value) { return value < target; });
  }
  return w.InRange(x) ? x : kNoValue;
}

double Snap(const SSearchInput& in, const SWindow& w, double x) {
  const SMarkParams& p = *in.params;
  const SSearchView& v = in.view;
  if (v.count <= 0) return kNoValue;
  const SLocation at = v.Locate(x);
  if (!w.Inside(at.lo) || !w.Inside(at.hi) || at.lo == at.hi) return kNoValue;
  if (p.mode == mmFixed && at.weight != 0.0 && at.weight != 1.0) return kNoValue;
  const double snapped = at.weight > 0.5 ? v.x[at.lo] : v.x[at.hi];
  if (!w.range || p.mode == mmFree || w.InRange(snapped)) return snapped;
  if (snapped < w.lo && v.x[at.hi] <= w.hi) return v.x[at.hi];
  if (snapped > w.hi && v.x[at.lo] >= w.lo) return v.x[at.lo];
  return kNoValue;
}

}  // namespace

double SSearchView::InterpolatedW(double value) const {
  const double a = Interpolate(x, t, count, value);
  if (r == nullptr) return a;
  return std::fabs(a - Interpolate(rx, r, rCount, value));
}

double SearchMarker(const SSearchInput& in) {
  const SMarkParams& p = *in.params;
  const SWindow w = MakeWindow(in);
  double x = kNoValue;
  switch (p.mode) {
    case mmRef:
      x = OffsetFromReference(in, w);
      break;
    case mmFixed:
    case mmMinimum:
    case mmMaximum:
      if (!in.valid || in.view.count <= 0) break;
      if (p.mode == mmFixed || in.view.Delta()) {
        x = LevelCrossing(in.view, w, p.mode == mmFixed ? p.fixedLevel : 0.0);
        if (p.mode == mmFixed || !std::isnan(x)) break;
      }
      x = Extremum(in, w);
      break;
    case mmFree:
      x = p.position;
      break;
  }
  if (p.discrete && !std::isnan(x)) x = in.valid ? Snap(in, w, x) : kNoValue;
  return x;
}

SIndexSpan SearchDependency(const SMarkParams& params, const SSearchView& view, double stimMin, double stimMax) {
  SIndexSpan all{0, view.count};
  if (view.count <= 0 || view.Delta()) return all;
  if (params.mode == mmFree) {
    const SLocation at = view.Locate(params.position);
    return {at.lo, std::max(at.lo, at.hi) + 1};
  }
  if (params.noLimits || params.mode == mmRef || (params.extremeMode == emFixed && params.extremumIndex != 0))
    return all;
  const double lo = std::max(stimMin, std::min(params.rangeMin, params.rangeMax));
  const double hi = std::min(stimMax, std::max(params.rangeMin, params.rangeMax));
  const SLocation a = view.Locate(std::min(lo, hi));
  const SLocation b = view.Locate(std::max(lo, hi));
  return {std::min({a.lo, b.lo, a.hi, b.hi}), std::max({a.lo, b.lo, a.hi, b.hi}) + 1};
}

int CExtremumIterator::Next(EKind& kind) {
  const int count = view_.count;
  while (i_ < count) {
    const double vi = view_.V(i_);
    const double vc = view_.V(c_);
    const bool maximum = looking_ == ekMaximum;
    if (std::isnan(vc) || (maximum ? vi >= vc : vi <= vc)) {
      c_ = i_;
      ++i_;
      continue;
    }
    if (std::fabs(vi - vc) > excursion_) {
      const int found = c_;
      const EKind foundKind = looking_;
      looking_ = maximum ? ekMinimum : ekMaximum;
      c_ = i_;  // the point is examined again as a candidate of the other kind
      if (found > start_ && (kind == ekAny || kind == foundKind)) {
        kind = foundKind;
        return found;
      }
      continue;
    }
    ++i_;
  }
  return -1;
}

int NthExtremum(const SSearchView& view, CExtremumIterator::EKind kind, int ordinal, double excursion) {
  if (ordinal <= 0 || view.count <= 0) return -1;
  CExtremumIterator it(view, 0, excursion);
  for (int n = 1;; ++n) {
    CExtremumIterator::EKind k = kind;
    const int i = it.Next(k);
    if (i < 0 || n == ordinal) return i;
  }
}
