#pragma once
// A canvas that records every call with the pen, brush, font and clip rectangle in force, so
// a test can check what was drawn, where, in which colour and font size. Text extents are
// fixed (6 pixels a character, 12 high) for the default 8-point font; with
// textScalesWithFont they grow in proportion to the font size in force.
#include <string>
#include <vector>

#include "chart/Canvas.h"
#include "chart/Image.h"

class CRecordingCanvas : public ICanvas {
 public:
  enum EOp { opLine, opPolyline, opRectangle, opFillRect, opEllipse, opArc, opText, opImage };
  struct SOp {
    EOp op;
    SPen pen;
    SBrush brush;
    bool clipped;
    SRect clip;
    SRect rect;                   // shapes, images (left/top only)
    std::vector<SPointF> points;  // lines, polylines, text position
    std::wstring text;
    SFont font;
  };

  std::vector<SOp> ops;
  bool antiAlias = false;
  bool textScalesWithFont = false;

  void SetPen(const SPen& pen) override { pen_ = pen; }
  void SetBrush(const SBrush& brush) override { brush_ = brush; }
  void SetFont(const SFont& font) override { font_ = font; }
  void SetAntiAlias(bool on) override { antiAlias = on; }
  void MoveTo(double x, double y) override { at_ = {x, y}; }
  void LineTo(double x, double y) override {
    Add(opLine).points = {at_, {x, y}};
    at_ = {x, y};
  }
  void Polyline(const SPointF* p, int n) override { Add(opPolyline).points.assign(p, p + n); }
  void Rectangle(const SRect& r) override { Add(opRectangle).rect = r; }
  void FillRect(const SRect& r) override { Add(opFillRect).rect = r; }
  void Ellipse(const SRect& r) override { Add(opEllipse).rect = r; }
  void Arc(const SRect& r, double, double) override { Add(opArc).rect = r; }
  void TextOut(double x, double y, const std::wstring& text) override {
    SOp& op = Add(opText);
    op.points = {{x, y}};
    op.text = text;
  }
  SSize TextExtent(const std::wstring& text) override {
    const int points = textScalesWithFont ? font_.size : 8;
    return {int(text.size()) * 6 * points / 8, 12 * points / 8};
  }
  void DrawImage(const CImage& image, int x, int y) override {
    Add(opImage).rect = {x, y, x + image.Width(), y + image.Height()};
  }
  void SetClipRect(const SRect& r) override {
    clipped_ = true;
    clip_ = r;
  }
  void ResetClip() override { clipped_ = false; }

  int Count(EOp op) const {
    int n = 0;
    for (const SOp& o : ops) n += o.op == op;
    return n;
  }

 private:
  SOp& Add(EOp op) {
    ops.push_back({op, pen_, brush_, clipped_, clip_, {}, {}, {}, font_});
    return ops.back();
  }

  SPen pen_;
  SBrush brush_;
  SFont font_;
  bool clipped_ = false;
  SRect clip_;
  SPointF at_;
};
