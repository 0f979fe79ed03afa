#include "traces/Trace.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <cstdint>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "chart/Series.h"
#include "common/Assert.h"
#include "common/Log.h"
#include "common/Matrix.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/UserInteraction.h"
#include "core/DiagCommonLib.h"
#include "core/PluginManager.h"
#include "filters/Filter.h"
#include "measurements/Measurement.h"
#include "series/DigitSeries.h"
#include "series/LogSeries.h"
#include "series/PolarSeries.h"
#include "series/SpectrumSeries.h"
#include "traces/Touchstone.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool ValidType(EDataValueType type) {
  return PV_ASSERT_MSG(type == vtStimulus || type == vtResponse || type == vtResponseIm,
                       "Invalid value type in arguments list");
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  return a == b || (a.size() == b.size() && ToUpperText(a) == ToUpperText(b));
}

}  // namespace

std::atomic<std::uint64_t> CTrace::nextId_{0};

CTrace::CTrace(DiagramInterface* diagram) : diagram_(diagram) {
  CreateAxes();
  MakeRenderer();
  if (diagram_ != nullptr) {
    filterFactory_ = diagram_->GetFilterFactory();
    if (filterFactory_ != nullptr) LoadFilters(diagram_->GetOption(L"IncludedFilters"));
  }
}

CTrace::~CTrace() {
  automation_.Release();
  AnnounceRemoval();
  DestroyFilters();
  series_.reset();
  if (measurement_ != nullptr) RemoveMeasurement(measurement_);
  RemoveAxes();
}

void CTrace::Subscribe(ITraceObserver* observer) {
  if (observer != nullptr && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void CTrace::Unsubscribe(ITraceObserver* observer) { std::erase(observers_, observer); }

void CTrace::Announce(ETraceChange kind, int offset, int count, int size, bool reset) {
  const STraceChange change{kind, this, offset, count, size, reset};
  // A subscriber may subscribe or leave while it is told, or (tcChannelGone) destroy the
  // trace: walk by position and stop once the trace is gone.
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    ITraceObserver* observer = observers_[i];
    observer->TraceChanged(change);
    if (kind == tcChannelGone) return;  // the owner may have destroyed the trace
    if (i < observers_.size() && observers_[i] != observer) --i;  // it left: the next moved up
  }
}

void CTrace::AnnounceRemoval() {
  if (removalAnnounced_) return;
  removalAnnounced_ = true;
  Announce(tcRemoved);
  observers_.clear();
}

void CTrace::RemoveAxes() {
  if (Chart() == nullptr) return;
  if (horizAxis_ != nullptr) Chart()->RemoveCustomAxis(horizAxis_);
  if (vertAxis_ != nullptr) Chart()->RemoveCustomAxis(vertAxis_);
  horizAxis_ = vertAxis_ = nullptr;
}

void CTrace::SetDiagram(DiagramInterface* diagram) {
  if (diagram == diagram_) return;
  // The renderer and the axes live on the chart of the diagram; they move with the trace.
  const bool logarithmic = vertAxis_ != nullptr && vertAxis_->Logarithmic();
  series_->SetChart(nullptr);
  RemoveAxes();
  diagram_ = diagram;
  ownChart_.reset();
  CreateAxes();
  vertAxis_->SetLogarithmic(logarithmic);
  horizAxis_->SetInverted(measurement_ != nullptr && measurement_->HasReversedSweep());
  boundAxis_ = baNone;
  AttachRenderer();
  FiltersDiagramChanged();
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

void CTrace::MakeRenderer() {
  std::unique_ptr<CChartSeries> fresh = Kind().makeRenderer();
  if (!PV_ASSERT_MSG(fresh != nullptr, "Исключение при создании Series")) return;
  series_ = std::move(fresh);  // the old renderer leaves the chart as it is destroyed
  display_.KeepZ(Kind().imaginary);
  series_->SetSource(&display_, Kind().horiz, Kind().vert);
  AttachRenderer();
  ApplyPen();
  if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) {
    spectrum->SetParentTrace(this);
    spectrum->Storage().SetTraceName(name_);
    spectrum->SetStimulusRange(stimStart_, stimStop_);
    const double ref = GetScaleRef(), div = GetScaleDiv();
    spectrum->SetMinMax(ref - refPosition_ * div, ref + (10 - refPosition_) * div);
    if (measurement_ != nullptr && measurement_->GetPointsCount() > 0)
      spectrum->SetColumns(measurement_->GetPointsCount());
  }
  if (auto* circle = dynamic_cast<TQuorCircleSeries*>(series_.get())) circle->SetDisplayRect(polarScale_);
  if (auto* digit = dynamic_cast<TQuorDigitSeries*>(series_.get()))
    digit->SetFormatSource([this] {
      const std::wstring& quantity = QuantityRef(vtResponse);
      return TQuorDigitSeries::SFormat{quantity, std::min(fraction_[1], GetUnitsFractionSize(quantity))};
    });
  if (auto* log = dynamic_cast<TQuorLogSeries*>(series_.get()); log != nullptr && stimStart_ > 0 && stimStop_ > 0)
    log->SetStimulusRange(stimStart_, stimStop_);
}

void CTrace::AttachRenderer() {
  series_->SetChart(Chart());
  series_->SetHorizAxis(horizAxis_);
  CChartAxis* bound = diagram_ != nullptr ? diagram_->GetBindAxis(boundAxis_) : nullptr;
  series_->SetVertAxis(bound != nullptr ? bound : vertAxis_);
  series_->SetColor(color_);
  series_->SetVisible(visible_);
}

TQuorSpectrumSeries* CTrace::SpectrumSeries() const {
  return Kind().spectrum ? static_cast<TQuorSpectrumSeries*>(series_.get()) : nullptr;
}

void CTrace::ApplyPen() {
  if (auto* points = dynamic_cast<CPointSeries*>(series_.get())) {
    points->SetPenWidth(pointSize_);
    points->SetPointRadius(std::max(pointSize_ / 2, 1));
    return;
  }
  series_->SetPenWidth(lineWidth_);
  series_->SetPenStyle(lineStyle_);
}

// ---------------------------------------------------------------------------------------
// Look

void CTrace::SetName(const std::wstring& name) {
  name_ = name;
  if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) spectrum->Storage().SetTraceName(name);
  Announce(tcLook);
}

