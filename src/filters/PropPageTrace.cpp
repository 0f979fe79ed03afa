#include "filters/PropPageTrace.h"

#include <algorithm>

#include "common/Text.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/TraceInterface.h"

std::wstring CPropPageTrace::GetType() const { return Tr("Трасса"); }

std::wstring CPropPageTrace::GetHint() const { return Tr("Настройка параметров и фильтров выделенных трасс(-ы)"); }

void CPropPageTrace::DiagramUpdate() {
  selected_.clear();
  UpdateTracesTypes();
}

void CPropPageTrace::SetSelection() {
  selected_.clear();
  if (diagram_ == nullptr) return;
  for (unsigned i = 0; i < diagram_->GetSelectedTracesCount(); ++i)
    if (TraceInterface* trace = diagram_->SelectedTrace(i)) selected_.push_back(trace);
}

void CPropPageTrace::Update() {
  // Deleting traces reports a plain update before the new selection arrives.
  if (diagram_ == nullptr) {
    selected_.clear();
  } else {
    std::erase_if(selected_, [this](TraceInterface* t) { return diagram_->GetTraceIndex(t) < 0; });
  }
  UpdateTracesTypes();
}

void CPropPageTrace::UpdateTracesTypes() {
  staticSelected_ = mathSelected_ = singlePoint_ = false;
  smith_ = polar_ = spectrum_ = waterfall_ = heatmap_ = false;
  for (TraceInterface* trace : selected_) {
    const std::wstring type = trace->GetTraceType();
    staticSelected_ = staticSelected_ || type == L"Memory";
    mathSelected_ = mathSelected_ || type == L"Math";
    singlePoint_ = singlePoint_ || trace->Count() == 1;
    switch (trace->GetPlot()) {
      case plSmith: smith_ = true; break;
      case plPolar: polar_ = true; break;
      case plSpectrogram: spectrum_ = true; break;
      case plWaterfall: waterfall_ = true; break;
      case plHeatMap: heatmap_ = true; break;
      default: break;
    }
  }
}
