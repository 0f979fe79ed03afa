// Trace elements, reached the way a layout reaches them: inside the traces of a diagram
// element. The trace core is kept behind the diagram's own reading of its traces.
#include "FuzzSupport.h"
#include "common/Xml.h"
#include "diagram/Diagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SFuzzControl& f = fuzz::SharedControl();
  std::string text = "<diagram><traces>";
  text.append(reinterpret_cast<const char*>(data), size);
  text += "</traces></diagram>";
  CXMLDocument document;
  if (!document.LoadString(text)) return 0;
  if (f.control.GetDiagramCount() == 0 && f.control.AddDiagram() == nullptr) return 0;
  CDiagram* diagram = f.control.GetDiagram(0);
  diagram->Deserialize(document.Doc().document_element());
  fuzz::DrawAll(f.control);
  pugi::xml_document saved;
  diagram->Serialize(saved.append_child("diagram"));
  return 0;
}
