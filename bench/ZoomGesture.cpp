// A zoom or pan gesture must keep up with the screen: the engine's handling of one mouse move
// plus the frame after it, against drawing the same frame alone. Four 100,001-point traces of
// four channels on a 1600 × 900 diagram; the pan drags the bottom strip back and forth, the
// zoom moves the corner of an area band.
#include <vector>

#include "BenchSweeps.h"
#include "BenchTarget.h"
#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "support/ControlStub.h"
#include "support/CountingCanvas.h"

namespace {

constexpr int kPoints = pvbench::kSweepPoints;
constexpr int kTraces = pvbench::kSweepTraces;

struct Scene {
  CControlStub control;
  CDiagram diagram{&control};
  std::vector<CMeasurement> channels = std::vector<CMeasurement>(kTraces);
  Scene() {
    const pvbench::Sweeps& data = pvbench::SweepData();
    diagram.SetBounds({0, 0, 1680, 970});
    diagram.SetMeasurementBarVisibility(false);
    diagram.SetDoubleClickTime(0);
    for (int t = 0; t < kTraces; ++t) {
      CMeasurement& m = channels[static_cast<std::size_t>(t)];
      m.SetParameter(L"channel", std::to_wstring(t + 1));
      m.SetStimulusFullRange(0.5e9, 2.5e9);
      m.SetStimulusRange(data.x[t].front(), data.x[t].back(), true);
      m.SetPointsCount(kPoints);
      diagram.AddMeasurement(&m);
      diagram.AddDataTrace()->SetMeasurement(&m);
    }
    diagram.SetActive(true);
    diagram.SelectAllTraces();
    diagram.UpdateSelectedTracesList();
    for (int t = 0; t < kTraces; ++t) {
      std::vector<double> x = data.x[t], y = data.y[t];
      channels[static_cast<std::size_t>(t)].AddData(0, kPoints, x.data(), y.data(), nullptr);
    }
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_DiagramDraw(benchmark::State& state) {
  Scene& s = TheScene();
  CCountingCanvas canvas;
  for (auto _ : state) {
    canvas.Reset();
    s.diagram.Draw(canvas);
  }
}

void Gesture(benchmark::State& state, bool pan) {
  Scene& s = TheScene();
  const SRect plot = s.diagram.GetChart()->PlotRect();
  const int y = pan ? plot.bottom + 10 : plot.top + 100;
  const int x = plot.left + plot.Width() / 2;
  s.diagram.MouseDown(x, y);
  if (!s.diagram.Gesture().active) state.SkipWithError("no gesture started");
  CCountingCanvas canvas;
  int step = 0;
  for (auto _ : state) {
    const int dx = (step++ % 2 == 0) ? 40 : 0;  // back and forth: the sweep stays in range
    s.diagram.MouseMove(x + dx, pan ? y : y + 200);
    canvas.Reset();
    s.diagram.Draw(canvas);
  }
  s.diagram.MouseMove(x, y);
  s.diagram.MouseUp(x, y);
  s.diagram.UnZoom();
}

void BM_PanMoveAndDraw(benchmark::State& state) { Gesture(state, true); }
void BM_ZoomMoveAndDraw(benchmark::State& state) { Gesture(state, false); }

}  // namespace

BENCHMARK(BM_DiagramDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PanMoveAndDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZoomMoveAndDraw)->Unit(benchmark::kMicrosecond);

PVBENCH_MAIN({
    {"pan_move_4x100001", "BM_PanMoveAndDraw", "BM_DiagramDraw", 1.2, 1, "us"},
    {"zoom_move_4x100001", "BM_ZoomMoveAndDraw", "BM_DiagramDraw", 1.2, 1, "us"},
})
