#include "diagram/ExStatusBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Text.h"
#include "common/Units.h"
#include "core/DiagCommonLib.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/DiagramStub.h"
#include "support/FakeSubscriber.h"
#include "support/FakeTrace.h"
#include "support/RecordingCanvas.h"

namespace {

const std::wstring kChannel = L"Канал 1";

class ChannelTrace : public FakeTrace {
 public:
  MeasurementInterface* channel = nullptr;
  TColor color = clBlack;
  MeasurementInterface* Measurement() const override { return channel; }
  TColor GetColor() const override { return color; }
};

// A channel of the diagram; `shown` makes some subscriber show it.
struct Channel {
  CRecordingSubscriber viewer;
  CMeasurement m;
  Channel(CDiagramStub& diagram, const std::wstring& channel, bool shown) {
    viewer.visible = shown;
    m.AddSubscriber(&viewer);
    m.SetParameter(L"channel", channel);
    diagram.channels.push_back(&m);
  }
};

struct Bar {
  CDiagramStub diagram;
  TExStatusBar bar{&diagram};
  CRecordingCanvas canvas;
  Bar() {
    bar.SetChannel(kChannel);
    bar.SetColorTheme(*GetColorTheme(0));
    bar.SetPosition(0);
    bar.SetBounds({0, 570, 1120, 570 + bar.Height()});
  }
  void Paint() {
    canvas.ops.clear();
    bar.Paint(canvas);
  }
  int TextCount(const std::wstring& text) const {
    int n = 0;
    for (const auto& op : canvas.ops) n += op.op == CRecordingCanvas::opText && op.text == text;
    return n;
  }
  // The cell drawn around a text: the rectangle drawn just before it.
  SRect CellOf(const std::wstring& text) const {
    SRect cell;
    for (const auto& op : canvas.ops) {
      if (op.op == CRecordingCanvas::opRectangle) cell = op.rect;
      if (op.op == CRecordingCanvas::opText && op.text == text) return cell;
    }
    ADD_FAILURE() << "no text drawn: " << WideToUtf8(text);
    return {};
  }
  std::vector<SRect> SwatchesOf(TColor color) const {
    std::vector<SRect> rects;
    for (const auto& op : canvas.ops) {
      if (op.op == CRecordingCanvas::opRectangle && op.brush.color == color) rects.push_back(op.rect);
    }
    return rects;
  }
};

}  // namespace

TEST(ExStatusBar, IndicatorsOfTheChannelFirstMeasurementWins) {
  Bar b;
  Channel first(b.diagram, kChannel, true);
  Channel other(b.diagram, L"Канал 2", true);
  Channel hidden(b.diagram, kChannel, false);
  Channel second(b.diagram, kChannel, true);
  first.m.SetIndicator(citFirst, 3, L"A", L"hint A", L"power", 0);
  first.m.SetIndicator(citFirst, 5, L"X", L"", L"", 0);
  first.m.SetIndicator(citSecond, 1, L"V", L"", L"", 0);
  second.m.SetIndicator(citFirst, 3, L"B", L"", L"", 0);
  second.m.SetIndicator(citFirst, 1, L"Y", L"", L"", 0);
  other.m.SetIndicator(citFirst, 2, L"Z", L"", L"", 0);
  hidden.m.SetIndicator(citFirst, 0, L"H", L"", L"", 0);

  b.Paint();
  std::vector<std::wstring> shown;
  for (const SBarHit& ind : b.bar.Indicators()) shown.push_back(std::to_wstring(ind.index) + ind.value);
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"1Y", L"3A", L"5X"}));
  EXPECT_EQ(b.TextCount(L"A"), 1);
  EXPECT_EQ(b.TextCount(L"B") + b.TextCount(L"Z") + b.TextCount(L"H") + b.TextCount(L"V"), 0);

  const SRect cell = b.CellOf(L"A");
  const SBarHit hit = b.bar.HitTest(cell.right, cell.bottom);  // edges belong to the cell
  EXPECT_EQ(hit.index, 3);
  EXPECT_EQ(hit.value, L"A");
  EXPECT_EQ(hit.hint, L"hint A");
  EXPECT_EQ(b.bar.HintAt(cell.left, cell.top), L"hint A");

  // The vertical bar of the channel shows the other kind, without fields or swatches.
  b.bar.SetPrimary(false);
  b.bar.SetPosition(1);
  b.bar.SetBounds({0, 0, b.bar.Width(), 500});
  b.Paint();
  ASSERT_EQ(b.bar.Indicators().size(), 1u);
  EXPECT_EQ(b.TextCount(L"V"), 1);
  EXPECT_EQ(b.canvas.Count(CRecordingCanvas::opText), 1);
}

