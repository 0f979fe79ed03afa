#pragma once
// The diagram as channels, traces, the control and the automation layer see it. Operations are
// declared in the order of the diagram's slot table; the diagram layer adds the others.
#include <string>

#include "core/Color.h"
#include "interfaces/TraceInterface.h"

class CChart;
class CChartAxis;
class IMarkersManager;
class IModulesFactory;

class DiagramInterface {
 public:
  virtual ~DiagramInterface() = default;
  // Deletes every selected trace.
  virtual void DeleteSelectedTraces() = 0;
  virtual unsigned GetTraceCount() const = 0;
  // Position of the trace in display order; -1 when it is not on this diagram.
  virtual int GetTraceIndex(TraceInterface* trace) const = 0;
  // Adds a memory trace named `name` holding a copy of source's data; null when the diagram
  // has no room for it.
  virtual TraceInterface* RememberTrace(TraceInterface* source, const std::wstring& name) = 0;
  // The first trace whose name equals `name` exactly, or null.
  virtual TraceInterface* Trace(const wchar_t* name) = 0;
  // The trace at `index` in display order.
  virtual TraceInterface* Trace(unsigned index) = 0;
  // Makes the trace at `index` the selection.
  virtual void SelectTrace(unsigned index) = 0;
  // The channels the diagram is subscribed to, in order; null past the end.
  virtual MeasurementInterface* Measurement(unsigned index) = 0;
  virtual unsigned MeasurementCount() = 0;

  // What a trace needs of its diagram.

  // The chart the trace's series and its own axes live on; null when the diagram draws nothing.
  virtual CChart* GetChart() = 0;
  // The diagram's left or right response axis, for a trace bound to it; null for baNone.
  virtual CChartAxis* GetBindAxis(EBindedAxis axis) = 0;
  // which: 1 left axis, 2 bottom axis, 3 all, 4 right axis.
  virtual void UpdateAxes(int which, TraceInterface* trace) = 0;
  virtual void RepaintChart() = 0;
  // The trace's name, scale, format or visibility changed: its list row is filled again.
  virtual void UpdateTraceStatus(TraceInterface* trace) = 0;
  // The trace emptied its series.
  virtual void TraceCleared(TraceInterface* trace) = 0;
  // Null while the diagram has no markers manager.
  virtual IMarkersManager* GetMarkers() = 0;
  virtual bool GetAxisXLogarithmicScale() const = 0;
  virtual bool GetAxisYLogarithmicScale() const = 0;
  virtual void SetAxisXLogarithmicScale(bool on) = 0;
  virtual void SetAxisYLogarithmicScale(bool on) = 0;
  // Shows or hides the measurement bars for the current plot without touching the
  // operator's setting; GetMeasurementBarVisibility answers the setting.
  virtual bool GetMeasurementBarVisibility() const = 0;
  virtual void ShowMeasurementBar(bool show) = 0;
  virtual void ShowChartFrame(bool show) = 0;
  virtual void SetGradient(bool on) = 0;
  virtual void SetWaterfall(bool on) = 0;
  // The diagram and the control recount which channels are active and used.
  virtual void SetActiveMeasurements() = 0;
  virtual std::wstring UniqueTraceName(const std::wstring& prefix) = 0;
  virtual TColor UniqueTraceColor(TraceInterface* trace) = 0;
  // Membership: a trace adds itself when it attaches (the diagram then owns it) and removes
  // itself when it leaves or is destroyed (the diagram lets go of it without deleting it).
  virtual void AddTrace(TraceInterface* trace) = 0;
  virtual void RemoveTrace(TraceInterface* trace) = 0;
  // Deletes a trace of this diagram (a data trace whose channel went away).
  virtual void DestroyTrace(TraceInterface* trace) = 0;
  // The control's filter factory (null when there is none) and named options.
  virtual IModulesFactory* GetFilterFactory() = 0;
  virtual std::wstring GetOption(const wchar_t* name) = 0;
  // Asks the control to refresh its property pages (kind 2: a plain update).
  virtual void UpdatePropPages(int kind) = 0;
};
