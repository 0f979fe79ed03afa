#include "common/Log.h"

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "common/Text.h"

namespace {

class SpdLogSink : public ILogSink {
 public:
  explicit SpdLogSink(std::shared_ptr<spdlog::logger> logger) : logger_(std::move(logger)) {}
  void Write(std::wstring_view source, std::wstring_view text, bool isError) override {
    // One buffer per thread, kept: a line costs no allocation of its own.
    thread_local std::string line;
    line.assign("[");
    AppendUtf8(line, source);
    line.append("] ");
    AppendUtf8(line, text);
    logger_->log(isError ? spdlog::level::err : spdlog::level::info, std::string_view(line));
    if (isError) logger_->flush();
  }

 private:
  std::shared_ptr<spdlog::logger> logger_;
};

class NullSink : public ILogSink {
 public:
  void Write(std::wstring_view, std::wstring_view, bool) override {}
};

std::mutex g_sinkMutex;
std::shared_ptr<ILogSink> g_sink;

std::string DefaultLogPath() {
  namespace fs = std::filesystem;
  fs::path dir;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
    dir = fs::path(state) / "plotvane";
  else if (const char* home = std::getenv("HOME"); home && *home)
    dir = fs::path(home) / ".local/state/plotvane";
  else
    return {};
  std::error_code ec;
  fs::create_directories(dir, ec);
  return ec ? std::string() : (dir / "plotvane.log").string();
}

std::shared_ptr<ILogSink> MakeDefaultSink() {
  const char* toStderr = std::getenv("PLOTVANE_LOG_STDERR");
  const bool alsoStderr = toStderr != nullptr && *toStderr != '\0' && *toStderr != '0';
  const std::string path = DefaultLogPath();
  if (!path.empty()) {
    try {
      return MakeRotatingFileLogSink(path, 5 * 1024 * 1024, 3, alsoStderr);
    } catch (const spdlog::spdlog_ex&) {
      // An unwritable state folder must not take the component down; fall through.
    }
  }
  if (alsoStderr) {
    auto logger = std::make_shared<spdlog::logger>("plotvane", std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
    return std::make_shared<SpdLogSink>(logger);
  }
  return std::make_shared<NullSink>();
}

}  // namespace

std::shared_ptr<ILogSink> MakeRotatingFileLogSink(const std::string& path, std::size_t maxBytes,
                                                  std::size_t maxFiles, bool alsoStderr) {
  std::vector<spdlog::sink_ptr> sinks;
  sinks.push_back(std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, maxBytes, maxFiles));
  if (alsoStderr) sinks.push_back(std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
  auto logger = std::make_shared<spdlog::logger>("plotvane", sinks.begin(), sinks.end());
  logger->set_pattern("%Y-%m-%d %T.%e %l %v");
  logger->flush_on(spdlog::level::err);
  return std::make_shared<SpdLogSink>(logger);
}

std::shared_ptr<ILogSink> SetLogSink(std::shared_ptr<ILogSink> sink) {
  std::lock_guard lock(g_sinkMutex);
  std::swap(g_sink, sink);
  return sink;
}

void LogMessage(std::wstring_view source, std::wstring_view text, bool isError) {
  std::shared_ptr<ILogSink> sink;
  {
    std::lock_guard lock(g_sinkMutex);
    if (!g_sink) g_sink = MakeDefaultSink();
    sink = g_sink;
  }
  sink->Write(source, text, isError);
}
