#pragma once
// One-line log messages under a source name ("Diagram", "Control", "Factory" ...).
// The sink is a port: by default a rotating file under the user's state folder
// ($XDG_STATE_HOME/plotvane or ~/.local/state/plotvane), plus standard error when
// PLOTVANE_LOG_STDERR is set; tests install a recording sink.
#include <memory>
#include <string>
#include <string_view>

class ILogSink {
 public:
  virtual ~ILogSink() = default;
  virtual void Write(std::wstring_view source, std::wstring_view text, bool isError) = 0;
};

void LogMessage(std::wstring_view source, std::wstring_view text, bool isError = false);

// Installs a sink for the whole process and returns the previous one (null restores the
// default sink on the next message).
std::shared_ptr<ILogSink> SetLogSink(std::shared_ptr<ILogSink> sink);

// The file sink used by default, at an explicit path (rotating at maxBytes, keeping maxFiles).
std::shared_ptr<ILogSink> MakeRotatingFileLogSink(const std::string& path, std::size_t maxBytes,
                                                  std::size_t maxFiles, bool alsoStderr);