void CTrace::SetVisible(bool visible) {
  visible_ = visible;
  series_->SetVisible(visible);
  Announce(tcLook);
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
  Announce(tcLook);
}

void CTrace::SetLineWidth(int width) {
  lineWidth_ = std::max(width, 1);
  ApplyPen();
  Announce(tcLook);
}

void CTrace::SetLineStyle(EPenStyle style) {
  lineStyle_ = style;
  ApplyPen();
  Announce(tcLook);
}

void CTrace::Repaint() { Announce(tcLook); }

void CTrace::Update() {
  if (updateBlocked_) return;
  FiltersTraceChanged();
  Announce(tcLook);
}

// ---------------------------------------------------------------------------------------
// Plot kinds

bool CTrace::SetPlot(EPlot plot) {
  if (!IsPlotKind(plot)) return false;
  if (plot == plot_) return true;
  // A one-point sweep holds the trace in the digit read-out until the sweep grows again.
  if (plot_ == plDigit && plotBeforeDigit_ >= 0) return true;

  const SPlotKind& to = PlotKind(plot);
  const bool keepHistory = Kind().spectrum && to.spectrum;
  if (to.remembers) plotBeforeDigit_ = plot_;
  plot_ = plot;
  if (keepHistory) {
    SpectrumSeries()->SetSeriesMode(to.mode);
  } else {
    MakeRenderer();
    if (to.spectrum) SpectrumSeries()->SetSeriesMode(to.mode);
  }
  if (!to.circle && !to.spectrum && !to.remembers) vertAxis_->SetLogarithmic(false);  // lines
  horizAxis_->SetLogarithmic(to.logStimulus);
  ApplyPen();
  // Outside the pipeline the new renderer is filled from what was received, so a plot
  // change shows the data at once (a memory trace gets no other data).
  if (!processing_ && !keepHistory && sweepStart_ != -1 && SrcSize() > 0) FilterParametersUpdated(true);
  Announce(tcPlot);
  return true;
}

// ---------------------------------------------------------------------------------------
// Channel

void CTrace::SetStimulusFromChannel(double start, double stop) {
  // The channel keeps its range in base units already (its multiplier applied).
  SetStimulusRange(start, stop);
}

