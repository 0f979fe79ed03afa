#include "support/Capture.h"

#include <mutex>

AssertCapture::AssertCapture() : reports_(std::make_shared<std::vector<SAssertReport>>()) {
  auto reports = reports_;
  previous_ = SetAssertHook([reports](const SAssertReport& r) { reports->push_back(r); });
}

AssertCapture::~AssertCapture() { SetAssertHook(previous_); }

bool AssertCapture::Saw(const std::string& text) const {
  for (const auto& r : *reports_)
    if (r.condition.find(text) != std::string::npos || r.message.find(text) != std::string::npos)
      return true;
  return false;
}

class LogCapture::Sink : public ILogSink {
 public:
  void Write(std::wstring_view source, std::wstring_view text, bool isError) override {
    std::lock_guard lock(mutex);
    entries.push_back({std::wstring(source), std::wstring(text), isError});
  }
  std::mutex mutex;
  std::vector<LogEntry> entries;
};

LogCapture::LogCapture() : sink_(std::make_shared<Sink>()) { previous_ = SetLogSink(sink_); }
LogCapture::~LogCapture() { SetLogSink(previous_); }

std::vector<LogEntry> LogCapture::Entries() const {
  std::lock_guard lock(sink_->mutex);
  return sink_->entries;
}

bool LogCapture::Saw(const std::wstring& source, const std::wstring& text) const {
  for (const auto& e : Entries())
    if (e.source == source && e.text.find(text) != std::wstring::npos) return true;
  return false;
}

int ScriptedUserInteraction::MessageBox(QuorWindow, const std::wstring& text, const std::wstring& caption,
                                        unsigned flags) {
  boxes.push_back({text, caption, flags});
  if (boxAnswers.empty()) return DefaultMessageBoxResult(flags);
  const int answer = boxAnswers.front();
  boxAnswers.pop_front();
  return answer;
}

namespace {
template <typename T>
bool Take(std::deque<T>& queue, T& value) {
  if (queue.empty()) return false;
  value = queue.front();
  queue.pop_front();
  return true;
}
}  // namespace

bool ScriptedUserInteraction::QueryNumber(QuorWindow, const std::wstring&, const std::wstring&, double& value) {
  return Take(numberAnswers, value);
}
bool ScriptedUserInteraction::QueryText(QuorWindow, const std::wstring&, const std::wstring&, std::wstring& value) {
  return Take(textAnswers, value);
}
bool ScriptedUserInteraction::OpenFileName(QuorWindow, const std::wstring&, const std::wstring&, std::wstring& path) {
  return Take(fileAnswers, path);
}
bool ScriptedUserInteraction::SaveFileName(QuorWindow, const std::wstring&, const std::wstring&, std::wstring& path) {
  return Take(fileAnswers, path);
}

UserInteractionScript::UserInteractionScript() : ui_(std::make_shared<ScriptedUserInteraction>()) {
  previous_ = SetUserInteraction(ui_);
}
UserInteractionScript::~UserInteractionScript() { SetUserInteraction(previous_); }
