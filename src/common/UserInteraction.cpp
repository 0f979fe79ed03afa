#include "common/UserInteraction.h"

#include <exception>
#include <mutex>

#include "common/Log.h"
#include "common/Text.h"

namespace {

class HeadlessUserInteraction : public IUserInteraction {
 public:
  int MessageBox(QuorWindow, const std::wstring& text, const std::wstring& caption,
                 unsigned flags) override {
    const unsigned icon = flags & 0xF0;
    LogMessage(L"Message", caption + L": " + text, icon == MB_ICONERROR || icon == MB_ICONWARNING);
    return DefaultMessageBoxResult(flags);
  }
  bool QueryNumber(QuorWindow, const std::wstring&, const std::wstring&, double&) override {
    return false;
  }
  bool QueryText(QuorWindow, const std::wstring&, const std::wstring&, std::wstring&) override {
    return false;
  }
  bool OpenFileName(QuorWindow, const std::wstring&, const std::wstring&, std::wstring&) override {
    return false;
  }
  bool SaveFileName(QuorWindow, const std::wstring&, const std::wstring&, std::wstring&) override {
    return false;
  }  // No clipboard without a desktop: the copy fails and the caller says so.
  bool CopyToClipboard(const std::wstring&) override { return false; }

};

std::mutex g_mutex;
std::shared_ptr<IUserInteraction> g_ui;

}  // namespace

int DefaultMessageBoxResult(unsigned flags) {
  static constexpr int kButtons[6][3] = {
      {IDOK, IDOK, IDOK},               {IDOK, IDCANCEL, IDCANCEL},
      {IDABORT, IDRETRY, IDIGNORE},     {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO, IDNO},              {IDRETRY, IDCANCEL, IDCANCEL}};
  const unsigned type = flags & 0xF;
  const unsigned def = (flags & 0xF00) >> 8;
  if (type > 5) return IDOK;
  return kButtons[type][def > 2 ? 0 : def];
}

std::shared_ptr<IUserInteraction> SetUserInteraction(std::shared_ptr<IUserInteraction> ui) {
  std::lock_guard lock(g_mutex);
  std::swap(g_ui, ui);
  return ui;
}

IUserInteraction& UserInteraction() {
  std::lock_guard lock(g_mutex);
  if (!g_ui) g_ui = std::make_shared<HeadlessUserInteraction>();
  return *g_ui;
}

int QuorMessageBox(QuorWindow owner, const std::wstring& text, const std::wstring& caption,
                   unsigned flags) {
  return UserInteraction().MessageBox(owner, text, caption, flags);
}

bool QuorQuestion(QuorWindow owner, const std::wstring& text, const std::wstring& caption) {
  return QuorMessageBox(owner, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShowPlotvaneException(const std::wstring& prefix) {
  std::wstring what;
  try {
    throw;
  } catch (const std::exception& e) {
    what = Utf8ToWide(e.what());
  } catch (...) {
  }
  QuorMessageBox(nullptr, prefix + what, L"Plotvane exception", MB_OK | MB_ICONERROR);
}
