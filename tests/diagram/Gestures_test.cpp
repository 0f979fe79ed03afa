// Mouse gestures on a headless diagram: zoom modes, undo, strip and bar drags, drops between
// diagrams, menus and shortcuts, hints.
#include <gtest/gtest.h>

#include <cmath>

#include "diagram/Diagram.h"
#include "diagram/ExStatusBar.h"
#include "diagram/TraceListModel.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "support/RecordingCanvas.h"
#include "traces/Trace.h"

namespace {

// One channel swept 1 … 101 Hz in 101 points (full range 0 … 200) and its data trace, selected.
struct Bench {
  CControlStub control;
  CDiagram diagram{&control};
  CMeasurement channel;
  CTrace* trace = nullptr;
  SRect plot;

  explicit Bench(bool bars = false) {
    diagram.SetBounds({0, 0, 800, 600});
    diagram.SetMeasurementBarVisibility(bars);
    diagram.SetDoubleClickTime(0);
    channel.SetName(L"S21");
    channel.SetParameter(L"channel", L"1");
    channel.SetStimulusFullRange(0, 200);
    channel.SetStimulusRange(1, 101, true);
    channel.SetPointsCount(101);
    diagram.AddMeasurement(&channel);
    diagram.AddDataTrace();
    trace = diagram.Trace(0u);
    diagram.SetActive(true);
    diagram.SelectTrace(0);
    double x[101], y[101];
    for (int i = 0; i < 101; ++i) {
      x[i] = 1 + i;
      y[i] = -50 + i;
    }
    channel.AddData(0, 101, x, y, nullptr);
    trace->SetScale(0, 10);  // -50 … 50
    plot = diagram.GetChart()->PlotRect();
  }
  void Drag(int x1, int y1, int x2, int y2) {
    diagram.MouseDown(x1, y1);
    diagram.MouseMove((x1 + x2) / 2, (y1 + y2) / 2);
    diagram.MouseMove(x2, y2);
    diagram.MouseUp(x2, y2);
  }
  int Mode(int x1, int y1, int x2, int y2) {
    diagram.MouseDown(x1, y1);
    diagram.MouseMove(x2, y2);
    const int mode = diagram.Gesture().mode;
    diagram.MouseUp(x1, y1);  // back at the start: no zoom
    return mode;
  }
};

// A column of the diagram's first bar, on its middle row, where the bar shows `name` (for
// trace `index`); -1 when it shows none. The bar knows its fields from its last paint.
int BarX(const CDiagram& diagram, const std::wstring& name, int index = -1) {
  const SRect r = diagram.HorizontalBar(0)->GetBounds();
  for (int x = r.left; x < r.right; ++x) {
    const SBarHit hit = diagram.HitTest(x, (r.top + r.bottom) / 2).item;
    if (hit.name == name && (index < 0 || hit.index == index)) return x;
  }
  return -1;
}

bool Drew(const CRecordingCanvas& canvas, const std::wstring& text, TColor* colour = nullptr) {
  for (const auto& op : canvas.ops) {
    if (op.op == CRecordingCanvas::opText && op.text == text) {
      if (colour != nullptr) *colour = op.font.color;
      return true;
    }
  }
  return false;
}

}  // namespace

