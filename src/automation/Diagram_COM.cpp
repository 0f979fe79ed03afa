#include "automation/Diagram_COM.h"

#include <atomic>

#include "automation/Marker_COM.h"
#include "automation/Trace_COM.h"
#include "diagram/Diagram.h"
#include "markers/MarkersManager.h"

namespace {
std::atomic<std::uint64_t> nextDiagramObject{0};
}  // namespace

std::shared_ptr<Trace_COM> TraceObject(TraceInterface* trace) {
  return trace != nullptr ? std::dynamic_pointer_cast<Trace_COM>(trace->GetAutomationInterface()) : nullptr;
}

Diagram_COM::Diagram_COM(CDiagram* diagram) : diagram_(diagram), id_(++nextDiagramObject) {}

Diagram_COM::~Diagram_COM() = default;

IMarker* Diagram_COM::MarkerAt(unsigned index) const {
  if (diagram_ == nullptr || index >= kMarkerCount || diagram_->GetMarkers() == nullptr) return nullptr;
  return diagram_->GetMarkers()->GetMarker(index);
}

std::shared_ptr<Marker_COM> Diagram_COM::MarkerObject(unsigned index) {
  if (index >= kMarkerCount) return nullptr;
  std::shared_ptr<Marker_COM>& slot = markers_[index];
  if (slot == nullptr) slot = std::make_shared<Marker_COM>(weak_from_this(), index);
  return slot;
}

TraceInterface* Diagram_COM::Find(const std::wstring& name) const {
  if (diagram_ == nullptr || Failed(CheckName(name))) return nullptr;
  return diagram_->Trace(name.c_str());
}

HResult Diagram_COM::get_Name(std::wstring& name) const {
  if (diagram_ == nullptr) return E_POINTER;
  name = diagram_->GetName();
  return S_OK;
}

HResult Diagram_COM::get_MarkerCount(int& count) const {
  if (diagram_ == nullptr) return E_POINTER;
  count = diagram_->GetMarkers() != nullptr ? static_cast<int>(diagram_->GetMarkers()->GetMarkerCount()) : 0;
  return S_OK;
}

HResult Diagram_COM::get_Marker(int index, std::shared_ptr<Marker_COM>& marker) {
  marker = nullptr;
  if (diagram_ == nullptr) return E_POINTER;
  if (index < 0 || MarkerAt(static_cast<unsigned>(index)) == nullptr) return E_INVALIDARG;
  marker = MarkerObject(static_cast<unsigned>(index));
  return S_OK;
}

HResult Diagram_COM::get_Trace(const std::wstring& name, std::shared_ptr<Trace_COM>& trace) const {
  trace = nullptr;
  if (diagram_ == nullptr) return E_POINTER;
  trace = TraceObject(Find(name));
  return trace != nullptr ? S_OK : E_INVALIDARG;
}

HResult Diagram_COM::RememberTrace(const std::wstring& sourceName, const std::wstring& destName) {
  if (diagram_ == nullptr) return E_POINTER;
  TraceInterface* source = Find(sourceName);
  if (source == nullptr || Failed(CheckName(destName))) return E_INVALIDARG;
  return diagram_->RememberTrace(source, destName) != nullptr ? S_OK : E_FAIL;
}

HResult Diagram_COM::MarkersReset() {
  if (diagram_ == nullptr) return E_POINTER;
  if (diagram_->GetMarkers() != nullptr) diagram_->GetMarkers()->Reset();
  return S_OK;
}

HResult Diagram_COM::SelectTrace(const std::wstring& traceName) {
  if (diagram_ == nullptr) return E_POINTER;
  TraceInterface* trace = Find(traceName);
  if (trace == nullptr) return E_INVALIDARG;
  diagram_->SelectTrace(static_cast<unsigned>(diagram_->GetTraceIndex(trace)));
  return S_OK;
}

HResult Diagram_COM::get_TraceByIndex(int index, std::shared_ptr<Trace_COM>& trace) const {
  trace = nullptr;
  if (diagram_ == nullptr) return E_POINTER;
  if (index < 0 || static_cast<unsigned>(index) >= diagram_->GetTraceCount()) return E_INVALIDARG;
  trace = TraceObject(diagram_->Trace(static_cast<unsigned>(index)));
  return trace != nullptr ? S_OK : E_INVALIDARG;
}

HResult Diagram_COM::get_TraceCount(int& count) const {
  if (diagram_ == nullptr) return E_POINTER;
  count = static_cast<int>(diagram_->GetTraceCount());
  return S_OK;
}

HResult Diagram_COM::DeleteTrace(const std::wstring& traceName) {
  if (diagram_ == nullptr) return E_POINTER;
  TraceInterface* trace = Find(traceName);
  if (trace == nullptr) return E_INVALIDARG;
  if (trace->GetLocked()) return E_FAIL;
  diagram_->SelectTrace(static_cast<unsigned>(diagram_->GetTraceIndex(trace)));
  diagram_->DeleteSelectedTraces();
  return S_OK;
}

HResult Diagram_COM::AddTrace(std::shared_ptr<Trace_COM>& trace) {
  trace = nullptr;
  if (diagram_ == nullptr) return E_POINTER;
  trace = TraceObject(diagram_->AddDataTrace());
  return trace != nullptr ? S_OK : E_FAIL;
}

HResult Diagram_COM::AddStaticTrace(const std::wstring& traceName, std::shared_ptr<Trace_COM>& trace) {
  trace = nullptr;
  if (diagram_ == nullptr) return E_POINTER;
  if (Failed(CheckName(traceName))) return E_INVALIDARG;
  trace = TraceObject(traceName.empty() ? diagram_->AddStaticTrace() : diagram_->RememberTrace(nullptr, traceName));
  return trace != nullptr ? S_OK : E_FAIL;
}

HResult Diagram_COM::AddMathTrace(std::shared_ptr<Trace_COM>& trace) {
  trace = nullptr;
  if (diagram_ == nullptr) return E_POINTER;
  trace = TraceObject(diagram_->AddMathTrace());
  return trace != nullptr ? S_OK : E_FAIL;
}

HResult Diagram_COM::DeleteAllTraces() {
  if (diagram_ == nullptr) return E_POINTER;
  diagram_->SelectAllTraces();
  diagram_->UpdateSelectedTracesList();
  diagram_->DeleteSelectedTraces();
  return S_OK;
}
