// The diagram's element of the layout: its own settings, the trace list, the traces with
// their channels, and the markers. Reading reuses the traces that already stand where the
// element has a trace of the same kind, so reloading a layout keeps the trace objects.
#include <exception>
#include <string_view>

#include "common/Log.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "diagram/Diagram.h"
#include "diagram/ExStatusBar.h"
#include "measurements/Measurement.h"
#include "traces/Trace.h"

namespace {

void Log(const wchar_t* text) { LogMessage(L"Diagram", text); }

// The kind of a trace element; anything else is a data trace.
std::wstring TraceType(pugi::xml_node element) {
  const std::string_view type = element.attribute("type").value();
  return type == "Memory" ? L"Memory" : type == "Math" ? L"Math" : L"Measuring";
}

std::wstring Translated(const std::wstring& text) {
  return text.empty() ? text : Tr(WideToUtf8(text).c_str());
}


}  // namespace

void CDiagram::Serialize(pugi::xml_node element) {
  if (!element) return;
  AddAttribute(element, L"name", name_);
  AddAttribute(element, L"locked", locked_);
  AddAttribute(element, L"trc_color_offset", static_cast<long long>(trcColorOffset_));
  AddAttribute(element, L"msr_bar", barVisible_);
  AddAttribute(element, L"log_X", logX_);
  AddAttribute(element, L"log_Y", logY_);
  if (smithAdmittance_) AddAttribute(element, L"smith_admittance", true);

  list_->Serialize(element);
  // The header's visibility is the diagram's; the list writes its own in the same place.
  if (pugi::xml_node list = element.child("trace_list")) AddAttribute(list, L"display_header", traceHeader_);

  pugi::xml_node traces = AddElement(element, L"traces");
  for (auto& trace : traces_) {
    pugi::xml_node node = AddElement(traces, L"trace");
    pugi::xml_node measurement = AddElement(node, L"measurement");
    MeasurementInterface* m = trace->Measurement();
    AddAttribute(measurement, L"name", m != nullptr ? m->GetName() : std::wstring());
    AddAttribute(measurement, L"channel", m != nullptr ? m->GetParameter(L"channel") : std::wstring());
    trace->Serialize(node);
  }
  if (left_.enabled && left_.trace != nullptr) AddAttribute(element, L"leftAxis", left_.trace->GetName());
  if (right_.enabled && right_.trace != nullptr) AddAttribute(element, L"rightAxis", right_.trace->GetName());
  pugi::xml_node markers = AddElement(element, L"markerPreset");
  if (markers_ != nullptr) markers_->WriteMarksToXMLNode(markers);
}

void CDiagram::DeserializeTraces(pugi::xml_node traces, bool mathPass, unsigned& position) {
  for (pugi::xml_node element : traces.children("trace")) {
    const std::wstring type = TraceType(element);
    if ((type == L"Math") != mathPass) continue;
    std::wstring name = GetNodeWideStringValue(element, L"@name");
    try {
      CTrace* trace = position < traces_.size() && reuse_ ? traces_[position].get() : nullptr;
      if (trace == nullptr || trace->GetTraceType() != type) {
        reuse_ = false;
        removing_ = true;
        while (traces_.size() > position) DeleteTrace(traces_.back().get());
        removing_ = false;
        selected_.clear();
        trace = dynamic_cast<CTrace*>(CreateTrace(type));
        if (trace == nullptr) continue;  // a kind this diagram cannot make yet, or a full diagram
      }
      trace->BlockUpdate(true);
      if (pugi::xml_node measurement = element.child("measurement")) {
        std::wstring channel = GetNodeWideStringValue(measurement, L"@channel");
        std::wstring msrName = GetNodeWideStringValue(measurement, L"@name");
        if (!mathPass) {
          channel = Translated(channel);
          msrName = Translated(msrName);
        }
        for (unsigned i = 0; i < GetMeasurementCount(); ++i) {
          CMeasurement* m = GetMeasurement(i);
          if (m->Name() == msrName && m->GetParameter(L"channel") == channel) {
            trace->SetMeasurement(m);
            break;
          }
        }
      }
      if (!mathPass) name = Translated(name);
      if (!name.empty() && name != trace->GetName()) trace->SetName(name);
      trace->Deserialize(element);
      // Two traces of one diagram never share a colour.
      for (auto& other : traces_) {
        if (other.get() != trace && other->GetColor() == trace->GetColor()) {
          trace->SetColor(UniqueTraceColor(trace));
          break;
        }
      }
      trace->BlockUpdate(false);
      trace->Update();
      ++position;
    } catch (...) {
      removing_ = false;
      // The trace standing at this position, half read, stays and keeps its place, so the
      // elements after it still meet the traces they were written from; it must not stay
      // blocked.
      if (position < traces_.size() && traces_[position]->GetTraceType() == type) {
        CTrace* failed = traces_[position].get();
        name = failed->GetName();
        failed->BlockUpdate(false);
        ++position;
      }
      std::wstring text = Tr("При десериализации трассы %0 произошло исключение ");
      ReplaceString(text, L"%0", name);
      ShowPlotvaneException(text);
    }
  }
}

