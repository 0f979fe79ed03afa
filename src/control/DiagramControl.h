#pragma once
// The engine behind the area component: it owns the diagrams, the information panel, the
// measurement channels and virtual measurements, the filter and property-page factories, the
// created property pages and the arrangement of diagrams inside the area; it keeps the named
// display strings and the colour-map settings of spectrum diagrams, and passes what the
// diagrams report on to the host through two events.
//
// The area component hosts it through IControlHost (the size of its surface and a repaint
// request) and paints it with Draw. Until the first layout load (Deserialize) the control is
// initializing: diagrams added meanwhile are neither arranged, shown nor activated.
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chart/Canvas.h"
#include "common/Xml.h"
#include "core/PluginManager.h"
#include "diagram/Diagram.h"
#include "diagram/InfoPanel.h"
#include "diagram/ObjectArranger.h"
#include "filters/PropPage.h"
#include "interfaces/DiagramControlInterface.h"
#include "measurements/Measurement.h"
#include "measurements/VirtualMeasurement.h"

// What the control needs of the window that shows it.
class IControlHost {
 public:
  virtual ~IControlHost() = default;
  // The client area the diagrams are arranged in.
  virtual SSize ClientSize() const = 0;
  virtual void Repaint() = 0;
};

class CDiagramControl : public DiagramControlInterface, public IInfoPanelHost, public IDiagramView {
 public:
  using DiagramParameterEvent = std::function<void(MeasurementInterface*, const wchar_t*, double, double)>;
  using DiagramActionEvent = std::function<void(MeasurementInterface*, const wchar_t*, const wchar_t*)>;

  // host may be null (a 0 × 0 area that is never repainted). includedFilters: the filter
  // plug-ins property pages may serve. pluginFolder: the one folder the Filter*.so and
  // PropPage*.so packages are looked for in; empty for the search path (PluginSearchPath()).
  CDiagramControl(IControlHost* host, const wchar_t* includedFilters, const std::wstring& pluginFolder = {});
  ~CDiagramControl() override;
  CDiagramControl(const CDiagramControl&) = delete;
  CDiagramControl& operator=(const CDiagramControl&) = delete;

  void SetHost(IControlHost* host) { host_ = host; }
  IControlHost* GetHost() const { return host_; }

  // --- DiagramControlInterface
  // Keys are compared in upper case.
  std::wstring GetDiagramString(const wchar_t* key) const override;
  std::shared_ptr<IAutomationObject> GetAutomationInterface() override {
    return automation_.Get<DiagramControlInterface>(*this);
  }
  // "FPS" becomes every diagram's label, "DEMODINFO" and "DEMODCAPTION" go to the
  // information panel.
  void SetDiagramString(const wchar_t* key, const wchar_t* value) override;
  CDiagram* GetDiagram(unsigned index) const override;
  // Null at the maximum count.
  CDiagram* AddDiagram() override;
  void RemoveDiagram(unsigned index) override;
  void* GetMenuStyler() override { return nullptr; }
  void* GetToolBarStyler() override { return nullptr; }
  unsigned GetDiagramCount() const override { return static_cast<unsigned>(diagrams_.size()); }
  // 4, or 3 while the information panel takes a slot.
  unsigned GetDiagramMaxCount() const override { return infoPanelEnabled_ ? 3 : 4; }
  void ShowInfoPanel(bool show) override { infoPanelEnabled_ = show; }
  int GetCurrentDiagramIndex() const override { return activeIndex_; }
  bool GetInfoPanelEnabled() const override { return infoPanelEnabled_; }
  std::wstring GetInfoPanelName() const override;
  void SetActiveDiagram(unsigned index) override;
  // Clamped to 0 … 8; the diagrams are placed by the next ArrangeDiagrams.
  void SetDiagramMode(int mode) override;
  int GetDiagramMode() const override { return mode_; }
  // Index GetDiagramCount() places the information panel.
  void SetDiagramPosition(unsigned index, int position) override;
  int GetDiagramPosition(unsigned index) const override;
  // The rectangle of a slot (diagram index, or the index after the diagrams for the panel)
  // in the host's client area as the arrangement gives it now; empty when not placed.
  SRect GetSlotRect(unsigned index) const;
  const SColorTheme* GetTheme() const override;
  // The colour theme of every diagram (an index of GetColorTheme(); one out of range is
  // reported and gives the last theme). Traces keep the colours they have.
  void SetColorTheme(unsigned index);
  void SendDiagramParameter(MeasurementInterface* measurement, const wchar_t* name, double value,
                            double extra) override;
  void SendDiagramAction(MeasurementInterface* measurement, const wchar_t* name, const wchar_t* value) override;
  void SetOnViewMenuEvent(std::function<void()> handler) override { onViewMenu = std::move(handler); }
  void BlockPropPagesUpdate(bool block) override { propPagesBlocked_ = block; }
  void UpdatePropPages(EPPUpdate kind) override;
  unsigned GetPropPageCount() const override { return static_cast<unsigned>(propPages_.size()); }
  // A CPropPageBase*, null out of range.
  void* GetPropPage(unsigned index) const override { return Page(index); }
  // Writes "diagram_control" (mode, colour map, every diagram and the information panel) and
  // "proppages" under `element`.
  void Serialize(pugi::xml_node element, const char* name) override;
  // Reads what Serialize wrote under `node`; kind "scheme" reads only the start-up settings
  // (the relation presets file and the metrics) and leaves the control initializing.
  bool Deserialize(pugi::xml_node node, const char* kind) override;
  IModulesFactory* GetFilterFactory() override { return filterFactory_.get(); }
  void SetActiveMeasurements(DiagramInterface* diagram) override;
  void SetUsedMeasurements() override;
  const SColorMapSettings* GetColorMapSettings() const override { return &colorMapSettings_; }
  bool GetAntiAliasing() const override { return antiAliasing_; }

