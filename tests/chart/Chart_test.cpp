#include "chart/Chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>

#include "support/CountingCanvas.h"
#include "chart/Series.h"
#include "support/Capture.h"
#include "support/RecordingCanvas.h"
#include "common/Units.h"

namespace {

constexpr TColor kRed = RGBColor(255, 0, 0);

// Plot rectangle 100…1700 × 50…950: 1600 pixel columns.
void Layout(CChart& chart) {
  chart.SetBounds({0, 0, 1800, 1000});
  chart.SetMargins(100, 50, 100, 50);
}

TEST(ChartSeries, ValuesNullsAndMinMax) {
  CFastLineSeries s;
  EXPECT_EQ(s.MinYValue(), 0);  // nothing to measure
  s.AddXY(1, 5);
  s.AddNull(2);
  s.AddXY(3, -2);
  s.AddXY(NAN, 100);
  s.AddXY(4, INFINITY);
  EXPECT_EQ(s.Count(), 5);
  EXPECT_TRUE(s.IsNull(1));
  EXPECT_TRUE(s.IsNull(3));
  EXPECT_FALSE(s.IsNull(2));
  EXPECT_EQ(s.MinXValue(), 1);
  EXPECT_EQ(s.MaxXValue(), 3);
  EXPECT_EQ(s.MinYValue(), -2);
  EXPECT_EQ(s.MaxYValue(), 5);
  EXPECT_TRUE(s.XMonotonic());
  s.AddXY(0, 0);
  EXPECT_FALSE(s.XMonotonic());

  const double x[] = {3, 2, 1}, y[] = {1, 2, 3};
  s.SetData(x, y, 3);
  EXPECT_TRUE(s.XMonotonic());  // falling is in order too
  const double* before = s.YValues();
  s.SetData(nullptr, y, 3);
  EXPECT_EQ(s.YValues(), before);  // same size, same memory
  EXPECT_EQ(s.XValue(2), 2);

  AssertCapture asserts;
  EXPECT_TRUE(std::isnan(s.YValue(3)));
  s.SetData(x, nullptr, 3);
  EXPECT_EQ(asserts.Count(), 2u);
  EXPECT_EQ(s.Count(), 0);
}

TEST(FastLineSeries, GapsAtNullsAndSmallSeriesPointByPoint) {
  CChart chart;
  Layout(chart);
  chart.BottomAxis().SetMinMax(0, 9);
  chart.LeftAxis().SetMinMax(0, 10);
  CFastLineSeries s;
  chart.AddSeries(&s);
  for (int i = 0; i < 10; ++i) i == 4 ? s.AddNull(i) : s.AddXY(i, i);
  CRecordingCanvas canvas;
  s.Draw(canvas);
  ASSERT_EQ(canvas.Count(CRecordingCanvas::opPolyline), 2);
  EXPECT_EQ(canvas.ops[0].points.size(), 4u);
  EXPECT_EQ(canvas.ops[1].points.size(), 5u);
  EXPECT_DOUBLE_EQ(canvas.ops[1].points[0].x, chart.BottomAxis().CalcPosValue(5));
  EXPECT_DOUBLE_EQ(canvas.ops[1].points[0].y, chart.LeftAxis().CalcPosValue(5));

  // Gaps split a thinned sweep too, and x turning back falls back to every point.
  std::vector<double> x(20000), y(20000);
  for (int i = 0; i < 20000; ++i) x[i] = i % 2 ? i : 20000 - i, y[i] = i == 10000 ? NAN : 1;
  chart.BottomAxis().SetMinMax(0, 20000);
  s.SetData(x.data(), y.data(), 20000);
  CCountingCanvas counter;
  s.Draw(counter);
  EXPECT_GE(counter.Points(clBlack), 19999);
  for (int i = 0; i < 20000; ++i) x[i] = i;
  s.SetData(x.data(), y.data(), 20000);
  CRecordingCanvas thinned;
  s.Draw(thinned);
  EXPECT_EQ(thinned.Count(CRecordingCanvas::opPolyline), 2);
}

TEST(Chart, DrawsLayersInOrderAndSeriesClippedToThePlot) {
  CChart chart;
  Layout(chart);
  chart.SetColor(RGBColor(1, 1, 1));
  chart.SetBackWallColor(RGBColor(2, 2, 2));
  chart.BottomAxis().SetMinMax(0, 10);
  chart.LeftAxis().SetMinMax(0, 10);
  CFastLineSeries line;
  line.SetColor(kRed);
  line.AddXY(0, 0);
  line.AddXY(20, 20);  // beyond the plot: clipping keeps it inside
  CPointSeries points;
  points.SetColor(RGBColor(0, 0, 255));
  points.AddXY(5, 5);
  points.AddNull(6);
  points.AddXY(50, 5);
  CFastLineSeries hidden;
  hidden.AddXY(1, 1);
  hidden.AddXY(2, 2);
  hidden.SetVisible(false);
  for (CChartSeries* s : std::initializer_list<CChartSeries*>{&line, &points, &hidden}) chart.AddSeries(s);
  int hookAt = -1;
  CRecordingCanvas canvas;
  chart.SetAfterDraw([&](ICanvas& c) {
    hookAt = int(canvas.ops.size());
    c.Line(0, 0, 1, 1);
  });
  chart.Draw(canvas);

  ASSERT_GE(canvas.ops.size(), 3u);
  EXPECT_EQ(canvas.ops[0].op, CRecordingCanvas::opFillRect);
  EXPECT_EQ(canvas.ops[0].brush.color, RGBColor(1, 1, 1));
  EXPECT_EQ(canvas.ops[0].rect.right, 1800);
  EXPECT_EQ(canvas.ops[1].op, CRecordingCanvas::opFillRect);
  EXPECT_EQ(canvas.ops[1].brush.color, RGBColor(2, 2, 2));
  EXPECT_EQ(canvas.ops[1].rect.left, 100);
  EXPECT_EQ(canvas.ops[1].rect.bottom, 950);
  int grid = 0, firstSeries = -1;
  std::set<std::wstring> labels;
  for (int i = 0; i < int(canvas.ops.size()); ++i) {
    const auto& op = canvas.ops[i];
    if (op.op == CRecordingCanvas::opLine && op.pen.style == psDot) {
      ++grid;
      EXPECT_EQ(firstSeries, -1) << "grid after series";
    }
    if (op.op == CRecordingCanvas::opText) labels.insert(op.text);
    if (op.op == CRecordingCanvas::opPolyline || op.op == CRecordingCanvas::opRectangle) {
      if (op.pen.color != kRed && op.pen.color != RGBColor(0, 0, 255)) continue;  // the frame
      if (firstSeries < 0) firstSeries = i;
      EXPECT_TRUE(op.clipped);
      EXPECT_EQ(op.clip.left, 100);
      EXPECT_EQ(op.clip.right, 1700);
    }
  }
  EXPECT_EQ(grid, 22);  // ten divisions on both axes, ends included
  EXPECT_TRUE(labels.count(L"0") && labels.count(L"5") && labels.count(L"10"));
  EXPECT_GT(firstSeries, 1);
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opPolyline), 1);  // the hidden series is not drawn
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opRectangle), 2);  // the frame and one mark
  EXPECT_EQ(hookAt, int(canvas.ops.size()) - 1);
  EXPECT_FALSE(canvas.ops.back().clipped);

  chart.Lock();
  chart.Lock();
  chart.Unlock();
  CRecordingCanvas locked;
  chart.Draw(locked);
  EXPECT_TRUE(locked.ops.empty());
  chart.Unlock();
  chart.Draw(locked);
  EXPECT_FALSE(locked.ops.empty());
}

