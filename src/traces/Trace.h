#pragma once
// The base of every curve of a diagram. A trace keeps its own copy of the received points
// (the source buffer), runs each block through its filter chain, writes the result into the
// one series that draws its plot kind, and carries its own stimulus range and response
// scale. Everything else reads trace data back through SrcValue, Value, Count and SrcSize.
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "chart/Canvas.h"
#include "filters/PropertiesList.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/TraceInterface.h"
#include "measurements/MeasurementSubscriber.h"
#include "series/SmithSeries.h"

class CChart;
class CChartAxis;
class CChartSeries;
class CDynamicFilter;
class IModulesFactory;
class TQuorDigitSeries;
class TQuorLogSeries;
class TQuorPolarSeries;
class TQuorSpectrumSeries;

struct SourcePoint {
  double x;  // stimulus, already multiplied by the channel's stimulus multiplier
  double y;  // response, or real part
  double z;  // imaginary part or second component
};

class CTrace : public TraceInterface, public CMeasurementSubscriber {
 public:
  // The trace lives on `diagram` (may be null: then it draws on a chart of its own and
  // loads no filters).
  explicit CTrace(DiagramInterface* diagram);
  ~CTrace() override;

  // --- TraceInterface
  bool GetLocked() const override { return locked_; }
  std::wstring GetName() const override { return name_; }
  void SetName(const std::wstring& name) override;
  std::wstring GetTraceType() const override { return std::wstring(); }
  double GetScaleRef() const override;
  void SetAutoScale() override;
  void SetScaleRef(double ref) override;
  double GetMinScaleDiv() const override;
  double GetScaleDiv() const override;
  void SetScaleDiv(double div) override;
  void SetScale(double ref, double div) override;
  void SetDelayedScale(double ref, double div) override;
  int GetRefPosition() const override { return refPosition_; }
  void SetRefPosition(int position) override;
  double GetMaximum() const override;
  double GetMinimum() const override;
  bool ZeroRange() const override { return zeroSpan_; }
  void BindTrace(EBindedAxis axis, bool bind) override;
  void SetOwnHorizAxis(bool on) override;
  bool GetOwnHorizAxis() const override { return ownHorizAxis_; }
  double GetStimulusMultiplier() const override;
  double GetStimulusStart() const override { return stimStart_; }
  double GetStimulusStop() const override { return stimStop_; }
  bool GetVisible() const override { return visible_; }
  void SetVisible(bool visible) override;
  void Activate() override;
  void Deactivate() override;
  bool IsActive() const override { return active_; }
  TColor GetColor() const override { return color_; }
  void SetColor(TColor color) override;
  int GetLineWidth() const override { return lineWidth_; }
  void SetLineWidth(int width) override;
  EPenStyle GetLineStyle() const override { return lineStyle_; }
  void SetLineStyle(EPenStyle style) override;
  EPlot GetPlot() const override { return plot_; }
  bool SetPlot(EPlot plot) override;
  MeasurementInterface* Measurement() const override;
  void AssignMeasurement(MeasurementInterface* measurement) override { SetMeasurement(measurement); }
  int GetFractionSize(EDataValueType type) const override;
  std::wstring GetQuantity(EDataValueType type) const override;
  std::wstring GetSrcQuantity(EDataValueType type) const override;
  void SetQuantity(EDataValueType type, const wchar_t* quantity) override;
  void SetSrcQuantity(EDataValueType type, const wchar_t* quantity) override;
  double CalcPosValue(EDataValueType type, double value) const override;
  SPointF CalcPosValue(unsigned index) const override;
  int Count() const override;
  int GetSrcOffset() const override { return nextOffset_; }
  int SrcSize() const override { return static_cast<int>(source_.size()); }
  double SrcValue(EDataValueType type, unsigned index) const override;
  double Value(EDataValueType type, unsigned index, bool raw = false) const override;
  double ResponseByX(EDataValueType type, double x, bool raw = false,
                     bool* isInterpolated = nullptr) const override;
  double XValueMin() const override;
  double XValueMax() const override;
  double CalcValueXPos(int pixel) const override;
  double CalcValueYPos(int pixel) const override;
  double CalcPolarXPos(int pixel) const override;
  double CalcPolarYPos(int pixel) const override;
  double ZeroValue() const override { return zeroActive_ ? zeroCentre_ : std::numeric_limits<double>::quiet_NaN(); }
  DiagramInterface* GetDiagram() const override { return diagram_; }
  std::wstring GetStringInfo(int index) const override;
  unsigned GetFilterCount() const override { return static_cast<unsigned>(filters_.size()); }
  CFilter* GetFilter(unsigned index) const override;
  CFilter* GetFilter(const wchar_t* name) const override;
  void FilterParametersUpdated(bool reprocess) override;
  void Repaint() override;
  bool SaveDataToFile(const wchar_t* fileName) override;
  void Update() override;
  void* GetAutomationInterface() override { return nullptr; }
  void ProcessDynFilters(bool& reset, int& size, int& offset, int& count, double*& x, double*& y,
                         double*& z, bool readBack) override;
  void ProcessStaticFilters(bool reset, int size, int offset, int count) override;
  void SetDiagram(DiagramInterface* diagram) override = 0;
  void Serialize(pugi::xml_node element) override;
  void Deserialize(pugi::xml_node element) override;
  void CallbackChanged(CMeasurement* measurement, EMeasureParam kind) override;
  bool IsMeasurementUsed(CMeasurement*) override { return false; }
  bool IsMeasurementVisible(CMeasurement*) override { return false; }
  void PrepareMenu(CPopupMenu*) override {}
  void ProcessData(bool& reset, int& size, int& offset, int& count, double*& x, double*& y,
                   double*& z) override;
  void Assign(TraceInterface* other) override;
  void SetMeasurement(MeasurementInterface* measurement) override;

