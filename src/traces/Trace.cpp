#include "traces/Trace.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "chart/Series.h"
#include "common/Assert.h"
#include "common/Log.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/UserInteraction.h"
#include "core/DiagCommonLib.h"
#include "core/PluginManager.h"
#include "filters/Filter.h"
#include "interfaces/MarkersManagerInterface.h"
#include "measurements/Measurement.h"
#include "series/DigitSeries.h"
#include "series/LogSeries.h"
#include "series/PolarSeries.h"
#include "series/SpectrumSeries.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool ValidType(EDataValueType type) {
  return PV_ASSERT_MSG(type == vtStimulus || type == vtResponse || type == vtResponseIm,
                       "Invalid value type in arguments list");
}

bool ValidPlot(int plot) { return plot >= plRect && plot <= plHeatMap; }

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  return a == b || (a.size() == b.size() && ToUpperText(a) == ToUpperText(b));
}

}  // namespace

CTrace::CTrace(DiagramInterface* diagram) : diagram_(diagram) {
  CreateAxes();
  series_ = CreateSeries(plRect);
  AttachSeries(series_.get());
  if (diagram_ != nullptr) {
    filterFactory_ = diagram_->GetFilterFactory();
    if (filterFactory_ != nullptr) LoadFilters(diagram_->GetOption(L"IncludedFilters"));
  }
}

CTrace::~CTrace() {
  DestroyFilters();
  series_.reset();
  if (measurement_ != nullptr) RemoveMeasurement(measurement_);
  RemoveAxes();
  if (diagram_ != nullptr) diagram_->RemoveTrace(this);
}

void CTrace::RemoveAxes() {
  if (Chart() == nullptr) return;
  if (horizAxis_ != nullptr) Chart()->RemoveCustomAxis(horizAxis_);
  if (vertAxis_ != nullptr) Chart()->RemoveCustomAxis(vertAxis_);
  horizAxis_ = vertAxis_ = nullptr;
}

void CTrace::ExSetDiagram(DiagramInterface* diagram, bool bindFirstMeasurement, const std::wstring& namePrefix) {
  const bool first = !attached_;
  if (diagram != diagram_) {
    // The series and the axes live on the chart of the diagram; they move with the trace.
    const bool logarithmic = vertAxis_ != nullptr && vertAxis_->Logarithmic();
    series_->SetChart(nullptr);
    RemoveAxes();
    if (diagram_ != nullptr) diagram_->RemoveTrace(this);
    diagram_ = diagram;
    ownChart_.reset();
    CreateAxes();
    vertAxis_->SetLogarithmic(logarithmic);
    horizAxis_->SetInverted(measurement_ != nullptr && measurement_->HasReversedSweep());
    boundAxis_ = baNone;
    AttachSeries(series_.get());
    FiltersDiagramChanged();
  }
  attached_ = true;
  if (diagram_ == nullptr) return;
  if (first && bindFirstMeasurement && diagram_->MeasurementCount() > 0) SetMeasurement(diagram_->Measurement(0));
  diagram_->AddTrace(this);
  diagram_->SetActiveMeasurements();
  if (first) {
    for (unsigned i = diagram_->GetTraceCount(); i-- > 0;) {
      TraceInterface* last = diagram_->Trace(i);
      if (last == nullptr || last == this) continue;
      SetScale(last->GetScaleRef(), last->GetScaleDiv());
      break;
    }
    SetColor(diagram_->UniqueTraceColor(this));
  }
  SetVisible(true);
  if (name_.empty() && !namePrefix.empty()) SetName(diagram_->UniqueTraceName(namePrefix));
}

CChart* CTrace::Chart() const {
  if (diagram_ != nullptr && diagram_->GetChart() != nullptr) return diagram_->GetChart();
  return ownChart_.get();
}

void CTrace::CreateAxes() {
  if (Chart() == nullptr) ownChart_ = std::make_unique<CChart>();
  horizAxis_ = Chart()->AddCustomAxis(true);
  vertAxis_ = Chart()->AddCustomAxis(false);
  horizAxis_->SetMinMax(stimStart_, stimStop_);
  vertAxis_->SetMinMax(scaleMin_, scaleMax_);
  horizAxis_->SetVisible(false);
  vertAxis_->SetVisible(false);
}

std::unique_ptr<CChartSeries> CTrace::CreateSeries(EPlot plot) {
  switch (plot) {
    case plLog:
      return std::make_unique<TQuorLogSeries>();
    case plPolar:
      return std::make_unique<TQuorPolarSeries>();
    case plSmith:
      return std::make_unique<TQuorSmithSeries>();
    case plDigit:
      return std::make_unique<TQuorDigitSeries>();
    case plPoints:
      return std::make_unique<CPointSeries>();
    case plSpectrogram:
    case plWaterfall:
    case plHeatMap:
      return std::make_unique<TQuorSpectrumSeries>();
    case plRect:
    default:
      return std::make_unique<CFastLineSeries>();
  }
}

void CTrace::AttachSeries(CChartSeries* series) {
  series->SetChart(Chart());
  series->SetHorizAxis(horizAxis_);
  CChartAxis* bound = diagram_ != nullptr ? diagram_->GetBindAxis(boundAxis_) : nullptr;
  series->SetVertAxis(bound != nullptr ? bound : vertAxis_);
  series->SetColor(color_);
  series->SetVisible(visible_);
  digit_ = dynamic_cast<TQuorDigitSeries*>(series);
  smith_ = dynamic_cast<TQuorSmithSeries*>(series);
  polar_ = dynamic_cast<TQuorPolarSeries*>(series);
  log_ = dynamic_cast<TQuorLogSeries*>(series);
  spectrum_ = dynamic_cast<TQuorSpectrumSeries*>(series);
}

