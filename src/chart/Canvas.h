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

// A rectangle in fractional pixels, for shapes that must not snap to whole pixels (the
// circles of a Smith chart land anywhere between them).
struct SRectF {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
};

struct SSize {
  int cx = 0;
  int cy = 0;
};

// Stored in layouts as numbers: new styles go at the end.
enum EPenStyle : int { psSolid, psDash, psDot, psClear, psDashDot };
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

// Where a text lies against the point it is drawn at, before it is turned: haLeft/vaTop put
// the point at the text's top left corner, haCenter/vaCenter at its middle.
enum EHAlign { haLeft, haCenter, haRight };
enum EVAlign { vaTop, vaCenter, vaBottom };

struct STextFormat {
  EHAlign h = haLeft;
  EVAlign v = vaTop;
  double angle = 0;  // degrees, counter-clockwise, about the point
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
  // The ellipse inscribed in r, outlined with the pen and filled with the brush.
  virtual void EllipseF(const SRectF& r) = 0;
  // Part of the ellipse inscribed in r, with the pen; angles as in Arc.
  virtual void ArcF(const SRectF& r, double startAngle, double sweepAngle) = 0;
  // A closed shape through the points, outlined with the pen and filled with the brush.
  virtual void Polygon(const SPointF* points, int count) = 0;
  // (x, y) is the top left corner of the text.
  virtual void TextOut(double x, double y, const std::wstring& text) = 0;
  // The text placed against (x, y) as the format says, turned about that point.
  virtual void TextOutEx(double x, double y, const std::wstring& text, const STextFormat& format) = 0;
  virtual SSize TextExtent(const std::wstring& text) = 0;
  virtual void DrawImage(const CImage& image, int x, int y) = 0;

  // The clip rectangle is given in the coordinates in force when it is set.
  virtual void SetClipRect(const SRect& r) = 0;
  virtual void ResetClip() = 0;

  // Keeps the clip and the coordinate transform until the matching Restore; pen, brush and
  // font stay as last set. Saves nest.
  virtual void Save() = 0;
  virtual void Restore() = 0;
  // Moves, then turns (degrees, counter-clockwise) the coordinates of everything drawn next.
  virtual void Translate(double dx, double dy) = 0;
  virtual void Rotate(double degrees) = 0;
};