TEST(Chart, SeriesAndCustomAxesComeAndGo) {
  auto chart = std::make_unique<CChart>();
  CFastLineSeries kept;
  {
    CFastLineSeries temporary;
    chart->AddSeries(&kept);
    chart->AddSeries(&temporary);
    chart->AddSeries(&kept);
    EXPECT_EQ(chart->SeriesCount(), 2);
  }
  EXPECT_EQ(chart->SeriesCount(), 1);
  CChartAxis* axis = chart->AddCustomAxis(false);
  kept.SetVertAxis(axis);
  EXPECT_EQ(kept.VertAxis(), axis);
  chart->RemoveCustomAxis(axis);
  EXPECT_EQ(kept.VertAxis(), &chart->LeftAxis());
  chart.reset();
  EXPECT_EQ(kept.Chart(), nullptr);
  EXPECT_EQ(kept.HorizAxis(), nullptr);
  CRecordingCanvas canvas;
  kept.AddXY(1, 1);
  kept.Draw(canvas);  // off any chart: nothing to draw on
  EXPECT_TRUE(canvas.ops.empty());
}

}  // namespace

TEST(Chart, AGridFarFromZeroEnds) {
  // Far from zero a tick number plus one rounds back to itself; the grid still ends.
  CChart chart;
  Layout(chart);
  chart.BottomAxis().SetMinMax(1e18, 1e18 + 4096);
  chart.BottomAxis().SetIncrement(64);  // 1e18 / 64 is past 2^53
  chart.LeftAxis().SetMinMax(-1, 1);
  CRecordingCanvas canvas;
  chart.Draw(canvas);
  EXPECT_LE(canvas.Count(CRecordingCanvas::opLine), 200);
}

