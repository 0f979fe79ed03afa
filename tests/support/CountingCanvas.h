#pragma once
// A measuring canvas: draws nothing, counts what it is given. Benchmarks and tests use it
// to see how much work a drawing hands to the surface (points per pen colour above all).
#include <utility>
#include <vector>

#include "chart/Canvas.h"

class CCountingCanvas : public ICanvas {
 public:
  void SetPen(const SPen& pen) override { pen_ = pen; }
  void SetBrush(const SBrush&) override {}
  void SetFont(const SFont&) override {}
  void SetAntiAlias(bool) override {}
  void MoveTo(double, double) override {}
  void LineTo(double, double) override { ++lines; }
  void Polyline(const SPointF*, int count) override {
    ++polylines;
    if (count > 0) PointsOf(pen_.color) += count;
  }
  void Rectangle(const SRect&) override { ++shapes; }
  void FillRect(const SRect&) override { ++shapes; }
  void Ellipse(const SRect&) override { ++shapes; }
  void Arc(const SRect&, double, double) override { ++shapes; }
  void EllipseF(const SRectF&) override { ++shapes; }
  void ArcF(const SRectF&, double, double) override { ++shapes; }
  void Polygon(const SPointF*, int) override { ++shapes; }
  void TextOut(double, double, const std::wstring&) override { ++texts; }
  void TextOutEx(double, double, const std::wstring&, const STextFormat&) override { ++texts; }
  SSize TextExtent(const std::wstring& text) override { return {int(text.size()) * 6, 12}; }
  void DrawImage(const CImage&, int, int) override { ++shapes; }
  void SetClipRect(const SRect&) override {}
  void ResetClip() override {}
  void Save() override {}
  void Restore() override {}
  void Translate(double, double) override {}
  void Rotate(double) override {}

  // Polyline points drawn with a pen of this colour since the last Reset.
  long Points(TColor color) const {
    for (const auto& [c, n] : points_)
      if (c == color) return n;
    return 0;
  }
  // Keeps the colour slots, so counting again allocates nothing.
  void Reset() {
    for (auto& entry : points_) entry.second = 0;
    lines = polylines = shapes = texts = 0;
  }

  long lines = 0;
  long polylines = 0;
  long shapes = 0;
  long texts = 0;

 private:
  long& PointsOf(TColor color) {
    for (auto& [c, n] : points_)
      if (c == color) return n;
    points_.emplace_back(color, 0);
    return points_.back().second;
  }

  SPen pen_;
  std::vector<std::pair<TColor, long>> points_;
};
