// The QPainter canvas draws what the engine asks, in the engine's colours, inside the clip,
// and long wide polylines come out whole although they are drawn in pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <QImage>

#include "chart/Image.h"
#include "ui/QPainterCanvas.h"
#include "ui/QtTestApp.h"

namespace {

QImage WhiteImage(int width, int height) {
  QtTestApp();
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  return image;
}

bool IsWhite(const QImage& image, int x, int y) { return image.pixel(x, y) == qRgb(255, 255, 255); }
bool IsRed(const QImage& image, int x, int y) { return image.pixel(x, y) == qRgb(255, 0, 0); }

constexpr TColor kRed = RGBColor(255, 0, 0);

}  // namespace

TEST(QPainterCanvas, ColoursShapesAndClip) {
  QImage image = WhiteImage(200, 100);
  {
    QPainterCanvas canvas(image);
    ASSERT_TRUE(canvas.IsActive());
    canvas.SetPen({kRed, 1, psSolid});
    canvas.Line(10, 10, 100, 10);
    canvas.SetPen({RGBColor(0, 0, 255), 1, psSolid});  // red is the low byte, blue the third
    canvas.Line(10, 12, 100, 12);
    canvas.SetPen({clNone, 1, psSolid});
    canvas.Line(10, 14, 100, 14);
    canvas.SetPen({kRed, 1, psClear});
    canvas.Line(10, 16, 100, 16);

    canvas.SetBrush({clHighlight, bsSolid});  // a system colour
    canvas.FillRect({120, 10, 130, 20});
    canvas.SetBrush({clNone, bsSolid});
    canvas.FillRect({140, 10, 150, 20});

    // Outlines stay inside the exclusive right and bottom edges.
    canvas.SetPen({clBlack, 1, psSolid});
    canvas.SetBrush({clWhite, bsClear});
    canvas.Rectangle({20, 30, 40, 50});

    canvas.SetPen({kRed, 1, psSolid});
    canvas.SetClipRect({0, 0, 50, 100});
    canvas.Line(0, 60, 200, 60);
    canvas.ResetClip();
    canvas.Line(0, 70, 200, 70);

    CImage picture(2, 2, ColorToRGBA(RGBColor(0, 255, 0)));
    canvas.DrawImage(picture, 180, 80);
  }
  EXPECT_TRUE(IsRed(image, 50, 10));
  EXPECT_EQ(image.pixel(50, 12), qRgb(0, 0, 255));
  EXPECT_TRUE(IsWhite(image, 50, 14));
  EXPECT_TRUE(IsWhite(image, 50, 16));
  EXPECT_EQ(image.pixel(125, 15), qRgb(0x00, 0x78, 0xD7));
  EXPECT_TRUE(IsWhite(image, 145, 15));
  EXPECT_EQ(image.pixel(20, 30), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(39, 49), qRgb(0, 0, 0));
  EXPECT_TRUE(IsWhite(image, 40, 40));
  EXPECT_TRUE(IsWhite(image, 30, 50));
  EXPECT_TRUE(IsWhite(image, 30, 40));  // a clear brush leaves the inside alone
  EXPECT_TRUE(IsRed(image, 25, 60));
  EXPECT_TRUE(IsWhite(image, 75, 60));
  EXPECT_TRUE(IsRed(image, 150, 70));
  EXPECT_EQ(image.pixel(181, 81), qRgb(0, 255, 0));
  EXPECT_TRUE(IsWhite(image, 182, 82));
}

