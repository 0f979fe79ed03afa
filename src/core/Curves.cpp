#include "core/Curves.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/Assert.h"

namespace {

// Guards the sizes computed from caller arguments (a runaway segment count must not try
// to allocate gigabytes).
constexpr std::int64_t kMaxCurvePoints = 1 << 24;

bool SizeAcceptable(std::int64_t count) {
  return PV_ASSERT_MSG(count <= kMaxCurvePoints, "Curve too large");
}

}  // namespace

void DPoint::Assign(const DPoint* p) {
  if (PV_ASSERT(p != nullptr)) *this = *p;
}

DPoint DPoint::operator+(const DPoint* p) const {
  return PV_ASSERT(p != nullptr) ? *this + *p : *this;
}

DPoint DPoint::operator-(const DPoint* p) const {
  return PV_ASSERT(p != nullptr) ? *this - *p : *this;
}

// ---------------------------------------------------------------------------------------
// Catmull-Rom

DPoint CatmullRomSpline::ReturnCarmullRomVector(double t, double tension, const DPoint& p0,
                                                const DPoint& p1, const DPoint& p2, const DPoint& p3) {
  const DPoint a = (p2 - p0) * tension;
  const DPoint b = (p2 - p1) * 3.0 - (p3 - p1) * tension - (p2 - p0) * (2.0 * tension);
  const DPoint c = (p2 - p1) * -2.0 + (p3 - p1) * tension + (p2 - p0) * tension;
  return p1 + (a + (b + c * t) * t) * t;
}

std::vector<DPoint> CatmullRomSpline::CalculateSpline(double tension, int segments, const DPoint& p0,
                                                      const DPoint& p1, const DPoint& p2,
                                                      const DPoint& p3) {
  if (segments < 1 || !SizeAcceptable(std::int64_t{segments} + 1)) return {};
  std::vector<DPoint> result;
  result.reserve(segments + 1);
  for (int j = 0; j < segments; ++j)
    result.push_back(ReturnCarmullRomVector(double(j) / segments, tension, p0, p1, p2, p3));
  result.push_back(p2);
  return result;
}

std::vector<DPoint> CatmullRomSpline::BuildVectors(const DPoint* points, int n, bool closed) {
  if (!points || n < 1) return {};
  std::vector<DPoint> v;
  v.reserve(n + 3);
  v.push_back(closed ? points[n - 1] : points[0]);
  v.insert(v.end(), points, points + n);
  if (closed) {
    v.push_back(points[0]);
    v.push_back(points[n > 1 ? 1 : 0]);
  } else {
    v.push_back(points[n - 1]);
  }
  return v;
}

std::vector<DPoint> CatmullRomSpline::Calculate(const DPoint* points, int n, int& count, double tension,
                                                int segments, bool closed) {
  if (!points || n < 3 || segments < 1) return {};
  const std::int64_t spans = closed ? n : n - 1;
  if (!SizeAcceptable(spans * (std::int64_t{segments} + 1))) return {};

  const std::vector<DPoint> v = BuildVectors(points, n, closed);
  const int m = int(v.size());
  std::vector<DPoint> result;
  result.reserve((m - 3) * (segments + 1));
  for (int i = 1; i <= m - 3; ++i) {
    for (int j = 0; j < segments; ++j)
      result.push_back(ReturnCarmullRomVector(double(j) / segments, tension, v[i - 1], v[i], v[i + 1], v[i + 2]));
    result.push_back(v[i + 1]);
  }
  count = int(result.size());
  return result;
}

// ---------------------------------------------------------------------------------------
// Bézier

DPoint BezierSpline::CalculatePoint(const DPoint* control, int n, double t) {
  if (!PV_ASSERT(control != nullptr && n >= 3)) return {};
  const double t2 = t * t;
  return control[0] * (1 - 2 * t + t2) + control[1] * (2 * t - 2 * t2) + control[2] * t2;
}

std::vector<DPoint> BezierSpline::RecalculateVectors(const DPoint* points, int n, double t) {
  if (!PV_ASSERT(points != nullptr && n >= 3)) return {};
  std::vector<DPoint> c(n);
  c[0] = points[0];
  c[n - 1] = points[n - 1];
  const double t2 = t * t;
  const double middle = 2 * t - 2 * t2;
  // At t = 0 or 1 the curve does not depend on c1: keep the given point.
  if (PV_ASSERT_MSG(middle != 0 && std::isfinite(middle), "Bezier parameter must lie inside (0, 1)"))
    c[1] = (points[1] - points[0] * (1 - 2 * t + t2) - points[2] * t2) / middle;
  else
    c[1] = points[1];
  return c;
}

