// Expression interpreter over a sweep of 100k points, as math traces use it: the bulk
// entry point against the same arithmetic written as a plain loop, and the point-by-point
// SetVariable + Calculate path for reference.
#include <cmath>
#include <vector>

#include "BenchTarget.h"
#include "core/Interpreter.h"

namespace {

constexpr int kPoints = 100000;

struct SSweep {
  std::vector<double> a, b, out;
  SSweep() : a(kPoints), b(kPoints), out(kPoints) {
    for (int i = 0; i < kPoints; ++i) {
      a[i] = -80.0 + 60.0 * std::sin(i * 0.001) + (i % 13) * 0.1;
      b[i] = -75.0 + 10.0 * std::cos(i * 0.003);
    }
  }
};

SSweep& Sweep() {
  static SSweep sweep;
  return sweep;
}

IInterpreterPtr Prepared(const wchar_t* expression) {
  IInterpreterPtr interp = CreateInterpreter();
  interp->DeclareVariable(L"A");
  interp->DeclareVariable(L"B");
  interp->SetExpression(expression);
  return interp;
}

void BM_PlainSub(benchmark::State& state) {
  SSweep& s = Sweep();
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) s.out[i] = s.a[i] - s.b[i];
    benchmark::DoNotOptimize(s.out.data());
    benchmark::ClobberMemory();
  }
}

void BM_InterpSub(benchmark::State& state) {
  SSweep& s = Sweep();
  IInterpreterPtr interp = Prepared(L"A-B");
  for (auto _ : state) {
    interp->CalculateArrays(s.a.data(), s.b.data(), s.out.data(), kPoints);
    benchmark::DoNotOptimize(s.out.data());
    benchmark::ClobberMemory();
  }
}

void BM_PlainLog(benchmark::State& state) {
  SSweep& s = Sweep();
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) s.out[i] = 20 * std::log10(std::fabs(s.a[i]));
    benchmark::DoNotOptimize(s.out.data());
    benchmark::ClobberMemory();
  }
}

void BM_InterpLog(benchmark::State& state) {
  SSweep& s = Sweep();
  IInterpreterPtr interp = Prepared(L"20*log(abs(A))");
  for (auto _ : state) {
    interp->CalculateArrays(s.a.data(), s.b.data(), s.out.data(), kPoints);
    benchmark::DoNotOptimize(s.out.data());
    benchmark::ClobberMemory();
  }
}

void BM_InterpPerPoint(benchmark::State& state) {
  SSweep& s = Sweep();
  IInterpreterPtr interp = Prepared(L"A-B");
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) {
      interp->SetVariable(L"A", s.a[i]);
      interp->SetVariable(L"B", s.b[i]);
      interp->Calculate(&s.out[i]);
    }
    benchmark::DoNotOptimize(s.out.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_PlainSub);
BENCHMARK(BM_InterpSub);
BENCHMARK(BM_PlainLog);
BENCHMARK(BM_InterpLog);
BENCHMARK(BM_InterpPerPoint);

}  // namespace

PVBENCH_MAIN({{"interp_sub_vs_loop", "BM_InterpSub", "BM_PlainSub", 0, kPoints},
              {"interp_log", "BM_InterpLog", "BM_PlainLog", 3, kPoints},
              {"interp_per_point", "BM_InterpPerPoint", "BM_PlainSub", 0, kPoints}},
             {{"interp_sub", "BM_InterpSub", 30, kPoints}})
