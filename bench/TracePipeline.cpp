// A sweep's way through a trace: ProcessData copies the points into the source buffer and
// writes them into the series, so a complete sweep should cost a small multiple of copying
// its bytes once. ResponseByX is one bracketing search, so it should cost about what one
// lower_bound over the stimulus costs.
#include <algorithm>
#include <cstring>
#include <vector>

#include "BenchTarget.h"
#include "traces/Trace.h"

namespace {

constexpr int kPoints = 100001;

class CBenchTrace : public CTraceMathSource {
 public:
  using CTraceMathSource::CTraceMathSource;
  std::wstring GetTraceType() const override { return L"Measuring"; }
  bool IsFixedRef() const override { return false; }
  void SetDiagram(DiagramInterface* diagram) override { diagram_ = diagram; }
};

struct Sweep {
  std::vector<double> x, y, z;
  Sweep() : x(kPoints), y(kPoints), z(kPoints) {
    for (int i = 0; i < kPoints; ++i) {
      x[i] = 1e9 + i * 1e4;
      y[i] = -20 + (i % 97) * 0.1;
      z[i] = 0.5 - (i % 89) * 0.01;
    }
  }
};

void Feed(CBenchTrace& trace, Sweep& s, bool withZ) {
  bool reset = false;
  int size = kPoints, offset = 0, count = kPoints;
  double *x = s.x.data(), *y = s.y.data(), *z = withZ ? s.z.data() : nullptr;
  trace.ProcessData(reset, size, offset, count, x, y, z);
}

void RunProcessData(benchmark::State& state, EPlot plot, bool withZ) {
  Sweep s;
  CBenchTrace trace(nullptr);
  trace.SetPlot(plot);
  Feed(trace, s, withZ);  // the first sweep sizes every buffer
  for (auto _ : state) Feed(trace, s, withZ);
  benchmark::DoNotOptimize(trace.Value(vtResponse, kPoints / 2));
}

void BM_ProcessDataRect(benchmark::State& state) { RunProcessData(state, plRect, true); }
void BM_ProcessDataSmith(benchmark::State& state) { RunProcessData(state, plSmith, true); }

// The spectrum history keeps 1000 sweeps; fill it before measuring so every sweep recycles
// the oldest level, as it does in a long run.
void BM_ProcessDataSpectrum(benchmark::State& state) {
  Sweep s;
  CBenchTrace trace(nullptr);
  trace.SetPlot(plSpectrogram);
  for (int i = 0; i < 1000; ++i) Feed(trace, s, false);
  for (auto _ : state) Feed(trace, s, false);
  benchmark::DoNotOptimize(trace.Value(vtResponse, kPoints / 2));
}

// Copying the same input bytes (x, y and z) once.
void BM_MemcpySweep(benchmark::State& state) {
  Sweep s;
  std::vector<double> dx(kPoints), dy(kPoints), dz(kPoints);
  for (auto _ : state) {
    std::memcpy(dx.data(), s.x.data(), kPoints * sizeof(double));
    std::memcpy(dy.data(), s.y.data(), kPoints * sizeof(double));
    std::memcpy(dz.data(), s.z.data(), kPoints * sizeof(double));
    benchmark::ClobberMemory();
  }
}

// Reads at stimulus values spread over the sweep, off the points.
std::vector<double> Probes(const Sweep& s) {
  std::vector<double> probes(1024);
  for (std::size_t i = 0; i < probes.size(); ++i) probes[i] = s.x[(i * 97) % (kPoints - 1)] + 3.7e3;
  return probes;
}

void BM_ResponseByX(benchmark::State& state) {
  Sweep s;
  CBenchTrace trace(nullptr);
  Feed(trace, s, false);
  const std::vector<double> probes = Probes(s);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(trace.ResponseByX(vtResponse, probes[i++ & 1023]));
  }
}

void BM_LowerBound(benchmark::State& state) {
  Sweep s;
  const std::vector<double> probes = Probes(s);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::lower_bound(s.x.begin(), s.x.end(), probes[i++ & 1023]));
  }
}

}  // namespace

BENCHMARK(BM_ProcessDataRect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessDataSmith)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessDataSpectrum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpySweep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResponseByX);
BENCHMARK(BM_LowerBound);

PVBENCH_MAIN({
    {"process_data_rect_100001", "BM_ProcessDataRect", "BM_MemcpySweep", 3.0, 1, "us"},
    {"process_data_smith_per_point", "BM_ProcessDataSmith", "BM_MemcpySweep", 0, kPoints, "ns"},
    {"process_data_spectrum_per_point", "BM_ProcessDataSpectrum", "BM_MemcpySweep", 0, kPoints, "ns"},
    {"response_by_x_100001", "BM_ResponseByX", "BM_LowerBound", 3.0},
})
