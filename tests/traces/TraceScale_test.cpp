// Stimulus range, response scale, autoscale and pixel/value conversions of a trace.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "chart/Series.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/DiagramStub.h"
#include "support/TestTrace.h"

TEST(TraceScale, ReferenceDivisionAndPositionDefineTheScale) {
  AssertCapture asserts;
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  trace.SetScale(0, 10);
  EXPECT_DOUBLE_EQ(trace.GetScaleMin(), -50);
  EXPECT_DOUBLE_EQ(trace.GetScaleMax(), 50);

  trace.SetRefPosition(12);
  EXPECT_EQ(trace.GetRefPosition(), 10);
  EXPECT_DOUBLE_EQ(trace.GetScaleRef(), 0);
  EXPECT_DOUBLE_EQ(trace.GetScaleMin(), -100);

  trace.SetScaleRef(-20);
  trace.SetScaleDiv(2.5);
  EXPECT_DOUBLE_EQ(trace.GetScaleMax(), -20);
  EXPECT_DOUBLE_EQ(trace.GetScaleDiv(), 2.5);
  EXPECT_TRUE(diagram.Asked(L"scale"));

  // A too narrow scale widens to ten minimum divisions around its centre.
  trace.SetQuantity(vtResponse, L"R(dB)");
  trace.SetScaleMinMax(1.0, 1.00001);
  EXPECT_NEAR(trace.GetScaleMin(), 0.950005, 1e-12);
  EXPECT_NEAR(trace.GetScaleMax(), 1.050005, 1e-12);
  EXPECT_EQ(asserts.Count(), 0u);

  trace.SetScaleMinMax(5, 5);  // reported, and still a usable scale
  EXPECT_TRUE(asserts.Saw("MaxNew>MinNew"));
  EXPECT_LT(trace.GetScaleMin(), trace.GetScaleMax());
}

TEST(TraceScale, MinimumDivisionFollowsTheQuantityAndTheReferenceLevel) {
  CMeasurement channel;
  channel.SetResponseQuantity(L"dBm");
  CTestTrace trace(nullptr);
  trace.SetMeasurement(&channel);
  EXPECT_DOUBLE_EQ(trace.GetMinScaleDiv(), 1e-6);
  channel.SetParameter(L"reference_level", L"-10");
  EXPECT_DOUBLE_EQ(trace.GetMinScaleDiv(), 0.01);
}

TEST(TraceScale, AutoscaleNormalAndWithAFixedReference) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  const double x[] = {0, 1, 2, 3}, y[] = {-37, -12, -5, -21};
  trace.Feed(4, 0, 4, x, y);
  trace.SetAutoScale();
  EXPECT_LE(trace.GetScaleMin(), -37);
  EXPECT_GE(trace.GetScaleMax(), -5);
  EXPECT_LT(trace.GetScaleMax() - trace.GetScaleMin(), 100);

  // The channel fixes the reference: only the division changes, rounded up to one digit.
  trace.fixedRef = true;
  trace.SetScale(0, 10);
  trace.SetAutoScale();
  EXPECT_DOUBLE_EQ(trace.GetScaleRef(), 0);
  EXPECT_DOUBLE_EQ(trace.GetScaleDiv(), 4);  // 0.1 × 37 → 3.7 → 4

  trace.SetScale(-40, 10);  // reference below the data: nothing to do
  trace.SetAutoScale();
  EXPECT_DOUBLE_EQ(trace.GetScaleDiv(), 10);
}

TEST(TraceScale, ZeroSpanGivesASyntheticTimeAxis) {
  CMeasurement channel;
  channel.SetStimulusQuantity(L"Hz");
  channel.SetPointsCount(11);
  channel.SetStimulusRange(2e9, 2e9, true);
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  trace.SetMeasurement(&channel);
  ASSERT_TRUE(trace.ZeroRange());
  const double width = trace.GetStimulusStop() - trace.GetStimulusStart();
  EXPECT_NEAR(width, 1e9 * 1e-8, 1e-6);  // 1e-8 of the display unit (GHz)

  std::vector<double> x(11, 2e9), y(11, -3);
  trace.Feed(11, 0, 11, x.data(), y.data());
  EXPECT_NEAR(trace.ZeroValue(), 2e9, 1e-3);
  EXPECT_NEAR(trace.Value(vtStimulus, 7), 2e9, 1e-3);  // the centre is shown
  EXPECT_NEAR(trace.Value(vtStimulus, 10, true) - trace.Value(vtStimulus, 0, true), width, 1e-6);
  EXPECT_FALSE(trace.SetStimulusRange(trace.GetStimulusStart(), trace.GetStimulusStop()));
}

