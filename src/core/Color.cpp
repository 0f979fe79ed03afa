#include "core/Color.h"

#include <array>

namespace {
// Default colours of the Windows system colour table (numbers 0…30), which the stored
// layouts and themes refer to. The Qt layer draws its own widgets; the engine only needs
// these to judge brightness and to paint its surfaces.
constexpr std::array<TColor, 31> kSystemColors = {
    HexColor(0xC8C8C8),  // 0 scroll bar
    HexColor(0x000000),  // 1 desktop
    HexColor(0x99B4D1),  // 2 active caption
    HexColor(0xBFCDDB),  // 3 inactive caption
    HexColor(0xF0F0F0),  // 4 menu
    HexColor(0xFFFFFF),  // 5 window
    HexColor(0x646464),  // 6 window frame
    HexColor(0x000000),  // 7 menu text
    HexColor(0x000000),  // 8 window text
    HexColor(0x000000),  // 9 caption text
    HexColor(0xB4B4B4),  // 10 active border
    HexColor(0xF4F7FC),  // 11 inactive border
    HexColor(0xABABAB),  // 12 application workspace
    HexColor(0x0078D7),  // 13 highlight
    HexColor(0xFFFFFF),  // 14 highlight text
    HexColor(0xF0F0F0),  // 15 button face
    HexColor(0xA0A0A0),  // 16 button shadow
    HexColor(0x6D6D6D),  // 17 grey text
    HexColor(0x000000),  // 18 button text
    HexColor(0x000000),  // 19 inactive caption text
    HexColor(0xFFFFFF),  // 20 button highlight
    HexColor(0x696969),  // 21 3D dark shadow
    HexColor(0xE3E3E3),  // 22 3D light
    HexColor(0x000000),  // 23 tool tip text
    HexColor(0xFFFFE1),  // 24 tool tip background
    HexColor(0x000000),  // 25 (unused)
    HexColor(0x0066CC),  // 26 hot-tracked item
    HexColor(0xB9D1EA),  // 27 active caption gradient
    HexColor(0xD7E4F2),  // 28 inactive caption gradient
    HexColor(0x3399FF),  // 29 menu highlight
    HexColor(0xF0F0F0),  // 30 menu bar
};
}  // namespace

TColor ColorToRGB(TColor c) {
  if (IsSysColor(c)) {
    const unsigned index = SysColorIndex(c);
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
  }
  return c & 0x00FFFFFFu;
}

int ColorBrightness(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return (GetRValue(rgb) * 299 + GetGValue(rgb) * 587 + GetBValue(rgb) * 114 + 500) / 1000;
}
