#pragma once
// The trace that follows a measurement channel: every block the channel delivers goes
// through the trace pipeline.
#include "traces/Trace.h"

class CTraceData : public CTraceMathSource {
 public:
  // Made for `diagram` (see CTrace); the diagram adopts it, binds its first channel and names
  // it. Null makes a free-standing trace.
  explicit CTraceData(DiagramInterface* diagram);

  std::wstring GetTraceType() const override { return L"Measuring"; }
  // The instrument fixes the reference level when the channel names one.
  bool IsFixedRef() const override;
  void CallbackChanged(CMeasurement* measurement, EMeasureParam kind) override;
  void CallbackData(CMeasurement* measurement, int offset, int count, const double* x, const double* y, const double* z) override;
  // The trace goes with its channel: it tells its owner, which destroys it.
  void MeasurementDestroyed(CMeasurement* measurement) override;
  bool IsMeasurementUsed(CMeasurement* measurement) override;
  bool IsMeasurementVisible(CMeasurement* measurement) override;

 private:
  // Points of a channel's block that go through the chain at once: a sweep of tens of
  // millions of points costs its source and display buffers and only this much more.
  static constexpr int kMaxPart = 1 << 20;
  CBlockBuffers buffers_;  // the working copy of each block, kept between blocks
};