  // --- pipeline
  using CMeasurementSubscriber::GetMeasurement;
  CMeasurement* GetMeasurement() const { return measurement_; }
  void MeasurementDestroyed(CMeasurement* measurement) override;
  // Writes into the current series by plot kind (see ProcessData).
  void AddArray(int start, int count, const double* x, const double* y, const double* z);
  void AddPoint(double x, double y, double z);
  void AddNull();
  void SetPoint(int index, double x, double y, double z);
  void SetArray(int offset, int count, const double* x, const double* y, const double* z);
  void ClearValues();
  bool IsSpectrum() const { return plot_ == plSpectrogram || plot_ == plWaterfall || plot_ == plHeatMap; }
  bool HasAccumulatedData() const { return accData_ != 0; }
  bool HasSecondComponent() const { return hasZ_; }
  void BlockUpdate(bool block) { updateBlocked_ = block; }
  bool IsUpdateBlocked() const { return updateBlocked_; }
  void NotifySweepEnded();
  // Called at the end of every complete sweep (the automation object raises its events).
  void SetSweepEndedHandler(std::function<void()> handler) { onSweepEnded_ = std::move(handler); }
  bool GetPermanentAutoScale() const { return permanentAutoScale_; }
  void SetPermanentAutoScale(bool on) { permanentAutoScale_ = on; }
  int GetPointSize() const { return pointSize_; }
  void SetLocked(bool locked) { locked_ = locked; }

  // --- filters
  // The factory filters come from; a trace on a diagram takes the diagram's at construction.
  // Changing it releases the loaded filters through the old one.
  void SetFilterFactory(IModulesFactory* factory);
  void LoadFilters(const std::wstring& list);
  void DestroyFilters();
  void FiltersTraceChanged();
  void FiltersTraceMeasurementChanged(bool& reprocess, EMeasureParam kind);
  void FiltersDiagramChanged();

  // --- scaling and coordinates
  bool SetStimulusRange(double start, double stop);
  void SetScaleMinMax(double min, double max);
  double GetScaleMin() const { return scaleMin_; }
  double GetScaleMax() const { return scaleMax_; }
  bool GetDelayedScale(double& ref, double& div) const;
  void ClearDelayedScale();
  double GetResponseScaleStart() const;
  double GetResponseScaleStop() const;
  bool SetAxisYLogarithmicScale(bool on);
  bool GetAxisYLogarithmicScale() const;
  EBindedAxis GetBindedAxis() const { return boundAxis_; }
  void GetOptimalRange(double& start, int& startExp, double& stop, int& stopExp, double& centre,
                       int& centreExp) const;
  void GetOptimalStart(double& mantissa, int& exponent) const;
  void GetOptimalStop(double& mantissa, int& exponent) const;
  void SetPolarScale(const SDoubleRect& rect);
  SDoubleRect GetPolarScale() const;
  // The series that draws the trace now, and the trace's own axes.
  CChartSeries* Series() const { return series_.get(); }
  CChartAxis* HorizAxis() const { return horizAxis_; }
  CChartAxis* VertAxis() const { return vertAxis_; }
  TQuorSpectrumSeries* SpectrumSeries() const { return spectrum_; }
  // Applies the channel's range, point count and display range to the trace.
  virtual void UpdateMeasurementParameters();
  virtual void UpdateDisplayParameters();

 protected:
  CChart* Chart() const;
  // The common way onto a diagram: leave the old one, move the axes and series onto the new
  // chart, join it. The first attachment also binds the diagram's first channel (data
  // traces), takes the scale of the diagram's last trace and a free colour, and names an
  // unnamed trace after `namePrefix` (when given).
  void ExSetDiagram(DiagramInterface* diagram, bool bindFirstMeasurement, const std::wstring& namePrefix);
  bool WriteBlock(int offset, int count, const double* x, const double* y, const double* z, bool allowNan);
  void SwitchLogOffForData();
  void ReplayFilters();
  void SetZeroSpanStimulus(bool enteringZero);
  void RecalcOptimal();
  void UpdateDiagramAxes(int which);
  const double* ZeroSpanX(int first, int count, const double* x);

