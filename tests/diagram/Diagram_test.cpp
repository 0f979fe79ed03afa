// A diagram with real channels and data traces, headless, with a recording control.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "chart/Series.h"
#include "diagram/Diagram.h"
#include "diagram/ExStatusBar.h"
#include "measurements/Measurement.h"
#include "series/SmithSeries.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "support/RecordingCanvas.h"
#include "traces/Trace.h"

namespace {

struct CountingView : IDiagramView {
  int invalidations = 0;
  void Invalidate() override { ++invalidations; }
};

TColor Palette(int position) { return GetColorTheme(0)->colors[static_cast<std::size_t>(ctsPaletteFirst + position)]; }

}  // namespace

TEST(Diagram, NamesAndColoursOfNewTraces) {
  CControlStub control;
  CDiagram diagram(&control);
  EXPECT_EQ(diagram.UniqueTraceColor(-1), Palette(0));
  TraceInterface* a = diagram.AddDataTrace();
  TraceInterface* b = diagram.AddDataTrace();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->GetColor(), Palette(0));
  EXPECT_EQ(b->GetColor(), Palette(1));
  EXPECT_EQ(diagram.UniqueTraceColor(-1), Palette(2));
  diagram.SetTrcColorOffset(3);
  EXPECT_EQ(diagram.UniqueTraceColor(13), Palette(4));  // (13 mod 12) + 3
  diagram.SetTrcColorOffset(11);
  EXPECT_EQ(diagram.UniqueTraceColor(5), Palette(4));  // kept inside the palette

  a->SetName(L"Tr1");
  b->SetName(L"Tr12");
  EXPECT_EQ(diagram.UniqueTraceName(L"Tr"), L"Tr2");
  a->SetName(L"Tr10");
  b->SetName(L"X");
  EXPECT_EQ(diagram.UniqueTraceName(L"Tr"), L"Tr2");
  EXPECT_EQ(diagram.GetTraceList()->GetItemText(1, 0), L"X");  // rows follow the names
}

TEST(Diagram, TraceLimitsAreRefusedWithTheirMessages) {
  UserInteractionScript ui;
  CControlStub control;
  CDiagram diagram(&control);
  for (int i = 0; i < 10; ++i) ASSERT_NE(diagram.CreateDataTrace(), nullptr);
  EXPECT_EQ(diagram.AddDataTrace(), nullptr);
  EXPECT_EQ(diagram.CreateDataTrace(), nullptr);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, L"Ошибка создания измерительной трассы");
  EXPECT_EQ(ui->boxes[0].text, GetErrorDescription(-12));
  EXPECT_EQ(diagram.GetTraceCount(), 10u);
  EXPECT_EQ(diagram.CreateTrace(L"Unknown"), nullptr);
  EXPECT_EQ(diagram.SwapTraces(0, 10), -1);
  EXPECT_EQ(diagram.SwapTraces(0, 9), 0);
  EXPECT_EQ(diagram.GetTraceList()->GetItemText(0, 0), diagram.Trace(0u)->GetName());
}

TEST(Diagram, RemovingTracesUnbindsAxesAndHidesTheFrameAtTheEnd) {
  CControlStub control;
  CDiagram diagram(&control);
  diagram.AddDataTrace();
  TraceInterface* second = diagram.AddDataTrace();
  EXPECT_TRUE(diagram.GetChartFrameVisible());
  diagram.BindAxis(31);
  EXPECT_EQ(diagram.RightAxisControl().trace, second);
  EXPECT_EQ(static_cast<CTrace*>(second)->Series()->VertAxis(), &diagram.GetChart()->RightAxis());

  diagram.PushZoomStep(1);
  diagram.SelectTrace(1);
  diagram.DeleteSelectedTraces();
  EXPECT_EQ(diagram.RightAxisControl().trace, nullptr);
  ASSERT_EQ(diagram.ZoomSteps().size(), 1u);  // the step stays, without the trace
  EXPECT_EQ(diagram.ZoomSteps()[0].entries.size(), 1u);
  EXPECT_EQ(diagram.GetTraceList()->Count(), 1);
  diagram.SelectAllTraces();
  diagram.UpdateSelectedTracesList();
  diagram.DeleteSelectedTraces();
  EXPECT_EQ(diagram.GetTraceCount(), 0u);
  EXPECT_FALSE(diagram.GetChartFrameVisible());
}

