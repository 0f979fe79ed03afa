#include "chart/Image.h"

#include "common/Assert.h"

TRGBA ColorToRGBA(TColor color, std::uint8_t alpha) {
  if (color == clNone) return 0;
  return (ColorToRGB(color) & 0x00FFFFFFu) | (TRGBA(alpha) << 24);
}

CImage::CImage(int width, int height, TRGBA fill) { Resize(width, height, fill); }

TRGBA CImage::Pixel(int x, int y) const {
  if (!PV_ASSERT(Inside(x, y))) return 0;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void CImage::SetPixel(int x, int y, TRGBA value) {
  if (!PV_ASSERT(Inside(x, y))) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = value;
}

void CImage::Fill(TRGBA value) { pixels_.assign(pixels_.size(), value); }

void CImage::Resize(int width, int height, TRGBA fill) {
  if (!PV_ASSERT(width >= 0 && height >= 0)) width = height = 0;
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<std::size_t>(width) * height, fill);
}
