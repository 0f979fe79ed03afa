#include "series/PolarSeries.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int kLabelGap = 3;
// Points tested along an angle line, from the circle to the centre, for whether it is seen.
constexpr int kVisibilitySteps = 64;

}  // namespace

void TQuorPolarSeries::DrawRGrid(ICanvas& canvas) {
  const SRect plot = PlotRect();
  canvas.SetPen(GetRPen());
  canvas.SetBrush({clNone, bsClear});
  for (int i = 1; i <= 4; ++i) canvas.EllipseF(CircleOf(0, 0, 0.2 * i));
  // Magnitudes -1.0 … 0.8 along the horizontal axis that lie over the plot.
  int visible = 0;
  for (int k = -5; k < 5; ++k) {
    const double x = PixelX(0.2 * k);
    visible += x >= plot.left && x <= plot.right;
  }
  magnitudeCount_ = 5;
  if (visible < 3) {
    magnitudeCount_ = visible == 0 ? 40 : 20;
    const int n = magnitudeCount_;
    for (int k = 1; k < n; ++k)
      if (k * 5 % n != 0) canvas.EllipseF(CircleOf(0, 0, static_cast<double>(k) / n));
  }
  if (!UseLabelFont(canvas)) return;
  // Along the positive real axis, below it; a label that would run into the one before is left out.
  double free = -1e300;
  for (int k = 1; k < magnitudeCount_; ++k) {
    const double x = PixelX(static_cast<double>(k) / magnitudeCount_) + kLabelGap;
    if (x < free || x < plot.left || x > plot.right) continue;
    const std::wstring text = Label(static_cast<double>(k) / magnitudeCount_);
    canvas.TextOutEx(x, PixelY(0) + kLabelGap, text, {haLeft, vaTop, 0});
    free = x + canvas.TextExtent(text).cx + 2 * kLabelGap;
  }
}

void TQuorPolarSeries::DrawImGrid(ICanvas& canvas) {
  const SRect plot = PlotRect();
  const SCircleRect& c = CircleRect();
  const double cx = c.centerX, cy = c.centerY;
  auto rim = [&](int degrees, double t) {
    const double a = degrees * std::numbers::pi / 180.0;
    return SPointF{cx + t * std::cos(a) * c.radiusX, cy - t * std::sin(a) * c.radiusY};
  };
  SPen bold = GetImPen();
  bold.width += 1;
  canvas.SetPen(bold);
  int visible = 0;
  for (int deg = 0; deg < 360; deg += 30) {
    const SPointF end = rim(deg, 1);
    canvas.Line(cx, cy, end.x, end.y);
    for (int s = 0; s <= kVisibilitySteps; ++s) {
      const SPointF p = rim(deg, 1.0 - static_cast<double>(s) / kVisibilitySteps);
      if (plot.Contains(p.x, p.y)) {
        ++visible;
        break;
      }
    }
  }
  angleStep_ = 30;
  if (visible < 5) {
    angleStep_ = visible >= 2 ? 10 : 1;
    canvas.SetPen(GetImPen());
    for (int deg = 0; deg < 360; deg += angleStep_) {
      if (deg % 30 == 0) continue;
      const SPointF end = rim(deg, 1);
      canvas.Line(cx, cy, end.x, end.y);
    }
  }
  if (!UseLabelFont(canvas)) return;
  // Inside the circle at the end of each line; finer lines only where their end is seen.
  for (int deg = 0; deg < 360; deg += angleStep_) {
    const SPointF end = rim(deg, 1);
    if (deg % 30 != 0 && !plot.Contains(end.x, end.y)) continue;
    if (angleStep_ == 1 && deg % 5 != 0) continue;  // a label every degree would touch the next
    const double a = deg * std::numbers::pi / 180.0, dx = std::cos(a), dy = -std::sin(a);
    STextFormat f;
    f.h = dx > 0.35 ? haRight : dx < -0.35 ? haLeft : haCenter;
    f.v = dy > 0.35 ? vaBottom : dy < -0.35 ? vaTop : vaCenter;
    canvas.TextOutEx(end.x - dx * kLabelGap, end.y - dy * kLabelGap, std::to_wstring(deg) + L"°", f);
  }
}
