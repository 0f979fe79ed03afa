#pragma once
// The colour map of the spectrum views: which part of the level range is spread over the
// palette (low and high, percent of the range), how the transfer curve bends (curve, −100 …
// 100) and which palette paints it. Built once into a table of kColors colours, so a pixel
// costs one multiply and one table read.
//
// How to add a palette:
// 1. Give it the next index in kPalettes of ColorMap.cpp (indices are stored in layouts:
//    never reorder), with its name in TrNoop and its stops from low to high level.
// 2. Run scripts/update-po and translate the name in po/en.po.
// 3. The colour-map dialog lists it from PaletteCount/PaletteName by itself.
#include <string>
#include <vector>

#include "chart/Image.h"
#include "interfaces/DiagramControlInterface.h"

class CColorMap {
 public:
  static constexpr int kColors = 1024;

  CColorMap() { Build(SColorMapSettings{}); }

  // Rebuilds the table; low/high are clamped to 0 … 100 (high never below low), the curve
  // to −100 … 100, an unknown palette becomes the first.
  void Build(const SColorMapSettings& settings);
  const SColorMapSettings& Settings() const { return settings_; }

  // Colour of a fraction of the level range (0 = minimum, 1 = maximum, clamped; NaN is the
  // background).
  TRGBA Color(double fraction) const {
    if (!(fraction == fraction)) return kBackground;
    const double i = fraction * (kColors - 1) + 0.5;
    return table_[i <= 0 ? 0 : i >= kColors - 1 ? kColors - 1 : static_cast<int>(i)];
  }
  const TRGBA* Table() const { return table_.data(); }

  static constexpr TRGBA kBackground = 0xFF000000u;  // opaque black

  static int PaletteCount();
  // Translated name of a palette.
  static std::wstring PaletteName(int index);
  // The palette alone, without range or curve (for swatches): t in 0 … 1.
  static TRGBA PaletteColor(int index, double t);

 private:
  SColorMapSettings settings_;
  std::vector<TRGBA> table_;
};

// The three marks of the colour-map dialog over a slider `width` pixels wide: low, middle
// (the bend of the curve) and high, in pixels from the slider's left edge.
struct SColorMapMarks {
  double low = 0, middle = 0, high = 0;
};
SColorMapMarks ColorMapMarks(const SColorMapSettings& s, double width);
// Drags mark 0 (low), 1 (middle) or 2 (high) to p pixels. Low stops at the high mark and
// high at the low mark; the middle sets the curve: −100 on the low mark, 0 halfway, +100 on
// the high mark.
void DragColorMapMark(SColorMapSettings& s, int mark, double p, double width);

// The transfer curve as a function: y of x on the unit square, by straight lines between the
// points of CalculateCurve. x and y are what CalculateCurve returned.
double CurveValue(const std::vector<double>& x, const std::vector<double>& y, double at);
