#include "BenchTarget.h"

#include <cstdio>
#include <map>

namespace pvbench {
namespace {

// Console output as usual, plus the mean real time of every run in nanoseconds; of a
// benchmark's repetitions the fastest counts, the one least disturbed by the rest of the
// machine.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ns;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double toNs = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      const double value = run.GetAdjustedRealTime() * toNs;
      benchmark::BenchmarkName name = run.run_name;
      name.repetitions.clear();  // targets name a benchmark, not its repetitions
      auto [it, added] = ns.emplace(name.str(), value);
      if (!added && value < it->second) it->second = value;
    }
  }
};

double Scale(double nsValue, const std::string& unit) {
  if (unit == "us") return nsValue / 1e3;
  if (unit == "ms") return nsValue / 1e6;
  if (unit == "s") return nsValue / 1e9;
  return nsValue;
}

}  // namespace

int Main(int argc, char** argv, const std::vector<Target>& targets,
         const std::vector<AbsoluteTarget>& absolute) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  bool allPassed = true;
  std::printf("\n");
  for (const Target& t : targets) {
    auto m = reporter.ns.find(t.measured);
    auto b = reporter.ns.find(t.baseline);
    if (m == reporter.ns.end() || b == reporter.ns.end()) {
      std::printf("target %s: not measured in this run (filtered out)\n", t.name.c_str());
      continue;
    }
    const double mv = Scale(m->second / t.divisor, t.unit);
    const double bv = Scale(b->second / t.divisor, t.unit);
    const double ratio = bv > 0 ? mv / bv : 0;
    if (t.limit > 0) {
      const bool pass = ratio <= t.limit;
      allPassed = allPassed && pass;
      std::printf("target %s: %.4g %s vs %s %.4g %s = %.2fx (limit %gx) %s\n", t.name.c_str(), mv,
                  t.unit.c_str(), t.baseline.c_str(), bv, t.unit.c_str(), ratio, t.limit,
                  pass ? "PASS" : "FAIL");
    } else {
      std::printf("report %s: %.4g %s vs %s %.4g %s = %.2fx\n", t.name.c_str(), mv, t.unit.c_str(),
                  t.baseline.c_str(), bv, t.unit.c_str(), ratio);
    }
  }
  for (const AbsoluteTarget& t : absolute) {
    auto m = reporter.ns.find(t.measured);
    if (m == reporter.ns.end()) {
      std::printf("target %s: not measured in this run (filtered out)\n", t.name.c_str());
      continue;
    }
    const double mv = Scale(m->second / t.divisor, t.unit);
    if (t.limit <= 0) {
      std::printf("report %s: %.4g %s\n", t.name.c_str(), mv, t.unit.c_str());
      continue;
    }
    const bool pass = mv <= t.limit;
    allPassed = allPassed && pass;
    std::printf("target %s: %.4g %s (limit %g %s) %s\n", t.name.c_str(), mv, t.unit.c_str(), t.limit,
                t.unit.c_str(), pass ? "PASS" : "FAIL");
  }
  return allPassed ? 0 : 2;
}

}  // namespace pvbench
