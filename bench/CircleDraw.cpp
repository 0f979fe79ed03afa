// Smith and polar frames against the rectangular frame of the same points: a 1600 × 900
// diagram with four 100,001-point complex traces (resonators behind lines, with a little
// noise) drawn through the QPainter canvas into an image, grid included, once with the traces
// as Smith or polar plots and once as rectangular plots of their real part. The grids alone
// are measured the same way: the Smith grid beside the rectangular grid with its scales.
// PVBENCH_SAVE_DIR=<folder> saves the last frame of each run as PNG for a look.
#include <array>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>

#include "BenchTarget.h"
#include "chart/Chart.h"
#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "series/PolarSeries.h"
#include "support/ControlStub.h"
#include "support/CountingCanvas.h"
#include "ui/QPainterCanvas.h"

namespace {

constexpr int kPoints = 100001;
constexpr int kTraces = 4;
constexpr int kWidth = 1600;
constexpr int kHeight = 900;

struct SComplexSweeps {
  std::array<std::vector<double>, kTraces> x, re, im;
  SComplexSweeps() {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.0015);
    for (int t = 0; t < kTraces; ++t) {
      x[t].resize(kPoints);
      re[t].resize(kPoints);
      im[t].resize(kPoints);
      const double f0 = 1.2e9 + 0.2e9 * t, delay = 0.2e-9 * (t + 1), r = 10.0 + 15 * t;
      for (int i = 0; i < kPoints; ++i) {
        const double f = 1e9 + i * 1e4, w = 2 * M_PI * f, l = 30e-9, c = 1 / (l * std::pow(2 * M_PI * f0, 2));
        const std::complex<double> z(r, w * l - 1 / (w * c));
        const std::complex<double> g = (z - 50.0) / (z + 50.0) * std::polar(0.95, -2 * w * delay);
        x[t][i] = f;
        re[t][i] = g.real() + noise(random);
        im[t][i] = g.imag() + noise(random);
      }
    }
  }
};

const SComplexSweeps& Data() {
  static const SComplexSweeps sweeps;
  return sweeps;
}

void SaveFrame(const QImage& image, const std::string& name) {
  const char* dir = std::getenv("PVBENCH_SAVE_DIR");
  if (dir != nullptr && *dir != '\0') image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

QImage Frame() {
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  return image;
}

// A diagram with four complex channels, one data trace each, fed one sweep, in one plot kind.
struct SDiagram {
  CControlStub control;
  std::array<CMeasurement, kTraces> channels;
  CDiagram diagram{&control};

  explicit SDiagram(EPlot plot) {
    const SComplexSweeps& data = Data();
    diagram.SetBounds({0, 0, kWidth, kHeight});
    diagram.SetMeasurementBarVisibility(false);
    std::vector<MeasurementInterface*> all;
    for (int t = 0; t < kTraces; ++t) {
      channels[t].SetName(L"S" + std::to_wstring(t + 1) + L"1");
      channels[t].SetResponseQuantity(L"Cmplx");
      channels[t].SetStimulusRange(data.x[t].front(), data.x[t].back(), true);
      channels[t].SetPointsCount(kPoints);
      diagram.AddMeasurement(&channels[t]);
      all.push_back(&channels[t]);
    }
    diagram.AddMeasurements(&all);
    for (int t = 0; t < kTraces; ++t) {
      std::vector<double> x = data.x[t], re = data.re[t], im = data.im[t];  // AddData takes writable arrays
      channels[t].AddData(0, kPoints, x.data(), re.data(), im.data());
      diagram.Trace(static_cast<unsigned>(t))->SetPlot(plot);
      diagram.Trace(static_cast<unsigned>(t))->SetScale(0, 0.2);
    }
  }
};

void DrawFrames(benchmark::State& state, EPlot plot, const char* name) {
  SDiagram setup(plot);
  if (setup.diagram.GetTraceCount() != kTraces || setup.diagram.Trace(0u)->Count() != kPoints) {
    state.SkipWithError("the diagram did not take its sweeps");
    return;
  }
  QImage image = Frame();
  for (auto _ : state) {
    QPainterCanvas canvas(image);
    setup.diagram.Draw(canvas);
  }
  // What the canvas was given: points of all traces per frame.
  CCountingCanvas counting;
  setup.diagram.Draw(counting);
  long points = 0;
  for (unsigned t = 0; t < kTraces; ++t) points += counting.Points(setup.diagram.Trace(t)->GetColor());
  state.counters["canvas_points"] = static_cast<double>(points);
  SaveFrame(image, name);
}

void BM_RectFrame(benchmark::State& state) { DrawFrames(state, plRect, "circle_bench_rect"); }
void BM_SmithFrame(benchmark::State& state) { DrawFrames(state, plSmith, "circle_bench_smith"); }
void BM_PolarFrame(benchmark::State& state) { DrawFrames(state, plPolar, "circle_bench_polar"); }

// The grid alone, on a chart the size of the frame: the rectangular grid with its scales and
// labels (no background, no walls), or a circle series' grid.
void BM_RectGrid(benchmark::State& state) {
  CChart chart;
  chart.SetBounds({0, 0, kWidth, kHeight});
  chart.SetMargins(60, 30, 20, 40);
  chart.SetColor(clNone);
  chart.SetBackWallVisible(false);
  chart.LeftAxis().SetMinMax(-50, 50);
  chart.LeftAxis().SetIncrement(10);
  chart.LeftAxis().SetGridOrigin(0);
  chart.BottomAxis().SetMinMax(1e9, 2e9);
  chart.BottomAxis().SetLabelQuantity(L"Hz");
  QImage image = Frame();
  for (auto _ : state) {
    QPainterCanvas canvas(image);
    chart.Draw(canvas);
  }
  SaveFrame(image, "circle_bench_rect_grid");
}

void DrawCircleGrid(benchmark::State& state, TQuorCircleSeries& series, const char* name) {
  CChart chart;
  chart.SetBounds({0, 0, kWidth, kHeight});
  chart.SetMargins(60, 30, 20, 40);
  chart.AddSeries(&series);
  QImage image = Frame();
  for (auto _ : state) {
    QPainterCanvas canvas(image);
    series.DrawGrid(canvas);
  }
  SaveFrame(image, name);
}

void BM_SmithGrid(benchmark::State& state) {
  TQuorSmithSeries smith;
  DrawCircleGrid(state, smith, "circle_bench_smith_grid");
}
void BM_PolarGrid(benchmark::State& state) {
  TQuorPolarSeries polar;
  DrawCircleGrid(state, polar, "circle_bench_polar_grid");
}

}  // namespace

// Each measured frame beside its baseline, so both see the same load on a shared machine.
BENCHMARK(BM_RectFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmithFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RectGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmithGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarGrid)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // Frames go into images; no display is needed or wanted.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return pvbench::Main(argc, argv,
                       {
                           {"smith_frame_4x100001", "BM_SmithFrame", "BM_RectFrame", 1.5, 1, "ms"},
                           {"polar_frame_4x100001", "BM_PolarFrame", "BM_RectFrame", 1.5, 1, "ms"},
                           {"smith_grid_vs_rect_grid", "BM_SmithGrid", "BM_RectGrid", 0, 1, "ms"},
                       },
                       {
                           {"smith_grid_1600x900", "BM_SmithGrid", 0.3, 1, "ms"},
                           {"polar_grid_1600x900", "BM_PolarGrid", 0.3, 1, "ms"},
                           {"rect_grid_1600x900", "BM_RectGrid", 0, 1, "ms"},
                       });
}
