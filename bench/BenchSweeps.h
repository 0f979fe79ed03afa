#pragma once
// The four 100,001-point sweeps the drawing benchmarks draw: 1 … 2 GHz, slow swings with
// point-to-point noise, each trace on its own level.
#include <array>
#include <cmath>
#include <vector>

namespace pvbench {

constexpr int kSweepPoints = 100001;
constexpr int kSweepTraces = 4;

struct Sweeps {
  std::array<std::vector<double>, kSweepTraces> x, y;
  Sweeps() {
    for (int t = 0; t < kSweepTraces; ++t) {
      x[t].resize(kSweepPoints);
      y[t].resize(kSweepPoints);
      for (int i = 0; i < kSweepPoints; ++i) {
        x[t][i] = 1e9 + i * 1e4;
        y[t][i] = -20 * (t + 1) + 10 * std::sin(i * 0.001 * (t + 1)) + 3 * std::sin(i * 0.77);
      }
    }
  }
};

inline const Sweeps& SweepData() {
  static const Sweeps sweeps;
  return sweeps;
}

}  // namespace pvbench
