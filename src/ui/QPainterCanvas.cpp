#include "ui/QPainterCanvas.h"

#include <algorithm>
#include <cmath>

#include <QColor>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include "chart/Image.h"
#include "common/Assert.h"

namespace {

Qt::PenStyle ToQtPenStyle(EPenStyle style) {
  switch (style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psClear: return Qt::NoPen;
    case psSolid: break;
  }
  return Qt::SolidLine;
}

bool Finite(const SPointF& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

QColor ToQColor(TColor color) {
  if (color == clNone) return {};
  const TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QPainterCanvas::QPainterCanvas(QPaintDevice& device) : own_(std::make_unique<QPainter>()) {
  painter_ = own_.get();
  active_ = PV_ASSERT_MSG(own_->begin(&device), "QPainter cannot paint on the device");
  Init();
}

QPainterCanvas::QPainterCanvas(QPainter& painter) : painter_(&painter) {
  active_ = PV_ASSERT(painter.isActive());
  if (active_) painter_->save();
  Init();
}

QPainterCanvas::~QPainterCanvas() {
  if (!active_) return;
  if (own_)
    own_->end();
  else
    painter_->restore();
}

bool QPainterCanvas::IsActive() const { return active_; }

void QPainterCanvas::Init() {
  SetPen(SPen{});
  SetBrush(SBrush{});
  SetFont(SFont{});
  if (!active_) return;
  // Vector devices keep a polyline as one path; only the raster engine needs help with it.
  raster_ = painter_->paintEngine() != nullptr && painter_->paintEngine()->type() == QPaintEngine::Raster;
  QPaintDevice* device = painter_->device();
  if (raster_ && device != nullptr && device->devType() == QInternal::Image) {
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
        format == QImage::Format_ARGB32_Premultiplied) {
      // The painter detached the image when it began, so this is the buffer it paints.
      bits_ = reinterpret_cast<quint32*>(image->bits());
      stride_ = image->bytesPerLine() / static_cast<qsizetype>(sizeof(quint32));
      imageRect_ = image->rect();
    }
  }
  clip_ = imageRect_;
  clipKnown_ = !painter_->hasClipping();
  painter_->setBackgroundMode(Qt::TransparentMode);
  SetAntiAlias(false);
}

void QPainterCanvas::SetPen(const SPen& pen) {
  hasPen_ = pen.color != clNone && pen.style != psClear;
  penWidth_ = std::max(pen.width, 1);
  if (hasPen_) {
    // Square caps let the raster engine take its fast line path for wide pens; miter joins
    // keep rectangle corners square.
    const QColor color = ToQColor(pen.color);
    pen_ = QPen(QBrush(color), penWidth_, ToQtPenStyle(pen.style), Qt::SquareCap, Qt::MiterJoin);
    penPixel_ = color.rgb();  // 0xFFRRGGBB: opaque, the same in all three 32-bit formats
  }
  inUse_ = EPenInUse::none;
}

void QPainterCanvas::SetBrush(const SBrush& brush) {
  hasBrush_ = brush.color != clNone && brush.style != bsClear;
  brush_ = hasBrush_ ? QBrush(ToQColor(brush.color)) : QBrush(Qt::NoBrush);
}

void QPainterCanvas::SetFont(const SFont& font) {
  font_ = QFont(QString::fromStdWString(font.name));
  font_.setPointSizeF(font.size > 0 ? font.size : 8);
  font_.setBold(font.bold);
  hasText_ = font.color != clNone;
  if (hasText_) textPen_ = QPen(ToQColor(font.color));
  ascent_ = -1;
  lineHeight_ = -1;
  if (active_) painter_->setFont(font_);
  if (inUse_ == EPenInUse::text) inUse_ = EPenInUse::none;
}

void QPainterCanvas::SetAntiAlias(bool on) {
  antiAlias_ = on;
  if (active_) painter_->setRenderHint(QPainter::Antialiasing, on);
}

void QPainterCanvas::UseLinePen() {
  if (inUse_ == EPenInUse::line) return;
  painter_->setPen(pen_);
  inUse_ = EPenInUse::line;
}

void QPainterCanvas::UseTextPen() {
  if (inUse_ == EPenInUse::text) return;
  painter_->setPen(textPen_);
  inUse_ = EPenInUse::text;
}

bool QPainterCanvas::UseShapeTools(bool filled) {
  if (!active_ || (!hasPen_ && !(filled && hasBrush_))) return false;
  if (hasPen_) {
    UseLinePen();
  } else {
    painter_->setPen(Qt::NoPen);
    inUse_ = EPenInUse::none;
  }
  painter_->setBrush(filled ? brush_ : QBrush(Qt::NoBrush));
  return true;
}

double QPainterCanvas::DeviceWidth() const {
  const QTransform& t = painter_->deviceTransform();
  return penWidth_ * std::sqrt(std::fabs(t.determinant()));
}

QRectF QPainterCanvas::OutlineRect(const SRect& r) const {
  // Aliased, Qt outlines the pixels from left to left + width inclusive; smoothed, a line on a
  // pixel's centre stays sharp.
  const double shift = antiAlias_ ? 0.5 : 0.0;
  return QRectF(r.left + shift, r.top + shift, std::max(r.Width() - 1, 0), std::max(r.Height() - 1, 0));
}

void QPainterCanvas::MoveTo(double x, double y) { position_ = QPointF(x, y); }

void QPainterCanvas::LineTo(double x, double y) {
  const QPointF to(x, y);
  if (active_ && hasPen_) {
    UseLinePen();
    painter_->drawLine(position_, to);
  }
  position_ = to;
}

void QPainterCanvas::Line(double x1, double y1, double x2, double y2) {
  MoveTo(x1, y1);
  LineTo(x2, y2);
}

void QPainterCanvas::Polyline(const SPointF* points, int count) {
  if (!active_ || !hasPen_ || count <= 0) return;
  if (!PV_ASSERT(points != nullptr)) return;
  const bool direct = SpanWritable();
  if (!direct) UseLinePen();
  const bool segments = raster_ && DeviceWidth() > 1.0;
  // Points that are not numbers break the line, as a gap.
  int start = 0;
  for (int i = 0; i <= count; ++i) {
    if (i < count && Finite(points[i])) continue;
    if (i > start) {
      if (direct)
        SpanRun(points + start, i - start);
      else
        DrawRun(points + start, i - start, segments);
    }
    start = i + 1;
  }
  if (pen_.style() != Qt::SolidLine && pen_.dashOffset() != 0) {
    pen_.setDashOffset(0);
    inUse_ = EPenInUse::none;
  }
}

void QPainterCanvas::DrawRun(const SPointF* points, int count, bool segments) {
  if (count == 1) {
    painter_->drawPoint(QPointF(points[0].x, points[0].y));
    return;
  }
  if (!raster_) {
    // A vector file keeps the run as one path element; nothing here runs per frame.
    QPainterPath path(QPointF(points[0].x, points[0].y));
    path.reserve(count);
    for (int k = 1; k < count; ++k) path.lineTo(points[k].x, points[k].y);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPath(path);
    return;
  }
  const bool dashed = pen_.style() != Qt::SolidLine;
  int i = 0;  // first point of the chunk
  while (i < count - 1) {
    int n = 0;
    double length = 0;
    if (segments) {
      n = std::min(kChunk, count - 1 - i);
      for (int k = 0; k < n; ++k) {
        segments_[k] = QLineF(points[i + k].x, points[i + k].y, points[i + k + 1].x, points[i + k + 1].y);
        if (dashed) length += segments_[k].length();
      }
      painter_->drawLines(segments_.data(), n);
    } else {
      // Chunks share their end points, so the line stays joined.
      const int m = std::min(kChunk, count - i);
      for (int k = 0; k < m; ++k) points_[k] = QPointF(points[i + k].x, points[i + k].y);
      if (dashed)
        for (int k = 1; k < m; ++k) length += QLineF(points_[k - 1], points_[k]).length();
      painter_->drawPolyline(points_.data(), m);
      n = m - 1;
    }
    i += n;
    if (dashed && i < count - 1) {
      // The next chunk goes on with the dash pattern where this one stopped.
      pen_.setDashOffset(pen_.dashOffset() + length / penWidth_);
      painter_->setPen(pen_);
    }
  }
}

bool QPainterCanvas::SpanWritable() {
  if (bits_ == nullptr || !clipKnown_ || antiAlias_ || pen_.style() != Qt::SolidLine) return false;
  if (painter_->compositionMode() != QPainter::CompositionMode_SourceOver || painter_->opacity() < 1.0) return false;
  // Plain images and high-DPI frames (scaled by the device pixel ratio).
  const QTransform& t = painter_->deviceTransform();
  if (t.type() > QTransform::TxScale || t.m11() <= 0 || t.m22() <= 0) return false;
  spanWidth_ = static_cast<int>(std::lround(penWidth_ * std::max(t.m11(), t.m22())));
  if (spanWidth_ > kMaxSpanWidth) return false;
  spanWidth_ = std::max(spanWidth_, 1);
  // Points on or past the clip's far edges belong to the pixels inside it.
  constexpr double kInside = 1e-7;
  spanClipLeft_ = clip_.left();
  spanClipTop_ = clip_.top();
  spanClipRight_ = clip_.left() + clip_.width() - kInside;
  spanClipBottom_ = clip_.top() + clip_.height() - kInside;
  spanScaleX_ = t.m11();
  spanScaleY_ = t.m22();
  spanDx_ = t.dx();
  spanDy_ = t.dy();
  return true;
}

// The pixels of a polyline in one column are mostly one unbroken run (a trace visits a column
// once, with its lowest and highest points there), so runs are collected per column and each
// pixel is written once: a noisy trace would otherwise paint its columns three times over.
inline void QPainterCanvas::SpanPut(int column, int from, int to) {
  if (column == span_.column && from <= span_.to + 1 && to >= span_.from - 1) {
    span_.from = std::min(span_.from, from);
    span_.to = std::max(span_.to, to);
    return;
  }
  SpanFlush();
  span_ = {column, from, to};
}

// Writes the collected run with a square pen tip of the pen's width.
inline void QPainterCanvas::SpanFlush() {
  if (span_.to < span_.from) return;
  if (spanWidth_ == 1) {
    // Segments were cut to the clip: a 1-pixel run lies inside it as it is.
    quint32* p = bits_ + static_cast<qsizetype>(span_.from) * stride_ + span_.column;
    for (int y = span_.from; y <= span_.to; ++y, p += stride_) *p = penPixel_;
    span_ = {};
    return;
  }
  const int before = (spanWidth_ - 1) / 2, after = spanWidth_ / 2;
  const int left = std::max(span_.column - before, clip_.left());
  const int right = std::min(span_.column + after, clip_.right());
  const int top = std::max(span_.from - before, clip_.top());
  const int bottom = std::min(span_.to + after, clip_.bottom());
  const quint32 pixel = penPixel_;
  quint32* row = bits_ + static_cast<qsizetype>(top) * stride_;
  if (left == right) {
    for (int y = top; y <= bottom; ++y, row += stride_) row[left] = pixel;
  } else {
    for (int y = top; y <= bottom; ++y, row += stride_)
      for (int x = left; x <= right; ++x) row[x] = pixel;
  }
  span_ = {};
}

// An aliased 1-pixel line (in image pixels) as Qt draws one: the pixel whose square holds a point is the
// point's pixel; one pixel per column of a flat line, per row of a steep one.
void QPainterCanvas::SpanSegment(double x0, double y0, double x1, double y1) {
  const double left = spanClipLeft_, top = spanClipTop_, right = spanClipRight_, bottom = spanClipBottom_;
  double ax = x0, ay = y0, bx = x1, by = y1;
  if (!(x0 >= left && x0 <= right && y0 >= top && y0 <= bottom && x1 >= left && x1 <= right && y1 >= top &&
        y1 <= bottom)) {
    // Cut the segment to the clip (Liang-Barsky); what is left maps to pixels inside it.
    if (!(left <= right && top <= bottom)) return;
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0, t1 = 1;
    auto keep = [&t0, &t1](double p, double q) {
      if (p == 0) return q >= 0;
      const double r = q / p;
      if (p < 0) {
        if (r > t1) return false;
        t0 = std::max(t0, r);
      } else {
        if (r < t0) return false;
        t1 = std::min(t1, r);
      }
      return true;
    };
    if (!keep(-dx, x0 - left) || !keep(dx, right - x0) || !keep(-dy, y0 - top) || !keep(dy, bottom - y0)) return;
    ax = std::clamp(x0 + t0 * dx, left, right);
    ay = std::clamp(y0 + t0 * dy, top, bottom);
    bx = std::clamp(x0 + t1 * dx, left, right);
    by = std::clamp(y0 + t1 * dy, top, bottom);
  }

  // Inside the clip coordinates are never negative: truncation is the floor.
  const int ca = static_cast<int>(ax), cb = static_cast<int>(bx);
  const int ra = static_cast<int>(ay), rb = static_cast<int>(by);
  if (ca == cb) {  // within one column: the common case of a dense trace
    SpanPut(ca, std::min(ra, rb), std::max(ra, rb));
    return;
  }
  const double xlo = std::min(ax, bx), xhi = std::max(ax, bx);
  const double ylo = std::min(ay, by), yhi = std::max(ay, by);
  if (std::fabs(bx - ax) >= std::fabs(by - ay)) {
    const double slope = (by - ay) / (bx - ax);
    const int step = cb > ca ? 1 : -1;
    for (int c = ca;; c += step) {
      const double cx = std::clamp(c + 0.5, xlo, xhi);
      const int r = static_cast<int>(std::clamp(ay + (cx - ax) * slope, ylo, yhi));
      SpanPut(c, r, r);
      if (c == cb) break;
    }
  } else {
    // Steep: the rows of each column at once. Row r belongs to the column its centre's x falls
    // in; the column changes where the line crosses a pixel edge.
    double sx = ax, sy = ay, ex = bx, ey = by;
    if (sy > ey) {
      std::swap(sx, ex);
      std::swap(sy, ey);
    }
    const double slope = (ex - sx) / (ey - sy);  // never 0: the line spans two columns
    const int first = static_cast<int>(sx), last = static_cast<int>(ex);
    const int step = last > first ? 1 : -1;
    const int lastRow = static_cast<int>(ey);
    int row = static_cast<int>(sy);
    for (int c = first; c != last; c += step) {
      const double edgeY = sy + ((step > 0 ? c + 1 : c) - sx) / slope;
      const double next = step > 0 ? std::ceil(edgeY - 0.5) : std::floor(edgeY - 0.5) + 1;
      const int end = std::clamp(static_cast<int>(std::min<double>(next, lastRow + 1)) - 1, row, lastRow);
      SpanPut(c, row, end);
      row = std::min(end + 1, lastRow);
    }
    SpanPut(last, row, lastRow);
  }
}


void QPainterCanvas::SpanRun(const SPointF* points, int count) {
  const double sx = spanScaleX_, sy = spanScaleY_, dx = spanDx_, dy = spanDy_;
  double x0 = points[0].x * sx + dx, y0 = points[0].y * sy + dy;
  if (count == 1) SpanSegment(x0, y0, x0, y0);
  for (int i = 1; i < count; ++i) {
    const double x1 = points[i].x * sx + dx, y1 = points[i].y * sy + dy;
    SpanSegment(x0, y0, x1, y1);
    x0 = x1;
    y0 = y1;
  }
  SpanFlush();
}

void QPainterCanvas::Rectangle(const SRect& r) {
  if (!UseShapeTools(true)) return;
  if (hasPen_)
    painter_->drawRect(OutlineRect(r));
  else
    painter_->fillRect(QRect(r.left, r.top, r.Width(), r.Height()), brush_);
}

void QPainterCanvas::FillRect(const SRect& r) {
  if (!active_ || !hasBrush_ || r.Width() <= 0 || r.Height() <= 0) return;
  painter_->fillRect(QRect(r.left, r.top, r.Width(), r.Height()), brush_);
}

void QPainterCanvas::Ellipse(const SRect& r) {
  if (!UseShapeTools(true)) return;
  painter_->drawEllipse(hasPen_ ? OutlineRect(r) : QRectF(r.left, r.top, r.Width(), r.Height()));
}

void QPainterCanvas::Arc(const SRect& r, double startAngle, double sweepAngle) {
  if (!hasPen_ || !UseShapeTools(false)) return;
  // Qt counts sixteenths of a degree, counter-clockwise from three o'clock, as we do.
  painter_->drawArc(OutlineRect(r), static_cast<int>(std::lround(startAngle * 16)),
                    static_cast<int>(std::lround(sweepAngle * 16)));
}

QRectF QPainterCanvas::OutlineRect(const SRectF& r) const {
  const double w = std::max(r.Width(), 0.0), h = std::max(r.Height(), 0.0);
  if (antiAlias_ || !raster_) return QRectF(r.left, r.top, w, h);
  // Rounded as the integer rectangles are, so the circles of a grid meet their lines.
  const double left = std::round(r.left), top = std::round(r.top);
  return QRectF(left, top, std::max(std::round(r.right) - left - 1, 0.0), std::max(std::round(r.bottom) - top - 1, 0.0));
}

void QPainterCanvas::EllipseF(const SRectF& r) {
  if (!UseShapeTools(true)) return;
  if (!hasBrush_ && SpanArc(r, 0, 360)) return;
  const QRectF rect = OutlineRect(r);
  if (!antiAlias_ && raster_ && rect.width() < 1e5 && rect.height() < 1e5)
    painter_->drawEllipse(rect.toRect());  // Qt's fast path for aliased whole-pixel ellipses
  else
    painter_->drawEllipse(rect);
}

void QPainterCanvas::ArcF(const SRectF& r, double startAngle, double sweepAngle) {
  if (!hasPen_ || !UseShapeTools(false)) return;
  if (SpanArc(r, startAngle, sweepAngle)) return;
  painter_->drawArc(OutlineRect(r), static_cast<int>(std::lround(startAngle * 16)),
                    static_cast<int>(std::lround(sweepAngle * 16)));
}

// An aliased outline as chords, written like a polyline: they stray from the curve by a tenth
// of a pixel at most, and the grid of a Smith chart costs a fraction of what Qt's ellipse and
// arc outlines cost pixel by pixel.
bool QPainterCanvas::SpanArc(const SRectF& r, double startAngle, double sweepAngle) {
  if (!hasPen_ || !SpanWritable()) return false;
  // The outline through the centres of the pixels Qt would draw for the rounded rectangle.
  const double left = std::round(r.left), top = std::round(r.top);
  const double rx = (std::round(r.right) - left - 1) / 2, ry = (std::round(r.bottom) - top - 1) / 2;
  if (!(rx >= 0 && ry >= 0 && rx < 1e5 && ry < 1e5) || !std::isfinite(startAngle) || !std::isfinite(sweepAngle))
    return false;
  const double cx = left + 0.5 + rx, cy = top + 0.5 + ry;
  constexpr double kRadians = 3.14159265358979323846 / 180;
  sweepAngle = std::clamp(sweepAngle, -360.0, 360.0);
  // A chord of length L strays L²/8R from the curve: at most a tenth of a pixel here.
  const double radius = std::max(rx, ry);
  const double chord = std::clamp(std::sqrt(0.8 * radius), 2.0, 12.0);
  const int n = std::clamp(static_cast<int>(std::ceil(std::fabs(sweepAngle) * kRadians * radius / chord)), 8, 1 << 16);
  // Turned step by step: one sine and cosine for the whole outline.
  const double step = sweepAngle * kRadians / n, dc = std::cos(step), ds = std::sin(step);
  double c = std::cos(startAngle * kRadians), s = std::sin(startAngle * kRadians);
  std::array<SPointF, 256> run;
  int used = 0;
  for (int k = 0; k <= n; ++k) {
    run[used++] = {cx + rx * c, cy - ry * s};  // counter-clockwise on the screen
    const double next = c * dc - s * ds;
    s = s * dc + c * ds;
    c = next;
    if (used == static_cast<int>(run.size()) || k == n) {
      SpanRun(run.data(), used);
      run[0] = run[used - 1];
      used = 1;
    }
  }
  return true;
}

void QPainterCanvas::Polygon(const SPointF* points, int count) {
  if (count < 2 || !PV_ASSERT(points != nullptr) || !UseShapeTools(true)) return;
  if (count <= kChunk) {
    for (int k = 0; k < count; ++k) points_[k] = QPointF(points[k].x, points[k].y);
    painter_->drawPolygon(points_.data(), count);
    return;
  }
  QPolygonF polygon;
  polygon.reserve(count);
  for (int k = 0; k < count; ++k) polygon.append(QPointF(points[k].x, points[k].y));
  painter_->drawPolygon(polygon);
}

void QPainterCanvas::TextOutEx(double x, double y, const std::wstring& text, const STextFormat& format) {
  if (!active_ || !hasText_ || text.empty()) return;
  // Only a text placed by its width needs shaping before it is drawn.
  const SSize size = format.h != haLeft ? TextExtent(text) : SSize{0, LineHeight()};
  const double dx = format.h == haCenter ? -0.5 * size.cx : format.h == haRight ? -size.cx : 0.0;
  const double dy = format.v == vaCenter ? -0.5 * size.cy : format.v == vaBottom ? -size.cy : 0.0;
  if (format.angle == 0) {
    TextOut(x + dx, y + dy, text);
    return;
  }
  painter_->save();
  painter_->translate(x, y);
  painter_->rotate(-format.angle);  // Qt turns clockwise on the screen
  TextOut(dx, dy, text);
  painter_->restore();
  inUse_ = EPenInUse::none;
}

void QPainterCanvas::TextOut(double x, double y, const std::wstring& text) {
  if (!active_ || !hasText_ || text.empty()) return;
  if (ascent_ < 0) ascent_ = painter_->fontMetrics().ascent();
  UseTextPen();
  // Qt places text on its base line; the engine gives the top left corner.
  painter_->drawText(QPointF(x, y + ascent_), QString::fromStdWString(text));
}

int QPainterCanvas::LineHeight() {
  if (lineHeight_ < 0) {
    const QFontMetricsF metrics = active_ ? QFontMetricsF(font_, painter_->device()) : QFontMetricsF(font_);
    lineHeight_ = static_cast<int>(std::ceil(metrics.height()));
  }
  return lineHeight_;
}

SSize QPainterCanvas::TextExtent(const std::wstring& text) {
  const QFontMetricsF metrics = active_ ? QFontMetricsF(font_, painter_->device()) : QFontMetricsF(font_);
  const double width = text.empty() ? 0.0 : metrics.horizontalAdvance(QString::fromStdWString(text));
  return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height()))};
}

