// What one trace holds beyond the host's own arrays while it shows a sweep of ten million
// points: its source buffer, its display buffer and the working copy of a block. Measured as
// the growth of the process's resident memory, so every allocation counts, ours or not.
// The figure is reported in bytes per point through the benchmark's manual time.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchTarget.h"
#include "measurements/Measurement.h"
#include "traces/TraceData.h"

namespace {

constexpr int kPoints = 10'000'000;

double ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void Measure(benchmark::State& state, bool complex) {
  std::vector<double> x(kPoints), y(kPoints), z(complex ? kPoints : 0);
  for (int i = 0; i < kPoints; ++i) {
    x[i] = 1e6 + i;
    y[i] = -20 + (i % 97) * 0.1;
    if (complex) z[i] = 0.5 - (i % 89) * 0.01;
  }
  for (auto _ : state) {
    CMeasurement channel;
    channel.SetPointsCount(kPoints);
    channel.SetStimulusRange(x.front(), x.back(), true);
    const double before = ResidentBytes();
    {
      auto trace = std::make_unique<CTraceData>(nullptr);
      trace->SetMeasurement(&channel);
      for (int sweep = 0; sweep < 2; ++sweep) channel.AddData(0, kPoints, x.data(), y.data(), complex ? z.data() : nullptr);
      const double perPoint = (ResidentBytes() - before) / kPoints;
      benchmark::DoNotOptimize(trace->Value(vtResponse, kPoints / 2));
      state.SetIterationTime(perPoint * 1e-9);  // reads as nanoseconds: bytes per point
    }
  }
}

void BM_TraceBytesPerPointScalar(benchmark::State& state) { Measure(state, false); }
void BM_TraceBytesPerPointComplex(benchmark::State& state) { Measure(state, true); }

}  // namespace

BENCHMARK(BM_TraceBytesPerPointScalar)->UseManualTime()->Iterations(1);
BENCHMARK(BM_TraceBytesPerPointComplex)->UseManualTime()->Iterations(1);

PVBENCH_MAIN({}, {
    {"trace_bytes_per_point_10M_scalar", "BM_TraceBytesPerPointScalar/iterations:1/manual_time", 48, 1, "B"},
    {"trace_bytes_per_point_10M_complex", "BM_TraceBytesPerPointComplex/iterations:1/manual_time", 48, 1, "B"},
})
