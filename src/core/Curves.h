#pragma once
// Curve generators that turn a few control points into a polyline, and the contrast curve
// of the spectrum colour map. Every generator hands back a new std::vector; bad input
// gives an empty vector (and leaves an out-parameter count unchanged).
#include <vector>

// A point of doubles with plain arithmetic (nothing is normalised). The multiplying and
// dividing forms take a double; a float argument converts to it exactly.
struct DPoint {
  double x = 0;
  double y = 0;

  DPoint() = default;
  DPoint(double x_, double y_) : x(x_), y(y_) {}
  DPoint(const DPoint&) = default;
  DPoint& operator=(const DPoint&) = default;

  void Assign(const DPoint& p) { *this = p; }
  void Assign(const DPoint* p);  // a null pointer is reported and ignored

  DPoint operator+(const DPoint& p) const { return {x + p.x, y + p.y}; }
  DPoint operator+(const DPoint* p) const;  // null: reported, the point itself
  DPoint operator-(const DPoint& p) const { return {x - p.x, y - p.y}; }
  DPoint operator-(const DPoint* p) const;
  DPoint operator-() const { return {-x, -y}; }

  DPoint& operator+=(const DPoint& p) {
    x += p.x;
    y += p.y;
    return *this;
  }
  DPoint& operator+=(double d) {
    x += d;
    y += d;
    return *this;
  }
  DPoint& operator-=(const DPoint& p) {
    x -= p.x;
    y -= p.y;
    return *this;
  }

  DPoint operator*(double k) const { return {x * k, y * k}; }
  DPoint operator/(double k) const { return {x / k, y / k}; }
  DPoint& operator/=(double k) {
    x /= k;
    y /= k;
    return *this;
  }

  bool operator==(const DPoint&) const = default;
};

// Catmull-Rom segments through the control points; `tension` 0.5 is the classical curve.
class CatmullRomSpline {
 public:
  // (n − 1)(segments + 1) points open, n (segments + 1) closed; each segment repeats the
  // previous one's end point. Empty (count unchanged) for null points, n < 3 or segments < 1.
  static std::vector<DPoint> Calculate(const DPoint* points, int n, int& count, double tension,
                                       int segments, bool closed);
  // The control points padded for the segments: the ends doubled (open, n + 2 points) or
  // the neighbours across the seam added (closed, n + 3 points).
  static std::vector<DPoint> BuildVectors(const DPoint* points, int n, bool closed);
  // segments + 1 points from p1 to p2 (p2 itself last).
  static std::vector<DPoint> CalculateSpline(double tension, int segments, const DPoint& p0,
                                             const DPoint& p1, const DPoint& p2, const DPoint& p3);
  // The point at t (0 … 1) between p1 and p2.
  static DPoint ReturnCarmullRomVector(double t, double tension, const DPoint& p0, const DPoint& p1,
                                       const DPoint& p2, const DPoint& p3);
};

// Quadratic Bézier curve over the first three control points.
class BezierSpline {
 public:
  // n × segments points evenly spaced in t from 0 to 1. With `recalculate` the middle control
  // point is first moved so that the curve passes through points[1] at parameter t.
  // Empty (count unchanged) for null points, n < 3 or segments < 1.
  static std::vector<DPoint> Calculate(const DPoint* points, int n, int& count, double t,
                                       int segments, bool recalculate);
  static DPoint CalculatePoint(const DPoint* control, int n, double t);
  // c0 = points[0], c1 chosen to pass through points[1] at t, c[n−1] = points[n−1], the
  // other entries zero points.
  static std::vector<DPoint> RecalculateVectors(const DPoint* points, int n, double t);
};

// Uniform B-spline of a given order (order 4 is the cubic spline) sampled `steps` times per
// span. The blending table (steps × order weights) depends only on order and steps and is
// kept between calls; it is rebuilt only when either changes. The curve stays inside the
// convex hull of the control points and does not pass through them (except for order ≤ 2).
class DpSpline {
 public:
  // Open: (n − order + 1) spans (order is limited to n), closed: n spans ending where the
  // curve started; steps points per span plus the end point. Empty for null points, n < 3,
  // steps < 1 or order < 1.
  std::vector<DPoint> Calculate(const DPoint* points, int n, int steps, int order, bool closed);

  // Weights of the `order` control points of a span at u = s / steps, row s = 0 … steps − 1.
  static std::vector<double> CalculateQSpline(int order, int steps);
  // Evaluates n control vectors with a table of CalculateQSpline(order, steps).
  static std::vector<DPoint> CalculateSSpline(const DPoint* vectors, const std::vector<double>& table,
                                              int steps, int order, int n);
  // The closed curve's control vectors: the points followed by the first order − 1 again
  // (n + order − 1 vectors).
  static std::vector<DPoint> RecalculateVectors(const DPoint* points, int n, int order);
  // i modulo n in 0 … n − 1, also for negative i.
  static int GetPositiveIndex(int i, int n);

  // How often the table was built (it is cached between calls).
  int TableBuildCount() const { return m_tableBuilds; }

 private:
  int m_order = 0;
  int m_steps = 0;
  int m_tableBuilds = 0;
  std::vector<double> m_table;
};

// The contrast curve of the colour map on the unit square: a Catmull-Rom curve (open,
// tension 0.35, 15 segments) through (0, 0), ((100 + contrast) × 0.005, 0.5) and (1, 1),
// keeping the points with 0 ≤ x ≤ 1. Replaces x and y and returns their common size.
int CalculateCurve(std::vector<double>& y, std::vector<double>& x, double contrast);