void CTrace::ApplyPen() {
  if (plot_ == plPoints) {
    series_->SetPenWidth(pointSize_);
    return;
  }
  series_->SetPenWidth(lineWidth_);
  series_->SetPenStyle(lineStyle_);
}

// ---------------------------------------------------------------------------------------
// Look

void CTrace::SetName(const std::wstring& name) {
  name_ = name;
  if (spectrum_ != nullptr) spectrum_->Storage().SetTraceName(name);
  if (diagram_ != nullptr) diagram_->UpdateTraceStatus(this);
}

void CTrace::SetVisible(bool visible) {
  visible_ = visible;
  series_->SetVisible(visible);
  if (diagram_ != nullptr) diagram_->UpdateTraceStatus(this);
  Repaint();
}

void CTrace::Activate() {
  active_ = true;
  horizAxis_->SetVisible(true);
  vertAxis_->SetVisible(boundAxis_ == baNone);
}

void CTrace::Deactivate() {
  active_ = false;
  horizAxis_->SetVisible(false);
  vertAxis_->SetVisible(false);
}

void CTrace::SetColor(TColor color) {
  color_ = color;
  series_->SetColor(color);
  Repaint();
}

void CTrace::SetLineWidth(int width) {
  lineWidth_ = std::max(width, 1);
  ApplyPen();
  Repaint();
}

void CTrace::SetLineStyle(EPenStyle style) {
  lineStyle_ = style;
  ApplyPen();
  Repaint();
}

void CTrace::Repaint() {
  if (diagram_ != nullptr) diagram_->RepaintChart();
}

void CTrace::Update() {
  if (updateBlocked_) return;
  FiltersTraceChanged();
  if (diagram_ != nullptr) diagram_->UpdateTraceStatus(this);
  Repaint();
}

// ---------------------------------------------------------------------------------------
// Plot kinds

bool CTrace::SetPlot(EPlot plot) {
  if (!ValidPlot(plot)) return false;
  if (plot == plot_) return true;
  // A one-point sweep holds the trace in the digit read-out until the sweep grows again.
  if (plot_ == plDigit && plotBeforeDigit_ >= 0) return true;

  const bool wasSpectrum = IsSpectrum();
  const bool toSpectrum = plot == plSpectrogram || plot == plWaterfall || plot == plHeatMap;
  if (diagram_ != nullptr) {
    if ((plot_ == plWaterfall || plot_ == plHeatMap) && plot != plWaterfall) diagram_->SetGradient(false);
    if (plot_ == plWaterfall && plot != plWaterfall) diagram_->SetWaterfall(false);
  }
  if (plot == plDigit || plot == plPoints) plotBeforeDigit_ = plot_;

  if (!(wasSpectrum && toSpectrum)) {
    std::unique_ptr<CChartSeries> fresh = CreateSeries(plot);
    if (!PV_ASSERT_MSG(fresh != nullptr, "Исключение при создании Series")) return false;
    AttachSeries(fresh.get());
    series_ = std::move(fresh);  // the old series leaves the chart as it is destroyed
  }
  plot_ = plot;
  ApplyPen();

  switch (plot) {
    case plRect:
    case plLog:
      vertAxis_->SetLogarithmic(false);
      if (diagram_ != nullptr) diagram_->ShowChartFrame(true);
      if (plot == plLog) {
        if (diagram_ != nullptr) diagram_->ShowMeasurementBar(false);
        if (measurement_ != nullptr && log_ != nullptr)
          log_->SetStimulusRange(measurement_->GetStimulusStart() * GetStimulusMultiplier(),
                                 measurement_->GetStimulusStop() * GetStimulusMultiplier());
      }
      break;
    case plPolar:
    case plSmith:
      if (diagram_ != nullptr) {
        for (unsigned i = 0; i < diagram_->GetTraceCount(); ++i) {
          auto* other = dynamic_cast<CTrace*>(diagram_->Trace(i));
          if (other != nullptr && other != this && other->GetPlot() == plot) {
            SetPolarScale(other->GetPolarScale());
            break;
          }
        }
        diagram_->ShowChartFrame(false);
      }
      break;
    case plDigit:
      if (diagram_ != nullptr) diagram_->ShowChartFrame(false);
      break;
    case plPoints:
      if (auto* points = dynamic_cast<CPointSeries*>(series_.get())) points->SetPointRadius(std::max(pointSize_ / 2, 1));
      if (diagram_ != nullptr) diagram_->ShowChartFrame(true);
      break;
    case plSpectrogram:
    case plWaterfall:
    case plHeatMap: {
      if (!wasSpectrum) {
        spectrum_->SetParentTrace(this);
        spectrum_->Storage().SetTraceName(name_);
        spectrum_->SetStimulusRange(stimStart_, stimStop_);
        const double ref = GetScaleRef(), div = GetScaleDiv();
        spectrum_->SetMinMax(ref - refPosition_ * div, ref + (10 - refPosition_) * div);
        if (measurement_ != nullptr && measurement_->GetPointsCount() > 0)
          spectrum_->SetColumns(measurement_->GetPointsCount());
      }
      const ESeriesMode mode =
          plot == plSpectrogram ? smSpectrogram : (plot == plWaterfall ? smWaterfall : smHeatMap);
      spectrum_->SetSeriesMode(mode);
      if (diagram_ != nullptr) {
        diagram_->SetGradient(plot != plSpectrogram);
        diagram_->SetWaterfall(plot == plWaterfall);
        diagram_->ShowChartFrame(true);
      }
      break;
    }
    default:
      break;
  }
  // Outside the pipeline the new series is filled from what was received, so a plot
  // change shows the data at once (a memory trace gets no other data).
  if (!processing_ && !(wasSpectrum && toSpectrum) && sweepStart_ != -1 && SrcSize() > 0) {
    FilterParametersUpdated(true);
  }
  Repaint();
  return true;
}

