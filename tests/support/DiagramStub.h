#pragma once
// A diagram for tests of traces: it keeps the traces that attach to it (not owned), has a
// chart to draw on, a recording markers manager, an optional filter factory and options,
// and writes down every request a trace makes of it ("axes 1", "cleared Trc1", "frame 0").
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/MarkersManagerInterface.h"

class CRecordingMarkers : public IMarkersManager {
 public:
  std::vector<std::wstring> calls;  // "update Trc1", "stat Trc1 1"
  void Update(TraceInterface* trace) override { calls.push_back(L"update " + trace->GetName()); }
  void UpdateStat(TraceInterface* trace, bool reset) override {
    calls.push_back(L"stat " + trace->GetName() + (reset ? L" 1" : L" 0"));
  }
};

class CDiagramStub : public DiagramInterface {
 public:
  std::vector<TraceInterface*> members;  // attach order, not owned
  std::vector<MeasurementInterface*> channels;
  std::vector<std::wstring> requests;
  CChart chart;
  std::unique_ptr<CRecordingMarkers> markers = std::make_unique<CRecordingMarkers>();
  IModulesFactory* filterFactory = nullptr;
  std::map<std::wstring, std::wstring> options;
  bool logX = false;
  bool logY = false;
  bool barVisible = true;
  bool barShown = true;
  int nextColor = 0;
  int names = 0;

  CDiagramStub() { chart.SetBounds({0, 0, 1120, 570}); }  // plot rectangle 1000 x 500

  // True when a request starting with `prefix` was made.
  bool Asked(const std::wstring& prefix) const {
    return std::any_of(requests.begin(), requests.end(),
                       [&](const std::wstring& r) { return r.rfind(prefix, 0) == 0; });
  }

  void DeleteSelectedTraces() override { requests.push_back(L"delete"); }
  unsigned GetTraceCount() const override { return static_cast<unsigned>(members.size()); }
  int GetTraceIndex(TraceInterface* trace) const override {
    auto it = std::find(members.begin(), members.end(), trace);
    return it == members.end() ? -1 : static_cast<int>(it - members.begin());
  }
  TraceInterface* RememberTrace(TraceInterface*, const std::wstring&) override { return nullptr; }
  TraceInterface* Trace(const wchar_t* name) override {
    for (auto* t : members) {
      if (t->GetName() == name) return t;
    }
    return nullptr;
  }
  TraceInterface* Trace(unsigned index) override { return index < members.size() ? members[index] : nullptr; }
  void SelectTrace(unsigned index) override { requests.push_back(L"select " + std::to_wstring(index)); }
  MeasurementInterface* Measurement(unsigned index) override {
    return index < channels.size() ? channels[index] : nullptr;
  }
  unsigned MeasurementCount() override { return static_cast<unsigned>(channels.size()); }

  CChart* GetChart() override { return &chart; }
  CChartAxis* GetBindAxis(EBindedAxis axis) override {
    if (axis == baLeft) return &chart.LeftAxis();
    if (axis == baRight) return &chart.RightAxis();
    return nullptr;
  }
  void UpdateAxes(int which, TraceInterface*) override { requests.push_back(L"axes " + std::to_wstring(which)); }
  void RepaintChart() override { requests.push_back(L"repaint"); }
  void UpdateTraceStatus(TraceInterface*) override {}
  void TraceCleared(TraceInterface* trace) override { requests.push_back(L"cleared " + trace->GetName()); }
  IMarkersManager* GetMarkers() override { return markers.get(); }
  bool GetAxisXLogarithmicScale() const override { return logX; }
  bool GetAxisYLogarithmicScale() const override { return logY; }
  void SetAxisXLogarithmicScale(bool on) override {
    logX = on;
    requests.push_back(on ? L"logx 1" : L"logx 0");
  }
  void SetAxisYLogarithmicScale(bool on) override {
    logY = on;
    requests.push_back(on ? L"logy 1" : L"logy 0");
  }
  bool GetMeasurementBarVisibility() const override { return barVisible; }
  void ShowMeasurementBar(bool show) override {
    barShown = show;
    requests.push_back(show ? L"bar 1" : L"bar 0");
  }
  void ShowChartFrame(bool show) override { requests.push_back(show ? L"frame 1" : L"frame 0"); }
  void SetGradient(bool on) override { requests.push_back(on ? L"gradient 1" : L"gradient 0"); }
  void SetWaterfall(bool on) override { requests.push_back(on ? L"waterfall 1" : L"waterfall 0"); }
  void SetActiveMeasurements() override { requests.push_back(L"active"); }
  std::wstring UniqueTraceName(const std::wstring& prefix) override {
    return prefix + std::to_wstring(++names);
  }
  TColor UniqueTraceColor(TraceInterface*) override { return static_cast<TColor>(++nextColor); }
  void AddTrace(TraceInterface* trace) override {
    if (GetTraceIndex(trace) < 0) members.push_back(trace);
  }
  void RemoveTrace(TraceInterface* trace) override {
    members.erase(std::remove(members.begin(), members.end(), trace), members.end());
  }
  void DestroyTrace(TraceInterface* trace) override {
    requests.push_back(L"destroy " + trace->GetName());
    RemoveTrace(trace);
  }
  IModulesFactory* GetFilterFactory() override { return filterFactory; }
  std::wstring GetOption(const wchar_t* name) override {
    auto it = options.find(name);
    return it == options.end() ? std::wstring() : it->second;
  }
  void UpdatePropPages(int kind) override { requests.push_back(L"proppages " + std::to_wstring(kind)); }
};