TEST(Diagram, ChannelsGetBarsAndTheirChangesRepaint) {
  CControlStub control;
  CDiagram diagram(&control);
  CountingView view;
  diagram.SetView(&view);
  CMeasurement s11, s21;
  s11.SetParameter(L"channel", L"1");
  s21.SetParameter(L"channel", L"1");
  diagram.AddMeasurement(&s11);
  diagram.AddMeasurement(&s21);
  EXPECT_EQ(diagram.GetBarCount(), 1u);  // one pair per channel
  std::vector<MeasurementInterface*> both{&s11, &s21};
  EXPECT_EQ(diagram.AddMeasurements(&both), 2);
  EXPECT_EQ(diagram.Trace(1u)->Measurement(), &s21);
  ASSERT_TRUE(diagram.HorizontalBar(0)->IsShowing());
  EXPECT_LE(diagram.HorizontalBar(0)->GetBounds().bottom, diagram.GetChart()->Bounds().top);

  view.invalidations = 0;
  s11.SetParameter(L"FrequencyCounter", L"1");
  EXPECT_EQ(view.invalidations, 0);
  s11.SetParameter(L"power", L"-10");
  EXPECT_GT(view.invalidations, 0);

  // The selected trace's channel is the active one.
  diagram.SetActive(true);
  diagram.SelectTrace(1);
  EXPECT_TRUE(diagram.IsMeasurementActive(&s21));
  EXPECT_FALSE(diagram.IsMeasurementActive(&s11));
  EXPECT_TRUE(s21.GetActive());
  diagram.Finalize();
  EXPECT_EQ(diagram.MeasurementCount(), 0u);
}

TEST(Diagram, LogarithmicAxesAskTheTracesAndReportRefusals) {
  UserInteractionScript ui;
  CControlStub control;
  CDiagram diagram(&control);
  CMeasurement channel;
  channel.SetStimulusQuantity(L"Hz");
  channel.SetStimulusRange(0, 1e6, true);
  diagram.AddMeasurement(&channel);
  TraceInterface* trace = diagram.AddDataTrace();
  ASSERT_EQ(trace->Measurement(), &channel);

  diagram.SetAxisXLogarithmicScale(true);
  EXPECT_EQ(trace->GetPlot(), plRect);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, L"Ошибка");

  channel.SetStimulusRange(1e3, 1e6, true);
  diagram.SetAxisXLogarithmicScale(true);
  EXPECT_EQ(trace->GetPlot(), plLog);
  EXPECT_TRUE(diagram.GetAxisXLogarithmicScale());
  diagram.SetAxisXLogarithmicScale(false);
  EXPECT_EQ(trace->GetPlot(), plRect);

  // Data through zero cannot go on a logarithmic response axis.
  double x[] = {1e3, 2e3}, y[] = {0, 1};
  channel.SetPointsCount(2);
  channel.AddData(0, 2, x, y, nullptr);
  diagram.SetAxisYLogarithmicScale(true);
  EXPECT_FALSE(diagram.GetAxisYLogarithmicScale());
  EXPECT_EQ(ui->boxes.size(), 2u);
}

TEST(Diagram, DrawsTracesInTheirColoursInsideThePlot) {
  CControlStub control;
  CDiagram diagram(&control);
  diagram.SetBounds({0, 0, 800, 600});
  CMeasurement channel;
  channel.SetStimulusRange(1, 5, true);
  channel.SetPointsCount(5);
  diagram.AddMeasurement(&channel);
  TraceInterface* trace = diagram.AddDataTrace();
  diagram.SelectTrace(0);
  double x[] = {1, 2, 3, 4, 5}, y[] = {-40, -10, 0, 10, 40};
  channel.AddData(0, 5, x, y, nullptr);
  diagram.SetLabelText(L"25 FPS");

  CRecordingCanvas canvas;
  diagram.Draw(canvas);
  const SRect plot = diagram.GetChart()->PlotRect();
  bool line = false, label = false;
  for (const auto& op : canvas.ops) {
    if (op.op == CRecordingCanvas::opPolyline && op.pen.color == trace->GetColor()) {
      line = true;
      for (const SPointF& p : op.points) EXPECT_TRUE(plot.Contains(p.x, p.y));
    }
    label = label || (op.op == CRecordingCanvas::opText && op.text == L"25 FPS");
  }
  EXPECT_TRUE(line);
  EXPECT_TRUE(label);
}

