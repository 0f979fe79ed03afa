#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <complex>
#include <vector>

#include "chart/Chart.h"
#include "common/Text.h"
#include "series/DigitSeries.h"
#include "series/LogSeries.h"
#include "series/PolarSeries.h"
#include "series/SmithSeries.h"
#include "support/Capture.h"
#include "support/RecordingCanvas.h"

namespace {

// Normalized impedance of a reflection coefficient given as magnitude and angle.
std::complex<double> ZOf(double magnitude, double angleDeg) {
  double re = 0, im = 0;
  TQuorSmithSeries::ParamsToZ(magnitude, angleDeg, re, im);
  const std::complex<double> g(re, im);
  return (1.0 + g) / (1.0 - g);
}

// A 600 x 400 plot starting at the window's corner.
struct ChartFixture {
  CChart chart;
  ChartFixture() {
    chart.SetBounds({0, 0, 600, 400});
    chart.SetMargins(0, 0, 0, 0);
  }
};

}  // namespace

TEST(SmithSeries, ParamsToZMatchesTextbookImpedances) {
  double re = 0, im = 0;
  TQuorSmithSeries::ParamsToZ(1, 90, re, im);
  EXPECT_NEAR(re, 0, 1e-12);
  EXPECT_NEAR(im, 1, 1e-12);
  // |G| = 1/3 on the real axis is VSWR 2: Z = 2; -0.5j gives 0.6 - 0.8j; 0 is the match.
  EXPECT_NEAR(std::abs(ZOf(1.0 / 3, 0) - 2.0), 0, 1e-12);
  EXPECT_NEAR(std::abs(ZOf(0.5, -90) - std::complex<double>(0.6, -0.8)), 0, 1e-12);
  EXPECT_NEAR(std::abs(ZOf(0, 37) - 1.0), 0, 1e-12);
}

TEST(SmithSeries, CircleRectAndPixelConversions) {
  ChartFixture f;
  TQuorSmithSeries s;
  f.chart.AddSeries(&s);
  s.CalcCircleRect();
  const SCircleRect& c = s.CircleRect();
  // Plot moved in 2 left/top, 1 at the bottom: 598 x 397, squared on the shorter side.
  EXPECT_EQ((std::vector<int>{c.rect.left, c.rect.right, c.rect.top, c.rect.bottom, c.radiusX, c.radiusY,
                              c.diameterX, c.centerX, c.centerY}),
            (std::vector<int>{102, 499, 2, 399, 198, 198, 396, 300, 200}));

  EXPECT_EQ(s.CalcReCoord(0), -1.0);
  EXPECT_EQ(s.CalcReCoord(c.rect.left), -1.0);
  EXPECT_EQ(s.CalcReCoord(c.rect.right), 1.0);
  EXPECT_EQ(s.CalcImCoord(0), 1.0);
  EXPECT_EQ(s.CalcImCoord(c.rect.bottom), -1.0);
  // Near the centre the value snaps away from zero to 0.01 with its sign.
  EXPECT_EQ(s.CalcReCoord(c.centerX), 0.01);
  EXPECT_EQ(s.CalcReCoord(c.centerX + 1), 0.01);
  EXPECT_EQ(s.CalcReCoord(c.centerX - 1), -0.01);
  EXPECT_EQ(s.CalcImCoord(c.centerY + 1), -0.01);
  EXPECT_DOUBLE_EQ(s.CalcReCoord(c.centerX + 3), 3.0 / 198);
  EXPECT_DOUBLE_EQ(s.CalcImCoord(c.centerY - 99), 99.0 / 198);
}