void CTrace::SetMeasurement(MeasurementInterface* measurement) {
  if (measurement == measurement_) return;
  auto* channel = dynamic_cast<CMeasurement*>(measurement);
  if (measurement != nullptr && !PV_ASSERT_MSG(channel != nullptr, "pMeasurement!=NULL")) return;

  ClearValues();
  sweepStart_ = -1;
  if (plot_ == plLog && (channel == nullptr || channel->GetResponseQuantity() != L"dBc/Hz")) SetPlot(plRect);
  if (measurement_ != nullptr) RemoveMeasurement(measurement_);
  measurement_ = channel;
  RefreshChannelQuantities();
  if (measurement_ != nullptr) AddMeasurement(measurement_);
  if (measurement_ != nullptr && !ownHorizAxis_)
    SetStimulusFromChannel(measurement_->GetStimulusStart(), measurement_->GetStimulusStop());
  Announce(tcChannel);
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
  SetStimulusFromChannel(measurement_->GetStimulusStart(), measurement_->GetStimulusStop());
  if (TQuorSpectrumSeries* spectrum = SpectrumSeries(); spectrum != nullptr && measurement_->GetPointsCount() > 1)
    spectrum->SetColumns(measurement_->GetPointsCount());
}

void CTrace::UpdateDisplayParameters() {
  if (ownHorizAxis_) {
    SetStimulusRange(ownStart_, ownStop_);
  } else if (measurement_ != nullptr) {
    SetStimulusFromChannel(measurement_->GetDisplayStimStart(), measurement_->GetDisplayStimStop());
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
      if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) {
        const std::wstring effective = q.empty() ? GetSrcQuantity(vtResponse) : q;
        if (effective == L"SGram") spectrum->SetSeriesMode(smSpectrogram);
        if (effective == L"SGramWF") spectrum->SetSeriesMode(smWaterfall);
        if (effective == L"SGramHM") spectrum->SetSeriesMode(smHeatMap);
        Announce(tcPlot);  // the view of the history may have changed
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

double CTrace::SrcValue(EDataValueType type, unsigned index) const {
  if (!ValidType(type)) return kNaN;
  if (!PV_ASSERT_MSG(static_cast<int>(index) < SrcSize(), "int(index)<SrcSize()")) return kNaN;
  if (const TQuorSpectrumSeries* spectrum = SpectrumSeries()) {
    double x = kNaN, y = kNaN;
    const CSpectrumStorage& storage = spectrum->Storage();
    const int level = storage.GetSrcLevelCount() - 1;
    if (level >= 0 && storage.GetSrcPoint(static_cast<int>(index), x, y, level)) {
      if (type == vtStimulus) return x;
      if (type == vtResponse) return y;
      return kNaN;
    }
  }
  if (type == vtStimulus) return srcX_[index];
  if (type == vtResponse) return srcY_[index];
  return srcZ_.empty() ? 0.0 : srcZ_[index];
}

double CTrace::Value(EDataValueType type, unsigned index, bool raw) const {
  if (!ValidType(type)) return kNaN;
  if (!PV_ASSERT_MSG(static_cast<int>(index) < Count(), "(int)index<Series->Count()")) return kNaN;
  const SPlotKind& kind = Kind();
  switch (type) {
    case vtStimulus: {
      // A null point has no stimulus; a point whose value is NaN keeps its own.
      const double x = display_.X()[index];
      if (std::isnan(x)) return kNaN;
      return zeroActive_ && !raw && kind.zeroSpanShown ? zeroCentre_ : x;
    }
    case vtResponse:
      return display_.Y()[index];
    case vtResponseIm:
      if (!PV_ASSERT_MSG(kind.imaginary && display_.Z() != nullptr, "Invalid coordinate system type")) return kNaN;
      return display_.Z()[index];
  }
  PV_ASSERT_MSG(false, "Unknown coordinate system type");
  return kNaN;
}

double CTrace::XValueMin() const { return Count() > 0 ? Value(vtStimulus, 0) : 0.0; }

double CTrace::XValueMax() const { return Count() > 0 ? Value(vtStimulus, static_cast<unsigned>(Count() - 1)) : 0.0; }

// The response (the real part in the complex kinds) over the points the kind draws.
double CTrace::GetMaximum() const { return display_.Extreme(scY, Kind().horiz, Kind().vert, true); }

double CTrace::GetMinimum() const { return display_.Extreme(scY, Kind().horiz, Kind().vert, false); }

// ---------------------------------------------------------------------------------------
// Writing into the display buffer

const double* CTrace::ZeroSpanX(int first, int count, const double* x) {
  if (!(zeroSpan_ || zeroActive_) || zeroStep_ == 0.0) return x;
  if (scratchX_.size() < static_cast<std::size_t>(count)) scratchX_.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) scratchX_[i] = x[i] - zeroWidth_ / 2 + (first + i) * zeroStep_;
  return scratchX_.data();
}

void CTrace::ClearValues() {
  display_.Clear();
  srcX_.clear();
  srcY_.clear();
  srcZ_.clear();
  if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) spectrum->Storage().ClearStorage();
  Announce(tcCleared);
}

