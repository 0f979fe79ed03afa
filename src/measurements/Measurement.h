#pragma once
// A measurement channel: the door through which the host's sweeps and channel settings enter.
// The channel keeps the description of the sweep (range, quantities, point count, parameters,
// indicators) and passes every chunk of data straight through to its subscribers: data in
// order of registration, changes in reverse order. It stores no sweep data itself.
//
// Callbacks run synchronously inside the setters and AddData. A subscriber may subscribe,
// unsubscribe or destroy itself or others from inside a callback: the passes over the
// subscriber list index it, removals during a pass leave a hole that is closed when the
// outermost pass ends, and subscribers added during a pass wait for the next one.
#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "interfaces/MeasurementInterface.h"

class CMeasurementSubscriber;

class CMeasurement : public MeasurementInterface {
 public:
  // The largest sweep a channel takes: 2^26 points (67,108,864). A larger point count is
  // refused, and so is a chunk that would reach past it, whatever the point count is.
  static constexpr int kMaxPointsCount = 1 << 26;

  CMeasurement() = default;
  CMeasurement(const CMeasurement&) = delete;
  CMeasurement& operator=(const CMeasurement&) = delete;
  // Destroys the subscribers that are traces (through MeasurementDestroyed) and detaches the
  // others, last registered first.
  ~CMeasurement() override;

  // MeasurementInterface
  int GetIconIndex() const override { return iconIndex_; }
  const SChannelIndicator* GetIndicator(EChannelIndicatorType type, unsigned index) const override;
  int GetIndicatorCount(EChannelIndicatorType type) const override;
  std::wstring GetName() const override { return name_; }
  const std::wstring& Name() const { return name_; }  // without a copy, for lookups by name
  double GetStimulusMax() const override;
  double GetStimulusMin() const override;
  int GetStimulusMultiplier() const override;
  double GetStimulusStart() const override;
  double GetStimulusStop() const override;
  double GetDisplayStimStart() const override;
  double GetDisplayStimStop() const override;
  void GetOptimalRange(double& start, double& stop, double& center, int& startDigits,
                       int& stopDigits, int& centerDigits) const override;
  std::wstring GetStimulusQuantity() const override;
  std::wstring GetResponseQuantity() const override { return responseQuantity_; }
  int GetPointsCount() const override { return pointsCount_; }
  std::wstring GetLastParameter() const override { return lastParameter_; }
  std::wstring GetParameter(const wchar_t* name) const override;
  bool HasReversedSweep() const override { return reversed_; }
  bool StimulusHidden() const override { return stimulusHidden_; }
  bool GetActive() override;
  bool GetUsing() override;
  bool GetVisible() override;

  std::wstring GetInfo() const { return info_; }
  int GetID() const { return id_; }
  // Display start (stop) as mantissa and engineering exponent of the stimulus quantity;
  // point number and 0 while the stimulus is hidden.
  void GetOptimalStart(double& value, int& digits) const;
  void GetOptimalStop(double& value, int& digits) const;

