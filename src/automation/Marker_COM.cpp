#include "automation/Marker_COM.h"

#include <cmath>
#include <thread>

#include "automation/Diagram_COM.h"
#include "diagram/Diagram.h"
#include "interfaces/MarkerInterface.h"

namespace {

bool FractionDigits(int digits) { return digits >= 0 && digits <= 15; }

}  // namespace

Marker_COM::Marker_COM(std::weak_ptr<Diagram_COM> diagram, unsigned index)
    : diagram_(std::move(diagram)), index_(index) {}

IMarker* Marker_COM::Bound() const {
  const std::shared_ptr<Diagram_COM> diagram = diagram_.lock();
  return diagram != nullptr ? diagram->MarkerAt(index_) : nullptr;
}

template <class TChange>
HResult Marker_COM::Change(TChange change) {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  SMarkParams params = marker->GetParams();
  const HResult hr = change(params);
  if (hr == S_OK) marker->SetParams(params);
  return hr;
}

template <class TRead>
HResult Marker_COM::Read(TRead read) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  read(marker->GetParams());
  return S_OK;
}

HResult Marker_COM::get_Value(const std::wstring& traceName, double& value) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (Failed(CheckName(traceName))) return E_INVALIDARG;
  double found = 0;
  if (!marker->GetSeriesValue(found, traceName.c_str())) return E_INVALIDARG;
  value = found;
  return S_OK;
}

HResult Marker_COM::get_Stimulus(double& stimulus) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  stimulus = marker->GetFreq();
  return S_OK;
}

HResult Marker_COM::put_Stimulus(double stimulus) {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (!std::isfinite(stimulus)) return E_INVALIDARG;
  marker->SetOnFreq(stimulus, true, true);
  return S_OK;
}

#define PV_MARKER_MODE(member, value)      \
  HResult Marker_COM::member() {           \
    IMarker* marker = Bound();             \
    if (marker == nullptr) return E_POINTER; \
    marker->SetMode(value);                \
    return S_OK;                           \
  }
PV_MARKER_MODE(SetOnMax, mmMaximum)
PV_MARKER_MODE(SetOnMin, mmMinimum)
PV_MARKER_MODE(SetOnFree, mmFree)
PV_MARKER_MODE(SetOnLevel, mmFixed)
#undef PV_MARKER_MODE

HResult Marker_COM::SetSeekRange(bool fullRange, double start, double stop) {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (!std::isfinite(start) || !std::isfinite(stop)) return E_INVALIDARG;
  marker->SetSeekRange(fullRange, start, stop);
  return S_OK;
}

HResult Marker_COM::SetExtremumMode(bool on, int extremum, double excursion) {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (!on) {
    marker->SetOnExtremum(mmFree, 0, 0);
    return S_OK;
  }
  if (extremum < 0 || !std::isfinite(excursion) || excursion < 0) return E_INVALIDARG;
  marker->SetOnExtremum(mmMaximum, static_cast<unsigned>(extremum), excursion);
  return S_OK;
}

HResult Marker_COM::SetFlagPos(int percent) {
  if (percent < 0 || percent > 100) return Bound() == nullptr ? E_POINTER : E_INVALIDARG;
  return Change([percent](SMarkParams& p) {
    p.framePos = percent;
    return S_OK;
  });
}

HResult Marker_COM::get_Active(bool& active) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  active = marker->IsShowing();
  return S_OK;
}

HResult Marker_COM::put_Active(bool active) {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  marker->SetActive(active);
  return S_OK;
}

// Properties that are one field of the parameter record.
#define PV_MARKER_FLAG(name, field)                                                \
  HResult Marker_COM::get_##name(bool& on) const {                                 \
    return Read([&on](const SMarkParams& p) { on = p.field; });                    \
  }                                                                                \
  HResult Marker_COM::put_##name(bool on) {                                        \
    return Change([on](SMarkParams& p) {                                           \
      p.field = on;                                                                \
      return S_OK;                                                                 \
    });                                                                            \
  }
#define PV_MARKER_NUMBER(name, field)                                              \
  HResult Marker_COM::get_##name(double& value) const {                            \
    return Read([&value](const SMarkParams& p) { value = p.field; });              \
  }                                                                                \
  HResult Marker_COM::put_##name(double value) {                                   \
    return Change([value](SMarkParams& p) {                                        \
      if (!std::isfinite(value)) return E_INVALIDARG;                              \
      p.field = value;                                                             \
      return S_OK;                                                                 \
    });                                                                            \
  }
