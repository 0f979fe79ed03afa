// The marker element of the preset file and of the layout.
#include <string>

#include "common/Xml.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkParams.h"
#include "markers/Marker.h"
#include "markers/MarkersManager.h"

namespace {

bool AtDefaults(const SMarkParams& p) {
  const SMarkParams& d = DefaultMarkParams();
  return p.parked && p.noLimits && p.tracking == d.tracking && p.discrete == d.discrete && p.mode == d.mode &&
         p.stimFraction == d.stimFraction && p.valueFraction == d.valueFraction && p.lines == d.lines &&
         p.traceIndex == d.traceIndex && p.excursion == d.excursion && p.extremeMode == d.extremeMode &&
         p.deltaMeasure == d.deltaMeasure;
}

}  // namespace

void CMarker::Serialize(pugi::xml_node parent, int id) const {
  const SMarkParams& p = params_;
  if (AtDefaults(p)) return;
  pugi::xml_node m = AddElement(parent, L"marker");
  AddAttribute(m, L"id", static_cast<long long>(id));
  AddAttribute(m, L"enabled", p.enabled);
  AddAttribute(AddElement(m, L"parked"), L"value", p.parked);
  AddAttribute(AddElement(m, L"discreteMode"), L"value", p.discrete);
  pugi::xml_node extreme = AddElement(m, L"extremeMode");
  AddAttribute(extreme, L"value", ExtremeModeKey(p.extremeMode));
  if (p.extremeMode == emFixed) AddAttribute(extreme, L"index", static_cast<long long>(p.extremumIndex));
  AddAttribute(AddElement(m, L"excursion"), L"value", p.excursion);
  AddAttribute(AddElement(m, L"tracking"), L"value", p.tracking);
  AddAttribute(AddElement(m, L"showStatInfo"), L"value", p.showStat);
  AddAttribute(AddElement(m, L"framePos"), L"value", p.framePos);
  AddAttribute(AddElement(m, L"position"), L"value", p.position);
  pugi::xml_node counter = AddElement(m, L"frequencyCounter");
  AddAttribute(counter, L"state", static_cast<long long>(p.counterState));
  AddAttribute(counter, L"accuracy", p.counterAccuracy);

  pugi::xml_node action = AddElement(m, L"action");
  AddAttribute(action, L"value", MarkModeKey(p.mode));
  pugi::xml_node limits = AddElement(action, L"posLimits");
  AddAttribute(limits, L"enabled", !p.noLimits);
  AddAttribute(limits, L"min", p.rangeMin);
  AddAttribute(limits, L"minStep", p.rangeMinStep);
  AddAttribute(limits, L"max", p.rangeMax);
  AddAttribute(limits, L"maxStep", p.rangeMaxStep);
  pugi::xml_node divergence = AddElement(action, L"divergence");
  AddAttribute(divergence, L"value", p.divergence);
  AddAttribute(divergence, L"direction", DirectionKey(p.direction));
  AddAttribute(AddElement(action, L"fix_power"), L"value", p.fixedLevel);
  TraceInterface* trace = SrcTrace(false);
  AddAttribute(AddElement(action, L"linkTrace"), L"value", trace != nullptr ? trace->GetName() : std::wstring());
  pugi::xml_node delta = AddElement(action, L"deltaMeasure");
  AddAttribute(delta, L"enabled", p.deltaMeasure);
  TraceInterface* reference = SrcTrace(true);
  AddAttribute(delta, L"linkTrace", reference != nullptr ? reference->GetName() : std::wstring());
  AddAttribute(AddElement(action, L"refMarker"), L"value", static_cast<long long>(p.refMarker));

  pugi::xml_node lines = AddElement(m, L"lineList");
  for (unsigned line = 0; line < kStoredLines; ++line) {
    if (!p.lines.test(line)) continue;
    if (line == 0) {
      pugi::xml_node l = AddElement(lines, L"line");
      AddAttribute(l, L"sourceTrace", L"");
      AddAttribute(l, L"fraction", static_cast<long long>(p.stimFraction));
      AddAttribute(l, L"step", p.stimStep);
      continue;
    }
    TraceInterface* shown = LineTrace(line);
    if (shown == nullptr || shown->GetName().empty()) continue;
    pugi::xml_node l = AddElement(lines, L"line");
    AddAttribute(l, L"sourceTrace", shown->GetName());
    AddAttribute(l, L"fraction", static_cast<long long>(p.valueFraction));
  }
}

