#include "chart/Image.h"

#include <gtest/gtest.h>

#include "support/Capture.h"

TEST(Image, PixelsColoursAndBounds) {
  CImage image(3, 2, ColorToRGBA(RGBColor(1, 2, 3)));
  EXPECT_EQ(image.Pixel(2, 1), 0xFF030201u);  // R, G, B, A in memory order
  image.SetPixel(1, 0, ColorToRGBA(clWindow, 0x80));
  EXPECT_EQ(image.Data()[1], 0x80FFFFFFu);  // system colours resolved
  EXPECT_EQ(ColorToRGBA(clNone), 0u);

  AssertCapture asserts;
  EXPECT_EQ(image.Pixel(3, 0), 0u);
  image.SetPixel(0, -1, 1);
  EXPECT_EQ(asserts.Count(), 2u);
  image.Resize(4, 4, 7);
  EXPECT_EQ(image.Pixel(3, 3), 7u);
  image.Fill(9);
  EXPECT_EQ(image.Row(2)[1], 9u);
}
