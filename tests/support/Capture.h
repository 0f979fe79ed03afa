#pragma once
// Shared test fakes for the common ports: assertion capture, a recording log sink and a
// scripted user interaction. Each installs itself for its lifetime and restores the
// previous implementation when destroyed.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/UserInteraction.h"

class AssertCapture {
 public:
  AssertCapture();
  ~AssertCapture();
  AssertCapture(const AssertCapture&) = delete;
  AssertCapture& operator=(const AssertCapture&) = delete;

  const std::vector<SAssertReport>& Reports() const { return *reports_; }
  std::size_t Count() const { return reports_->size(); }
  // True when some report's condition or message contains the text.
  bool Saw(const std::string& text) const;
  void Clear() { reports_->clear(); }

 private:
  std::shared_ptr<std::vector<SAssertReport>> reports_;
  AssertHook previous_;
};

struct LogEntry {
  std::wstring source;
  std::wstring text;
  bool isError = false;
};

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<LogEntry> Entries() const;
  // True when a line of this source contains the text.
  bool Saw(const std::wstring& source, const std::wstring& text) const;

 private:
  class Sink;
  std::shared_ptr<Sink> sink_;
  std::shared_ptr<ILogSink> previous_;
};

struct AskedBox {
  std::wstring text;
  std::wstring caption;
  unsigned flags = 0;
};

// Answers boxes from a queue of results (the box's default button when the queue is empty)
// and queries from queues of values (cancel when empty); records everything asked.
class ScriptedUserInteraction : public IUserInteraction {
 public:
  std::vector<AskedBox> boxes;
  std::deque<int> boxAnswers;
  std::deque<double> numberAnswers;
  std::deque<std::wstring> textAnswers;
  std::deque<std::wstring> fileAnswers;

  int MessageBox(QuorWindow, const std::wstring& text, const std::wstring& caption, unsigned flags) override;
  bool QueryNumber(QuorWindow, const std::wstring&, const std::wstring&, double& value) override;
  bool QueryText(QuorWindow, const std::wstring&, const std::wstring&, std::wstring& value) override;
  bool OpenFileName(QuorWindow, const std::wstring&, const std::wstring&, std::wstring& path) override;
  bool SaveFileName(QuorWindow, const std::wstring&, const std::wstring&, std::wstring& path) override;
  bool CopyToClipboard(const std::wstring&) override { return true; }
};

// Installs a ScriptedUserInteraction for its lifetime.
class UserInteractionScript {
 public:
  UserInteractionScript();
  ~UserInteractionScript();
  ScriptedUserInteraction& operator*() { return *ui_; }
  ScriptedUserInteraction* operator->() { return ui_.get(); }

 private:
  std::shared_ptr<ScriptedUserInteraction> ui_;
  std::shared_ptr<IUserInteraction> previous_;
};