  DiagramInterface* diagram_ = nullptr;

 private:
  struct SFilterEntry {
    CFilter* filter = nullptr;
    CDynamicFilter* dynamic = nullptr;
    std::wstring name;
  };

  void CreateAxes();
  void RemoveAxes();
  void DeserializeFilter(pugi::xml_node node);
  // The reference level and division as shown, rounded, for the scale they were worked out of.
  struct SScaleShown {
    double min = std::numeric_limits<double>::quiet_NaN(), max = min;
    int position = -1;
    double ref = 0, div = 0;
  };
  const SScaleShown& Shown() const;
  mutable SScaleShown shown_;
  // The quantities without copies (the pipeline reads them for every block).
  const std::wstring& QuantityRef(EDataValueType type) const;
  const std::wstring& SrcQuantityRef(EDataValueType type) const;
  void RefreshChannelQuantities();
  std::unique_ptr<CChartSeries> CreateSeries(EPlot plot);
  void AttachSeries(CChartSeries* series);
  void ApplyPen();
  void ReleaseFilterEntry(SFilterEntry& entry);

  // quantities and formats
  std::wstring quantity_[3];
  std::wstring srcQuantity_[3];
  std::wstring channelQuantity_[3];  // the bound channel's stimulus and response quantity
  int fraction_[3] = {9, 9, 9};

  // range and scale
  double scaleMin_ = -50.0;
  double scaleMax_ = 50.0;
  double stimStart_ = 0.0;
  double stimStop_ = 1.0;
  double delayedRef_ = std::numeric_limits<double>::quiet_NaN();
  double delayedDiv_ = std::numeric_limits<double>::quiet_NaN();
  bool permanentAutoScale_ = false;
  int refPosition_ = 5;
  bool zeroSpan_ = false;
  double optMantissa_[3] = {0, 0, 0};  // start, stop, centre
  int optExponent_[3] = {0, 0, 0};
  bool ownHorizAxis_ = false;
  double ownStart_ = 0.0;
  double ownStop_ = 1.0;
  std::wstring ownStimQuantity_;
  EBindedAxis boundAxis_ = baNone;

  // series and axes
  std::unique_ptr<CChart> ownChart_;  // only when the diagram has no chart
  std::unique_ptr<CChartSeries> series_;
  TQuorDigitSeries* digit_ = nullptr;
  TQuorSmithSeries* smith_ = nullptr;
  TQuorPolarSeries* polar_ = nullptr;
  TQuorLogSeries* log_ = nullptr;
  TQuorSpectrumSeries* spectrum_ = nullptr;
  CChartAxis* horizAxis_ = nullptr;
  CChartAxis* vertAxis_ = nullptr;
  EPlot plot_ = plRect;
  int plotBeforeDigit_ = -1;

  // look
  std::wstring name_;
  TColor color_ = clBlack;
  int lineWidth_ = 1;
  EPenStyle lineStyle_ = psSolid;
  int pointSize_ = 3;
  bool visible_ = true;
  bool active_ = false;
  bool locked_ = false;
  bool attached_ = false;  // has joined a diagram through ExSetDiagram

  // data
  std::vector<SourcePoint> source_;
  bool hasZ_ = false;
  int accData_ = 0;
  double zeroCentre_ = std::numeric_limits<double>::quiet_NaN();
  double zeroWidth_ = 1e-8;
  double zeroStep_ = 0.0;
  bool zeroActive_ = false;
  int sweepStart_ = -1;
  int nextOffset_ = 0;
  int received_ = 0;
  std::vector<double> scratchX_;  // synthetic zero-span stimulus, reused per block
  std::vector<double> nanZ_;      // NaN second component for data without one

  // filters and links
  std::vector<SFilterEntry> filters_;
  IModulesFactory* filterFactory_ = nullptr;
  CPropertiesList properties_;  // handed to the dynamic filters, reused per block
  bool updateBlocked_ = false;
  bool processing_ = false;  // inside ProcessData
  CMeasurement* measurement_ = nullptr;
  std::function<void()> onSweepEnded_;
};

// A trace that may serve as source A or B of the diagram's math traces: after its static
// filters every other math trace of the diagram is handed the same block.
class CTraceMathSource : public CTrace {
 public:
  using CTrace::CTrace;
  void ProcessStaticFilters(bool reset, int size, int offset, int count) override;
  // A math trace computes the points [offset, offset + count) that `source` just received.
  virtual void SourceDataChanged(CTraceMathSource* source, bool reset, int size, int offset, int count);
};
