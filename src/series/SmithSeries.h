#pragma once
// Series that show a complex response in the reflection-coefficient plane: the Smith chart
// and (through the shared base) the polar chart. They draw the real part (column y) against
// the imaginary part (column z); the stimulus of every point (column x) stays beside them so
// markers can read it back. Pixel <-> plane conversions run against the circle rectangle, the pixel
// square the unit circle occupies for the current display rectangle.
#include <cmath>
#include <vector>

#include "chart/Series.h"

// A region of the complex plane; top is the larger imaginary value.
struct SDoubleRect {
  double left = -1;
  double top = 1;
  double right = 1;
  double bottom = -1;
  bool operator==(const SDoubleRect&) const = default;
};

// The unit circle in pixels, recomputed before every use from the chart and display rect.
struct SCircleRect {
  SRect rect;
  int radiusX = 0;
  int radiusY = 0;
  int diameterX = 0;
  int diameterY = 0;
  int centerX = 0;
  int centerY = 0;
};

class TQuorCircleSeries : public CChartSeries {
 public:
  TQuorCircleSeries();
  // Magnitude and angle in degrees to the real and imaginary part.
  static void ParamsToZ(double magnitude, double angleDeg, double& re, double& im);

  void AddPoint(double re, double im, double stimulus);
  // A gap; it keeps its stimulus so the stimulus list stays one entry per point.
  void AddNull(double stimulus = NAN);
  // Replaces all points; keeps the memory, so a sweep of the same size allocates nothing.
  // stimulus may be null (0, 1, 2 …).
  void SetPoints(const double* re, const double* im, const double* stimulus, int count);
  // Block writes of the data pipeline (see CChartSeries::ReplaceXY).
  void SetPoint(int index, double re, double im, double stimulus);
  void ReplacePoints(int offset, const double* re, const double* im, const double* stimulus, int count);
  void AppendPoints(const double* re, const double* im, const double* stimulus, int count);

  double GetStimulusValue(int index) const;
  std::vector<double> StimulusValues() const;

  void SetDisplayRect(const SDoubleRect& r);
  const SDoubleRect& GetDisplayRect() const { return displayRect_; }
  bool Circled() const { return circled_; }
  // Back to the whole unit circle, or (false) nothing: a zoomed rect is set through
  // SetDisplayRect.
  void SetCircled(bool on);

  void CalcCircleRect();
  const SCircleRect& CircleRect() const { return circle_; }
  // Plane value of a pixel column / row, clamped to [-1, 1] and never closer to 0 than 0.01.
  double CalcReCoord(int px) const;
  double CalcImCoord(int py) const;
  // Pixel of point index through the circle rectangle last computed; NaN for a bad index.
  SPointF GetPointAtValue(unsigned index) const;

  // The grid pens: resistance / magnitude circles, reactance arcs / angle lines.
  const SPen& GetRPen() const { return rPen_; }
  void SetRPen(const SPen& pen) { rPen_ = pen; }
  const SPen& GetImPen() const { return imPen_; }
  void SetImPen(const SPen& pen) { imPen_ = pen; }
  TColor CircleBackColor() const { return circleBackColor_; }
  void SetCircleBackColor(TColor color) { circleBackColor_ = color; }
  bool Active() const { return active_; }
  void SetActive(bool on) { active_ = on; }
  bool ActiveDraw() const { return activeDraw_; }
  void SetActiveDraw(bool on) { activeDraw_ = on; }

  // The trace as a line in the plane, broken at null points.
  void Draw(ICanvas& canvas) override;

 private:
  void Flush(ICanvas& canvas);

  SDoubleRect displayRect_;
  bool circled_ = true;
  SCircleRect circle_;
  SPen rPen_{RGBColor(128, 128, 128), 1, psSolid};
  SPen imPen_{RGBColor(128, 128, 128), 1, psSolid};
  TColor circleBackColor_ = clWhite;
  bool active_ = true;
  bool activeDraw_ = true;
  std::vector<SPointF> points_;  // reused from frame to frame
  int used_ = 0;
};

class TQuorSmithSeries : public TQuorCircleSeries {};
