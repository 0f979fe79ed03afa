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
#include "series/SmithSeries.h"
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
  for (int i = 0; i < 101; ++i) {
    x[i] = 1 + i;
    re[i] = 0.5 * std::cos(i * 0.06);
    im[i] = 0.5 * std::sin(i * 0.06);
  }
  b.channel.AddData(0, 101, x, re, im);
  auto* hidden = static_cast<CTrace*>(b.diagram.AddDataTrace());
  ASSERT_TRUE(b.trace->SetPlot(plSmith));
  ASSERT_TRUE(hidden->SetPlot(plSmith));
  hidden->SetVisible(false);
  b.diagram.SelectTrace(0);
  const SRect plot = b.diagram.GetChart()->PlotRect();
  const int cx = (plot.left + plot.right) / 2, cy = (plot.top + plot.bottom) / 2;
  const auto sent = [&] {
    return std::count_if(b.control.reports.begin(), b.control.reports.end(),
                         [](const std::wstring& r) { return r.rfind(L"param", 0) == 0; });
  };
  const auto reports = sent();

  // Area zoom: the plane under the band, shared by the kind; the stimulus stays.
  const double left = b.trace->CalcPolarXPos(cx + 10), right = b.trace->CalcPolarXPos(cx + 110);
  const double top = b.trace->CalcPolarYPos(cy - 120), bottom = b.trace->CalcPolarYPos(cy - 20);
  b.Drag(cx + 10, cy - 120, cx + 110, cy - 20);
  const SDoubleRect zoomed = b.trace->GetPolarScale();
  EXPECT_NEAR(zoomed.left, left, 0.02);
  EXPECT_NEAR(zoomed.right, right, 0.02);
  EXPECT_NEAR(zoomed.top, top, 0.02);
  EXPECT_NEAR(zoomed.bottom, bottom, 0.02);
  EXPECT_EQ(hidden->GetPolarScale(), zoomed);
  EXPECT_NEAR(b.trace->CalcPolarYPos(cy), 0.5 * (top + bottom), 0.02);  // the band fills the plot
  EXPECT_NEAR(b.trace->GetScaleDiv(), 0.1 * (zoomed.top - zoomed.bottom), 1e-9);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);
  EXPECT_EQ(sent(), reports);  // nothing for the host
  ASSERT_EQ(b.diagram.ZoomSteps().size(), 1u);
  const SZoomEntry& entry = b.diagram.ZoomSteps()[0].entries[0];
  EXPECT_EQ(entry.mode, 2);
  EXPECT_DOUBLE_EQ(entry.top, top);
  EXPECT_DOUBLE_EQ(entry.bottom, bottom);

  // Undo shows the whole circle again; the scale is no linear scale to give back.
  const double div = b.trace->GetScaleDiv();
  b.diagram.UnZoom();
  EXPECT_TRUE(dynamic_cast<TQuorSmithSeries&>(*b.trace->Series()).Circled());
  EXPECT_EQ(hidden->GetPolarScale(), SDoubleRect{});
  EXPECT_DOUBLE_EQ(b.trace->GetScaleDiv(), div);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);

  // A band across the plot keeps the chart's real part in the middle; a stimulus zoom has
  // nothing to change; a band off the circle spans no area.
  b.Drag(cx, cy - 50, cx - 100, cy + 50);
  const SDoubleRect band = b.trace->GetPolarScale();
  EXPECT_NEAR(band.left + band.right, 0, 0.02);
  EXPECT_NEAR(band.top - band.bottom, top - bottom, 0.02);
  EXPECT_NEAR((band.right - band.left) / (band.top - band.bottom), double(plot.Width()) / plot.Height(), 0.05);
  b.Drag(cx, cy, cx + 100, cy - 100);
  EXPECT_EQ(b.diagram.ZoomSteps().size(), 1u);
  EXPECT_DOUBLE_EQ(b.channel.GetDisplayStimStart(), 1);
  b.diagram.UnZoom();
  b.Drag(plot.left + 1, plot.top + 1, plot.left + 40, plot.top + 40);
  EXPECT_EQ(b.trace->GetPolarScale(), SDoubleRect{});

  b.trace->SetPlot(plPolar);  // the polar chart zooms the same way
  b.Drag(cx + 10, cy - 120, cx + 110, cy - 20);
  EXPECT_NEAR(b.trace->GetPolarScale().top, top, 0.02);
  EXPECT_EQ(hidden->GetPolarScale(), SDoubleRect{});  // another kind
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
  const auto find = [&](const std::wstring& name) {
    const SRect r = bar->GetBounds();
    for (int x = r.left; x < r.right; ++x)
      if (b.diagram.HitTest(x, (r.top + r.bottom) / 2).item.name == name) return x;
    return -1;
  };
  const int startX = find(L"freq,start"), centerX = find(L"freq,center");
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
  UserInteractionScript ui;
  Bench b(true);
  b.diagram.AddDataTrace();
  CRecordingCanvas canvas;
  b.diagram.Draw(canvas);
  const SRect bar = b.diagram.HorizontalBar(0)->GetBounds();
  const int y = (bar.top + bar.bottom) / 2;
  int swatch = -1;  // the second trace's
  for (int x = bar.left; x < bar.right && swatch < 0; ++x)
    if (b.diagram.HitTest(x, y).item.name == L"trace" && b.diagram.HitTest(x, y).item.index == 1) swatch = x;
  ASSERT_GE(swatch, 0);
  std::vector<CDiagram*> drags;
  b.diagram.onTraceDragOut = [&](CDiagram* d) { drags.push_back(d); };
  const auto dragOut = [&] {
    b.diagram.MouseDown(swatch, y);
    b.diagram.MouseMove(swatch + 200, y + 100);  // still inside: nothing yet
    b.diagram.MouseMove(-10, y);
    b.diagram.MouseMove(-20, y);
    b.diagram.MouseUp(-20, y);
  };
  dragOut();
  ASSERT_EQ(drags, std::vector<CDiagram*>{&b.diagram});  // once, as the pointer leaves
  TraceInterface* pressed = b.diagram.Trace(1u);
  EXPECT_EQ(b.diagram.SelectedTrace(0), pressed);
  b.diagram.MouseDown(swatch, y);
  b.diagram.MouseUp(swatch, y);  // pressed and let go inside: no drag
  EXPECT_EQ(drags.size(), 1u);

  CDiagram target(&b.control);
  target.AddMeasurement(&b.channel);
  EXPECT_EQ(target.DropTraces(&b.diagram), 1u);
  EXPECT_EQ(target.Trace(0u), pressed);

  // Locked traces and spectrum views stay where they are; a full diagram refuses.
  b.trace->SetLocked(true);
  b.diagram.SelectTrace(0);
  EXPECT_EQ(target.DropTraces(&b.diagram), 0u);
  b.trace->SetLocked(false);
  b.trace->SetPlot(plWaterfall);
  EXPECT_EQ(target.DropTraces(&b.diagram), 0u);
  EXPECT_TRUE(ui->boxes.empty());
  b.trace->SetPlot(plRect);
  while (target.GetTraceCount() < CDiagram::kMaxTraces) target.AddStaticTrace();
  EXPECT_EQ(target.DropTraces(&b.diagram), 0u);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, L"Ошибка перемещения трасс(-ы)");
  EXPECT_EQ(b.diagram.Trace(0u), b.trace);
}

