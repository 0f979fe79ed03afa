#pragma once
// A diagram for tests of traces: it has a chart to draw on, an optional filter factory and
// options, answers what a trace may ask of its diagram, and writes down every notice of the
// traces subscribed to it ("data 10 5 15 1", "sweep", "scale", "plot", "removed").
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/TraceView.h"

class CDiagramStub : public DiagramInterface, public ITraceObserver {
 public:
  std::vector<TraceInterface*> members;  // what Trace(i) lists, not owned
  std::vector<MeasurementInterface*> channels;
  std::vector<std::wstring> requests;
  CChart chart;
  IModulesFactory* filterFactory = nullptr;
  std::map<std::wstring, std::wstring> options;

  CDiagramStub() { chart.SetBounds({0, 0, 1120, 570}); }  // plot rectangle 1000 x 500

  // True when a request or notice starting with `prefix` was recorded.
  bool Asked(const std::wstring& prefix) const {
    return std::any_of(requests.begin(), requests.end(),
                       [&](const std::wstring& r) { return r.rfind(prefix, 0) == 0; });
  }
  int CountOf(const std::wstring& prefix) const {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [&](const std::wstring& r) { return r.rfind(prefix, 0) == 0; }));
  }

  void TraceChanged(const STraceChange& c) override {
    static const wchar_t* const kNames[] = {L"data",  L"sweep", L"cleared", L"plot",    L"scale",
                                            L"stimulus", L"look", L"channel", L"gone", L"removed"};
    std::wstring line = kNames[c.kind];
    if (c.kind == tcData)
      line += L" " + std::to_wstring(c.offset) + L" " + std::to_wstring(c.count) + L" " + std::to_wstring(c.size) +
              (c.reset ? L" 1" : L" 0");
    requests.push_back(line);
  }

  std::wstring name = L"Diagram1";
  const std::wstring& GetName() const override { return name; }
  void DeleteSelectedTraces() override {}
  unsigned GetTraceCount() const override { return static_cast<unsigned>(members.size()); }
  int GetTraceIndex(TraceInterface* trace) const override {
    auto it = std::find(members.begin(), members.end(), trace);
    return it == members.end() ? -1 : static_cast<int>(it - members.begin());
  }
  TraceInterface* RememberTrace(TraceInterface*, const std::wstring&) override { return nullptr; }
  unsigned GetSelectedTracesCount() const override { return 0; }
  TraceInterface* SelectedTrace(unsigned) const override { return nullptr; }
  TraceInterface* Trace(const wchar_t* name) override {
    for (auto* t : members) {
      if (t->GetName() == name) return t;
    }
    return nullptr;
  }
  TraceInterface* Trace(unsigned index) override { return index < members.size() ? members[index] : nullptr; }
  void SelectTrace(unsigned) override {}
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
  bool GetAxisXLogarithmicScale() const override { return false; }
  void SetAxisXLogarithmicScale(bool) override {}
  IModulesFactory* GetFilterFactory() override { return filterFactory; }
  std::wstring GetOption(const wchar_t* name) override {
    auto it = options.find(name);
    return it == options.end() ? std::wstring() : it->second;
  }
};
