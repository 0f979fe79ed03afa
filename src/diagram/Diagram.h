#pragma once
// One diagram of the control: a chart with a left and a right response axis and a bottom
// stimulus axis, the traces drawn on it (owned), a trace list, one pair of measurement bars
// per channel its traces show, and the reactions to its channels' changes. Everything is
// laid out and painted through the canvas; a view only forwards input and repaints.
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "chart/Chart.h"
#include "core/DiagCommonLib.h"
#include "interfaces/DiagramControlInterface.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkersManager.h"
#include "interfaces/TraceListInterface.h"
#include "interfaces/TraceView.h"
#include "measurements/MeasurementSubscriber.h"
#include "traces/Trace.h"

class CPopupMenu;
class TExStatusBar;

// What the diagram asks of the window that shows it.
class IDiagramView {
 public:
  virtual ~IDiagramView() = default;
  virtual void Invalidate() = 0;
};

// One step of the zoom undo stack: the scale every trace had before the zoom, by trace id.
struct SZoomEntry {
  std::uint64_t trace = 0;
  double ref = 0;
  double div = 0;
  int position = 5;
};
struct SZoomStep {
  int mode = 0;
  std::vector<SZoomEntry> entries;
};

// One response axis: shared (it shows the selected trace's scale) or bound to one trace.
struct SAxisControl {
  bool enabled = false;
  TraceInterface* trace = nullptr;
};

// The diagram owns its traces: it makes them (AddDataTrace, CreateTrace), subscribes to
// their notices and works out its presentation — frame, bars, gradient, axes, list rows —
// from their state. Removing a trace (DeleteTrace) makes it announce tcRemoved first, and
// every holder (selection, axis bindings, zoom steps, list rows, markers) lets go of it.
class CDiagram : public DiagramInterface, public CMeasurementSubscriber, public ITraceObserver {
 public:
  static constexpr unsigned kMaxTraces = 30;
  static constexpr unsigned kMaxDataTraces = 10;

  explicit CDiagram(DiagramControlInterface* control);
  ~CDiagram() override;

  // --- DiagramInterface
  void DeleteSelectedTraces() override;
  unsigned GetTraceCount() const override { return static_cast<unsigned>(traces_.size()); }
  int GetTraceIndex(TraceInterface* trace) const override;
  TraceInterface* RememberTrace(TraceInterface* source, const std::wstring& name) override;
  TraceInterface* Trace(const wchar_t* name) override;
  CTrace* Trace(unsigned index) override;
  void SelectTrace(unsigned index) override;
  MeasurementInterface* Measurement(unsigned index) override;
  unsigned MeasurementCount() override { return GetMeasurementCount(); }
  CChart* GetChart() override { return &chart_; }
  CChartAxis* GetBindAxis(EBindedAxis axis) override;
  bool GetAxisXLogarithmicScale() const override { return logX_; }
  void SetAxisXLogarithmicScale(bool on) override;
  IModulesFactory* GetFilterFactory() override;
  std::wstring GetOption(const wchar_t* name) override;

  // --- ITraceObserver: what the diagram does when one of its traces changed
  void TraceChanged(const STraceChange& change) override;

  // The axes that show `trace`'s scale or stimulus take them again.
  enum EAxesUpdate { auLeft = 1, auBottom = 2, auAll = 3, auRight = 4 };
  void UpdateAxes(EAxesUpdate which, TraceInterface* trace);
  void RepaintChart();
  void UpdateTraceStatus(TraceInterface* trace) { UpdateTrace(trace); }
  CMarkersManager* GetMarkers() { return markers_.get(); }
  bool GetAxisYLogarithmicScale() const { return logY_; }
  void SetAxisYLogarithmicScale(bool on);
  bool GetMeasurementBarVisibility() const { return barVisible_; }
  void SetActiveMeasurements();
  std::wstring UniqueTraceName(const std::wstring& prefix);
  TColor UniqueTraceColor(TraceInterface* trace);

  // --- CMeasurementSubscriber
  void CallbackChanged(CMeasurement* measurement, EMeasureParam kind) override;
  bool IsMeasurementActive(CMeasurement* measurement) override;

  // --- the diagram's element of the layout
  void Serialize(pugi::xml_node element);
  void Deserialize(pugi::xml_node node);

