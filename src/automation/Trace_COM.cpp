#include "automation/Trace_COM.h"

#include <algorithm>
#include <cmath>

#include "filters/Filter.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/MeasurementInterface.h"
#include "interfaces/TraceInterface.h"
#include "traces/TraceMath.h"
#include "traces/TraceStatic.h"

namespace {

// Fills `out` with one value per index of [0, count).
template <class TRead>
void Collect(std::vector<double>& out, int count, TRead read) {
  out.resize(static_cast<std::size_t>(std::max(count, 0)));
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = read(static_cast<unsigned>(i));
}

}  // namespace

Trace_COM::Trace_COM(TraceInterface* trace) : trace_(trace), id_(trace != nullptr ? trace->Id() : 0) {
  if (trace_ != nullptr) trace_->Subscribe(this);
}

Trace_COM::~Trace_COM() {
  if (trace_ != nullptr) trace_->Unsubscribe(this);
}

void Trace_COM::Unbind() {
  if (trace_ != nullptr) trace_->Unsubscribe(this);
  trace_ = nullptr;
}

void Trace_COM::TraceChanged(const STraceChange& change) {
  if (change.kind == tcRemoved) {
    trace_ = nullptr;  // the trace lets go of its subscribers itself
    return;
  }
  if (change.kind != tcSweepEnded) return;
  // A sink may advise or unadvise while it is told.
  const auto sinks = sinks_;
  for (const auto& [cookie, sink] : sinks) sink->SweepEndedEvent();
  for (const auto& [cookie, sink] : sinks) sink->SweepEndedEventEx(static_cast<std::int64_t>(id_));
}

unsigned Trace_COM::Advise(ITrace_COMEvents* sink) {
  if (sink == nullptr) return 0;
  sinks_.emplace_back(++nextCookie_, sink);
  return nextCookie_;
}

void Trace_COM::Unadvise(unsigned cookie) {
  std::erase_if(sinks_, [cookie](const auto& entry) { return entry.first == cookie; });
}

HResult Trace_COM::FetchData(std::vector<double>& stim, std::vector<double>& resp) const {
  if (trace_ == nullptr) return E_POINTER;
  const int size = trace_->SrcSize();
  Collect(stim, size, [this](unsigned i) { return trace_->Value(vtStimulus, i); });
  Collect(resp, size, [this](unsigned i) { return trace_->Value(vtResponse, i); });
  return S_OK;
}

HResult Trace_COM::GetSourceData(std::vector<double>& stim, std::vector<double>& reResp,
                                 std::vector<double>& imResp) const {
  if (trace_ == nullptr) return E_POINTER;
  const int size = trace_->SrcSize();
  Collect(stim, size, [this](unsigned i) { return trace_->SrcValue(vtStimulus, i); });
  Collect(reResp, size, [this](unsigned i) { return trace_->SrcValue(vtResponse, i); });
  Collect(imResp, size, [this](unsigned i) { return trace_->SrcValue(vtResponseIm, i); });
  return S_OK;
}

HResult Trace_COM::get_Filter(const std::wstring& name, void*& filter) const {
  filter = nullptr;
  if (trace_ == nullptr) return E_POINTER;
  if (Failed(CheckName(name))) return E_INVALIDARG;
  CFilter* found = trace_->GetFilter(name.c_str());
  if (found == nullptr) return E_INVALIDARG;
  filter = found->GetAutomationInterface();
  return filter != nullptr ? S_OK : E_NOTIMPL;
}

HResult Trace_COM::FixHorizAxis() {
  if (trace_ == nullptr) return E_POINTER;
  auto* memory = dynamic_cast<CTraceStatic*>(trace_);
  if (memory == nullptr) return E_FAIL;
  memory->FixHorizAxis(true);
  return S_OK;
}

HResult Trace_COM::AutoScale() {
  if (trace_ == nullptr) return E_POINTER;
  trace_->SetAutoScale();
  return S_OK;
}