TEST(Gestures, ModeFollowsDirectionPastTheThreshold) {
  Bench b;
  const int cx = (b.plot.left + b.plot.right) / 2, cy = (b.plot.top + b.plot.bottom) / 2;
  EXPECT_EQ(b.Mode(cx, cy, cx + 20, cy + 20), 0);  // 20 pixels is no gesture yet
  EXPECT_EQ(b.Mode(cx, cy, cx + 60, cy + 40), 1);
  EXPECT_EQ(b.Mode(cx, cy, cx - 60, cy + 40), 2);
  EXPECT_EQ(b.Mode(cx, cy, cx + 60, cy - 40), 3);
  EXPECT_EQ(b.Mode(cx, cy, cx - 60, cy - 40), 4);
  EXPECT_TRUE(b.diagram.ZoomSteps().empty());  // released at the start: mode 0 at release

  // The mode at release counts, however the pointer went before.
  b.diagram.MouseDown(cx, cy);
  b.diagram.MouseMove(cx + 60, cy + 60);
  b.diagram.MouseMove(cx - 60, cy - 60);
  EXPECT_EQ(b.diagram.Gesture().mode, 4);
  b.diagram.MouseUp(cx - 60, cy - 60);
  EXPECT_TRUE(b.diagram.ZoomSteps().empty());  // undo with an empty stack does nothing
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);

  // Without a selected trace, outside the chart, or a second press within the double-click
  // time: no gesture.
  b.diagram.GetTraceList()->ClearSelection();
  b.diagram.UpdateSelectedTracesList();
  b.diagram.MouseDown(cx, cy);
  EXPECT_FALSE(b.diagram.Gesture().active);
  b.diagram.SelectTrace(0);
  b.diagram.MouseDown(-5, cy);
  EXPECT_FALSE(b.diagram.Gesture().active);
  b.diagram.SetDoubleClickTime(10000);
  b.diagram.MouseDown(cx, cy);
  b.diagram.MouseUp(cx, cy);
  b.diagram.MouseDown(cx, cy);
  EXPECT_FALSE(b.diagram.Gesture().active);
}

TEST(Gestures, AreaZoomSetsScaleAndRangeAndUndoRestoresThem) {
  Bench b;
  const int x1 = b.plot.left + b.plot.Width() / 4, x2 = b.plot.left + b.plot.Width() / 2;
  const int y1 = b.plot.top + b.plot.Height() / 4, y2 = b.plot.top + b.plot.Height() / 2;
  const double start = b.trace->CalcValueXPos(x1), stop = b.trace->CalcValueXPos(x2);
  const double top = b.trace->CalcValueYPos(y1), bottom = b.trace->CalcValueYPos(y2);
  b.Drag(x1, y1, x2, y2);

  ASSERT_EQ(b.diagram.ZoomSteps().size(), 1u);
  EXPECT_EQ(b.diagram.ZoomSteps()[0].entries.size(), 1u);
  EXPECT_NEAR(b.channel.GetDisplayStimStart(), start, 0.5);
  EXPECT_NEAR(b.channel.GetDisplayStimStop(), stop, 0.5);
  EXPECT_NEAR(b.trace->GetStimulusStart(), start, 0.5);  // the trace follows at once
  EXPECT_NEAR(b.trace->GetScaleDiv(), 0.1 * (top - bottom), 0.5);
  EXPECT_NEAR(b.trace->GetScaleRef() + 5 * b.trace->GetScaleDiv(), top, 1.0);
  ASSERT_FALSE(b.control.reports.empty());
  EXPECT_EQ(b.control.reports.back().rfind(L"param S21 freq ", 0), 0u);  // the host follows

  b.diagram.UnZoom();
  EXPECT_TRUE(b.diagram.ZoomSteps().empty());
  EXPECT_DOUBLE_EQ(b.trace->GetScaleRef(), 0);
  EXPECT_DOUBLE_EQ(b.trace->GetScaleDiv(), 10);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStop(), 101);
  b.diagram.UnZoom();  // empty stack
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStop(), 101);

  // A left-up drag undoes the last step.
  b.Drag(x1, y1, x2, y2);
  b.Drag(x2, y2, x1 - 30, y1 - 30);
  EXPECT_TRUE(b.diagram.ZoomSteps().empty());
  EXPECT_DOUBLE_EQ(b.trace->GetScaleDiv(), 10);
}

