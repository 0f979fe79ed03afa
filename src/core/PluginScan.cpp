#include "core/PluginScan.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>

#include "common/AtomicFile.h"
#include "common/Log.h"
#include "common/Paths.h"
#include "common/Text.h"

extern char** environ;

namespace {

constexpr const wchar_t* kSource = L"Factory";
// First line of the cache file; a file of another format is ignored and rewritten.
constexpr const char* kCacheHeader = "plotvane-plugin-scan-cache 1";
constexpr std::size_t kMaxCapture = 4096;  // of a scanner's output, per stream

std::mutex g_settingsMutex;
SPluginScanSettings g_settings;

void Log(const std::string& utf8, bool isError = false) { LogMessage(kSource, Utf8ToWide(utf8), isError); }

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What identifies one build of a package on disk.
struct SStamp {
  long long size = -1;
  long long mtimeSec = 0;
  long long mtimeNsec = 0;
  bool operator==(const SStamp&) const = default;
};

bool StampOf(const std::string& path, SStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  stamp = {static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
           static_cast<long long>(st.st_mtim.tv_nsec)};
  return true;
}

const char* VerdictName(EPluginScanVerdict v) {
  switch (v) {
    case EPluginScanVerdict::Loaded: return "loaded";
    case EPluginScanVerdict::Unopenable: return "unopenable";
    case EPluginScanVerdict::Crashed: return "crashed";
    case EPluginScanVerdict::TimedOut: return "timeout";
    case EPluginScanVerdict::Failed: return "failed";
    case EPluginScanVerdict::NotScanned: return "notscanned";
  }
  return "failed";
}

bool VerdictFromName(std::string_view name, EPluginScanVerdict& v) {
  for (EPluginScanVerdict candidate : {EPluginScanVerdict::Loaded, EPluginScanVerdict::Unopenable,
                                       EPluginScanVerdict::Crashed, EPluginScanVerdict::TimedOut,
                                       EPluginScanVerdict::Failed}) {
    if (name == VerdictName(candidate)) {
      v = candidate;
      return true;
    }
  }
  return false;
}

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

std::string Clean(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

bool ParseInt(const std::string& text, long long& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

struct SCacheEntry {
  SStamp stamp;
  SPluginScanResult result;
};
using Cache = std::map<std::string, SCacheEntry>;

// Lines: path, size, seconds, nanoseconds, verdict, API version, name, type, detail.
Cache ReadCache(const std::string& file) {
  Cache cache;
  if (file.empty()) return cache;
  const SFileBytes bytes = ReadWholeFile(file);
  if (bytes.error != 0) return cache;
  std::istringstream in{std::string(bytes.View())};
  std::string line;
  if (!std::getline(in, line) || line != kCacheHeader) return cache;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 9) continue;
    SCacheEntry e;
    long long api = -1;
    if (!ParseInt(f[1], e.stamp.size) || !ParseInt(f[2], e.stamp.mtimeSec) || !ParseInt(f[3], e.stamp.mtimeNsec) ||
        !VerdictFromName(f[4], e.result.verdict) || !ParseInt(f[5], api)) {
      continue;
    }
    e.result.path = f[0];
    e.result.apiVersion = static_cast<int>(api);
    e.result.name = f[6];
    e.result.type = f[7];
    e.result.detail = f[8];
    cache[f[0]] = std::move(e);
  }
  return cache;
}

void WriteCache(const std::string& file, const Cache& cache) {
  if (file.empty()) return;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
  std::string text = std::string(kCacheHeader) + "\n";
  for (const auto& [path, e] : cache) {
    SStamp now;
    if (!StampOf(path, now)) continue;  // the package is gone: forget it
    text += Clean(path) + "\t" + std::to_string(e.stamp.size) + "\t" + std::to_string(e.stamp.mtimeSec) + "\t" +
            std::to_string(e.stamp.mtimeNsec) + "\t" + VerdictName(e.result.verdict) + "\t" +
            std::to_string(e.result.apiVersion) + "\t" + Clean(e.result.name) + "\t" + Clean(e.result.type) + "\t" +
            Clean(e.result.detail) + "\n";
  }
  std::string error;
  if (WriteFileAtomically(file, text, &error) != 0)
    Log("plug-in scan cache " + file + " not written: " + error, true);
}

long long NowMs() {
  timespec ts {};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// One scanner process and what it has written so far.
struct SRun {
  std::size_t index = 0;  // into the results
  pid_t pid = -1;
  int out = -1;
  int err = -1;
  std::string stdoutText;
  std::string stderrText;
  long long deadline = 0;
  bool timedOut = false;
};

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Starts the scanner for one package in a process group of its own (so a time-out kills
// whatever the package started too). False with the reason when it cannot be started.
bool Start(const std::string& scanner, const std::string& package, SRun& run, std::string& reason) {
  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) {
    reason = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    reason = std::string("pipe: ") + std::strerror(errno);
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  std::string program = scanner;
  std::string argument = package;
  char* argv[] = {program.data(), argument.data(), nullptr};
  const int rc = ::posix_spawn(&run.pid, scanner.c_str(), &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (rc != 0) {
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    run.pid = -1;
    reason = "the scanner " + scanner + " could not be started: " + std::strerror(rc);
    return false;
  }
  run.out = outPipe[0];
  run.err = errPipe[0];
  return true;
}

void Drain(int& fd, std::string& text) {
  char buffer[1024];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) {
    if (text.size() < kMaxCapture) text.append(buffer, std::min<std::size_t>(n, kMaxCapture - text.size()));
  } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    CloseFd(fd);
  }
}

std::string LastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  const std::size_t nl = t.find_last_of('\n');
  return nl == std::string::npos ? t : t.substr(nl + 1);
}

// The verdict of a finished scanner from its exit status and its report line.
void Judge(const SRun& run, int status, SPluginScanResult& r) {
  const std::string said = Clean(LastLine(run.stderrText));
  if (run.timedOut) {
    r.verdict = EPluginScanVerdict::TimedOut;
    r.detail = "did not finish loading in time";
    return;
  }
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    r.verdict = EPluginScanVerdict::Crashed;
    r.detail = "loading ended with signal " + std::to_string(sig) + " (" + strsignal(sig) + ")";
    if (!said.empty()) r.detail += ": " + said;
    return;
  }
  const std::string line = LastLine(run.stdoutText);
  const std::vector<std::string> f = SplitTabs(line);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    long long api = -1;
    if (f.size() == 5 && f[0] == "loaded" && ParseInt(f[1], api)) {
      r.verdict = EPluginScanVerdict::Loaded;
      r.apiVersion = static_cast<int>(api);
      r.name = f[2];
      r.type = f[3];
      r.detail = f[4] == "complete" ? std::string() : "export \"" + f[4] + "\" not found";
      return;
    }
    if (f.size() == 2 && f[0] == "unopenable") {
      r.verdict = EPluginScanVerdict::Unopenable;
      r.detail = f[1];
      return;
    }
  }
  r.verdict = EPluginScanVerdict::Failed;
  r.detail = WIFEXITED(status) ? "loading ended with exit status " + std::to_string(WEXITSTATUS(status))
                               : std::string("loading ended without a report");
  if (!said.empty()) r.detail += ": " + said;
}