  // --- layout files: the layout under a root element of its own
  // Written atomically: a failed save leaves the old file as it was.
  bool SaveLayoutToFile(const std::wstring& path);
  // A file that cannot be read as XML is refused (its result returned) before anything
  // changes.
  SXmlResult LoadLayoutFromFile(const std::wstring& path);

  // Replaces the filter factory the traces create their filters with. Only before the first
  // diagram exists: every filter is destroyed by the factory that made it.
  void SetFilterFactory(std::unique_ptr<IModulesFactory> factory);

  // --- diagrams
  // -1 when the diagram is not one of this control's.
  int GetDiagramIndex(const DiagramInterface* diagram) const;
  // base followed by the first number (1, 2 …) that begins no diagram's name.
  std::wstring UniqueDiagramName(const std::wstring& base) const;
  // Places every slot (diagrams, then the information panel) in a position of the mode.
  void ArrangeDiagrams();
  // The host's surface changed size.
  void OnResize();
  bool IsInitializing() const { return initializing_; }
  bool IsStretched() const { return stretched_; }
  // Ends a stretch: every diagram shown and, when rearrange, placed again.
  void UnstretchDiagrams(bool rearrange);
  // What the diagrams' events do; public so a view can raise them too.
  void OnDiagramSelected(CDiagram* diagram);
  void OnDiagramStretch(CDiagram* diagram);
  // Asks before a diagram with traces is closed.
  void OnDiagramDestroy(CDiagram* diagram);

  // --- information panel
  // Enables the panel, creating it the first time.
  void AddInfoPanel();
  CInfoPanel* GetInfoPanel() const { return infoPanel_.get(); }
  const SRect& GetInfoPanelBounds() const { return infoPanelBounds_; }

  // --- measurements
  CMeasurement* CreateMeasurement();
  // Its sources must exist already (see CVirtualMeasurement).
  CVirtualMeasurement* CreateVirtualMeasurement(const wchar_t* name);
  // The first real channel named exactly `name`; null when none.
  CMeasurement* GetMeasurement(const wchar_t* name) const;
  unsigned GetMeasurementCount() const { return static_cast<unsigned>(measurements_.size()); }
  CMeasurement* GetMeasurementByIndex(unsigned index) const;
  unsigned GetVirtualMeasurementCount() const { return static_cast<unsigned>(virtualMeasurements_.size()); }
  // Destroys every channel (and with them their traces).
  void DestroyMeasurements();

  // --- property pages
  int GetPropPageModuleCount() const;
  std::wstring GetPropPageModuleName(int index) const;
  // The page of the package named `name` (any case), or null when there is no such package
  // or the page serves a filter that is missing or not among "IncludedFilters".
  // Built-in pages are looked for first; they edit traces and markers themselves, so no
  // filter decides whether they may exist.
  CPropPageBase* CreatePropPage(const wchar_t* name);
  CPropPageBase* Page(unsigned index) const;
  // A page kind the host's toolkit layer builds in, created by CreatePropPage under `name`.
  using PropPageMaker = std::function<std::unique_ptr<CPropPageBase>()>;
  void RegisterPropPage(const std::wstring& name, PropPageMaker maker);
  std::vector<std::wstring> GetBuiltInPageNames() const;
  // Destroys a created page (through the package that made it); false when it is not ours.
  bool DestroyPropPage(CPropPageBase* page);