TEST(Gestures, PartialStepsRestoreOnlyWhatTheyChanged) {
  Bench b;
  b.diagram.AddZoomStep(21, 41);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 21);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStop(), 41);
  const int x = b.plot.left + b.plot.Width() / 2;
  b.Drag(x, b.plot.top + 40, x - 60, b.plot.top + 140);  // response only
  ASSERT_EQ(b.diagram.ZoomSteps().size(), 2u);
  EXPECT_EQ(b.diagram.ZoomSteps()[1].mode, 2);
  EXPECT_NE(b.trace->GetScaleDiv(), 10);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 21);

  b.diagram.UnZoom();  // the scale, not the range
  EXPECT_DOUBLE_EQ(b.trace->GetScaleDiv(), 10);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 21);
  b.trace->SetScale(5, 2);
  b.diagram.UnZoom();  // the range, not the scale
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);
  EXPECT_DOUBLE_EQ(b.trace->GetScaleDiv(), 2);

  // A right-up drag changes the range only.
  b.Drag(b.plot.left + 100, b.plot.top + 200, b.plot.left + 300, b.plot.top + 100);
  EXPECT_DOUBLE_EQ(b.trace->GetScaleDiv(), 2);
  EXPECT_GT(b.channel.GetDisplayStimStart(), 1);
}

TEST(Gestures, SmithAndPolarZoomShowTheRegionUnderTheBand) {
  Bench b;
  double x[101], re[101], im[101];
  for (int i = 0; i < 101; ++i) x[i] = 1 + i, re[i] = 0.5 * std::cos(i * 0.06), im[i] = 0.5 * std::sin(i * 0.06);
  b.channel.AddData(0, 101, x, re, im);
  auto* hidden = static_cast<CTrace*>(b.diagram.AddDataTrace());
  for (CTrace* t : {b.trace, hidden}) ASSERT_TRUE(t->SetPlot(plSmith));
  hidden->SetVisible(false);
  b.diagram.SelectTrace(0);
  const SRect plot = b.diagram.GetChart()->PlotRect();
  const int cx = (plot.left + plot.right) / 2, cy = (plot.top + plot.bottom) / 2;
  const double left = b.trace->CalcPolarXPos(cx + 10), top = b.trace->CalcPolarYPos(cy - 120);
  b.Drag(cx + 10, cy - 120, cx + 110, cy - 20);
  const SDoubleRect zoomed = b.trace->GetPolarScale();
  EXPECT_NEAR(zoomed.left, left, 0.02);
  EXPECT_NEAR(zoomed.top, top, 0.02);
  EXPECT_NEAR(zoomed.right - zoomed.left, zoomed.top - zoomed.bottom, 0.02);  // a square band
  EXPECT_EQ(hidden->GetPolarScale(), zoomed);  // the kind shows one region
  EXPECT_NEAR(b.trace->GetScaleDiv(), 0.1 * (zoomed.top - zoomed.bottom), 1e-9);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);  // a column is no stimulus here
  ASSERT_EQ(b.diagram.ZoomSteps().size(), 1u);
  EXPECT_DOUBLE_EQ(b.diagram.ZoomSteps()[0].entries[0].top, top);
  b.diagram.UnZoom();  // the whole circle again; the scale is no linear one to give back
  EXPECT_EQ(hidden->GetPolarScale(), SDoubleRect{});
  EXPECT_NEAR(b.trace->GetScaleDiv(), 0.1 * (zoomed.top - zoomed.bottom), 1e-9);

  // A band across the plot takes the plot's proportions; a band off the circle spans nothing.
  b.Drag(cx, cy - 50, cx - 100, cy + 50);
  const SDoubleRect band = b.trace->GetPolarScale();
  EXPECT_NEAR(band.left + band.right, 0, 0.02);
  EXPECT_NEAR((band.right - band.left) * plot.Height(), (band.top - band.bottom) * plot.Width(), 0.05 * plot.Width());
  b.diagram.UnZoom();
  b.Drag(plot.left + 1, plot.top + 1, plot.left + 40, plot.top + 40);
  EXPECT_EQ(b.trace->GetPolarScale(), SDoubleRect{});
}

