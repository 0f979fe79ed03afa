#pragma once
// Series that show a complex response in the reflection-coefficient plane: the Smith chart
// and (through the shared base) the polar chart. They draw the real part (column y) against
// the imaginary part (column z); the stimulus of every point (column x) stays beside them so
// markers can read it back. Pixel <-> plane conversions run against the circle rectangle, the pixel
// square the unit circle occupies for the current display rectangle.
//
// The diagram's first visible series of the two draws the grid for all of them (DrawGrid),
// so several Smith traces share one grid and no trace is painted over by another's.
#include <cmath>
#include <string>
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
  // Inside the unit circle; clNone leaves the chart's wall showing.
  TColor CircleBackColor() const { return circleBackColor_; }
  void SetCircleBackColor(TColor color) { circleBackColor_ = color; }
  // The grid's value labels; clNone draws none.
  TColor LabelColor() const { return labelColor_; }
  void SetLabelColor(TColor color) { labelColor_ = color; }
  bool Active() const { return active_; }
  void SetActive(bool on) { active_ = on; }
  bool ActiveDraw() const { return activeDraw_; }
  void SetActiveDraw(bool on) { activeDraw_ = on; }

  // The first visible circle series of the chart draws the circle, its background, both
  // grid families and their labels; the others draw nothing here.
  void DrawGrid(ICanvas& canvas) override;
  // The trace as a line in the plane, broken at null points. Of the points that stay within
  // three pixels of the point that opened their window, only the extremes across the line
  // and the last go to the canvas.
  void Draw(ICanvas& canvas) override;

 protected:
  // The two families of the grid, on the circle rectangle of this frame.
  virtual void DrawRGrid(ICanvas& canvas) = 0;
  virtual void DrawImGrid(ICanvas& canvas) = 0;

  // Plane ↔ pixels through the circle rectangle.
  double PixelX(double re) const { return circle_.centerX + re * circle_.radiusX; }
  double PixelY(double im) const { return circle_.centerY - im * circle_.radiusY; }
  SPointF Pixel(double re, double im) const { return {PixelX(re), PixelY(im)}; }
  // The pixel rectangle of the plane circle around (re, im) of radius rho.
  SRectF CircleOf(double re, double im, double rho) const;
  SRect PlotRect() const;
  // Grid label: the font of the chart in the label colour.
  bool UseLabelFont(ICanvas& canvas) const;
  static std::wstring Label(double value);

 private:
  // A window of the thinning in Draw: its opening point and the indexes of its extremes.
  struct SWindow {
    double ax, ay;
    int open, left, right, top, bottom, last;
  };
  void CloseWindow(ICanvas& canvas, const SWindow& w);
  void Emit(ICanvas& canvas, SPointF p);
  void Flush(ICanvas& canvas);

  SDoubleRect displayRect_;
  bool circled_ = true;
  SCircleRect circle_;
  SPen rPen_{RGBColor(160, 160, 160), 1, psSolid};
  SPen imPen_{RGBColor(160, 160, 160), 1, psSolid};
  TColor circleBackColor_ = clNone;
  TColor labelColor_ = RGBColor(96, 96, 96);
  bool active_ = true;
  bool activeDraw_ = true;
  std::vector<SPointF> points_;  // reused from frame to frame
  int used_ = 0;
};

// The Smith chart: circles of constant resistance, about 50 pixels apart along the horizontal
// diameter whatever the size, and arcs of constant reactance. As an admittance chart the same
// grid is mirrored: circles of constant conductance and arcs of constant susceptance, touching
// the left end of the diameter.
class TQuorSmithSeries : public TQuorCircleSeries {
 public:
  // v snapped to 1, 2 or 5 times a power of ten (nearest on that scale); 0 for v <= 0.
  static double NiceValue(double v);
  // Where an arc of radius a that touches the horizontal diameter at its right end crosses the
  // circle of diameter b through the same end: x to the left of that end, y above it, pixels.
  static void ZToPoint(double a, double b, double& x, double& y);
  // Where a horizontal line at height a crosses a circle of radius b that touches the
  // diameter's right end: a resistance circle (tangentCircle false: the far crossing, to the
  // left) or a reactance arc (true). a when they do not cross.
  static void LineCross(double a, double b, double& out, bool tangentCircle);

  bool Admittance() const { return admittance_; }
  void SetAdmittance(bool on) { admittance_ = on; }
  // The values of the circles and arcs drawn last, largest first.
  const std::vector<double>& ResistanceValues() const { return rValues_; }
  const std::vector<double>& ReactanceValues() const { return xValues_; }

 protected:
  void DrawRGrid(ICanvas& canvas) override;
  void DrawImGrid(ICanvas& canvas) override;

 private:
  // The right end of the horizontal diameter, or the left one for the admittance chart, and
  // the direction from it into the circle.
  double EndX() const;
  double Inward() const { return admittance_ ? 1.0 : -1.0; }
  bool admittance_ = false;
  std::vector<double> rValues_, xValues_;
};
