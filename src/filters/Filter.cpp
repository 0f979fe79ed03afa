#include "filters/Filter.h"

// Defined here so the class's type information lives once, in the engine library, and
// plug-in packages share it.
CFilter::~CFilter() = default;

void CFilter::Process(bool, int, int, int) {}
void CFilter::TraceChanged() {}
void CFilter::MeasurementChanged(bool&, EMeasureParam) {}
void CFilter::DiagramChanged() {}
void CFilter::Serialize(pugi::xml_node, const char*) {}
void CFilter::Deserialize(pugi::xml_node, const char*) {}
void CFilter::DrawFilter() {}

std::wstring CFilter::GetParameter(const wchar_t* name) {
  if (name == nullptr) return {};
  auto it = parameters_.find(std::wstring_view(name));
  return it == parameters_.end() ? std::wstring() : it->second;
}

void CFilter::SetParameter(const wchar_t* name, const wchar_t* value) {
  if (name == nullptr) return;
  parameters_.insert_or_assign(std::wstring(name), std::wstring(value ? value : L""));
}

void CFilter::Assign(CFilter*) {}
void CFilter::UpdateFilter() {}
void* CFilter::GetAutomationInterface() { return nullptr; }
void CFilter::ChangedEnabled(bool) {}
void CFilter::UpdateStatus() {}

void CFilter::SetEnabled(bool enable, bool) {
  if (enable == enabled_) return;
  enabled_ = enable;
  ChangedEnabled(enable);
}

void CFilter::FilterParametersUpdated(bool reprocess) {
  // A filter not yet given to a trace has nothing to update.
  if (trace_ != nullptr) trace_->FilterParametersUpdated(reprocess);
}

void CFilter::Reset() {
  SetEnabled(false, false);
  UpdateStatus();
}

void CDynamicFilter::ProcessData(bool&, int&, int&, int&, double*&, double*&, double*&) {}

void CDynamicFilter::ProcessDataEx(bool& changed, int& offset, int& count, int& size, double*& x,
                                   double*& y, double*& z, IPropertiesList*) {
  ProcessData(changed, offset, count, size, x, y, z);
}
