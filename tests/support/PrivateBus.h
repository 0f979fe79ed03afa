#pragma once
// A D-Bus daemon of its own for a test or a benchmark, so nothing reaches the user's session
// bus: started on construction, stopped on destruction. Qt programs only (header-only).
#include <QProcess>
#include <QStandardPaths>
#include <QString>

class CPrivateBus {
 public:
  CPrivateBus() {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) {
      why_ = "dbus-daemon is not installed (scripts/install-deps installs it)";
      return;
    }
    process_.start(daemon, {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(5000)) {
      why_ = "dbus-daemon did not start: " + process_.errorString();
      return;
    }
    address_ = QString::fromUtf8(process_.readLine()).trimmed();
    if (address_.isEmpty()) why_ = "dbus-daemon printed no address";
  }
  ~CPrivateBus() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(1000);
  }
  CPrivateBus(const CPrivateBus&) = delete;
  CPrivateBus& operator=(const CPrivateBus&) = delete;

  // Empty when the daemon could not be had; Why() says why.
  const QString& Address() const { return address_; }
  const QString& Why() const { return why_; }

 private:
  QProcess process_;
  QString address_;
  QString why_;
};
