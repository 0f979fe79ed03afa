#include "series/SmithSeries.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <numbers>

#include "chart/Chart.h"
#include "common/Assert.h"
#include "common/Units.h"

namespace {

// Points passed to the canvas per call; the buffer is made once and reused.
constexpr int kChunk = 1024;
// Resistance circles drawn at most: the 1-2-5 values fall by a step at least each time, so
// even a zoomed chart of 10^9 pixels stays well below this.
constexpr int kMaxCircles = 64;
// A reactance arc ends at the smallest resistance circle where it is still this many pixels
// from its neighbour; closer to the right end the arcs would only blacken the chart.
constexpr double kMinArcGap = 18.0;
constexpr int kLabelGap = 3;

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
    // Square on the shorter side, the longer one shrunk by half the difference at each end
    // (the odd pixel left over at the far end), so one radius serves both axes.
    const int w = r.Width(), h = r.Height();
    if (w > h) {
      r.left += (w - h) / 2;
      r.right = r.left + h;
    } else {
      r.top += (h - w) / 2;
      r.bottom = r.top + w;
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

SRectF TQuorCircleSeries::CircleOf(double re, double im, double rho) const {
  return {PixelX(re - rho), PixelY(im + rho), PixelX(re + rho), PixelY(im - rho)};
}

SRect TQuorCircleSeries::PlotRect() const { return Chart() != nullptr ? Chart()->PlotRect() : SRect{}; }

bool TQuorCircleSeries::UseLabelFont(ICanvas& canvas) const {
  if (labelColor_ == clNone || Chart() == nullptr) return false;
  SFont font = Chart()->Font();
  font.name = L"Tahoma";
  font.bold = false;
  font.color = labelColor_;
  canvas.SetFont(font);
  return true;
}

std::wstring TQuorCircleSeries::Label(double value) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%g", value);
  return text;
}

void TQuorCircleSeries::DrawGrid(ICanvas& canvas) {
  if (Chart() == nullptr) return;
  for (int i = 0; i < Chart()->SeriesCount(); ++i) {
    CChartSeries* s = Chart()->Series(i);
    if (s->Visible() && dynamic_cast<TQuorCircleSeries*>(s) != nullptr) {
      if (s != this) return;
      break;
    }
  }
  CalcCircleRect();
  if (circle_.radiusX <= 0 || circle_.radiusY <= 0) return;
  canvas.SetPen(rPen_);
  canvas.SetBrush(circleBackColor_ != clNone ? SBrush{circleBackColor_, bsSolid} : SBrush{clNone, bsClear});
  canvas.EllipseF(CircleOf(0, 0, 1));
  canvas.SetBrush({clNone, bsClear});
  DrawRGrid(canvas);
  DrawImGrid(canvas);
}

void TQuorCircleSeries::Emit(ICanvas& canvas, SPointF p) {
  if (used_ == kChunk) {
    // Pass the full buffer on and go on from its last point so the line stays joined.
    canvas.Polyline(points_.data(), used_);
    points_[0] = points_[used_ - 1];
    used_ = 1;
  }
  points_[used_++] = p;
}

void TQuorCircleSeries::Flush(ICanvas& canvas) {
  if (used_ == 1) points_[used_++] = points_[0];  // a lone point between gaps shows as a dot
  if (used_ > 1) canvas.Polyline(points_.data(), used_);
  used_ = 0;
}

void TQuorCircleSeries::CloseWindow(ICanvas& canvas, const SWindow& w) {
  const double* re = XValues();
  const double* im = YValues();
  auto at = [&](int k) { return SPointF{circle_.centerX + re[k] * circle_.radiusX, circle_.centerY - im[k] * circle_.radiusY}; };
  // Across the way the line goes, as a rectangular plot keeps each column's lowest and
  // highest point: the two extremes in index order, then the last point, each once (the
  // opening point went out when the window opened).
  const SPointF last = at(w.last);
  const bool across = std::fabs(last.x - w.ax) >= std::fabs(last.y - w.ay);
  int a = across ? w.top : w.left, b = across ? w.bottom : w.right;
  if (b < a) std::swap(a, b);
  int previous = w.open;
  for (int k : {a, b, w.last}) {
    if (k <= previous) continue;
    previous = k;
    Emit(canvas, at(k));
  }
}

namespace {

// The extremes of a thinning window, in plane values: real part left and right, imaginary
// part down and up, with the index of the first point at each.
struct SExtremes {
  double reLo, reHi, imLo, imHi;
  int iReLo, iReHi, iImLo, iImHi;
};

// From point `from` on, the points within (wx, wy) of (re0, im0): widens e over them and
// returns the index of the first point outside (or of a null point, or n). No calls inside,
// so everything stays in registers: this runs once per point.
int ScanWindow(const double* re, const double* im, int from, int n, double re0, double im0, double wx, double wy,
               SExtremes& e) {
  double reLo = e.reLo, reHi = e.reHi, imLo = e.imLo, imHi = e.imHi;
  int iReLo = e.iReLo, iReHi = e.iReHi, iImLo = e.iImLo, iImHi = e.iImHi;
  int i = from;
  for (; i < n; ++i) {
    const double u = re[i], v = im[i];
    // False for NaN as well: a null point ends the window.
    if (!(std::fabs(u - re0) < wx && std::fabs(v - im0) < wy)) break;
    iReLo = u < reLo ? i : iReLo;
    reLo = u < reLo ? u : reLo;
    iReHi = u > reHi ? i : iReHi;
    reHi = u > reHi ? u : reHi;
    iImLo = v < imLo ? i : iImLo;
    imLo = v < imLo ? v : imLo;
    iImHi = v > imHi ? i : iImHi;
    imHi = v > imHi ? v : imHi;
  }
  e = {reLo, reHi, imLo, imHi, iReLo, iReHi, iImLo, iImHi};
  return i;
}

}  // namespace

void TQuorCircleSeries::Draw(ICanvas& canvas) {
  if (!CanDraw()) return;
  CalcCircleRect();
  if (points_.empty()) points_.resize(kChunk);
  canvas.SetPen(Pen());
  const double* re = XValues();
  const double* im = YValues();
  used_ = 0;
  if (circle_.radiusX <= 0 || circle_.radiusY <= 0) return;
  // A dense sweep stays for many points inside a few pixels (and noise scribbles there). Each
  // such window, from the point that opened it, passes on only its two extreme points across
  // the way the line goes and its last one, in the order they came: the line covers the
  // window's band as the whole scribble does, like the per-column thinning of rectangular
  // plots.
  constexpr double kWindow = 3.0;  // pixels
  const double wx = kWindow / circle_.radiusX, wy = kWindow / circle_.radiusY;
  const int n = Count();
  for (int i = 0; i < n;) {
    if (!std::isfinite(re[i]) || !std::isfinite(im[i])) {
      Flush(canvas);
      ++i;
      continue;
    }
    Emit(canvas, Pixel(re[i], im[i]));
    SExtremes e{re[i], re[i], im[i], im[i], i, i, i, i};
    const int end = ScanWindow(re, im, i + 1, n, re[i], im[i], wx, wy, e);
    if (end - 1 > i) {
      CloseWindow(canvas, {Pixel(re[i], im[i]).x, Pixel(re[i], im[i]).y, i, e.iReLo, e.iReHi, e.iImHi, e.iImLo, end - 1});
    }
    i = end;
  }
  Flush(canvas);
}

// ---------------------------------------------------------------------------------------
// Smith chart

namespace {

// The 1-2-5 value one step below v, itself such a value.
double NiceBelow(double v) {
  const double e = std::pow(10.0, std::floor(std::log10(v) + 1e-9));
  const double m = std::round(v / e);
  return m >= 5 ? 2 * e : m >= 2 ? e : 0.5 * e;
}

// Degrees of p seen from c, counter-clockwise on the screen.
double AngleOf(double cx, double cy, double px, double py) {
  return std::atan2(cy - py, px - cx) * 180.0 / std::numbers::pi;
}

// Places a label just inside a circle at a point of it, away from the centre's direction.
STextFormat InsideFormat(double dx, double dy) {
  STextFormat f;
  f.h = dx > 0.35 ? haRight : dx < -0.35 ? haLeft : haCenter;
  f.v = dy > 0.35 ? vaBottom : dy < -0.35 ? vaTop : vaCenter;
  return f;
}

}  // namespace

double TQuorSmithSeries::NiceValue(double v) {
  if (!(v > 0) || !std::isfinite(v)) return 0;
  const double e = std::pow(10.0, round_to(std::log10(v), 0, 1));
  const double m = std::max(round_to(v / e, 0), 1.0);  // 0.15 / 0.1 is 1.4999999999999998
  return m >= 5 ? 5 * e : m >= 2 ? 2 * e : e;
}

void TQuorSmithSeries::ZToPoint(double a, double b, double& x, double& y) {
  const double h = b / 2;
  const double d = std::sqrt(a * a + h * h);
  const double p = (d * d + a * a - h * h) / (2 * d);
  const double q = std::sqrt(std::fabs(a * a - p * p));
  const double k = d / (d - p);
  const double u = h - h / k;
  const double w = a / k;
  x = u - (q / p) * (w - a);
  y = (q / p) * u + w;
}

void TQuorSmithSeries::LineCross(double a, double b, double& out, bool tangentCircle) {
  if (!tangentCircle)
    out = b * b > a * a ? std::sqrt(b * b - a * a) + b : a;
  else
    out = 2 * a * b > a * a ? std::sqrt(2 * a * b - a * a) : a;
}

double TQuorSmithSeries::EndX() const { return admittance_ ? PixelX(-1) : PixelX(1); }

void TQuorSmithSeries::DrawRGrid(ICanvas& canvas) {
  const SCircleRect& c = CircleRect();
  const double D = c.diameterX;
  rValues_.clear();
  canvas.SetPen(GetRPen());
  canvas.SetBrush({clNone, bsClear});
  // Each circle as large as it may be while staying about 50 pixels inside the one before.
  double d = 50.0;
  while (D - d > 50 && static_cast<int>(rValues_.size()) < kMaxCircles) {
    const double v = D / d - 1;
    double r = NiceValue(v);
    if (r > v) r = NiceBelow(r);  // rounded up, it would come closer than the step allows
    if (!(r > 0)) break;
    rValues_.push_back(r);
    canvas.EllipseF(CircleOf(-Inward() * r / (r + 1), 0, 1 / (r + 1)));
    d = D / (r + 1) + 47.5;
  }
  canvas.SetPen(GetImPen());
  canvas.Line(PixelX(-1), PixelY(0), PixelX(1), PixelY(0));
  if (!UseLabelFont(canvas)) return;
  // Along the diameter at each circle's far side, reading upwards.
  for (double r : rValues_) {
    const double x = PixelX(-Inward() * (r - 1) / (r + 1));
    canvas.TextOutEx(x, PixelY(0) - kLabelGap, Label(r), {haLeft, vaCenter, 90});
  }
}

void TQuorSmithSeries::DrawImGrid(ICanvas& canvas) {
  const SCircleRect& c = CircleRect();
  const double D = c.diameterX, R = c.radiusX;
  const double endX = EndX(), endY = PixelY(0), in = Inward();
  xValues_ = rValues_;
  if (xValues_.empty()) xValues_.push_back(1);  // a chart too small for circles keeps the unit arcs
  // The crossing of arc x with the circle of diameter b, as pixels of the upper half.
  auto crossing = [&](double x, double b) {
    double left = 0, up = 0;
    if (x > 0) {
      ZToPoint(R / x, b, left, up);
      up *= static_cast<double>(c.radiusY) / c.radiusX;  // a zoomed rectangle may be a pixel off square
    } else {
      left = b;  // the diameter itself meets the circle at its far side
    }
    return SPointF{endX + in * left, endY - up};
  };
  canvas.SetPen(GetImPen());
  canvas.SetBrush({clNone, bsClear});
  const bool labels = UseLabelFont(canvas);
  for (std::size_t j = 0; j < xValues_.size(); ++j) {
    const double x = xValues_[j];
    const double neighbour = j + 1 < xValues_.size() ? xValues_[j + 1] : 0.0;
    const SPointF rim = crossing(x, D);
    // Inward along the arc: the smallest circle where the neighbour is still far enough.
    SPointF end{endX, endY};
    for (double r : rValues_) {
      const double b = D / (r + 1);
      const SPointF p = crossing(x, b), q = crossing(neighbour, b);
      if (std::hypot(p.x - q.x, p.y - q.y) >= kMinArcGap || r == rValues_.back()) {
        end = p;
        break;
      }
    }
    const double arcX = endX, arcY = PixelY(1 / x);  // centre of the upper arc
    const double a0 = AngleOf(arcX, arcY, end.x, end.y);
    double sweep = AngleOf(arcX, arcY, rim.x, rim.y) - a0;
    while (sweep > 180) sweep -= 360;
    while (sweep <= -180) sweep += 360;
    const double rho = 1 / x;
    for (int side : {1, -1}) {
      // The lower arc mirrors the upper one in the diameter.
      const SRectF box = CircleOf(admittance_ ? -1 : 1, side * rho, rho);
      canvas.ArcF(box, side * a0, side * sweep);
      if (!labels) continue;
      const double lx = rim.x, ly = side > 0 ? rim.y : 2 * endY - rim.y;
      const double dx = (lx - c.centerX) / R, dy = (ly - c.centerY) / R;
      // The admittance chart's upper half holds negative susceptance.
      const double shown = (side > 0) != admittance_ ? x : -x;
      const std::wstring text = (shown < 0 ? L"-j" : L"j") + Label(std::fabs(shown));
      canvas.TextOutEx(lx - dx * kLabelGap, ly - dy * kLabelGap, text, InsideFormat(dx, dy));
    }
  }
}
