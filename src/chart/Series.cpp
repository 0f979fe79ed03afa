#include "chart/Series.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "common/Assert.h"

namespace {

struct SExtremes {
  double lo, hi;
  int kLo, kHi;  // the first point at each
};

// The extremes of y[begin, end), false when the block holds a NaN or an infinity (v - v is 0
// only for a number). The values come first, in lanes without a chain of comparisons between
// points; then the first point at each, found again in a block that is in the cache by now.
bool BlockExtremes(const double* y, int begin, int end, SExtremes& out) {
  double lo = y[begin], hi = y[begin], odd = 0;
  int k = begin;
#if defined(__SSE2__)
  __m128d lo0 = _mm_set1_pd(lo), lo1 = lo0, hi0 = lo0, hi1 = lo0;
  __m128d odd0 = _mm_setzero_pd(), odd1 = odd0;
  for (; k + 4 <= end; k += 4) {
    const __m128d a = _mm_loadu_pd(y + k), b = _mm_loadu_pd(y + k + 2);
    odd0 = _mm_add_pd(odd0, _mm_sub_pd(a, a));
    odd1 = _mm_add_pd(odd1, _mm_sub_pd(b, b));
    lo0 = _mm_min_pd(lo0, a);
    lo1 = _mm_min_pd(lo1, b);
    hi0 = _mm_max_pd(hi0, a);
    hi1 = _mm_max_pd(hi1, b);
  }
  lo0 = _mm_min_pd(lo0, lo1);
  hi0 = _mm_max_pd(hi0, hi1);
  odd0 = _mm_add_pd(odd0, odd1);
  lo = std::min(_mm_cvtsd_f64(lo0), _mm_cvtsd_f64(_mm_unpackhi_pd(lo0, lo0)));
  hi = std::max(_mm_cvtsd_f64(hi0), _mm_cvtsd_f64(_mm_unpackhi_pd(hi0, hi0)));
  odd = _mm_cvtsd_f64(odd0) + _mm_cvtsd_f64(_mm_unpackhi_pd(odd0, odd0));
#endif
  for (; k < end; ++k) {
    const double v = y[k];
    odd += v - v;
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
  }
  if (!(odd == 0)) return false;
  // Every value is a number, so both extremes are there to be found.
  int kLo = begin, kHi = begin;
  while (y[kLo] != lo) ++kLo;
  while (y[kHi] != hi) ++kHi;
  out = {lo, hi, kLo, kHi};
  return true;
}
}  // namespace

CChartSeries::~CChartSeries() {
  if (chart_ != nullptr) chart_->RemoveSeries(this);
}

void CChartSeries::SetChart(CChart* chart) {
  if (chart == chart_) return;
  if (chart_ != nullptr) chart_->RemoveSeries(this);
  if (chart != nullptr) chart->AddSeries(this);
}

void CChartSeries::Detach() {
  chart_ = nullptr;
  horizAxis_ = vertAxis_ = nullptr;  // custom axes belonged to that chart
}

CChartAxis* CChartSeries::HorizAxis() const {
  if (horizAxis_ != nullptr) return horizAxis_;
  return chart_ != nullptr ? &chart_->BottomAxis() : nullptr;
}

CChartAxis* CChartSeries::VertAxis() const {
  if (vertAxis_ != nullptr) return vertAxis_;
  return chart_ != nullptr ? &chart_->LeftAxis() : nullptr;
}

void CChartSeries::EndUpdate() {
  if (PV_ASSERT(update_ > 0)) --update_;
}

void CChartSeries::SetSource(const CSeriesData* data, ESeriesColumn h, ESeriesColumn v) {
  data_ = data != nullptr ? data : &own_;
  h_ = data != nullptr ? h : ownH_;
  v_ = data != nullptr ? v : ownV_;
}

void CChartSeries::UseOwnColumns(ESeriesColumn h, ESeriesColumn v) {
  ownH_ = h;
  ownV_ = v;
  if (data_ == &own_) SetSource(nullptr);
}

CSeriesData* CChartSeries::Own() { return PV_ASSERT(data_ == &own_) ? &own_ : nullptr; }

double CChartSeries::XValue(int index) const {
  if (!PV_ASSERT(index >= 0 && index < Count()) || XValues() == nullptr) return std::numeric_limits<double>::quiet_NaN();
  return XValues()[index];
}

double CChartSeries::YValue(int index) const {
  if (!PV_ASSERT(index >= 0 && index < Count()) || YValues() == nullptr) return std::numeric_limits<double>::quiet_NaN();
  return YValues()[index];
}

bool CChartSeries::IsNull(int index) const {
  if (!PV_ASSERT(index >= 0 && index < Count())) return true;
  return !data_->IsDrawn(index, h_, v_);
}