TEST(Gestures, StripDragsShiftWhileMovingAndStopAtTheLimits) {
  Bench b;
  const int y = b.plot.bottom + 10, x = b.plot.left + b.plot.Width() / 2;
  const double perPixel = 100.0 / b.plot.Width();
  b.diagram.MouseDown(x, y);
  EXPECT_EQ(b.diagram.Gesture().mode, 5);
  b.diagram.MouseMove(x - 50, y);  // dragging the sweep left shows higher frequencies
  EXPECT_NEAR(b.channel.GetDisplayStimStart(), 1 + 50 * perPixel, 0.6);
  EXPECT_NEAR(b.channel.GetDisplayStimStop(), 101 + 50 * perPixel, 0.6);
  b.diagram.MouseMove(x + 300, y);  // far right: the start stops at the minimum
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 0);
  EXPECT_NEAR(b.channel.GetDisplayStimStop(), 100, 0.6);
  b.diagram.MouseUp(x + 300, y);
  EXPECT_EQ(b.diagram.ZoomSteps().size(), 1u);
  b.diagram.UnZoom();
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);

  // The left strip moves the reference level with the pointer; no undo step.
  const int ly = b.plot.top + b.plot.Height() / 2;
  b.diagram.MouseDown(b.plot.left - 10, ly);
  EXPECT_EQ(b.diagram.Gesture().mode, 6);
  b.diagram.MouseMove(b.plot.left - 10, ly + b.plot.Height() / 10);  // one division down
  b.diagram.MouseUp(b.plot.left - 10, ly + b.plot.Height() / 10);
  EXPECT_NEAR(b.trace->GetScaleRef(), 10, 0.5);
  EXPECT_TRUE(b.diagram.ZoomSteps().empty());

  // A list sweep refuses the bottom strip.
  b.channel.SetParameter(L"sweeponlist", L"1");
  b.diagram.MouseDown(x, y);
  EXPECT_FALSE(b.diagram.Gesture().active);
}

TEST(Gestures, StimulusFieldsOfTheBarDragTheSweep) {
  Bench b(true);
  CRecordingCanvas canvas;
  b.diagram.Draw(canvas);  // the bar knows its fields from its paint
  TExStatusBar* bar = b.diagram.HorizontalBar(0);
  ASSERT_TRUE(bar != nullptr && bar->IsShowing());
  const int startX = BarX(b.diagram, L"freq,start"), centerX = BarX(b.diagram, L"freq,center");
  ASSERT_GE(startX, 0);
  ASSERT_GE(centerX, 0);
  const int y = (bar->GetBounds().top + bar->GetBounds().bottom) / 2;
  const double perPixel = 100.0 / b.diagram.GetChart()->PlotRect().Width();

  b.diagram.MouseDown(startX, y);
  b.diagram.MouseMove(startX + 40, y);
  b.diagram.MouseUp(startX + 40, y);
  EXPECT_NEAR(b.channel.GetDisplayStimStart(), 1 + 40 * perPixel, 0.6);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStop(), 101);
  EXPECT_EQ(b.control.reports.back().rfind(L"param S21 freq,start ", 0), 0u);

  b.diagram.Draw(canvas);
  const double before = b.channel.GetDisplayStimStop() - b.channel.GetDisplayStimStart();
  b.diagram.MouseDown(centerX, y);
  b.diagram.MouseMove(centerX - 500, y);  // far left: the start stops at the minimum
  b.diagram.MouseUp(centerX - 500, y);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 0);
  EXPECT_LT(b.channel.GetDisplayStimStop() - b.channel.GetDisplayStimStart(), before + 1e-9);

  // A double click on a field asks the host to focus its editor.
  b.diagram.DoubleClick(startX, y);
  EXPECT_EQ(b.control.reports.back(), L"action focus freq,start");
}

