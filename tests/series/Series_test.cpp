#include <gtest/gtest.h>

#include <cmath>
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
  EXPECT_EQ(c.rect.left, 102);
  EXPECT_EQ(c.rect.right, 500);
  EXPECT_EQ(c.radiusX, 199);
  EXPECT_EQ(c.radiusY, 198);

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
  EXPECT_DOUBLE_EQ(s.CalcReCoord(c.centerX + 3), 3.0 / 199);
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

TEST(SmithSeries, DrawJoinsPointsAndBreaksAtNulls) {
  ChartFixture f;
  TQuorSmithSeries s;
  f.chart.AddSeries(&s);
  s.SetColor(RGBColor(255, 0, 0));
  for (int i = 0; i < 3000; ++i) s.AddPoint(std::cos(i * 0.01) * 0.5, std::sin(i * 0.01) * 0.5, i);
  s.AddNull();
  s.AddPoint(0, 0, 0);
  CRecordingCanvas canvas;
  s.Draw(canvas);
  int points = 0;
  for (const auto& op : canvas.ops) {
    ASSERT_EQ(op.op, CRecordingCanvas::opPolyline);
    EXPECT_EQ(op.pen.color, RGBColor(255, 0, 0));
    points += static_cast<int>(op.points.size());
  }
  // The long run comes in chunks that repeat their joining point; the lone point as a dot.
  ASSERT_GE(canvas.ops.size(), 2u);
  const int joins = static_cast<int>(canvas.ops.size()) - 2;
  EXPECT_EQ(points, 3000 + joins + 2);
  const auto& last = canvas.ops.back().points;
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[0].x, s.CircleRect().centerX);
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
