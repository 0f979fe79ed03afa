// The automation objects over D-Bus, driven as a script would drive them: a private bus, an
// offscreen area fed by the simulated instrument, and a client connection of its own.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>

#include <memory>

#include "Simulator.h"
#include "control/DiagramControl.h"
#include "measurements/Measurement.h"
#include "support/PrivateBus.h"
#include "ui/AutomationBus.h"
#include "ui/PlotvaneArea.h"
#include "ui/QtTestApp.h"

namespace {

const char* kService = "org.plotvane.Test";
const char* kLayout = R"(<layout><diagram_control mode="4">
  <diagram position="4" name="Фильтр"><traces>
    <trace type="Measuring" name="S11"><measurement name="S11" channel="1"/></trace>
    <trace type="Measuring" name="S21"><measurement name="S21" channel="1"/></trace></traces></diagram>
  <diagram position="2" name="Спектр"><traces>
    <trace type="Measuring" name="SA"><measurement name="SA" channel="2"/></trace></traces></diagram>
</diagram_control></layout>)";

// Counts the sweep signals of one trace.
class SweepCounter : public QObject {
  Q_OBJECT
 public:
  int plain = 0;
  qlonglong lastId = 0;
 public slots:
  void Plain() { ++plain; }
  void WithId(qlonglong id) { lastId = id; }
};

struct Fixture {
  CPrivateBus bus;
  std::unique_ptr<TPlotvaneArea> area;
  std::unique_ptr<CInstrumentSimulator> sim;
  std::unique_ptr<TAutomationBus> service;
  QDBusConnection client{QString()};

  bool Start() {
    if (bus.Address().isEmpty()) return false;
    area = std::make_unique<TPlotvaneArea>(nullptr, L"QUANTITY", L"" PLOTVANE_PLUGIN_DIR);
    area->resize(900, 600);
    sim = std::make_unique<CInstrumentSimulator>([this] { return area->CreateMeasurement(); }, 401);
    area->OnSendParameter = [this](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
      sim->OnParameter(m, name, value, extra);
    };
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(kLayout));
    area->Deserialize(doc.document_element(), "");
    sim->Sweep();
    service = std::make_unique<TAutomationBus>(area->Control());
    service->onChanged = [this] { area->SyncDiagrams(); };
    const QDBusConnection server = QDBusConnection::connectToBus(bus.Address(), "automation-server");
    EXPECT_TRUE(service->Register(server, kService)) << service->LastError().toStdString();
    client = QDBusConnection::connectToBus(bus.Address(), "automation-client");
    return client.isConnected();
  }
  ~Fixture() {
    service.reset();
    if (area) area->DestroyMeasurements();
    QDBusConnection::disconnectFromBus("automation-client");
    QDBusConnection::disconnectFromBus("automation-server");
  }

  // A call as a script makes it; the UI thread goes on serving meanwhile.
  QDBusMessage Call(const QString& path, const QString& iface, const QString& member, const QList<QVariant>& args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, iface, member);
    call.setArguments(args);
    return client.call(call, QDBus::BlockWithGui, 5000);
  }
  QDBusMessage Get(const QString& path, const QString& iface, const QString& property) {
    return Call(path, "org.freedesktop.DBus.Properties", "Get", {iface, property});
  }
  QDBusMessage Set(const QString& path, const QString& iface, const QString& property, const QVariant& value) {
    return Call(path, "org.freedesktop.DBus.Properties", "Set", {iface, property, QVariant::fromValue(QDBusVariant(value))});
  }
  static QVariant Value(const QDBusMessage& reply) {
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments()[0].value<QDBusVariant>().variant();
  }
  static QString PathIn(const QDBusMessage& reply) {
    return reply.arguments().isEmpty() ? QString() : reply.arguments()[0].value<QDBusObjectPath>().path();
  }
  static QList<double> Doubles(const QVariant& v) {
    QList<double> list;
    v.value<QDBusArgument>() >> list;
    return list;
  }
};

#define START_OR_SKIP(f)                                                       \
  QtTestApp();                                                                 \
  if (f.bus.Address().isEmpty()) GTEST_SKIP() << f.bus.Why().toStdString(); \
  ASSERT_TRUE(f.Start())

constexpr const char* kControl = "org.plotvane.DiagramControl";
constexpr const char* kDiagram = "org.plotvane.Diagram";
constexpr const char* kTrace = "org.plotvane.Trace";
constexpr const char* kMarker = "org.plotvane.Marker";

}  // namespace