TEST(QPainterCanvas, LongPolylinesAreWholeWithoutStrays) {
  // 10,000 points along a sine: many chunks, every join must be covered. Widths 1 and 2 are
  // written into the image directly, 5 goes through Qt's segments.
  constexpr int kWidth = 1000;
  auto curve = [](double x) { return 50 + 30 * std::sin(x / 50); };
  std::vector<SPointF> points(10000);
  for (int i = 0; i < 10000; ++i) points[i] = {i * 0.1, curve(i * 0.1)};
  // Points that are not numbers are a gap: x 700…705.
  for (int i = 7000; i < 7050; ++i) points[i].y = std::numeric_limits<double>::quiet_NaN();
  for (int width : {1, 2, 5}) {
    SCOPED_TRACE(width);
    QImage image = WhiteImage(kWidth, 100);
    {
      QPainterCanvas canvas(image);
      canvas.SetPen({kRed, width, psSolid});
      canvas.Polyline(points.data(), static_cast<int>(points.size()));
    }
    int missing = 0, strays = 0;
    for (int x = 1; x < kWidth - 2; ++x) {
      const double y = curve(x + 0.5);
      bool hit = false;
      for (int row = 0; row < 100; ++row) {
        const bool red = IsRed(image, x, row);
        const double off = std::fabs(row + 0.5 - y);
        if (off <= 1.5) hit = hit || red;
        else if (off > width + 1.5) strays += red ? 1 : 0;
      }
      if (!hit && (x < 700 || x > 705)) ++missing;
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(strays, 0);
    EXPECT_TRUE(IsWhite(image, 702, static_cast<int>(curve(702.5))));
  }
}

TEST(QPainterCanvas, SteepAndFlatSegmentsFollowTheirLines) {
  // Zigzags of every slope, partly outside the clip: each segment is drawn along its whole
  // length and nowhere else.
  std::vector<SPointF> points;
  for (int i = 0; i < 24; ++i) points.push_back({5 + i * (i < 12 ? 3.3 : 17.1), (i % 2) ? 7.2 : 93.6});
  points.push_back({-50, 150});  // leaves the image
  for (int width : {1, 2}) {
    SCOPED_TRACE(width);
    QImage image = WhiteImage(250, 100);
    {
      QPainterCanvas canvas(image);
      canvas.SetPen({kRed, width, psSolid});
      canvas.Polyline(points.data(), static_cast<int>(points.size()));
    }
    auto distance = [&](double px, double py) {
      double best = 1e9;
      for (std::size_t i = 1; i < points.size(); ++i) {
        const double ax = points[i - 1].x, ay = points[i - 1].y, dx = points[i].x - ax, dy = points[i].y - ay;
        const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        best = std::min(best, std::hypot(px - ax - t * dx, py - ay - t * dy));
      }
      return best;
    };
    int strays = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 250; ++x)
        if (IsRed(image, x, y) && distance(x + 0.5, y + 0.5) > width + 0.5) ++strays;
    EXPECT_EQ(strays, 0);
    // Every row a steep segment crosses (every column of a flat one) has its pixel.
    int missing = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
      const double dx = points[i].x - points[i - 1].x, dy = points[i].y - points[i - 1].y;
      const bool steep = std::fabs(dy) > std::fabs(dx);
      for (int k = 0; k <= 400; ++k) {
        const double x = points[i - 1].x + dx * k / 400.0, y = points[i - 1].y + dy * k / 400.0;
        if (x < 1 || y < 1 || x >= 249 || y >= 99) continue;
        bool near = false;
        for (int d = -1; d <= 1; ++d)
          near = near || (steep ? IsRed(image, int(x) + d, int(y)) : IsRed(image, int(x), int(y) + d));
        missing += near ? 0 : 1;
      }
    }
    EXPECT_EQ(missing, 0);
  }
}

TEST(QPainterCanvas, HighDpiFramesScaleLinesAndClip) {
  QImage image = WhiteImage(200, 100);
  image.setDevicePixelRatio(2);  // a 100 × 50 canvas
  {
    QPainterCanvas canvas(image);
    canvas.SetPen({kRed, 1, psSolid});
    canvas.SetClipRect({0, 0, 50, 50});
    const SPointF line[] = {{5, 10}, {95, 10}};
    canvas.Polyline(line, 2);
  }
  EXPECT_TRUE(IsRed(image, 60, 20));
  EXPECT_TRUE(IsRed(image, 60, 21));
  EXPECT_TRUE(IsWhite(image, 60, 19));
  EXPECT_TRUE(IsWhite(image, 60, 22));
  EXPECT_TRUE(IsRed(image, 99, 20));
  EXPECT_TRUE(IsWhite(image, 100, 20));
}