namespace {

// Stands for the readers still to come (markers, automation): keeps a trace by id and lets
// go when told.
struct Holder : ITraceObserver {
  std::uint64_t held = 0;
  std::vector<ETraceChange> heard;
  void TraceChanged(const STraceChange& change) override {
    heard.push_back(change.kind);
    if (change.kind == tcRemoved && change.trace->Id() == held) held = 0;
  }
};

}  // namespace

TEST(Diagram, ARemovedTraceLeavesSelectionBindingsZoomStepsRowsAndReaders) {
  CControlStub control;
  CDiagram diagram(&control);
  auto channel = std::make_unique<CMeasurement>();
  channel->SetName(L"S21");
  diagram.AddMeasurement(channel.get());
  TraceInterface* first = diagram.AddDataTrace();
  TraceInterface* second = diagram.AddDataTrace();
  TraceInterface* third = diagram.AddDataTrace();
  EXPECT_NE(first->Id(), second->Id());
  Holder reader;
  reader.held = second->Id();
  second->Subscribe(&reader);

  diagram.SelectAllTraces();
  diagram.UpdateSelectedTracesList();
  diagram.BindAxis(1);   // left axis: the second trace
  diagram.BindAxis(32);  // right axis: the third
  diagram.PushZoomStep(1);
  ASSERT_EQ(diagram.GetSelectedTracesCount(), 3u);

  const std::uint64_t secondId = second->Id();
  diagram.DeleteTrace(second);
  EXPECT_EQ(reader.held, 0u);
  EXPECT_EQ(reader.heard.back(), tcRemoved);
  EXPECT_EQ(diagram.GetSelectedTracesCount(), 2u);
  EXPECT_FALSE(diagram.TraceIsSelected(second));
  EXPECT_EQ(diagram.LeftAxisControl().trace, nullptr);
  EXPECT_EQ(diagram.RightAxisControl().trace, third);
  ASSERT_EQ(diagram.ZoomSteps()[0].entries.size(), 2u);
  for (const SZoomEntry& e : diagram.ZoomSteps()[0].entries) EXPECT_NE(e.trace, secondId);
  EXPECT_EQ(diagram.ZoomSteps()[0].entries[1].trace, third->Id());
  // The rows below moved up and show their own traces.
  ASSERT_EQ(diagram.GetTraceList()->Count(), 2);
  EXPECT_EQ(diagram.GetTraceList()->GetItemText(1, 0), third->GetName());

  // A data trace goes with its channel, and lets go of everything the same way.
  channel.reset();
  EXPECT_EQ(diagram.GetTraceCount(), 0u);
  EXPECT_EQ(diagram.GetSelectedTracesCount(), 0u);
  EXPECT_EQ(diagram.RightAxisControl().trace, nullptr);
  EXPECT_TRUE(diagram.ZoomSteps()[0].entries.empty());
  EXPECT_EQ(diagram.GetTraceList()->Count(), 0);
  EXPECT_EQ(diagram.GetTraceIndex(first), -1);
}

