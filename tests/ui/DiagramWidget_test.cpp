// The diagram window draws the diagram once per change, however many changes arrive in a
// frame interval, and never when nothing changed.
#include <gtest/gtest.h>

#include "diagram/Diagram.h"
#include "support/ControlStub.h"
#include "ui/DiagramWidget.h"
#include "ui/QtTestApp.h"

TEST(DiagramWidget, DrawsOncePerBurstOfChangesAndOnResize) {
  QtTestApp();
  CControlStub control;
  CDiagram diagram(&control);
  {
    TDiagramWidget widget(&diagram);
    widget.resize(320, 240);
    widget.show();
    RunEventsFor(100);
    ASSERT_GE(widget.FramesDrawn(), 1);
    EXPECT_EQ(diagram.GetBounds().right, 320);
    EXPECT_EQ(widget.Frame().size(), QSize(320, 240) * widget.devicePixelRatioF());

    const int before = widget.FramesDrawn();
    for (int i = 0; i < 20; ++i) diagram.RepaintChart();
    RunEventsFor(100);
    EXPECT_EQ(widget.FramesDrawn(), before + 1);

    // Exposing the window again shows the kept frame.
    widget.repaint();
    RunEventsFor(50);
    EXPECT_EQ(widget.FramesDrawn(), before + 1);

    widget.resize(400, 300);
    RunEventsFor(100);
    EXPECT_EQ(diagram.GetBounds().right, 400);
    EXPECT_EQ(diagram.GetBounds().bottom, 300);
    EXPECT_EQ(widget.FramesDrawn(), before + 2);
  }
  diagram.RepaintChart();  // the widget has let the diagram go
}
