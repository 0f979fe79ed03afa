#pragma once
// A concrete trace for tests of the trace pipeline: its diagram stub (when given) hears its
// notices; it can pretend to be a math or memory trace, and counts autoscale runs.
#include <string>

#include "support/DiagramStub.h"
#include "traces/Trace.h"

class CTestTrace : public CTraceMathSource {
 public:
  std::wstring type = L"Measuring";
  bool fixedRef = false;
  int autoScales = 0;

  explicit CTestTrace(CDiagramStub* diagram, std::wstring traceName = L"Trc1") : CTraceMathSource(diagram) {
    SetName(traceName);
    if (diagram != nullptr) Subscribe(diagram);
  }

  std::wstring GetTraceType() const override { return type; }
  bool IsFixedRef() const override { return fixedRef; }
  void SetAutoScale() override {
    ++autoScales;
    CTrace::SetAutoScale();
  }

  // Feeds one block the way a channel does: fresh new[] buffers, released after the call.
  void Feed(int size, int offset, int count, const double* x, const double* y, const double* z = nullptr,
            bool reset = false) {
    double* bx = Copy(x, count);
    double* by = Copy(y, count);
    double* bz = z != nullptr ? Copy(z, count) : nullptr;
    ProcessData(reset, size, offset, count, bx, by, bz);
    delete[] bx;
    delete[] by;
    delete[] bz;
  }

 private:
  static double* Copy(const double* v, int count) {
    if (v == nullptr || count <= 0) return nullptr;
    double* b = new double[static_cast<std::size_t>(count)];
    for (int i = 0; i < count; ++i) b[i] = v[i];
    return b;
  }
};
