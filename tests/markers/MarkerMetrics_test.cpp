// The marker's read-out frame takes its font sizes from the metrics a layout sets.
#include <gtest/gtest.h>

#include <vector>

#include "control/DiagramControl.h"
#include "core/DiagMetrics.h"
#include "diagram/Diagram.h"
#include "markers/MarkersManager.h"
#include "measurements/Measurement.h"
#include "support/RecordingCanvas.h"
#include "support/TempDir.h"

namespace {

// The read-out frame of marker 0 (placed at the maximum of a small trace) as drawn.
SRect DrawnFrame(CDiagramControl& control, bool large) {
  CDiagram* diagram = control.GetDiagram(0);
  diagram->GetMarkers()->SetLargeFont(large);
  CRecordingCanvas canvas;
  canvas.textScalesWithFont = true;
  diagram->Draw(canvas);
  for (const auto& op : canvas.ops)
    if (op.op == CRecordingCanvas::opRectangle && op.brush.color == clWhite && op.pen.color == diagram->Trace(0u)->GetColor())
      return op.rect;
  return {};
}

}  // namespace

TEST(MarkerMetrics, FontSizesFromTheLayoutChangeTheDrawnFrame) {
  CDiagramControl control(nullptr, L"", FreshDir("marker_metrics_plugins").wstring());
  CMeasurement* channel = control.CreateMeasurement();
  channel->SetStimulusQuantity(L"Hz");
  channel->SetStimulusRange(1e6, 2e6, true);
  channel->SetPointsCount(11);
  CDiagram* diagram = control.AddDiagram();
  diagram->SetBounds({0, 0, 800, 600});
  diagram->SetVisible(true);
  ASSERT_NE(diagram->AddDataTrace(), nullptr);
  std::vector<double> x, y;
  for (int i = 0; i < 11; ++i) {
    x.push_back(1e6 + 1e5 * i);
    y.push_back(-(i - 4) * (i - 4));
  }
  channel->AddData(0, 11, x.data(), y.data(), nullptr);
  SMarkParams p = DefaultMarkParams();
  p.parked = false;
  p.enabled = true;
  p.mode = mmMaximum;
  p.traceIndex = 0;
  p.lines.set(2);
  diagram->GetMarkers()->Marker(0)->SetParams(p);

  const SRect normal = DrawnFrame(control, false), large = DrawnFrame(control, true);
  ASSERT_GT(normal.Width(), 0);
  EXPECT_GT(large.Width(), normal.Width());

  pugi::xml_document layout;
  layout.load_string("<layout><diagram_control><metrics>"
                     "<item id='MRK_FONT_SIZE_NORMAL' value='16'/><item id='MRK_FONT_SIZE_LARGE' value='8'/>"
                     "</metrics></diagram_control></layout>");
  control.Deserialize(layout.document_element(), "scheme");
  const SRect normal16 = DrawnFrame(control, false), large8 = DrawnFrame(control, true);
  Metrics().ResetToDefaults();

  // Text twice as large: the frame holds twice the text (its insets stay).
  EXPECT_EQ(normal16.Width() - 6, 2 * (normal.Width() - 6));
  EXPECT_GT(normal16.Height(), normal.Height());
  EXPECT_EQ(large8.Width(), normal.Width());
  EXPECT_EQ(large8.Height(), normal.Height());
}