TEST(QPainterCanvas, Text) {
  QImage image = WhiteImage(200, 60);
  {
    QPainterCanvas canvas(image);
    canvas.SetFont({L"Sans Serif", 10, false, clBlack});
    const SSize small = canvas.TextExtent(L"Trc1");
    const SSize large = canvas.TextExtent(L"Trc1 S21 LogMag");
    EXPECT_GT(small.cx, 0);
    EXPECT_GT(small.cy, 0);
    EXPECT_GT(large.cx, small.cx);
    EXPECT_EQ(canvas.TextExtent(L"").cx, 0);
    canvas.TextOut(10, 5, L"Trc1");
    canvas.SetFont({L"Sans Serif", 10, false, clNone});
    canvas.TextOut(10, 35, L"Trc1");
  }
  // The text sits below and right of the given corner; a font without colour writes nothing.
  int inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) inked += IsWhite(image, x, y) ? 0 : 1;
  EXPECT_GT(inked, 10);
  for (int y = 0; y < 5; ++y) EXPECT_TRUE(IsWhite(image, 12, y));
  for (int y = 30; y < 60; ++y)
    for (int x = 0; x < 100; ++x) ASSERT_TRUE(IsWhite(image, x, y));
}

namespace {

// The bounding box of the pixels that are not white, in [x0, x1) × [y0, y1).
QRect Inked(const QImage& image, int x0, int y0, int x1, int y1) {
  QRect box;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (!IsWhite(image, x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

TEST(QPainterCanvas, EllipsesArcsPolygonsAndTurnedText) {
  QImage image = WhiteImage(300, 200);
  {
    QPainterCanvas canvas(image);
    canvas.SetPen({kRed, 1, psSolid});
    canvas.SetBrush({clNone, bsClear});
    canvas.EllipseF({10.4, 10.4, 70.6, 50.6});  // snaps to 10, 10 .. 71, 51 aliased
    canvas.ArcF({100, 10, 160, 70}, 0, 90);      // upper right quarter only
    canvas.SetBrush({RGBColor(0, 0, 255), bsSolid});
    canvas.SetPen({clNone, 1, psClear});
    const SPointF triangle[] = {{200, 10}, {260, 10}, {230, 60}};
    canvas.Polygon(triangle, 3);
    canvas.SetFont({L"Sans Serif", 10, false, clBlack});
    // Upwards from (40, 190), centred on the point across the line of text.
    canvas.TextOutEx(40, 190, L"Turned text", {haLeft, vaCenter, 90});
    canvas.TextOutEx(250, 150, L"Right", {haRight, vaBottom, 0});
  }
  const QRect ellipse = Inked(image, 0, 0, 90, 80);
  EXPECT_EQ(ellipse, QRect(QPoint(10, 10), QPoint(70, 50)));
  const QRect arc = Inked(image, 90, 0, 190, 80);
  EXPECT_NEAR(arc.left(), 130, 1);   // from the top middle …
  EXPECT_NEAR(arc.bottom(), 40, 1);  // … to the right middle
  EXPECT_EQ(image.pixel(230, 20), qRgb(0, 0, 255));
  EXPECT_TRUE(IsWhite(image, 205, 55));
  const QRect turned = Inked(image, 0, 80, 100, 200);
  EXPECT_GT(turned.height(), 3 * turned.width());  // runs upwards
  EXPECT_LE(turned.bottom(), 190);
  EXPECT_NEAR(turned.center().x(), 40, 2);
  const QRect right = Inked(image, 150, 100, 300, 160);
  EXPECT_LE(right.right(), 250);
  EXPECT_LE(right.bottom(), 150);
}

TEST(QPainterCanvas, SaveAndRestoreKeepClipAndTransformNotTools) {
  QImage image = WhiteImage(200, 100);
  {
    QPainterCanvas canvas(image);
    canvas.SetClipRect({0, 0, 100, 100});
    canvas.Save();
    canvas.Translate(50, 0);
    canvas.SetClipRect({0, 0, 150, 100});  // in moved coordinates: all of the image
    canvas.SetPen({kRed, 1, psSolid});
    canvas.Line(0, 10, 140, 10);  // 50 … 190 on the image
    canvas.Restore();
    canvas.Line(0, 20, 200, 20);  // still red, clipped at 100 again
  }
  EXPECT_TRUE(IsWhite(image, 40, 10));
  EXPECT_TRUE(IsRed(image, 180, 10));
  EXPECT_TRUE(IsRed(image, 60, 20));
  EXPECT_TRUE(IsWhite(image, 120, 20));
}
