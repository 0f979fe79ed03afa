#pragma once
// A trace of plain fields for tests of code that works through TraceInterface: set the
// fields, run the code, read what it set (scale, update count). Everything else answers
// neutrally.
#include <cmath>
#include <string>

#include "chart/Canvas.h"
#include "chart/SeriesData.h"
#include "interfaces/TraceInterface.h"

class FakeTrace : public TraceInterface {
 public:
  std::wstring name = L"Trc1";
  double scaleRef = 0.0;
  double scaleDiv = 10.0;
  double minScaleDiv = 1e-6;
  bool fixedRef = false;
  int refPosition = 5;
  double maximum = 0.0;
  double minimum = 0.0;
  bool visible = true;
  EPlot plot = plRect;
  int count = 201;
  std::wstring quantity[3];
  CSeriesData data;

  // What the code under test did.
  int updates = 0;
  int setScaleCalls = 0;
  int setScaleDivCalls = 0;

  FakeTrace() = default;
  FakeTrace(double minValue, double maxValue) : maximum(maxValue), minimum(minValue) {}

  std::uint64_t Id() const override { return 0; }
  const CSeriesData& DisplayData() const override { return data; }
  void Subscribe(ITraceObserver*) override {}
  void Unsubscribe(ITraceObserver*) override {}
  bool GetLocked() const override { return false; }
  std::wstring GetName() const override { return name; }
  void SetName(const std::wstring& n) override { name = n; }
  std::wstring GetTraceType() const override { return L"Measuring"; }
  double GetScaleRef() const override { return scaleRef; }
  bool IsFixedRef() const override { return fixedRef; }
  void SetAutoScale() override {}
  void SetScaleRef(double ref) override { SetScale(ref, scaleDiv); }
  double GetMinScaleDiv() const override { return minScaleDiv; }
  double GetScaleDiv() const override { return scaleDiv; }
  void SetScaleDiv(double div) override {
    scaleDiv = div;
    ++setScaleDivCalls;
  }
  void SetScale(double ref, double div) override {
    scaleRef = ref;
    scaleDiv = div;
    ++setScaleCalls;
  }
  void SetDelayedScale(double, double) override {}
  int GetRefPosition() const override { return refPosition; }
  void SetRefPosition(int p) override { refPosition = p; }
  double GetMaximum() const override { return maximum; }
  double GetMinimum() const override { return minimum; }
  bool ZeroRange() const override { return false; }
  void BindTrace(EBindedAxis, bool) override {}
  void SetOwnHorizAxis(bool) override {}
  bool GetOwnHorizAxis() const override { return false; }
  double GetStimulusMultiplier() const override { return 1.0; }
  double GetStimulusStart() const override { return 0.0; }
  double GetStimulusStop() const override { return 1.0; }
  bool GetVisible() const override { return visible; }
  void SetVisible(bool v) override { visible = v; }
  void Activate() override {}
  void Deactivate() override {}
  bool IsActive() const override { return false; }
  TColor GetColor() const override { return clBlack; }
  void SetColor(TColor) override {}
  int GetLineWidth() const override { return 1; }
  void SetLineWidth(int) override {}
  EPenStyle GetLineStyle() const override { return psSolid; }
  void SetLineStyle(EPenStyle) override {}
  EPlot GetPlot() const override { return plot; }
  bool SetPlot(EPlot p) override {
    plot = p;
    return true;
  }
  MeasurementInterface* Measurement() const override { return nullptr; }
  void AssignMeasurement(MeasurementInterface*) override {}
  int GetFractionSize(EDataValueType) const override { return 9; }
  std::wstring GetQuantity(EDataValueType t) const override { return quantity[t]; }
  std::wstring GetSrcQuantity(EDataValueType t) const override { return quantity[t]; }
  void SetQuantity(EDataValueType t, const wchar_t* q) override { quantity[t] = q; }
  void SetSrcQuantity(EDataValueType t, const wchar_t* q) override { quantity[t] = q; }
  double CalcPosValue(EDataValueType, double) const override { return -1; }
  SPointF CalcPosValue(unsigned) const override { return {}; }
  int Count() const override { return count; }
  int GetSrcOffset() const override { return 0; }
  int SrcSize() const override { return count; }
  double SrcValue(EDataValueType, unsigned) const override { return NAN; }
  double Value(EDataValueType, unsigned, bool) const override { return NAN; }
  double ResponseByX(EDataValueType, double, bool, bool*) const override { return NAN; }
  double XValueMin() const override { return 0; }
  double XValueMax() const override { return 0; }
  double CalcValueXPos(int) const override { return 0; }
  double CalcValueYPos(int) const override { return 0; }
  double CalcPolarXPos(int) const override { return 0; }
  double CalcPolarYPos(int) const override { return 0; }
  double ZeroValue() const override { return NAN; }
  DiagramInterface* GetDiagram() const override { return nullptr; }
  std::wstring GetStringInfo(int) const override { return {}; }
  unsigned GetFilterCount() const override { return 0; }
  CFilter* GetFilter(unsigned) const override { return nullptr; }
  CFilter* GetFilter(const wchar_t*) const override { return nullptr; }
  void FilterParametersUpdated(bool) override {}
  void Repaint() override {}
  bool SaveDataToFile(const wchar_t*) override { return false; }
  void Update() override { ++updates; }
  std::shared_ptr<IAutomationObject> GetAutomationInterface() override { return nullptr; }
  void ProcessDynFilters(bool&, int&, int&, int&, double*&, double*&, double*&, bool) override {}
  void ProcessStaticFilters(bool, int, int, int) override {}
  void SetDiagram(DiagramInterface*) override {}
  void Serialize(pugi::xml_node) override {}
  void Deserialize(pugi::xml_node) override {}
  void CallbackChanged(CMeasurement*, EMeasureParam) override {}
  bool IsMeasurementUsed(CMeasurement*) override { return false; }
  bool IsMeasurementVisible(CMeasurement*) override { return false; }
  void PrepareMenu(CPopupMenu*) override {}
  void ProcessData(bool&, int&, int&, int&, double*&, double*&, double*&) override {}
  void Assign(TraceInterface*) override {}
  void SetMeasurement(MeasurementInterface*) override {}

  // True when the code under test changed nothing.
  bool Untouched() const { return updates == 0 && setScaleCalls == 0 && setScaleDivCalls == 0; }
};
