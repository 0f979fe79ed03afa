#pragma once
// Out-of-process scanning of plug-in packages. Loading a package runs its initialisation code
// in whatever process loads it; a package that crashes, aborts, throws or hangs there would
// take the host with it. So the first time a package is seen (by path, size and modification
// time) the scanner program plotvane-plugin-scan (tools/PluginScan.cpp) loads it in a process
// of its own and reports its API version, name and type; a package whose scan did not end
// with a report is skipped. Verdicts are kept per user in
// $XDG_CACHE_HOME/plotvane/plugin-scan.cache (or ~/.cache/plotvane/), so a start with known
// packages costs one small file read and a stat per package.
//
// A package that the scanner could open cleanly but that is not a valid plug-in (no shared
// object, a missing export, another type) is safe to load: the in-process loader refuses it
// with its own log lines.
//
// Without the scanner program the host cannot test new packages: it then loads only packages
// that an earlier scan passed (same path, size and time) and skips every other one with a
// log line.
#include <string>
#include <vector>

enum class EPluginScanVerdict {
  Loaded,      // the package loaded and unloaded in the scanner: safe
  Unopenable,  // the loader refused it cleanly (not a shared object, missing library): safe
  Crashed,     // the scanner died of a signal (a crash, an abort, an uncaught exception)
  TimedOut,    // the scanner did not finish in time and was killed
  Failed,      // the scanner ended without a report, or could not be run
  NotScanned,  // no scanner program and no earlier verdict
};

struct SPluginScanResult {
  std::string path;
  EPluginScanVerdict verdict = EPluginScanVerdict::NotScanned;
  int apiVersion = -1;   // what the package reported (-1: it has no version export)
  std::string name;      // UTF-8, as the package reported them
  std::string type;
  std::string detail;    // why it was refused, or the loader's message; for the log
  bool fromCache = false;

  // True when the host may load the package itself.
  bool Safe() const {
    return verdict == EPluginScanVerdict::Loaded || verdict == EPluginScanVerdict::Unopenable;
  }
};

struct SPluginScanSettings {
  std::string scanner;    // the scanner program; empty: DefaultPluginScannerPath()
  std::string cacheFile;  // empty: the per-user cache file
  int timeoutMs = 10000;  // for one package
  int parallel = 4;       // scanner processes at a time
};

// The settings every CModulesFactory uses; returns the previous ones. Tests and benchmarks
// point them at their own cache file or a short time-out.
SPluginScanSettings SetPluginScanSettings(const SPluginScanSettings& settings);
SPluginScanSettings GetPluginScanSettings();

class CPluginScanner {
 public:
  explicit CPluginScanner(const SPluginScanSettings& settings = GetPluginScanSettings());

  // One verdict per path, in the same order: from the cache when the package is unchanged,
  // else from running the scanner (several at a time). Logs every fresh verdict under
  // "Factory" and writes the cache back when anything changed.
  std::vector<SPluginScanResult> Scan(const std::vector<std::string>& paths);

  // How many packages the last Scan() ran the scanner for.
  int ScannedCount() const { return scanned_; }
  const std::string& ScannerPath() const { return scanner_; }
  const std::string& CacheFile() const { return cacheFile_; }

 private:
  std::string scanner_;
  std::string cacheFile_;
  int timeoutMs_;
  int parallel_;
  int scanned_ = 0;
};

// The per-user cache file: $XDG_CACHE_HOME/plotvane/plugin-scan.cache, else
// ~/.cache/plotvane/plugin-scan.cache; empty when neither is known.
std::string DefaultPluginScanCacheFile();
// plotvane-plugin-scan beside the running executable, else the one installed with the
// engine library (lib/<arch>/plotvane/).
std::string DefaultPluginScannerPath();
