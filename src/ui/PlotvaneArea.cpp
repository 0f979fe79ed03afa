#include "ui/PlotvaneArea.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "common/Settings.h"
#include "control/DiagramControl.h"
#include "core/DiagMetrics.h"
#include "core/MenuModel.h"
#include "diagram/Diagram.h"
#include "diagram/InfoPanel.h"
#include "measurements/Measurement.h"
#include "traces/Trace.h"
#include "ui/DiagramDataModule.h"
#include "ui/DiagramPictures.h"
#include "ui/DiagramWidget.h"
#include "ui/ExListView.h"
#include "ui/ExTraceList.h"
#include "ui/MarkerPropPage.h"
#include "ui/MenuBridge.h"
#include "ui/PropPageControls.h"
#include "ui/QPainterCanvas.h"
#include "ui/TracePropPage.h"

namespace {

// The information panel's window: the panel paints itself on the canvas.
class TInfoPanelWidget : public QWidget {
 public:
  TInfoPanelWidget(CDiagramControl* control, QWidget* parent) : QWidget(parent), control_(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    CInfoPanel* panel = control_->GetInfoPanel();
    if (panel == nullptr) return;
    QPainterCanvas canvas(*this);
    panel->Paint(canvas, {0, 0, width(), height()});
  }

 private:
  CDiagramControl* control_;
};

}  // namespace

// One diagram: its surface above its trace list.
struct TPlotvaneArea::SPanel {
  CDiagram* diagram = nullptr;
  QWidget* frame = nullptr;
  TDiagramWidget* surface = nullptr;
  TExListView* list = nullptr;        // the list view, or
  TExTraceList* touchList = nullptr;  // the touch list
  QWidget* listWidget = nullptr;      // whichever of the two there is
  CPopupMenu menu;  // the last menu handed out; its items must live while the Qt menu shows
};

TPlotvaneArea::TPlotvaneArea(QWidget* parent, const wchar_t* includedFilters, const std::wstring& pluginFolder)
    : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  touchMode_ = GetTouchScreenEnabled();
  dataModule_ = std::make_unique<TDiagramDataModule>(touchMode_ || GetLargeIconsEnabled());
  // Pixel sizes follow the screen's logical resolution as the texts in points do.
  SetMetricsScale(std::max(1.0, logicalDpiY() / 96.0));
  control_ = std::make_unique<CDiagramControl>(this, includedFilters, pluginFolder);
  control_->RegisterPropPage(L"Trace", [] { return std::make_unique<TTracePropPage>(); });
  control_->RegisterPropPage(L"Marker", [] { return std::make_unique<TMarkerPropPage>(); });
  control_->onDiagramParameter = [this](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
    NotifyDiagramParameter(m, name, value, extra);
  };
  control_->onDiagramAction = [this](MeasurementInterface* m, const wchar_t* name, const wchar_t* value) {
    NotifyDiagramAction(m, name, value);
  };
  SetColorTheme(-1);
}

TPlotvaneArea::~TPlotvaneArea() {
  // The windows go before the diagrams they show.
  for (auto& panel : panels_) {
    panel->diagram->SetTraceList(nullptr);
    panel->surface->SetDiagram(nullptr);
    delete panel->frame;
  }
  panels_.clear();
  delete infoPanel_;
  infoPanel_ = nullptr;
  control_->SetHost(nullptr);
  control_.reset();
}

// ---- the host's calls ---------------------------------------------------------------------

CMeasurement* TPlotvaneArea::CreateMeasurement() { return control_->CreateMeasurement(); }

CVirtualMeasurement* TPlotvaneArea::CreateVirtualMeasurement(const wchar_t* name) {
  return control_->CreateVirtualMeasurement(name);
}

void TPlotvaneArea::DestroyMeasurements() {
  control_->DestroyMeasurements();
  SyncDiagrams();
}

void TPlotvaneArea::SetDiagramString(const wchar_t* key, const wchar_t* value) {
  control_->SetDiagramString(key, value);
}