TEST(SmithSeries, PointsStimulusAndPointLookup) {
  ChartFixture f;
  TQuorPolarSeries s;  // same data and conversions as the Smith series
  f.chart.AddSeries(&s);
  s.AddPoint(0, 0, 1e9);
  s.AddPoint(1, 0, 2e9);
  s.AddPoint(-0.5, 0.5, 4e9);
  ASSERT_EQ(s.StimulusValues().size(), 3u);
  EXPECT_EQ(s.GetStimulusValue(2), 4e9);

  s.CalcCircleRect();
  const SCircleRect& c = s.CircleRect();
  SPointF p = s.GetPointAtValue(0);
  EXPECT_EQ(p.x, c.centerX);
  EXPECT_EQ(p.y, c.centerY);
  p = s.GetPointAtValue(2);
  EXPECT_NEAR(s.CalcReCoord(static_cast<int>(p.x)), -0.5, 1.0 / c.radiusX);
  EXPECT_NEAR(s.CalcImCoord(static_cast<int>(p.y)), 0.5, 1.0 / c.radiusY);

  {
    AssertCapture asserts;
    EXPECT_TRUE(std::isnan(s.GetPointAtValue(3).x));
    EXPECT_TRUE(std::isnan(s.GetStimulusValue(-1)));
    EXPECT_EQ(asserts.Count(), 2u);
  }

  const double re[] = {0.1, 0.2}, im[] = {0.3, 0.4}, st[] = {10, 20};
  s.SetPoints(re, im, st, 2);
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.StimulusValues(), (std::vector<double>{10, 20}));
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
  EXPECT_TRUE(s.StimulusValues().empty());
}

TEST(SmithSeries, DisplayRectZoomsAndCircledFlag) {
  ChartFixture f;
  TQuorSmithSeries s;
  f.chart.AddSeries(&s);
  EXPECT_TRUE(s.Circled());
  s.SetDisplayRect({0, 0.5, 0.5, 0});  // the upper right quarter of the first quadrant
  EXPECT_FALSE(s.Circled());
  s.AddPoint(0.25, 0.25, 1);
  s.CalcCircleRect();
  // The zoomed region fills the shorter side of the plot (397 px for 0.5), centred.
  EXPECT_NEAR(s.CircleRect().radiusX, 794, 1);
  const SPointF p = s.GetPointAtValue(0);
  EXPECT_NEAR(p.x, 301, 1);
  EXPECT_NEAR(p.y, 200.5, 1);
  s.SetCircled(true);
  EXPECT_TRUE(s.Circled());
  EXPECT_EQ(s.GetDisplayRect(), SDoubleRect{});
}

TEST(SmithSeries, DrawKeepsTheExtremesOfDensePointsAndBreaksAtNulls) {
  ChartFixture f;
  TQuorSmithSeries s;
  f.chart.AddSeries(&s);
  s.SetColor(RGBColor(255, 0, 0));
  // A circle of radius 0.9 in 3000 steps of about 0.37 pixels, then 2000 points on the centre,
  // then a lone point.
  constexpr int kRing = 3000;
  for (int i = 0; i <= kRing; ++i) s.AddPoint(0.9 * std::cos(i * 2 * M_PI / kRing), 0.9 * std::sin(i * 2 * M_PI / kRing), i);
  s.AddNull();
  for (int i = 0; i < 2000; ++i) s.AddPoint(1e-4 * (i % 7), 0, i);
  s.AddNull();
  s.AddPoint(-0.5, 0.5, 0);
  CRecordingCanvas canvas;
  s.Draw(canvas);
  // Fewer points than a chunk of the canvas: one polyline per run.
  std::vector<std::vector<SPointF>> runs;
  for (const auto& op : canvas.ops) {
    ASSERT_EQ(op.op, CRecordingCanvas::opPolyline);
    EXPECT_EQ(op.pen.color, RGBColor(255, 0, 0));
    runs.push_back(op.points);
  }
  ASSERT_EQ(runs.size(), 3u);
  const SCircleRect& c = s.CircleRect();
  const double circumference = 2 * M_PI * 0.9 * c.radiusX;
  EXPECT_GT(runs[0].size(), circumference / 4);
  EXPECT_LT(runs[0].size(), circumference * 1.5);
  // Points of the data (on the ring), never further apart than a window of 3 pixels each way.
  for (std::size_t k = 1; k < runs[0].size(); ++k) {
    EXPECT_LT(std::hypot(runs[0][k].x - runs[0][k - 1].x, runs[0][k].y - runs[0][k - 1].y), 3 * M_SQRT2 + 0.4);
    EXPECT_NEAR(std::hypot(runs[0][k].x - c.centerX, runs[0][k].y - c.centerY), 0.9 * c.radiusX, 1e-9);
  }
  // Each run ends exactly where its data end.
  EXPECT_EQ(runs[0].back().x, s.GetPointAtValue(kRing).x);
  EXPECT_EQ(runs[0].back().y, s.GetPointAtValue(kRing).y);
  // All within a pixel along the axis: nothing across the way, the first and the last.
  ASSERT_EQ(runs[1].size(), 2u);
  EXPECT_EQ(runs[1][0].x, c.centerX);
  EXPECT_EQ(runs[1][1].x, s.GetPointAtValue(kRing + 2001).x);
  // The lone point as a dot.
  ASSERT_EQ(runs[2].size(), 2u);
  EXPECT_EQ(runs[2][0].x, runs[2][1].x);
}