// ---------------------------------------------------------------------------------------
// Channel

MeasurementInterface* CTrace::Measurement() const { return measurement_; }

void CTrace::SetMeasurement(MeasurementInterface* measurement) {
  if (measurement == measurement_) return;
  auto* channel = dynamic_cast<CMeasurement*>(measurement);
  if (measurement != nullptr && !PV_ASSERT_MSG(channel != nullptr, "pMeasurement!=NULL")) return;

  ClearValues();
  sweepStart_ = -1;
  if (plot_ == plLog && (channel == nullptr || channel->GetResponseQuantity() != L"dBc/Hz")) {
    SetPlot(plRect);
    if (diagram_ != nullptr) diagram_->ShowMeasurementBar(true);
  }
  if (measurement_ != nullptr) RemoveMeasurement(measurement_);
  measurement_ = channel;
  RefreshChannelQuantities();
  if (measurement_ != nullptr) AddMeasurement(measurement_);
  if (measurement_ != nullptr && !ownHorizAxis_)
    SetStimulusRange(measurement_->GetStimulusStart() * GetStimulusMultiplier(),
                     measurement_->GetStimulusStop() * GetStimulusMultiplier());
  if (diagram_ != nullptr) {
    diagram_->UpdateAxes(3, this);
    diagram_->SetActiveMeasurements();
  }
  bool reprocess = false;
  FiltersTraceMeasurementChanged(reprocess, mpAttached);
  Update();
}

void CTrace::MeasurementDestroyed(CMeasurement* measurement) {
  CMeasurementSubscriber::MeasurementDestroyed(measurement);
  if (measurement == measurement_) {
    measurement_ = nullptr;
    RefreshChannelQuantities();
  }
}

void CTrace::UpdateMeasurementParameters() {
  if (measurement_ == nullptr || ownHorizAxis_) return;
  SetStimulusRange(measurement_->GetStimulusStart() * GetStimulusMultiplier(),
                   measurement_->GetStimulusStop() * GetStimulusMultiplier());
  if (IsSpectrum() && measurement_->GetPointsCount() > 1) spectrum_->SetColumns(measurement_->GetPointsCount());
}

void CTrace::UpdateDisplayParameters() {
  if (ownHorizAxis_) {
    SetStimulusRange(ownStart_, ownStop_);
  } else if (measurement_ != nullptr) {
    SetStimulusRange(measurement_->GetDisplayStimStart() * GetStimulusMultiplier(),
                     measurement_->GetDisplayStimStop() * GetStimulusMultiplier());
  }
}

void CTrace::CallbackChanged(CMeasurement* measurement, EMeasureParam kind) {
  if (measurement == nullptr) return;
  if (measurement == measurement_ &&
      (kind == mpAttached || kind == mpStimulusQuantity || kind == mpResponseQuantity))
    RefreshChannelQuantities();
  if (kind == mpParameter) {
    const std::wstring last = measurement->GetLastParameter();
    if (last == L"FrequencyCounter" || last == L"CarrierFreqPow" || last == L"PulseWidthPeriod" ||
        last == L"PhaseNoiseHarmList")
      return;
  }
  if ((kind == mpAttached || kind == mpStimulusRange || kind == mpStimulusQuantity) && diagram_ != nullptr &&
      diagram_->GetAxisXLogarithmicScale() && measurement->GetStimulusStart() <= 0)
    diagram_->SetAxisXLogarithmicScale(false);
  if (kind == mpAttached || kind == mpStimulusRange || kind == mpPointsCount) UpdateMeasurementParameters();
  if (kind == mpDisplayRange) UpdateDisplayParameters();
  bool reprocess = false;
  FiltersTraceMeasurementChanged(reprocess, kind);
  if (kind != mpName && kind != mpInfo) FilterParametersUpdated(reprocess);
}

// ---------------------------------------------------------------------------------------
// Quantities

int CTrace::GetFractionSize(EDataValueType type) const {
  if (!ValidType(type)) return 0;
  return fraction_[type];
}

std::wstring CTrace::GetQuantity(EDataValueType type) const {
  if (!ValidType(type)) return {};
  return QuantityRef(type);
}

std::wstring CTrace::GetSrcQuantity(EDataValueType type) const {
  if (!ValidType(type)) return {};
  return SrcQuantityRef(type);
}

const std::wstring& CTrace::QuantityRef(EDataValueType type) const {
  static const std::wstring kNone;
  if (!quantity_[type].empty()) return quantity_[type];
  if (type == vtStimulus && measurement_ == nullptr) return kNone;
  return SrcQuantityRef(type);
}

const std::wstring& CTrace::SrcQuantityRef(EDataValueType type) const {
  if (!srcQuantity_[type].empty() || type == vtResponseIm) return srcQuantity_[type];
  return channelQuantity_[type];
}

void CTrace::RefreshChannelQuantities() {
  channelQuantity_[vtStimulus] = measurement_ != nullptr ? measurement_->GetStimulusQuantity() : std::wstring();
  channelQuantity_[vtResponse] = measurement_ != nullptr ? measurement_->GetResponseQuantity() : std::wstring();
}

