#include "measurements/MeasurementSubscriber.h"

#include <algorithm>

#include "common/Assert.h"
#include "measurements/Measurement.h"

CMeasurementSubscriber::~CMeasurementSubscriber() {
  // Each pass removes one registration, so duplicates are left one by one too.
  while (!measurements_.empty()) RemoveMeasurement(measurements_.back());
}

void CMeasurementSubscriber::CallbackChanged(CMeasurement*, EMeasureParam) {}
void CMeasurementSubscriber::CallbackDataReady(CMeasurement*) {}
void CMeasurementSubscriber::CallbackData(CMeasurement*, int, int, const double*, const double*, const double*) {}
void CMeasurementSubscriber::CallbackDataDone(CMeasurement*) {}
bool CMeasurementSubscriber::IsMeasurementActive(CMeasurement*) { return false; }
bool CMeasurementSubscriber::IsMeasurementUsed(CMeasurement*) { return false; }
bool CMeasurementSubscriber::IsMeasurementVisible(CMeasurement*) { return false; }

void CMeasurementSubscriber::MeasurementDestroyed(CMeasurement* measurement) {
  RemoveMeasurement(measurement);
}

void CMeasurementSubscriber::AddMeasurement(CMeasurement* measurement) {
  if (!PV_ASSERT(measurement != nullptr)) return;
  // Listed before the channel calls back, so the subscriber may already leave it from
  // inside CallbackChanged(…, mpAttached).
  measurements_.push_back(measurement);
  measurement->AddSubscriber(this);
}

void CMeasurementSubscriber::RemoveMeasurement(CMeasurement* measurement) {
  auto it = std::find(measurements_.begin(), measurements_.end(), measurement);
  if (it == measurements_.end()) return;
  measurements_.erase(it);
  measurement->RemoveSubscriber(this);
}

CMeasurement* CMeasurementSubscriber::GetMeasurement(unsigned index) const {
  if (measurements_.empty()) return nullptr;
  if (!PV_ASSERT(index < measurements_.size())) return nullptr;
  return measurements_[index];
}

CMeasurement* CMeasurementSubscriber::GetMeasurement(const std::wstring& name) const {
  for (CMeasurement* m : measurements_) {
    if (m->GetName() == name) return m;
  }
  return nullptr;
}
