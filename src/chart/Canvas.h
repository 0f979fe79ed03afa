#pragma once
// The abstract surface everything on a diagram is drawn on. The engine lays out and paints
// through it; the host supplies a real one (window, image, SVG, PDF), tests a recording one.
// Coordinates are pixels of the surface, fractional where precision matters (series lines).
#include <string>

#include "core/Color.h"

class CImage;

struct SPointF {
  double x = 0;
  double y = 0;
};

// A pixel rectangle; right and bottom are exclusive, as on the platform the layouts come from.
struct SRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(double x, double y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct SSize {
  int cx = 0;
  int cy = 0;
};

enum EPenStyle : int { psSolid, psDash, psDot, psClear };
enum EBrushStyle { bsSolid, bsClear };

struct SPen {
  TColor color = clBlack;
  int width = 1;
  EPenStyle style = psSolid;
};

struct SBrush {
  TColor color = clWhite;
  EBrushStyle style = bsSolid;
};

struct SFont {
  std::wstring name = L"Tahoma";
  int size = 8;  // points
  bool bold = false;
  TColor color = clBlack;
};

class ICanvas {
 public:
  virtual ~ICanvas() = default;

  virtual void SetPen(const SPen& pen) = 0;
  virtual void SetBrush(const SBrush& brush) = 0;
  virtual void SetFont(const SFont& font) = 0;
  virtual void SetAntiAlias(bool on) = 0;

  virtual void MoveTo(double x, double y) = 0;
  virtual void LineTo(double x, double y) = 0;
  virtual void Line(double x1, double y1, double x2, double y2) {
    MoveTo(x1, y1);
    LineTo(x2, y2);
  }
  virtual void Polyline(const SPointF* points, int count) = 0;
  // Outlined with the pen and filled with the brush.
  virtual void Rectangle(const SRect& r) = 0;
  // Filled with the brush, no outline.
  virtual void FillRect(const SRect& r) = 0;
  virtual void Ellipse(const SRect& r) = 0;
  // Angles in degrees, counter-clockwise from three o'clock.
  virtual void Arc(const SRect& r, double startAngle, double sweepAngle) = 0;
  // (x, y) is the top left corner of the text.
  virtual void TextOut(double x, double y, const std::wstring& text) = 0;
  virtual SSize TextExtent(const std::wstring& text) = 0;
  virtual void DrawImage(const CImage& image, int x, int y) = 0;

  virtual void SetClipRect(const SRect& r) = 0;
  virtual void ResetClip() = 0;
};