TEST(Gestures, TracesDropIntoAnotherDiagramUnlessItIsFull) {
  UserInteractionScript ui;
  CControlStub control;
  CDiagram source(&control), target(&control);
  CMeasurement channel;
  source.AddMeasurement(&channel);
  target.AddMeasurement(&channel);
  for (int i = 0; i < 3; ++i) source.AddDataTrace();
  source.PushZoomStep(1);
  source.SelectTrace(1);
  TraceInterface* moving = source.Trace(1u);
  EXPECT_EQ(target.DropTraces(&source), 1u);
  EXPECT_EQ(source.GetTraceCount(), 2u);
  ASSERT_EQ(target.GetTraceCount(), 1u);
  EXPECT_EQ(target.Trace(0u), moving);
  EXPECT_TRUE(target.TraceIsSelected(moving));
  EXPECT_EQ(source.ZoomSteps()[0].entries.size(), 2u);  // the source's undo lets go of it
  EXPECT_EQ(source.SelectedTrace(0), source.Trace(0u));

  // Inside one list a dragged row moves its trace.
  TraceInterface* first = source.Trace(0u);
  EXPECT_TRUE(source.DropRow(0, 1));
  EXPECT_EQ(source.Trace(1u), first);

  while (target.GetTraceCount() < CDiagram::kMaxTraces) target.AddStaticTrace();
  source.SelectTrace(0);
  EXPECT_EQ(target.DropTraces(&source), 0u);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, L"Ошибка перемещения трасс(-ы)");
  EXPECT_EQ(source.GetTraceCount(), 2u);
}

TEST(Gestures, ASwatchDraggedOffTheBarDropsItsTraceOnAnotherDiagram) {
  Bench b(true);
  TraceInterface* pressed = b.diagram.AddDataTrace();
  CRecordingCanvas canvas;
  b.diagram.Draw(canvas);
  const SRect& bar = b.diagram.HorizontalBar(0)->GetBounds();
  const int x = BarX(b.diagram, L"trace", 1), y = (bar.top + bar.bottom) / 2;
  int drags = 0;
  b.diagram.onTraceDragOut = [&](CDiagram* d) { drags += d == &b.diagram; };
  b.diagram.MouseDown(x, y);
  b.diagram.MouseMove(x + 200, y + 100);  // still inside
  EXPECT_EQ(drags, 0);
  for (int far : {-10, -20}) b.diagram.MouseMove(far, y);
  b.diagram.MouseUp(-20, y);
  EXPECT_EQ(drags, 1);  // once, as the pointer leaves

  CDiagram target(&b.control);
  EXPECT_EQ(target.DropTraces(&b.diagram), 1u);
  EXPECT_EQ(target.Trace(0u), pressed);
  b.trace->SetLocked(true);  // a locked trace stays
  b.diagram.SelectTrace(0);
  EXPECT_EQ(target.DropTraces(&b.diagram), 0u);
}

TEST(Gestures, CtrlKeysMoveTheSelectedTraceByRowAndPage) {
  CControlStub control;
  CDiagram diagram(&control);
  for (int i = 0; i < 8; ++i) diagram.AddStaticTrace();
  TraceInterface *moving = diagram.Trace(6u), *first = diagram.Trace(0u);
  auto& list = dynamic_cast<CTraceListModel&>(*diagram.GetTraceList());
  list.SetHeight(CTraceListModel::kHeaderHeight + 2 + 3 * CTraceListModel::kRowHeight);
  list.SetTopItem(2);  // rows 2 … 4 shown
  SMarkParams p = diagram.GetMarkers()->Marker(0)->GetParams();
  p.traceIndex = 6;
  diagram.GetMarkers()->Marker(0)->SetParams(p);
  diagram.SelectTrace(6);
  const auto press = [&](int key) {
    diagram.KeyDown(key, true, false, false);
    return diagram.GetTraceIndex(moving);
  };
  EXPECT_EQ(press(vkPrior), 2);  // to the top row shown
  EXPECT_EQ(diagram.GetTraceList()->GetItemText(2, 0), moving->GetName());
  EXPECT_EQ(diagram.GetMarkers()->Marker(0)->GetParams().traceIndex, 2);
  EXPECT_EQ(press(vkPrior), 0);                // a page up, no further than the first row
  EXPECT_EQ(diagram.GetTraceIndex(first), 1);  // moved, not exchanged
  EXPECT_EQ(press(vkNext), 4);                 // to the bottom row shown
  EXPECT_EQ(press(vkNext), 7);                 // a page down, no further than the last row
  EXPECT_EQ(press(vkHome), 0);
  diagram.SetTouchMode(true);  // the touch list has no pages
  EXPECT_EQ(press(vkNext), 0);
}