void CTrace::WriteBlock(const SBlock& block, bool allowNan) {
  const int offset = block.offset, count = block.count;
  const double* x = ZeroSpanX(offset, count, block.x);
  const double* y = block.y;
  const double* z = hasZ_ ? block.z : nullptr;
  const int overlap = std::clamp(display_.Count() - offset, 0, count);
  if (allowNan || plot_ == plDigit) {
    // Point by point: beyond what is there, a NaN response is a gap.
    for (int i = 0; i < count; ++i) {
      const double zi = z != nullptr ? z[i] : kNaN;
      if (i < overlap) {
        display_.Set(offset + i, x[i], y[i], zi);
      } else if (std::isnan(y[i])) {
        display_.AppendNulls(1);
      } else {
        display_.Append(x + i, y + i, z != nullptr ? z + i : nullptr, 1);
      }
    }
  } else {
    display_.Replace(offset, x, y, z, overlap);
    display_.Append(x + overlap, y + overlap, z != nullptr ? z + overlap : nullptr, count - overlap);
  }
  series_->SourceWritten(offset, count);
}

// ---------------------------------------------------------------------------------------
// The pipeline

void CTrace::ProcessData(bool& reset, int& size, int& offset, int& count, double*& x, double*& y, double*& z) {
  SBlock block{reset, offset, count, size, x, y, z};
  Process(block);
  reset = block.first;
  size = block.size;
  offset = block.offset;
  count = block.count;
  x = block.x;
  y = block.y;
  z = block.z;
}

namespace {

// to[i] = keep[i] = m · from[i]. The working copy `to` is read again at once and stays in
// the cache; the source buffer `keep` is read only when the chain replays, so its stores
// bypass the cache and leave it to the data that is still being worked on.
void CopyTwice(const double* from, double* to, double* keep, int n, double m) {
  int i = 0;
#if defined(__SSE2__)
  for (; i < n && (reinterpret_cast<std::uintptr_t>(keep + i) & 15) != 0; ++i) keep[i] = to[i] = m * from[i];
  const __m128d mm = _mm_set1_pd(m);
  for (; i + 2 <= n; i += 2) {
    const __m128d v = _mm_mul_pd(mm, _mm_loadu_pd(from + i));
    _mm_storeu_pd(to + i, v);
    _mm_stream_pd(keep + i, v);
  }
  _mm_sfence();
#endif
  for (; i < n; ++i) keep[i] = to[i] = m * from[i];
}

// offset + count <= size, for any ints (no sum that could overflow).
bool FitsIn(int offset, int count, int size) {
  return size >= 0 && offset >= 0 && count >= 0 && offset <= size && count <= size - offset;
}

}  // namespace