TEST(SmithSeries, NiceValuesAndCrossings) {
  const std::vector<std::pair<double, double>> nice = {{0.0123, 0.01}, {0.15, 0.2},  {0.35, 0.2}, {1.49, 1},
                                                       {1.5, 2},       {4.99, 5},    {7, 5},       {15, 20},
                                                       {449, 200},     {1000, 1000}, {0, 0},       {-3, 0}};
  for (const auto& [v, expected] : nice) EXPECT_DOUBLE_EQ(TQuorSmithSeries::NiceValue(v), expected) << v;

  // The arc of reactance x and the circle of resistance r, for a chart of radius 100 pixels,
  // meet where the reflection coefficient of r + jx lies: x to the left of the right end.
  for (const auto& [r, x] : std::vector<std::pair<double, double>>{{1, 1}, {0.5, 2}, {2, 0.2}, {0, 1}, {5, 10}}) {
    double left = 0, up = 0;
    TQuorSmithSeries::ZToPoint(100 / x, 200 / (r + 1), left, up);
    const std::complex<double> z(r, x), g = (z - 1.0) / (z + 1.0);
    EXPECT_NEAR(left, 100 * (1 - g.real()), 1e-9) << r << " " << x;
    EXPECT_NEAR(up, 100 * g.imag(), 1e-9) << r << " " << x;
  }

  double out = 0;
  TQuorSmithSeries::LineCross(3, 5, out, false);
  EXPECT_DOUBLE_EQ(out, 9);  // 4 + 5
  TQuorSmithSeries::LineCross(6, 5, out, false);
  EXPECT_DOUBLE_EQ(out, 6);
  TQuorSmithSeries::LineCross(2, 5, out, true);
  EXPECT_DOUBLE_EQ(out, 4);  // √(20 − 4)
  TQuorSmithSeries::LineCross(12, 5, out, true);
  EXPECT_DOUBLE_EQ(out, 12);
}

namespace {

std::vector<const CRecordingCanvas::SOp*> OpsOf(const CRecordingCanvas& canvas, CRecordingCanvas::EOp kind) {
  std::vector<const CRecordingCanvas::SOp*> out;
  for (const auto& op : canvas.ops)
    if (op.op == kind) out.push_back(&op);
  return out;
}

}  // namespace