void TPlotvaneArea::Serialize(pugi::xml_node element, const char* name) { control_->Serialize(element, name); }

bool TPlotvaneArea::Deserialize(pugi::xml_node node, const char* kind) {
  // Diagrams created by the load get their windows before their traces arrive, so the
  // trace lists see every row being added.
  const bool result = control_->Deserialize(node, kind);
  SyncDiagrams();
  return result;
}

CPropPageBase* TPlotvaneArea::CreatePropPage(const wchar_t* name) { return control_->CreatePropPage(name); }

QWidget* TPlotvaneArea::CreatePropPageFrame(CPropPageBase* page, QWidget* parent) {
  auto* controls = dynamic_cast<IPropPageControls*>(page);
  if (controls == nullptr) return nullptr;
  QWidget* frame = controls->CreateControls(parent);
  // A page made after the layout was loaded learns the active diagram now.
  if (!control_->IsInitializing()) control_->UpdatePropPages(ppuAll);
  return frame;
}

void TPlotvaneArea::SetTouchMode(bool on) {
  touchMode_ = on;
  if (on && !dataModule_->LargeIcons()) dataModule_ = std::make_unique<TDiagramDataModule>(true);
}
CPropPageBase* TPlotvaneArea::GetPropPage(unsigned index) const { return control_->Page(index); }
unsigned TPlotvaneArea::GetPropPageCount() const { return control_->GetPropPageCount(); }
int TPlotvaneArea::GetPropPageModuleCount() const { return control_->GetPropPageModuleCount(); }
std::wstring TPlotvaneArea::GetPropPageModuleName(unsigned index) const {
  return control_->GetPropPageModuleName(static_cast<int>(index));
}

// ---- menus --------------------------------------------------------------------------------

CDiagram* TPlotvaneArea::ActiveDiagram() const {
  // Before the operator picks a diagram the first one answers the menus and shortcuts.
  const int active = control_->GetCurrentDiagramIndex();
  if (active >= 0 && static_cast<unsigned>(active) < control_->GetDiagramCount())
    return control_->GetDiagram(static_cast<unsigned>(active));
  return control_->GetDiagramCount() > 0 ? control_->GetDiagram(0) : nullptr;
}

void TPlotvaneArea::FillMenu(QMenu* menu, int kind) {
  if (menu == nullptr) return;
  menu->clear();
  CDiagram* diagram = ActiveDiagram();
  auto it = std::find_if(panels_.begin(), panels_.end(), [&](auto& p) { return p->diagram == diagram; });
  if (it == panels_.end()) return;
  SPanel& panel = **it;
  panel.menu.Items().Clear();
  if (kind == 0) diagram->PrepareMenu(&panel.menu);
  if (kind == 1 && diagram->GetMarkers() != nullptr) diagram->GetMarkers()->PrepareMenu(&panel.menu);
  if (kind == 2) diagram->PrepareTraceMenu(&panel.menu);
  if (kind == 3) diagram->PrepareAreaViewMenu(&panel.menu);
  FillQMenu(menu, panel.menu.Items());
  if (kind == 3 && control_->onViewMenu) control_->onViewMenu();
}

void TPlotvaneArea::RegisterShortCuts() {
  for (auto& panel : panels_) {
    for (const std::wstring& keys : panel->diagram->ShortCuts()) {
      if (std::find(shortCuts_.begin(), shortCuts_.end(), keys) != shortCuts_.end()) continue;
      shortCuts_.push_back(keys);
      auto* action = new QAction(this);
      action->setShortcut(QKeySequence(QString::fromStdWString(keys)));
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      connect(action, &QAction::triggered, this, [this, keys] { ExecuteShortCut(keys); });
      addAction(action);
    }
  }
}

bool TPlotvaneArea::ExecuteShortCut(const std::wstring& keys) {
  // The diagram whose window or list has the focus, else the active one.
  CDiagram* diagram = ActiveDiagram();
  const QWidget* focus = QApplication::focusWidget();
  for (auto& panel : panels_)
    if (focus != nullptr && panel->frame->isAncestorOf(focus)) diagram = panel->diagram;
  return diagram != nullptr && diagram->ExecuteShortCut(keys);
}

