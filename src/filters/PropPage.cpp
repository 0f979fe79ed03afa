#include "filters/PropPage.h"

#include "core/DiagCommonLib.h"

CPropPageBase::~CPropPageBase() = default;
void CPropPageBase::Apply() {}
std::wstring CPropPageBase::GetHint() const { return {}; }
std::wstring CPropPageBase::GetName() const { return {}; }
std::wstring CPropPageBase::GetToolbarName() const { return {}; }
int CPropPageBase::GetToolbarRow() const { return 0; }
std::wstring CPropPageBase::GetTitle(bool shortForm) const {
  return GetNotationString(GetName().c_str(), shortForm);
}
std::wstring CPropPageBase::GetType() const { return {}; }
std::wstring CPropPageBase::GetPluginType() const { return L"PROPPAGE"; }
std::wstring CPropPageBase::FilterAttached() const { return {}; }
void CPropPageBase::SetSelection() {}
void CPropPageBase::Update() {}
void CPropPageBase::DiagramUpdate() {}
void CPropPageBase::MarkersUpdate() {}
void CPropPageBase::Serialize(pugi::xml_node, const char*) {}
void CPropPageBase::Deserialize(pugi::xml_node, const char*) {}
void* CPropPageBase::GetAutomationInterface() { return nullptr; }