TEST(Gestures, CtrlKeysMoveTheSelectedTraceByRowAndPage) {
  CControlStub control;
  CDiagram diagram(&control);
  std::vector<TraceInterface*> t;
  for (int i = 0; i < 8; ++i) t.push_back(diagram.AddStaticTrace());
  auto& list = dynamic_cast<CTraceListModel&>(*diagram.GetTraceList());
  list.SetHeight(CTraceListModel::kHeaderHeight + 2 + 3 * CTraceListModel::kRowHeight);
  list.SetTopItem(2);  // rows 2 … 4 shown
  ASSERT_EQ(list.VisibleRowCount(), 3);
  SMarkParams p = diagram.GetMarkers()->Marker(0)->GetParams();
  p.traceIndex = 6;
  diagram.GetMarkers()->Marker(0)->SetParams(p);
  const auto order = [&] {
    std::vector<int> at;
    for (TraceInterface* trace : t) at.push_back(diagram.GetTraceIndex(trace));
    return at;
  };
  const auto press = [&](int key, int from) {
    diagram.SelectTrace(static_cast<unsigned>(from));
    EXPECT_TRUE(diagram.KeyDown(key, true, false, false));
    return diagram.GetTraceIndex(diagram.SelectedTrace(0));
  };

  EXPECT_EQ(press(vkPrior, 6), 2);  // to the top row shown; the others shift down
  EXPECT_EQ(order(), (std::vector<int>{0, 1, 3, 4, 5, 6, 2, 7}));
  EXPECT_EQ(diagram.GetTraceList()->GetItemText(2, 0), t[6]->GetName());  // rows follow
  EXPECT_EQ(diagram.GetMarkers()->Marker(0)->GetParams().traceIndex, 2);   // the marker too
  EXPECT_EQ(press(vkPrior, 2), 0);  // a page up, stopping at the first row
  EXPECT_EQ(press(vkNext, 0), 4);   // to the bottom row shown
  EXPECT_EQ(press(vkNext, 4), 7);   // a page down, stopping at the last row
  EXPECT_EQ(press(vkHome, 7), 0);
  EXPECT_EQ(press(vkEnd, 0), 7);
  EXPECT_EQ(diagram.GetMarkers()->Marker(0)->GetParams().traceIndex, 7);
  EXPECT_EQ(press(vkUp, 7), 6);

  // Pages belong to the list view; with two traces selected nothing moves.
  diagram.SetTouchMode(true);
  diagram.SelectTrace(3);
  diagram.KeyDown(vkPrior, true, false, false);
  EXPECT_EQ(diagram.GetTraceIndex(diagram.SelectedTrace(0)), 3);
  diagram.SetTouchMode(false);
  const std::vector<int> before = order();
  diagram.SelectAllTraces();
  diagram.UpdateSelectedTracesList();
  diagram.KeyDown(vkHome, true, false, false);
  EXPECT_EQ(order(), before);
  EXPECT_EQ(diagram.MoveTraceTo(0, 8), -1);
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
  // A canvas that notes, as the picture starts, what the diagram looks like then.
  struct Probe : CRecordingCanvas {
    CDiagram* diagram = nullptr;
    bool started = false, leftBound = false, rightBound = false, barShown = false;
    void FillRect(const SRect& r) override {
      if (!started) {
        started = true;
        leftBound = diagram->LeftAxisControl().enabled;
        rightBound = diagram->RightAxisControl().enabled;
        barShown = diagram->HorizontalBar(0)->IsShowing();
      }
      CRecordingCanvas::FillRect(r);
    }
  };
  Bench b(true);
  b.diagram.SetColorTheme(GetColorTheme(1));  // black background
  TraceInterface* second = b.diagram.AddDataTrace();
  b.diagram.BindAxis(0);
  b.diagram.BindAxis(31);
  b.diagram.SelectTrace(0);
  b.diagram.ExecuteShortCut(L"Ctrl+W");  // a marker shows
  const TColor colour = b.trace->GetColor(), frame = b.diagram.GetChart()->FrameColor();
  const TColor grid = b.diagram.GetChart()->LeftAxis().GridColor();
  const auto lines = [](const CRecordingCanvas& c, TColor pen) {
    return std::count_if(c.ops.begin(), c.ops.end(),
                         [&](auto& op) { return op.op == CRecordingCanvas::opPolyline && op.pen.color == pen; });
  };

  Probe bw;
  bw.diagram = &b.diagram;
  b.diagram.CreateMetafile(bw, 640, 480, 1, true, false, true);
  EXPECT_FALSE(bw.leftBound);
  EXPECT_FALSE(bw.rightBound);
  EXPECT_FALSE(bw.barShown);
  ASSERT_FALSE(bw.ops.empty());
  EXPECT_EQ(bw.ops[0].brush.color, GetBWTheme()->colors[ctsBackground]);
  EXPECT_GT(lines(bw, ColorToGreyscale(colour)), 0);
  EXPECT_EQ(lines(bw, colour), 0);

  // Afterwards the screen shows what it showed before.
  EXPECT_EQ(b.trace->GetColor(), colour);
  EXPECT_EQ(b.diagram.LeftAxisControl().trace, b.trace);
  EXPECT_EQ(b.diagram.RightAxisControl().trace, second);
  EXPECT_EQ(b.diagram.GetChart()->FrameColor(), frame);
  EXPECT_EQ(b.diagram.GetChart()->LeftAxis().GridColor(), grid);
  EXPECT_TRUE(b.diagram.HorizontalBar(0)->IsShowing());
  Probe screen, withMarkers, withoutMarkers;
  screen.diagram = withMarkers.diagram = withoutMarkers.diagram = &b.diagram;
  b.diagram.Draw(screen);
  EXPECT_EQ(screen.ops[0].brush.color, GetColorTheme(1)->colors[ctsBackground]);
  EXPECT_GT(lines(screen, colour), 0);

  // In the colours shown, with the bar, the bindings and (or not) the markers.
  b.diagram.CreateMetafile(withMarkers, 640, 480, 0, true, true, false);
  b.diagram.CreateMetafile(withoutMarkers, 640, 480, 0, false, true, false);
  EXPECT_TRUE(withMarkers.leftBound && withMarkers.barShown);
  EXPECT_GT(lines(withMarkers, colour), 0);
  EXPECT_LT(withoutMarkers.ops.size(), withMarkers.ops.size());
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
