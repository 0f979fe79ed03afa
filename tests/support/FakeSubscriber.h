#pragma once
// A measurement subscriber that records every callback it receives (and, optionally, the
// order across several subscribers in a shared journal), answers the activity queries from
// fields, and runs test-supplied reactions inside the callbacks.
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "measurements/Measurement.h"
#include "measurements/MeasurementSubscriber.h"

class CRecordingSubscriber : public CMeasurementSubscriber {
 public:
  struct SCall {
    char kind = 0;  // 'C' changed, 'R' data ready, 'D' data, 'E' data done
    EMeasureParam param = mpAttached;  // 'C' only
    int offset = 0;
    int count = 0;
    const double* x = nullptr;               // the arrays as received, to check they are passed through
    const double* y = nullptr;
    std::vector<double> xValues;       // a copy of x[0 … count − 1]
  };

  // `journal` (shared by several subscribers) receives "<name>:<kind>" for every callback,
  // with the kind number appended for changes ("A:C7").
  explicit CRecordingSubscriber(std::string name = {}, std::vector<std::string>* journal = nullptr)
      : name_(std::move(name)), journal_(journal) {}

  std::vector<SCall> calls;
  bool active = false;
  bool used = false;
  bool visible = false;
  std::function<void(CMeasurement*, EMeasureParam)> onChanged;
  std::function<void(CMeasurement*, int offset, int count, const double* x)> onData;

  // Change kinds received, in order.
  std::vector<EMeasureParam> Changes() const {
    std::vector<EMeasureParam> kinds;
    for (const SCall& c : calls) {
      if (c.kind == 'C') kinds.push_back(c.param);
    }
    return kinds;
  }
  std::vector<const SCall*> DataCalls() const {
    std::vector<const SCall*> data;
    for (const SCall& c : calls) {
      if (c.kind == 'D') data.push_back(&c);
    }
    return data;
  }
  int CountOf(char kind) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const SCall& c) { return c.kind == kind; }));
  }
  void Clear() { calls.clear(); }

  void CallbackChanged(CMeasurement* m, EMeasureParam kind) override {
    Record('C', m, "C" + std::to_string(static_cast<int>(kind))).param = kind;
    if (onChanged) Run(onChanged, m, kind);
  }
  void CallbackDataReady(CMeasurement* m) override { Record('R', m, "R"); }
  void CallbackData(CMeasurement* m, int offset, int count, const double* x, const double* y, const double*) override {
    SCall& c = Record('D', m, "D");
    c.offset = offset;
    c.count = count;
    c.x = x;
    c.y = y;
    if (x != nullptr && count > 0) c.xValues.assign(x, x + count);
    if (onData) Run(onData, m, offset, count, x);
  }
  void CallbackDataDone(CMeasurement* m) override { Record('E', m, "E"); }
  bool IsMeasurementActive(CMeasurement*) override { return active; }
  bool IsMeasurementUsed(CMeasurement*) override { return used; }
  bool IsMeasurementVisible(CMeasurement*) override { return visible; }

 private:
  // Runs a copy of the reaction: a reaction may destroy this subscriber, and with it the
  // reaction itself.
  template <typename F, typename... Args>
  static void Run(const F& reaction, Args... args) {
    F copy = reaction;
    copy(args...);
  }
  SCall& Record(char kind, CMeasurement*, const std::string& what) {
    if (journal_ != nullptr) journal_->push_back(name_ + ":" + what);
    SCall& c = calls.emplace_back();
    c.kind = kind;
    return c;
  }

  std::string name_;
  std::vector<std::string>* journal_;
};