TEST(Gestures, MenusFollowTheStateAndShortcutsNeedNoOpenMenu) {
  Bench b;
  CPopupMenu menu;
  b.diagram.PrepareMenu(&menu);
  const CMenuItem& items = menu.Items();
  EXPECT_EQ(items.Item(0)->GetCaption(), L"&Автомасштаб диаграммы");
  EXPECT_EQ(items.Find(L"Настройки спектрограммы..."), nullptr);  // no spectrum shown
  ASSERT_NE(items.Find(L"Маркеры"), nullptr);
  EXPECT_GT(items.Find(L"Маркеры")->Count(), 0);
  CMenuItem* stretch = items.Find(L"Развернуть диаграмму");
  ASSERT_NE(stretch, nullptr);
  EXPECT_FALSE(stretch->GetEnabled());  // one diagram: nothing to stretch over
  CMenuItem* left = items.Find(L"Левая ось");
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(left->Count(), 3);  // the selection, a separator, the trace
  EXPECT_EQ(left->Item(2)->GetCaption(), b.trace->GetName());
  left->Item(2)->Click();
  menu.Items().Clear();
  b.control.diagramCount = 2;
  b.diagram.PrepareMenu(&menu);
  EXPECT_TRUE(menu.Items().Find(L"Левая ось")->Item(2)->GetChecked());
  EXPECT_TRUE(menu.Items().Find(L"Развернуть диаграмму")->GetEnabled());
  const bool autoSize = b.diagram.GetTraceList()->GetAutoResize();
  menu.Items().Find(L"Автовысота списка трасс")->Click();
  EXPECT_NE(b.diagram.GetTraceList()->GetAutoResize(), autoSize);  // the list itself follows

  // Shortcuts run their commands without any menu shown.
  EXPECT_TRUE(b.diagram.ExecuteShortCut(L"Ctrl+W"));
  EXPECT_FALSE(b.diagram.GetMarkers()->Marker(0)->GetParked());
  b.diagram.ShortCuts();
  EXPECT_FALSE(b.diagram.GetMarkers()->Marker(0)->GetParked());
  EXPECT_TRUE(b.diagram.ExecuteShortCut(L"Ctrl+N"));
  EXPECT_EQ(b.diagram.GetTraceCount(), 2u);
  const std::vector<std::wstring> keys = b.diagram.ShortCuts();
  for (const wchar_t* key : {L"Ctrl+N", L"Ctrl+M", L"Ctrl+A", L"Ctrl+*", L"F9", L"F11", L"Ctrl+Z", L"F8", L"Ctrl+W"})
    EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << WideToUtf8(key);
  b.diagram.AddZoomStep(11, 21);
  EXPECT_FALSE(b.diagram.ExecuteShortCut(L"Ctrl+Q"));
  EXPECT_TRUE(b.diagram.ExecuteShortCut(L"Ctrl+Z"));
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);
  EXPECT_FALSE(b.diagram.ExecuteShortCut(L"Ctrl+Z"));  // disabled with an empty stack
  bool stretched = false;
  b.diagram.onStretchRequest = [&](CDiagram*) { stretched = true; };
  EXPECT_TRUE(b.diagram.KeyDown(vkF11, false, false, false));
  EXPECT_TRUE(stretched);
}