TEST(ExStatusBar, StimulusFieldsAndTraceSwatches) {
  Bar b;
  Channel ch(b.diagram, kChannel, true);
  Channel other(b.diagram, L"Канал 2", true);
  ch.m.SetStimulusQuantity(L"GHz");
  ch.m.SetStimulusRange(3, 1, true);  // a sweep running backwards
  ChannelTrace foreign, hiddenTrace, shownTrace;
  foreign.channel = &other.m;
  foreign.color = RGBColor(1, 0, 0);
  hiddenTrace.channel = &ch.m;
  hiddenTrace.visible = false;
  hiddenTrace.color = RGBColor(2, 0, 0);
  shownTrace.channel = &ch.m;
  shownTrace.name = L"Trc3";
  shownTrace.color = RGBColor(3, 0, 0);
  b.diagram.members = {&foreign, &hiddenTrace, &shownTrace};

  b.Paint();
  const std::wstring start = CalcOptimalValueString(3e9, L"Hz");
  const std::wstring center = CalcOptimalValueString(2e9, L"Hz");
  const std::wstring stop = CalcOptimalValueString(1e9, L"Hz");
  EXPECT_LT(b.CellOf(start).right, b.CellOf(center).left);
  EXPECT_LT(b.CellOf(center).right, b.CellOf(stop).left);

  const SRect c = b.CellOf(center);
  SBarHit hit = b.bar.HitTest(c.right, c.top);
  EXPECT_EQ(hit.name, L"freq,center");
  EXPECT_EQ(hit.value, center);
  EXPECT_EQ(hit.hint, Tr("Центральная частота сканирования"));
  EXPECT_EQ(b.bar.HintAt(c.left, c.bottom), Tr("Центральная частота сканирования"));
  EXPECT_EQ(b.bar.HitTest(c.right + 1, c.top).index, -1);

  EXPECT_TRUE(b.SwatchesOf(foreign.color).empty());
  EXPECT_TRUE(b.SwatchesOf(hiddenTrace.color).empty());
  const std::vector<SRect> swatch = b.SwatchesOf(shownTrace.color);
  ASSERT_EQ(swatch.size(), 1u);
  EXPECT_EQ(swatch[0].Width(), 11);  // IND_TRACE_SIZE
  hit = b.bar.HitTest(swatch[0].left, swatch[0].top);
  EXPECT_EQ(hit.index, 2);
  EXPECT_EQ(hit.kind, L"none");
  EXPECT_EQ(hit.value, L"Trc3");
  EXPECT_EQ(hit.name, L"trace");
}

TEST(ExStatusBar, PaintsNothingWithoutAVisibleMeasurementOrPlot) {
  Bar b;
  Channel ch(b.diagram, kChannel, false);
  ch.m.SetIndicator(citFirst, 1, L"A", L"hint", L"", 0);
  AssertCapture asserts;
  b.Paint();
  EXPECT_TRUE(b.canvas.ops.empty());
  EXPECT_TRUE(asserts.Saw("Measurement != NULL"));
  EXPECT_TRUE(b.bar.HitTest(10, 575).Empty());

  ch.viewer.visible = true;
  b.bar.SetHidden(true);
  b.Paint();
  EXPECT_TRUE(b.canvas.ops.empty());
  b.bar.SetHidden(false);
  b.diagram.chart.SetBounds({0, 0, 50, 50});  // margins leave no plot
  b.Paint();
  EXPECT_TRUE(b.canvas.ops.empty());
}
