#pragma once
// The engine's canvas over a QPainter: windows, QImage frames, SVG (QSvgGenerator) and PDF
// (QPdfWriter) all get the same drawing. Colours follow the engine's convention (red in the
// low byte, system colours resolved, clNone draws nothing); SRect right and bottom are
// exclusive, as the layouts expect.
//
// Polylines are where the time goes (a trace is up to four points per pixel column), so:
// - aliased solid lines up to kMaxSpanWidth image pixels wide on a 32-bit QImage (high-DPI
//   frames included) are written into the image directly, each pixel once, several times
//   faster than Qt's line stroker;
// - wider or smoothed lines on the raster engine are drawn as separate square-capped
//   segments: Qt strokes a wide polyline as one huge path, which costs a quarter of a second
//   and more for a single 6,000-point trace, while segments take its fast line rasterizer;
// - vector devices (SVG, PDF) get every unbroken run as one path, so a trace stays one
//   object a drawing program can pick.
#include <array>
#include <memory>
#include <vector>

#include <QBrush>
#include <QFont>
#include <QLineF>
#include <QPen>
#include <QPointF>
#include <QRect>

#include "chart/Canvas.h"

class QPainter;
class QPaintDevice;
class QColor;
class QRectF;

class QPainterCanvas : public ICanvas {
 public:
  // Paints on the device for the canvas' lifetime (a QPainter of its own).
  explicit QPainterCanvas(QPaintDevice& device);
  // Paints with a painter someone else began; its state is restored when the canvas goes.
  explicit QPainterCanvas(QPainter& painter);
  ~QPainterCanvas() override;
  QPainterCanvas(const QPainterCanvas&) = delete;
  QPainterCanvas& operator=(const QPainterCanvas&) = delete;

  // False when the painter could not begin on the device; then nothing is drawn.
  bool IsActive() const;
  QPainter& Painter() { return *painter_; }

  void SetPen(const SPen& pen) override;
  void SetBrush(const SBrush& brush) override;
  void SetFont(const SFont& font) override;
  void SetAntiAlias(bool on) override;

  void MoveTo(double x, double y) override;
  void LineTo(double x, double y) override;
  void Line(double x1, double y1, double x2, double y2) override;
  void Polyline(const SPointF* points, int count) override;
  void Rectangle(const SRect& r) override;
  void FillRect(const SRect& r) override;
  void Ellipse(const SRect& r) override;
  void Arc(const SRect& r, double startAngle, double sweepAngle) override;
  void EllipseF(const SRectF& r) override;
  void ArcF(const SRectF& r, double startAngle, double sweepAngle) override;
  void Polygon(const SPointF* points, int count) override;
  void TextOut(double x, double y, const std::wstring& text) override;
  void TextOutEx(double x, double y, const std::wstring& text, const STextFormat& format) override;
  SSize TextExtent(const std::wstring& text) override;
  void DrawImage(const CImage& image, int x, int y) override;

  void SetClipRect(const SRect& r) override;
  void ResetClip() override;
  void Save() override;
  void Restore() override;
  void Translate(double dx, double dy) override;
  void Rotate(double degrees) override;

 private:
  enum class EPenInUse { none, line, text };

  void Init();
  void UseLinePen();
  void UseTextPen();
  // Pen and brush of an outlined shape; false when it would draw nothing.
  bool UseShapeTools(bool filled);
  // Width of the pen in pixels of the device (the painter may scale, e.g. on high-DPI frames).
  double DeviceWidth() const;
  // A run of finite points, drawn in chunks that share their end points.
  void DrawRun(const SPointF* points, int count, bool segments);
  // The rectangle a shape's outline follows so that a 1-pixel pen stays inside r.
  QRectF OutlineRect(const SRect& r) const;
  // The same for a fractional rectangle; aliased shapes snap to whole pixels, where Qt draws
  // them fastest and crispest.
  QRectF OutlineRect(const SRectF& r) const;
  // Whether the current pen may be written into the image directly; sets up the span state.
  bool SpanWritable();
  void SpanRun(const SPointF* points, int count);
  // An outline written directly; false when the pen or the device does not allow it.
  bool SpanArc(const SRectF& r, double startAngle, double sweepAngle);
  void SpanSegment(double x0, double y0, double x1, double y1);
  void SpanPut(int column, int from, int to);
  void SpanFlush();

  std::unique_ptr<QPainter> own_;
  QPainter* painter_ = nullptr;
  bool active_ = false;
  bool raster_ = true;
  bool antiAlias_ = false;

  QPen pen_;
  bool hasPen_ = true;
  int penWidth_ = 1;
  QBrush brush_;
  bool hasBrush_ = true;
  QFont font_;
  QPen textPen_;
  bool hasText_ = true;
  double ascent_ = -1;  // of font_, worked out on first use
  int lineHeight_ = -1;  // the same
  int LineHeight();
  EPenInUse inUse_ = EPenInUse::none;
  QPointF position_;

  // The image painted on, when it is one we can write into: 32-bit pixels, rows of stride_.
  quint32* bits_ = nullptr;
  qsizetype stride_ = 0;
  QRect imageRect_;
  QRect clip_;              // in image pixels; the whole image when no clip is set
  bool clipKnown_ = true;   // false when a borrowed painter came with a clip of its own
  quint32 penPixel_ = 0;    // the pen's colour as an opaque premultiplied pixel
  int spanWidth_ = 1;       // the pen's width in image pixels
  double spanClipLeft_ = 0, spanClipTop_ = 0, spanClipRight_ = -1, spanClipBottom_ = -1;  // clip_, for span lines
  double spanScaleX_ = 1, spanScaleY_ = 1, spanDx_ = 0, spanDy_ = 0;  // canvas to image pixels
  struct SSpan {
    int column = 0;
    int from = 0;
    int to = -1;  // empty while to < from
  };
  SSpan span_;  // the run of the current column not yet written

  // Reused from call to call: drawing a trace allocates nothing.
  static constexpr int kChunk = 512;
  static constexpr int kMaxSpanWidth = 4;  // image pixels: 2-pixel pens on high-DPI frames
  std::array<QPointF, kChunk> points_;
  std::array<QLineF, kChunk> segments_;
  struct SSaved {
    QRect clip;
    bool clipKnown;
  };
  std::vector<SSaved> saved_;
};

// The Qt colour of an engine colour (system colours resolved); clNone gives an invalid QColor.
QColor ToQColor(TColor color);