TEST(Gestures, PicturesInBlackAndWhiteWithAxesUnboundLeaveTheScreenAsItWas) {
  struct Probe : CRecordingCanvas {  // notes the bindings and the bar as the picture starts
    CDiagram* diagram = nullptr;
    std::vector<bool> state;
    void FillRect(const SRect& r) override {
      if (state.empty()) state = {diagram->LeftAxisControl().enabled, diagram->HorizontalBar(0)->IsShowing()};
      CRecordingCanvas::FillRect(r);
    }
  };
  const auto lines = [](const CRecordingCanvas& c, TColor pen) {
    return std::count_if(c.ops.begin(), c.ops.end(),
                         [&](auto& op) { return op.op == CRecordingCanvas::opPolyline && op.pen.color == pen; });
  };
  Bench b(true);
  b.diagram.SetColorTheme(GetColorTheme(1));  // black background
  b.diagram.BindAxis(0);
  b.diagram.ExecuteShortCut(L"Ctrl+W");  // a marker shows
  const TColor colour = b.trace->GetColor();
  Probe bw, shown, bare;
  bw.diagram = shown.diagram = bare.diagram = &b.diagram;
  b.diagram.CreateMetafile(bw, 640, 480, 1, true, false, true);
  EXPECT_EQ(bw.state, (std::vector<bool>{false, false}));
  EXPECT_EQ(bw.ops[0].brush.color, GetBWTheme()->colors[ctsBackground]);
  EXPECT_GT(lines(bw, ColorToGreyscale(colour)), 0);
  EXPECT_EQ(lines(bw, colour), 0);
  // Afterwards the diagram is as it was: colours, theme, binding, bar.
  EXPECT_EQ(b.diagram.LeftAxisControl().trace, b.trace);
  b.diagram.CreateMetafile(shown, 640, 480, 0, true, true, false);
  b.diagram.CreateMetafile(bare, 640, 480, 0, false, true, false);
  EXPECT_EQ(shown.state, (std::vector<bool>{true, true}));
  EXPECT_EQ(shown.ops[0].brush.color, GetColorTheme(1)->colors[ctsBackground]);
  EXPECT_GT(lines(shown, colour), 0);
  EXPECT_LT(bare.ops.size(), shown.ops.size());  // without the markers
}

TEST(Gestures, HintsOfAnEmptyDiagramAndCaptionsOfTheBand) {
  CControlStub control;
  CDiagram empty(&control);
  CRecordingCanvas canvas;
  empty.Draw(canvas);
  EXPECT_TRUE(Drew(canvas, L"НЕТ ТРАСС"));
  EXPECT_TRUE(Drew(canvas, L"из списка трасс другой диаграммы"));
  empty.AddStaticTrace();
  empty.GetTraceList()->ClearSelection();
  empty.UpdateSelectedTracesList();
  canvas.ops.clear();
  empty.Draw(canvas);
  EXPECT_TRUE(Drew(canvas, L"ТРАССЫ НЕ ВЫДЕЛЕНЫ"));

  Bench b;
  const int cx = (b.plot.left + b.plot.right) / 2, cy = (b.plot.top + b.plot.bottom) / 2;
  b.diagram.MouseDown(cx, cy);
  b.diagram.MouseMove(cx - 50, cy - 50);
  canvas.ops.clear();
  b.diagram.Draw(canvas);
  TColor muted = clNone, live = clNone;
  EXPECT_TRUE(Drew(canvas, L"Отмена масштабирования", &muted));
  EXPECT_FALSE(Drew(canvas, L"НЕТ ТРАСС"));
  b.diagram.MouseUp(cx, cy);
  b.diagram.AddZoomStep(11, 21);
  b.diagram.MouseDown(cx, cy);
  b.diagram.MouseMove(cx - 50, cy - 50);
  canvas.ops.clear();
  b.diagram.Draw(canvas);
  EXPECT_TRUE(Drew(canvas, L"Отмена масштабирования", &live));
  EXPECT_NE(muted, live);  // muted while there is nothing to undo
}
