#pragma once
// The one QApplication of the Qt layer's tests, made on first use (test discovery never
// needs it), on the offscreen platform unless the environment chose another.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

inline QApplication& QtTestApp() {
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);  // lives as long as the process
  }();
  return *app;
}

// Runs the event loop (timers included) for the given time.
inline void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}
