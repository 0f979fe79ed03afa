#pragma once
// A point marker as its manager, the diagram and the automation layer see it.
#include <string>

#include "interfaces/MarkParams.h"

class TraceInterface;

class IMarker {
 public:
  virtual ~IMarker() = default;
  // Starts a frequency count on the instrument (force: even when the counter is off or busy).
  virtual void CountFreq(bool force) = 0;
  // "1", "2" …: the marker's name.
  virtual std::wstring GetCaption() const = 0;
  // The counted frequency, NaN while none came back.
  virtual double GetCounterFreq() const = 0;
  // The stimulus the marker sits on; NaN when its search found nothing.
  virtual double GetFreq() const = 0;
  virtual std::wstring GetFreqString() const = 0;
  virtual const SMarkParams& GetParams() const = 0;
  virtual bool GetParked() const = 0;
  // The read-out text of line `line` (0 the stimulus, k ≥ 2 the trace at k − 2).
  virtual std::wstring GetTraceValueString(int line) const = 0;
  // The value on the trace of that title; false when there is no such line or no value.
  virtual bool GetSeriesValue(double& value, const wchar_t* title, int component = 0) const = 0;
  virtual bool IsFixed() const = 0;
  virtual bool IsSelected() const = 0;
  virtual bool IsShowing() const = 0;
  virtual bool IsWaitingCounter() const = 0;
  // The trace shown on read-out line `line`, or null.
  virtual TraceInterface* LineTrace(unsigned line) const = 0;
  virtual bool LinkToTrace(const wchar_t* title) = 0;
  virtual void ResetSyncPoint() = 0;
  // Puts the marker on x without a search (clip: first limited to the trace's range).
  virtual void SetOnFreq(double x, bool clip, bool repaint) = 0;
  virtual void SetActive(bool on) = 0;
  virtual void SetFixed(bool on) = 0;
  virtual void SetMode(EMarkMode mode) = 0;
  // Tracks the extremum of `mode` with that ordinal; true when the marker found it.
  virtual bool SetOnExtremum(EMarkMode mode, unsigned index, double excursion) = 0;
  virtual void SetParams(const SMarkParams& params) = 0;
  virtual void SetSeekRange(bool enable, double min, double max) = 0;
  // The bound trace, or with `reference` the reference trace of a delta measurement.
  virtual TraceInterface* SrcTrace(bool reference = false) const = 0;
  virtual void SetCenter() = 0;
  virtual void SetRefLevel() = 0;
  virtual void StatReset() = 0;
  virtual bool IsActivated() const = 0;
};
