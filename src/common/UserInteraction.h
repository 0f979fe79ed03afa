#pragma once
// The user-interaction port: message boxes, questions and small queries. The engine asks
// through QuorMessageBox and friends; the Qt layer installs dialogs, tests a script.
// Flags and results keep the values of the Windows message box.
//
// How to add a port (a service the engine needs from its host), this one being the model:
// 1. Declare the abstract interface here in common/ (or in interfaces/ when it speaks of
//    engine types): small, in the engine's own terms, no toolkit type in it.
// 2. Give it a headless default that lets the engine run without a UI (log and answer
//    neutrally), and a Set…/getter pair that installs one implementation per process.
// 3. Implement it for Qt in ui/QtPorts.* and install it in InstallQtPorts beside the others.
// 4. Give tests a scripted implementation in tests/support/ that records what was asked.
#include <memory>
#include <string>

// Owner window of a box; opaque to the engine (the Qt layer passes its widget).
using QuorWindow = const void*;

// Buttons (flags & 0xF).
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
// Icons (flags & 0xF0).
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
// Default button (flags & 0xF00).
inline constexpr unsigned MB_DEFBUTTON1 = 0x000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
// Results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class IUserInteraction {
 public:
  virtual ~IUserInteraction() = default;
  // A modal box; returns one of the ID… results.
  virtual int MessageBox(QuorWindow owner, const std::wstring& text, const std::wstring& caption,
                         unsigned flags) = 0;
  // Asks for a number / a text; false when the person cancelled (value unchanged).
  virtual bool QueryNumber(QuorWindow owner, const std::wstring& caption, const std::wstring& prompt,
                           double& value) = 0;
  virtual bool QueryText(QuorWindow owner, const std::wstring& caption, const std::wstring& prompt,
                         std::wstring& value) = 0;
  // File names for opening and saving; filter is "Description|*.ext|…"; false when cancelled.
  virtual bool OpenFileName(QuorWindow owner, const std::wstring& caption, const std::wstring& filter,
                            std::wstring& path) = 0;
  virtual bool SaveFileName(QuorWindow owner, const std::wstring& caption, const std::wstring& filter,
                            std::wstring& path) = 0;
  // Puts a text on the clipboard; false when that failed.
  virtual bool CopyToClipboard(const std::wstring& text) = 0;
};

// The button a box of these flags answers with when nobody is asked (its default button).
int DefaultMessageBoxResult(unsigned flags);

// Installs the process-wide implementation; null restores the headless default, which
// logs every box and answers with its default button and cancels every query.
std::shared_ptr<IUserInteraction> SetUserInteraction(std::shared_ptr<IUserInteraction> ui);
IUserInteraction& UserInteraction();

int QuorMessageBox(QuorWindow owner, const std::wstring& text, const std::wstring& caption,
                   unsigned flags);
// Inside a catch block: shows the exception being handled in a box captioned "Plotvane
// exception", its message after `prefix` (a loader's text naming the element that failed).
void ShowPlotvaneException(const std::wstring& prefix);

// A yes/no question with the question icon; true for yes.
bool QuorQuestion(QuorWindow owner, const std::wstring& text, const std::wstring& caption);
