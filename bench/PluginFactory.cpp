// Creating and destroying filter objects through a loaded plug-in package, beside a plain
// new/delete of the same class built into this program.
#include <benchmark/benchmark.h>

#include <vector>

#include "BenchTarget.h"
#include "common/Log.h"
#include "core/PluginManager.h"
#include "plugins/BenchFilter.h"

namespace {

constexpr int kObjects = 10000;

// The loader logs each load and unload; keep the file sink out of the figures.
class QuietLog : public ILogSink {
 public:
  void Write(std::wstring_view, std::wstring_view, bool) override {}
};

void BM_FactoryCreateDestroy(benchmark::State& state) {
  SetLogSink(std::make_shared<QuietLog>());
  CModulesFactory factory(L"FILTER", PLOTVANE_BENCH_PLUGIN_DIR L"/FilterBench.so");
  if (factory.Count() != 1) {
    state.SkipWithError("bench plug-in not found");
    return;
  }
  // One object lives throughout, so the package stays loaded as it does in a running
  // diagram; the pairs measure creation and destruction, not dlopen.
  void* anchor = nullptr;
  factory.CreateInstance(anchor, 0);
  std::vector<void*> objects(kObjects);
  for (auto _ : state) {
    for (void*& object : objects) factory.CreateInstance(object, 0);
    // Traces destroy their filters last first, as the package searches its live objects.
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) factory.DestroyInstance(*it);
    benchmark::DoNotOptimize(objects.data());
  }
  factory.DestroyInstance(anchor);
}
BENCHMARK(BM_FactoryCreateDestroy)->Unit(benchmark::kMicrosecond);

void BM_PlainNewDelete(benchmark::State& state) {
  std::vector<CFilter*> objects(kObjects);
  for (auto _ : state) {
    for (CFilter*& object : objects) {
      object = new CBenchFilter();
      benchmark::DoNotOptimize(object);
    }
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) delete *it;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PlainNewDelete)->Unit(benchmark::kMicrosecond);

}  // namespace

PVBENCH_MAIN({{"plugin_create_destroy", "BM_FactoryCreateDestroy", "BM_PlainNewDelete", 0, kObjects, "ns"}})
