#include "traces/TraceData.h"

#include <algorithm>

#include "common/Text.h"
#include "measurements/Measurement.h"

CTraceData::CTraceData(DiagramInterface* diagram) : CTraceMathSource(diagram) {
  if (diagram != nullptr) SetDiagram(diagram);
}

CTraceData::~CTraceData() {
  delete[] x_.data;
  delete[] y_.data;
  delete[] z_.data;
}

bool CTraceData::IsFixedRef() const {
  return GetMeasurement() != nullptr && !GetMeasurement()->GetParameter(L"reference_level").empty();
}

void CTraceData::SetDiagram(DiagramInterface* diagram) { ExSetDiagram(diagram, true, Tr("Трс")); }

void CTraceData::CallbackChanged(CMeasurement* measurement, EMeasureParam kind) {
  if (kind == mpStimulusQuantity || kind == mpNewSweep) ClearValues();
  CTrace::CallbackChanged(measurement, kind);
}

double* CTraceData::Reserve(SBuffer& buffer, int count) {
  if (buffer.capacity < count) {
    delete[] buffer.data;
    buffer.data = new double[static_cast<std::size_t>(count)];
    buffer.capacity = count;
  }
  return buffer.data;
}

void CTraceData::Settle(SBuffer& buffer, double* after) {
  if (after == buffer.data) return;
  // A filter put its own array in place of ours and released ours; its array is ours to
  // release now, and the next block allocates afresh.
  delete[] after;
  buffer.data = nullptr;
  buffer.capacity = 0;
}

void CTraceData::CallbackData(CMeasurement* measurement, int offset, int count, const double* x, const double* y, const double* z) {
  if (measurement == nullptr || count < 0 || (count > 0 && (x == nullptr || y == nullptr))) return;
  const double multiplier = measurement->GetStimulusMultiplier();
  double* bx = Reserve(x_, count);
  double* by = Reserve(y_, count);
  double* bz = z != nullptr ? Reserve(z_, count) : nullptr;
  for (int i = 0; i < count; ++i) {
    bx[i] = multiplier * x[i];
    by[i] = y[i];
  }
  if (bz != nullptr) std::copy(z, z + count, bz);
  double* const givenZ = bz;

  bool reset = false;
  int size = measurement->GetPointsCount();
  ProcessData(reset, size, offset, count, bx, by, bz);
  Settle(x_, bx);
  Settle(y_, by);
  if (givenZ != nullptr) {
    Settle(z_, bz);
  } else {
    delete[] bz;  // a filter that made up a second component
  }
}

void CTraceData::MeasurementDestroyed(CMeasurement* measurement) {
  const bool mine = measurement == GetMeasurement();
  CTrace::MeasurementDestroyed(measurement);
  if (mine && diagram_ != nullptr) diagram_->DestroyTrace(this);  // deletes this
}

bool CTraceData::IsMeasurementActive(CMeasurement* measurement) {
  return measurement != nullptr && measurement == GetMeasurement() && IsActive();
}

bool CTraceData::IsMeasurementUsed(CMeasurement* measurement) {
  return measurement != nullptr && measurement == GetMeasurement();
}

bool CTraceData::IsMeasurementVisible(CMeasurement* measurement) {
  return measurement != nullptr && measurement == GetMeasurement() && GetVisible();
}