void CChartSeries::Clear() {
  if (CSeriesData* own = Own()) own->Clear();
}

void CChartSeries::AddXY(double x, double y) { AppendXY(&x, &y, 1); }

void CChartSeries::AddNull(double x) { AddXY(x, std::numeric_limits<double>::quiet_NaN()); }

void CChartSeries::SetData(const double* x, const double* y, int count) {
  Clear();
  if (!PV_ASSERT(count >= 0 && (count == 0 || y != nullptr))) return;
  if (x != nullptr) {
    AppendXY(x, y, count);
    return;
  }
  for (int i = 0; i < count; ++i) {
    const double xi = i;
    AppendXY(&xi, y + i, 1);
  }
}

const CChartSeries::SXSpacing& CChartSeries::XSpacing() const {
  static const SXSpacing kNone;
  return h_ == scX ? data_->XSpacing() : kNone;
}

void CChartSeries::SetXY(int index, double x, double y) {
  if (CSeriesData* own = Own()) own->Set(index, x, y, std::numeric_limits<double>::quiet_NaN());
}

void CChartSeries::ReplaceXY(int offset, const double* x, const double* y, int count) {
  if (CSeriesData* own = Own()) own->Replace(offset, x, y, nullptr, count);
}

void CChartSeries::AppendXY(const double* x, const double* y, int count) {
  if (CSeriesData* own = Own()) own->Append(x, y, nullptr, count);
}

bool CChartSeries::CanDraw() const { return chart_ != nullptr && !Updating() && Count() > 0; }

// ---------------------------------------------------------------------------------------

void CFastLineSeries::Emit(ICanvas& canvas, double x, double y) {
  if (used_ == static_cast<int>(points_.size())) {
    // Only the plain path over a very long line gets here: pass the buffer on, go on from
    // its last point so the line stays joined.
    canvas.Polyline(points_.data(), used_);
    points_[0] = points_[used_ - 1];
    used_ = 1;
  }
  points_[used_++] = {x, y};
}

void CFastLineSeries::Flush(ICanvas& canvas) {
  if (used_ == 1) points_[used_++] = points_[0];  // a lone point between gaps shows as a dot
  if (used_ > 1) canvas.Polyline(points_.data(), used_);
  used_ = 0;
}

void CFastLineSeries::Draw(ICanvas& canvas) {
  if (!CanDraw()) return;
  const SAxisScale hs = HorizAxis()->Scale();
  const SAxisScale vs = VertAxis()->Scale();
  const double startPos = HorizAxis()->StartPos();
  const double endPos = HorizAxis()->EndPos();
  // One column each side collects everything off the plot, so the columns stay bounded.
  const double colLo = std::floor(std::min(startPos, endPos)) - 1;
  const double colHi = std::floor(std::max(startPos, endPos)) + 1;
  const int columns = static_cast<int>(colHi - colLo) + 1;
  const std::size_t capacity = 4 * static_cast<std::size_t>(columns) + 4;
  if (points_.size() < capacity) points_.resize(capacity);  // only when the plot grows
  used_ = 0;
  canvas.SetPen(Pen());

  const int n = Count();
  const double* x = XValues();
  const double* y = YValues();
  const bool vLog = vs.logarithmic;
  auto isNull = [vLog](double yi) { return !std::isfinite(yi) || (vLog && !(yi > 0)); };

  if (n <= 2 * columns || !XMonotonic()) {
    for (int i = 0; i < n; ++i) {
      const double px = hs.Pos(x[i]);
      if (isNull(y[i]) || !std::isfinite(px)) {
        Flush(canvas);
        continue;
      }
      Emit(canvas, px, vs.Pos(y[i]));
    }
    Flush(canvas);
    return;
  }

  SThinning t{x, y, n, colLo, colHi, vLog};
  if (hs.logarithmic) {
    Thin<false>(canvas, t, hs, vs, [&hs](double v) { return hs.Pos(v); });
    return;
  }
  // The same arithmetic as SAxisScale::Pos, without its logarithm test per point.
  auto pos = [start = hs.start, origin = hs.origin, factor = hs.factor](double v) {
    return start + (v - origin) * factor;
  };
  const SXSpacing& even = XSpacing();
  if (even.uniform) {
    // Point i lies at pixel a + i·b, give or take the spacing's deviation and the rounding
    // of either sum, which the slack bounds many times over.
    t.a = hs.start + (even.x0 - hs.origin) * hs.factor;
    t.b = even.dx * hs.factor;
    const double f = std::fabs(hs.factor);
    const double size = std::fabs(hs.start) + (std::fabs(even.x0) + std::fabs(hs.origin) + n * std::fabs(even.dx)) * f +
                        std::fabs(t.a) + n * std::fabs(t.b) + std::fabs(colLo) + std::fabs(colHi);
    t.slack = even.deviation * f * (1 + 1e-9) + 1e-9 * size;
#ifndef __FP_FAST_FMA  // without fused multiply-add every build rounds x0 + i·dx the same way
    t.exactX = even.deviation == 0;
#endif
    t.x0 = even.x0;
    t.dx = even.dx;
    if (t.b != 0 && size < 1e15 && t.slack < 0.25) {
      Thin<true>(canvas, t, hs, vs, pos);
      return;
    }
    t.exactX = false;
  }
  Thin<false>(canvas, t, hs, vs, pos);
}