HResult Trace_COM::get_ScaleDiv(double& div) const {
  if (trace_ == nullptr) return E_POINTER;
  div = trace_->GetScaleDiv();
  return S_OK;
}

HResult Trace_COM::put_ScaleDiv(double div) {
  if (trace_ == nullptr) return E_POINTER;
  if (!std::isfinite(div) || div <= 0) return E_INVALIDARG;
  trace_->SetScaleDiv(div);
  return S_OK;
}

HResult Trace_COM::get_Name(std::wstring& name) const {
  if (trace_ == nullptr) return E_POINTER;
  name = trace_->GetName();
  return S_OK;
}

HResult Trace_COM::put_Name(const std::wstring& name) {
  if (trace_ == nullptr) return E_POINTER;
  if (Failed(CheckName(name))) return E_INVALIDARG;
  trace_->SetName(name);
  return S_OK;
}

HResult Trace_COM::SetMeasurement(const std::wstring& msrName, const std::wstring& channelName) {
  if (trace_ == nullptr) return E_POINTER;
  if (Failed(CheckName(msrName)) || Failed(CheckName(channelName))) return E_INVALIDARG;
  DiagramInterface* diagram = trace_->GetDiagram();
  if (diagram == nullptr) return E_INVALIDARG;
  for (unsigned i = 0; i < diagram->MeasurementCount(); ++i) {
    MeasurementInterface* m = diagram->Measurement(i);
    if (m == nullptr || m->GetName() != msrName) continue;
    if (!channelName.empty() && m->GetParameter(L"channel") != channelName) continue;
    trace_->AssignMeasurement(m);
    return S_OK;
  }
  return E_INVALIDARG;
}

HResult Trace_COM::get_Measurement(std::wstring& name) const {
  if (trace_ == nullptr) return E_POINTER;
  MeasurementInterface* m = trace_->Measurement();
  name = m != nullptr ? m->GetName() : std::wstring();
  return S_OK;
}

HResult Trace_COM::SetData(std::vector<double> stim, std::vector<double> resp) {
  if (trace_ == nullptr) return E_POINTER;
  if (Failed(CheckArray(stim)) || stim.size() != resp.size()) return E_INVALIDARG;
  auto* memory = dynamic_cast<CTraceStatic*>(trace_);
  if (memory == nullptr) return E_FAIL;
  CFilter* quantity = memory->GetFilter(L"QUANTITY");
  if (quantity == nullptr) return E_FAIL;
  const std::wstring shown = memory->GetQuantity(vtResponse);
  memory->SetSrcQuantity(vtResponse, shown.c_str());
  quantity->Reset();
  memory->Feed(stim, resp, nullptr);
  return S_OK;
}

HResult Trace_COM::get_ScaleRef(double& ref) const {
  if (trace_ == nullptr) return E_POINTER;
  ref = trace_->GetScaleRef();
  return S_OK;
}

HResult Trace_COM::put_ScaleRef(double ref) {
  if (trace_ == nullptr) return E_POINTER;
  if (!std::isfinite(ref)) return E_INVALIDARG;
  trace_->SetScaleRef(ref);
  return S_OK;
}

HResult Trace_COM::get_RefPos(int& position) const {
  if (trace_ == nullptr) return E_POINTER;
  position = trace_->GetRefPosition();
  return S_OK;
}

HResult Trace_COM::put_RefPos(int position) {
  if (trace_ == nullptr) return E_POINTER;
  if (position < 0 || position > 10) return E_INVALIDARG;
  trace_->SetRefPosition(position);
  return S_OK;
}

HResult Trace_COM::get_Type(TraceType& type) const {
  if (trace_ == nullptr) return E_POINTER;
  const std::wstring kind = trace_->GetTraceType();
  type = kind == L"Memory" ? ttMemory : kind == L"Math" ? ttMath : ttData;
  return S_OK;
}

HResult Trace_COM::get_Visible(bool& visible) const {
  if (trace_ == nullptr) return E_POINTER;
  visible = trace_->GetVisible();
  return S_OK;
}