void CMarker::Deserialize(pugi::xml_node node) {
  SMarkParams p = DefaultMarkParams();
  fixed_ = false;
  const auto traceIndex = [this](const std::wstring& title) {
    if (title.empty() || diagram_ == nullptr) return -1;
    TraceInterface* trace = diagram_->Trace(title.c_str());
    return trace != nullptr ? diagram_->GetTraceIndex(trace) : -1;
  };
  p.traceIndex = traceIndex(GetNodeWideStringValue(node, L"action/linkTrace/@value"));
  p.refTraceIndex = traceIndex(GetNodeWideStringValue(node, L"action/deltaMeasure/@linkTrace"));
  p.divergence = GetNodeDoubleValue(node, L"action/divergence/@value", p.divergence);
  p.direction = DirectionFromKey(GetNodeWideStringValue(node, L"action/divergence/@direction"), p.direction);
  p.fixedLevel = GetNodeDoubleValue(node, L"action/fix_power/@value", p.fixedLevel);
  p.position = GetNodeDoubleValue(node, L"position/@value", p.position);
  p.noLimits = !GetNodeBoolValue(node, L"action/posLimits/@enabled", !p.noLimits);
  p.rangeMin = GetNodeDoubleValue(node, L"action/posLimits/@min", p.rangeMin);
  p.rangeMinStep = GetNodeDoubleValue(node, L"action/posLimits/@minStep", p.rangeMinStep);
  p.rangeMax = GetNodeDoubleValue(node, L"action/posLimits/@max", p.rangeMax);
  p.rangeMaxStep = GetNodeDoubleValue(node, L"action/posLimits/@maxStep", p.rangeMaxStep);
  p.enabled = GetNodeBoolValue(node, L"@enabled", p.enabled);
  p.deltaMeasure = GetNodeBoolValue(node, L"action/deltaMeasure/@enabled", p.deltaMeasure);
  p.refMarker = GetNodeIntValue(node, L"action/refMarker/@value", p.refMarker);
  if (p.refMarker < -1 || p.refMarker >= static_cast<int>(kMarkerCount)) p.refMarker = -1;
  p.showStat = GetNodeBoolValue(node, L"showStatInfo/@value", p.showStat);
  p.parked = GetNodeBoolValue(node, L"parked/@value", p.parked);
  p.discrete = GetNodeBoolValue(node, L"discreteMode/@value", p.discrete);
  p.extremeMode = ExtremeModeFromKey(GetNodeWideStringValue(node, L"extremeMode/@value"), p.extremeMode);
  p.extremumIndex = GetNodeIntValue(node, L"extremeMode/@index", p.extremumIndex);
  p.excursion = GetNodeDoubleValue(node, L"excursion/@value", p.excursion);
  p.tracking = GetNodeBoolValue(node, L"tracking/@value", p.tracking);
  p.framePos = GetNodeDoubleValue(node, L"framePos/@value", p.framePos);
  p.mode = MarkModeFromKey(GetNodeWideStringValue(node, L"action/@value"), p.mode);
  p.stimStep = GetNodeDoubleValue(node, L"lineList/line[@sourceTrace='']/@step", p.stimStep);
  p.stimFraction = GetNodeIntValue(node, L"lineList/line[@sourceTrace='']/@fraction", p.stimFraction);
  p.valueFraction = GetNodeIntValue(node, L"lineList/line[@sourceTrace!='']/@fraction", p.valueFraction);
  p.counterAccuracy = GetNodeDoubleValue(node, L"frequencyCounter/@accuracy", p.counterAccuracy);
  p.counterState = GetNodeIntValue(node, L"frequencyCounter/@state", p.counterState);
  if (node.child("lineList")) {
    p.lines.reset();
    for (pugi::xml_node line : node.child("lineList").children("line")) {
      const pugi::xml_attribute source = line.attribute("sourceTrace");
      if (!source) continue;
      if (source.value()[0] == '\0') {
        p.lines.set(0);
        continue;
      }
      const int index = traceIndex(GetNodeWideStringValue(line, L"@sourceTrace"));
      if (index >= 0 && static_cast<unsigned>(index) + 2 < kLinesCount) p.lines.set(static_cast<std::size_t>(index) + 2);
    }
  }
  if (p.mode == mmRef && (p.refMarker < 0 || p.refMarker == (manager_ != nullptr ? manager_->GetMarkerIndex(this) : -1))) p.mode = mmFree;
  SetParams(p);
}