// Runs the scanner over the packages listed in `todo`, `parallel` at a time.
void RunScanners(const std::string& scanner, int timeoutMs, int parallel, const std::vector<std::size_t>& todo,
                 std::vector<SPluginScanResult>& results) {
  std::vector<SRun> running;
  std::size_t next = 0;
  while (next < todo.size() || !running.empty()) {
    while (next < todo.size() && static_cast<int>(running.size()) < std::max(1, parallel)) {
      SRun run;
      run.index = todo[next++];
      std::string reason;
      if (!Start(scanner, results[run.index].path, run, reason)) {
        results[run.index].verdict = EPluginScanVerdict::Failed;
        results[run.index].detail = reason;
        continue;
      }
      run.deadline = NowMs() + timeoutMs;
      running.push_back(std::move(run));
    }
    if (running.empty()) continue;

    std::vector<pollfd> fds;
    std::vector<std::pair<std::size_t, bool>> owners;  // run, stdout (else stderr)
    long long wait = -1;
    const long long now = NowMs();
    for (std::size_t i = 0; i < running.size(); ++i) {
      SRun& run = running[i];
      if (run.out >= 0) {
        fds.push_back({run.out, POLLIN, 0});
        owners.emplace_back(i, true);
      }
      if (run.err >= 0) {
        fds.push_back({run.err, POLLIN, 0});
        owners.emplace_back(i, false);
      }
      const long long left = std::max(0LL, run.deadline - now);
      wait = wait < 0 ? left : std::min(wait, left);
    }
    // A scanner that closed both pipes is only waited for; poll briefly for it.
    if (fds.empty()) wait = std::min<long long>(wait, 5);
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(wait, 1000)));
    if (ready > 0) {
      for (std::size_t k = 0; k < fds.size(); ++k) {
        if (fds[k].revents == 0) continue;
        SRun& run = running[owners[k].first];
        if (owners[k].second)
          Drain(run.out, run.stdoutText);
        else
          Drain(run.err, run.stderrText);
      }
    }

    const long long after = NowMs();
    for (std::size_t i = 0; i < running.size();) {
      SRun& run = running[i];
      int status = 0;
      pid_t done = 0;
      if (run.out < 0 && run.err < 0) done = ::waitpid(run.pid, &status, WNOHANG);
      if (done == 0 && after >= run.deadline) {
        run.timedOut = true;
        ::kill(-run.pid, SIGKILL);
        ::kill(run.pid, SIGKILL);
        do {
          done = ::waitpid(run.pid, &status, 0);
        } while (done < 0 && errno == EINTR);
      }
      if (done == 0 || (done < 0 && errno == EINTR)) {
        ++i;
        continue;
      }
      CloseFd(run.out);
      CloseFd(run.err);
      if (done < 0) {
        results[run.index].verdict = EPluginScanVerdict::Failed;
        results[run.index].detail = std::string("waitpid: ") + std::strerror(errno);
      } else {
        Judge(run, status, results[run.index]);
      }
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

}  // namespace

