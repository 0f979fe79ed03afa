#pragma once
// A canvas that records every call with the pen, brush, font and clip rectangle in force, so
// a test can check what was drawn, where, in which colour and font size. Coordinates are
// recorded as they land on the surface: through the transform in force (shapes under a
// turned transform keep their size and move with their centre). Text extents are fixed
// (6 pixels a character, 12 high) for the default 8-point font; with textScalesWithFont they
// grow in proportion to the font size in force.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "chart/Canvas.h"
#include "chart/Image.h"

class CRecordingCanvas : public ICanvas {
 public:
  enum EOp { opLine, opPolyline, opRectangle, opFillRect, opEllipse, opArc, opPolygon, opText, opImage };
  struct SOp {
    EOp op;
    SPen pen;
    SBrush brush;
    bool clipped;
    SRect clip;
    SRect rect;                   // shapes, images (left/top only)
    SRectF rectF;                 // every shape, fractional
    std::vector<SPointF> points;  // lines, polylines, polygons, text position
    std::wstring text;
    SFont font;
    double start = 0, sweep = 0;  // arcs
    STextFormat format;           // texts; the angle includes the transform's turn
  };

  std::vector<SOp> ops;
  int depth = 0;  // Saves not yet restored
  bool textScalesWithFont = false;

  void SetPen(const SPen& pen) override { pen_ = pen; }
  void SetBrush(const SBrush& brush) override { brush_ = brush; }
  void SetFont(const SFont& font) override { font_ = font; }
  void SetAntiAlias(bool) override {}
  void MoveTo(double x, double y) override { at_ = {x, y}; }
  void LineTo(double x, double y) override {
    Add(opLine).points = {Map(at_), Map({x, y})};
    at_ = {x, y};
  }
  void Polyline(const SPointF* p, int n) override { AddPoints(opPolyline, p, n); }
  void Polygon(const SPointF* p, int n) override { AddPoints(opPolygon, p, n); }
  void Rectangle(const SRect& r) override { AddShape(opRectangle, r); }
  void FillRect(const SRect& r) override { AddShape(opFillRect, r); }
  void Ellipse(const SRect& r) override { AddShape(opEllipse, r); }
  void Arc(const SRect& r, double start, double sweep) override { AddArc(Float(r), start, sweep); }
  void EllipseF(const SRectF& r) override { AddShape(opEllipse, r); }
  void ArcF(const SRectF& r, double start, double sweep) override { AddArc(r, start, sweep); }
  void TextOut(double x, double y, const std::wstring& text) override { TextOutEx(x, y, text, {}); }
  void TextOutEx(double x, double y, const std::wstring& text, const STextFormat& format) override {
    SOp& op = Add(opText);
    op.points = {Map({x, y})};
    op.text = text;
    op.format = format;
    op.format.angle += t_.angle;
  }
  SSize TextExtent(const std::wstring& text) override {
    const int points = textScalesWithFont ? font_.size : 8;
    return {int(text.size()) * 6 * points / 8, 12 * points / 8};
  }
  void DrawImage(const CImage& image, int x, int y) override {
    AddShape(opImage, SRect{x, y, x + image.Width(), y + image.Height()});
  }
  void SetClipRect(const SRect& r) override {
    const SRectF f = MapRect(Float(r));
    clipped_ = true;
    clip_ = {int(std::lround(f.left)), int(std::lround(f.top)), int(std::lround(f.right)), int(std::lround(f.bottom))};
  }
  void ResetClip() override { clipped_ = false; }
  void Save() override {
    saved_.push_back({t_, clipped_, clip_});
    ++depth;
  }
  void Restore() override {
    if (saved_.empty()) return;
    t_ = saved_.back().t;
    clipped_ = saved_.back().clipped;
    clip_ = saved_.back().clip;
    saved_.pop_back();
    --depth;
  }
  void Translate(double dx, double dy) override {
    const SPointF o = Map({dx, dy});
    t_.dx = o.x;
    t_.dy = o.y;
  }
  void Rotate(double degrees) override { t_.angle += degrees; }

  int Count(EOp op) const {
    int n = 0;
    for (const SOp& o : ops) n += o.op == op;
    return n;
  }

 private:
  struct STransform {
    double dx = 0, dy = 0, angle = 0;
  };
  struct SState {
    STransform t;
    bool clipped;
    SRect clip;
  };

  static SRectF Float(const SRect& r) { return {double(r.left), double(r.top), double(r.right), double(r.bottom)}; }
  // Counter-clockwise on the screen, whose y grows downwards.
  SPointF Map(SPointF p) const {
    const double a = t_.angle * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    return {t_.dx + p.x * c + p.y * s, t_.dy - p.x * s + p.y * c};
  }
  SRectF MapRect(const SRectF& r) const {
    const SPointF c = Map({0.5 * (r.left + r.right), 0.5 * (r.top + r.bottom)});
    return {c.x - 0.5 * r.Width(), c.y - 0.5 * r.Height(), c.x + 0.5 * r.Width(), c.y + 0.5 * r.Height()};
  }
  SOp& Add(EOp op) {
    SOp& o = ops.emplace_back();
    o.op = op;
    o.pen = pen_;
    o.brush = brush_;
    o.clipped = clipped_;
    o.clip = clip_;
    o.font = font_;
    return o;
  }
  void AddPoints(EOp op, const SPointF* p, int n) {
    SOp& o = Add(op);
    for (int i = 0; i < n; ++i) o.points.push_back(Map(p[i]));
  }
  void AddShape(EOp op, const SRectF& r) {
    SOp& o = Add(op);
    o.rectF = MapRect(r);
    o.rect = {int(std::lround(o.rectF.left)), int(std::lround(o.rectF.top)), int(std::lround(o.rectF.right)),
              int(std::lround(o.rectF.bottom))};
  }
  void AddShape(EOp op, const SRect& r) { AddShape(op, Float(r)); }
  void AddArc(const SRectF& r, double start, double sweep) {
    AddShape(opArc, r);
    ops.back().start = start + t_.angle;
    ops.back().sweep = sweep;
  }

  SPen pen_;
  SBrush brush_;
  SFont font_;
  bool clipped_ = false;
  SRect clip_;
  SPointF at_;
  STransform t_;
  std::vector<SState> saved_;
};