  // --- others
  // Keeps the colour map and hands it to every spectrum series of the control.
  void SetColorMapSettings(const SColorMapSettings& settings);
  // Opens the colour-map dialog (the editor the UI installed) on the diagram's first spectrum
  // series; OK applies the edited record. False when there is no such series, no editor, or
  // the dialog was cancelled (the record stays as it was).
  bool OpenColorMapControl(CDiagram* diagram);
  // The dialog: edits the record for the series, showing every edit at once on all spectrum
  // views through `preview`; true on OK.
  using ColorMapPreview = std::function<void(const SColorMapSettings&)>;
  using ColorMapEditor = std::function<bool(TQuorSpectrumSeries*, SColorMapSettings&, const ColorMapPreview&)>;
  static ColorMapEditor SetColorMapEditor(ColorMapEditor editor);
  // Paints every visible diagram and the information panel in their bounds.
  void Draw(ICanvas& canvas);

  // --- IInfoPanelHost
  DiagramInterface* InfoPanelDiagram(unsigned index) override { return GetDiagram(index); }
  void InfoPanelChanged() override { Repaint(); }
  // --- IDiagramView: a diagram wants to be painted again.
  void Invalidate() override { Repaint(); }

  // Events to the host; each may be empty.
  DiagramParameterEvent onDiagramParameter;
  DiagramActionEvent onDiagramAction;
  std::function<void()> onViewMenu;

 private:
  // Slots: the diagrams, then the information panel when it takes one.
  // Hands a colour map to every spectrum series without keeping it.
  void ShowColorMap(const SColorMapSettings& settings);
  static constexpr unsigned kSlots = CObjectArranger::kMaxDiagrams + 1;

  struct SPageDeleter {
    IModulesFactory* factory = nullptr;  // null: a built-in page
    void operator()(CPropPageBase* page) const;
  };
  using PagePtr = std::unique_ptr<CPropPageBase, SPageDeleter>;

  bool PanelTakesSlot() const { return infoPanel_ != nullptr && infoPanelEnabled_; }
  unsigned SlotCount() const;
  SSize ClientSize() const;
  void Repaint();
  void Connect(CDiagram* diagram);
  void DestroyDiagram(std::unique_ptr<CDiagram> diagram);
  bool FilterModuleExists(const std::wstring& name) const;
  // The parts of Deserialize.
  void DeserializeScheme(pugi::xml_node control);
  void DeserializeDiagrams(pugi::xml_node control);
  void DeserializePropPages(pugi::xml_node node);

  IControlHost* host_;
  bool initializing_ = true;
  bool stretched_ = false;
  bool antiAliasing_ = false;
  bool infoPanelEnabled_ = false;
  bool destroying_ = false;
  bool loadingLayout_ = false;  // "Activity" and "Using" wait for the end of the load
  int mode_ = 0;
  const SColorTheme* theme_ = GetColorTheme(0);
  std::unique_ptr<IModulesFactory> filterFactory_;
  std::unique_ptr<CModulesFactory> propPageFactory_;
  std::vector<PagePtr> propPages_;
  std::vector<std::pair<std::wstring, PropPageMaker>> builtInPages_;
  std::vector<std::unique_ptr<CMeasurement>> measurements_;
  std::vector<std::unique_ptr<CVirtualMeasurement>> virtualMeasurements_;
  std::unique_ptr<CInfoPanel> infoPanel_;
  SRect infoPanelBounds_;
  std::vector<std::unique_ptr<CDiagram>> diagrams_;
  CObjectArranger arranger_;
  SColorMapSettings colorMapSettings_;
  std::array<int, kSlots> positions_;
  int activeIndex_ = 0;
  std::vector<bool> activeFlags_;  // what the host was last told, per channel
  std::vector<bool> usedFlags_;
  std::map<std::wstring, std::wstring, std::less<>> diagramStrings_;  // upper-case keys
  bool propPagesBlocked_ = false;
  CAutomationSlot automation_;
};
