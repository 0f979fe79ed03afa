#pragma once
// The trace as its diagram, the control and the list manage it. Readers use the narrower
// ITraceView (interfaces/TraceView.h), filter plug-ins IFilterTrace (interfaces/FilterTrace.h);
// this face has both and everything that changes a trace.
#include <string>

#include <pugixml.hpp>

#include "core/Color.h"
#include "interfaces/Automation.h"
#include "interfaces/FilterTrace.h"
#include "interfaces/MeasurementInterface.h"
#include "interfaces/TraceView.h"

class CFilter;
class CMeasurement;
class CPopupMenu;
class DiagramInterface;
struct SPointF;
enum EPenStyle : int;

// The diagram axis a trace's series is drawn against instead of the trace's own axis.
enum EBindedAxis {
  baNone = 0,
  baLeft = 1,
  baRight = 2,
};

class TraceInterface : public ITraceView, public IFilterTrace {
 public:
  // Named on both narrower faces; one slot each here.
  std::wstring GetName() const override = 0;
  std::wstring GetTraceType() const override = 0;
  MeasurementInterface* Measurement() const override = 0;
  std::wstring GetQuantity(EDataValueType type) const override = 0;
  std::wstring GetSrcQuantity(EDataValueType type) const override = 0;
  int GetFractionSize(EDataValueType type) const override = 0;
  EPlot GetPlot() const override = 0;
  double GetStimulusStart() const override = 0;
  double GetStimulusStop() const override = 0;

  virtual bool GetLocked() const = 0;
  virtual void SetName(const std::wstring& name) = 0;
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
  virtual bool ZeroRange() const = 0;
  virtual void BindTrace(EBindedAxis axis, bool bind) = 0;
  virtual void SetOwnHorizAxis(bool on) = 0;
  virtual bool GetOwnHorizAxis() const = 0;
  virtual double GetStimulusMultiplier() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Activate() = 0;
  virtual void Deactivate() = 0;
  virtual bool IsActive() const = 0;
  virtual void SetColor(TColor color) = 0;
  virtual int GetLineWidth() const = 0;
  virtual void SetLineWidth(int width) = 0;
  virtual EPenStyle GetLineStyle() const = 0;
  virtual void SetLineStyle(EPenStyle style) = 0;
  virtual void AssignMeasurement(MeasurementInterface* measurement) = 0;
  virtual void SetSrcQuantity(EDataValueType type, const wchar_t* quantity) = 0;
  // Pixel of a value on the horizontal (stimulus) or vertical (response) axis; -1 otherwise.
  virtual double CalcPosValue(EDataValueType type, double value) const = 0;
  // Pixel point of the data point at `index`.
  virtual SPointF CalcPosValue(unsigned index) const = 0;
  virtual double CalcValueXPos(int pixel) const = 0;
  virtual double CalcValueYPos(int pixel) const = 0;
  virtual double CalcPolarXPos(int pixel) const = 0;
  virtual double CalcPolarYPos(int pixel) const = 0;
  virtual DiagramInterface* GetDiagram() const = 0;
  virtual std::wstring GetStringInfo(int index) const = 0;
  virtual unsigned GetFilterCount() const = 0;
  virtual CFilter* GetFilter(unsigned index) const = 0;
  virtual CFilter* GetFilter(const wchar_t* name) const = 0;
  virtual void Repaint() = 0;
  virtual bool SaveDataToFile(const wchar_t* fileName) = 0;
  virtual void Update() = 0;
  // The trace's own automation object (made on first request).
  virtual std::shared_ptr<IAutomationObject> GetAutomationInterface() = 0;
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
