#pragma once
// A trace as its readers see it — markers, math traces, renderers, read-outs, automation —
// and the notices by which a trace announces what changed. Readers never write a trace
// through this face; they subscribe and read again when a notice comes.
#include <cstdint>
#include <string>

#include "core/Color.h"

class CSeriesData;
class ITraceView;
class MeasurementInterface;

// Plot kind of a trace, and so the renderer that draws it (traces/PlotKinds.h).
enum EPlot {
  plRect = 0,
  plLog = 1,
  plPolar = 2,
  plSmith = 3,
  plDigit = 4,
  plPoints = 5,
  plSpectrogram = 6,
  plWaterfall = 7,
  plHeatMap = 8,
};

// Selects stimulus, response (real part) or second component (imaginary part) in every
// value and quantity accessor.
enum EDataValueType {
  vtStimulus = 0,
  vtResponse = 1,
  vtResponseIm = 2,
};

// What a trace announces.
enum ETraceChange {
  tcData,        // points [offset, offset + count) of a sweep of `size` were written (reset: the sweep began anew)
  tcSweepEnded,  // the block reached the end of the sweep (reset as for tcData)
  tcCleared,     // the displayed points were dropped
  tcPlot,        // the plot kind changed
  tcScale,       // the response scale, the reference position or the axis binding changed
  tcStimulus,    // the stimulus range or the stimulus quantity changed
  tcLook,        // name, colour, line, visibility, quantity or filter settings changed
  tcChannel,     // the trace follows another channel (or none)
  tcChannelGone, // the channel the trace follows is being destroyed
  tcRemoved,     // the trace is about to be destroyed: let go of it now
};

struct STraceChange {
  ETraceChange kind;
  ITraceView* trace;
  int offset = 0;
  int count = 0;
  int size = 0;
  bool reset = false;
};

// How to add a subscriber (a new kind of reader of traces):
// 1. Derive from ITraceObserver and answer TraceChanged; read the trace again there through
//    the ITraceView in the notice, never write it.
// 2. Subscribe to each trace you read; a trace calls its subscribers in subscription order.
// 3. On tcRemoved drop every pointer and id you keep of that trace (unsubscribing is not
//    needed then); otherwise Unsubscribe before you go away.
class ITraceObserver {
 public:
  virtual void TraceChanged(const STraceChange& change) = 0;

 protected:
  ~ITraceObserver() = default;
};

class ITraceView {
 public:
  // Unique in the process, never reused: markers, undo steps, list rows and automation
  // objects refer to a trace by it.
  virtual std::uint64_t Id() const = 0;
  virtual std::wstring GetName() const = 0;
  // "Measuring", "Memory" or "Math".
  virtual std::wstring GetTraceType() const = 0;
  virtual EPlot GetPlot() const = 0;
  virtual TColor GetColor() const = 0;
  virtual bool GetVisible() const = 0;
  // The channel the trace follows; null for memory and math traces.
  virtual MeasurementInterface* Measurement() const = 0;
  virtual int GetFractionSize(EDataValueType type) const = 0;
  virtual std::wstring GetQuantity(EDataValueType type) const = 0;
  virtual std::wstring GetSrcQuantity(EDataValueType type) const = 0;
  virtual double GetStimulusStart() const = 0;
  virtual double GetStimulusStop() const = 0;

  // The displayed points (after the filters) and the received ones (before).
  virtual int Count() const = 0;
  virtual int SrcSize() const = 0;
  virtual int GetSrcOffset() const = 0;
  virtual double SrcValue(EDataValueType type, unsigned index) const = 0;
  virtual double Value(EDataValueType type, unsigned index, bool raw = false) const = 0;
  virtual double ResponseByX(EDataValueType type, double x, bool raw = false,
                             bool* isInterpolated = nullptr) const = 0;
  virtual double XValueMin() const = 0;
  virtual double XValueMax() const = 0;
  virtual double GetMaximum() const = 0;
  virtual double GetMinimum() const = 0;
  // The stimulus shown for every point while the span is zero (NaN when not valid).
  virtual double ZeroValue() const = 0;
  // The whole display buffer at once, for bulk readers and renderers.
  virtual const CSeriesData& DisplayData() const = 0;

  virtual void Subscribe(ITraceObserver* observer) = 0;
  virtual void Unsubscribe(ITraceObserver* observer) = 0;

 protected:
  ~ITraceView() = default;
};