TEST(SmithSeries, GridOfResistanceCirclesAndReactanceArcs) {
  ChartFixture f;
  TQuorSmithSeries s;
  f.chart.AddSeries(&s);
  s.SetCircleBackColor(RGBColor(250, 250, 240));
  CRecordingCanvas canvas;
  s.DrawGrid(canvas);
  // 398 pixels across: circles of 1-2-5 values, each about 50 pixels inside the one before.
  EXPECT_EQ(s.ResistanceValues(), (std::vector<double>{5, 2, 1, 0.5, 0.2}));
  const SCircleRect& c = s.CircleRect();
  const auto ellipses = OpsOf(canvas, CRecordingCanvas::opEllipse);
  ASSERT_EQ(ellipses.size(), 6u);
  // The unit circle first, filled with the background.
  EXPECT_EQ(ellipses[0]->rect.left, c.rect.left);
  EXPECT_EQ(ellipses[0]->rect.right, c.rect.left + c.diameterX);
  EXPECT_EQ(ellipses[0]->brush.color, RGBColor(250, 250, 240));
  double before = c.rect.left + c.diameterX;
  for (std::size_t k = 1; k < ellipses.size(); ++k) {
    const SRectF& e = ellipses[k]->rectF;
    EXPECT_DOUBLE_EQ(e.right, c.rect.left + c.diameterX);  // every circle touches the right end
    EXPECT_NEAR(e.right - e.left, c.diameterX / (s.ResistanceValues()[k - 1] + 1), 1e-9);
    EXPECT_GE(before - e.left, 47.5);
    before = e.left;
    EXPECT_EQ(ellipses[k]->brush.style, bsClear);
  }
  // A pair of arcs per reactance value, mirrored in the diameter, each from a resistance
  // circle out to the unit circle.
  EXPECT_EQ(s.ReactanceValues(), s.ResistanceValues());
  const auto arcs = OpsOf(canvas, CRecordingCanvas::opArc);
  ASSERT_EQ(arcs.size(), 2 * s.ReactanceValues().size());
  for (std::size_t k = 0; k < arcs.size(); k += 2) {
    EXPECT_DOUBLE_EQ(arcs[k]->start, -arcs[k + 1]->start);
    EXPECT_DOUBLE_EQ(arcs[k]->sweep, -arcs[k + 1]->sweep);
    const double x = s.ReactanceValues()[k / 2];
    EXPECT_NEAR(arcs[k]->rectF.right - arcs[k]->rectF.left, 2 * c.radiusX / x, 1e-9);
    // The end on the unit circle, where the label j<x> goes.
    const SRectF& b = arcs[k]->rectF;
    const double a = (arcs[k]->start + arcs[k]->sweep) * M_PI / 180;
    const double ex = 0.5 * (b.left + b.right) + 0.5 * (b.right - b.left) * std::cos(a);
    const double ey = 0.5 * (b.top + b.bottom) - 0.5 * (b.bottom - b.top) * std::sin(a);
    EXPECT_NEAR(std::hypot(ex - c.centerX, ey - c.centerY), c.radiusX, 0.5) << x;
  }
  // Labels: the resistance values along the diameter, turned upwards, and ±j per arc.
  std::vector<std::wstring> texts;
  for (const auto* t : OpsOf(canvas, CRecordingCanvas::opText)) texts.push_back(t->text);
  EXPECT_EQ(texts.size(), 5u + 10u);
  EXPECT_EQ(texts[0], L"5");
  EXPECT_EQ(OpsOf(canvas, CRecordingCanvas::opText)[0]->format.angle, 90);
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"j0.5"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"-j0.5"), texts.end());
  EXPECT_EQ(OpsOf(canvas, CRecordingCanvas::opText)[0]->font.name, L"Tahoma");

  // The admittance chart: the same circles touching the left end.
  s.SetAdmittance(true);
  canvas.ops.clear();
  s.DrawGrid(canvas);
  const auto mirrored = OpsOf(canvas, CRecordingCanvas::opEllipse);
  ASSERT_EQ(mirrored.size(), 6u);
  for (std::size_t k = 1; k < mirrored.size(); ++k) EXPECT_DOUBLE_EQ(mirrored[k]->rectF.left, c.rect.left);
}

TEST(SmithSeries, OneGridForAllCircleSeriesOfAChartAndNoneForAnEmptyPlot) {
  ChartFixture f;
  TQuorSmithSeries first, second;
  TQuorPolarSeries polar;
  f.chart.AddSeries(&first);
  f.chart.AddSeries(&second);
  f.chart.AddSeries(&polar);
  CRecordingCanvas canvas;
  f.chart.Draw(canvas);
  const int ellipses = canvas.Count(CRecordingCanvas::opEllipse);
  EXPECT_EQ(ellipses, 6);  // the first Smith series' circles only
  first.SetVisible(false);
  canvas.ops.clear();
  f.chart.Draw(canvas);
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opEllipse), ellipses);  // now the second's

  f.chart.SetMargins(300, 200, 300, 200);
  canvas.ops.clear();
  f.chart.Draw(canvas);
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opEllipse), 0);
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opArc), 0);
}

