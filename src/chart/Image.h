#pragma once
// An RGBA pixel buffer the engine paints spectrograms and icons into and hands to a canvas.
// One pixel is 32 bits: red in the low byte, then green, blue and alpha, which is R, G, B, A
// in memory order on the machines we run on.
#include <cstdint>
#include <vector>

#include "core/Color.h"

using TRGBA = std::uint32_t;

// The opaque (or given alpha) pixel of a colour; system colours are resolved first.
TRGBA ColorToRGBA(TColor color, std::uint8_t alpha = 255);

class CImage {
 public:
  CImage() = default;
  CImage(int width, int height, TRGBA fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // Outside the image: reported, 0 read, nothing written.
  TRGBA Pixel(int x, int y) const;
  void SetPixel(int x, int y, TRGBA value);
  void Fill(TRGBA value);
  // Contents are lost; keeps the memory when the image shrinks or keeps its size.
  void Resize(int width, int height, TRGBA fill = 0);

  // Rows top to bottom, Width() pixels each, no padding.
  const TRGBA* Data() const { return pixels_.data(); }
  TRGBA* Data() { return pixels_.data(); }
  TRGBA* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  int width_ = 0;
  int height_ = 0;
  std::vector<TRGBA> pixels_;
};
