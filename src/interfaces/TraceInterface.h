#pragma once
// The abstract trace as the other subsystems see it. Operations are declared in the order
// of the trace's slot table; the trace pipeline adds the remaining ones as it grows.
#include <string>

class DiagramInterface;
class MeasurementInterface;

// Plot kind of a trace, and so the series that draws it.
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

class TraceInterface {
 public:
  virtual std::wstring GetName() const = 0;
  // "Measuring", "Memory" or "Math". Not pure yet so that fakes written before it keep building.
  virtual std::wstring GetTraceType() const { return std::wstring(); }
  virtual double GetScaleRef() const = 0;
  // True when the trace's reference level is fixed by its channel (data traces).
  virtual bool IsFixedRef() const = 0;
  virtual double GetMinScaleDiv() const = 0;
  virtual double GetScaleDiv() const = 0;
  virtual void SetScaleDiv(double div) = 0;
  virtual void SetScale(double ref, double div) = 0;
  // Grid line (0 … 10) that carries the reference value.
  virtual int GetRefPosition() const = 0;
  virtual double GetMaximum() const = 0;
  virtual double GetMinimum() const = 0;
  virtual bool GetVisible() const = 0;
  virtual EPlot GetPlot() const = 0;
  // The channel the trace follows; null for memory and math traces. Not pure yet, as above.
  virtual MeasurementInterface* Measurement() const { return nullptr; }
  virtual int Count() const = 0;
  // A filter's parameters changed: reprocess and repaint.
  virtual void FilterParametersUpdated(bool reprocess) = 0;
  virtual void Update() = 0;
  virtual ~TraceInterface() = default;
};
