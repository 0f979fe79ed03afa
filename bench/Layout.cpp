// Saving and loading a whole layout: four diagrams of ten data traces, each trace with the
// display-format filter from the real package. Ten is the limit of data traces a diagram
// loads; the thirty traces a diagram can show need memory and math traces, which join this
// layout when they exist. Save: the control written into a fresh document and that document
// to text. Load: the text parsed and read into the control, both onto the same layout
// (traces reused in place) and into a control without diagrams (every diagram, trace and
// filter made anew). The target: loading in place costs at most twice saving.
#include <sstream>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "common/Text.h"
#include "control/DiagramControl.h"
#include "traces/Trace.h"

namespace {

constexpr int kChannels = 10;
constexpr int kDiagrams = 4;

class CBenchHost : public IControlHost {
 public:
  SSize ClientSize() const override { return {1600, 1000}; }
  void Repaint() override {}
};

std::string SaveText(CDiagramControl& control) {
  pugi::xml_document doc;
  control.Serialize(doc.append_child("layout"), nullptr);
  std::ostringstream text;
  doc.save(text);
  return text.str();
}

void LoadText(CDiagramControl& control, const std::string& text) {
  pugi::xml_document doc;
  doc.load_buffer(text.data(), text.size());
  control.Deserialize(doc.document_element(), nullptr);
}

struct LayoutSetup {
  CBenchHost host;
  CDiagramControl control{&host, L"QUANTITY", Utf8ToWide(PLOTVANE_PLUGIN_DIR)};
  void* keeper = nullptr;  // holds the package loaded while diagrams come and go
  std::string text;

  LayoutSetup() {
    std::vector<MeasurementInterface*> channels;
    for (int c = 0; c < kChannels; ++c) {
      CMeasurement* channel = control.CreateMeasurement();
      channel->SetName(L"Ch" + std::to_wstring(c));
      channel->SetParameter(L"channel", std::to_wstring(c + 1).c_str());
      channels.push_back(channel);
    }
    control.Deserialize(pugi::xml_node(), nullptr);
    for (int d = 0; d < kDiagrams; ++d) control.AddDiagram()->AddMeasurements(&channels);
    if (control.GetFilterFactory()->Count() > 0) control.GetFilterFactory()->CreateInstance(keeper, 0);
    text = SaveText(control);
  }
  ~LayoutSetup() {
    if (keeper != nullptr) control.GetFilterFactory()->DestroyInstance(keeper);
  }

  // Every diagram shows ten traces with the filter.
  bool Complete() const {
    if (control.GetDiagramCount() != kDiagrams) return false;
    for (unsigned d = 0; d < kDiagrams; ++d) {
      CDiagram* diagram = control.GetDiagram(d);
      if (diagram->GetTraceCount() != kChannels || diagram->Trace(kChannels - 1)->GetFilterCount() != 1)
        return false;
    }
    return true;
  }
};

void BM_LayoutSave(benchmark::State& state) {
  LayoutSetup s;
  if (!s.Complete()) state.SkipWithError("the layout is not four diagrams of ten filtered traces");
  for (auto _ : state) benchmark::DoNotOptimize(SaveText(s.control));
  state.counters["bytes"] = double(s.text.size());
}

void BM_LayoutLoadInPlace(benchmark::State& state) {
  LayoutSetup s;
  for (auto _ : state) LoadText(s.control, s.text);
  if (!s.Complete() || SaveText(s.control) != s.text) state.SkipWithError("the layout did not come back");
}

void BM_LayoutLoadFresh(benchmark::State& state) {
  LayoutSetup s;
  const std::string empty = "<layout><diagram_control mode='0'/></layout>";
  for (auto _ : state) {
    state.PauseTiming();
    LoadText(s.control, empty);
    state.ResumeTiming();
    LoadText(s.control, s.text);
  }
  if (!s.Complete() || SaveText(s.control) != s.text) state.SkipWithError("the layout did not come back");
}

}  // namespace

// A few repetitions each, of which the fastest counts: a run of a hundred microseconds is
// easily disturbed on a shared machine.
BENCHMARK(BM_LayoutSave)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_LayoutLoadInPlace)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_LayoutLoadFresh)->Unit(benchmark::kMicrosecond)->Repetitions(3);

PVBENCH_MAIN({
    {"layout_load", "BM_LayoutLoadInPlace", "BM_LayoutSave", 2, 1, "us"},
    {"layout_load_fresh", "BM_LayoutLoadFresh", "BM_LayoutSave", 0, 1, "us"},
})