void CFastLineSeries::EmitColumn(ICanvas& canvas, const SThinning& t, const SAxisScale& hs, const SAxisScale& vs,
                                 int first, int lowest, int highest, int last) {
  auto x = [&t](int k) { return t.exactX ? t.x0 + static_cast<double>(k) * t.dx : t.x[k]; };
  // In the order they came, each once: the column's line looks as if every point were drawn.
  Emit(canvas, hs.Pos(x(first)), vs.Pos(t.y[first]));
  const int a = std::min(lowest, highest);
  const int b = std::max(lowest, highest);
  if (a != first) Emit(canvas, hs.Pos(x(a)), vs.Pos(t.y[a]));
  if (b != a && b != first) Emit(canvas, hs.Pos(x(b)), vs.Pos(t.y[b]));
  if (last != b && last != first) Emit(canvas, hs.Pos(x(last)), vs.Pos(t.y[last]));
}

template <bool Even, class Pos>
void CFastLineSeries::Thin(ICanvas& canvas, const SThinning& t, const SAxisScale& hs, const SAxisScale& vs, Pos pos) {
  // Plain locals only: these loops run once per point.
  const double* x = t.x;
  const double* y = t.y;
  const int n = t.n;
  const double colLo = t.colLo;
  const double colHi = t.colHi;
  const bool vLog = t.vLog;
  long column = -1;
  int first = 0, lowest = 0, highest = 0, last = 0;
  double low = 0, high = 0;

  // The column's extremes so far take in new ones; on a tie the earlier point stays.
  auto widen = [&](int kLo, double lo, int kHi, double hi) {
    if (lo < low) {
      lowest = kLo;
      low = lo;
    }
    if (hi > high) {
      highest = kHi;
      high = hi;
    }
  };
  // One point at a time, the careful way: nulls break the line, a new column emits the last.
  auto step = [&](int i) {
    const double yi = y[i];
    const double px = pos(x[i]);
    if (!std::isfinite(yi) || (vLog && !(yi > 0)) || std::isnan(px)) {
      if (column >= 0) EmitColumn(canvas, t, hs, vs, first, lowest, highest, last);
      column = -1;
      Flush(canvas);
      return;
    }
    const double clamped = px < colLo ? colLo : (px > colHi ? colHi : px);
    const long c = static_cast<long>(clamped - colLo);  // not negative: truncation is floor
    if (c != column) {
      if (column >= 0) EmitColumn(canvas, t, hs, vs, first, lowest, highest, last);
      column = c;
      first = lowest = highest = last = i;
      low = high = yi;
      return;
    }
    last = i;
    widen(i, yi, i, yi);
  };
  // The pixel column of a point, -1 when its stimulus has no position.
  auto columnOf = [&](int i) -> long {
    const double px = pos(x[i]);
    if (std::isnan(px)) return -1;
    const double clamped = px < colLo ? colLo : (px > colHi ? colHi : px);
    return static_cast<long>(clamped - colLo);
  };
  // x never turns back, so a column's points are one block. Its end is found from a guess
  // (the size of the column before; evenly spaced sweeps differ by a point at most) with a
  // step or two, galloping and bisecting only when the guess was far off.
  auto columnEnd = [&](int i, long c, int guess) {
    auto inColumn = [&](int k) { return columnOf(k) == c; };
    int in = i;
    int out = std::min(n, i + guess);
    if (out < n && inColumn(out)) {
      in = out;
      for (int stride = 1;; stride = std::min(stride * 2, n)) {
        out = in >= n - stride ? n : in + stride;
        if (out == n || !inColumn(out)) break;
        in = out;
      }
    } else {
      for (int tries = 0; tries < 2 && out - 1 > in; ++tries) {
        if (inColumn(out - 1)) return out;
        --out;
      }
    }
    while (out - in > 1) {
      const int mid = in + (out - in) / 2;
      if (inColumn(mid))
        in = mid;
      else
        out = mid;
    }
    return out;
  };

  // Evenly spaced x: a point's column from its index, -1 when it lies too near a column's
  // edge to tell without its x. Only the edges between columns count: the first and the last
  // column reach out without end.
  const long lastColumn = static_cast<long>(colHi - colLo);
  auto columnAt = [colLo, colHi](double px) {
    const double clamped = px < colLo ? colLo : (px > colHi ? colHi : px);
    return static_cast<long>(clamped - colLo);  // not negative: truncation is floor
  };
  auto sureColumn = [&](int k) -> long {
    const double p = t.a + k * t.b;
    const long c = columnAt(p - t.slack);
    return c == columnAt(p + t.slack) ? c : -1;
  };
  // Where column c, which point i is in, ends: the edge's index worked out, and checked by the
  // column of the points either side of it; near an edge their x decides. `next` gets the
  // column of the point at the end when that is sure, -1 otherwise.
  const bool rising = t.b > 0;
  const long toward = rising ? 1 : -1;  // the column after c
  auto evenEnd = [&](int i, long c, long& next) {
    next = -1;
    if (rising ? c == lastColumn : c == 0) return n;
    const double at = (colLo + static_cast<double>(rising ? c + 1 : c) - t.a) / t.b;
    int e = n;
    if (!(at > i)) {
      e = i + 1;
    } else if (at < n) {
      e = static_cast<int>(at);  // at > i >= 0: truncation, then up to the ceiling
      e += e < at ? 1 : 0;
    }
    if (sureColumn(e - 1) == c) {
      if (e == n) return e;
      // Points are denser than columns, so the next column is almost always the one after c;
      // knowing it ahead lets the next block start before this check is done.
      const long after = sureColumn(e);
      if (after == c + toward) {
        next = c + toward;
        return e;
      }
      if (after >= 0 && after != c) {
        next = after;
        return e;
      }
    }
    return columnEnd(i, c, e - i);
  };

  int guess = 1;
  long known = -1;  // the column of point i when the block before told it
  for (int i = 0; i < n;) {
    long c;
    int end;
    if constexpr (Even) {
      c = known >= 0 ? known : sureColumn(i);
      if (c < 0) c = columnOf(i);  // every x is a number here: never -1
      end = evenEnd(i, c, known);
    } else {
      c = columnOf(i);
      if (c < 0) {
        step(i++);
        continue;
      }
      end = columnEnd(i, c, guess);
      guess = end - i;
    }
    // A block with a null in it goes point by point, which decides.
    SExtremes e{};
    bool nulls = !BlockExtremes(y, i, end, e) || (vLog && !(e.lo > 0));
    if constexpr (!Even) {  // evenly spaced x holds no NaN
      double odd = 0;
      for (int k = i; k < end; ++k) {
        const double px = pos(x[k]);
        odd += px - px;
      }
      nulls = nulls || !(odd == 0);
    }
    if (nulls) {
      for (int m = i; m < end; ++m) step(m);
      i = end;
      continue;
    }
    if (c != column) {
      if (column >= 0) EmitColumn(canvas, t, hs, vs, first, lowest, highest, last);
      column = c;
      first = i;
      lowest = e.kLo;
      highest = e.kHi;
      low = e.lo;
      high = e.hi;
    } else {
      widen(e.kLo, e.lo, e.kHi, e.hi);
    }
    last = end - 1;
    i = end;
  }
  if (column >= 0) EmitColumn(canvas, t, hs, vs, first, lowest, highest, last);
  Flush(canvas);
}

// ---------------------------------------------------------------------------------------

void CPointSeries::Draw(ICanvas& canvas) {
  if (!CanDraw()) return;
  const SAxisScale hs = HorizAxis()->Scale();
  const SAxisScale vs = VertAxis()->Scale();
  const SRect plot = Chart()->PlotRect();
  canvas.SetPen({Color(), 1, psSolid});
  canvas.SetBrush({Color(), bsSolid});
  const int r = PointRadius();
  for (int i = 0; i < Count(); ++i) {
    if (!std::isfinite(YValues()[i])) continue;
    const double px = hs.Pos(XValues()[i]);
    const double py = vs.Pos(YValues()[i]);
    if (!std::isfinite(px) || !std::isfinite(py) || !plot.Contains(px, py)) continue;
    const int cx = static_cast<int>(std::lround(px));
    const int cy = static_cast<int>(std::lround(py));
    const SRect mark{cx - r, cy - r, cx + r + 1, cy + r + 1};
    if (PointStyle() == ptCircle)
      canvas.Ellipse(mark);
    else
      canvas.Rectangle(mark);
  }
}