void CTrace::SetQuantity(EDataValueType type, const wchar_t* quantity) {
  if (!ValidType(type)) return;
  const std::wstring q = quantity != nullptr ? quantity : L"";
  switch (type) {
    case vtStimulus:
      fraction_[0] = GetUnitsFractionSize(q);
      if (GetTraceType() != L"Memory" && measurement_ != nullptr && q == measurement_->GetStimulusQuantity())
        quantity_[0].clear();
      else
        quantity_[0] = q;
      break;
    case vtResponse: {
      if (q.empty() && measurement_ != nullptr)
        fraction_[1] = GetUnitsFractionSize(measurement_->GetResponseQuantity());
      else
        fraction_[1] = GetUnitsFractionSize(q);
      quantity_[1] = q;
      if (IsSpectrum()) {
        const std::wstring effective = q.empty() ? GetSrcQuantity(vtResponse) : q;
        bool known = true;
        if (effective == L"SGram") {
          spectrum_->SetSeriesMode(smSpectrogram);
        } else if (effective == L"SGramWF") {
          spectrum_->SetSeriesMode(smWaterfall);
        } else if (effective == L"SGramHM") {
          spectrum_->SetSeriesMode(smHeatMap);
        } else {
          known = false;
        }
        if (known && diagram_ != nullptr) {
          diagram_->SetGradient(effective != L"SGram");
          diagram_->SetWaterfall(effective == L"SGramWF");
        }
        UpdateDiagramAxes(3);
      }
      break;
    }
    case vtResponseIm:
      quantity_[2] = q;
      break;
  }
}

void CTrace::SetSrcQuantity(EDataValueType type, const wchar_t* quantity) {
  if (!ValidType(type)) return;
  srcQuantity_[type] = quantity != nullptr ? quantity : L"";
}

std::wstring CTrace::GetStringInfo(int index) const {
  // 0 name, 1 type, 2 channel, 3 display quantity with the filters' status lines.
  switch (index) {
    case 0:
      return name_;
    case 1:
      return GetTraceType();
    case 2:
      return measurement_ != nullptr ? measurement_->GetName() : std::wstring();
    case 3: {
      std::wstring line = GetQuantity(vtResponse);
      for (const SFilterEntry& entry : filters_) {
        const std::wstring& status = entry.filter->GetStatusLine();
        if (status.empty()) continue;
        if (!line.empty()) line += L"; ";
        line += status;
      }
      return line;
    }
    default:
      return {};
  }
}

// ---------------------------------------------------------------------------------------
// Reading back

int CTrace::Count() const { return series_->Count(); }

double CTrace::SrcValue(EDataValueType type, unsigned index) const {
  if (!ValidType(type)) return kNaN;
  if (!PV_ASSERT_MSG(static_cast<int>(index) < SrcSize(), "int(index)<SrcSize()")) return kNaN;
  if (IsSpectrum()) {
    double x = kNaN, y = kNaN;
    const CSpectrumStorage& storage = spectrum_->Storage();
    const int level = storage.GetSrcLevelCount() - 1;
    if (level >= 0 && storage.GetSrcPoint(static_cast<int>(index), x, y, level)) {
      if (type == vtStimulus) return x;
      if (type == vtResponse) return y;
      return kNaN;
    }
  }
  const SourcePoint& p = source_[index];
  if (type == vtStimulus) return p.x;
  if (type == vtResponse) return p.y;
  return p.z;
}

double CTrace::Value(EDataValueType type, unsigned index, bool raw) const {
  if (!ValidType(type)) return kNaN;
  if (!PV_ASSERT_MSG(static_cast<int>(index) < series_->Count(), "(int)index<Series->Count()")) return kNaN;
  const int i = static_cast<int>(index);
  const bool zeroShown = zeroActive_ && !raw;
  switch (type) {
    case vtStimulus:
      switch (plot_) {
        case plRect:
        case plLog:
        case plSpectrogram:
        case plWaterfall:
        case plHeatMap:
          // A null point has no stimulus; a point whose value is NaN keeps its own.
          if (std::isnan(series_->XValue(i))) return kNaN;
          return zeroShown ? zeroCentre_ : series_->XValue(i);
        case plPolar:
        case plSmith: {
          auto* circle = static_cast<TQuorCircleSeries*>(series_.get());
          if (std::isnan(circle->GetStimulusValue(i))) return kNaN;
          return zeroShown ? zeroCentre_ : circle->GetStimulusValue(i);
        }
        case plDigit:
          return series_->XValue(i);
        case plPoints:
          return i < SrcSize() ? SrcValue(vtStimulus, index) : kNaN;
        default:
          break;
      }
      break;
    case vtResponse:
      switch (plot_) {
        case plRect:
        case plLog:
        case plSpectrogram:
        case plWaterfall:
        case plHeatMap:
        case plDigit:
          return series_->YValue(i);
        case plPolar:
        case plSmith:
        case plPoints:
          return series_->XValue(i);
        default:
          break;
      }
      break;
    case vtResponseIm:
      switch (plot_) {
        case plPolar:
        case plSmith:
        case plPoints:
          return series_->YValue(i);
        case plDigit:
          return digit_->GetValue(i);
        default:
          PV_ASSERT_MSG(false, "Invalid coordinate system type");
          return kNaN;
      }
  }
  PV_ASSERT_MSG(false, "Unknown coordinate system type");
  return kNaN;
}

double CTrace::XValueMin() const { return Count() > 0 ? Value(vtStimulus, 0) : 0.0; }

double CTrace::XValueMax() const { return Count() > 0 ? Value(vtStimulus, static_cast<unsigned>(Count() - 1)) : 0.0; }