  // --- traces
  // Takes a trace made for this diagram: joins it to the list, binds the first channel (data
  // traces), gives it the last trace's scale, a free colour and a unique name after
  // `namePrefix`. Null when the diagram holds kMaxTraces (the creators keep the limits of
  // each kind).
  CTrace* Adopt(std::unique_ptr<CTrace> trace, const std::wstring& namePrefix);
  // Destroys a trace of this diagram; every holder lets go of it first.
  void DeleteTrace(TraceInterface* trace);
  // Hands a trace over to `other` (with its renderer and axes); false when it is not ours
  // or the other diagram is full.
  bool MoveTrace(TraceInterface* trace, CDiagram* other);
  // Memory traces of a Touchstone network file, one per parameter asked for (row, column of
  // 0-based ports; all of the network when none is asked for), as far as the diagram has
  // room. A file that cannot be read is reported and makes none.
  std::vector<TraceInterface*> LoadNetworkFile(const std::wstring& path,
                                               const std::vector<std::pair<int, int>>& parameters = {});
  TraceInterface* AddDataTrace();
  TraceInterface* AddMathTrace();
  TraceInterface* AddStaticTrace();
  // "Measuring", "Math" or "Memory"; null for another name or at the limits.
  TraceInterface* CreateTrace(const std::wstring& type);
  // The menu command: refuses at the limits with its message.
  TraceInterface* CreateDataTrace();
  // The menu commands for math and memory traces: refused at the limit with their message;
  // a new math trace opens its expression dialog.
  TraceInterface* CreateMathTrace();
  TraceInterface* CreateStaticTrace();
  int AddMeasurements(const std::vector<MeasurementInterface*>* measurements);
  unsigned GetDataTraceCount() const;
  // 0, or -1 when either index is out of range.
  int SwapTraces(unsigned a, unsigned b);
  TColor UniqueTraceColor(int index) const;
  int GetTrcColorOffset() const { return trcColorOffset_; }
  void SetTrcColorOffset(int offset) { trcColorOffset_ = offset; }

  // --- selection
  unsigned GetSelectedTracesCount() const override { return static_cast<unsigned>(selected_.size()); }
  TraceInterface* SelectedTrace(unsigned index) const override;
  bool TraceIsSelected(TraceInterface* trace) const;
  void SelectAllTraces();
  void UpdateSelectedTracesList();
  // Re-applies the selection to the traces and the shared axes.
  void UpdateAxesOnMultiSelect();
  void AutoScaleAllTraces();

  // --- axes
  // tag -1: the left axis follows the selection; -2: the right axis off; 0…29 bind that trace
  // to the left axis, 30…59 to the right one; other negative tags the first selected trace.
  void BindAxis(int tag);
  const SAxisControl& LeftAxisControl() const { return left_; }
  const SAxisControl& RightAxisControl() const { return right_; }
  void UpdateBindedAxesColor(TraceInterface* trace);
  unsigned GetTracesWithOwnAxeCount() const;
  TraceInterface* GetTraceWithOwnAxe(unsigned index) const;

