#include "series/SpectrumRender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "chart/Chart.h"
#include "series/DrawSpectrumThread.h"
#include "series/SpectrumSeries.h"
#include "support/RecordingCanvas.h"

namespace {

// Sweep number k of width points: a carrier that walks across the span over a noise floor.
void Feed(CStorage& s, int width, int k) {
  std::vector<double> y(static_cast<std::size_t>(width)), x(static_cast<std::size_t>(width));
  for (int i = 0; i < width; ++i) {
    x[static_cast<std::size_t>(i)] = 1e6 + 1e3 * i;
    y[static_cast<std::size_t>(i)] = -90.0 + (i * 7 + k * 3) % 11 + (i == (k * 5) % width ? 70.0 : 0.0);
  }
  s.AddArray(0, width, y.data(), x.data());
}

SSpectrumView View(int mode, int w, int h, int points) {
  SSpectrumView v;
  v.mode = mode;
  v.width = w;
  v.height = h;
  v.min = -100;
  v.max = 0;
  v.stimStart = 1e6;
  v.stimStop = 1e6 + 1e3 * points;
  return v;
}

bool SameImage(const CImage& a, const CImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  return std::equal(a.Data(), a.Data() + static_cast<std::size_t>(a.Width()) * a.Height(), b.Data());
}

// Colours within a step of the colour table.
bool Near(TRGBA a, TRGBA b) {
  for (int shift = 0; shift < 32; shift += 8)
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 3) return false;
  return true;
}

}  // namespace

TEST(SpectrumRender, IncrementalUpdateDrawsWhatAFullRenderDraws) {
  const CColorMap colors;
  for (const int points : {37, 200}) {  // fewer and more points than pixel columns
    CStorage s;
    s.SetSize(points);
    for (int k = 0; k < 25; ++k) Feed(s, points, k);
    CSpectrumRenderer incremental;
    const SSpectrumView view = View(smSpectrogram, 80, 30, points);
    EXPECT_EQ(incremental.Render(s, view, colors), CSpectrumRenderer::rrFull);
    EXPECT_EQ(incremental.Render(s, view, colors), CSpectrumRenderer::rrUnchanged);
    // Through the ring's wrap and past the image's height, a few sweeps at a time.
    for (int k = 25; k < CStorage::kMaxLevels + 40; k += 3) {
      for (int j = 0; j < 3; ++j) Feed(s, points, k + j);
      ASSERT_EQ(incremental.Render(s, view, colors), CSpectrumRenderer::rrIncremental) << k;
      CSpectrumRenderer full;
      ASSERT_EQ(full.Render(s, view, colors), CSpectrumRenderer::rrFull);
      ASSERT_TRUE(SameImage(incremental.Image(), full.Image())) << points << " points, sweep " << k;
    }
    // A half-written sweep is not drawn yet.
    std::vector<double> half(static_cast<std::size_t>(points / 2), 0.0);
    s.AddArray(0, points / 2, half.data(), nullptr);
    EXPECT_EQ(incremental.Render(s, view, colors), CSpectrumRenderer::rrUnchanged);
  }
}

TEST(SpectrumRender, EachColumnShowsItsHighestLevelNewestOnTop) {
  CColorMap colors;
  CStorage s;
  s.SetSize(100);
  std::vector<double> x(100), y(100, -100.0);
  for (int i = 0; i < 100; ++i) x[static_cast<std::size_t>(i)] = i;
  y[55] = 0.0;  // one spike among ten points of column 5
  s.AddArray(0, 100, y.data(), x.data());
  y[55] = -100.0;
  y[12] = -50.0;
  s.AddArray(0, 100, y.data(), x.data());
  SSpectrumView view = View(smSpectrogram, 10, 4, 100);
  view.stimStart = 0;
  view.stimStop = 100;
  CSpectrumRenderer r;
  ASSERT_EQ(r.Render(s, view, colors), CSpectrumRenderer::rrFull);
  const CImage& image = r.Image();
  EXPECT_EQ(image.Pixel(1, 0), colors.Color(0.5));  // the newest sweep on top
  EXPECT_EQ(image.Pixel(5, 1), colors.Color(1.0));
  EXPECT_EQ(image.Pixel(4, 1), colors.Color(0.0));
  EXPECT_EQ(image.Pixel(5, 2), CColorMap::kBackground);  // no third sweep yet

  // A new colour map, range or mode is a full render; so is a new width (history cleared:
  // nothing left to draw).
  colors.Build({0, 50, 0, 2});
  EXPECT_EQ(r.Render(s, view, colors, true), CSpectrumRenderer::rrFull);
  EXPECT_EQ(r.Image().Pixel(1, 0), colors.Color(1.0));
  for (int mode : {smWaterfall, smHeatMap}) {
    view.mode = mode;
    EXPECT_EQ(r.Render(s, view, colors), CSpectrumRenderer::rrFull) << mode;
    EXPECT_FALSE(r.Image().Empty());
  }
  s.SetSize(50);
  EXPECT_EQ(s.GetLevelCount(), 0);
  EXPECT_EQ(r.Render(s, view, colors), CSpectrumRenderer::rrNothing);
  EXPECT_TRUE(r.Image().Empty());
}

