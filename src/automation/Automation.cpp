// The automation objects the engine objects hand out (interfaces/Automation.h).
#include "interfaces/Automation.h"

#include "automation/DiagramControl_COM.h"
#include "automation/Diagram_COM.h"
#include "automation/Marker_COM.h"
#include "automation/Trace_COM.h"
#include "control/DiagramControl.h"
#include "diagram/Diagram.h"

std::shared_ptr<IAutomationObject> MakeAutomationObject(DiagramControlInterface& control) {
  auto* engine = dynamic_cast<CDiagramControl*>(&control);
  return engine != nullptr ? std::make_shared<DiagramControl_COM>(engine) : nullptr;
}

std::shared_ptr<IAutomationObject> MakeAutomationObject(DiagramInterface& diagram) {
  auto* engine = dynamic_cast<CDiagram*>(&diagram);
  return engine != nullptr ? std::make_shared<Diagram_COM>(engine) : nullptr;
}

std::shared_ptr<IAutomationObject> MakeAutomationObject(TraceInterface& trace) {
  return std::make_shared<Trace_COM>(&trace);
}

std::shared_ptr<IAutomationObject> MakeMarkerAutomationObject(DiagramInterface& diagram, unsigned index) {
  auto* engine = dynamic_cast<CDiagram*>(&diagram);
  if (engine == nullptr) return nullptr;
  auto object = std::dynamic_pointer_cast<Diagram_COM>(engine->GetAutomationInterface());
  return object != nullptr ? object->MarkerObject(index) : nullptr;
}