double CTrace::GetMaximum() const {
  if (plot_ == plPolar || plot_ == plSmith || plot_ == plPoints) {
    // The response of these plots is the real part, kept as the series' x.
    return series_->MaxXValue();
  }
  return series_->MaxYValue();
}

double CTrace::GetMinimum() const {
  if (plot_ == plPolar || plot_ == plSmith || plot_ == plPoints) return series_->MinXValue();
  return series_->MinYValue();
}

// ---------------------------------------------------------------------------------------
// Writing into the series

const double* CTrace::ZeroSpanX(int first, int count, const double* x) {
  if (!(zeroSpan_ || zeroActive_) || zeroStep_ == 0.0) return x;
  if (scratchX_.size() < static_cast<std::size_t>(count)) scratchX_.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) scratchX_[i] = x[i] - zeroWidth_ / 2 + (first + i) * zeroStep_;
  return scratchX_.data();
}

void CTrace::AddArray(int start, int count, const double* x, const double* y, const double* z) {
  if (count <= 0) return;
  (void)start;
  const int first = series_->Count();
  const double* sx = ZeroSpanX(first, count, x);
  switch (plot_) {
    case plRect:
    case plLog:
      series_->AppendXY(sx, y, count);
      break;
    case plPolar:
    case plSmith: {
      if (plot_ == plPolar && !PV_ASSERT_MSG(polar_ != nullptr, "PolarSeries!=NULL")) return;
      if (plot_ == plSmith && !PV_ASSERT_MSG(smith_ != nullptr, "SmithSeries!=NULL")) return;
      auto* circle = static_cast<TQuorCircleSeries*>(series_.get());
      circle->AppendPoints(y, z, sx, count);
      if (plot_ == plSmith)
        PV_ASSERT_MSG(Count() == static_cast<int>(smith_->StimulusValues().size()),
                      "Count() == (int)SmithSeries->FStimulusValues.size()");
      break;
    }
    case plPoints:
      series_->AppendXY(y, z, count);
      break;
    case plSpectrogram:
    case plWaterfall:
    case plHeatMap:
      if (PV_ASSERT_MSG(spectrum_ != nullptr, "SpectrumSeries!=NULL")) spectrum_->AddArray(first, count, y, sx);
      break;
    case plDigit:
    default:
      break;
  }
}

void CTrace::SetArray(int offset, int count, const double* x, const double* y, const double* z) {
  if (count <= 0) return;
  if (!PV_ASSERT_MSG(offset + count <= series_->Count(), "offset + count <= Series->Count()")) return;
  const double* sx = ZeroSpanX(offset, count, x);
  switch (plot_) {
    case plRect:
    case plLog:
      series_->ReplaceXY(offset, sx, y, count);
      break;
    case plPolar:
    case plSmith:
      static_cast<TQuorCircleSeries*>(series_.get())->ReplacePoints(offset, y, z, sx, count);
      break;
    case plPoints:
      series_->ReplaceXY(offset, y, z, count);
      break;
    case plSpectrogram:
    case plWaterfall:
    case plHeatMap:
      if (PV_ASSERT_MSG(spectrum_ != nullptr, "SpectrumSeries!=NULL")) spectrum_->AddArray(offset, count, y, sx);
      break;
    case plDigit:
      for (int i = 0; i < count; ++i) SetPoint(offset + i, sx[i], y[i], z[i]);
      break;
    default:
      break;
  }
}

void CTrace::AddPoint(double x, double y, double z) {
  const int first = series_->Count();
  const double* sx = ZeroSpanX(first, 1, &x);
  switch (plot_) {
    case plDigit:
      digit_->AddPoint(*sx, y, z);
      break;
    default:
      AddArray(first, 1, &x, &y, &z);
      break;
  }
}

void CTrace::AddNull() {
  switch (plot_) {
    case plPolar:
    case plSmith:
      static_cast<TQuorCircleSeries*>(series_.get())->AddNull();
      break;
    case plDigit:
      digit_->AddNull();
      break;
    case plSpectrogram:
    case plWaterfall:
    case plHeatMap:
      spectrum_->AddNull(kNaN);
      spectrum_->Storage().AddNull();
      break;
    default:
      series_->AddNull(kNaN);
      break;
  }
}

void CTrace::SetPoint(int index, double x, double y, double z) {
  if (!PV_ASSERT_MSG(index >= 0 && index < series_->Count(), "index>=0 && index<Series->Count()")) return;
  const double sx = *ZeroSpanX(index, 1, &x);
  switch (plot_) {
    case plPolar:
    case plSmith:
      static_cast<TQuorCircleSeries*>(series_.get())->SetPoint(index, y, z, sx);
      break;
    case plPoints:
      series_->SetXY(index, y, z);
      break;
    case plDigit:
      digit_->SetPoint(sx, y, z);
      break;
    case plSpectrogram:
    case plWaterfall:
    case plHeatMap:
      spectrum_->SetXY(index, sx, y);
      spectrum_->Storage().SetPoint(index, sx, y);
      break;
    default:
      series_->SetXY(index, sx, y);
      break;
  }
}

void CTrace::ClearValues() {
  series_->Clear();
  if (diagram_ != nullptr) diagram_->TraceCleared(this);
  source_.clear();
  if (IsSpectrum()) {
    spectrum_->Storage().ClearStorage();
  }
}