void CTrace::Process(SBlock& block, const SHostArrays* host) {
  if (!PV_ASSERT_MSG(block.size >= 0 && block.offset >= 0 && block.count >= 0, "Size >= 0 && Offset >= 0 && Cnt >= 0"))
    return;
  if (!PV_ASSERT_MSG(block.count == 0 || (block.x != nullptr && block.y != nullptr), "x != NULL && y != NULL")) return;
  if (!PV_ASSERT_MSG(FitsIn(block.offset, block.count, block.size), "Cnt + Offset <= Size")) return;

  // 1. A new sweep: another size, a reset from the source, nothing received yet, or a block
  // that does not continue the sweep (math traces take blocks at any offset).
  const bool unexpected = block.offset != nextOffset_ && block.count > 0 && GetTraceType() != L"Math";
  if (SrcSize() != block.size || block.first || sweepStart_ == -1 || unexpected) {
    block.first = true;
    try {
      const std::size_t n = static_cast<std::size_t>(block.size);
      srcX_.resize(n, 0.0);
      srcY_.resize(n, 0.0);
      if (!srcZ_.empty()) srcZ_.resize(n, 0.0);
      display_.Clear();
      if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) {
        spectrum->Storage().SetSrcSize(block.size);
        if (block.size > 1) spectrum->SetColumns(block.size);
      }
    } catch (const std::bad_alloc&) {
      srcX_.clear();
      srcY_.clear();
      srcZ_.clear();
      display_.Clear();
      sweepStart_ = -1;
      PV_ASSERT_MSG(false, "not enough memory for the sweep");
      return;
    }
    if (ZeroRange() || zeroActive_) zeroStep_ = block.size < 2 ? 0.0 : zeroWidth_ / (block.size - 1);
    nextOffset_ = sweepStart_ = block.offset;
    received_ = 0;
  }
  // 3. - 6.
  hasZ_ = block.z != nullptr;
  nextOffset_ = SrcSize() > 0 ? static_cast<int>((static_cast<long long>(nextOffset_) + block.count) % SrcSize()) : 0;
  if (block.z != nullptr && srcZ_.size() != srcX_.size()) {
    // The first block with a second component: the source keeps one from now on.
    try {
      srcZ_.resize(srcX_.size(), 0.0);
    } catch (const std::bad_alloc&) {
      PV_ASSERT_MSG(false, "not enough memory for the sweep");
      return;
    }
  }
  double* sx = srcX_.data() + block.offset;
  double* sy = srcY_.data() + block.offset;
  double* sz = block.z != nullptr ? srcZ_.data() + block.offset : nullptr;
  const double *x = block.x, *y = block.y;
  if (host != nullptr) {
    // One pass over the host's arrays fills the working block and the source buffer.
    CopyTwice(host->x, block.x, sx, block.count, host->multiplier);
    CopyTwice(host->y, block.y, sy, block.count, 1.0);
    if (sz != nullptr) CopyTwice(host->z, block.z, sz, block.count, 1.0);
  } else {
    std::copy(x, x + block.count, sx);
    std::copy(y, y + block.count, sy);
    if (sz != nullptr) std::copy(block.z, block.z + block.count, sz);
  }
  if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) spectrum->Storage().AddSrcArray(block.offset, block.count, y, x);
  if (received_ < SrcSize()) {
    received_ = block.count < SrcSize() - received_ ? received_ + block.count : SrcSize();
    if (received_ == SrcSize()) sweepStart_ = nextOffset_;
  }

  // 7.
  struct SProcessing {
    bool& flag;
    bool saved;
    explicit SProcessing(bool& f) : flag(f), saved(f) { flag = true; }
    ~SProcessing() { flag = saved; }
  } processing(processing_);
  const bool resetBefore = block.first;
  ProcessDynFilters(block.first, block.size, block.offset, block.count, block.x, block.y, block.z, true);
  if (!PV_ASSERT_MSG(FitsIn(block.offset, block.count, block.size), "Cnt + Offset <= Size")) return;
  if (!PV_ASSERT_MSG(block.count == 0 || (block.x != nullptr && block.y != nullptr), "x != NULL && y != NULL"))
    return;

  // 8. One-point sweeps show as digits; the previous plot comes back when the sweep grows.
  if (block.size == 1 && plot_ != plDigit) {
    SetPlot(plDigit);
  } else if (plot_ == plDigit && block.size > 1 && plotBeforeDigit_ >= 0) {
    const EPlot back = static_cast<EPlot>(plotBeforeDigit_);
    plotBeforeDigit_ = -1;
    SetPlot(back);
  }
  // 9.
  if (block.first && !resetBefore) display_.Clear();

  // 10.
  hasZ_ = block.z != nullptr;
  if (display_.Count() < block.offset) {
    const int from = display_.Count();
    display_.AppendNulls(block.offset - from);
    series_->SourceWritten(from, block.offset - from);
  }
  if (ZeroRange()) {
    zeroCentre_ = zeroWidth_ / 2 + stimStart_;
    zeroActive_ = true;
  }
  const bool allowNan = measurement_ != nullptr && !measurement_->GetParameter(L"allow_NAN").empty();
  if (block.count > 0) WriteBlock(block, allowNan);

  // 11. - 14.
  ProcessStaticFilters(block.first, block.size, block.offset, block.count);
  if (block.offset + block.count >= block.size && !HasAccumulatedData()) NotifySweepEnded();
  if (permanentAutoScale_ && visible_ && Count() == SrcSize() && SrcSize() > 0 &&
      (block.offset + block.count) % SrcSize() == sweepStart_)
    SetAutoScale();
}

void CTrace::NotifySweepEnded() { Announce(tcSweepEnded); }

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
  if ((count > 0 || reset) && !updateBlocked_) Announce(tcData, offset, count, size, reset);
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
  const TQuorSpectrumSeries* spectrum = SpectrumSeries();
  if (reprocess && spectrum != nullptr && spectrum->Storage().GetSrcLevelCount() > 0) {
    ReplayHistory();
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
    display_.Clear();
    if (visible_) ProcessStaticFilters(true, SrcSize(), 0, 0);
    Announce(tcCleared);
    return;
  }
  ReplayFilters();
}

