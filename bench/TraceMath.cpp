// Math traces and network files at a sweep of 100,001 points: A − B through the interpreter
// against the plain loop fed through the same pipeline, complex A / B (with the pipeline)
// against a bare std::complex loop, and reading a two-port Touchstone file against reading
// the same numbers with from_chars.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "common/Text.h"
#include "traces/TraceMath.h"
#include "traces/TraceStatic.h"
#include "traces/Touchstone.h"

namespace {

constexpr int kPoints = 100001;

// Two memory traces holding a complex sweep each, and a math trace over them.
struct MathSetup {
  CTraceStatic a{nullptr}, b{nullptr};
  CTraceMath math{nullptr};
  explicit MathSetup(bool complex) {
    STouchstoneData network;
    network.ports = 1;
    network.reference = {50};
    for (int i = 0; i < kPoints; ++i) {
      network.frequencies.push_back(1e9 + 1e4 * i);
      network.values.emplace_back(0.5 + 1e-6 * i, -0.25 + 2e-6 * i);
    }
    a.TakeNetworkParameter(network, 0, 0, L"a.s1p");
    for (auto& v : network.values) v *= std::complex<double>(0.5, 0.1);
    b.TakeNetworkParameter(network, 0, 0, L"b.s1p");
    math.SetSrcQuantity(vtResponse, L"Cmplx");
    math.SetSourceTrace(0, &a);
    math.SetSourceTrace(1, &b);
    math.SetMode(complex ? CTraceMath::kFirstComplexMode + 3 : 0);
  }
  // A delivers its sweep again: the math trace computes every point.
  void Sweep() { math.TraceChanged(STraceChange{tcData, &a, 0, kPoints, kPoints, false}); }
};

void BM_MathDifference(benchmark::State& state) {
  MathSetup s(false);
  s.Sweep();
  if (s.math.Count() != kPoints) state.SkipWithError("the math trace computed nothing");
  for (auto _ : state) s.Sweep();
}

// The same difference by a plain loop into the math trace's block, then through the trace's
// own pipeline (filters, source and display buffers), as the math trace does with its result.
void BM_PlainDifference(benchmark::State& state) {
  MathSetup s(false);
  CBlockBuffers buffers;
  const double* x = s.a.DisplayData().X();
  const double* a = s.a.DisplayData().Y();
  const double* b = s.b.DisplayData().Y();
  for (auto _ : state) {
    SBlock block{false, 0, kPoints, kPoints};
    buffers.Prepare(block, kPoints, false);
    std::copy(x, x + kPoints, block.x);
    for (int i = 0; i < kPoints; ++i) block.y[i] = a[i] - b[i];
    s.math.Process(block);
    buffers.Settle(block);
  }
}

// The arithmetic alone, for the report line.
void BM_BareDifference(benchmark::State& state) {
  MathSetup s(false);
  std::vector<double> out(kPoints);
  const double* a = s.a.DisplayData().Y();
  const double* b = s.b.DisplayData().Y();
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) out[i] = a[i] - b[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

void BM_MathComplexDivision(benchmark::State& state) {
  MathSetup s(true);
  s.Sweep();
  if (s.math.Count() != kPoints) state.SkipWithError("the math trace computed nothing");
  for (auto _ : state) s.Sweep();
}

void BM_PlainComplexDivision(benchmark::State& state) {
  MathSetup s(true);
  std::vector<std::complex<double>> a(kPoints), b(kPoints), out(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    a[i] = {s.a.SrcValue(vtResponse, i), s.a.SrcValue(vtResponseIm, i)};
    b[i] = {s.b.SrcValue(vtResponse, i), s.b.SrcValue(vtResponseIm, i)};
  }
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) out[i] = a[i] / b[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// A two-port file of 100,001 points in the temporary folder.
const std::string& NetworkFile() {
  static const std::string path = [] {
    STouchstoneData network;
    network.ports = 2;
    network.reference = {50, 50};
    for (int i = 0; i < kPoints; ++i) {
      network.frequencies.push_back(1e9 + 1e4 * i);
      for (int k = 0; k < 4; ++k) network.values.emplace_back(0.1 * k + 1e-6 * i, -0.2 + 3e-6 * i);
    }
    const std::string file = std::string(std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp") +
                             "/plotvane-bench-" + std::to_string(::getpid()) + ".s2p";
    SaveTouchstone(Utf8ToWide(file), network, 1, tfRI);
    return file;
  }();
  return path;
}

void BM_LoadTouchstone(benchmark::State& state) {
  const std::wstring path = Utf8ToWide(NetworkFile());
  for (auto _ : state) {
    STouchstoneData network;
    if (!LoadTouchstone(path, network) || network.Points() != kPoints) state.SkipWithError("the file did not load");
    benchmark::DoNotOptimize(network.values.data());
  }
}

// The file read whole, every number after the option line parsed with from_chars.
void BM_FromCharsFile(benchmark::State& state) {
  const std::string path = NetworkFile();
  std::vector<double> numbers;
  numbers.reserve(9 * kPoints);
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    numbers.clear();
    const char* p = all.data() + all.find('\n', all.find('#'));
    const char* end = all.data() + all.size();
    while (p < end) {
      while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) ++p;
      double v = 0;
      const auto [next, error] = std::from_chars(p, end, v);
      if (error != std::errc()) break;
      numbers.push_back(v);
      p = next;
    }
    benchmark::DoNotOptimize(numbers.data());
  }
  if (numbers.size() != 9u * kPoints) state.SkipWithError("the numbers did not all parse");
}

}  // namespace

BENCHMARK(BM_MathDifference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainDifference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareDifference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MathComplexDivision)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainComplexDivision)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadTouchstone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromCharsFile)->Unit(benchmark::kMillisecond);

PVBENCH_MAIN({
    {"math_difference_100001", "BM_MathDifference", "BM_PlainDifference", 3.0, 1, "us"},
    {"math_difference_vs_bare_loop", "BM_MathDifference", "BM_BareDifference", 0, 1, "us"},
    {"math_complex_division_100001", "BM_MathComplexDivision", "BM_PlainComplexDivision", 2.0, 1, "us"},
    {"touchstone_load_s2p_100001", "BM_LoadTouchstone", "BM_FromCharsFile", 3.0, 1, "ms"},
})