std::vector<DPoint> BezierSpline::Calculate(const DPoint* points, int n, int& count, double t, int segments,
                                            bool recalculate) {
  if (!points || n < 3 || segments < 1) return {};
  const std::int64_t total = std::int64_t{n} * segments;
  if (!SizeAcceptable(total)) return {};

  std::vector<DPoint> control = recalculate ? RecalculateVectors(points, n, t)
                                            : std::vector<DPoint>(points, points + n);
  std::vector<DPoint> result(total);
  const double step = 1.0 / double(total - 1);
  for (std::int64_t i = 0; i < total; ++i) result[i] = CalculatePoint(control.data(), n, double(i) * step);
  count = int(total);
  return result;
}

// ---------------------------------------------------------------------------------------
// Uniform B-spline

int DpSpline::GetPositiveIndex(int i, int n) {
  if (!PV_ASSERT(n > 0)) return 0;
  const int r = i % n;
  return r < 0 ? r + n : r;
}

std::vector<double> DpSpline::CalculateQSpline(int order, int steps) {
  if (order < 1 || steps < 1 || !SizeAcceptable(std::int64_t{order} * steps)) return {};
  std::vector<double> table(std::size_t(order) * steps);
  std::vector<double> left(order), right(order);
  // Cox-de Boor on the knots 0, 1, 2 …: the span starts at knot 0, so every denominator
  // (right[r + 1] + left[j − r]) equals j and never vanishes.
  for (int s = 0; s < steps; ++s) {
    const double u = double(s) / steps;
    double* w = &table[std::size_t(s) * order];
    w[0] = 1;
    for (int j = 1; j < order; ++j) {
      left[j] = u + j - 1;
      right[j] = j - u;
      double saved = 0;
      for (int r = 0; r < j; ++r) {
        const double temp = w[r] / j;
        w[r] = saved + right[r + 1] * temp;
        saved = left[j - r] * temp;
      }
      w[j] = saved;
    }
  }
  return table;
}

std::vector<DPoint> DpSpline::CalculateSSpline(const DPoint* vectors, const std::vector<double>& table,
                                               int steps, int order, int n) {
  if (!PV_ASSERT(vectors != nullptr && order >= 1 && steps >= 1 && n >= order &&
                 table.size() == std::size_t(order) * steps))
    return {};
  const int spans = n - order + 1;
  if (!SizeAcceptable(std::int64_t{spans} * steps + 1)) return {};

  std::vector<DPoint> result;
  result.reserve(std::size_t(spans) * steps + 1);
  for (int k = 0; k < spans; ++k) {
    for (int s = 0; s < steps; ++s) {
      const double* w = &table[std::size_t(s) * order];
      DPoint p;
      for (int j = 0; j < order; ++j) p += vectors[k + j] * w[j];
      result.push_back(p);
    }
  }
  // The end of the last span is the start of the next one: row 0 shifted by one vector
  // (the weight it would give the missing vector is zero).
  if (order == 1) {
    result.push_back(vectors[n - 1]);
  } else {
    DPoint p;
    for (int j = 0; j < order - 1; ++j) p += vectors[spans + j] * table[j];
    result.push_back(p);
  }
  return result;
}

std::vector<DPoint> DpSpline::RecalculateVectors(const DPoint* points, int n, int order) {
  if (!PV_ASSERT(points != nullptr && n >= 1 && order >= 1)) return {};
  std::vector<DPoint> v;
  v.reserve(std::size_t(n) + order - 1);
  for (int i = 0; i < n + order - 1; ++i) v.push_back(points[GetPositiveIndex(i, n)]);
  return v;
}

std::vector<DPoint> DpSpline::Calculate(const DPoint* points, int n, int steps, int order, bool closed) {
  if (!points || n < 3 || steps < 1 || order < 1) return {};
  if (!closed) order = std::min(order, n);
  if (!SizeAcceptable(std::int64_t{order} * steps) ||
      !SizeAcceptable((std::int64_t{n} + order) * steps))
    return {};

  if (order != m_order || steps != m_steps || m_table.empty()) {
    m_table = CalculateQSpline(order, steps);
    m_order = order;
    m_steps = steps;
    ++m_tableBuilds;
  }
  if (!closed) return CalculateSSpline(points, m_table, steps, order, n);

  const std::vector<DPoint> vectors = RecalculateVectors(points, n, order);
  std::vector<DPoint> result = CalculateSSpline(vectors.data(), m_table, steps, order, int(vectors.size()));
  if (!result.empty()) result.back() = result.front();  // closes the loop exactly
  return result;
}

// ---------------------------------------------------------------------------------------

int CalculateCurve(std::vector<double>& y, std::vector<double>& x, double contrast) {
  const DPoint control[3] = {{0, 0}, {(100 + contrast) * 0.005, 0.5}, {1, 1}};
  int count = 0;
  const std::vector<DPoint> curve = CatmullRomSpline::Calculate(control, 3, count, 0.35, 15, false);
  x.clear();
  y.clear();
  x.reserve(curve.size());
  y.reserve(curve.size());
  for (const DPoint& p : curve) {
    if (p.x >= 0 && p.x <= 1) {
      x.push_back(p.x);
      y.push_back(p.y);
    }
  }
  return int(x.size());
}
