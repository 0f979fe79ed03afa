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
#include "core/MenuModel.h"
#include "diagram/ExStatusBar.h"
#include "core/DiagCommonLib.h"
#include "interfaces/DiagramControlInterface.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkersManager.h"
#include "interfaces/TraceListInterface.h"
#include "interfaces/TraceView.h"
#include "measurements/MeasurementSubscriber.h"
#include "traces/Trace.h"


// What the diagram asks of the window that shows it.
class IDiagramView {
 public:
  virtual ~IDiagramView() = default;
  virtual void Invalidate() = 0;
  // Shows a menu of the diagram at (x, y) of the diagram's surface; the menu lives until the
  // next one is shown. A view without menus ignores it.
  virtual void ShowMenu(CPopupMenu& menu, int x, int y) {
    (void)menu;
    (void)x;
    (void)y;
  }
};

// One step of the zoom undo stack: what every trace showed before the zoom, by trace id.
// `mode` 2 restores only the response scale, 3 only the stimulus range, others both.
// A Smith or polar trace has no linear scale to restore: its top and bottom are the plane's
// values at the band's upper and lower edge, and what comes back is the region it showed.
struct SZoomEntry {
  std::uint64_t trace = 0;
  double ref = 0;
  double div = 0;
  int position = 5;
  double top = 0;
  double bottom = 0;
  double start = 0;  // stimulus range shown, base units
  double stop = 0;
  int mode = 0;
  SDoubleRect plane{0, 0, 0, 0};  // Smith and polar traces: the region of the plane shown
};
struct SZoomStep {
  int mode = 0;
  std::vector<SZoomEntry> entries;
};

// Where a point of the diagram's surface lies: the chart's plot, the strips of the chart
// beside the plot (left and right response axes, bottom stimulus axis), or a bar.
enum EDiagramPlace { dpNone, dpPlot, dpLeftStrip, dpRightStrip, dpBottomStrip, dpBar };
struct SDiagramHit {
  EDiagramPlace place = dpNone;
  TExStatusBar* bar = nullptr;
  SBarHit item;  // what lies under the point of a bar
};

// A mouse gesture on the chart or a bar, from press to release. Modes: 0 none (below the
// threshold), 1 area zoom, 2 response zoom, 3 stimulus zoom, 4 undo, 5 stimulus shift
// (bottom strip or a stimulus field of a bar), 6 reference-level shift (left or right strip).
struct SZoomGesture {
  bool active = false;
  bool bottomDrag = false;
  bool leftDrag = false;
  bool rightDrag = false;
  double shift = 0;  // pixels moved so far in a strip or bar drag
  int mode = 0;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int prevX = 0, prevY = 0;
  std::vector<std::wstring> channels;  // "channel" parameters whose range the gesture changes
  std::wstring barIndicator;           // "freq,start", "freq,center" or "freq,stop"
  TExStatusBar* bar = nullptr;
  std::vector<SZoomEntry> before;  // what the traces showed when the gesture started
};

enum EMouseButton { mbLeft, mbRight, mbMiddle };

// Key codes the engine takes (those of the platform its layouts come from).
enum EKeyCode : int {
  vkHome = 0x24, vkEnd = 0x23, vkPrior = 0x21, vkNext = 0x22, vkUp = 0x26, vkDown = 0x28,
  vkMultiply = 0x6A, vkApps = 0x5D, vkF9 = 0x78, vkF11 = 0x7A
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
  // A memory trace holding one stored sweep (level, 0 = oldest) of a spectrum trace's
  // history, drawn as a line: in this diagram, or in a new diagram of the control. A
  // message and null when there is no room or no such sweep.
  TraceInterface* CreateStaticTrace(CTrace* spectrum, int level);
  TraceInterface* CreateDiagramAndStaticTrace(CTrace* spectrum, int level);
  int AddMeasurements(const std::vector<MeasurementInterface*>* measurements);
  unsigned GetDataTraceCount() const;
  // 0, or -1 when either index is out of range.
  int SwapTraces(unsigned a, unsigned b);
  // Moves the trace at `from` to position `to`; the traces between shift by one. 0, or -1
  // when either index is out of range.
  int MoveTraceTo(unsigned from, unsigned to);
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
  // The hint of the stretch button for the current state, and that of the close button.
  std::wstring StretchHint() const;
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

  // Mouse and keys from the view, in surface pixels; true when taken. Markers take the
  // mouse first; a press they leave starts a zoom gesture or a bar drag.
  bool MouseDown(int x, int y, EMouseButton button = mbLeft);
  bool MouseMove(int x, int y);
  bool MouseUp(int x, int y);
  // The pointer left the view: the spectrum views hide their time cursor.
  void MouseLeave();
  bool DoubleClick(int x, int y);
  // The wheel is taken and does nothing.
  bool MouseWheel() { return true; }
  // The context menu of the point: the diagram's menu on the chart.
  bool ContextMenu(int x, int y);
  bool KeyDown(int key, bool ctrl, bool shift, bool alt);
  SDiagramHit HitTest(int x, int y) const;

