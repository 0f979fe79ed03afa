#pragma once
// Shared ending of every benchmark program: runs the registered benchmarks,
// keeps each run's time and prints one verdict line per speed target, e.g.
//   target interp_sub: 3.1 ns vs plain_loop 1.2 ns = 2.6x (limit 30x) PASS
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace pvbench {

struct Target {
  std::string name;      // short name of the target in the verdict line
  std::string measured;  // benchmark name (as Google Benchmark prints it)
  std::string baseline;  // benchmark name of the baseline measured in the same run
  double limit = 0;      // allowed ratio measured / baseline; 0 only reports
  double divisor = 1;    // divide both times by this (per point, per pair ...)
  std::string unit = "ns";
};

// Absolute limits: the measured time itself must not exceed `limit` in `unit`
// (used where a target is a plain figure, e.g. "30 ns per point"); a limit of 0 only reports.
struct AbsoluteTarget {
  std::string name;
  std::string measured;
  double limit = 0;
  double divisor = 1;
  std::string unit = "ns";
};

int Main(int argc, char** argv, const std::vector<Target>& targets,
         const std::vector<AbsoluteTarget>& absolute = {});

}  // namespace pvbench

#define PVBENCH_MAIN(...)                                   \
  int main(int argc, char** argv) {                         \
    return pvbench::Main(argc, argv, __VA_ARGS__);          \
  }