TEST(SpectrumRender, NothingToDrawGivesNoImage) {
  const CColorMap colors;
  CStorage s;
  s.SetSize(20);
  CSpectrumRenderer r;
  for (int mode : {smSpectrogram, smWaterfall, smHeatMap})
    EXPECT_EQ(r.Render(s, View(mode, 40, 20, 20), colors), CSpectrumRenderer::rrNothing) << "no sweep";
  Feed(s, 20, 0);
  SSpectrumView flat = View(smSpectrogram, 40, 20, 20);
  flat.max = flat.min;
  SSpectrumView noSpan = View(smWaterfall, 40, 20, 20);
  noSpan.stimStop = noSpan.stimStart;
  SSpectrumView nan = View(smHeatMap, 40, 20, 20);
  nan.max = NAN;
  for (const SSpectrumView& v : {flat, noSpan, nan, View(smSpectrogram, 0, 20, 20), View(smHeatMap, 40, 0, 20)}) {
    EXPECT_EQ(r.Render(s, v, colors), CSpectrumRenderer::rrNothing);
    EXPECT_TRUE(r.Image().Empty());
  }
  // One sweep is enough for every view.
  for (int mode : {smSpectrogram, smWaterfall, smHeatMap})
    EXPECT_EQ(r.Render(s, View(mode, 40, 20, 20), colors), CSpectrumRenderer::rrFull) << mode;
}

TEST(ColorMap, DefaultsMapLinearlyAndLowHighClampTheRange) {
  CColorMap map;
  EXPECT_EQ(map.Color(0.0), CColorMap::PaletteColor(0, 0.0));
  EXPECT_EQ(map.Color(1.0), CColorMap::PaletteColor(0, 1.0));
  EXPECT_PRED2(Near, map.Color(0.5), CColorMap::PaletteColor(0, 0.5));
  EXPECT_EQ(map.Color(NAN), CColorMap::kBackground);
  map.Build({20, 60, 0, 1});
  EXPECT_EQ(map.Color(0.1), CColorMap::PaletteColor(1, 0.0));   // below low: first colour
  EXPECT_EQ(map.Color(0.8), CColorMap::PaletteColor(1, 1.0));   // above high: last colour
  EXPECT_PRED2(Near, map.Color(0.4), CColorMap::PaletteColor(1, 0.5));
  // A bent curve lifts the middle; nonsense is clamped, not drawn.
  map.Build({0, 100, -80, 2});
  EXPECT_GT(map.Color(0.5) & 0xFF, CColorMap::PaletteColor(2, 0.5) & 0xFF);
  map.Build({90, 10, 500, 99});
  EXPECT_EQ(map.Settings().curveStop, 90);
  EXPECT_EQ(map.Settings().curveShape, 100);
  EXPECT_EQ(map.Settings().colorMap, 0);
}

TEST(ColorMap, DraggingTheMarks) {
  SColorMapSettings s;  // 0, 100, 0 over 200 pixels
  DragColorMapMark(s, 0, 50, 200);
  EXPECT_DOUBLE_EQ(s.curveStart, 25);
  DragColorMapMark(s, 2, 150, 200);
  EXPECT_DOUBLE_EQ(s.curveStop, 75);
  DragColorMapMark(s, 0, 190, 200);  // past the high mark: stops on it
  EXPECT_DOUBLE_EQ(s.curveStart, 75);
  DragColorMapMark(s, 0, 50, 200);
  DragColorMapMark(s, 2, 10, 200);
  EXPECT_DOUBLE_EQ(s.curveStop, 25);
  DragColorMapMark(s, 2, 150, 200);
  DragColorMapMark(s, 1, 150, 200);  // onto the high mark
  EXPECT_DOUBLE_EQ(s.curveShape, 100);
  DragColorMapMark(s, 1, 75, 200);
  EXPECT_DOUBLE_EQ(s.curveShape, -50);
  EXPECT_DOUBLE_EQ(ColorMapMarks(s, 200).middle, 75);
}

