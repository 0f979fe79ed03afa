#pragma once
// What every automation object shares: result codes, the enumerations scripts see, the limits
// on what a script may pass, and the trace events.
//
// The automation objects speak for the diagram control, its diagrams, traces and markers.
// Every member returns an HResult (core/ResultCodes.h): S_OK; S_FALSE where a member says so;
// E_POINTER once the engine object is gone; E_INVALIDARG for a name that matches nothing, an
// index out of range or an argument past the limits; E_FAIL when the operation does not apply
// to this kind of object or the engine refused it; E_NOTIMPL for a filter or page without an
// automation object. A failing member changes nothing. Objects are bound to their engine
// objects through the engine objects' automation slots (interfaces/Automation.h) and, for
// traces, through the trace's notices, so an object outliving its engine object is safe.
//
// Transports (the D-Bus service in ui/) turn the members into calls of their own; every call
// runs on the thread that owns the engine, the UI thread.
//
// How to add an automation member:
// 1. Declare it on the object's class (DiagramControl_COM, Diagram_COM, Trace_COM or
//    Marker_COM) as an HResult function: get_X / put_X for a property, the name itself for a
//    method; results come back through reference parameters.
// 2. Implement it: Bound() first (E_POINTER), then the argument checks (CheckName,
//    CheckArray, ranges; E_INVALIDARG), then the kind checks (E_FAIL), and only then change
//    the engine, so a failing call changes nothing.
// 3. Give it its row in the member table of the transport (ui/AutomationBus.cpp): name, D-Bus
//    signature, and the lambda that unpacks the arguments and calls it. The introspection
//    data come from the same table.
// 4. Test its result codes in tests/automation/Automation_test.cpp, in the table of its object.
#include <cstdint>
#include <string>
#include <vector>

#include "core/ResultCodes.h"

// The search modes of a marker as scripts see them; the values are those of EMarkMode.
enum MarkMode : int {
  mFrequency = 0,
  mMinPower = 1,
  mMaxPower = 2,
  mLevelPower = 3,
};

enum TraceType : int {
  ttData = 0,
  ttMemory = 1,
  ttMath = 2,
};

// The longest array and name a member takes; longer ones are refused with E_INVALIDARG.
inline constexpr std::size_t kMaxAutomationPoints = 16'777'216;
inline constexpr std::size_t kMaxAutomationName = 4'096;

inline HResult CheckName(const std::wstring& name) {
  return name.size() <= kMaxAutomationName ? S_OK : E_INVALIDARG;
}
inline HResult CheckArray(const std::vector<double>& values) {
  return values.size() <= kMaxAutomationPoints ? S_OK : E_INVALIDARG;
}

// The events of a trace's automation object. A sink connects with Trace_COM::Advise.
class ITrace_COMEvents {
 public:
  // The trace finished a complete sweep.
  virtual void SweepEndedEvent() = 0;
  // The same, with the trace's ID (Trace_COM::get_ID); raised right after SweepEndedEvent.
  virtual void SweepEndedEventEx(std::int64_t traceId) = 0;

 protected:
  ~ITrace_COMEvents() = default;
};