bool CTrace::WriteBlock(int offset, int count, const double* x, const double* y, const double* z, bool allowNan) {
  if (count <= 0) return false;
  if (z == nullptr) {
    if (nanZ_.size() < static_cast<std::size_t>(count)) nanZ_.assign(static_cast<std::size_t>(count), kNaN);
    z = nanZ_.data();
  }
  if (plot_ == plDigit || allowNan) {
    for (int i = 0; i < count; ++i) {
      const int index = offset + i;
      if (index < series_->Count()) {
        SetPoint(index, x[i], y[i], z[i]);
      } else if (std::isnan(y[i])) {
        AddNull();
      } else if (plot_ == plDigit) {
        AddPoint(x[i], y[i], z[i]);
      } else {
        AddArray(index, 1, x + i, y + i, z + i);
      }
    }
    return true;
  }
  const int overlap = std::clamp(series_->Count() - offset, 0, count);
  SetArray(offset, overlap, x, y, z);
  AddArray(offset + overlap, count - overlap, x + overlap, y + overlap, z + overlap);
  return true;
}

void CTrace::SwitchLogOffForData() {
  if (series_->Count() == 0 || !vertAxis_->Logarithmic()) return;
  if (GetMinimum() > 0) return;
  if (diagram_ != nullptr && diagram_->GetTraceCount() == 1) {
    diagram_->SetAxisYLogarithmicScale(false);
  } else {
    SetAxisYLogarithmicScale(false);
  }
}

// ---------------------------------------------------------------------------------------
// The pipeline

void CTrace::ProcessData(bool& reset, int& size, int& offset, int& count, double*& x, double*& y, double*& z) {
  if (!PV_ASSERT_MSG(size >= 0 && offset >= 0 && count >= 0, "Size >= 0 && Offset >= 0 && Cnt >= 0")) return;
  if (!PV_ASSERT_MSG(count == 0 || (x != nullptr && y != nullptr), "x != NULL && y != NULL")) return;

  // 1. A new sweep: another size, a reset from the source, nothing received yet, or a block
  // that does not continue the sweep (math traces take blocks at any offset).
  const bool unexpected = offset != nextOffset_ && count > 0 && GetTraceType() != L"Math";
  if (SrcSize() != size || reset || sweepStart_ == -1 || unexpected) {
    reset = true;
    source_.resize(static_cast<std::size_t>(size), SourcePoint{0.0, 0.0, 0.0});
    if (IsSpectrum()) spectrum_->Storage().SetSrcSize(size);
    if (ZeroRange() || zeroActive_) zeroStep_ = size < 2 ? 0.0 : zeroWidth_ / (size - 1);
    series_->Clear();
    nextOffset_ = sweepStart_ = offset;
    received_ = 0;
    if (IsSpectrum() && size > 1) spectrum_->SetColumns(size);
    for (int i = 0; i < offset && i < size; ++i) AddNull();
  }
  // 2.
  if (!PV_ASSERT_MSG(count + offset <= size, "Cnt + Offset <= Size")) return;
  // 3. - 6.
  hasZ_ = z != nullptr;
  nextOffset_ = SrcSize() > 0 ? (nextOffset_ + count) % SrcSize() : 0;
  SourcePoint* dst = source_.data() + offset;
  if (z != nullptr) {
    for (int i = 0; i < count; ++i) dst[i] = {x[i], y[i], z[i]};
  } else {
    for (int i = 0; i < count; ++i) {
      dst[i].x = x[i];
      dst[i].y = y[i];
    }
  }
  if (IsSpectrum()) spectrum_->Storage().AddSrcArray(offset, count, y, x);
  if (received_ < SrcSize()) {
    received_ += count;
    if (received_ >= SrcSize()) {
      received_ = SrcSize();
      sweepStart_ = nextOffset_;
    }
  }

  // 7.
  struct SProcessing {
    bool& flag;
    bool saved;
    explicit SProcessing(bool& f) : flag(f), saved(f) { flag = true; }
    ~SProcessing() { flag = saved; }
  } processing(processing_);
  const bool resetBefore = reset;
  ProcessDynFilters(reset, size, offset, count, x, y, z, true);
  if (!PV_ASSERT_MSG(size >= 0 && offset >= 0 && count >= 0 && count + offset <= size, "Cnt + Offset <= Size"))
    return;

  // 8. One-point sweeps show as digits; the previous plot comes back when the sweep grows.
  if (size == 1 && plot_ != plDigit) {
    SetPlot(plDigit);
    if (diagram_ != nullptr) diagram_->UpdatePropPages(2);
  } else if (plot_ == plDigit && size > 1 && plotBeforeDigit_ >= 0) {
    const EPlot back = static_cast<EPlot>(plotBeforeDigit_);
    plotBeforeDigit_ = -1;
    SetPlot(back);
    if (diagram_ != nullptr) diagram_->UpdatePropPages(2);
  }
  // 9.
  if (reset && !resetBefore) series_->Clear();

  // 10.
  series_->BeginUpdate();
  while (series_->Count() < offset) AddNull();
  if (ZeroRange()) {
    zeroCentre_ = zeroWidth_ / 2 + stimStart_;
    zeroActive_ = true;
  }
  const bool allowNan = measurement_ != nullptr && !measurement_->GetParameter(L"allow_NAN").empty();
  const bool written = WriteBlock(offset, count, x, y, hasZ_ ? z : nullptr, allowNan);
  series_->EndUpdate();

  // 11.
  if (written) {
    SwitchLogOffForData();
    if (!IsSpectrum()) Repaint();
  }
  // 12. - 14.
  ProcessStaticFilters(reset, size, offset, count);
  if (offset + count >= size && !HasAccumulatedData()) NotifySweepEnded();
  if (permanentAutoScale_ && visible_ && Count() == SrcSize() && SrcSize() > 0 &&
      (offset + count) % SrcSize() == sweepStart_)
    SetAutoScale();
}

