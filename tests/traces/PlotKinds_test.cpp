// The table of plot kinds: one row per kind in order, and every kind writes, reads and draws
// the same display buffer.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/Series.h"
#include "support/DiagramStub.h"
#include "support/RecordingCanvas.h"
#include "support/TestTrace.h"
#include "traces/PlotKinds.h"

TEST(PlotKinds, EveryKindReadsBackWhatItWasGivenAndDraws) {
  for (int value = plRect; IsPlotKind(value); ++value) {
    const EPlot plot = static_cast<EPlot>(value);
    const SPlotKind& kind = PlotKind(plot);
    ASSERT_EQ(kind.plot, plot) << "rows out of order at " << value;
    if (plot == plDigit) continue;  // holds only one-point sweeps (TracePipeline.OnePointSweeps…)
    CDiagramStub diagram;
    CTestTrace trace(&diagram);
    ASSERT_TRUE(trace.SetPlot(plot)) << value;
    const double x[] = {1, 2, 3}, re[] = {0.5, -0.25, 0.125}, im[] = {0.25, 0.5, -0.75};
    trace.Feed(3, 0, 3, x, re, im);
    ASSERT_EQ(trace.Count(), 3) << value;
    EXPECT_EQ(trace.GetPlot(), plot);
    EXPECT_DOUBLE_EQ(trace.Value(vtStimulus, 2), 3) << value;
    EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 1), -0.25) << value;
    if (kind.imaginary) {
      EXPECT_DOUBLE_EQ(trace.Value(vtResponseIm, 2), -0.75) << value;
    }
    // The extremes are over the response (the real part in the complex kinds).
    EXPECT_DOUBLE_EQ(trace.GetMaximum(), 0.5) << value;
    EXPECT_DOUBLE_EQ(trace.GetMinimum(), -0.25) << value;
    // The renderer draws the trace's own buffer, in the kind's columns.
    EXPECT_EQ(&trace.Series()->Data(), &trace.DisplayData());
    EXPECT_EQ(trace.Series()->HorizColumn(), kind.horiz);
    EXPECT_EQ(trace.Series()->VertColumn(), kind.vert);
    CRecordingCanvas canvas;
    diagram.chart.Draw(canvas);
    if (!kind.spectrum) {
      EXPECT_FALSE(canvas.ops.empty()) << value;
    }
  }
  EXPECT_FALSE(IsPlotKind(-1));
  EXPECT_EQ(PlotKind(static_cast<EPlot>(99)).plot, plRect);
}
