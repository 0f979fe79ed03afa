#include "automation/DiagramControl_COM.h"

#include "automation/Diagram_COM.h"
#include "control/DiagramControl.h"

namespace {

std::shared_ptr<Diagram_COM> DiagramObject(CDiagram* diagram) {
  return diagram != nullptr ? std::dynamic_pointer_cast<Diagram_COM>(diagram->GetAutomationInterface()) : nullptr;
}

}  // namespace

HResult DiagramControl_COM::get_DiagramCount(int& count) const {
  if (control_ == nullptr) return E_POINTER;
  count = static_cast<int>(control_->GetDiagramCount());
  return S_OK;
}

HResult DiagramControl_COM::get_Diagram(int index, std::shared_ptr<Diagram_COM>& diagram) const {
  diagram = nullptr;
  if (control_ == nullptr) return E_POINTER;
  if (index < 0 || static_cast<unsigned>(index) >= control_->GetDiagramCount()) return E_INVALIDARG;
  diagram = DiagramObject(control_->GetDiagram(static_cast<unsigned>(index)));
  return diagram != nullptr ? S_OK : E_INVALIDARG;
}

HResult DiagramControl_COM::get_DiagramByName(const std::wstring& name, std::shared_ptr<Diagram_COM>& diagram) const {
  diagram = nullptr;
  if (control_ == nullptr) return E_POINTER;
  if (Failed(CheckName(name))) return E_INVALIDARG;
  for (unsigned i = 0; i < control_->GetDiagramCount(); ++i) {
    CDiagram* d = control_->GetDiagram(i);
    if (d != nullptr && d->GetName() == name) {
      diagram = DiagramObject(d);
      return diagram != nullptr ? S_OK : E_INVALIDARG;
    }
  }
  return E_INVALIDARG;
}

HResult DiagramControl_COM::get_PropPage(const std::wstring& name, void*& page) const {
  page = nullptr;
  if (control_ == nullptr) return E_POINTER;
  if (Failed(CheckName(name))) return E_INVALIDARG;
  for (unsigned i = 0; i < control_->GetPropPageCount(); ++i) {
    CPropPageBase* p = control_->Page(i);
    if (p != nullptr && p->GetName() == name) {
      page = p->GetAutomationInterface();
      return page != nullptr ? S_OK : E_NOTIMPL;
    }
  }
  return E_INVALIDARG;
}

HResult DiagramControl_COM::SelectDiagram(unsigned index) {
  if (control_ == nullptr) return E_POINTER;
  if (index >= control_->GetDiagramCount()) return E_INVALIDARG;
  control_->SetActiveDiagram(index);
  return S_OK;
}

HResult DiagramControl_COM::AddDiagram(std::shared_ptr<Diagram_COM>& diagram) {
  diagram = nullptr;
  if (control_ == nullptr) return E_POINTER;
  diagram = DiagramObject(control_->AddDiagram());
  return diagram != nullptr ? S_OK : S_FALSE;
}

HResult DiagramControl_COM::RemoveDiagram(int index) {
  if (control_ == nullptr) return E_POINTER;
  const unsigned count = control_->GetDiagramCount();
  if (count < 2) return S_FALSE;
  if (index < 0 || static_cast<unsigned>(index) >= count) return E_INVALIDARG;
  CDiagram* diagram = control_->GetDiagram(static_cast<unsigned>(index));
  if (diagram == nullptr) return E_INVALIDARG;
  if (diagram->GetLocked()) return E_FAIL;
  control_->RemoveDiagram(static_cast<unsigned>(index));
  return S_OK;
}