#define PV_MARKER_DIGITS(name, field)                                              \
  HResult Marker_COM::get_##name(int& digits) const {                              \
    return Read([&digits](const SMarkParams& p) { digits = p.field; });            \
  }                                                                                \
  HResult Marker_COM::put_##name(int digits) {                                     \
    return Change([digits](SMarkParams& p) {                                       \
      if (!FractionDigits(digits)) return E_INVALIDARG;                            \
      p.field = digits;                                                            \
      return S_OK;                                                                 \
    });                                                                            \
  }
PV_MARKER_FLAG(Discrete, discrete)
PV_MARKER_FLAG(Tracking, tracking)
PV_MARKER_FLAG(FullRange, noLimits)
PV_MARKER_FLAG(Statistics, showStat)
PV_MARKER_NUMBER(RangeStart, rangeMin)
PV_MARKER_NUMBER(RangeStop, rangeMax)
PV_MARKER_NUMBER(TargetLevel, fixedLevel)
PV_MARKER_NUMBER(CounterResolution, counterAccuracy)
PV_MARKER_DIGITS(StimDimension, stimFraction)
PV_MARKER_DIGITS(RespDimension, valueFraction)
#undef PV_MARKER_FLAG
#undef PV_MARKER_NUMBER
#undef PV_MARKER_DIGITS

HResult Marker_COM::get_Fixed(bool& on) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  on = marker->IsFixed();
  return S_OK;
}

HResult Marker_COM::put_Fixed(bool on) {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  marker->SetFixed(on);
  return S_OK;
}

HResult Marker_COM::get_Mode(MarkMode& mode) const {
  return Read([&mode](const SMarkParams& p) { mode = static_cast<MarkMode>(p.mode); });
}

HResult Marker_COM::get_SrcTrace(std::wstring& name) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  TraceInterface* trace = marker->SrcTrace(false);
  name = trace != nullptr ? trace->GetName() : std::wstring();
  return S_OK;
}

HResult Marker_COM::put_SrcTrace(const std::wstring& name) {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (Failed(CheckName(name))) return E_INVALIDARG;
  return marker->LinkToTrace(name.c_str()) ? S_OK : E_INVALIDARG;
}

HResult Marker_COM::get_StringValue(const std::wstring& traceName, std::wstring& text) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (Failed(CheckName(traceName))) return E_INVALIDARG;
  text.clear();
  if (marker->SrcTrace(false) == nullptr) return S_OK;
  CDiagram* diagram = Diagram()->Bound();
  const int index = diagram->GetTraceIndex(diagram->Trace(traceName.c_str()));
  if (index < 0) return E_INVALIDARG;
  text = marker->GetTraceValueString(index + 2);
  return S_OK;
}

HResult Marker_COM::ResetStatistics() {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  marker->StatReset();
  return S_OK;
}

HResult Marker_COM::get_FrequencyCounter(bool& on) const {
  return Read([&on](const SMarkParams& p) { on = p.counterState == 1; });
}

HResult Marker_COM::put_FrequencyCounter(bool on) {
  return Change([on](SMarkParams& p) {
    p.counterState = on ? 1 : 0;
    return S_OK;
  });
}

HResult Marker_COM::BeginCountFreq() {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (marker->GetParams().counterState != 1 && !marker->IsWaitingCounter()) marker->CountFreq(true);
  return S_OK;
}

HResult Marker_COM::PollCountFreq(double& freq) const {
  IMarker* marker = Bound();
  if (marker == nullptr) return E_POINTER;
  if (marker->IsWaitingCounter()) return S_FALSE;
  freq = marker->GetCounterFreq();
  return S_OK;
}

HResult Marker_COM::CountFreq(double& freq, const std::function<void()>& idle, std::chrono::milliseconds limit) {
  HResult hr = BeginCountFreq();
  if (Failed(hr)) return hr;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while ((hr = PollCountFreq(freq)) == S_FALSE) {
    if (std::chrono::steady_clock::now() >= deadline) return E_FAIL;
    if (idle) idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return hr;
}
