#pragma once
// Qt implementations of the engine's ports: message boxes, queries and file dialogs through
// Qt's standard dialogs, per-user settings through QSettings ("Quor", "Tellam").
// An owner window (QuorWindow) handed to the engine by this layer is a QWidget*.
#include <mutex>
#include <optional>
#include <string>

#include <QSettings>
#include <QString>

#include "common/Settings.h"
#include "common/UserInteraction.h"

class QWidget;

class TQtUserInteraction : public IUserInteraction {
 public:
  int MessageBox(QuorWindow owner, const std::wstring& text, const std::wstring& caption, unsigned flags) override;
  bool QueryNumber(QuorWindow owner, const std::wstring& caption, const std::wstring& prompt, double& value) override;
  bool QueryText(QuorWindow owner, const std::wstring& caption, const std::wstring& prompt,
                 std::wstring& value) override;
  bool OpenFileName(QuorWindow owner, const std::wstring& caption, const std::wstring& filter,
                    std::wstring& path) override;
  bool SaveFileName(QuorWindow owner, const std::wstring& caption, const std::wstring& filter,
                    std::wstring& path) override;
  bool CopyToClipboard(const std::wstring& text) override;

  // Whether dialogs are shown. Not on the offscreen platform, with PLOTVANE_NONINTERACTIVE
  // set, or without a QApplication: then a box is logged and answers with its default button,
  // and queries are cancelled, so automated runs never wait for a person.
  static bool Interactive();
};

class TQtSettings : public ISettings {
 public:
  // The per-user store of the application.
  TQtSettings();
  // An INI file of its own (tests, portable installations).
  explicit TQtSettings(const QString& fileName);

  bool GetOption(const std::wstring& name) const override;
  void SetOption(const std::wstring& name, bool on) override;
  std::optional<std::wstring> GetValue(const std::wstring& key) const override;
  void SetValue(const std::wstring& key, const std::wstring& value) override;
  // Writes pending changes to permanent storage now (QSettings also does so on its own).
  void Sync();

 private:
  mutable std::mutex mutex_;  // QSettings objects are not to be shared between threads
  mutable QSettings settings_;
};

// "Description|*.ext;*.ex2|…" as a Qt name filter: "Description (*.ext *.ex2);;…".
QString ToQtFileFilter(const std::wstring& filter);

// Installs TQtUserInteraction and TQtSettings as the process-wide ports.
void InstallQtPorts();
