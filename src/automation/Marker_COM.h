#pragma once
// The automation object of one marker slot of a diagram. It reaches its marker through the
// diagram's automation object on every call, so it answers E_POINTER once the diagram is
// gone. Settings live in the marker's parameter record: a property reads the record, a put
// changes one field and writes the record back.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "automation/Automation.h"
#include "interfaces/Automation.h"
#include "interfaces/MarkParams.h"

class Diagram_COM;
class IMarker;

class Marker_COM : public IAutomationObject {
 public:
  Marker_COM(std::weak_ptr<Diagram_COM> diagram, unsigned index);

  // A marker goes with its diagram; the diagram's object unbinds every slot at once.
  void Unbind() override {}
  IMarker* Bound() const;
  unsigned Index() const { return index_; }
  std::shared_ptr<Diagram_COM> Diagram() const { return diagram_.lock(); }

  // The marker's value on the named trace of its read-out.
  HResult get_Value(const std::wstring& traceName, double& value) const;
  HResult get_Stimulus(double& stimulus) const;
  HResult put_Stimulus(double stimulus);
  HResult SetOnMax();
  HResult SetOnMin();
  HResult SetOnFree();
  HResult SetOnLevel();
  HResult SetSeekRange(bool fullRange, double start, double stop);
  HResult SetExtremumMode(bool on, int extremum, double excursion);
  HResult SetFlagPos(int percent);
  HResult get_Active(bool& active) const;
  HResult put_Active(bool active);
  HResult get_Discrete(bool& on) const;
  HResult put_Discrete(bool on);
  HResult get_Tracking(bool& on) const;
  HResult put_Tracking(bool on);
  HResult get_RangeStart(double& value) const;
  HResult put_RangeStart(double value);
  HResult get_RangeStop(double& value) const;
  HResult put_RangeStop(double value);
  HResult get_FullRange(bool& on) const;
  HResult put_FullRange(bool on);
  HResult get_TargetLevel(double& value) const;
  HResult put_TargetLevel(double value);
  HResult get_Fixed(bool& on) const;
  HResult put_Fixed(bool on);
  // mmRef markers answer 4, the value of their mode.
  HResult get_Mode(MarkMode& mode) const;
  HResult get_SrcTrace(std::wstring& name) const;
  HResult put_SrcTrace(const std::wstring& name);
  HResult get_StringValue(const std::wstring& traceName, std::wstring& text) const;
  HResult get_Statistics(bool& on) const;
  HResult put_Statistics(bool on);
  HResult ResetStatistics();
  HResult get_StimDimension(int& digits) const;
  HResult put_StimDimension(int digits);
  HResult get_RespDimension(int& digits) const;
  HResult put_RespDimension(int digits);
  HResult get_FrequencyCounter(bool& on) const;
  HResult put_FrequencyCounter(bool on);
  HResult get_CounterResolution(double& value) const;
  HResult put_CounterResolution(double value);

  // The frequency count, in two halves for callers that must not wait: BeginCountFreq starts
  // a count when the counter is off and none is pending; PollCountFreq answers S_FALSE while
  // the count is pending and S_OK with the counted frequency after.
  HResult BeginCountFreq();
  HResult PollCountFreq(double& freq) const;
  // The whole member for callers that may wait: begins, then checks every 10 ms, calling
  // `idle` in between (the caller's message processing), for at most `limit`; E_FAIL when the
  // count is still pending then.
  HResult CountFreq(double& freq, const std::function<void()>& idle,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(7000));

 private:
  // Changes the parameter record through `change` and writes it back.
  template <class TChange>
  HResult Change(TChange change);
  template <class TRead>
  HResult Read(TRead read) const;

  std::weak_ptr<Diagram_COM> diagram_;
  unsigned index_;
};