namespace {

// The dotted grid lines and the texts a chart draws, by position along their axis.
struct SAxisDrawing {
  std::vector<double> rows, columns;  // grid lines
  std::vector<std::pair<double, std::wstring>> left, bottom;  // labels: centre, text
};

SAxisDrawing DrawAxes(CChart& chart) {
  CRecordingCanvas canvas;
  chart.Draw(canvas);
  SAxisDrawing d;
  const SRect plot = chart.PlotRect();
  for (const auto& op : canvas.ops) {
    if (op.op == CRecordingCanvas::opLine && op.pen.style == psDot)
      (op.points[0].y == op.points[1].y ? d.rows : d.columns).push_back(op.points[0].y == op.points[1].y ? op.points[0].y : op.points[0].x);
    if (op.op != CRecordingCanvas::opText) continue;
    const double w = 6.0 * op.text.size();
    if (op.points[0].x + w <= plot.left) d.left.push_back({op.points[0].y + 6, op.text});
    else if (op.points[0].y >= plot.bottom) d.bottom.push_back({op.points[0].x + w / 2, op.text});
  }
  return d;
}

}  // namespace

TEST(Chart, GridThroughTheReferenceAndLabelsThinnedEvenlyKeepingTheEnds) {
  CChart chart;
  chart.SetBounds({0, 0, 400, 300});
  chart.SetMargins(60, 20, 20, 40);  // plot 60…380 × 20…260
  // A reference of 3 at division 5 of 7 each: -32 … 38, no multiple of 7 at either end.
  chart.LeftAxis().SetMinMax(-32, 38);
  chart.LeftAxis().SetIncrement(7);
  chart.LeftAxis().SetGridOrigin(3);
  chart.BottomAxis().SetMinMax(0, 10);
  chart.BottomAxis().SetIncrement(1);
  SAxisDrawing d = DrawAxes(chart);
  ASSERT_EQ(d.rows.size(), 11u);
  EXPECT_DOUBLE_EQ(d.rows.front(), 260);  // the bottom edge
  EXPECT_DOUBLE_EQ(d.rows.back(), 20);    // the top edge
  EXPECT_DOUBLE_EQ(d.rows[5], chart.LeftAxis().CalcPosValue(3));
  ASSERT_EQ(d.left.size(), 11u);  // 24 pixels apart: every one
  EXPECT_EQ(d.left.front().second, L"-32");
  EXPECT_EQ(d.left.back().second, L"38");

  // 10 pixels apart: every second label, both ends kept.
  chart.SetBounds({0, 0, 400, 160});  // plot 20…120
  d = DrawAxes(chart);
  EXPECT_EQ(d.rows.size(), 11u);  // every line stays
  std::vector<std::wstring> texts;
  for (const auto& [at, text] : d.left) texts.push_back(text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"-32", L"-18", L"-4", L"10", L"24", L"38"}));
  // 4 pixels apart: the ends and the reference in the middle.
  chart.SetBounds({0, 0, 400, 100});  // plot 20…60
  d = DrawAxes(chart);
  texts.clear();
  for (const auto& [at, text] : d.left) texts.push_back(text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"-32", L"3", L"38"}));
  for (std::size_t k = 1; k < d.left.size(); ++k) EXPECT_GE(d.left[k - 1].first - d.left[k].first, 13);
  // Horizontal labels never touch: 32 pixels a division, labels up to 12 wide.
  for (std::size_t k = 1; k < d.bottom.size(); ++k) EXPECT_GE(d.bottom[k].first - d.bottom[k - 1].first, 12 + 8);

  // Without axes the chart draws no grid and no labels.
  chart.SetAxesVisible(false);
  d = DrawAxes(chart);
  EXPECT_TRUE(d.rows.empty() && d.columns.empty() && d.left.empty() && d.bottom.empty());
}

TEST(Chart, LogarithmicAxisShowsDecadesWithUnits) {
  CChart chart;
  Layout(chart);
  CChartAxis& bottom = chart.BottomAxis();
  bottom.SetMinMax(1e6, 3e9);
  bottom.SetLogarithmic(true);
  bottom.SetLabelQuantity(L"Hz");
  SAxisDrawing d = DrawAxes(chart);
  ASSERT_EQ(d.columns.size(), 4u);
  EXPECT_DOUBLE_EQ(d.columns[0], 100);  // 1 MHz on the left edge
  EXPECT_NEAR(d.columns[3], bottom.CalcPosValue(1e9), 1e-9);
  ASSERT_EQ(d.bottom.size(), 4u);
  EXPECT_EQ(d.bottom[3].second, CalcOptimalValueString(1e9, L"Hz", 6));
  // Within one decade also 2 and 5 times the decade.
  bottom.SetMinMax(1.5e9, 9e9);
  d = DrawAxes(chart);
  ASSERT_EQ(d.columns.size(), 2u);
  EXPECT_NEAR(d.columns[0], bottom.CalcPosValue(2e9), 1e-9);
  EXPECT_NEAR(d.columns[1], bottom.CalcPosValue(5e9), 1e-9);
}
