#include "series/ColorMap.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "common/Text.h"
#include "core/Curves.h"

namespace {

struct SPalette {
  const char* name;
  int stops;
  TColor colors[6];
};

// Index order is stored in layouts.
const SPalette kPalettes[] = {
    {TrNoop("Спектр"), 6,
     {HexColor(0x000030), HexColor(0x0000FF), HexColor(0x00FFFF), HexColor(0x00FF00), HexColor(0xFFFF00),
      HexColor(0xFF0000)}},
    {TrNoop("Пламя"), 5, {HexColor(0x000000), HexColor(0x600000), HexColor(0xFF2000), HexColor(0xFFD000), HexColor(0xFFFFFF)}},
    {TrNoop("Оттенки серого"), 2, {HexColor(0x000000), HexColor(0xFFFFFF)}},
    {TrNoop("Зелёный люминофор"), 3, {HexColor(0x000000), HexColor(0x00C040), HexColor(0xE0FFE0)}},
};

constexpr int kPaletteCount = static_cast<int>(std::size(kPalettes));

std::uint8_t Mix(std::uint8_t a, std::uint8_t b, double t) {
  return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
}

}  // namespace

int CColorMap::PaletteCount() { return kPaletteCount; }

std::wstring CColorMap::PaletteName(int index) {
  return index >= 0 && index < kPaletteCount ? Tr(kPalettes[index].name) : std::wstring();
}

TRGBA CColorMap::PaletteColor(int index, double t) {
  const SPalette& p = kPalettes[index >= 0 && index < kPaletteCount ? index : 0];
  t = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0) * (p.stops - 1);
  const int i = std::min(static_cast<int>(t), p.stops - 2);
  const double f = t - i;
  const TColor a = p.colors[i], b = p.colors[i + 1];
  return ColorToRGBA(RGBColor(Mix(GetRValue(a), GetRValue(b), f), Mix(GetGValue(a), GetGValue(b), f),
                              Mix(GetBValue(a), GetBValue(b), f)));
}

double CurveValue(const std::vector<double>& x, const std::vector<double>& y, double at) {
  if (x.empty() || x.size() != y.size()) return at;
  if (at <= x.front()) return y.front();
  if (at >= x.back()) return y.back();
  const auto hi = std::upper_bound(x.begin(), x.end(), at);
  const std::size_t j = static_cast<std::size_t>(hi - x.begin());
  const double x0 = x[j - 1], x1 = x[j];
  return x1 > x0 ? y[j - 1] + (y[j] - y[j - 1]) * (at - x0) / (x1 - x0) : y[j];
}

void CColorMap::Build(const SColorMapSettings& settings) {
  settings_ = settings;
  SColorMapSettings& s = settings_;
  s.curveStart = std::clamp(std::isnan(s.curveStart) ? 0.0 : s.curveStart, 0.0, 100.0);
  s.curveStop = std::clamp(std::isnan(s.curveStop) ? 100.0 : s.curveStop, s.curveStart, 100.0);
  s.curveShape = std::clamp(std::isnan(s.curveShape) ? 0.0 : s.curveShape, -100.0, 100.0);
  if (s.colorMap < 0 || s.colorMap >= kPaletteCount) s.colorMap = 0;

  std::vector<double> cx, cy;
  CalculateCurve(cy, cx, s.curveShape);
  table_.resize(kColors);
  const double lo = s.curveStart / 100, hi = s.curveStop / 100;
  for (int i = 0; i < kColors; ++i) {
    const double t = static_cast<double>(i) / (kColors - 1);
    // Below low the palette's first colour, above high its last, the curve in between.
    const double u = hi > lo ? std::clamp((t - lo) / (hi - lo), 0.0, 1.0) : (t < lo ? 0.0 : 1.0);
    table_[static_cast<std::size_t>(i)] = PaletteColor(s.colorMap, CurveValue(cx, cy, u));
  }
}

SColorMapMarks ColorMapMarks(const SColorMapSettings& s, double width) {
  SColorMapMarks m;
  m.low = s.curveStart / 100 * width;
  m.high = std::max(m.low, s.curveStop / 100 * width);
  m.middle = m.low + (m.high - m.low) / 2 * (1 + s.curveShape / 100);
  return m;
}

void DragColorMapMark(SColorMapSettings& s, int mark, double p, double width) {
  if (!(width > 0) || std::isnan(p)) return;
  const SColorMapMarks m = ColorMapMarks(s, width);
  p = std::clamp(p, 0.0, width);
  if (mark == 0) {
    s.curveStart = std::min(p, m.high) / width * 100;
  } else if (mark == 2) {
    s.curveStop = std::max(p, m.low) / width * 100;
  } else if (mark == 1 && m.high > m.low) {
    const double half = (m.high - m.low) / 2;
    s.curveShape = std::clamp((p - m.low - half) / half * 100, -100.0, 100.0);
  }
}