  // --- zoom gestures and their undo
  void ZoomStart(double x, double y);
  void ZoomUpdate(double x, double y);
  void ZoomFinish(double x, double y);
  const SZoomGesture& Gesture() const { return gesture_; }
  // Undoes the last zoom step; nothing with an empty stack.
  void UnZoom();
  // Sets the stimulus range of the diagram's channels as a stimulus zoom, with its undo step.
  void AddZoomStep(double start, double stop);
  // Presses closer than this (ms) to the last gesture start start no new gesture.
  void SetDoubleClickTime(int ms) { doubleClickMs_ = ms; }
  // The caption drawn beside the band of a gesture mode; empty for none.
  static std::wstring ZoomCaption(int mode);

  // --- menus at the mouse and shortcuts without a menu
  void ShowDiagramMenu(int x, int y);
  // The trace menu of the selected trace (`index` -1: the list's selection).
  void ShowTraceMenu(int x, int y, int index = -1);
  // Runs the command of the diagram's, the markers' or the trace menu that carries the
  // shortcut ("Ctrl+N"); false when none does or it is disabled.
  bool ExecuteShortCut(const std::wstring& keys);
  // Every shortcut the menus of the diagram carry.
  std::vector<std::wstring> ShortCuts();
  // The view submenu of the diagram's menu (axis bindings, captions, stretching, logarithmic
  // axes), added to `view`.
  void PrepareViewMenu(CPopupMenu* menu, CMenuItem* view);
  // The area's view menu: the view submenu's commands, zoom undo, the picture commands and
  // the options of the pictures they make.
  void PrepareAreaViewMenu(CPopupMenu* menu);
  // Picture commands of the view menu, set by the window that can make pictures.
  std::function<void(CDiagram*)> onSavePicture;
  std::function<void(CDiagram*)> onCopyPicture;
  // How the picture commands draw (CreateMetafile's colour mode and axis bindings); the
  // operator's choice for this diagram while it lives.
  struct SPictureOptions {
    int colourMode = 0;
    bool liftAxisBindings = false;
  };
  const SPictureOptions& GetPictureOptions() const { return pictureOptions_; }

  // --- drag and drop of traces between diagrams
  // A trace's swatch on a measurement bar, pressed and dragged out of the diagram: the view
  // starts the drag of the selected traces (the pressed one), the drag the trace list starts,
  // so whatever takes a drop from a list takes this one too.
  std::function<void(CDiagram*)> onTraceDragOut;
  // Moves the selected traces of `source` here (unlocked, not spectrum views); refuses with
  // the limit's message when this diagram is full. The traces moved.
  unsigned DropTraces(CDiagram* source);
  // A row dragged inside this diagram's list: the trace moves to the drop row.
  bool DropRow(int from, int to);

  // Shows the diagram over the whole area or back in its slot.
  void StretchWindow();
  // Draws the diagram at `width` × `height` from the canvas origin (a picture of it); the
  // diagram keeps its place on screen.
  void SnapShot(ICanvas& canvas, int width, int height);
  // A picture of the diagram, drawn as SnapShot draws it. Colour mode 0 keeps the colours
  // shown; 1 draws in black and white: the black-and-white theme, every trace in the grey of
  // its colour. withMarkers: the markers and their read-outs; withBar: the measurement bars
  // as far as they show; liftAxisBindings: both response axes follow the selection, no
  // trace bound to either. What the diagram shows on screen (colours, theme, bindings, bars)
  // is the same afterwards.
  void CreateMetafile(ICanvas& canvas, int width, int height, int colourMode, bool withMarkers, bool withBar,
                      bool liftAxisBindings);

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
  std::function<void(CDiagram*)> onColorMapSettings;

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
  // The commands that copy a stored sweep (the one under the time cursor, else the newest)
  // of the spectrum trace into a memory trace.
  void AddSweepCommands(CPopupMenu* menu);
  TQuorSpectrumSeries* ScrollingSeries();
  // Interaction helpers (DiagramInput.cpp).
  SZoomEntry ZoomEntryOf(CTrace& trace, int mode) const;
  // Smith and polar traces of one kind show one region of the plane.
  void SetPlaneRegion(EPlot plot, const SDoubleRect& region);
  // The region a Smith or polar trace shows after a zoom over the pixel rows of `band` (and,
  // in mode 1, its columns); false when the band spans no area of the plane.
  static bool PlaneZoom(CTrace& trace, int mode, const SRect& band, const SRect& plot, SDoubleRect& region);
  std::vector<CMeasurement*> ChannelMeasurements(const std::wstring& channel, bool activeOnly) const;
  void ApplyStimulus(const std::wstring& channel, double start, double stop, bool tellHost);
  void ShiftStimulus(int x);
  void ShiftReference(int y);
  bool BarMouseDown(const SDiagramHit& hit, int x);
  void BarMouseMove(int x);
  void BarMouseUp();
  void DrawZoomBounds(ICanvas& canvas);
  void DrawHints(ICanvas& canvas);
  void BuildMenus(CPopupMenu& menu);

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
  SZoomGesture gesture_;
  int doubleClickMs_ = 400;
  long long lastStartMs_ = -1000000;
  bool markerTook_ = false;  // the markers took the current press
  TQuorSpectrumSeries* scrolling_ = nullptr;  // the waterfall whose scroll bar took the press
  bool swatchPressed_ = false;  // a trace's swatch on a bar: leaving the diagram drags it
  bool pictureMarkers_ = true;  // a picture draws the markers (CreateMetafile)
  SPictureOptions pictureOptions_;
  CPopupMenu popup_;  // the menu last shown at the mouse; its items live while it shows
};
