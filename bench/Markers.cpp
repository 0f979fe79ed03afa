// Marker searches on real traces: one tracking marker on a sweep of 1,000,001 points beside a
// plain pass of the library over the same doubles, thirty markers with their read-outs on
// 100,001 points beside the sum of their plain passes, and a sweep arriving in 64 blocks
// beside the same sweep in one.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "BenchTarget.h"
#include "chart/SeriesData.h"
#include "diagram/Diagram.h"
#include "measurements/Measurement.h"

namespace {

constexpr int kBig = 1000001;
constexpr int kSweep = 100001;

// A diagram showing one channel of `points` points on two data traces: a wavy trace with
// noise and a falling ramp that crosses −99.9 only near its end.
struct Setup {
  CDiagram diagram{nullptr};
  CMeasurement wavy, ramp;
  std::vector<double> x, y, r;

  explicit Setup(int points) {
    x.resize(points);
    y.resize(points);
    r.resize(points);
    for (int i = 0; i < points; ++i) {
      x[i] = 1e9 + 1e3 * i;
      y[i] = -20 + 10 * std::sin(i * 6e-4) + 3 * std::sin(i * 0.77);
      r[i] = -100.0 * i / (points - 1);
    }
    for (CMeasurement* m : {&wavy, &ramp}) {
      m->SetStimulusQuantity(L"Hz");
      m->SetStimulusRange(x.front(), x.back(), true);
      m->SetPointsCount(points);
      diagram.AddMeasurement(m);
      diagram.AddDataTrace()->SetMeasurement(m);
    }
    ramp.AddData(0, points, x.data(), r.data(), nullptr);
    Sweep(1);
  }
  void Sweep(int blocks) {
    const int n = static_cast<int>(x.size());
    for (int b = 0; b < blocks; ++b) {
      const int from = static_cast<int>(static_cast<long long>(n) * b / blocks);
      const int to = static_cast<int>(static_cast<long long>(n) * (b + 1) / blocks);
      wavy.AddData(from, to - from, x.data() + from, y.data() + from, nullptr);
    }
  }
  const double* Y(unsigned trace) { return diagram.Trace(trace)->DisplayData().Y(); }
  CMarker& Marker(unsigned i) { return *diagram.GetMarkers()->Marker(i); }
  CMarker& Place(unsigned i, EMarkMode mode, int trace = 0) {
    SMarkParams p = DefaultMarkParams();
    p.parked = false;
    p.enabled = true;
    p.mode = mode;
    p.traceIndex = trace;
    p.lines.set(static_cast<std::size_t>(trace) + 2);
    Marker(i).SetParams(p);
    return Marker(i);
  }
};

Setup& Big() {
  static Setup setup(kBig);
  return setup;
}

void Run(benchmark::State& state, CMarker& marker) {
  marker.Update();
  if (std::isnan(marker.GetFreq())) state.SkipWithError("the marker found nothing");
  for (auto _ : state) {
    marker.Update();
    benchmark::DoNotOptimize(marker.GetFreq());
  }
}

void BM_MarkerMaximum(benchmark::State& state) { Run(state, Big().Place(0, mmMaximum)); }
void BM_MarkerMinimum(benchmark::State& state) { Run(state, Big().Place(1, mmMinimum)); }

void BM_MarkerLevel(benchmark::State& state) {
  CMarker& marker = Big().Place(2, mmFixed, 1);
  SMarkParams p = marker.GetParams();
  p.fixedLevel = -99.9;
  marker.SetParams(p);
  Run(state, marker);
}

void BM_MarkerNthExtremum(benchmark::State& state) {
  CMarker& marker = Big().Place(3, mmMaximum);
  SMarkParams p = marker.GetParams();
  p.extremeMode = emFixed;
  p.excursion = 8;
  p.extremumIndex = 95;  // the last maximum but one: the walk crosses nearly the whole sweep
  marker.SetParams(p);
  Run(state, marker);
}

void BM_MaxElement(benchmark::State& state) {
  const double* y = Big().Y(0);
  for (auto _ : state) benchmark::DoNotOptimize(std::max_element(y, y + kBig));
}
void BM_MinElement(benchmark::State& state) {
  const double* y = Big().Y(0);
  for (auto _ : state) benchmark::DoNotOptimize(std::min_element(y, y + kBig));
}
// The first crossing of a level between neighbouring points, interpolated.
void BM_PlainCrossing(benchmark::State& state) {
  const double* y = Big().Y(1);
  const double* x = Big().diagram.Trace(1u)->DisplayData().X();
  const double level = -99.9;
  for (auto _ : state) {
    double found = NAN;
    for (int i = 0; i + 1 < kBig; ++i) {
      const double a = y[i], b = y[i + 1];
      if ((a >= level && level >= b) || (a <= level && level <= b)) {
        found = a == b ? x[i] : x[i] + (x[i + 1] - x[i]) * (level - a) / (b - a);
        break;
      }
    }
    benchmark::DoNotOptimize(found);
  }
}

Setup& Thirty() {
  static Setup* setup = [] {
    auto* s = new Setup(kSweep);
    for (unsigned i = 0; i < 30; ++i) s->Place(i, i % 2 == 0 ? mmMaximum : mmMinimum);
    return s;
  }();
  return *setup;
}

void BM_ThirtyMarkers(benchmark::State& state) {
  Setup& s = Thirty();
  TraceInterface* trace = s.diagram.Trace(0u);
  for (auto _ : state) s.diagram.GetMarkers()->Update(trace);
  if (s.Marker(29).ReadOut().size() < 3) state.SkipWithError("no read-out");
}
void BM_ThirtyPlainPasses(benchmark::State& state) {
  const double* y = Thirty().Y(0);
  for (auto _ : state)
    for (int i = 0; i < 30; ++i)
      benchmark::DoNotOptimize(i % 2 == 0 ? std::max_element(y, y + kSweep) : std::min_element(y, y + kSweep));
}

void BM_SweepIn64BlocksWithThirtyMarkers(benchmark::State& state) {
  for (auto _ : state) Thirty().Sweep(64);
}
void BM_SweepInOneBlockWithThirtyMarkers(benchmark::State& state) {
  for (auto _ : state) Thirty().Sweep(1);
}

}  // namespace

BENCHMARK(BM_MarkerMaximum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MaxElement)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarkerMinimum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MinElement)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarkerLevel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainCrossing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarkerNthExtremum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThirtyMarkers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThirtyPlainPasses)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SweepIn64BlocksWithThirtyMarkers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SweepInOneBlockWithThirtyMarkers)->Unit(benchmark::kMicrosecond);

PVBENCH_MAIN({
    {"marker_maximum_1000001", "BM_MarkerMaximum", "BM_MaxElement", 1.5, 1, "us"},
    {"marker_minimum_1000001", "BM_MarkerMinimum", "BM_MinElement", 1.5, 1, "us"},
    {"marker_level_1000001", "BM_MarkerLevel", "BM_PlainCrossing", 1.5, 1, "us"},
    {"marker_nth_extremum_1000001", "BM_MarkerNthExtremum", "BM_MaxElement", 1.5, 1, "us"},
    {"markers_30_update_100001", "BM_ThirtyMarkers", "BM_ThirtyPlainPasses", 2.0, 1, "us"},
    {"markers_30_sweep_in_64_blocks", "BM_SweepIn64BlocksWithThirtyMarkers", "BM_SweepInOneBlockWithThirtyMarkers",
     1.5, 1, "us"},
})
