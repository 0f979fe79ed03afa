#pragma once
// The window of one diagram. The diagram lays out and paints itself; this widget keeps the
// last frame in an image and only asks the diagram to draw again when the diagram said it
// changed (Invalidate) or the window changed size. Requests are coalesced to at most one frame
// per 16 ms, so a burst of sweeps costs one drawing per screen refresh. Rendered into a vector
// device (QWidget::render onto an SVG generator or a PDF writer), the diagram draws itself
// there directly, so the picture holds lines and texts rather than an embedded image.
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "diagram/Diagram.h"

class TDiagramWidget : public QWidget, public IDiagramView {
  Q_OBJECT

 public:
  static constexpr int kFrameIntervalMs = 16;

  // The diagram must outlive the widget or be taken away first (SetDiagram(nullptr)).
  explicit TDiagramWidget(CDiagram* diagram, QWidget* parent = nullptr);
  ~TDiagramWidget() override;

  CDiagram* Diagram() const { return diagram_; }
  void SetDiagram(CDiagram* diagram);
  // The diagram was destroyed before the widget (the control removed it): let go without
  // touching it.
  void ForgetDiagram() { diagram_ = nullptr; }

  // IDiagramView: the diagram changed; a frame follows within one frame interval.
  void Invalidate() override;
  // IDiagramView: a menu of the diagram at a point of this window.
  void ShowMenu(CPopupMenu& menu, int x, int y) override;
  // The engine's code of a Qt key (0 for keys the engine does not take).
  static int EngineKey(int qtKey, Qt::KeyboardModifiers modifiers = {});

  // Frames the diagram has drawn for this widget (blits of the kept frame not counted).
  int FramesDrawn() const { return framesDrawn_; }
  // The last frame, in device pixels.
  const QImage& Frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Mouse and keys go to the diagram's engine handlers (markers first).
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Traces dragged from another diagram's list drop on the plot too.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void RenderFrame();
  void FrameDue();
  // A trace's swatch dragged off the diagram: the diagram's list drags its selection.
  void DragTraces();

  CDiagram* diagram_ = nullptr;
  QImage frame_;
  bool dirty_ = true;
  bool drawing_ = false;
  int framesDrawn_ = 0;
  QTimer frameTimer_;
  QElapsedTimer sinceFrame_;
};
