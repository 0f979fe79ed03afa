#pragma once
// The area a host places in its window: it owns the diagram control, shows every diagram
// (its surface above its trace list) and the information panel in the slots the control
// arranges, and passes what the diagrams report on to the host, as callables and as Qt
// signals. Everything else is the control's; the area forwards the host's calls to it.
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "control/DiagramControl.h"

class CDiagram;
class CMeasurement;
class CPropPageBase;
class CVirtualMeasurement;
class MeasurementInterface;
class TDiagramWidget;
class TDiagramDataModule;
class TExListView;
class TExTraceList;
class QMenu;

class TPlotvaneArea : public QWidget, public IControlHost {
  Q_OBJECT

 public:
  using ParameterEvent = std::function<void(MeasurementInterface*, const wchar_t*, double, double)>;
  using ActionEvent = std::function<void(MeasurementInterface*, const wchar_t*, const wchar_t*)>;

  // `pluginFolder` empty: the plug-in search path (PluginSearchPath() of core/PluginManager.h).
  TPlotvaneArea(QWidget* parent, const wchar_t* includedFilters, const std::wstring& pluginFolder = {});
  ~TPlotvaneArea() override;

  CDiagramControl* Control() const { return control_.get(); }

  // --- the host's calls
  CMeasurement* CreateMeasurement();
  CVirtualMeasurement* CreateVirtualMeasurement(const wchar_t* name);
  void DestroyMeasurements();
  void SetDiagramString(const wchar_t* key, const wchar_t* value);
  void Serialize(pugi::xml_node element, const char* name);
  bool Deserialize(pugi::xml_node node, const char* kind);
  // Built-in pages "Trace" and "Marker", or a "PROPPAGE" package's page (see
  // CDiagramControl::CreatePropPage). The host places its frame: CreatePropPageFrame.
  CPropPageBase* CreatePropPage(const wchar_t* name);
  // The page's controls in a frame under `parent`, filled from the active diagram; null for
  // a page without controls of its own.
  QWidget* CreatePropPageFrame(CPropPageBase* page, QWidget* parent);
  CPropPageBase* GetPropPage(unsigned index) const;
  unsigned GetPropPageCount() const;
  int GetPropPageModuleCount() const;
  std::wstring GetPropPageModuleName(unsigned index) const;
  // The control's automation object, where scripts start (see ui/AutomationBus.h).
  std::shared_ptr<IAutomationObject> GetAutomationInterface() const { return control_->GetAutomationInterface(); }
  TDiagramDataModule* GetDataModule() const { return dataModule_.get(); }

  // Touch mode: every diagram shows the touch trace list (TExTraceList) instead of the list
  // view. Taken from the per-user "TouchScreen" setting at construction; a change applies to
  // diagrams made afterwards, so a host sets it before loading a layout.
  void SetTouchMode(bool on);
  bool GetTouchMode() const { return touchMode_; }

  // Handlers for the host's "Diagram", "Marker", "Trace" and "View" menus: each fills the
  // given menu with the commands of the active diagram, its active marker or selected trace.
  std::function<void(QMenu*)> GetDiagramMenuEvent();
  std::function<void(QMenu*)> GetMarkerMenuEvent();
  std::function<void(QMenu*)> GetTraceMenuEvent();
  std::function<void(QMenu*)> GetViewMenuEvent();
  // Runs the command of the active diagram's menus that carries the shortcut ("Ctrl+N"), as
  // the area's own shortcuts do from the moment the area shows; false when none does.
  bool ExecuteShortCut(const std::wstring& keys);
  // The keys the area answers.
  const std::vector<std::wstring>& ShortCuts() const { return shortCuts_; }

  // Reported by the diagrams; empty handlers drop the reports.
  ParameterEvent OnSendParameter;
  ActionEvent OnSendAction;

  // The diagrams' colour theme: -1 follows the palette (a dark window colour gives the black
  // theme, a light one the standard theme, and a later palette change is followed), 0 … 2
  // forces that theme of GetColorTheme().
  void SetColorTheme(int theme);
  int GetColorThemeChoice() const { return themeChoice_; }

  // Brings the diagram windows in line with the control (diagrams added or removed, slots
  // rearranged). The area does this itself after its own calls and on resize.
  void SyncDiagrams();
  // The window of diagram i and its trace list (null past the end).
  TDiagramWidget* DiagramWidget(unsigned index) const;
  // In touch mode TraceListView is null and TouchTraceList the list, and the other way round.
  TExListView* TraceListView(unsigned index) const;
  TExTraceList* TouchTraceList(unsigned index) const;

 signals:
  void sendParameter(MeasurementInterface* measurement, const QString& name, double value, double extra);
  void sendAction(MeasurementInterface* measurement, const QString& name, const QString& value);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // IControlHost
  SSize ClientSize() const override;
  void Repaint() override;

  struct SPanel;
  void NotifyDiagramParameter(MeasurementInterface* m, const wchar_t* name, double value, double extra);
  void NotifyDiagramAction(MeasurementInterface* m, const wchar_t* name, const wchar_t* value);
  void FillMenu(QMenu* menu, int kind);
  CDiagram* ActiveDiagram() const;
  // One action on the area per shortcut that the diagrams' menus carry.
  void RegisterShortCuts();

  std::unique_ptr<TDiagramDataModule> dataModule_;
  std::unique_ptr<CDiagramControl> control_;
  std::vector<std::unique_ptr<SPanel>> panels_;
  QWidget* infoPanel_ = nullptr;
  bool syncing_ = false;
  int themeChoice_ = -1;
  bool touchMode_ = false;
  std::vector<std::wstring> shortCuts_;
};
