#pragma once
// A diagram that owns simple traces, for code that reaches diagrams through DiagramInterface
// and channels through their subscribers. It records the trace operations asked of it.
//
// Its traces behave like real ones towards a channel: a data trace subscribes to its channel
// and, when the channel goes away, asks the diagram to destroy it.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/DiagramStub.h"
#include "support/FakeSubscriber.h"
#include "support/FakeTrace.h"

class CFakeDiagram;

class CFakeDiagramTrace : public FakeTrace, public CMeasurementSubscriber {
 public:
  // A trace with a channel subscribes to it.
  CFakeDiagramTrace(CFakeDiagram* diagram, std::wstring traceName, std::wstring type,
                    CMeasurement* measurement = nullptr)
      : diagram_(diagram), type_(std::move(type)), measurement_(measurement) {
    name = std::move(traceName);
    if (measurement_ != nullptr) AddMeasurement(measurement_);
  }

  std::wstring GetTraceType() const override { return type_; }
  MeasurementInterface* Measurement() const override { return measurement_; }

  // Goes with its channel, through its owner.
  void MeasurementDestroyed(CMeasurement* measurement) override;

 private:
  CFakeDiagram* diagram_;
  std::wstring type_;
  CMeasurement* measurement_;
};

class CFakeDiagram : public CRecordingSubscriber, public CDiagramStub {
 public:
  using CRecordingSubscriber::CRecordingSubscriber;

  std::vector<std::unique_ptr<CFakeDiagramTrace>> traces;  // display order, owned
  int selected = -1;                                       // index into traces, -1 for none
  std::vector<std::wstring> ops;                           // "select 1", "delete", "remember Tr1 Mem"
  std::vector<std::wstring> destroyed;                     // names of traces destroyed

  CFakeDiagramTrace* AddTrace(const std::wstring& name, const std::wstring& type,
                              CMeasurement* measurement = nullptr) {
    traces.push_back(std::make_unique<CFakeDiagramTrace>(this, name, type, measurement));
    return traces.back().get();
  }
  void DestroyTrace(CFakeDiagramTrace* trace) {
    auto it = std::find_if(traces.begin(), traces.end(), [&](auto& t) { return t.get() == trace; });
    if (it == traces.end()) return;
    destroyed.push_back(trace->GetName());
    std::unique_ptr<CFakeDiagramTrace> gone = std::move(*it);
    traces.erase(it);
  }

  void DeleteSelectedTraces() override {
    ops.push_back(L"delete");
    if (selected >= 0 && selected < static_cast<int>(traces.size())) DestroyTrace(traces[selected].get());
    selected = -1;
  }
  unsigned GetTraceCount() const override { return static_cast<unsigned>(traces.size()); }
  int GetTraceIndex(TraceInterface* trace) const override {
    for (std::size_t i = 0; i < traces.size(); ++i) {
      if (traces[i].get() == trace) return static_cast<int>(i);
    }
    return -1;
  }
  TraceInterface* RememberTrace(TraceInterface* source, const std::wstring& name) override {
    ops.push_back(L"remember " + source->GetName() + L" " + name);
    return AddTrace(name, L"Memory");
  }
  TraceInterface* Trace(const wchar_t* name) override {
    for (auto& t : traces) {
      if (t->GetName() == name) return t.get();
    }
    return nullptr;
  }
  TraceInterface* Trace(unsigned index) override {
    return index < traces.size() ? traces[index].get() : nullptr;
  }
  void SelectTrace(unsigned index) override {
    ops.push_back(L"select " + std::to_wstring(index));
    selected = static_cast<int>(index);
  }
};

inline void CFakeDiagramTrace::MeasurementDestroyed(CMeasurement* measurement) {
  if (diagram_ != nullptr) {
    diagram_->DestroyTrace(this);  // deletes this
  } else {
    CMeasurementSubscriber::MeasurementDestroyed(measurement);
  }
}
