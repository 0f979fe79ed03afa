#include "ui/DiagramWidget.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QResizeEvent>

#include "interfaces/DiagramControlInterface.h"
#include "ui/QPainterCanvas.h"

TDiagramWidget::TDiagramWidget(CDiagram* diagram, QWidget* parent) : QWidget(parent) {
  // Every pixel comes from the frame: no background erase, no flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::StrongFocus);  // marker keys
  frameTimer_.setSingleShot(true);
  connect(&frameTimer_, &QTimer::timeout, this, &TDiagramWidget::FrameDue);
  SetDiagram(diagram);
}

TDiagramWidget::~TDiagramWidget() { SetDiagram(nullptr); }

void TDiagramWidget::SetDiagram(CDiagram* diagram) {
  if (diagram_ == diagram) return;
  if (diagram_ != nullptr) diagram_->SetView(nullptr);
  diagram_ = diagram;
  if (diagram_ != nullptr) {
    diagram_->SetView(this);
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
  if (diagram_ == nullptr || event->button() != Qt::LeftButton || !diagram_->MouseDown(p.x(), p.y()))
    QWidget::mousePressEvent(event);
}

void TDiagramWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (diagram_ == nullptr || !diagram_->MouseMove(p.x(), p.y())) QWidget::mouseMoveEvent(event);
}

void TDiagramWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (diagram_ == nullptr || !diagram_->MouseUp(p.x(), p.y())) QWidget::mouseReleaseEvent(event);
}

void TDiagramWidget::keyPressEvent(QKeyEvent* event) {
  // The engine takes the codes of the platform its layouts come from: letters and digits as
  // upper-case ASCII, arrows and function keys by their virtual-key numbers.
  int key = 0;
  const int q = event->key();
  if ((q >= Qt::Key_A && q <= Qt::Key_Z) || (q >= Qt::Key_0 && q <= Qt::Key_9)) key = q;
  else if (q == Qt::Key_Left) key = 0x25;
  else if (q == Qt::Key_Right) key = 0x27;
  else if (q >= Qt::Key_F1 && q <= Qt::Key_F12) key = 0x70 + (q - Qt::Key_F1);
  const Qt::KeyboardModifiers m = event->modifiers();
  if (diagram_ == nullptr || key == 0 ||
      !diagram_->KeyDown(key, m.testFlag(Qt::ControlModifier), m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::AltModifier)))
    QWidget::keyPressEvent(event);
}
