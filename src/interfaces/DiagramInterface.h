#pragma once
// The diagram as channels, traces, the control and the automation layer see it. Operations are
// declared in the order of the diagram's slot table; the diagram layer adds the others.
#include <string>

#include "core/Color.h"
#include "interfaces/TraceInterface.h"

class CChart;
class CChartAxis;
class IModulesFactory;

class DiagramInterface {
 public:
  virtual ~DiagramInterface() = default;
  virtual const std::wstring& GetName() const = 0;
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
  // The selected traces, in the order they were selected; null past the end.
  virtual unsigned GetSelectedTracesCount() const = 0;
  virtual TraceInterface* SelectedTrace(unsigned index) const = 0;
  // The channels the diagram is subscribed to, in order; null past the end.
  virtual MeasurementInterface* Measurement(unsigned index) = 0;
  virtual unsigned MeasurementCount() = 0;

  // What a trace needs of its diagram. Everything else a diagram learns from its traces'
  // notices (ITraceObserver) and works out for itself.

  // The chart the trace's series and its own axes live on; null when the diagram draws nothing.
  virtual CChart* GetChart() = 0;
  // The diagram's left or right response axis, for a trace bound to it; null for baNone.
  virtual CChartAxis* GetBindAxis(EBindedAxis axis) = 0;
  virtual bool GetAxisXLogarithmicScale() const = 0;
  virtual void SetAxisXLogarithmicScale(bool on) = 0;
  // The control's filter factory (null when there is none) and named options.
  virtual IModulesFactory* GetFilterFactory() = 0;
  virtual std::wstring GetOption(const wchar_t* name) = 0;
};
