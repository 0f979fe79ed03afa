#pragma once
// The values a series draws: one stimulus column (x), a response or real-part column (y) and,
// when kept, a second-component or imaginary-part column (z). A trace owns one of these as
// its display buffer and every series that draws the trace reads it; a series used on its
// own keeps one for itself. Writes keep the columns' capacity, so a sweep rewritten in place
// allocates nothing. A null point (a gap) has a NaN stimulus and a NaN response.
#include <vector>

enum ESeriesColumn { scX = 0, scY = 1, scZ = 2 };

class CSeriesData {
 public:
  int Count() const { return static_cast<int>(x_.size()); }
  const double* X() const { return x_.data(); }
  const double* Y() const { return y_.data(); }
  // Null while the second component is not kept.
  const double* Z() const { return keepZ_ ? z_.data() : nullptr; }
  const double* Column(ESeriesColumn column) const;
  bool KeepsZ() const { return keepZ_; }
  // Keeping the second component gives every point a z (NaN until written); dropping it
  // releases the column.
  void KeepZ(bool on);

  // Every write below marks the stimulus column changed; the points stay in the columns'
  // memory. z may be null (NaN is written when z is kept).
  void Clear();
  void Append(const double* x, const double* y, const double* z, int count);
  void Replace(int offset, const double* x, const double* y, const double* z, int count);
  void Set(int index, double x, double y, double z);
  void AppendNulls(int count);
  // Direct access to the stimulus, for rewriting it in place; call StimulusChanged after.
  double* MutableX() { return x_.data(); }
  void StimulusChanged() { examined_ = false; }

  // A point is drawn when both columns a series reads are finite.
  bool IsDrawn(int index, ESeriesColumn h, ESeriesColumn v) const;
  // The extreme of column `of` over the points drawn with columns h and v; 0 when there is none.
  double Extreme(ESeriesColumn of, ESeriesColumn h, ESeriesColumn v, bool maximum) const;

  // True while x never turns back (nulls aside); lets a series thin its points per column.
  bool XMonotonic() const;
  // True when x runs evenly, x[i] = x0 + i·dx (dx ≠ 0) up to rounding, every x finite; then
  // a series finds a pixel column's points by arithmetic instead of reading x. deviation is
  // the largest |x[i] − (x0 + i·dx)| as computed here.
  struct SXSpacing {
    bool uniform = false;
    double x0 = 0, dx = 0, deviation = 0;
  };
  const SXSpacing& XSpacing() const;

 private:
  // Works out the order and the spacing of x in one pass after a change.
  void Examine() const;

  std::vector<double> x_, y_, z_;
  bool keepZ_ = false;
  mutable bool examined_ = false;
  mutable bool monotonic_ = true;
  mutable SXSpacing spacing_;
};