void CTrace::ReplayHistory() {
  // Every stored source sweep goes through the chain again, oldest first.
  CSpectrumStorage& storage = SpectrumSeries()->Storage();
  const CStorage history(storage.SrcStorage());
  storage.ClearStorage();
  const int width = history.GetSize();
  std::vector<double> values;
  CBlockBuffers replay;
  for (int level = 0; level < history.GetLevelCount(); ++level) {
    int stamp = 0;
    if (!history.GetLevel(level, values, stamp) || width <= 0) continue;
    SBlock block{true, 0, width, width};
    if (!replay.Prepare(block, width, false)) return;
    for (int i = 0; i < width; ++i) {
      block.x[i] = history.GetStimulus(i);
      block.y[i] = values[static_cast<std::size_t>(i)];
    }
    Process(block);
    replay.Settle(block);
  }
}

void CTrace::ReplayFilters() {
  // The received points go through the pipeline again in at most two blocks: from the
  // sweep's start to the end of the buffer, then the rest from 0.
  const int total = SrcSize();
  const int start = sweepStart_;
  const int received = received_;
  const bool second = hasZ_ && srcZ_.size() == srcX_.size();
  const int firstCount = std::min(total - start, received);
  const int blocks[2][2] = {{start, firstCount}, {0, received - firstCount}};
  CBlockBuffers replay;  // held only while replaying
  for (int b = 0; b < 2; ++b) {
    const int offset = blocks[b][0];
    const int count = blocks[b][1];
    if (b == 1 && count <= 0) break;
    if (!PV_ASSERT_MSG(count >= 0, "Cnt>=0")) return;
    SBlock block{b == 0, offset, count, total};
    if (!replay.Prepare(block, count, second)) return;
    std::copy(srcX_.begin() + offset, srcX_.begin() + offset + count, block.x);
    std::copy(srcY_.begin() + offset, srcY_.begin() + offset + count, block.y);
    if (block.z != nullptr) std::copy(srcZ_.begin() + offset, srcZ_.begin() + offset + count, block.z);
    Process(block);
    replay.Settle(block);
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
  if (fileName == nullptr) return false;
  const std::wstring path = fileName;
  const std::size_t dot = path.find_last_of(L'.');
  const std::wstring ext = dot == std::wstring::npos ? std::wstring() : ToLowerText(path.substr(dot + 1));
  if (TQuorSpectrumSeries* spectrum = SpectrumSeries(); spectrum != nullptr && ext == L"trs")
    return spectrum->Storage().SaveDataToFile(fileName);
  if (ext == L"s1p" || ext == L"ts") {
    // The received complex sweep as the reflection of a one-port, over frequency in Hz.
    if (!hasZ_ || srcZ_.size() != srcX_.size() || SrcSize() == 0) return false;
    STouchstoneData network;
    network.ports = 1;
    network.reference = {50.0};
    network.frequencies = srcX_;
    network.values.resize(srcX_.size());
    for (std::size_t i = 0; i < srcX_.size(); ++i) network.values[i] = {srcY_[i], srcZ_[i]};
    return static_cast<bool>(SaveTouchstone(path, network, ext == L"ts" ? 2 : 1, tfRI));
  }
  // The drawn values, a row a point: stimulus, response [, imaginary part for the circle kinds].
  const std::wstring stimulus = GetQuantity(vtStimulus);
  const bool hz = stimulus.find(L"Hz") != std::wstring::npos;
  const double divisor = ext == L"trc" && hz && measurement_ != nullptr ? measurement_->GetStimulusMultiplier() : 1.0;
  const bool third = Kind().circle;
  const int n = Count();
  CDoubleMatrix matrix(static_cast<std::size_t>(n), third ? 3 : 2);
  for (int i = 0; i < n; ++i) {
    const unsigned k = static_cast<unsigned>(i);
    double x = Value(vtStimulus, k);
    if (!hz) x = round_to(x, -GetFractionSize(vtStimulus));
    matrix(k, 0) = x / divisor;
    matrix(k, 1) = round_to(Value(vtResponse, k), -12);
    if (third) matrix(k, 2) = round_to(Value(vtResponseIm, k), -12);
  }
  return SaveCustomMatrixToFile(path, matrix, ext == L"csv" ? static_cast<unsigned>(mfCommaSeparated) : 0u) == mrOk;
}
