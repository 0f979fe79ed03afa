#pragma once
// The one table of plot kinds: for every EPlot, the renderer that draws a trace's display
// buffer, which columns it draws, and what the kind asks of the diagram around it. Traces
// read and write their data the same way for every kind; only this table tells kinds apart.
//
// How to add a plot kind:
// 1. Give it the next value of EPlot (interfaces/TraceView.h), before nothing else moves:
//    the values are stored in layouts.
// 2. Write its renderer in series/: a CChartSeries that draws two columns of a CSeriesData
//    (Data(), XValues(), YValues()); keep per-kind state (grids, history) in the renderer.
// 3. Add its row to kPlotKinds in traces/PlotKinds.cpp, in EPlot order: the factory, the
//    columns drawn, whether the imaginary part is read, and the diagram flags.
// 4. If the diagram must present it differently, add a flag here and read it in
//    CDiagram::UpdatePresentation; a trace never tells the diagram how to present itself.
// 5. Test it in tests/traces/PlotKinds_test.cpp: a sweep written in the new kind reads back
//    through Value and draws on a recording canvas.
#include <memory>

#include "chart/SeriesData.h"
#include "interfaces/TraceView.h"
#include "series/SpectrumSeries.h"

class CChartSeries;

struct SPlotKind {
  EPlot plot;
  std::unique_ptr<CChartSeries> (*makeRenderer)();
  ESeriesColumn horiz;   // drawn horizontally: the stimulus, or the real part
  ESeriesColumn vert;    // drawn vertically: the response, or the imaginary part
  bool imaginary;        // Value(vtResponseIm) reads the second component
  bool zeroSpanShown;    // in zero span the stimulus reads as the centre
  bool remembers;        // entering it remembers the kind to go back to (one-point digits, points)
  bool frame;            // the diagram shows its chart frame
  bool hidesBar;         // the diagram hides its measurement bars
  bool circle;           // drawn in the reflection plane: shares the display rectangle, no autoscale
  bool logStimulus;      // on a logarithmic stimulus axis
  bool spectrum;         // keeps the sweep history; `mode` is its view
  ESeriesMode mode;
  bool gradient;         // the diagram's colour gradient
  bool waterfall;        // the diagram's waterfall view
};

bool IsPlotKind(int value);
// The row of a kind; plRect's for a value outside the enumeration.
const SPlotKind& PlotKind(EPlot plot);
