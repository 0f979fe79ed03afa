#pragma once
// The trace that follows a measurement channel: every block the channel delivers goes
// through the trace pipeline.
#include "traces/Trace.h"

class CTraceData : public CTraceMathSource {
 public:
  // Joins `diagram` at once (see SetDiagram); null makes a free-standing trace.
  explicit CTraceData(DiagramInterface* diagram);
  ~CTraceData() override;

  std::wstring GetTraceType() const override { return L"Measuring"; }
  // The instrument fixes the reference level when the channel names one.
  bool IsFixedRef() const override;
  void SetDiagram(DiagramInterface* diagram) override;
  void CallbackChanged(CMeasurement* measurement, EMeasureParam kind) override;
  void CallbackData(CMeasurement* measurement, int offset, int count, const double* x, const double* y, const double* z) override;
  // The trace goes with its channel.
  void MeasurementDestroyed(CMeasurement* measurement) override;
  bool IsMeasurementActive(CMeasurement* measurement) override;
  bool IsMeasurementUsed(CMeasurement* measurement) override;
  bool IsMeasurementVisible(CMeasurement* measurement) override;

 private:
  // Working copies of a block, kept between blocks. The pipeline may hand a filter's
  // replacement back in their place; a replaced buffer was released by the filter.
  struct SBuffer {
    double* data = nullptr;
    int capacity = 0;
  };
  static double* Reserve(SBuffer& buffer, int count);
  static void Settle(SBuffer& buffer, double* after);

  SBuffer x_, y_, z_;
};
