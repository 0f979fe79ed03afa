#pragma once
// The automation object of the diagram control, where a script starts: the diagrams by index
// and name, the property pages, adding, selecting and removing diagrams.
#include <memory>
#include <string>

#include "automation/Automation.h"
#include "interfaces/Automation.h"

class CDiagramControl;
class Diagram_COM;

class DiagramControl_COM : public IAutomationObject {
 public:
  explicit DiagramControl_COM(CDiagramControl* control) : control_(control) {}

  void Unbind() override { control_ = nullptr; }
  CDiagramControl* Bound() const { return control_; }

  HResult get_DiagramCount(int& count) const;
  HResult get_Diagram(int index, std::shared_ptr<Diagram_COM>& diagram) const;
  // The first diagram, in index order, of that name.
  HResult get_DiagramByName(const std::wstring& name, std::shared_ptr<Diagram_COM>& diagram) const;
  // The automation object of the first property page of that name.
  HResult get_PropPage(const std::wstring& name, void*& page) const;
  HResult SelectDiagram(unsigned index);
  // S_FALSE, and no diagram, at the maximum count.
  HResult AddDiagram(std::shared_ptr<Diagram_COM>& diagram);
  // S_FALSE for the last diagram, which is never removed.
  HResult RemoveDiagram(int index);

 private:
  CDiagramControl* control_;
};
