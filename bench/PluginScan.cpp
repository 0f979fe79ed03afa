// Start-up cost of the out-of-process plug-in scan: a factory over a folder of packages with
// the scan cache warm (every package known: one file read and a stat each) and cold (every
// package scanned by the scanner program), beside loading the same packages in this process
// alone (dlopen, the name and type exports, dlclose) as the loader did before any scan.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "common/Log.h"
#include "common/Text.h"
#include "core/PluginApi.h"
#include "core/PluginManager.h"
#include "core/PluginScan.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPackages = 8;  // a plug-in folder of a well equipped instrument

class QuietLog : public ILogSink {
 public:
  void Write(std::wstring_view, std::wstring_view, bool) override {}
};

// kPackages copies of the bench package in a folder of their own, and a cache file beside.
struct ScanFolder {
  fs::path root = fs::temp_directory_path() / ("plotvane-bench-scan-" + std::to_string(::getpid()));
  fs::path folder = root / "diagram_plugins";
  fs::path cache = root / "scan.cache";
  std::vector<std::string> packages;
  SPluginScanSettings previous;

  ScanFolder() {
    SetLogSink(std::make_shared<QuietLog>());
    fs::create_directories(folder);
    for (int i = 0; i < kPackages; ++i) {
      const fs::path to = folder / ("FilterBench" + std::to_string(i) + ".so");
      fs::copy_file(PLOTVANE_BENCH_PLUGIN_DIR "/FilterBench.so", to, fs::copy_options::overwrite_existing);
      packages.push_back(to.string());
    }
    SPluginScanSettings s;
    s.cacheFile = cache.string();
    previous = SetPluginScanSettings(s);
  }
  ~ScanFolder() {
    SetPluginScanSettings(previous);
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  std::wstring Mask() const { return Utf8ToWide((folder / "Filter*.so").string()); }
};

void BM_FactoryScanWarm(benchmark::State& state) {
  ScanFolder f;
  { CModulesFactory fill(L"FILTER", f.Mask().c_str()); }  // the first start fills the cache
  for (auto _ : state) {
    CModulesFactory factory(L"FILTER", f.Mask().c_str());
    if (factory.Count() != kPackages) state.SkipWithError("the packages did not load");
    benchmark::DoNotOptimize(factory.Count());
  }
}
BENCHMARK(BM_FactoryScanWarm)->Unit(benchmark::kMillisecond);

void BM_FactoryScanCold(benchmark::State& state) {
  ScanFolder f;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(f.cache);
    state.ResumeTiming();
    CModulesFactory factory(L"FILTER", f.Mask().c_str());
    if (factory.Count() != kPackages) state.SkipWithError("the packages did not load");
    benchmark::DoNotOptimize(factory.Count());
  }
}
BENCHMARK(BM_FactoryScanCold)->Unit(benchmark::kMillisecond);

void BM_LoadInProcessOnly(benchmark::State& state) {
  ScanFolder f;
  for (auto _ : state) {
    std::vector<void*> modules;
    for (const std::string& path : f.packages) {
      void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (module == nullptr) {
        state.SkipWithError("the packages did not load");
        break;
      }
      auto name = reinterpret_cast<PluginNameFunc>(dlsym(module, kPluginExportName));
      auto type = reinterpret_cast<PluginTypeFunc>(dlsym(module, kPluginExportType));
      benchmark::DoNotOptimize(Utf8ToWide(name()) + Utf8ToWide(type()));
      modules.push_back(module);
    }
    for (void* module : modules) dlclose(module);
  }
}
BENCHMARK(BM_LoadInProcessOnly)->Unit(benchmark::kMillisecond);

}  // namespace

// Per package. Warm: the scan must cost at most as much again as the loading it protects.
// Cold: reported; it is paid once per new or changed package.
PVBENCH_MAIN({{"plugin_scan_warm", "BM_FactoryScanWarm", "BM_LoadInProcessOnly", 2.0, kPackages, "ms"},
              {"plugin_scan_cold", "BM_FactoryScanCold", "BM_LoadInProcessOnly", 0, kPackages, "ms"}})
