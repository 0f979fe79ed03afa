#include "traces/TraceData.h"

#include <algorithm>

#include "common/Assert.h"
#include "measurements/Measurement.h"

CTraceData::CTraceData(DiagramInterface* diagram) : CTraceMathSource(diagram) {}

bool CTraceData::IsFixedRef() const {
  return Measurement() != nullptr && !Measurement()->GetParameter(L"reference_level").empty();
}

void CTraceData::CallbackChanged(CMeasurement* measurement, EMeasureParam kind) {
  if (kind == mpStimulusQuantity || kind == mpNewSweep) ClearValues();
  CTrace::CallbackChanged(measurement, kind);
}

void CTraceData::CallbackData(CMeasurement* measurement, int offset, int count, const double* x, const double* y,
                              const double* z) {
  if (measurement == nullptr || count < 0 || (count > 0 && (x == nullptr || y == nullptr))) return;
  // The host's arrays are its own: the chain works on our copy, which filters may replace.
  // A very long block goes through in parts, so the copy stays small beside the sweep.
  const int size = measurement->GetPointsCount();
  if (!PV_ASSERT_MSG(offset >= 0 && offset <= size && count <= size - offset, "Cnt + Offset <= Size")) return;
  const double multiplier = measurement->GetStimulusMultiplier();
  int done = 0;
  do {
    const int part = std::min(count - done, kMaxPart);
    SBlock block{false, offset + done, part, size};
    if (!buffers_.Prepare(block, part, z != nullptr)) {
      PV_ASSERT_MSG(false, "not enough memory for the block");
      return;
    }
    const SHostArrays host{x + done, y + done, z != nullptr ? z + done : nullptr, multiplier};
    Process(block, &host);
    buffers_.Settle(block);
    done += part;
  } while (done < count);
}

void CTraceData::MeasurementDestroyed(CMeasurement* measurement) {
  const bool mine = measurement == Measurement();
  CTrace::MeasurementDestroyed(measurement);
  if (mine) Announce(tcChannelGone);  // the owner may destroy this trace now
}

bool CTraceData::IsMeasurementUsed(CMeasurement* measurement) {
  return measurement != nullptr && measurement == Measurement();
}

bool CTraceData::IsMeasurementVisible(CMeasurement* measurement) {
  return measurement != nullptr && measurement == Measurement() && GetVisible();
}