SPluginScanSettings SetPluginScanSettings(const SPluginScanSettings& settings) {
  std::lock_guard lock(g_settingsMutex);
  SPluginScanSettings previous = g_settings;
  g_settings = settings;
  return previous;
}

SPluginScanSettings GetPluginScanSettings() {
  std::lock_guard lock(g_settingsMutex);
  return g_settings;
}

std::string DefaultPluginScanCacheFile() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/plotvane/plugin-scan.cache";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.cache/plotvane/plugin-scan.cache";
  return {};
}

std::string DefaultPluginScannerPath() {
  constexpr const char* kScanner = "plotvane-plugin-scan";
  const std::string exeFolder = ExecutableFolder();
  const std::string beside = exeFolder.empty() ? std::string(kScanner) : exeFolder + "/" + kScanner;
#ifdef PLOTVANE_LIB_TO_HELPER
  // A host outside the installed tree uses the scanner installed with the library.
  if (::access(beside.c_str(), X_OK) != 0) {
    const std::string libFolder = EngineLibraryFolder();
    const std::string installed = libFolder + "/" PLOTVANE_LIB_TO_HELPER "/" + kScanner;
    if (!libFolder.empty() && ::access(installed.c_str(), X_OK) == 0) return installed;
  }
#endif
  return beside;
}

CPluginScanner::CPluginScanner(const SPluginScanSettings& settings)
    : scanner_(settings.scanner.empty() ? DefaultPluginScannerPath() : settings.scanner),
      cacheFile_(settings.cacheFile.empty() ? DefaultPluginScanCacheFile() : settings.cacheFile),
      timeoutMs_(std::max(1, settings.timeoutMs)),
      parallel_(std::max(1, settings.parallel)) {}

std::vector<SPluginScanResult> CPluginScanner::Scan(const std::vector<std::string>& paths) {
  scanned_ = 0;
  if (paths.empty()) return {};
  Cache cache = ReadCache(cacheFile_);
  std::vector<SPluginScanResult> results(paths.size());
  std::vector<SStamp> stamps(paths.size());
  std::vector<std::size_t> todo;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    results[i].path = paths[i];
    if (!StampOf(paths[i], stamps[i])) {
      // Gone since the folder was listed: nothing to load, and the loader says so itself.
      results[i].verdict = EPluginScanVerdict::Unopenable;
      results[i].detail = "the package cannot be read";
      continue;
    }
    const auto it = cache.find(paths[i]);
    if (it != cache.end() && it->second.stamp == stamps[i]) {
      results[i] = it->second.result;
      results[i].path = paths[i];
      results[i].fromCache = true;
    } else {
      todo.push_back(i);
    }
  }
  if (todo.empty()) return results;

  if (::access(scanner_.c_str(), X_OK) != 0) {
    Log("plug-in scanner " + scanner_ + " not found: " + std::to_string(todo.size()) +
            " new or changed package(s) are not loaded; only packages that an earlier scan passed are",
        true);
    for (std::size_t i : todo) {
      results[i].verdict = EPluginScanVerdict::NotScanned;
      results[i].detail = "not scanned: the plug-in scanner is missing";
    }
    return results;
  }

  RunScanners(scanner_, timeoutMs_, parallel_, todo, results);
  scanned_ = static_cast<int>(todo.size());
  for (std::size_t i : todo) {
    const SPluginScanResult& r = results[i];
    std::string line = "Scanned " + FileName(r.path) + ": " + VerdictName(r.verdict);
    if (r.verdict == EPluginScanVerdict::Loaded)
      line += " (\"" + r.name + "\", \"" + r.type + "\", API " + std::to_string(r.apiVersion) + ")";
    if (!r.detail.empty()) line += ", " + r.detail;
    Log(line, !r.Safe());
    // A scanner that could not run at all says nothing about the package: ask again next time.
    if (r.verdict == EPluginScanVerdict::Failed && r.detail.starts_with("the scanner ")) continue;
    cache[r.path] = SCacheEntry{stamps[i], r};
  }
  WriteCache(cacheFile_, cache);
  return results;
}
