#pragma once
// Colours as the diagrams store them: 32-bit values with red in the low byte, green in the
// next and blue in the third (0x00BBGGRR). A system colour keeps 0xFF in the high byte and
// its number in the low byte and is resolved through the system colour table; clNone means
// no colour at all.
#include <cstdint>

using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
// Colours written as #RRGGBB, the way designers give them.
constexpr TColor HexColor(std::uint32_t rrggbb) {
  return RGBColor(std::uint8_t(rrggbb >> 16), std::uint8_t(rrggbb >> 8), std::uint8_t(rrggbb));
}
constexpr std::uint8_t GetRValue(TColor c) { return std::uint8_t(c); }
constexpr std::uint8_t GetGValue(TColor c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t GetBValue(TColor c) { return std::uint8_t(c >> 16); }

// System colours (numbers of the Windows colour table the stored layouts use).
constexpr TColor SysColor(unsigned index) { return 0xFF000000u | (index & 0xFFu); }
constexpr bool IsSysColor(TColor c) { return (c >> 24) == 0xFF; }
constexpr unsigned SysColorIndex(TColor c) { return c & 0xFFu; }

inline constexpr TColor clWindow = SysColor(5);
inline constexpr TColor clWindowText = SysColor(8);
inline constexpr TColor clHighlight = SysColor(13);
inline constexpr TColor clHighlightText = SysColor(14);
inline constexpr TColor clBtnFace = SysColor(15);
inline constexpr TColor clBtnShadow = SysColor(16);
inline constexpr TColor clGrayText = SysColor(17);
inline constexpr TColor clBtnText = SysColor(18);

inline constexpr TColor clBlack = RGBColor(0, 0, 0);
inline constexpr TColor clWhite = RGBColor(255, 255, 255);

// The plain RGB value (0x00BBGGRR) of a colour: system colours come from the default
// system colour table (window white, button face #F0F0F0 …; unknown numbers give black),
// other values lose their high byte.
TColor ColorToRGB(TColor c);

// Perceived brightness 0…255 by the Rec. 601 luma weights,
// (299·R + 587·G + 114·B) / 1000 rounded to the nearest integer; a grey gives its level.
int ColorBrightness(TColor c);
