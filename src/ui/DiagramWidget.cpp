#include "ui/DiagramWidget.h"

#include <algorithm>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QResizeEvent>

#include "interfaces/DiagramControlInterface.h"
#include "ui/ExListView.h"
#include "ui/MenuBridge.h"
#include "ui/QPainterCanvas.h"

TDiagramWidget::TDiagramWidget(CDiagram* diagram, QWidget* parent) : QWidget(parent) {
  // Every pixel comes from the frame: no background erase, no flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::StrongFocus);  // marker keys
  setMouseTracking(true);            // bar hints follow the pointer
  setAcceptDrops(true);
  frameTimer_.setSingleShot(true);
  connect(&frameTimer_, &QTimer::timeout, this, &TDiagramWidget::FrameDue);
  SetDiagram(diagram);
}

TDiagramWidget::~TDiagramWidget() { SetDiagram(nullptr); }

void TDiagramWidget::SetDiagram(CDiagram* diagram) {
  if (diagram_ == diagram) return;
  if (diagram_ != nullptr) {
    diagram_->SetView(nullptr);
    diagram_->onTraceDragOut = nullptr;
  }
  diagram_ = diagram;
  if (diagram_ != nullptr) {
    diagram_->SetView(this);
    diagram_->onTraceDragOut = [this](CDiagram*) { DragTraces(); };
    diagram_->SetDoubleClickTime(QApplication::doubleClickInterval());
    diagram_->SetBounds({0, 0, width(), height()});
  }
  dirty_ = true;
  update();
}

void TDiagramWidget::Invalidate() {
  // What the diagram reports while it draws is already in the frame being drawn.
  if (drawing_) return;
  dirty_ = true;
  if (frameTimer_.isActive()) return;
  const qint64 since = sinceFrame_.isValid() ? sinceFrame_.elapsed() : kFrameIntervalMs;
  frameTimer_.start(static_cast<int>(std::max<qint64>(0, kFrameIntervalMs - since)));
}

void TDiagramWidget::FrameDue() {
  if (dirty_) update();
}

void TDiagramWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (diagram_ != nullptr) diagram_->SetBounds({0, 0, width(), height()});
  dirty_ = true;  // Qt paints a resized window at once
}

void TDiagramWidget::RenderFrame() {
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (QSizeF(size()) * ratio).toSize();
  if (frame_.size() != pixels || frame_.devicePixelRatio() != ratio) {
    frame_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    frame_.setDevicePixelRatio(ratio);
  }
  // A visible diagram paints all of its bounds; only an empty window needs a background.
  if (diagram_ == nullptr || !diagram_->GetVisible()) frame_.fill(palette().color(QPalette::Window));
  if (diagram_ != nullptr) {
    QPainterCanvas canvas(frame_);
    DiagramControlInterface* control = diagram_->GetControl();
    canvas.SetAntiAlias(control != nullptr && control->GetAntiAliasing());
    drawing_ = true;
    diagram_->Draw(canvas);
    drawing_ = false;
    ++framesDrawn_;
  }
  dirty_ = false;
  sinceFrame_.start();
}

void TDiagramWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (painter.paintEngine() != nullptr && painter.paintEngine()->type() != QPaintEngine::Raster &&
      painter.paintEngine()->type() != QPaintEngine::OpenGL2 && diagram_ != nullptr) {
    // Rendered into a vector device (an SVG or PDF picture of the window): the diagram draws
    // its lines and texts there, not an image of them.
    if (!diagram_->GetVisible()) return;
    QPainterCanvas canvas(painter);
    DiagramControlInterface* control = diagram_->GetControl();
    canvas.SetAntiAlias(control != nullptr && control->GetAntiAliasing());
    drawing_ = true;
    diagram_->Draw(canvas);
    drawing_ = false;
    return;
  }
  const QSize pixels = (QSizeF(size()) * devicePixelRatioF()).toSize();
  if (dirty_ || frame_.size() != pixels) RenderFrame();
  const QRect area = event->rect();
  const qreal ratio = frame_.devicePixelRatio();
  painter.drawImage(area, frame_,
                    QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
}

// ---- input ------------------------------------------------------------------------------

