#pragma once
// Base of every object that receives a measurement channel's callbacks: diagrams, traces,
// markers managers, virtual measurements. It keeps the channels it is registered with and
// leaves them all when it is destroyed, so a channel never calls a dead subscriber.
#include <string>
#include <vector>

#include "interfaces/MeasurementInterface.h"

class CMeasurement;

class CMeasurementSubscriber {
 public:
  CMeasurementSubscriber() = default;
  CMeasurementSubscriber(const CMeasurementSubscriber&) = delete;
  CMeasurementSubscriber& operator=(const CMeasurementSubscriber&) = delete;
  virtual ~CMeasurementSubscriber();

  // A setting of the channel changed (or, with mpAttached, the subscriber has just attached).
  // Sent to the subscribers last registered first.
  virtual void CallbackChanged(CMeasurement* measurement, EMeasureParam kind);
  // Part of the contract for derived channels; a CMeasurement never sends it.
  virtual void CallbackDataReady(CMeasurement* measurement);
  // A chunk of the sweep: points offset … offset + count − 1. The arrays belong to the caller
  // and are valid only during the call; y and z may be null.
  virtual void CallbackData(CMeasurement* measurement, int offset, int count, const double* x, const double* y,
                            const double* z);
  // Sent after every subscriber received the chunk, in the same order.
  virtual void CallbackDataDone(CMeasurement* measurement);
  virtual bool IsMeasurementActive(CMeasurement* measurement);
  virtual bool IsMeasurementUsed(CMeasurement* measurement);
  virtual bool IsMeasurementVisible(CMeasurement* measurement);

  // The channel is being destroyed and this subscriber is a trace, which goes with its channel.
  // The channel cannot delete it: traces belong to their diagram. A trace answers by having its
  // owner destroy it (its destructor then leaves the channel). This default only detaches, so
  // a trace without an owner survives, detached. Whatever an override does, the subscriber must
  // no longer be registered with the channel when it returns (the channel then drops it).
  virtual void MeasurementDestroyed(CMeasurement* measurement);

  // Registers with the channel; the channel answers at once with CallbackChanged(…, mpAttached).
  void AddMeasurement(CMeasurement* measurement);
  // Leaves the channel, without a callback; nothing when not registered with it.
  void RemoveMeasurement(CMeasurement* measurement);
  unsigned GetMeasurementCount() const { return static_cast<unsigned>(measurements_.size()); }
  // Null when out of range (reported unless the list is empty).
  CMeasurement* GetMeasurement(unsigned index) const;
  // The first channel whose name equals `name` exactly, or null.
  CMeasurement* GetMeasurement(const std::wstring& name) const;

 private:
  std::vector<CMeasurement*> measurements_;  // in order of registration, not owned
};
