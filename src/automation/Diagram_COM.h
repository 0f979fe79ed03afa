#pragma once
// The automation object of a diagram: its traces (by name and index, added, remembered,
// selected, deleted) and its markers. Marker objects are made here, one per slot, and reach
// their marker through this object, so they all answer E_POINTER once the diagram is gone.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "automation/Automation.h"
#include "interfaces/Automation.h"
#include "interfaces/MarkParams.h"

class CDiagram;
class IMarker;
class Marker_COM;
class Trace_COM;
class TraceInterface;

class Diagram_COM : public IAutomationObject, public std::enable_shared_from_this<Diagram_COM> {
 public:
  explicit Diagram_COM(CDiagram* diagram);
  ~Diagram_COM() override;
  Diagram_COM(const Diagram_COM&) = delete;
  Diagram_COM& operator=(const Diagram_COM&) = delete;

  void Unbind() override { diagram_ = nullptr; }
  CDiagram* Bound() const { return diagram_; }
  // Unique in the process, never reused: transports name the diagram's object by it.
  std::uint64_t ObjectId() const { return id_; }
  // The marker in slot `index` while the diagram lives; null otherwise.
  IMarker* MarkerAt(unsigned index) const;
  // The object of marker slot `index` (null past the slots).
  std::shared_ptr<Marker_COM> MarkerObject(unsigned index);

  // The diagram's name (for scripts that list diagrams).
  HResult get_Name(std::wstring& name) const;
  HResult get_MarkerCount(int& count) const;
  HResult get_Marker(int index, std::shared_ptr<Marker_COM>& marker);
  HResult get_Trace(const std::wstring& name, std::shared_ptr<Trace_COM>& trace) const;
  // Stores the named trace as a memory trace named destName (an existing memory trace of that
  // name takes the data).
  HResult RememberTrace(const std::wstring& sourceName, const std::wstring& destName);
  HResult MarkersReset();
  HResult SelectTrace(const std::wstring& traceName);
  HResult get_TraceByIndex(int index, std::shared_ptr<Trace_COM>& trace) const;
  HResult get_TraceCount(int& count) const;
  HResult DeleteTrace(const std::wstring& traceName);
  HResult AddTrace(std::shared_ptr<Trace_COM>& trace);
  // An empty name makes a plain memory trace, any other a memory trace of that name.
  HResult AddStaticTrace(const std::wstring& traceName, std::shared_ptr<Trace_COM>& trace);
  HResult AddMathTrace(std::shared_ptr<Trace_COM>& trace);
  HResult DeleteAllTraces();

 private:
  // The trace of that name; null for none and for an overlong name.
  TraceInterface* Find(const std::wstring& name) const;

  CDiagram* diagram_;
  std::uint64_t id_;
  std::array<std::shared_ptr<Marker_COM>, kMarkerCount> markers_;
};

// The automation object of a trace, made on the trace's first request.
std::shared_ptr<Trace_COM> TraceObject(TraceInterface* trace);