TEST(AutomationBus, AScriptWalksTheModelReadsDataAndHearsTheSweepEnd) {
  Fixture f;
  START_OR_SKIP(f);
  // Introspection shows the model.
  const QDBusMessage root = f.Call(TAutomationBus::kRoot, "org.freedesktop.DBus.Introspectable", "Introspect");
  ASSERT_EQ(root.type(), QDBusMessage::ReplyMessage) << root.errorMessage().toStdString();
  EXPECT_TRUE(root.arguments()[0].toString().contains("<node name=\"Control\"/>"));
  const QString controlXml =
      f.Call(TAutomationBus::kControlPath, "org.freedesktop.DBus.Introspectable", "Introspect").arguments()[0].toString();
  EXPECT_TRUE(controlXml.contains("<property name=\"DiagramCount\" type=\"i\" access=\"read\">"));
  EXPECT_TRUE(controlXml.contains("<method name=\"Diagram\"><arg name=\"Index\" type=\"i\" direction=\"in\"/>"));

  EXPECT_EQ(Fixture::Value(f.Get(TAutomationBus::kControlPath, kControl, "DiagramCount")).toInt(), 2);
  const QString filter = Fixture::PathIn(f.Call(TAutomationBus::kControlPath, kControl, "DiagramByName", {QString("Фильтр")}));
  EXPECT_EQ(filter, Fixture::PathIn(f.Call(TAutomationBus::kControlPath, kControl, "Diagram", {0})));
  const QString s21 = Fixture::PathIn(f.Call(filter, kDiagram, "Trace", {QString("S21")}));
  ASSERT_TRUE(s21.startsWith("/org/plotvane/Trace"));
  EXPECT_EQ(Fixture::Value(f.Get(s21, kTrace, "Type")).toInt(), 0);

  // Arrays of doubles, one per component, a sweep long.
  const QDBusMessage data = f.Call(s21, kTrace, "FetchData");
  ASSERT_EQ(data.signature(), "adad");
  const QList<double> stim = Fixture::Doubles(data.arguments()[0]);
  ASSERT_EQ(stim.size(), 401);
  EXPECT_LT(stim.front(), stim.back());

  // The path stays when the trace is renamed.
  ASSERT_EQ(f.Set(s21, kTrace, "Name", QString("S21 live")).type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(Fixture::PathIn(f.Call(filter, kDiagram, "Trace", {QString("S21 live")})), s21);

  // A marker at the maximum, with its read-out.
  const QString marker = Fixture::PathIn(f.Call(filter, kDiagram, "Marker", {5}));
  ASSERT_EQ(marker, filter + "/Marker5");
  ASSERT_EQ(f.Set(marker, kMarker, "SrcTrace", QString("S21 live")).type(), QDBusMessage::ReplyMessage);
  ASSERT_EQ(f.Set(marker, kMarker, "Active", true).type(), QDBusMessage::ReplyMessage);
  ASSERT_EQ(f.Call(marker, kMarker, "SetOnMax").type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(Fixture::Value(f.Get(marker, kMarker, "Mode")).toInt(), 2);
  const double at = Fixture::Value(f.Get(marker, kMarker, "Stimulus")).toDouble();
  EXPECT_GT(at, stim.front());
  EXPECT_FALSE(f.Call(marker, kMarker, "StringValue", {QString("S21 live")}).arguments()[0].toString().isEmpty());

  // The end of the next sweep arrives as the trace's signals.
  SweepCounter counter;
  ASSERT_TRUE(f.client.connect(kService, s21, kTrace, "SweepEndedEvent", &counter, SLOT(Plain())));
  ASSERT_TRUE(f.client.connect(kService, s21, kTrace, "SweepEndedEventEx", &counter, SLOT(WithId(qlonglong))));
  f.sim->Sweep();
  for (int i = 0; i < 100 && counter.lastId == 0; ++i) RunEventsFor(10);
  EXPECT_EQ(counter.plain, 1);
  EXPECT_EQ(counter.lastId, Fixture::Value(f.Get(s21, kTrace, "ID")).toLongLong());
}

TEST(AutomationBus, BadCallsGetNamedErrorsAndChangeNothing) {
  Fixture f;
  START_OR_SKIP(f);
  const QString filter = Fixture::PathIn(f.Call(TAutomationBus::kControlPath, kControl, "Diagram", {0}));
  const QString s21 = Fixture::PathIn(f.Call(filter, kDiagram, "Trace", {QString("S21")}));
  const QString longName(4097, 'x');
  const int refPos = Fixture::Value(f.Get(s21, kTrace, "RefPos")).toInt();
  struct SCase {
    const char* what;
    QDBusMessage reply;
    const char* error;
  };
  const SCase cases[] = {
      {"index past the end", f.Call(TAutomationBus::kControlPath, kControl, "Diagram", {7}), "org.plotvane.Error.InvalidArg"},
      {"wrong argument type", f.Call(TAutomationBus::kControlPath, kControl, "Diagram", {QString("0")}),
       "org.plotvane.Error.InvalidArg"},
      {"unknown trace", f.Call(filter, kDiagram, "Trace", {QString("S12")}), "org.plotvane.Error.InvalidArg"},
      {"overlong name", f.Call(filter, kDiagram, "Trace", {longName}), "org.plotvane.Error.InvalidArg"},
      {"data into a data trace",
       f.Call(s21, kTrace, "SetData", {QVariant::fromValue(QList<double>{1, 2}), QVariant::fromValue(QList<double>{1, 2})}),
       "org.plotvane.Error.Fail"},
      {"property of the wrong type", f.Set(s21, kTrace, "RefPos", QString("five")), "org.plotvane.Error.InvalidArg"},
      {"reference position 12", f.Set(s21, kTrace, "RefPos", 12), "org.plotvane.Error.InvalidArg"},
      {"read-only property", f.Set(s21, kTrace, "ID", 5), "org.freedesktop.DBus.Error.PropertyReadOnly"},
      {"unknown method", f.Call(s21, kTrace, "Explode"), "org.freedesktop.DBus.Error.UnknownMethod"},
      {"unknown object", f.Call("/org/plotvane/Gadget", kTrace, "FetchData"), "org.freedesktop.DBus.Error.UnknownObject"},
      {"trace never made", f.Call("/org/plotvane/Trace999999", kTrace, "FetchData"), "org.plotvane.Error.Pointer"},
  };
  for (const SCase& c : cases) {
    EXPECT_EQ(c.reply.type(), QDBusMessage::ErrorMessage) << c.what;
    EXPECT_EQ(c.reply.errorName().toStdString(), c.error) << c.what;
  }
  EXPECT_EQ(Fixture::Value(f.Get(s21, kTrace, "RefPos")).toInt(), refPos);

  // The last diagram is never removed: "removed" false.
  const QDBusMessage removed = f.Call(TAutomationBus::kControlPath, kControl, "RemoveDiagram", {1});
  ASSERT_EQ(removed.type(), QDBusMessage::ReplyMessage);
  EXPECT_TRUE(removed.arguments()[0].toBool());
  EXPECT_EQ(f.area->DiagramWidget(1), nullptr) << "the area follows the diagrams a script removes";
  EXPECT_FALSE(f.Call(TAutomationBus::kControlPath, kControl, "RemoveDiagram", {0}).arguments()[0].toBool());
}

TEST(AutomationBus, RemovedObjectsAnswerPointerAndCountsDoNotBlockTheUi) {
  Fixture f;
  START_OR_SKIP(f);
  const QString filter = Fixture::PathIn(f.Call(TAutomationBus::kControlPath, kControl, "Diagram", {0}));
  const QString copy = Fixture::PathIn(f.Call(filter, kDiagram, "AddStaticTrace", {QString("Copy")}));
  ASSERT_TRUE(copy.startsWith("/org/plotvane/Trace"));
  ASSERT_EQ(f.Call(filter, kDiagram, "DeleteTrace", {QString("Copy")}).type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(f.Call(copy, kTrace, "FetchData").errorName(), "org.plotvane.Error.Pointer");

  // A frequency count: the reply comes later, and the UI thread serves other calls meanwhile.
  const QString marker = Fixture::PathIn(f.Call(filter, kDiagram, "Marker", {0}));
  f.Set(marker, kMarker, "SrcTrace", QString("S21"));
  f.Set(marker, kMarker, "Active", true);
  f.Call(marker, kMarker, "SetOnMax");
  QDBusPendingCall count = f.client.asyncCall(QDBusMessage::createMethodCall(kService, marker, kMarker, "CountFreq"));
  EXPECT_EQ(Fixture::Value(f.Get(TAutomationBus::kControlPath, kControl, "DiagramCount")).toInt(), 2);
  for (int i = 0; i < 300 && !count.isFinished(); ++i) RunEventsFor(10);
  ASSERT_TRUE(count.isFinished());
  EXPECT_FALSE(count.isError()) << count.error().message().toStdString();

  // A script that goes away in the middle of a call leaves the component serving.
  {
    QDBusConnection quitter = QDBusConnection::connectToBus(f.bus.Address(), "automation-quitter");
    quitter.asyncCall(QDBusMessage::createMethodCall(kService, marker, kMarker, "CountFreq"));
    QDBusConnection::disconnectFromBus("automation-quitter");
  }
  RunEventsFor(100);
  EXPECT_EQ(Fixture::Value(f.Get(TAutomationBus::kControlPath, kControl, "DiagramCount")).toInt(), 2);
}

#include "AutomationBus_test.moc"
