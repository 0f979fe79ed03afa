#pragma once
// The diagram as channels, traces, the control and the automation layer see it. Operations are
// declared in the order of the diagram's slot table; the diagram layer adds the others.
#include <string>

class TraceInterface;

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
};
