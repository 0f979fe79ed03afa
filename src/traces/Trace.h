#pragma once
// The base of every curve of a diagram. A trace keeps its own copy of the received points
// (the source buffer), runs each block through its filter chain into its own display
// buffer, and carries its own stimulus range and response scale. Everything else reads the
// trace back through its ITraceView face (SrcValue, Value, Count, SrcSize, DisplayData) and
// learns of changes from its notices; the renderer that the plot-kind table names for the
// trace's kind draws the display buffer.
//
// How to add a trace kind:
// 1. Derive from CTraceMathSource (a kind that can feed math traces) or CTrace, and answer
//    GetTraceType with the kind's XML name and IsFixedRef.
// 2. Feed it through Process (an SBlock of traces/Block.h) or, for a kind that follows a
//    channel, through CallbackData as CTraceData does; never write the display buffer directly.
// 3. Give it a creator in CDiagram (AddDataTrace is the model): the diagram makes, owns and
//    adopts every trace, and CDiagram::CreateTrace maps the XML name to the creator.
// 4. Serialize what is its own after CTrace::Serialize, read it back in Deserialize.
// 5. Test it through the diagram: create, feed, save and load, remove.
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "chart/Canvas.h"
#include "chart/SeriesData.h"
#include "filters/PropertiesList.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/TraceInterface.h"
#include "measurements/Measurement.h"
#include "measurements/MeasurementSubscriber.h"
#include "series/SmithSeries.h"
#include "traces/Block.h"
#include "traces/PlotKinds.h"

class CChart;
class CChartAxis;
class CChartSeries;
class CDynamicFilter;
class IModulesFactory;
class TQuorSpectrumSeries;

// One received point as the source buffer holds it (read back with CTrace::SrcPoint).
struct SourcePoint {
  double x;  // stimulus, already multiplied by the channel's stimulus multiplier
  double y;  // response, or real part
  double z;  // imaginary part or second component
};

class CTrace : public TraceInterface, public CMeasurementSubscriber {
 public:
  // The trace is made for `diagram` (null: it draws on a chart of its own and loads no
  // filters): it places its axes and renderer on the diagram's chart and loads the filters
  // the control includes. The diagram that made it owns it and adopts it (CDiagram::Adopt).
  explicit CTrace(DiagramInterface* diagram);
  ~CTrace() override;

  // --- ITraceView
  std::uint64_t Id() const override { return id_; }
  std::wstring GetName() const override { return name_; }
  std::wstring GetTraceType() const override { return std::wstring(); }
  EPlot GetPlot() const override { return plot_; }
  TColor GetColor() const override { return color_; }
  bool GetVisible() const override { return visible_; }
  CMeasurement* Measurement() const override { return measurement_; }
  int GetFractionSize(EDataValueType type) const override;
  std::wstring GetQuantity(EDataValueType type) const override;
  std::wstring GetSrcQuantity(EDataValueType type) const override;
  double GetStimulusStart() const override { return stimStart_; }
  double GetStimulusStop() const override { return stimStop_; }
  int Count() const override { return display_.Count(); }
  int SrcSize() const override { return static_cast<int>(srcX_.size()); }
  int GetSrcOffset() const override { return nextOffset_; }
  double SrcValue(EDataValueType type, unsigned index) const override;
  // The source buffer's column of a component (SrcSize() values); null for a second
  // component the data never had.
  const double* SrcColumn(EDataValueType type) const {
    if (type == vtStimulus) return srcX_.data();
    if (type == vtResponse) return srcY_.data();
    return srcZ_.size() == srcX_.size() ? srcZ_.data() : nullptr;
  }
  SourcePoint SrcPoint(unsigned index) const {
    return {SrcValue(vtStimulus, index), SrcValue(vtResponse, index), SrcValue(vtResponseIm, index)};
  }
  double Value(EDataValueType type, unsigned index, bool raw = false) const override;
  double ResponseByX(EDataValueType type, double x, bool raw = false,
                     bool* isInterpolated = nullptr) const override;
  double XValueMin() const override;
  double XValueMax() const override;
  double GetMaximum() const override;
  double GetMinimum() const override;
  double ZeroValue() const override { return zeroActive_ ? zeroCentre_ : std::numeric_limits<double>::quiet_NaN(); }
  const CSeriesData& DisplayData() const override { return display_; }
  void Subscribe(ITraceObserver* observer) override;
  void Unsubscribe(ITraceObserver* observer) override;