void CTrace::NotifySweepEnded() {
  if (onSweepEnded_) onSweepEnded_();
}

void CTrace::ProcessDynFilters(bool& reset, int& size, int& offset, int& count, double*& x, double*& y,
                               double*& z, bool readBack) {
  if (filters_.empty()) return;
  CPropertiesList& props = properties_;
  // By reference: a block passes the filters without allocating.
  const std::wstring& responseQuantity = SrcQuantityRef(vtResponse);
  props.SetText(L"ex_response_quantity", responseQuantity);
  props.SetText(L"response_quantity", responseQuantity);
  props.SetText(L"stimulus_quantity", SrcQuantityRef(vtStimulus));
  props.SetNumber(L"stimulus_start", GetStimulusStart());
  props.SetNumber(L"stimulus_stop", GetStimulusStop());
  props.SetNumber(L"response_fraction", fraction_[vtResponse]);
  props.SetNumber(L"ex_response_fraction", fraction_[vtResponse]);
  props.SetNumber(L"acc_data", accData_);
  props.SetNumber(L"reprocess_data", 0);
  props.SetNumber(L"active_filters_num", 0);

  int active = 0;
  for (SFilterEntry& entry : filters_) {
    if (entry.dynamic == nullptr || !entry.filter->GetEnabled()) continue;
    props.SetNumber(L"active_filters_num", ++active);
    try {
      entry.dynamic->ProcessDataEx(reset, offset, count, size, x, y, z, &props);
    } catch (const std::exception& e) {
      std::wstring text = Tr("Исключение в функции ProcessDataEx фильтра \"%0\":\n%1");
      ReplaceString(text, L"%0", entry.name);
      ReplaceString(text, L"%1", Utf8ToWide(e.what()));
      QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
    } catch (...) {
      std::wstring text = Tr("Неизвестное исключение в функции ProcessDataEx фильтра \"%0\"");
      ReplaceString(text, L"%0", entry.name);
      QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
    }
  }
  if (!readBack) return;

  const std::wstring& stimQuantity = props.GetText(L"stimulus_quantity");
  if (measurement_ != nullptr && stimQuantity != channelQuantity_[vtStimulus] && diagram_ != nullptr &&
      diagram_->GetAxisXLogarithmicScale() && GetTraceType() != L"Memory")
    diagram_->SetAxisXLogarithmicScale(false);
  if (ownHorizAxis_) {
    const double start = props.GetNumber(L"stimulus_start");
    const double stop = props.GetNumber(L"stimulus_stop");
    if (std::isfinite(start) && std::isfinite(stop) && SetStimulusRange(start, stop)) Update();
  }
  if (stimQuantity != QuantityRef(vtStimulus)) SetQuantity(vtStimulus, stimQuantity.c_str());
  accData_ = props.GetNumber(L"acc_data") != 0 ? 1 : 0;
}

