// The demo's running cost: four channels of 1601 points at 30 sweeps a second through the
// area (data traces with the display-format filter, diagram windows redrawing at most once
// per frame interval). One iteration is one second of wall time; its manual time is the CPU
// time the process used in it, so the figure reads as the share of one core.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <ctime>

#include "BenchTarget.h"
#include "Simulator.h"
#include "control/DiagramControl.h"
#include "ui/PlotvaneArea.h"

namespace {

const char* kLayout = R"(<layout><diagram_control mode="-1">
  <diagram name="S11 S21"><traces>
    <trace type="Measuring"><measurement name="S11" channel="1"/><filters><filter type="QUANTITY" mode="0"/></filters></trace>
    <trace type="Measuring"><measurement name="S21" channel="1"/><filters><filter type="QUANTITY" mode="0"/></filters></trace>
  </traces></diagram>
  <diagram name="S12 S22"><traces>
    <trace type="Measuring"><measurement name="S12" channel="1"/><filters><filter type="QUANTITY" mode="0"/></filters></trace>
    <trace type="Measuring"><measurement name="S22" channel="1"/><filters><filter type="QUANTITY" mode="2"/></filters></trace>
  </traces></diagram>
</diagram_control></layout>)";

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

void BM_DemoCpuPerSecond(benchmark::State& state) {
  TPlotvaneArea area(nullptr, L"QUANTITY", L"" PLOTVANE_PLUGIN_DIR);
  area.resize(1400, 900);
  area.show();
  CInstrumentSimulator sim([&] { return area.CreateMeasurement(); }, 1601);
  area.OnSendParameter = [&](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
    sim.OnParameter(m, name, value, extra);
  };
  pugi::xml_document doc;
  doc.load_string(kLayout);
  area.Deserialize(doc.document_element(), "");
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { sim.Sweep(); });
  timer.start(1000 / 30);
  for (auto _ : state) {
    const double cpu = CpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    state.SetIterationTime(CpuSeconds() - cpu);
  }
  state.counters["sweeps"] = sim.SweepCount();
  area.DestroyMeasurements();
}

}  // namespace

BENCHMARK(BM_DemoCpuPerSecond)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return pvbench::Main(argc, argv, {}, {{"demo_cpu_per_wall_second", "BM_DemoCpuPerSecond/iterations:3/manual_time", 0.25, 1, "s"}});
}
