// One diagram element read into a diagram of the run's control, drawn and written back.
#include "FuzzSupport.h"
#include "common/Xml.h"
#include "diagram/Diagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SFuzzControl& f = fuzz::SharedControl();
  CXMLDocument document;
  if (!document.LoadString(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  if (f.control.GetDiagramCount() == 0 && f.control.AddDiagram() == nullptr) return 0;
  CDiagram* diagram = f.control.GetDiagram(0);
  diagram->Deserialize(document.Doc().document_element());
  fuzz::DrawAll(f.control);
  pugi::xml_document saved;
  diagram->Serialize(saved.append_child("diagram"));
  return 0;
}
