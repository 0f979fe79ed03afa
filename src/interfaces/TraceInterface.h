#pragma once
// The abstract trace as the other subsystems, the filters and the automation layer see it.
// Operations are declared in the order of the trace's slot table; subclasses append theirs.
#include <string>

#include <pugixml.hpp>

#include "core/Color.h"
#include "interfaces/MeasurementInterface.h"

class CFilter;
class CMeasurement;
class CPopupMenu;
class DiagramInterface;
struct SPointF;
enum EPenStyle : int;

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

// The diagram axis a trace's series is drawn against instead of the trace's own axis.
enum EBindedAxis {
  baNone = 0,
  baLeft = 1,
  baRight = 2,
};

class TraceInterface {
 public:
  virtual bool GetLocked() const = 0;
  virtual std::wstring GetName() const = 0;
  virtual void SetName(const std::wstring& name) = 0;
  // "Measuring", "Memory" or "Math".
  virtual std::wstring GetTraceType() const = 0;
  virtual double GetScaleRef() const = 0;
  // True when the trace's reference level is fixed by its channel (data traces).
  virtual bool IsFixedRef() const = 0;
  virtual void SetAutoScale() = 0;
  virtual void SetScaleRef(double ref) = 0;
  virtual double GetMinScaleDiv() const = 0;
  virtual double GetScaleDiv() const = 0;
  virtual void SetScaleDiv(double div) = 0;
  virtual void SetScale(double ref, double div) = 0;
  // Kept for the diagram to apply when it next lays out its axes.
  virtual void SetDelayedScale(double ref, double div) = 0;
  // Grid line (0 … 10) that carries the reference value.
  virtual int GetRefPosition() const = 0;
  virtual void SetRefPosition(int position) = 0;
  virtual double GetMaximum() const = 0;
  virtual double GetMinimum() const = 0;
  virtual bool ZeroRange() const = 0;
  virtual void BindTrace(EBindedAxis axis, bool bind) = 0;
  virtual void SetOwnHorizAxis(bool on) = 0;
  virtual bool GetOwnHorizAxis() const = 0;
  virtual double GetStimulusMultiplier() const = 0;
  virtual double GetStimulusStart() const = 0;
  virtual double GetStimulusStop() const = 0;
  virtual bool GetVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Activate() = 0;
  virtual void Deactivate() = 0;
  virtual bool IsActive() const = 0;
  virtual TColor GetColor() const = 0;
  virtual void SetColor(TColor color) = 0;
  virtual int GetLineWidth() const = 0;
  virtual void SetLineWidth(int width) = 0;
  virtual EPenStyle GetLineStyle() const = 0;
  virtual void SetLineStyle(EPenStyle style) = 0;
  virtual EPlot GetPlot() const = 0;
  // True when the plot kind is (now) the requested one.
  virtual bool SetPlot(EPlot plot) = 0;
  // The channel the trace follows; null for memory and math traces.
  virtual MeasurementInterface* Measurement() const = 0;
  virtual void AssignMeasurement(MeasurementInterface* measurement) = 0;
  virtual int GetFractionSize(EDataValueType type) const = 0;
  virtual std::wstring GetQuantity(EDataValueType type) const = 0;
  virtual std::wstring GetSrcQuantity(EDataValueType type) const = 0;
  virtual void SetQuantity(EDataValueType type, const wchar_t* quantity) = 0;
  virtual void SetSrcQuantity(EDataValueType type, const wchar_t* quantity) = 0;
  // Pixel of a value on the horizontal (stimulus) or vertical (response) axis; -1 otherwise.
  virtual double CalcPosValue(EDataValueType type, double value) const = 0;
  // Pixel point of the data point at `index`.
  virtual SPointF CalcPosValue(unsigned index) const = 0;
  virtual int Count() const = 0;
  virtual int GetSrcOffset() const = 0;
  virtual int SrcSize() const = 0;
  virtual double SrcValue(EDataValueType type, unsigned index) const = 0;
  virtual double Value(EDataValueType type, unsigned index, bool raw = false) const = 0;
  virtual double ResponseByX(EDataValueType type, double x, bool raw = false,
                             bool* isInterpolated = nullptr) const = 0;
  virtual double XValueMin() const = 0;
  virtual double XValueMax() const = 0;
  virtual double CalcValueXPos(int pixel) const = 0;
  virtual double CalcValueYPos(int pixel) const = 0;
  virtual double CalcPolarXPos(int pixel) const = 0;
  virtual double CalcPolarYPos(int pixel) const = 0;
  // The stimulus shown for every point while the span is zero (NaN when not valid).
  virtual double ZeroValue() const = 0;
  virtual DiagramInterface* GetDiagram() const = 0;
  virtual std::wstring GetStringInfo(int index) const = 0;
  virtual unsigned GetFilterCount() const = 0;
  virtual CFilter* GetFilter(unsigned index) const = 0;
  virtual CFilter* GetFilter(const wchar_t* name) const = 0;
  // A filter's parameters changed: replay the received data through the chain.
  virtual void FilterParametersUpdated(bool reprocess) = 0;
  virtual void Repaint() = 0;
  virtual bool SaveDataToFile(const wchar_t* fileName) = 0;
  virtual void Update() = 0;
  virtual void* GetAutomationInterface() = 0;
  virtual void ProcessDynFilters(bool& reset, int& size, int& offset, int& count, double*& x,
                                 double*& y, double*& z, bool readBack) = 0;
  virtual void ProcessStaticFilters(bool reset, int size, int offset, int count) = 0;
  virtual ~TraceInterface() = default;
  virtual void SetDiagram(DiagramInterface* diagram) = 0;
  virtual void Serialize(pugi::xml_node node) = 0;
  virtual void Deserialize(pugi::xml_node node) = 0;
  virtual void CallbackChanged(CMeasurement* measurement, EMeasureParam kind) = 0;
  virtual bool IsMeasurementUsed(CMeasurement* measurement) = 0;
  virtual bool IsMeasurementVisible(CMeasurement* measurement) = 0;
  virtual void PrepareMenu(CPopupMenu* menu) = 0;
  // One block of `count` points at `offset` of a sweep of `size`. Buffers come from new[];
  // filters may replace them, and the caller releases whatever the references hold after.
  virtual void ProcessData(bool& reset, int& size, int& offset, int& count, double*& x, double*& y,
                           double*& z) = 0;
  virtual void Assign(TraceInterface* other) = 0;
  virtual void SetMeasurement(MeasurementInterface* measurement) = 0;
};