std::function<void(QMenu*)> TPlotvaneArea::GetDiagramMenuEvent() {
  return [this](QMenu* menu) { FillMenu(menu, 0); };
}
std::function<void(QMenu*)> TPlotvaneArea::GetMarkerMenuEvent() {
  return [this](QMenu* menu) { FillMenu(menu, 1); };
}
std::function<void(QMenu*)> TPlotvaneArea::GetTraceMenuEvent() {
  return [this](QMenu* menu) { FillMenu(menu, 2); };
}
std::function<void(QMenu*)> TPlotvaneArea::GetViewMenuEvent() {
  return [this](QMenu* menu) { FillMenu(menu, 3); };
}

// ---- events to the host -------------------------------------------------------------------

void TPlotvaneArea::NotifyDiagramParameter(MeasurementInterface* m, const wchar_t* name, double value, double extra) {
  if (OnSendParameter) OnSendParameter(m, name, value, extra);
  emit sendParameter(m, QString::fromWCharArray(name), value, extra);
}

void TPlotvaneArea::NotifyDiagramAction(MeasurementInterface* m, const wchar_t* name, const wchar_t* value) {
  if (OnSendAction) OnSendAction(m, name, value);
  emit sendAction(m, QString::fromWCharArray(name), QString::fromWCharArray(value != nullptr ? value : L""));
}

// ---- windows ------------------------------------------------------------------------------

SSize TPlotvaneArea::ClientSize() const { return {width(), height()}; }

void TPlotvaneArea::Repaint() {
  if (infoPanel_ != nullptr) infoPanel_->update();
  if (!syncing_) SyncDiagrams();
}

TDiagramWidget* TPlotvaneArea::DiagramWidget(unsigned index) const {
  return index < panels_.size() ? panels_[index]->surface : nullptr;
}

TExListView* TPlotvaneArea::TraceListView(unsigned index) const {
  return index < panels_.size() ? panels_[index]->list : nullptr;
}

TExTraceList* TPlotvaneArea::TouchTraceList(unsigned index) const {
  return index < panels_.size() ? panels_[index]->touchList : nullptr;
}