TEST(Diagram, PresentationFollowsThePlotKindsOfItsTraces) {
  CControlStub control;
  CDiagram diagram(&control);
  auto* a = static_cast<CTrace*>(diagram.AddDataTrace());
  auto* b = static_cast<CTrace*>(diagram.AddDataTrace());
  EXPECT_TRUE(diagram.GetChartFrameVisible());
  a->SetPlot(plSmith);
  EXPECT_TRUE(diagram.GetChartFrameVisible());  // b still draws on the rectangular grid
  b->SetPlot(plPolar);
  EXPECT_FALSE(diagram.GetChartFrameVisible());
  {
    // Circle plots only: no rectangular grid, scale or title, the Smith grid in its place.
    diagram.SetBounds({0, 0, 600, 400});
    CRecordingCanvas canvas;
    diagram.Draw(canvas);
    for (const auto& op : canvas.ops) EXPECT_FALSE(op.op == CRecordingCanvas::opLine && op.pen.style == psDot);
    EXPECT_GT(canvas.Count(CRecordingCanvas::opEllipse), 3);
    EXPECT_GT(canvas.Count(CRecordingCanvas::opArc), 3);
  }
  // The admittance grid reaches every Smith trace, those switched later too.
  diagram.SetSmithAdmittance(true);
  EXPECT_TRUE(dynamic_cast<TQuorSmithSeries&>(*a->Series()).Admittance());
  b->SetPlot(plWaterfall);
  EXPECT_TRUE(diagram.GetGradient());
  EXPECT_TRUE(diagram.GetWaterfall());
  b->SetPlot(plHeatMap);
  EXPECT_TRUE(diagram.GetGradient());
  EXPECT_FALSE(diagram.GetWaterfall());
  b->SetPlot(plRect);
  EXPECT_FALSE(diagram.GetGradient());
  EXPECT_TRUE(diagram.GetMeasurementBarShown());
  b->SetOwnHorizAxis(true);
  EXPECT_FALSE(diagram.GetMeasurementBarShown());
  b->SetOwnHorizAxis(false);
  EXPECT_TRUE(diagram.GetMeasurementBarShown());
  // A second Smith trace shows the region the first one shows.
  a->SetPolarScale({-0.5, 0.5, 0.5, -0.5});
  b->SetPlot(plSmith);
  EXPECT_EQ(b->GetPolarScale(), a->GetPolarScale());
  EXPECT_TRUE(dynamic_cast<TQuorSmithSeries&>(*b->Series()).Admittance());
}

TEST(Diagram, DataReachingZeroSwitchTheLogarithmicScaleOff) {
  CControlStub control;
  CDiagram diagram(&control);
  CMeasurement channel;
  channel.SetPointsCount(4);
  diagram.AddMeasurement(&channel);
  auto* trace = static_cast<CTrace*>(diagram.AddDataTrace());
  double x[] = {1, 2, 3, 4}, positive[] = {1, 10, 100, 1000}, withZero[] = {1, 0, 100, 1000};
  channel.AddData(0, 4, x, positive, nullptr);
  diagram.SetAxisYLogarithmicScale(true);
  ASSERT_TRUE(diagram.GetAxisYLogarithmicScale());
  channel.AddData(0, 4, x, withZero, nullptr);  // the only trace: the whole diagram goes linear
  EXPECT_FALSE(diagram.GetAxisYLogarithmicScale());
  EXPECT_FALSE(trace->GetAxisYLogarithmicScale());

  auto* other = static_cast<CTrace*>(diagram.AddDataTrace());
  channel.AddData(0, 4, x, positive, nullptr);
  ASSERT_TRUE(trace->SetAxisYLogarithmicScale(true));
  ASSERT_TRUE(other->SetAxisYLogarithmicScale(true));
  diagram.SetAxisYLogarithmicScale(true);
  channel.AddData(0, 4, x, withZero, nullptr);  // two traces: each goes linear, the setting stays
  EXPECT_FALSE(other->GetAxisYLogarithmicScale());
  EXPECT_TRUE(diagram.GetAxisYLogarithmicScale());
}

TEST(Diagram, StimulusAxisOfPrefixedAndBackwardSweeps) {
  CControlStub control;
  CDiagram diagram(&control);
  CMeasurement channel;
  channel.SetStimulusQuantity(L"MHz");
  channel.SetStimulusRange(1, 4, true);
  diagram.AddMeasurement(&channel);
  diagram.SetMeasurementBarVisibility(false);
  TraceInterface* trace = diagram.AddDataTrace();
  EXPECT_DOUBLE_EQ(trace->GetStimulusStart(), 1e6);
  EXPECT_DOUBLE_EQ(trace->GetStimulusStop(), 4e6);
  const CChartAxis& bottom = diagram.GetChart()->BottomAxis();
  EXPECT_DOUBLE_EQ(bottom.Minimum(), 1e6);
  EXPECT_DOUBLE_EQ(bottom.Maximum(), 4e6);
  EXPECT_FALSE(bottom.Inverted());

  channel.SetStimulusRange(4, 1, true);  // sweeping down
  EXPECT_DOUBLE_EQ(trace->GetStimulusStart(), 1e6);
  EXPECT_TRUE(bottom.Inverted());
}
