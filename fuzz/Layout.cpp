// A layout file as a host loads it: parsed, read into the one control of the run (diagrams,
// traces, filters, information panel and property pages reused or made anew), drawn and
// written back.
#include "FuzzSupport.h"
#include "common/Xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SFuzzControl& f = fuzz::SharedControl();
  CXMLDocument document;
  if (!document.LoadString(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  f.control.Deserialize(document.Doc().document_element(), nullptr);
  fuzz::DrawAll(f.control);
  pugi::xml_document saved;
  f.control.Serialize(saved.append_child("layout"), nullptr);
  return 0;
}
