// Loads the example's MOVING_AVERAGE package from the plug-in search path into an area
// widget, feeds one sweep with a step and checks the trace shows the trailing mean. Exit
// status 0 when it does; what went wrong on standard error otherwise.
#include <QApplication>

#include <cmath>
#include <cstdio>

#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "traces/Trace.h"
#include "ui/PlotvaneArea.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TPlotvaneArea area(nullptr, L"MOVING_AVERAGE");
  CMeasurement* channel = area.CreateMeasurement();
  channel->SetName(L"P");
  channel->SetParameter(L"channel", L"1");
  channel->SetStimulusQuantity(L"Hz");
  channel->SetResponseQuantity(L"dBm");
  channel->SetPointsCount(8);
  channel->SetStimulusRange(1, 8, true);

  pugi::xml_document layout;
  layout.load_string(R"(<layout><diagram_control mode="-1"><diagram name="D"><traces>
      <trace type="Measuring"><measurement name="P" channel="1"/>
        <filters><filter type="MOVING_AVERAGE" width="4"/></filters></trace>
    </traces></diagram></diagram_control></layout>)");
  if (!area.Deserialize(layout.document_element(), "") || area.Control()->GetDiagramCount() != 1) {
    std::fprintf(stderr, "the layout was not loaded\n");
    return 1;
  }
  CTrace* trace = area.Control()->GetDiagram(0)->Trace(0u);
  if (trace == nullptr || trace->GetFilter(L"MOVING_AVERAGE") == nullptr) {
    std::fprintf(stderr, "the trace has no MOVING_AVERAGE filter: the package was not found\n");
    return 1;
  }

  double x[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  double y[8] = {0, 0, 0, 0, 4, 4, 4, 4};
  const double expected[8] = {0, 0, 0, 0, 1, 2, 3, 4};
  channel->AddData(0, 8, x, y, nullptr);
  int wrong = 0;
  for (unsigned i = 0; i < 8; ++i) {
    const double shown = trace->Value(vtResponse, i);
    if (std::fabs(shown - expected[i]) > 1e-9) {
      std::fprintf(stderr, "point %u: %g, expected %g\n", i, shown, expected[i]);
      ++wrong;
    }
  }
  area.DestroyMeasurements();
  if (wrong == 0) std::printf("the installed component smooths with the example package\n");
  return wrong == 0 ? 0 : 1;
}