HResult Trace_COM::put_Visible(bool visible) {
  if (trace_ == nullptr) return E_POINTER;
  trace_->SetVisible(visible);
  return S_OK;
}

HResult Trace_COM::SetMathSource(int sourceNum, const std::wstring& sourceName) {
  if (trace_ == nullptr) return E_POINTER;
  auto* math = dynamic_cast<CTraceMath*>(trace_);
  if (math == nullptr) return E_FAIL;
  if ((sourceNum != 0 && sourceNum != 1) || Failed(CheckName(sourceName))) return E_INVALIDARG;
  DiagramInterface* diagram = trace_->GetDiagram();
  auto* source = diagram != nullptr ? dynamic_cast<CTraceMathSource*>(diagram->Trace(sourceName.c_str())) : nullptr;
  if (source == nullptr || !math->SetSourceTrace(sourceNum, source)) return E_INVALIDARG;
  return S_OK;
}

HResult Trace_COM::GetMathSource(int sourceNum, std::wstring& sourceName) const {
  if (trace_ == nullptr) return E_POINTER;
  auto* math = dynamic_cast<CTraceMath*>(trace_);
  if (math == nullptr) return E_FAIL;
  if (sourceNum != 0 && sourceNum != 1) return E_INVALIDARG;
  CTraceMathSource* source = math->SourceTrace(sourceNum);
  sourceName = source != nullptr ? source->GetName() : std::wstring();
  return S_OK;
}

HResult Trace_COM::get_MathOperation(std::wstring& expression) const {
  if (trace_ == nullptr) return E_POINTER;
  auto* math = dynamic_cast<CTraceMath*>(trace_);
  if (math == nullptr) return E_FAIL;
  expression = math->GetExpression();
  return S_OK;
}

HResult Trace_COM::put_MathOperation(const std::wstring& expression) {
  if (trace_ == nullptr) return E_POINTER;
  auto* math = dynamic_cast<CTraceMath*>(trace_);
  if (math == nullptr) return E_FAIL;
  if (Failed(CheckName(expression))) return E_INVALIDARG;
  // A script hears of a refused expression through the result, not through a message box.
  return math->SetExpression(expression, false) ? S_OK : E_INVALIDARG;
}

HResult Trace_COM::get_Channel(std::wstring& channel) const {
  if (trace_ == nullptr) return E_POINTER;
  MeasurementInterface* m = trace_->Measurement();
  channel = m != nullptr ? m->GetParameter(L"channel") : std::wstring();
  return S_OK;
}

HResult Trace_COM::get_ID(std::int64_t& id) const {
  if (trace_ == nullptr) return E_POINTER;
  id = static_cast<std::int64_t>(id_);
  return S_OK;
}

HResult Trace_COM::RefreshStaticTrace() {
  if (trace_ == nullptr) return E_POINTER;
  auto* memory = dynamic_cast<CTraceStatic*>(trace_);
  if (memory == nullptr) return E_FAIL;
  // The refresh is refused when the trace the data came from is gone.
  if (memory->GetSource() == nullptr) return E_POINTER;
  memory->Refresh();
  return S_OK;
}

HResult Trace_COM::SetSourceData(std::vector<double> stim, std::vector<double> reResp, std::vector<double> imResp) {
  if (trace_ == nullptr) return E_POINTER;
  if (Failed(CheckArray(stim)) || stim.size() != reResp.size() || stim.size() != imResp.size()) return E_INVALIDARG;
  auto* memory = dynamic_cast<CTraceStatic*>(trace_);
  if (memory == nullptr) return E_FAIL;
  memory->Feed(stim, reResp, &imResp);
  return S_OK;
}

HResult Trace_COM::GetValue(double stim, double& value) const {
  if (trace_ == nullptr) return E_POINTER;
  value = trace_->ResponseByX(vtResponse, stim);
  return S_OK;
}
