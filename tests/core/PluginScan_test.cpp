#include "core/PluginScan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "core/PluginApi.h"
#include "core/PluginManager.h"
#include "support/Capture.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kPlugins = PLOTVANE_TEST_PLUGIN_DIR;

// Scan settings of one test: its own cache file and a short time-out, restored afterwards.
class ScanSettings {
 public:
  explicit ScanSettings(const fs::path& cache, std::string scanner = {}) {
    SPluginScanSettings s;
    s.cacheFile = cache.string();
    s.scanner = std::move(scanner);
    s.timeoutMs = 1500;
    previous_ = SetPluginScanSettings(s);
  }
  ~ScanSettings() { SetPluginScanSettings(previous_); }

 private:
  SPluginScanSettings previous_;
};

fs::path CopyPackage(const fs::path& from, const fs::path& dir, const std::string& as) {
  fs::copy_file(from, dir / as, fs::copy_options::overwrite_existing);
  return dir / as;
}

bool Logged(const LogCapture& log, const std::wstring& text) { return log.Saw(L"Factory", text); }

}  // namespace

// A package that throws, aborts or hangs while it is being loaded would end the host; the
// scan in a process of its own finds that out and the factory goes on with the others.
TEST(PluginScan, PackagesThatFailWhileLoadingAreSkippedAndTheRestLoad) {
  const fs::path dir = FreshDir("scan-unsafe");
  const fs::path folder = dir / "diagram_plugins";
  fs::create_directory(folder);
  for (const char* file : {"FilterThrowsAtLoad.so", "FilterAbortsAtLoad.so", "FilterHangsAtLoad.so"})
    CopyPackage(kPlugins / "unsafe" / file, folder, file);
  CopyPackage(kPlugins / "FilterScale.so", folder, "FilterScale.so");
  ScanSettings settings(dir / "scan.cache");

  LogCapture log;
  const auto started = std::chrono::steady_clock::now();
  CModulesFactory factory(L"FILTER", (folder / "Filter*.so").wstring().c_str());
  const auto took = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(factory.Count(), 1);
  EXPECT_EQ(factory.GetName(0), L"SCALE");
  EXPECT_TRUE(Logged(log, L"Scanned FilterThrowsAtLoad.so: crashed, loading ended with signal 6"));
  EXPECT_TRUE(Logged(log, L"this package refuses to load"));  // what the scanner said last
  EXPECT_TRUE(Logged(log, L"Scanned FilterAbortsAtLoad.so: crashed, loading ended with signal 6"));
  EXPECT_TRUE(Logged(log, L"Scanned FilterHangsAtLoad.so: timeout, did not finish loading in time"));
  EXPECT_TRUE(Logged(log, L"Scanned FilterScale.so: loaded (\"SCALE\", \"FILTER\", API " +
                              std::to_wstring(PLOTVANE_PLUGIN_API_VERSION) + L")"));
  EXPECT_TRUE(Logged(log, L"\t\tSkipped: did not finish loading in time"));
  EXPECT_LT(took, std::chrono::seconds(10));  // the hanging one is killed at its time-out

  // The verdicts are remembered: the next start runs no scanner at all.
  CPluginScanner scanner;
  const auto results = scanner.Scan({(folder / "FilterHangsAtLoad.so").string(), (folder / "FilterScale.so").string()});
  EXPECT_EQ(scanner.ScannedCount(), 0);
  EXPECT_EQ(results[0].verdict, EPluginScanVerdict::TimedOut);
  EXPECT_TRUE(results[0].fromCache);
  EXPECT_TRUE(results[1].Safe());
}

TEST(PluginScan, AChangedPackageIsScannedAgain) {
  const fs::path dir = FreshDir("scan-cache");
  const fs::path package = CopyPackage(kPlugins / "FilterScale.so", dir, "FilterScale.so");
  const fs::path junk = CopyPackage(kPlugins / "FilterJunk.so", dir, "FilterJunk.so");
  ScanSettings settings(dir / "cache" / "scan.cache");  // the folder is made on demand
  const std::vector<std::string> paths{package.string(), junk.string()};

  CPluginScanner first;
  auto results = first.Scan(paths);
  EXPECT_EQ(first.ScannedCount(), 2);
  EXPECT_EQ(results[0].verdict, EPluginScanVerdict::Loaded);
  EXPECT_EQ(results[0].name, "SCALE");
  EXPECT_EQ(results[0].type, "FILTER");
  EXPECT_EQ(results[0].apiVersion, PLOTVANE_PLUGIN_API_VERSION);
  // Not a shared object: refused cleanly by the loader, so the host may try it itself.
  EXPECT_EQ(results[1].verdict, EPluginScanVerdict::Unopenable);
  EXPECT_TRUE(results[1].Safe());

  CPluginScanner again;
  results = again.Scan(paths);
  EXPECT_EQ(again.ScannedCount(), 0);
  EXPECT_EQ(results[0].name, "SCALE");

  // A new modification time, then other contents of another size: scanned each time.
  fs::last_write_time(package, fs::last_write_time(package) + std::chrono::seconds(1));
  CPluginScanner touched;
  results = touched.Scan(paths);
  EXPECT_EQ(touched.ScannedCount(), 1);
  EXPECT_TRUE(results[0].Safe());
  CopyPackage(kPlugins / "unsafe" / "FilterThrowsAtLoad.so", dir, "FilterScale.so");
  CPluginScanner replaced;
  results = replaced.Scan(paths);
  EXPECT_EQ(replaced.ScannedCount(), 1);
  EXPECT_EQ(results[0].verdict, EPluginScanVerdict::Crashed);

  // A damaged cache file is only a cold start.
  fs::resize_file(dir / "cache" / "scan.cache", 10);
  CPluginScanner damaged;
  damaged.Scan(paths);
  EXPECT_EQ(damaged.ScannedCount(), 2);
}

// Without the scanner nothing new can be tested: only what an earlier scan passed is loaded.
TEST(PluginScan, WithoutTheScannerOnlyPackagesPassedBeforeAreLoaded) {
  const fs::path dir = FreshDir("scan-missing");
  const fs::path folder = dir / "diagram_plugins";
  fs::create_directory(folder);
  CopyPackage(kPlugins / "FilterScale.so", folder, "FilterScale.so");
  const fs::path mask = folder / "Filter*.so";
  {
    ScanSettings settings(dir / "scan.cache");
    CModulesFactory scanned(L"FILTER", mask.wstring().c_str());
    ASSERT_EQ(scanned.Count(), 1);
  }
  CopyPackage(kPlugins / "FilterScaleEx.so", folder, "FilterScaleEx.so");
  ScanSettings settings(dir / "scan.cache", (dir / "no-such-scanner").string());
  LogCapture log;
  CModulesFactory factory(L"FILTER", mask.wstring().c_str());
  ASSERT_EQ(factory.Count(), 1);
  EXPECT_EQ(factory.GetName(0), L"SCALE");
  EXPECT_TRUE(Logged(log, L"no-such-scanner not found: 1 new or changed package(s) are not loaded"));
  EXPECT_TRUE(Logged(log, L"\t\tSkipped: not scanned: the plug-in scanner is missing"));
}
