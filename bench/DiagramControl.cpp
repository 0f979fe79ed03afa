// The control and its diagrams must add little to the way of a sweep: one round of AddData on
// ten 10,001-point channels shown by four diagrams of ten data traces each, against the same
// sweeps through as many bare traces subscribed to plain channels. And painting a diagram of
// 30 traces costs, beside drawing its chart alone, only the frame, bars and label around it.
#include <cmath>
#include <memory>
#include <vector>

#include "BenchTarget.h"
#include "support/CountingCanvas.h"
#include "control/DiagramControl.h"
#include "traces/TraceData.h"

namespace {

constexpr int kPoints = 10001;
constexpr int kChannels = 10;
constexpr int kDiagrams = 4;
constexpr int kDrawTraces = 30;

class CBenchHost : public IControlHost {
 public:
  SSize ClientSize() const override { return {1600, 1000}; }
  void Repaint() override {}
};

struct Sweeps {
  std::vector<double> x;
  std::vector<std::vector<double>> y;
  Sweeps() : x(kPoints), y(kChannels, std::vector<double>(kPoints)) {
    for (int i = 0; i < kPoints; ++i) x[i] = 1e9 + i * 1e5;
    for (int c = 0; c < kChannels; ++c)
      for (int i = 0; i < kPoints; ++i) y[c][i] = -10.0 * (c + 1) + 5 * std::sin(i * 0.003 * (c + 1));
  }
};

const Sweeps& Data() {
  static const Sweeps sweeps;
  return sweeps;
}

void Describe(CMeasurement& channel, int index) {
  channel.SetName(L"Ch" + std::to_wstring(index));
  channel.SetStimulusQuantity(L"Hz");
  channel.SetResponseQuantity(L"dBm");
  channel.SetPointsCount(kPoints);
  channel.SetStimulusRange(Data().x.front(), Data().x.back(), true);
}

void Round(const std::vector<CMeasurement*>& channels) {
  const Sweeps& data = Data();
  for (int c = 0; c < kChannels; ++c)
    channels[c]->AddData(0, kPoints, const_cast<double*>(data.x.data()), const_cast<double*>(data.y[c].data()),
                         nullptr);
}

// No filters, so both sides run the same pipeline; the difference is the diagrams.
struct ControlSetup {
  CBenchHost host;
  CDiagramControl control{&host, L""};
  std::vector<CMeasurement*> channels;

  explicit ControlSetup(int diagrams) {
    control.Deserialize(pugi::xml_node(), "");
    for (int c = 0; c < kChannels; ++c) {
      channels.push_back(control.CreateMeasurement());
      Describe(*channels.back(), c);
    }
    const std::vector<MeasurementInterface*> shown(channels.begin(), channels.end());
    for (int d = 0; d < diagrams; ++d) control.AddDiagram()->AddMeasurements(&shown);
  }
};

void BM_ControlRound(benchmark::State& state) {
  ControlSetup setup(kDiagrams);
  Round(setup.channels);  // the first sweep sizes every buffer
  for (int d = 0; d < kDiagrams; ++d) {
    CDiagram* diagram = setup.control.GetDiagram(d);
    if (diagram->GetTraceCount() != kChannels || diagram->Trace(kChannels - 1u)->Count() != kPoints)
      state.SkipWithError("the diagrams do not show every sweep");
  }
  for (auto _ : state) Round(setup.channels);
}

void BM_BareTracesRound(benchmark::State& state) {
  std::vector<std::unique_ptr<CMeasurement>> owned;
  std::vector<CMeasurement*> channels;
  std::vector<std::unique_ptr<CTraceData>> traces;
  for (int c = 0; c < kChannels; ++c) {
    owned.push_back(std::make_unique<CMeasurement>());
    channels.push_back(owned.back().get());
    Describe(*channels.back(), c);
  }
  for (int d = 0; d < kDiagrams; ++d)
    for (CMeasurement* channel : channels) {
      traces.push_back(std::make_unique<CTraceData>(nullptr));
      traces.back()->SetMeasurement(channel);
    }
  Round(channels);
  if (traces.back()->Count() != kPoints) state.SkipWithError("the traces did not take the sweep");
  for (auto _ : state) Round(channels);
  traces.clear();  // before their channels
}

// One diagram of 30 traces over the ten channels (the limit of ten data traces is the menu's,
// not the drawing's).
struct DrawSetup {
  ControlSetup setup{1};
  CDiagram* diagram = setup.control.GetDiagram(0);
  CCountingCanvas canvas;

  DrawSetup() {
    for (int t = static_cast<int>(diagram->GetTraceCount()); t < kDrawTraces; ++t)
      diagram->Adopt(std::make_unique<CTraceData>(diagram), L"Trc")->SetMeasurement(setup.channels[t % kChannels]);
    Round(setup.channels);
  }
};

void BM_DiagramDraw(benchmark::State& state) {
  DrawSetup s;
  if (s.diagram->GetTraceCount() != kDrawTraces) state.SkipWithError("the diagram did not take 30 traces");
  for (auto _ : state) {
    s.canvas.Reset();
    s.diagram->Draw(s.canvas);
  }
  state.counters["polylines"] = double(s.canvas.polylines);
}

void BM_ChartDraw(benchmark::State& state) {
  DrawSetup s;
  for (auto _ : state) {
    s.canvas.Reset();
    s.diagram->GetChart()->Draw(s.canvas);
  }
  state.counters["polylines"] = double(s.canvas.polylines);
}

}  // namespace

BENCHMARK(BM_ControlRound)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareTracesRound)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiagramDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChartDraw)->Unit(benchmark::kMicrosecond);

PVBENCH_MAIN({
    {"control_round", "BM_ControlRound", "BM_BareTracesRound", 1.5, 1, "us"},
    {"diagram_draw", "BM_DiagramDraw", "BM_ChartDraw", 0, 1, "us"},
})
