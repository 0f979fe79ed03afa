// A script reading a 100,001-point trace over D-Bus (FetchData: the stimulus and response
// arrays, "adad"), against the bare cost of the bus for the same doubles: a round trip of one
// "ad" of 100,001 doubles to an echo object and back. Both on a private bus started here, with
// the client on a connection of its own in the same process (its blocking calls let the event
// loop serve the other end), so both pay the same per-call costs.
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchTarget.h"
#include "automation/Diagram_COM.h"
#include "automation/Trace_COM.h"
#include "control/DiagramControl.h"
#include "measurements/Measurement.h"
#include "support/PrivateBus.h"
#include "ui/AutomationBus.h"

namespace {

constexpr int kPoints = 100'001;
const char* kService = "org.plotvane.Bench";

// Answers Echo(ad) with the same doubles.
class TEcho : public QDBusVirtualObject {
 public:
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != "Echo" || message.signature() != "ad") return false;
    QList<double> values;
    message.arguments()[0].value<QDBusArgument>() >> values;
    connection.send(message.createReply(QVariant::fromValue(values)));
    return true;
  }
  QString introspect(const QString&) const override { return {}; }
};

struct SState {
  QDBusConnection client{QString()};
  QString tracePath;
  QList<double> echoData;
};
SState* state = nullptr;

QList<double> Doubles(const QVariant& v) {
  QList<double> list;
  v.value<QDBusArgument>() >> list;
  return list;
}

void BM_FetchData(benchmark::State& s) {
  const QDBusMessage call = QDBusMessage::createMethodCall(kService, state->tracePath, "org.plotvane.Trace", "FetchData");
  for (auto _ : s) {
    const QDBusMessage reply = state->client.call(call, QDBus::BlockWithGui);
    if (reply.arguments().size() != 2) {
      s.SkipWithError("FetchData failed");
      break;
    }
    QList<double> stim = Doubles(reply.arguments()[0]);
    QList<double> resp = Doubles(reply.arguments()[1]);
    benchmark::DoNotOptimize(stim.data());
    benchmark::DoNotOptimize(resp.data());
  }
}
BENCHMARK(BM_FetchData)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EchoRoundTrip(benchmark::State& s) {
  QDBusMessage call = QDBusMessage::createMethodCall(kService, "/bench/Echo", "org.plotvane.Bench", "Echo");
  call.setArguments({QVariant::fromValue(state->echoData)});
  for (auto _ : s) {
    const QDBusMessage reply = state->client.call(call, QDBus::BlockWithGui);
    if (reply.arguments().size() != 1) {
      s.SkipWithError("Echo failed");
      break;
    }
    QList<double> back = Doubles(reply.arguments()[0]);
    benchmark::DoNotOptimize(back.data());
  }
}
BENCHMARK(BM_EchoRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  qDBusRegisterMetaType<QList<double>>();
  CPrivateBus bus;
  if (bus.Address().isEmpty()) {
    std::printf("target automation_fetch_data: not measured (%s)\n", bus.Why().toStdString().c_str());
    return 0;
  }

  // One diagram with a trace of a 100,001-point sweep.
  CDiagramControl control(nullptr, L"");
  control.Deserialize(pugi::xml_node(), "");
  CMeasurement* channel = control.CreateMeasurement();
  channel->SetName(L"S21");
  channel->SetStimulusQuantity(L"Hz");
  channel->SetStimulusRange(1e9, 2e9, true);
  channel->SetPointsCount(kPoints);
  std::vector<MeasurementInterface*> channels{channel};
  control.AddDiagram()->AddMeasurements(&channels);
  std::vector<double> x(kPoints), y(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    x[i] = 1e9 + 1e4 * i;
    y[i] = -20.0 + 0.001 * (i % 1000);
  }
  channel->AddData(0, kPoints, x.data(), y.data(), nullptr);

  QDBusConnection server = QDBusConnection::connectToBus(bus.Address(), "bench-server");
  TAutomationBus automation(&control);
  TEcho echo;
  if (!automation.Register(server, kService) || !server.registerVirtualObject("/bench/Echo", &echo)) {
    std::printf("target automation_fetch_data: not measured (%s)\n", automation.LastError().toStdString().c_str());
    return 1;
  }
  SState s;
  s.client = QDBusConnection::connectToBus(bus.Address(), "bench-client");
  s.tracePath = TAutomationBus::PathOf(TraceObject(control.GetDiagram(0)->Trace(0u)).get());
  s.echoData = QList<double>(y.begin(), y.end());
  state = &s;

  const int result = pvbench::Main(argc, argv,
                                   {{"automation_fetch_data", "BM_FetchData/real_time", "BM_EchoRoundTrip/real_time",
                                     3.0, 1, "ms"}});
  state = nullptr;
  automation.Unregister();
  control.DestroyMeasurements();
  return result;
}