TEST(PolarSeries, GridOfMagnitudeCirclesAndAngleLinesRefinesWhenZoomed) {
  ChartFixture f;
  TQuorPolarSeries s;
  f.chart.AddSeries(&s);
  CRecordingCanvas canvas;
  s.DrawGrid(canvas);
  // The unit circle and four more; twelve lines, one pixel wider than the pen.
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opEllipse), 5);
  const auto lines = OpsOf(canvas, CRecordingCanvas::opLine);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0]->pen.width, s.GetImPen().width + 1);
  EXPECT_EQ(s.MagnitudeCount(), 5);
  EXPECT_EQ(s.AngleStep(), 30);
  const SCircleRect& c = s.CircleRect();
  EXPECT_NEAR(OpsOf(canvas, CRecordingCanvas::opEllipse)[2]->rectF.right - c.centerX, 0.4 * c.radiusX, 1e-9);

  // A small window right of the centre just above the axis: none of the 0.2 positions and
  // only the 0° line: circles every 1/40, lines every degree.
  s.SetDisplayRect({0.85, 0.05, 0.95, -0.02});
  canvas.ops.clear();
  s.DrawGrid(canvas);
  EXPECT_EQ(s.MagnitudeCount(), 40);
  EXPECT_EQ(s.AngleStep(), 1);
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opEllipse), 5 + 39 - 4);
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opLine), 360);

  // Around 0.2 on the axis: one magnitude position and three 30° lines seen.
  s.SetDisplayRect({0.15, 0.1, 0.3, -0.1});
  canvas.ops.clear();
  s.DrawGrid(canvas);
  EXPECT_EQ(s.MagnitudeCount(), 20);
  EXPECT_EQ(s.AngleStep(), 10);
}

TEST(LogSeries, MinorGridPerDecade) {
  TQuorLogSeries s;
  s.SetStimulusRange(1e6, 3e9);
  std::vector<double> expected;
  for (double d : {1e6, 1e7, 1e8})
    for (int k = 2; k <= 9; ++k) expected.push_back(k * d);
  expected.push_back(2e9);
  expected.push_back(3e9);
  EXPECT_EQ(s.MinorGrid(), expected);

  s.SetStimulusRange(150, 4000);
  EXPECT_EQ(s.MinorGrid(), (std::vector<double>{200, 300, 400, 500, 600, 700, 800, 900, 2000, 3000, 4000}));

  // Drawn through the series' axis, a dotted line per minor value inside the plot.
  ChartFixture f;
  f.chart.AddSeries(&s);
  f.chart.BottomAxis().SetMinMax(150, 4000);
  f.chart.BottomAxis().SetLogarithmic(true);
  CRecordingCanvas canvas;
  s.DrawGrid(canvas);
  ASSERT_EQ(canvas.Count(CRecordingCanvas::opLine), 11);
  EXPECT_EQ(canvas.ops[0].pen.style, psDot);
  EXPECT_NEAR(canvas.ops[0].points[0].x, 600 * std::log10(200.0 / 150) / std::log10(4000.0 / 150), 1e-9);
  EXPECT_EQ(canvas.ops[0].points[1].y, 400);

  AssertCapture asserts;
  s.SetStimulusRange(1e6, 3e9);
  s.SetStimulusRange(0, 1e9);
  EXPECT_TRUE(asserts.Saw("dMin > 0 && dMax > 0"));
  EXPECT_TRUE(s.MinorGrid().empty());
  s.SetStimulusRange(1, INFINITY);
  EXPECT_EQ(asserts.Count(), 2u);
  EXPECT_TRUE(s.MinorGrid().empty());
}

TEST(DigitSeries, KeepsValuesAndDrawsTheFirst) {
  ChartFixture f;
  TQuorDigitSeries s;
  f.chart.AddSeries(&s);
  s.AddPoint(1e9, -3.25, 7.5);
  s.AddPoint(2e9, 4);
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.YValue(0), -3.25);
  EXPECT_EQ(s.GetValue(0), 7.5);
  EXPECT_TRUE(std::isnan(s.GetValue(1)));

  CRecordingCanvas canvas;
  s.Draw(canvas);
  ASSERT_EQ(canvas.Count(CRecordingCanvas::opText), 1);
  EXPECT_NE(canvas.ops[0].text.find(L"-3.25"), std::wstring::npos);
  EXPECT_NE(canvas.ops[0].text.find(L"7.5"), std::wstring::npos);

  s.SetPoint(5, NAN);
  EXPECT_EQ(s.Count(), 1);
  EXPECT_TRUE(std::isnan(s.GetValue(0)));
  canvas.ops.clear();
  s.Draw(canvas);
  ASSERT_EQ(canvas.ops.size(), 1u);
  EXPECT_EQ(canvas.ops[0].text, Tr("Н/Д"));

  AssertCapture asserts;
  EXPECT_TRUE(std::isnan(s.GetValue(3)));
  EXPECT_EQ(asserts.Count(), 1u);
}