void CDiagram::Deserialize(pugi::xml_node node) {
  if (!node) return;
  Log(L"starting deserializing");
  for (auto& bar : hBars_) bar->SetHidden(true);
  for (auto& bar : vBars_) bar->SetHidden(true);
  deserializing_ = loading_ = true;
  SetActive(false);

  Log(L"set chart params");
  locked_ = GetNodeBoolValue(node, L"@locked", false);
  trcColorOffset_ = GetNodeIntValue(node, L"@trc_color_offset", 0);
  SetMeasurementBarVisibility(GetNodeBoolValue(node, L"@msr_bar", true));
  SetAxisXLogarithmicScale(GetNodeBoolValue(node, L"@log_X", false));
  SetAxisYLogarithmicScale(GetNodeBoolValue(node, L"@log_Y", false));
  smithAdmittance_ = GetNodeBoolValue(node, L"@smith_admittance", false);

  Log(L"loading data traces");
  unsigned position = 0;
  reuse_ = true;
  // A trace reports every setting it reads; its row is worth filling only once.
  rowsDeferred_ = true;
  const pugi::xml_node traces = node.child("traces");
  DeserializeTraces(traces, false, position);
  Log(L"data traces loaded");
  Log(L"loading math traces");
  DeserializeTraces(traces, true, position);
  Log(L"math traces loaded");
  removing_ = true;
  while (traces_.size() > position) DeleteTrace(traces_.back().get());
  removing_ = false;
  selected_.clear();
  rowsDeferred_ = false;
  for (auto& trace : traces_) UpdateTrace(trace.get());
  // The logarithmic axes were set before there were traces to take them.
  if (GetNodeBoolValue(node, L"@log_X", false)) SetAxisXLogarithmicScale(true);
  if (GetNodeBoolValue(node, L"@log_Y", false)) SetAxisYLogarithmicScale(true);

  Log(L"set tracelist params");
  try {
    const pugi::xml_node list = node.child("trace_list");
    traceHeader_ = GetNodeBoolValue(list, L"@display_header", true);
    list_->Deserialize(list);
    list_->AfterDeserialize();
  } catch (...) {
    ShowPlotvaneException(Tr("При десериализации списка трасс произошло исключение "));
  }

  BindAxis(-1);
  BindAxis(-2);
  const std::wstring leftName = GetNodeWideStringValue(node, L"@leftAxis");
  const std::wstring rightName = GetNodeWideStringValue(node, L"@rightAxis");
  if (!leftName.empty()) {
    const int i = GetTraceIndex(Trace(leftName.c_str()));
    if (i >= 0) BindAxis(i);
  }
  if (!rightName.empty()) {
    const int i = GetTraceIndex(Trace(rightName.c_str()));
    if (i >= 0) BindAxis(30 + i);
  }

  for (auto& bar : hBars_) bar->SetHidden(false);
  for (auto& bar : vBars_) bar->SetHidden(false);
  deserializing_ = false;
  unsigned first = 0;
  while (first < traces_.size() && !traces_[first]->GetVisible()) ++first;
  SelectTrace(first < traces_.size() ? first : 0);
  loading_ = false;
  UpdateAxesOnMultiSelect();
  SetActiveMeasurements();
  UpdatePresentation();
  AlignControls();
  Log(L"loading markers");
  if (markers_ != nullptr) {
    try {
      markers_->BlockRepaint(true);
      markers_->TracesChanged();
      markers_->BlockRepaint(false);
      if (pugi::xml_node preset = node.child("markerPreset")) {
        markers_->ReadMarksFromXMLNode(preset);
      } else {
        markers_->Reset();
      }
    } catch (...) {
      markers_->BlockRepaint(false);
      ShowPlotvaneException(Tr("При десериализации маркеров произошло исключение "));
    }
  }
  Log(L"markers loaded");
  Log(L"finished deserializing");
}