  // --- the diagram as the control sees it
  // The diagram's own automation object (made on first request).
  std::shared_ptr<IAutomationObject> GetAutomationInterface() { return automation_.Get<DiagramInterface>(*this); }
  DiagramControlInterface* GetControl() const { return control_; }
  bool GetActive() const { return active_; }
  void SetActive(bool on);
  void Activated();
  bool GetLocked() const { return locked_; }
  void SetLocked(bool locked) { locked_ = locked; }
  const std::wstring& GetName() const override { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  bool GetVisible() const { return visible_; }
  void SetVisible(bool visible);
  void Stretch(bool on) { stretched_ = on; }
  bool IsStretched() const { return stretched_; }
  const SRect& GetBounds() const { return bounds_; }
  void SetBounds(const SRect& bounds);
  void SetLabelText(const std::wstring& text);
  const std::wstring& GetLabelText() const { return labelText_; }
  void SetMeasurementBarVisibility(bool visible);
  bool GetTraceHeaderVisible() const { return traceHeader_; }
  void ShowTraceHeader(bool show) { traceHeader_ = show; }
  bool GetChartFrameVisible() const { return frameShown_; }
  // The Smith traces show an admittance grid (conductance circles, susceptance arcs) instead
  // of the impedance one; kept in the layout.
  bool GetSmithAdmittance() const { return smithAdmittance_; }
  void SetSmithAdmittance(bool on);
  bool GetMeasurementBarShown() const { return barShown_; }
  bool GetGradient() const { return gradient_; }
  bool GetWaterfall() const { return waterfall_; }
  void SetColorTheme(const SColorTheme* theme);
  void LockChart(bool on);
  // Zoom undo: a step saves every trace's scale; a removed trace leaves every step.
  void PushZoomStep(int mode);
  const std::vector<SZoomStep>& ZoomSteps() const { return zoomSteps_; }
  void ClearTraceUndo(TraceInterface* trace);
  // The diagram's colours from a theme's colour set (background, walls, grid, frame).
  void SetColorSet(const SColorTheme& set);
  // Asks the host to move a fixed reference level: the level in dBm at the channel's
  // impedance, cut to the trace's decimals, as the parameter "reference_level".
  bool SetTraceRefLevel(TraceInterface* trace, double level);
  // Called by the control before it destroys the diagram: the channels are left.
  void Finalize();
  bool IsDeserializing() const { return deserializing_; }
  void SetDeserializing(bool on) { deserializing_ = on; }
  bool IsLoading() const { return loading_; }
  void SetLoading(bool on) { loading_ = on; }

  // Mouse and keys from the view, in surface pixels; true when taken.
  bool MouseDown(int x, int y);
  bool MouseMove(int x, int y);
  bool MouseUp(int x, int y);
  bool KeyDown(int key, bool ctrl, bool shift, bool alt);

  // --- trace list (a headless model until a view attaches its own)
  TraceListInterface* GetTraceList() const { return list_; }
  void SetTraceList(TraceListInterface* list);
  // Touch mode: the diagram's list is the touch list. A diagram leaving the active state
  // there drops the list's selection, since a touch list shows no focus of its own.
  void SetTouchMode(bool on) { touchMode_ = on; }
  bool GetTouchMode() const { return touchMode_; }
  // Fills the list row of the trace.
  void UpdateTrace(TraceInterface* trace);

  // The diagram's context menu: autoscale, new traces, selection, the view submenu with the
  // axis bindings, stretching and the logarithmic axes.
  void PrepareMenu(CPopupMenu* menu);
  // The "Format" submenu of the trace menu: the trace's display formats, the current one checked.
  void AddFormatMenu(CPopupMenu* menu, TraceInterface* trace);
  // The trace menu: remember the selected trace, a new math trace, load a trace or network
  // file into memory traces, save the selected trace to a file, then the selected trace's own
  // items. File names are asked through the user-interaction port.
  void PrepareTraceMenu(CPopupMenu* menu);
  // Reads a trace file (a table or, by its extension, a Touchstone network) into new memory
  // traces; the operator is told when it cannot be read. The traces made, none on failure.
  std::vector<TraceInterface*> LoadTraceFile(const std::wstring& path);

  // --- bars, layout and drawing
  unsigned GetBarCount() const { return static_cast<unsigned>(hBars_.size()); }
  TExStatusBar* HorizontalBar(unsigned index) const;
  TExStatusBar* VerticalBar(unsigned index) const;
  // Places the bars and the chart inside the diagram's bounds.
  void AlignControls();
  void Draw(ICanvas& canvas);
  void SetView(IDiagramView* view) { view_ = view; }
  // Repaint through the control's view.
  void Updated();

  // Events for the control.
  std::function<void(CDiagram*)> onSelected;
  std::function<void(CDiagram*)> onTraceReselected;
  std::function<void(CDiagram*)> onCloseRequest;
  std::function<void(CDiagram*)> onStretchRequest;

 private:
  void OnListSelection(int row, bool selected);
  // One pass over the trace elements: data and memory traces, or math traces.
  void DeserializeTraces(pugi::xml_node traces, bool mathPass, unsigned& position);
  // Frame, bars, gradient and waterfall from the plot kinds and axes of the traces.
  void UpdatePresentation();
  // Every reference to a trace that is going away.
  void Forget(ITraceView* trace);
  // Data whose minimum is not positive switch a logarithmic response scale off.
  void SwitchLogOffForData(CTrace* trace);
  void ShowChartFrame(bool show);
  void UpdatePropPages(EPPUpdate kind);
  void EnsureBars(CMeasurement* measurement, bool& changed);
  void DropUnusedBars(bool& changed);
  void ApplyAxisScale(CChartAxis& axis, TraceInterface* trace);
  bool Refuse(int code, const char* caption);

  DiagramControlInterface* control_;
  CChart chart_;
  SAxisControl left_;
  SAxisControl right_;
  std::unique_ptr<CMarkersManager> markers_;  // made with the diagram, gone with it
  int trcColorOffset_ = 0;
  bool active_ = false;
  bool touchMode_ = false;
  bool locked_ = false;
  bool deserializing_ = false;
  bool loading_ = false;
  bool selecting_ = false;
  bool removing_ = false;
  bool reuse_ = true;  // while loading: traces already in place are still being reused
  // What each trace's list row was filled from.
  struct SRowInputs {
    TraceListInterface* list = nullptr;
    int row = -1;
    std::wstring name, channel, notation, msrName, quantity, status;
    MeasurementInterface* measurement = nullptr;
    double ref = 0, div = 0;
    int position = 0, digits = 0;
    bool visible = false;
    bool operator==(const SRowInputs&) const = default;
  };
  std::unordered_map<std::uint64_t, SRowInputs> rowInputs_;  // by trace id
  bool rowsDeferred_ = false;  // while loading: list rows are filled once, at the end
  std::vector<std::unique_ptr<CTrace>> traces_;  // display order
  std::vector<TraceInterface*> selected_;
  std::vector<SZoomStep> zoomSteps_;
  std::vector<std::unique_ptr<TExStatusBar>> hBars_;
  std::vector<std::unique_ptr<TExStatusBar>> vBars_;
  std::vector<unsigned char> barUse_;  // AlignControls' working flags per bar pair
  std::vector<CMeasurement*> activeMeasurements_;
  bool barVisible_ = true;
  bool barShown_ = true;  // hidden for plots that have no stimulus axis of their own
  bool traceHeader_ = true;
  bool logX_ = false;
  bool logY_ = false;
  bool frameShown_ = false;
  bool smithAdmittance_ = false;
  bool gradient_ = false;
  bool waterfall_ = false;
  bool visible_ = true;
  bool stretched_ = false;
  std::wstring name_;
  std::wstring labelText_;
  SRect bounds_{0, 0, 640, 480};
  const SColorTheme* theme_ = nullptr;
  std::unique_ptr<TraceListInterface> ownList_;
  TraceListInterface* list_ = nullptr;
  IDiagramView* view_ = nullptr;
  CAutomationSlot automation_;
};
