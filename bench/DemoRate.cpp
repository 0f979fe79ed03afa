// The demo at 100,001 points: it asks its simulated instrument for 20 sweeps a second,
// offscreen, for 5 s, and must deliver at least 19 a second. The demo runs as its own
// process, as a person starts it; its CPU time per sweep is set beside the simulator's own
// cost of one sweep, measured here, so the share the simulator takes of a profile shows.
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchTarget.h"
#include "Simulator.h"
#include "measurements/Measurement.h"

namespace {

constexpr int kPoints = 100001;
constexpr double kAskedRate = 20;
constexpr double kRequiredRate = 19;
constexpr double kSeconds = 5;

double g_rate = -1;           // sweeps per second the demo delivered
double g_demoCpuPerSweep = 0;  // s

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void BM_DemoOffscreen100k(benchmark::State& state) {
  const std::filesystem::path bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  const std::filesystem::path picture = std::filesystem::temp_directory_path() / "plotvane-bench-demo.png";
  char command[1024];
  std::snprintf(command, sizeof command,
                "'%s' --offscreen --points %d --rate %g --duration %g --snapshot '%s' 2>&1",
                (bin / "plotvane-demo").c_str(), kPoints, kAskedRate, kSeconds, picture.c_str());
  for (auto _ : state) {
    const double cpuBefore = ChildCpuSeconds();
    std::unique_ptr<FILE, int (*)(FILE*)> demo(popen(command, "r"), pclose);
    if (!demo) {
      state.SkipWithError("plotvane-demo could not be started");
      return;
    }
    char line[512];
    int sweeps = 0;
    double seconds = 0;
    while (std::fgets(line, sizeof line, demo.get()) != nullptr) {
      std::fputs(line, stdout);
      int points = 0;
      std::sscanf(line, "delivered %d sweeps of %d points in %lf s", &sweeps, &points, &seconds);
    }
    const int status = pclose(demo.release());
    if (status != 0 || sweeps <= 0 || seconds <= 0) {
      state.SkipWithError("the demo did not report its sweeps");
      return;
    }
    g_rate = sweeps / seconds;
    g_demoCpuPerSweep = (ChildCpuSeconds() - cpuBefore) / sweeps;
    state.SetIterationTime(g_demoCpuPerSweep);
    state.counters["sweeps_per_s"] = g_rate;
  }
  std::filesystem::remove(picture);
}

// One sweep of the channels the demo's default layout measures (S11, S21, the spectrum),
// into channels nobody subscribes to: the simulator alone.
void BM_SimulatorSweep100k(benchmark::State& state) {
  std::vector<std::unique_ptr<CMeasurement>> owned;
  CInstrumentSimulator sim(
      [&] {
        owned.push_back(std::make_unique<CMeasurement>());
        return owned.back().get();
      },
      kPoints);
  for (const wchar_t* name : {L"S11", L"S21", L"Спектр"}) sim.OnParameter(sim.Channel(name), L"Using", 1, 0);
  for (auto _ : state) sim.Sweep();
}

}  // namespace

BENCHMARK(BM_DemoOffscreen100k)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulatorSweep100k)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  const int status = pvbench::Main(
      argc, argv, {{"demo_simulator_share", "BM_SimulatorSweep100k", "BM_DemoOffscreen100k/iterations:1/manual_time", 0, 1, "ms"}});
  if (g_rate < 0) {
    std::printf("target demo_100k_sweeps_per_second: not measured in this run (filtered out)\n");
    return status;
  }
  // A floor, not a ceiling: the delivered rate must reach 19 of the 20 asked.
  const bool pass = g_rate >= kRequiredRate;
  std::printf("target demo_100k_sweeps_per_second: %.4g sweeps/s vs asked %g sweeps/s = %.2fx (limit %.2fx) %s\n",
              g_rate, kAskedRate, g_rate / kAskedRate, kRequiredRate / kAskedRate, pass ? "PASS" : "FAIL");
  return pass ? status : 2;
}
