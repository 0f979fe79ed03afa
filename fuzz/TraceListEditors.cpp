// The trace list's cell editors: any text typed into any cell of any row, format choices,
// and what the cells read back afterwards.
#include "FuzzSupport.h"
#include "common/Text.h"
#include "diagram/Diagram.h"
#include "diagram/TraceListEditor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SFuzzControl& f = fuzz::SharedControl();
  if (f.control.GetDiagramCount() == 0) {
    CDiagram* diagram = f.control.AddDiagram();
    if (diagram == nullptr) return 0;
    diagram->AddMeasurements(&f.channels);
  }
  CDiagram* diagram = f.control.GetDiagram(0);
  CTraceListEditor editor(diagram);
  fuzz::CByteReader in(data, size);
  const int rows = static_cast<int>(diagram->GetTraceCount()) + 1;
  for (int step = 0; step < 8 && !in.Empty(); ++step) {
    const int row = static_cast<int>(in.Byte() % (rows + 1)) - 1;
    const int column = static_cast<int>(in.Byte() % 14) - 1;
    switch (in.Byte() % 4) {
      case 0:
      case 1: {
        const std::size_t length = in.Byte() % 40;
        if (editor.CanEdit(row, column)) editor.Apply(row, column, Utf8ToWide(in.Text(length)));
        break;
      }
      case 2: {
        const std::vector<SFormatChoice> choices = editor.FormatChoices(row);
        const std::size_t pick = in.Byte() % (choices.size() + 1);
        editor.ChooseFormat(row, pick < choices.size() ? choices[pick].mode : in.EdgyInt());
        break;
      }
      default:
        editor.EditText(row, column);
        editor.EditUnit(row, column);
        break;
    }
  }
  fuzz::DrawAll(f.control);
  return 0;
}
