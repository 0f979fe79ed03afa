#include "series/SmithSeries.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/Chart.h"
#include "common/Assert.h"

namespace {

// Points passed to the canvas per call; the buffer is made once and reused.
constexpr int kChunk = 1024;

// Values this close to the centre would give infinite impedances further on.
double SnapFromZero(double v) {
  constexpr double kMin = 0.01;
  if (std::fabs(v) > kMin) return v;
  return v < 0 ? -kMin : kMin;
}

}  // namespace

void TQuorCircleSeries::ParamsToZ(double magnitude, double angleDeg, double& re, double& im) {
  const double a = angleDeg * std::numbers::pi / 180.0;
  re = magnitude * std::cos(a);
  im = magnitude * std::sin(a);
}

TQuorCircleSeries::TQuorCircleSeries() {
  // Own values as a trace keeps them: x the stimulus, y the real and z the imaginary part.
  Own()->KeepZ(true);
  UseOwnColumns(scY, scZ);
}

void TQuorCircleSeries::AddPoint(double re, double im, double stimulus) { AppendPoints(&re, &im, &stimulus, 1); }

void TQuorCircleSeries::AddNull(double stimulus) { AddPoint(NAN, NAN, stimulus); }

void TQuorCircleSeries::SetPoints(const double* re, const double* im, const double* stimulus, int count) {
  if (!PV_ASSERT(count >= 0 && (count == 0 || (re != nullptr && im != nullptr)))) return;
  Clear();
  for (int i = 0; i < count; ++i) AddPoint(re[i], im[i], stimulus != nullptr ? stimulus[i] : static_cast<double>(i));
}

void TQuorCircleSeries::SetPoint(int index, double re, double im, double stimulus) {
  if (CSeriesData* own = Own()) own->Set(index, stimulus, re, im);
}

void TQuorCircleSeries::ReplacePoints(int offset, const double* re, const double* im, const double* stimulus,
                                      int count) {
  if (CSeriesData* own = Own()) own->Replace(offset, stimulus, re, im, count);
}

void TQuorCircleSeries::AppendPoints(const double* re, const double* im, const double* stimulus, int count) {
  if (CSeriesData* own = Own()) own->Append(stimulus, re, im, count);
}

double TQuorCircleSeries::GetStimulusValue(int index) const {
  if (!PV_ASSERT(index >= 0 && index < Count())) return NAN;
  return Data().X()[index];
}

std::vector<double> TQuorCircleSeries::StimulusValues() const { return {Data().X(), Data().X() + Count()}; }

void TQuorCircleSeries::SetDisplayRect(const SDoubleRect& r) {
  displayRect_ = r;
  circled_ = r == SDoubleRect{};
}

void TQuorCircleSeries::SetCircled(bool on) {
  if (on) SetDisplayRect(SDoubleRect{});
}

void TQuorCircleSeries::CalcCircleRect() {
  if (Chart() == nullptr) return;
  SRect r = Chart()->PlotRect();
  r.left += 2;
  r.top += 2;
  r.bottom -= 1;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  if (circled_) {
    const int w = r.Width(), h = r.Height();
    if (w > h) {
      r.left += (w - h) / 2;
      r.right -= (w - h) / 2;
    } else {
      r.top += (h - w) / 2;
      r.bottom -= (h - w) / 2;
    }
  } else {
    // The shown region stretched over the plot with one scale for both axes, centred; the
    // circle rectangle is where the unit circle lands under that mapping.
    const SDoubleRect& d = displayRect_;
    const double dw = std::fabs(d.right - d.left), dh = std::fabs(d.top - d.bottom);
    if (dw > 0 && dh > 0 && std::isfinite(dw) && std::isfinite(dh)) {
      const double scale = std::min(r.Width() / dw, r.Height() / dh);
      const double cx = 0.5 * (r.left + r.right) - 0.5 * (d.left + d.right) * scale;
      const double cy = 0.5 * (r.top + r.bottom) + 0.5 * (d.top + d.bottom) * scale;
      auto px = [](double v) {
        constexpr double kLimit = 1e9;  // keeps absurd zooms inside int range
        return static_cast<int>(std::lround(std::clamp(v, -kLimit, kLimit)));
      };
      r = SRect{px(cx - scale), px(cy - scale), px(cx + scale), px(cy + scale)};
    }
  }
  circle_.rect = r;
  circle_.radiusX = r.Width() / 2;
  circle_.radiusY = r.Height() / 2;
  circle_.diameterX = 2 * circle_.radiusX;
  circle_.diameterY = 2 * circle_.radiusY;
  circle_.centerX = r.left + circle_.radiusX;
  circle_.centerY = r.top + circle_.radiusY;
}

double TQuorCircleSeries::CalcReCoord(int px) const {
  if (px < 1 || px <= circle_.rect.left) return -1.0;
  if (px >= circle_.rect.right) return 1.0;
  if (circle_.radiusX <= 0) return 0.01;
  return SnapFromZero(static_cast<double>(px - circle_.centerX) / circle_.radiusX);
}

double TQuorCircleSeries::CalcImCoord(int py) const {
  if (py < 1 || py <= circle_.rect.top) return 1.0;
  if (py >= circle_.rect.bottom) return -1.0;
  if (circle_.radiusY <= 0) return 0.01;
  return SnapFromZero(static_cast<double>(circle_.centerY - py) / circle_.radiusY);
}

SPointF TQuorCircleSeries::GetPointAtValue(unsigned index) const {
  if (!PV_ASSERT(index < static_cast<unsigned>(Count()))) return {NAN, NAN};
  const int i = static_cast<int>(index);
  return {circle_.centerX + XValue(i) * circle_.radiusX, circle_.centerY - YValue(i) * circle_.radiusY};
}

void TQuorCircleSeries::Flush(ICanvas& canvas) {
  if (used_ == 1) points_[used_++] = points_[0];  // a lone point between gaps shows as a dot
  if (used_ > 1) canvas.Polyline(points_.data(), used_);
  used_ = 0;
}

void TQuorCircleSeries::Draw(ICanvas& canvas) {
  if (!CanDraw()) return;
  CalcCircleRect();
  if (points_.empty()) points_.resize(kChunk);
  canvas.SetPen(Pen());
  const double* re = XValues();
  const double* im = YValues();
  const double cx = circle_.centerX, cy = circle_.centerY, rx = circle_.radiusX, ry = circle_.radiusY;
  used_ = 0;
  for (int i = 0, n = Count(); i < n; ++i) {
    if (!std::isfinite(re[i]) || !std::isfinite(im[i])) {
      Flush(canvas);
      continue;
    }
    if (used_ == kChunk) {
      // Pass the full buffer on and go on from its last point so the line stays joined.
      canvas.Polyline(points_.data(), used_);
      points_[0] = points_[used_ - 1];
      used_ = 1;
    }
    points_[used_++] = {cx + re[i] * rx, cy - im[i] * ry};
  }
  Flush(canvas);
}
