#include "chart/ChartAxis.h"

#include <gtest/gtest.h>

#include <cmath>

#include "chart/Chart.h"
#include "support/Capture.h"

namespace {

// Plot rectangle 100…900 × 50…550.
void Layout(CChart& chart) {
  chart.SetBounds({0, 0, 1000, 600});
  chart.SetMargins(100, 50, 100, 50);
}

TEST(ChartAxis, LinearAndInvertedPlaceValuesOnThePlotRectangle) {
  CChart chart;
  Layout(chart);
  CChartAxis& x = chart.BottomAxis();
  CChartAxis& y = chart.LeftAxis();
  x.SetMinMax(0, 10);
  y.SetMinMax(-1, 1);
  EXPECT_DOUBLE_EQ(x.CalcPosValue(0), 100);
  EXPECT_DOUBLE_EQ(x.CalcPosValue(5), 500);
  EXPECT_DOUBLE_EQ(x.CalcPosValue(10), 900);
  EXPECT_DOUBLE_EQ(y.CalcPosValue(-1), 550);  // vertical axes grow upwards
  EXPECT_DOUBLE_EQ(y.CalcPosValue(1), 50);
  EXPECT_DOUBLE_EQ(x.CalcPosPoint(300), 2.5);
  x.SetInverted(true);
  y.SetInverted(true);
  EXPECT_DOUBLE_EQ(x.CalcPosValue(0), 900);
  EXPECT_DOUBLE_EQ(y.CalcPosValue(1), 550);
  EXPECT_DOUBLE_EQ(x.CalcPosPoint(900), 0);

  CChartAxis* custom = chart.AddCustomAxis(true);
  custom->SetMinMax(1e9, 2e9);
  EXPECT_DOUBLE_EQ(custom->CalcPosValue(1.5e9), 500);
  x.SetMinMax(10, 0);  // reversed pair is swapped
  EXPECT_EQ(x.Minimum(), 0);
  EXPECT_EQ(x.Maximum(), 10);
}

TEST(ChartAxis, RoundTripIsExactForLinearAndLogarithmic) {
  CChart chart;
  Layout(chart);
  CChartAxis& x = chart.BottomAxis();
  for (bool log : {false, true}) {
    x.SetLogarithmic(log);
    x.SetMinMax(log ? 1e3 : -3e9, 3.2e9);
    for (double v : {1e3, 1234.5678, 1e6, 2.99999e9, 3.2e9}) {
      const double back = x.CalcPosPoint(x.CalcPosValue(v));
      EXPECT_NEAR(back, v, std::fabs(v) * 1e-9) << log << " " << v;
    }
    for (double pixel : {100.0, 333.3, 899.0}) EXPECT_NEAR(x.CalcPosValue(x.CalcPosPoint(pixel)), pixel, 1e-9);
  }
  x.SetMinMax(1, 1e4);
  EXPECT_NEAR(x.CalcPosValue(100), 500, 1e-9);
  EXPECT_TRUE(std::isnan(x.CalcPosValue(0)));
  EXPECT_TRUE(std::isnan(x.CalcPosValue(-5)));
  x.SetMinMax(0, 1e4);  // no place for anything while the minimum is not positive
  EXPECT_TRUE(std::isnan(x.CalcPosValue(100)));
}

TEST(ChartAxis, DegenerateRangeAndBadLimitsAreSafe) {
  CChart chart;
  Layout(chart);
  CChartAxis& x = chart.BottomAxis();
  x.SetMinMax(5, 5);
  EXPECT_DOUBLE_EQ(x.CalcPosValue(5), 500);
  EXPECT_DOUBLE_EQ(x.CalcPosValue(7), 500);
  EXPECT_EQ(x.CalcPosPoint(300), 5);
  chart.SetMargins(500, 300, 500, 300);  // no plot left
  x.SetMinMax(0, 1);
  EXPECT_EQ(x.CalcPosPoint(500), 0);
  EXPECT_EQ(chart.PlotRect().Width(), 0);

  AssertCapture asserts;
  x.SetMinMax(0, NAN);
  EXPECT_EQ(asserts.Count(), 1u);
  EXPECT_EQ(x.Maximum(), 1);
}

}  // namespace