// Run under the tsan preset: feeding, rendering on the thread and picking up images at once.
TEST(DrawSpectrumThread, FeedsAndRendersConcurrently) {
  CStorage s;
  s.SetSize(300);
  CDrawSpectrumThread thread(s);
  std::atomic<int> images{0};
  thread.SetImageCallback([&images] { ++images; });
  thread.SetView(View(smSpectrogram, 120, 60, 300));
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
  int k = 0, picked = 0;
  while (std::chrono::steady_clock::now() < end) {
    Feed(s, 300, k++);
    thread.DataArrived();
    if (k % 50 == 0) thread.SetColorMap({0, 100, static_cast<double>(k % 100), k % 3});
    if (const CImage* image = thread.TakeImage()) picked += image->Width() == 120;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  thread.ThreadStop();
  // Throttled: far fewer renders than sweeps, but some.
  EXPECT_GE(images.load(), 2);
  EXPECT_LE(thread.RenderCount(), 600 / CDrawSpectrumThread::kRenderIntervalMs + 2);
  EXPECT_GT(picked, 0);
  const CImage* last = thread.TakeImage();
  ASSERT_NE(last, nullptr);
  CSpectrumRenderer direct;
  CColorMap colors;
  colors.Build({0, 100, static_cast<double>((k / 50 * 50) % 100), (k / 50 * 50) % 3});
  // The thread is idle now: one more render brings it to the newest sweep.
  thread.RenderOnce();
  direct.Render(s, View(smSpectrogram, 120, 60, 300), colors);
  EXPECT_TRUE(SameImage(*thread.TakeImage(), direct.Image()));
}

TEST(SpectrumSeries, DrawsTheImageWithItsScaleOnlyWhenThereIsOne) {
  CChart chart;
  chart.SetBounds({0, 0, 300, 200});
  TQuorSpectrumSeries series;
  series.SetChart(&chart);
  series.SetStimulusRange(1e6, 1e6 + 1e3 * 50);
  series.SetMinMax(-100, 0);
  CRecordingCanvas canvas;
  series.Draw(canvas);
  EXPECT_TRUE(canvas.ops.empty());
  CStorage& history = const_cast<CStorage&>(series.Storage().Storage());
  history.SetSize(50);
  for (int k = 0; k < 5; ++k) Feed(history, 50, k);
  series.DrawThread().ThreadStop();  // render on this thread instead
  series.DrawThread().RenderOnce();
  series.Draw(canvas);
  ASSERT_FALSE(canvas.ops.empty());
  const SRect image = series.ImageRect();
  EXPECT_EQ(image.Width(), chart.PlotRect().Width());
  EXPECT_EQ(canvas.ops.front().op, CRecordingCanvas::opImage);
  EXPECT_EQ(canvas.ops.front().rect.left, image.left);
  EXPECT_EQ(canvas.ops.front().rect.right, image.right);
}

TEST(SpectrumSeries, RowsMarkersAndScrollFollowTheViewsGeometry) {
  CChart chart;
  chart.SetBounds({0, 0, 300, 200});  // plot 180 × 130 with the default margins
  TQuorSpectrumSeries series;
  series.SetChart(&chart);
  series.SetStimulusRange(1e6, 1e6 + 1e3 * 49);
  series.SetMinMax(-100, 0);
  const SRect r = series.ImageRect();
  SPointF at;
  EXPECT_FALSE(series.NewestSweepPoint(1e6, -50, at));  // no sweep yet
  CStorage& history = const_cast<CStorage&>(series.Storage().Storage());
  history.SetSize(50);
  for (int k = 0; k < 100; ++k) Feed(history, 50, k);
  series.DrawThread().ThreadStop();

  // Spectrogram: the newest sweep on the top row, one row per sweep below it.
  EXPECT_EQ(series.LevelAtPixel(r.top), 99);
  EXPECT_EQ(series.LevelAtPixel(r.top + 30), 69);
  EXPECT_EQ(series.LevelAtPixel(r.top + 100), -1);  // below the oldest sweep
  EXPECT_EQ(series.LevelAtPixel(r.top - 1), -1);
  ASSERT_TRUE(series.NewestSweepPoint(1e6 + 49e3 / 2, -50, at));
  EXPECT_DOUBLE_EQ(at.x, r.left + r.Width() / 2.0);
  EXPECT_DOUBLE_EQ(at.y, r.top);
  EXPECT_TRUE(series.SetTimeCursor(r.top + 30));
  EXPECT_FALSE(series.SetTimeCursor(r.top + 30));
  EXPECT_EQ(series.TimeCursorLevel(), 69);
  EXPECT_NE(series.TimeCursorText().find(L"("), std::wstring::npos);
  EXPECT_TRUE(series.ScrollRect().Width() == 0);

  // Heat map: no time direction; the level sets the row.
  series.SetSeriesMode(smHeatMap);
  EXPECT_EQ(series.LevelAtPixel(r.top), -1);
  ASSERT_TRUE(series.NewestSweepPoint(1e6, -25, at));
  EXPECT_DOUBLE_EQ(at.y, r.bottom - 0.75 * r.Height());

  // Waterfall: the front ridge is the newest sweep; scrolled back it is an older one, and
  // markers stay away from it.
  series.SetSeriesMode(smWaterfall);
  const SWaterfallGeometry g(r.Width(), r.Height());
  EXPECT_EQ(series.LevelAtPixel(r.top + g.Base(r.Height(), 0)), 99);
  EXPECT_EQ(series.LevelAtPixel(r.top + g.Base(r.Height(), 3)), 96);
  ASSERT_TRUE(series.NewestSweepPoint(1e6 + 49e3, 0, at));
  EXPECT_DOUBLE_EQ(at.x, r.left + g.sweepWidth);
  EXPECT_DOUBLE_EQ(at.y, r.top + g.Base(r.Height(), 0) - (g.amplitude - 1));
  const SRect bar = series.ScrollRect();
  ASSERT_GT(bar.Height(), 0);
  // A press above the thumb pages back by the sweeps shown; dragging the thumb to the top
  // reaches the oldest sweeps, and back to the bottom the newest.
  EXPECT_TRUE(series.ScrollMouseDown(bar.left + 1, bar.top + 1));
  EXPECT_FALSE(series.ScrollMouseMove(bar.top));  // no drag from a page step
  EXPECT_EQ(series.ScrollValue(), g.depth);
  EXPECT_EQ(series.LevelAtPixel(r.top + g.Base(r.Height(), 0)), 99 - g.depth);
  EXPECT_FALSE(series.NewestSweepPoint(1e6, 0, at));
  EXPECT_TRUE(series.ScrollMouseDown(bar.left + 1, bar.bottom - 2));  // below the thumb: a page on
  EXPECT_EQ(series.ScrollValue(), 0);
  EXPECT_TRUE(series.ScrollMouseDown(bar.left + 1, bar.bottom - 2));  // now on the thumb
  EXPECT_TRUE(series.ScrollMouseMove(bar.top - 50));
  EXPECT_EQ(series.ScrollValue(), 100 - g.depth);
  EXPECT_TRUE(series.ScrollMouseMove(bar.bottom + 50));
  EXPECT_EQ(series.ScrollValue(), 0);
  EXPECT_TRUE(series.ScrollMouseUp());
  // Scrolled back, new sweeps leave the same ones in front; at the newest they move on.
  series.UpdateScrollValue(10);
  const int front = series.LevelAtPixel(r.top + g.Base(r.Height(), 0));
  std::vector<double> y(50, -60.0), x(50);
  for (int i = 0; i < 50; ++i) x[static_cast<std::size_t>(i)] = 1e6 + 1e3 * i;
  for (int k = 0; k < 3; ++k) series.AddArray(0, 50, y.data(), x.data());
  series.DrawThread().ThreadStop();
  EXPECT_EQ(series.ScrollValue(), 13);
  EXPECT_EQ(series.LevelAtPixel(r.top + g.Base(r.Height(), 0)), front);
  EXPECT_FALSE(series.ScrollMouseDown(bar.right + 5, bar.top));
}
