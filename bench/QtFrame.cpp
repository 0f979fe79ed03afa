// One frame of a diagram in a window: a 1600 × 900 diagram with four 100,001-point traces
// drawn through the QPainter canvas into an image, against QCustomPlot (adaptive sampling,
// its default) drawing the same data into an image of the same size. Both aliased, once with
// 1-pixel and once with 2-pixel pens; smoothed frames are reported beside them.
// PVBENCH_SAVE_DIR=<folder> saves the last frame of each run as PNG for a look.
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "BenchSweeps.h"
#include "BenchTarget.h"
#include "support/CountingCanvas.h"
#include "diagram/Diagram.h"
#include "interfaces/DiagramControlInterface.h"
#include "interfaces/TraceInterface.h"
#include "measurements/Measurement.h"
#include "ui/QPainterCanvas.h"

#ifdef PLOTVANE_HAVE_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

namespace {

constexpr int kPoints = pvbench::kSweepPoints;
constexpr int kTraces = pvbench::kSweepTraces;
constexpr int kWidth = 1600;
constexpr int kHeight = 900;

const pvbench::Sweeps& Data() { return pvbench::SweepData(); }

QImage Frame() {
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  return image;
}

void SaveFrame(const QImage& image, const std::string& name) {
  const char* dir = std::getenv("PVBENCH_SAVE_DIR");
  if (dir != nullptr && *dir != '\0') image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

// Just enough of a control for a diagram on its own.
class CBenchControl : public DiagramControlInterface {
 public:
  bool antiAliasing = false;
  SColorMapSettings colorMap;

  std::wstring GetDiagramString(const wchar_t*) const override { return {}; }
  std::shared_ptr<IAutomationObject> GetAutomationInterface() override { return nullptr; }
  void SetDiagramString(const wchar_t*, const wchar_t*) override {}
  DiagramInterface* GetDiagram(unsigned) const override { return nullptr; }
  DiagramInterface* AddDiagram() override { return nullptr; }
  void RemoveDiagram(unsigned) override {}
  void* GetMenuStyler() override { return nullptr; }
  void* GetToolBarStyler() override { return nullptr; }
  unsigned GetDiagramCount() const override { return 1; }
  unsigned GetDiagramMaxCount() const override { return 1; }
  void ShowInfoPanel(bool) override {}
  int GetCurrentDiagramIndex() const override { return 0; }
  bool GetInfoPanelEnabled() const override { return false; }
  std::wstring GetInfoPanelName() const override { return {}; }
  void SetActiveDiagram(unsigned) override {}
  void SetDiagramMode(int) override {}
  int GetDiagramMode() const override { return 0; }
  void SetDiagramPosition(unsigned, int) override {}
  int GetDiagramPosition(unsigned) const override { return -1; }
  const SColorTheme* GetTheme() const override { return GetColorTheme(0); }
  void SendDiagramParameter(MeasurementInterface*, const wchar_t*, double, double) override {}
  void SendDiagramAction(MeasurementInterface*, const wchar_t*, const wchar_t*) override {}
  void SetOnViewMenuEvent(std::function<void()>) override {}
  void BlockPropPagesUpdate(bool) override {}
  void UpdatePropPages(EPPUpdate) override {}
  unsigned GetPropPageCount() const override { return 0; }
  void* GetPropPage(unsigned) const override { return nullptr; }
  void Serialize(pugi::xml_node, const char*) override {}
  bool Deserialize(pugi::xml_node, const char*) override { return true; }
  IModulesFactory* GetFilterFactory() override { return nullptr; }
  void SetActiveMeasurements(DiagramInterface*) override {}
  void SetUsedMeasurements() override {}
  const SColorMapSettings* GetColorMapSettings() const override { return &colorMap; }
  bool GetAntiAliasing() const override { return antiAliasing; }
};

// A diagram with four channels, one data trace each, fed one sweep.
struct DiagramSetup {
  CBenchControl control;
  std::array<CMeasurement, kTraces> channels;
  CDiagram diagram{&control};
  std::array<std::vector<double>, kTraces> x, y;  // AddData takes writable arrays

  explicit DiagramSetup(int penWidth) {
    const pvbench::Sweeps& data = Data();
    diagram.SetBounds({0, 0, kWidth, kHeight});
    std::vector<MeasurementInterface*> all;
    for (int t = 0; t < kTraces; ++t) {
      channels[t].SetName(L"S" + std::to_wstring(t + 1));
      channels[t].SetStimulusRange(data.x[t].front(), data.x[t].back(), true);
      channels[t].SetPointsCount(kPoints);
      diagram.AddMeasurement(&channels[t]);
      all.push_back(&channels[t]);
    }
    diagram.AddMeasurements(&all);
    for (int t = 0; t < kTraces; ++t) {
      x[t] = data.x[t];
      y[t] = data.y[t];
      channels[t].AddData(0, kPoints, x[t].data(), y[t].data(), nullptr);
    }
    for (unsigned i = 0; i < diagram.GetTraceCount(); ++i) diagram.Trace(i)->SetLineWidth(penWidth);
    diagram.AutoScaleAllTraces();
  }
};

void BM_Plotvane(benchmark::State& state) {
  const int penWidth = static_cast<int>(state.range(0));
  const bool smooth = state.range(1) != 0;
  DiagramSetup setup(penWidth);
  if (setup.diagram.GetTraceCount() != kTraces) {
    state.SkipWithError("the diagram did not make its traces");
    return;
  }
  QImage image = Frame();
  for (auto _ : state) {
    QPainterCanvas canvas(image);
    canvas.SetAntiAlias(smooth);
    setup.diagram.Draw(canvas);
  }
  SaveFrame(image, "plotvane_" + std::to_string(penWidth) + (smooth ? "_aa" : ""));
}

// The same frame onto a canvas that only counts: the engine's share of the frame.
void BM_PlotvaneEngineOnly(benchmark::State& state) {
  DiagramSetup setup(1);
  CCountingCanvas canvas;
  for (auto _ : state) {
    canvas.Reset();
    setup.diagram.Draw(canvas);
  }
}

#ifdef PLOTVANE_HAVE_QCUSTOMPLOT
void BM_QCustomPlot(benchmark::State& state) {
  const int penWidth = static_cast<int>(state.range(0));
  const bool smooth = state.range(1) != 0;
  const pvbench::Sweeps& data = Data();
  QCustomPlot plot;
  const std::array<QColor, kTraces> colors = {Qt::yellow, Qt::cyan, Qt::magenta, Qt::green};
  for (int t = 0; t < kTraces; ++t) {
    QCPGraph* graph = plot.addGraph();
    graph->setData(QVector<double>(data.x[t].begin(), data.x[t].end()),
                   QVector<double>(data.y[t].begin(), data.y[t].end()), true);
    graph->setAdaptiveSampling(true);
    graph->setPen(QPen(colors[t], penWidth));
  }
  plot.rescaleAxes();
  if (smooth)
    plot.setAntialiasedElements(QCP::aeAll);
  else
    plot.setNotAntialiasedElements(QCP::aeAll);
  QImage image = Frame();
  for (auto _ : state) {
    QCPPainter painter(&image);
    plot.toPainter(&painter, kWidth, kHeight);
  }
  SaveFrame(image, "qcustomplot_" + std::to_string(penWidth) + (smooth ? "_aa" : ""));
}
#endif

}  // namespace

// Each frame beside its peer, so both see the same load on a shared machine.
#ifdef PLOTVANE_HAVE_QCUSTOMPLOT
#define PVBENCH_FRAME(pen, aa)                                                                     \
  BENCHMARK(BM_Plotvane)->ArgNames({"pen", "aa"})->Args({pen, aa})->Unit(benchmark::kMillisecond); \
  BENCHMARK(BM_QCustomPlot)->ArgNames({"pen", "aa"})->Args({pen, aa})->Unit(benchmark::kMillisecond);
#else
#define PVBENCH_FRAME(pen, aa) \
  BENCHMARK(BM_Plotvane)->ArgNames({"pen", "aa"})->Args({pen, aa})->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_PlotvaneEngineOnly)->Unit(benchmark::kMillisecond);
PVBENCH_FRAME(1, 0)
PVBENCH_FRAME(2, 0)
PVBENCH_FRAME(1, 1)
PVBENCH_FRAME(2, 1)

int main(int argc, char** argv) {
  // Frames go into images; no display is needed or wanted.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return pvbench::Main(argc, argv,
                       {
                           {"qt_frame_1px", "BM_Plotvane/pen:1/aa:0", "BM_QCustomPlot/pen:1/aa:0", 0.5, 1, "ms"},
                           {"qt_frame_2px", "BM_Plotvane/pen:2/aa:0", "BM_QCustomPlot/pen:2/aa:0", 0.5, 1, "ms"},
                           {"qt_frame_engine_share", "BM_PlotvaneEngineOnly", "BM_Plotvane/pen:1/aa:0", 0, 1, "ms"},
                           {"qt_frame_1px_smooth", "BM_Plotvane/pen:1/aa:1", "BM_QCustomPlot/pen:1/aa:1", 0, 1, "ms"},
                           {"qt_frame_2px_smooth", "BM_Plotvane/pen:2/aa:1", "BM_QCustomPlot/pen:2/aa:1", 0, 1, "ms"},
                       });
}