void QPainterCanvas::DrawImage(const CImage& image, int x, int y) {
  if (!active_ || image.Empty()) return;
  // CImage pixels are R, G, B, A in memory: the byte-ordered RGBA format, wrapped, not copied.
  const QImage view(reinterpret_cast<const uchar*>(image.Data()), image.Width(), image.Height(),
                    image.Width() * static_cast<qsizetype>(sizeof(TRGBA)), QImage::Format_RGBA8888);
  painter_->drawImage(QPoint(x, y), view);
}

void QPainterCanvas::SetClipRect(const SRect& r) {
  if (!active_) return;
  const QRect rect(r.left, r.top, std::max(r.Width(), 0), std::max(r.Height(), 0));
  painter_->setClipRect(rect);
  clip_ = painter_->deviceTransform().mapRect(rect).intersected(imageRect_);
  clipKnown_ = true;
}

void QPainterCanvas::ResetClip() {
  if (!active_) return;
  painter_->setClipping(false);
  clip_ = imageRect_;
  clipKnown_ = true;
}

void QPainterCanvas::Save() {
  if (!active_) return;
  painter_->save();
  saved_.push_back({clip_, clipKnown_});
}

void QPainterCanvas::Restore() {
  if (!active_ || !PV_ASSERT(!saved_.empty())) return;
  painter_->restore();
  clip_ = saved_.back().clip;
  clipKnown_ = saved_.back().clipKnown;
  saved_.pop_back();
  // The painter went back to the tools of the Save; ours stay as last set.
  inUse_ = EPenInUse::none;
  painter_->setFont(font_);
  painter_->setRenderHint(QPainter::Antialiasing, antiAlias_);
}

void QPainterCanvas::Translate(double dx, double dy) {
  if (active_) painter_->translate(dx, dy);
}

void QPainterCanvas::Rotate(double degrees) {
  if (active_) painter_->rotate(-degrees);
}
