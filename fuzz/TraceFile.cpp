// A trace file read into a memory trace in each of its forms, then written again by that trace.
#include <cstdlib>

#include "FuzzSupport.h"
#include "common/Text.h"
#include "diagram/Diagram.h"
#include "traces/TraceStatic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SFuzzControl& shared = fuzz::SharedControl();
  static const fuzz::CTempFile input("trace.trs"), output("trace-out.csv");
  static CDiagram* diagram = [&] {
    CDiagram* d = shared.control.AddDiagram();
    if (d == nullptr) std::abort();
    return d;
  }();
  static CTraceStatic* memory = static_cast<CTraceStatic*>(diagram->AddStaticTrace());
  if (size == 0 || memory == nullptr) return 0;
  const ETraceFileType type = static_cast<ETraceFileType>(data[0] % 3);
  const EPlot plot = static_cast<EPlot>(data[0] / 3 % 9);
  memory->SetPlot(plot);
  input.Write(data + 1, size - 1);
  if (memory->Load(Utf8ToWide(input.Path()), type) == 0) memory->SaveDataToFile(Utf8ToWide(output.Path()).c_str());
  fuzz::DrawAll(shared.control);
  return 0;
}