void CTrace::ProcessStaticFilters(bool reset, int size, int offset, int count) {
  for (SFilterEntry& entry : filters_) entry.filter->Process(reset, size, offset, count);
  if ((count > 0 || reset) && diagram_ != nullptr && !updateBlocked_) {
    IMarkersManager* markers = diagram_->GetMarkers();
    if (markers != nullptr) {
      markers->Update(this);
      if (offset + count == size) markers->UpdateStat(this, reset);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Filters

void CTrace::SetFilterFactory(IModulesFactory* factory) {
  if (factory == filterFactory_) return;
  DestroyFilters();
  filterFactory_ = factory;
}

void CTrace::LoadFilters(const std::wstring& list) {
  if (filterFactory_ == nullptr) return;
  try {
    std::size_t begin = 0;
    while (begin <= list.size()) {
      std::size_t end = list.find(L'|', begin);
      if (end == std::wstring::npos) end = list.size();
      const std::wstring name = list.substr(begin, end - begin);
      begin = end + 1;
      if (name.empty()) continue;
      try {
        bool found = false;
        for (int i = 0; i < filterFactory_->Count() && !found; ++i) {
          if (!EqualsNoCase(filterFactory_->GetName(i), name)) continue;
          found = true;
          void* instance = nullptr;
          if (filterFactory_->CreateInstance(instance, i) != 0 || instance == nullptr) break;
          SFilterEntry entry;
          entry.filter = static_cast<CFilter*>(instance);
          entry.dynamic = dynamic_cast<CDynamicFilter*>(entry.filter);
          entry.name = filterFactory_->GetName(i);
          entry.filter->SetTrace(this);
          filters_.push_back(std::move(entry));
        }
        if (!found) LogMessage(L"Trace", L"filter " + name + L" is not among the plug-ins: its processing is left out");
      } catch (...) {
        std::wstring text = Tr("Возникло исключение при загрузке фильтра %0 ");
        ReplaceString(text, L"%0", name);
        QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
      }
    }
  } catch (...) {
    QuorMessageBox(nullptr, Tr("Исключение при загрузке фильтров"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
  }
}

void CTrace::ReleaseFilterEntry(SFilterEntry& entry) {
  if (entry.filter == nullptr) return;
  const int result = filterFactory_ != nullptr ? filterFactory_->DestroyInstance(entry.filter) : -1;
  PV_ASSERT(result == 0);
  entry.filter = nullptr;
  entry.dynamic = nullptr;
}

void CTrace::DestroyFilters() {
  for (SFilterEntry& entry : filters_) ReleaseFilterEntry(entry);
  filters_.clear();
}

CFilter* CTrace::GetFilter(unsigned index) const {
  if (!PV_ASSERT_MSG(index < filters_.size(), "Index<Filters.size()")) return nullptr;
  return filters_[index].filter;
}

CFilter* CTrace::GetFilter(const wchar_t* name) const {
  if (name == nullptr) return nullptr;
  for (const SFilterEntry& entry : filters_) {
    if (EqualsNoCase(entry.name, name)) return entry.filter;
  }
  return nullptr;
}

void CTrace::FiltersTraceChanged() {
  for (SFilterEntry& entry : filters_) entry.filter->TraceChanged();
}

void CTrace::FiltersTraceMeasurementChanged(bool& reprocess, EMeasureParam kind) {
  for (SFilterEntry& entry : filters_) entry.filter->MeasurementChanged(reprocess, kind);
}

void CTrace::FiltersDiagramChanged() {
  for (SFilterEntry& entry : filters_) entry.filter->DiagramChanged();
}

void CTrace::FilterParametersUpdated(bool reprocess) {
  if (reprocess && IsSpectrum() && spectrum_->Storage().GetSrcLevelCount() > 0) {
    // Every stored source sweep goes through the chain again, oldest first.
    CSpectrumStorage& storage = spectrum_->Storage();
    CStorage history(storage.SrcStorage());
    storage.ClearStorage();
    const int width = history.GetSize();
    std::vector<double> values;
    for (int level = 0; level < history.GetLevelCount(); ++level) {
      int stamp = 0;
      if (!history.GetLevel(level, values, stamp) || width <= 0) continue;
      bool reset = true;
      int size = width, offset = 0, count = width;
      double* bx = new double[static_cast<std::size_t>(width)];
      double* by = new double[static_cast<std::size_t>(width)];
      double* bz = nullptr;
      for (int i = 0; i < width; ++i) {
        bx[i] = history.GetStimulus(i);
        by[i] = values[static_cast<std::size_t>(i)];
      }
      ProcessData(reset, size, offset, count, bx, by, bz);
      delete[] bx;
      delete[] by;
      delete[] bz;
    }
    return;
  }
  if (!reprocess || sweepStart_ == -1 || SrcSize() == 0) {
    bool reset = true;
    int size = SrcSize(), offset = 0, count = 0;
    double *bx = nullptr, *by = nullptr, *bz = nullptr;
    ProcessDynFilters(reset, size, offset, count, bx, by, bz, true);
    delete[] bx;
    delete[] by;
    delete[] bz;
    series_->Clear();
    if (visible_) ProcessStaticFilters(true, SrcSize(), 0, 0);
    Repaint();
    return;
  }
  ReplayFilters();
}

void CTrace::ReplayFilters() {
  // The received points go through ProcessData again in at most two blocks: from the sweep's
  // start to the end of the buffer, then the rest from 0.
  const int total = SrcSize();
  const int start = sweepStart_;
  const int received = received_;
  const bool second = hasZ_;
  const int firstCount = std::min(total - start, received);
  const int blocks[2][2] = {{start, firstCount}, {0, received - firstCount}};
  for (int b = 0; b < 2; ++b) {
    int offset = blocks[b][0];
    int count = blocks[b][1];
    if (b == 1 && count <= 0) break;
    if (!PV_ASSERT_MSG(count >= 0, "Cnt>=0")) return;
    double* bx = new double[static_cast<std::size_t>(count)];
    double* by = new double[static_cast<std::size_t>(count)];
    double* bz = second ? new double[static_cast<std::size_t>(count)] : nullptr;
    for (int i = 0; i < count; ++i) {
      const SourcePoint& p = source_[static_cast<std::size_t>(offset + i)];
      bx[i] = p.x;
      by[i] = p.y;
      if (bz != nullptr) bz[i] = p.z;
    }
    bool reset = b == 0;
    int size = total;
    ProcessData(reset, size, offset, count, bx, by, bz);
    delete[] bx;
    delete[] by;
    delete[] bz;
  }
}

// ---------------------------------------------------------------------------------------

void CTrace::Assign(TraceInterface* other) {
  auto* source = dynamic_cast<CTrace*>(other);
  if (source == nullptr || source == this) return;
  for (int t = 0; t < 3; ++t) {
    quantity_[t] = source->quantity_[t];
    srcQuantity_[t] = source->srcQuantity_[t];
    fraction_[t] = source->fraction_[t];
  }
  lineWidth_ = source->lineWidth_;
  lineStyle_ = source->lineStyle_;
  pointSize_ = source->pointSize_;
  refPosition_ = source->refPosition_;
  permanentAutoScale_ = source->permanentAutoScale_;
  SetScaleMinMax(source->scaleMin_, source->scaleMax_);
  SetPlot(source->plot_);
  ApplyPen();
}

bool CTrace::SaveDataToFile(const wchar_t* fileName) {
  if (!IsSpectrum() || fileName == nullptr) return false;
  return spectrum_->Storage().SaveDataToFile(fileName);
}

// ---------------------------------------------------------------------------------------

void CTraceMathSource::ProcessStaticFilters(bool reset, int size, int offset, int count) {
  CTrace::ProcessStaticFilters(reset, size, offset, count);
  if (diagram_ == nullptr) return;
  for (unsigned i = 0; i < diagram_->GetTraceCount(); ++i) {
    TraceInterface* trace = diagram_->Trace(i);
    if (trace == this || trace == nullptr || trace->GetTraceType() != L"Math") continue;
    if (auto* math = dynamic_cast<CTraceMathSource*>(trace)) math->SourceDataChanged(this, reset, size, offset, count);
  }
}

void CTraceMathSource::SourceDataChanged(CTraceMathSource*, bool, int, int, int) {}
