#pragma once
// The automation objects of a diagram control on a D-Bus connection (the user's session bus
// in the host; a private bus in tests). One virtual object serves the whole tree below kRoot:
//
//   /org/plotvane/Control                       org.plotvane.DiagramControl
//   /org/plotvane/Diagram<n>                    org.plotvane.Diagram      (n: the diagram's object id)
//   /org/plotvane/Diagram<n>/Marker<k>          org.plotvane.Marker       (k: the slot, 0 … 29)
//   /org/plotvane/Trace<id>                     org.plotvane.Trace        (id: the trace's id)
//
// Paths follow the engine objects, not their names or indices, so they stay while a trace or
// diagram is renamed or moves. Members without arguments that read (and write) a value are
// D-Bus properties; the others are methods, arrays of doubles are "ad" and objects are object
// paths ("/" for none). A failing result code becomes a named error (ErrorName); a path whose
// engine object is gone answers org.plotvane.Error.Pointer. Every trace raises its sweep
// events as the signals SweepEndedEvent and SweepEndedEventEx(x).
//
// Calls arrive on the thread of this object, the UI thread; none waits there: a frequency count
// answers later (a delayed reply) while the UI goes on.
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "core/ResultCodes.h"

class CDiagramControl;
class DiagramControl_COM;
class Diagram_COM;
class Marker_COM;
class Trace_COM;
class QDBusMessage;

class TAutomationBus : public QDBusVirtualObject {
  Q_OBJECT

 public:
  static constexpr const char* kRoot = "/org/plotvane";
  static constexpr const char* kControlPath = "/org/plotvane/Control";

  explicit TAutomationBus(CDiagramControl* control, QObject* parent = nullptr);
  ~TAutomationBus() override;

  // Serves the tree on `connection` and takes the bus name `service` there. False, with
  // LastError, when the connection is not up, the tree is taken or the name is refused.
  bool Register(const QDBusConnection& connection, const QString& service);
  void Unregister();
  QString LastError() const { return lastError_; }
  QString Service() const { return service_; }

  // The D-Bus error name of a failing result code ("org.plotvane.Error.InvalidArg" …).
  static QString ErrorName(HResult hr);
  // Object paths of automation objects.
  static QString PathOf(const Diagram_COM* diagram);
  static QString PathOf(const Trace_COM* trace);
  static QString PathOf(const Marker_COM* marker);

  // Runs after every call that may have changed the diagrams (the area follows them).
  std::function<void()> onChanged;

  // QDBusVirtualObject
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

 private:
  class CTraceSink;
  struct SResolved;

  SResolved Resolve(const QString& path) const;
  // Gives every trace of the control an event sink, and lets go of the sinks of traces gone.
  void SyncTraces();
  void SendSignal(const QString& path, const char* name, const QList<QVariant>& args);
  bool HandleProperties(const QDBusMessage& message, const SResolved& target);
  bool HandleCountFreq(const QDBusMessage& message, const std::shared_ptr<Marker_COM>& marker);
  QString IntrospectXml(const QString& path) const;

  CDiagramControl* control_;
  std::shared_ptr<DiagramControl_COM> root_;
  QDBusConnection connection_;
  QString service_;
  QString lastError_;
  bool registered_ = false;
  std::map<std::uint64_t, std::unique_ptr<CTraceSink>> sinks_;  // by trace id
  QTimer syncTimer_;
};