TEST(TraceScale, ResponseByXInterpolatesBetweenBracketingPoints) {
  CTestTrace trace(nullptr);
  EXPECT_TRUE(std::isnan(trace.ResponseByX(vtResponse, 1.0)));
  const double x[] = {10, 20, 30, 40}, y[] = {1, 3, 7, 15};
  trace.Feed(4, 0, 4, x, y);

  bool interpolated = false;
  EXPECT_DOUBLE_EQ(trace.ResponseByX(vtResponse, 25, false, &interpolated), 5);
  EXPECT_TRUE(interpolated);
  EXPECT_DOUBLE_EQ(trace.ResponseByX(vtResponse, 30, false, &interpolated), 7);
  EXPECT_FALSE(interpolated);
  EXPECT_DOUBLE_EQ(trace.ResponseByX(vtResponse, 10), 1);
  EXPECT_DOUBLE_EQ(trace.ResponseByX(vtResponse, 40), 15);
  EXPECT_TRUE(std::isnan(trace.ResponseByX(vtResponse, 9.99)));
  EXPECT_TRUE(std::isnan(trace.ResponseByX(vtResponse, 40.01)));

  // A falling sweep, with its first stimulus missing.
  const double xr[] = {NAN, 30, 20, 10}, yr[] = {0, 2, 4, 6};
  trace.Feed(4, 0, 4, xr, yr);
  EXPECT_DOUBLE_EQ(trace.ResponseByX(vtResponse, 12.5), 5.5);
  EXPECT_DOUBLE_EQ(trace.XValueMax(), 10);
}

TEST(TraceScale, PixelsAndValues) {
  AssertCapture asserts;
  CDiagramStub diagram;  // plot rectangle 1000 × 500
  CTestTrace trace(&diagram);
  trace.SetStimulusRange(0, 1e6);
  trace.SetScale(0, 10);
  const SRect plot = diagram.chart.PlotRect();
  ASSERT_EQ(plot.Width(), 1000);

  // Rounded to the value one pixel spans (1000 Hz here, 0.2 per pixel vertically).
  EXPECT_DOUBLE_EQ(trace.CalcValueXPos(plot.left + 333), 333000);
  EXPECT_DOUBLE_EQ(trace.CalcValueXPos(plot.left), 0);
  const double top = trace.CalcValueYPos(plot.top + 1);
  EXPECT_NEAR(top, 49.8, 1e-9);
  EXPECT_DOUBLE_EQ(trace.CalcPosValue(vtStimulus, 5e5), plot.left + 500);
  EXPECT_DOUBLE_EQ(trace.CalcPosValue(vtResponse, 0), plot.top + 250);
  EXPECT_EQ(trace.CalcPosValue(vtResponseIm, 0), -1);
  EXPECT_EQ(trace.CalcPolarXPos(10), 0);

  diagram.chart.SetBounds({0, 0, 120, 70});  // margins eat the whole chart
  EXPECT_TRUE(std::isnan(trace.CalcValueXPos(5)));
  EXPECT_TRUE(asserts.Saw("ChartRect.Width()!=0 && ChartRect.Height()!=0"));
}

TEST(TraceScale, BindingMovesTheSeriesToADiagramAxis) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  trace.BindTrace(baRight, true);
  EXPECT_EQ(trace.GetBindedAxis(), baRight);
  EXPECT_EQ(trace.Series()->VertAxis(), &diagram.chart.RightAxis());
  EXPECT_TRUE(diagram.Asked(L"scale"));
  trace.BindTrace(baRight, false);
  EXPECT_EQ(trace.Series()->VertAxis(), trace.VertAxis());
}