void TPlotvaneArea::SyncDiagrams() {
  if (syncing_) return;
  syncing_ = true;
  // Windows of diagrams that are gone.
  for (std::size_t i = 0; i < panels_.size();) {
    bool alive = false;
    for (unsigned d = 0; d < control_->GetDiagramCount(); ++d) alive = alive || control_->GetDiagram(d) == panels_[i]->diagram;
    if (alive) {
      ++i;
      continue;
    }
    // Its diagram was destroyed (the control removed it): the views must not reach it on
    // their way out.
    panels_[i]->surface->ForgetDiagram();
    panels_[i]->list->ForgetDiagram();
    delete panels_[i]->frame;
    panels_.erase(panels_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  // Windows for new diagrams, in diagram order.
  std::vector<std::unique_ptr<SPanel>> ordered;
  for (unsigned d = 0; d < control_->GetDiagramCount(); ++d) {
    CDiagram* diagram = control_->GetDiagram(d);
    auto it = std::find_if(panels_.begin(), panels_.end(), [&](auto& p) { return p && p->diagram == diagram; });
    if (it != panels_.end()) {
      ordered.push_back(std::move(*it));
      continue;
    }
    auto panel = std::make_unique<SPanel>();
    panel->diagram = diagram;
    panel->frame = new QWidget(this);
    auto* layout = new QVBoxLayout(panel->frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    panel->surface = new TDiagramWidget(diagram, panel->frame);
    layout->addWidget(panel->surface, 1);
    auto colorOf = [diagram](int index) {
      return index >= 0 && static_cast<unsigned>(index) < diagram->GetTraceCount()
                 ? diagram->Trace(static_cast<unsigned>(index))->GetColor()
                 : clNone;
    };
    diagram->onSavePicture = [](CDiagram* d) { AskAndSaveDiagramPicture(*d); };
    diagram->onColorMapSettings = [this](CDiagram* d) { control_->OpenColorMapControl(d); };
    diagram->onCopyPicture = [](CDiagram* d) { CopyDiagramPicture(*d); };
    auto check = [diagram](int row, bool checked) {
      if (row >= 0 && static_cast<unsigned>(row) < diagram->GetTraceCount())
        diagram->Trace(static_cast<unsigned>(row))->SetVisible(checked);
    };
    TraceListInterface* list = nullptr;
    diagram->SetTouchMode(touchMode_);
    if (touchMode_) {
      panel->touchList = new TExTraceList(panel->frame);
      panel->touchList->SetImageColorSource(colorOf);
      panel->touchList->SetCheckHandler(check);
      SPanel* p = panel.get();
      panel->touchList->SetMenuHandler([this, p](int row, const QPoint& at) {
        if (row >= 0 && !p->touchList->IsSelected(row)) p->touchList->SelectItem(row, true);
        p->menu.Items().Clear();
        p->diagram->PrepareTraceMenu(&p->menu);
        QMenu menu;
        dataModule_->StyleMenu(&menu);
        FillQMenu(&menu, p->menu.Items());
        menu.exec(at);
      });
      panel->listWidget = panel->touchList;
      list = panel->touchList;
    } else {
      panel->list = new TExListView(diagram, panel->frame);
      panel->list->SetImageColorSource(colorOf);
      panel->list->SetCheckHandler(check);
      panel->listWidget = panel->list;
      list = panel->list;
    }
    layout->addWidget(panel->listWidget, 0);
    // The list takes over the diagram's rows; rows of traces already there are refilled.
    diagram->SetTraceList(list);
    for (unsigned t = 0; t < diagram->GetTraceCount(); ++t) {
      list->AddItem(static_cast<int>(t));
      diagram->UpdateTrace(diagram->Trace(t));
    }
    ordered.push_back(std::move(panel));
  }
  panels_ = std::move(ordered);

  for (unsigned d = 0; d < panels_.size(); ++d) {
    SPanel& panel = *panels_[d];
    const SRect r = control_->GetSlotRect(d);
    const bool shown = panel.diagram->GetVisible() && r.Width() > 0 && r.Height() > 0;
    if (panel.list != nullptr) panel.list->setHeaderHidden(!panel.diagram->GetTraceHeaderVisible());
    if (shown) panel.frame->setGeometry(r.left, r.top, r.Width(), r.Height());
    panel.frame->setVisible(shown);
  }

  CInfoPanel* info = control_->GetInfoPanel();
  const SRect r = control_->GetSlotRect(control_->GetDiagramCount());
  if (info != nullptr && infoPanel_ == nullptr) infoPanel_ = new TInfoPanelWidget(control_.get(), this);
  if (infoPanel_ != nullptr) {
    const bool shown = info != nullptr && r.Width() > 0 && r.Height() > 0;
    if (shown) infoPanel_->setGeometry(r.left, r.top, r.Width(), r.Height());
    infoPanel_->setVisible(shown);
    infoPanel_->update();
  }
  RegisterShortCuts();
  syncing_ = false;
}

void TPlotvaneArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  control_->OnResize();
  SyncDiagrams();
}

void TPlotvaneArea::SetColorTheme(int theme) {
  themeChoice_ = theme < 0 ? -1 : theme;
  // The theme indices of GetColorTheme(): 0 standard, 1 black.
  const bool dark = palette().color(QPalette::Window).lightness() < 128;
  control_->SetColorTheme(themeChoice_ >= 0 ? unsigned(themeChoice_) : dark ? 1u : 0u);
}

void TPlotvaneArea::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && themeChoice_ < 0) SetColorTheme(-1);
}

void TPlotvaneArea::paintEvent(QPaintEvent*) {
  // Only the gaps between the slots show the area itself.
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
}