void TDiagramWidget::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  const QPoint p = event->position().toPoint();
  const EMouseButton button = event->button() == Qt::LeftButton    ? mbLeft
                              : event->button() == Qt::RightButton ? mbRight
                                                                   : mbMiddle;
  if (diagram_ == nullptr || !diagram_->MouseDown(p.x(), p.y(), button)) QWidget::mousePressEvent(event);
}

void TDiagramWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (diagram_ == nullptr || !diagram_->MouseMove(p.x(), p.y())) QWidget::mouseMoveEvent(event);
}

void TDiagramWidget::leaveEvent(QEvent* event) {
  if (diagram_ != nullptr) diagram_->MouseLeave();
  QWidget::leaveEvent(event);
}

void TDiagramWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (diagram_ == nullptr || event->button() != Qt::LeftButton || !diagram_->MouseUp(p.x(), p.y()))
    QWidget::mouseReleaseEvent(event);
}

void TDiagramWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (diagram_ == nullptr || event->button() != Qt::LeftButton || !diagram_->DoubleClick(p.x(), p.y()))
    QWidget::mouseDoubleClickEvent(event);
}

void TDiagramWidget::wheelEvent(QWheelEvent* event) {
  if (diagram_ != nullptr && diagram_->MouseWheel()) event->accept();
}

void TDiagramWidget::contextMenuEvent(QContextMenuEvent* event) {
  if (diagram_ == nullptr || !diagram_->ContextMenu(event->pos().x(), event->pos().y())) event->ignore();
}

void TDiagramWidget::ShowMenu(CPopupMenu& menu, int x, int y) { PopupMenuModel(menu, this, mapToGlobal(QPoint(x, y))); }

int TDiagramWidget::EngineKey(int q, Qt::KeyboardModifiers) {
  // Letters and digits as upper-case ASCII, the other keys by their virtual-key numbers.
  if ((q >= Qt::Key_A && q <= Qt::Key_Z) || (q >= Qt::Key_0 && q <= Qt::Key_9)) return q;
  if (q >= Qt::Key_F1 && q <= Qt::Key_F12) return 0x70 + (q - Qt::Key_F1);
  switch (q) {
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Up: return vkUp;
    case Qt::Key_Down: return vkDown;
    case Qt::Key_Home: return vkHome;
    case Qt::Key_End: return vkEnd;
    case Qt::Key_PageUp: return vkPrior;
    case Qt::Key_PageDown: return vkNext;
    case Qt::Key_Menu: return vkApps;
    case Qt::Key_Asterisk: return vkMultiply;  // the keypad's or the main keyboard's
    default: return 0;
  }
}

void TDiagramWidget::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers m = event->modifiers();
  const int key = EngineKey(event->key(), m);
  if (diagram_ == nullptr || key == 0 ||
      !diagram_->KeyDown(key, m.testFlag(Qt::ControlModifier), m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::AltModifier)))
    QWidget::keyPressEvent(event);
}

// ---- drops --------------------------------------------------------------------------------

namespace {

CDiagram* DraggedFrom(const QDropEvent* event) {
  const auto* list = qobject_cast<const TExListView*>(event->source());
  return list != nullptr ? list->Diagram() : nullptr;
}

}  // namespace

void TDiagramWidget::dragEnterEvent(QDragEnterEvent* event) {
  CDiagram* source = DraggedFrom(event);
  if (source != nullptr && source != diagram_) event->acceptProposedAction();
}

void TDiagramWidget::dragMoveEvent(QDragMoveEvent* event) {
  CDiagram* source = DraggedFrom(event);
  if (source != nullptr && source != diagram_) event->acceptProposedAction();
}

void TDiagramWidget::dropEvent(QDropEvent* event) {
  CDiagram* source = DraggedFrom(event);
  if (source == nullptr || source == diagram_ || diagram_ == nullptr) return;
  diagram_->DropTraces(source);
  // The diagrams moved the rows themselves; a move reported back would make the source list
  // remove its selected rows once more.
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
}

void TDiagramWidget::DragTraces() {
  if (auto* list = dynamic_cast<TExListView*>(diagram_ != nullptr ? diagram_->GetTraceList() : nullptr))
    list->DragSelection();
}