  // Host side. Setters that change nothing send nothing.
  void SetName(const std::wstring& name);
  // Also shown as indicator 100 of list 0; an empty text removes it.
  void SetInfo(const std::wstring& info);
  void SetID(int id) { id_ = id; }
  void SetIconIndex(int index) { iconIndex_ = index; }
  // Lets a power sweep's range follow its data (see AddData).
  void SetStimulusAutoScale(bool enable) { autoScale_ = enable; }
  // Instrument limits in host units.
  void SetStimulusFullRange(double min, double max);
  // start > stop is a reversed sweep. A data range is the sweep itself and is announced
  // (mpStimulusRange); a display range is a zoom and is only stored.
  void SetStimulusRange(double start, double stop, bool dataRange);
  // "MHz", "GHz" …: the prefix becomes the multiplier and the quantity is "Hz"; the current
  // range is kept in host units and re-applied in the new ones.
  void SetStimulusQuantity(const std::wstring& quantity);
  virtual void SetResponseQuantity(const std::wstring& quantity);
  // 0 … kMaxPointsCount; anything else is reported, logged and leaves the count as it was.
  void SetPointsCount(int count);
  // Shows point numbers instead of stimulus values; always announced.
  void HideStimulus(bool hide);
  // One chunk of the sweep: points offset … offset + count − 1; x, y, z are passed on as they
  // are (y and z may be null). reset starts a new sweep. False when the chunk was refused (a
  // negative offset, or one ending past kMaxPointsCount) or memory ran out while it was
  // delivered; both are reported, and no exception leaves the call.
  bool AddData(int offset, int count, double* x, double* y, double* z, bool reset = false);
  // "SyncOut" and "FrequencyCounter" are events: their value is read inside the notification
  // and cleared after it, so the same value again is a new event.
  void SetParameter(const std::wstring& name, const std::wstring& value);
  // Adds, replaces or (empty text with negative order) removes indicator `id` of list `type`.
  // -1 for a kind of 2 or more, else 0.
  int SetIndicator(EChannelIndicatorType type, int id, const std::wstring& text,
                   const std::wstring& hint, const std::wstring& category, int order);
  // Stores the channel's current data as a memory trace named `name` on the first diagram
  // that shows the channel, replacing a trace of that name.
  void SetDataToMemory(const std::wstring& name);

  // Subscribers register through CMeasurementSubscriber::AddMeasurement.
  void AddSubscriber(CMeasurementSubscriber* subscriber);
  void RemoveSubscriber(CMeasurementSubscriber* subscriber);

 protected:
  // CallbackChanged(this, kind) on every subscriber, last registered first. False when a
  // subscriber destroyed the channel meanwhile: the caller must not touch it any more.
  bool NotifySubscribersChange(EMeasureParam kind);

 private:
  class CPass;
  static constexpr int kIndicatorKinds = 2;

  void AutoRange(int offset, int count, const double* x);
  // The chunk to every subscriber (AddData, past its checks).
  bool Deliver(CPass& pass, int offset, int count, double* x, double* y, double* z, bool reset);
  // Calls `ask` on the subscribers in order and answers true at the first that says true.
  template <typename Ask>
  bool AskSubscribers(Ask ask);
  // Entries of a list that GetIndicator can reach (frequency ones are hidden with the stimulus).
  unsigned ShownIndicatorCount(unsigned vecIndex) const;

  std::vector<CMeasurementSubscriber*> subscribers_;  // registration order; null = left during a pass
  double fullRangeMin_ = -std::numeric_limits<double>::infinity();
  double stimulusStart_ = 10.0;
  double displayStart_ = 10.0;
  double fullRangeMax_ = std::numeric_limits<double>::infinity();
  double stimulusStop_ = 10.0;
  double displayStop_ = 10.0;
  std::int32_t multiplier_ = 1;
  bool rangeChangedPending_ = false;
  std::wstring name_;
  std::wstring info_;
  std::int32_t id_ = 0;
  std::wstring stimulusQuantityRaw_;
  std::wstring stimulusQuantity_;
  std::wstring responseQuantity_;
  std::int32_t pointsCount_ = 0;
  std::int32_t iconIndex_ = -1;
  std::array<std::vector<SChannelIndicator>, kIndicatorKinds> indicators_;
  bool autoScale_ = true;
  double firstX_ = std::numeric_limits<double>::quiet_NaN();  // kept across chunks
  bool displayOnly_ = false;
  bool reversed_ = false;
  std::map<std::wstring, std::wstring, std::less<>> parameters_;
  std::wstring lastParameter_;
  bool stimulusHidden_ = false;

  CPass* pass_ = nullptr;                // innermost pass over subscribers_ in progress
  bool holes_ = false;                   // subscribers_ holds nulls to close after the pass
  std::vector<double> pointNumbers_;     // x of a hidden stimulus, reused across chunks
  bool pointNumbersBusy_ = false;        // pointNumbers_ is being delivered (re-entrant AddData)
};
