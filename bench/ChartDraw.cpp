// Drawing a chart must cost about what looking at its data once costs, however long the
// sweeps: four 100,001-point traces onto a 1600 × 900 plot against one pass computing the
// minimum and maximum of the same arrays. The canvas must receive at most four points per
// pixel column of each trace.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "BenchSweeps.h"
#include "BenchTarget.h"
#include "chart/Chart.h"
#include "support/CountingCanvas.h"
#include "chart/Series.h"

namespace {

constexpr int kPoints = pvbench::kSweepPoints;
constexpr int kTraces = pvbench::kSweepTraces;
constexpr int kPlotWidth = 1600;
constexpr int kPlotHeight = 900;

const pvbench::Sweeps& Data() { return pvbench::SweepData(); }

TColor TraceColor(int t) { return RGBColor(50 * (t + 1), 0, 0); }

void BM_ChartDraw(benchmark::State& state) {
  const pvbench::Sweeps& data = Data();
  CChart chart;
  chart.SetBounds({0, 0, 60 + kPlotWidth + 20, 30 + kPlotHeight + 40});
  chart.SetMargins(60, 30, 20, 40);
  chart.BottomAxis().SetMinMax(data.x[0].front(), data.x[0].back());
  chart.LeftAxis().SetMinMax(-100, 0);
  std::array<CFastLineSeries, kTraces> series;
  for (int t = 0; t < kTraces; ++t) {
    series[t].SetColor(TraceColor(t));
    series[t].SetData(data.x[t].data(), data.y[t].data(), kPoints);
    chart.AddSeries(&series[t]);
  }
  CCountingCanvas canvas;
  long most = 0;
  for (auto _ : state) {
    canvas.Reset();
    chart.Draw(canvas);
    for (int t = 0; t < kTraces; ++t) most = std::max(most, canvas.Points(TraceColor(t)));
  }
  state.counters["points_per_trace"] = double(most);
  if (most > 4L * kPlotWidth) state.SkipWithError("the canvas received more than 4 points per pixel column");
}

void BM_MinMaxPass(benchmark::State& state) {
  const pvbench::Sweeps& data = Data();
  for (auto _ : state) {
    for (int t = 0; t < kTraces; ++t) {
      double lo[2] = {data.x[t][0], data.y[t][0]};
      double hi[2] = {lo[0], lo[1]};
      for (int i = 0; i < kPoints; ++i) {
        const double xi = data.x[t][i], yi = data.y[t][i];
        lo[0] = xi < lo[0] ? xi : lo[0];
        hi[0] = xi > hi[0] ? xi : hi[0];
        lo[1] = yi < lo[1] ? yi : lo[1];
        hi[1] = yi > hi[1] ? yi : hi[1];
      }
      benchmark::DoNotOptimize(lo);
      benchmark::DoNotOptimize(hi);
    }
  }
}

}  // namespace

BENCHMARK(BM_ChartDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MinMaxPass)->Unit(benchmark::kMicrosecond);

PVBENCH_MAIN({
    {"chart_draw_4x100001", "BM_ChartDraw", "BM_MinMaxPass", 5.0, 1, "us"},
})