  // --- IFilterTrace and TraceInterface
  void SetQuantity(EDataValueType type, const wchar_t* quantity) override;
  bool SetPlot(EPlot plot) override;
  void FilterParametersUpdated(bool reprocess) override;
  bool GetLocked() const override { return locked_; }
  void SetName(const std::wstring& name) override;
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
  bool ZeroRange() const override { return zeroSpan_; }
  void BindTrace(EBindedAxis axis, bool bind) override;
  void SetOwnHorizAxis(bool on) override;
  bool GetOwnHorizAxis() const override { return ownHorizAxis_; }
  double GetStimulusMultiplier() const override;
  void SetVisible(bool visible) override;
  void Activate() override;
  void Deactivate() override;
  bool IsActive() const override { return active_; }
  void SetColor(TColor color) override;
  int GetLineWidth() const override { return lineWidth_; }
  void SetLineWidth(int width) override;
  EPenStyle GetLineStyle() const override { return lineStyle_; }
  void SetLineStyle(EPenStyle style) override;
  void AssignMeasurement(MeasurementInterface* measurement) override { SetMeasurement(measurement); }
  void SetSrcQuantity(EDataValueType type, const wchar_t* quantity) override;
  double CalcPosValue(EDataValueType type, double value) const override;
  SPointF CalcPosValue(unsigned index) const override;
  double CalcValueXPos(int pixel) const override;
  double CalcValueYPos(int pixel) const override;
  double CalcPolarXPos(int pixel) const override;
  double CalcPolarYPos(int pixel) const override;
  DiagramInterface* GetDiagram() const override { return diagram_; }
  std::wstring GetStringInfo(int index) const override;
  unsigned GetFilterCount() const override { return static_cast<unsigned>(filters_.size()); }
  CFilter* GetFilter(unsigned index) const override;
  CFilter* GetFilter(const wchar_t* name) const override;
  // The plug-in name the filter at `index` was created under; empty past the end.
  std::wstring GetFilterName(unsigned index) const {
    return index < filters_.size() ? filters_[index].name : std::wstring();
  }
  void Repaint() override;
  // A table of the drawn values ("trs", "trc", "csv"), the spectrum history ("trs" of a
  // spectrum kind), or a one-port Touchstone file of the received complex data (".s1p" in
  // version 1, ".ts" in version 2).
  bool SaveDataToFile(const wchar_t* fileName) override;
  void Update() override;
  std::shared_ptr<IAutomationObject> GetAutomationInterface() override { return automation_.Get<TraceInterface>(*this); }
  void ProcessDynFilters(bool& reset, int& size, int& offset, int& count, double*& x, double*& y,
                         double*& z, bool readBack) override;
  void ProcessStaticFilters(bool reset, int size, int offset, int count) override;
  // Moves the trace's axes and renderer onto `diagram`'s chart (ownership moves between the
  // diagrams, not here).
  void SetDiagram(DiagramInterface* diagram) override;
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
  // One block through the whole pipeline (ProcessData is this, by reference). With `host`,
  // the block's arrays are prepared but empty: they are filled from the host's arrays (the
  // stimulus times the multiplier) in the same pass that fills the source buffer.
  struct SHostArrays {
    const double* x;
    const double* y;
    const double* z;  // null when the data carry no second component
    double multiplier;
  };
  void Process(SBlock& block, const SHostArrays* host = nullptr);
  using CMeasurementSubscriber::GetMeasurement;
  void MeasurementDestroyed(CMeasurement* measurement) override;
  void ClearValues();
  bool IsSpectrum() const { return Kind().spectrum; }
  const SPlotKind& Kind() const { return PlotKind(plot_); }
  bool HasAccumulatedData() const { return accData_ != 0; }
  bool HasSecondComponent() const { return hasZ_; }
  // While blocked, Update does nothing and data changes are not announced.
  void BlockUpdate(bool block) { updateBlocked_ = block; }
  bool IsUpdateBlocked() const { return updateBlocked_; }
  void NotifySweepEnded();
  // Tells every subscriber that the trace goes (once; the destructor does it otherwise), so
  // that each lets go of it while it is still whole.
  void AnnounceRemoval();
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
  // The stimulus runs from stop to start (the channel sweeps backwards).
  bool StimulusReversed() const;
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
  // The renderer that draws the trace now, and the trace's own axes.
  CChartSeries* Series() const { return series_.get(); }
  CChartAxis* HorizAxis() const { return horizAxis_; }
  CChartAxis* VertAxis() const { return vertAxis_; }
  // The history of a spectrum kind; null for the other kinds.
  TQuorSpectrumSeries* SpectrumSeries() const;
  // Applies the channel's range, point count and display range to the trace.
  virtual void UpdateMeasurementParameters();
  virtual void UpdateDisplayParameters();

 protected:
  CChart* Chart() const;
  // Tells every subscriber; the trace may be gone when a tcChannelGone notice returns.
  void Announce(ETraceChange kind, int offset = 0, int count = 0, int size = 0, bool reset = false);
  void SwitchLogOffForData();
  void ReplayFilters();
  void SetZeroSpanStimulus(bool enteringZero);
  void RecalcOptimal();

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
  // Makes the renderer of the current kind and puts it where the old one was.
  void MakeRenderer();
  void AttachRenderer();
  void ApplyPen();
  void ReleaseFilterEntry(SFilterEntry& entry);
  // The block into the display buffer at its offset (see Process, step 10).
  void WriteBlock(const SBlock& block, bool allowNan);
  // Synthetic zero-span stimulus for points [first, first + count), or x itself.
  const double* ZeroSpanX(int first, int count, const double* x);
  void SetStimulusFromChannel(double start, double stop);
  // Replays stored sweeps of a spectrum kind through the chain.
  void ReplayHistory();

  // identity and subscribers
  static std::atomic<std::uint64_t> nextId_;
  const std::uint64_t id_ = ++nextId_;
  std::vector<ITraceObserver*> observers_;
  bool removalAnnounced_ = false;

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
  SDoubleRect polarScale_;

  // renderer and axes
  std::unique_ptr<CChart> ownChart_;  // only when the diagram has no chart
  std::unique_ptr<CChartSeries> series_;
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

  // data
  // The source buffer, a column per component; z only once data with a second component came.
  std::vector<double> srcX_, srcY_, srcZ_;
  CSeriesData display_;
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

  // filters and links
  std::vector<SFilterEntry> filters_;
  IModulesFactory* filterFactory_ = nullptr;
  CPropertiesList properties_;  // handed to the dynamic filters, reused per block
  bool updateBlocked_ = false;
  bool processing_ = false;  // inside Process
  CMeasurement* measurement_ = nullptr;
  CAutomationSlot automation_;
};

// A trace that may serve as source A or B of math traces; a math trace subscribes to its
// sources and computes the points each data notice names.
class CTraceMathSource : public CTrace {
 public:
  using CTrace::CTrace;
};
