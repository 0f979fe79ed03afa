// Stimulus range, response scale, autoscale and the conversions between chart pixels and
// values of a trace.
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "chart/Series.h"
#include "common/Assert.h"
#include "common/Units.h"
#include "core/AutoScale.h"
#include "core/Locate.h"
#include "measurements/Measurement.h"
#include "series/LogSeries.h"
#include "series/PolarSeries.h"
#include "series/SpectrumSeries.h"
#include "traces/Trace.h"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

// ---------------------------------------------------------------------------------------
// Stimulus

double CTrace::GetStimulusMultiplier() const {
  if (ownHorizAxis_) {
    if (ownStimQuantity_ == L"s") return 1e-9;
    return 1.0;  // "m", and a positive factor for anything else
  }
  return measurement_ != nullptr ? measurement_->GetStimulusMultiplier() : 1.0;
}

void CTrace::RecalcOptimal() {
  const bool reversed = measurement_ != nullptr && measurement_->HasReversedSweep();
  const std::wstring quantity = GetQuantity(vtStimulus);
  const double first = reversed ? stimStop_ : stimStart_;
  const double second = reversed ? stimStart_ : stimStop_;
  CalcOptimalValue(first, optMantissa_[0], optExponent_[0], quantity);
  CalcOptimalValue(second, optMantissa_[1], optExponent_[1], quantity);
  CalcOptimalValue((stimStop_ - stimStart_) / 2 + stimStart_, optMantissa_[2], optExponent_[2], quantity);
}

bool CTrace::SetStimulusRange(double start, double stop) {
  const bool reversed = measurement_ != nullptr && measurement_->HasReversedSweep();
  if (start == stimStart_ && stop == stimStop_ && reversed == horizAxis_->Inverted()) return false;

  const bool wasZero = zeroSpan_;
  stimStart_ = start;
  stimStop_ = stop;
  zeroSpan_ = start == stop;
  RecalcOptimal();
  if (zeroSpan_) {
    zeroWidth_ = std::pow(10.0, optExponent_[0]) * 1e-8;
    stimStart_ -= zeroWidth_ / 2;
    stimStop_ += zeroWidth_ / 2;
    const int points = measurement_ != nullptr ? measurement_->GetPointsCount() : SrcSize();
    zeroStep_ = points < 2 ? 0.0 : zeroWidth_ / (points - 1);
  }
  horizAxis_->SetMinMax(stimStart_, stimStop_);
  horizAxis_->SetInverted(reversed);

  if (Kind().logStimulus) {
    auto* log = dynamic_cast<TQuorLogSeries*>(series_.get());
    if (PV_ASSERT_MSG(log != nullptr, "LogSeries != NULL") && stimStart_ > 0 && stimStop_ > 0)
      log->SetStimulusRange(stimStart_, stimStop_);
  } else if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) {
    spectrum->SetStimulusRange(stimStart_, stimStop_);
    if (measurement_ != nullptr && measurement_->GetPointsCount() > 0)
      spectrum->SetColumns(measurement_->GetPointsCount());
  }
  if (wasZero != zeroSpan_ && !std::isnan(zeroCentre_)) SetZeroSpanStimulus(zeroSpan_);
  if (!zeroSpan_) zeroActive_ = false;
  Announce(tcStimulus);
  return true;
}

bool CTrace::StimulusReversed() const { return horizAxis_->Inverted(); }

void CTrace::SetZeroSpanStimulus(bool enteringZero) {
  // Stimulus values already shown move onto the synthetic time axis, or back to the centre.
  if (!PV_ASSERT_MSG(stimStop_ > stimStart_, "MaxScaleValue_X>MinScaleValue_X")) return;
  if (!Kind().zeroSpanShown) return;
  double* x = display_.MutableX();
  for (int i = 0, n = display_.Count(); i < n; ++i) {
    if (std::isnan(x[i])) continue;  // a gap stays a gap
    x[i] = enteringZero ? x[i] + i * zeroStep_ - zeroWidth_ / 2 : zeroCentre_;
  }
  display_.StimulusChanged();
}

void CTrace::SetOwnHorizAxis(bool on) {
  const std::wstring quantity = GetQuantity(vtStimulus);
  if (on == ownHorizAxis_ && ownStart_ == stimStart_ && ownStop_ == stimStop_ && ownStimQuantity_ == quantity)
    return;
  ownHorizAxis_ = on;
  ownStart_ = stimStart_;
  ownStop_ = stimStop_;
  ownStimQuantity_ = quantity;
  RecalcOptimal();
  UpdateDisplayParameters();
  Announce(tcStimulus);  // the diagram hides its bars while a trace has its own axis
}

void CTrace::GetOptimalRange(double& start, int& startExp, double& stop, int& stopExp, double& centre,
                             int& centreExp) const {
  GetOptimalStart(start, startExp);
  GetOptimalStop(stop, stopExp);
  centre = optMantissa_[2];
  centreExp = optExponent_[2];
}

void CTrace::GetOptimalStart(double& mantissa, int& exponent) const {
  mantissa = optMantissa_[0];
  exponent = optExponent_[0];
}

void CTrace::GetOptimalStop(double& mantissa, int& exponent) const {
  mantissa = optMantissa_[1];
  exponent = optExponent_[1];
}

// ---------------------------------------------------------------------------------------
// Response scale

// The list, the bars and every scale setter ask for these many times per change of scale.
const CTrace::SScaleShown& CTrace::Shown() const {
  if (shown_.min != scaleMin_ || shown_.max != scaleMax_ || shown_.position != refPosition_) {
    shown_.min = scaleMin_;
    shown_.max = scaleMax_;
    shown_.position = refPosition_;
    shown_.div = round_to(0.1 * (scaleMax_ - scaleMin_), -9);
    shown_.ref = round_to(scaleMax_ - 0.1 * (scaleMax_ - scaleMin_) * (10 - refPosition_), -10);
  }
  return shown_;
}

double CTrace::GetScaleDiv() const { return Shown().div; }

double CTrace::GetScaleRef() const { return Shown().ref; }

double CTrace::GetMinScaleDiv() const {
  const std::wstring quantity = GetQuantity(vtResponse);
  if (quantity == L"R(dB)" || quantity == L"T(dB)") return 0.01;
  if (quantity.find(L"dB") != std::wstring::npos && measurement_ != nullptr &&
      !measurement_->GetParameter(L"reference_level").empty())
    return 0.01;
  return 1e-6;
}

double CTrace::GetResponseScaleStart() const {
  if (Kind().waterfall) return SpectrumSeries()->GetWaterfallScaleStart();
  return scaleMin_;
}

double CTrace::GetResponseScaleStop() const {
  if (Kind().waterfall) return SpectrumSeries()->GetWaterfallScaleStop();
  return scaleMax_;
}

void CTrace::SetScaleMinMax(double min, double max) {
  if (plot_ == plDigit) return;
  if (!std::isfinite(min) || !std::isfinite(max)) {
    PV_ASSERT_MSG(false, "MaxNew>MinNew");
    return;
  }
  PV_ASSERT_MSG(max > min, "MaxNew>MinNew");
  min = round_to(min, -9);
  max = round_to(max, -9);
  const double minDiv = GetMinScaleDiv();
  if (max - min < 10 * minDiv) {
    const double centre = (min + max) / 2;
    min = centre - 5 * minDiv;
    max = centre + 5 * minDiv;
  }
  if (vertAxis_->Logarithmic() && min < 1e-9) {
    const double dataMin = GetMinimum();
    min = dataMin <= 0 || Count() == 0 ? 0.0 : std::pow(10.0, std::floor(std::log10(dataMin)));
  }
  scaleMin_ = min;
  scaleMax_ = max;
  vertAxis_->SetMinMax(min, max);
  if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) spectrum->SetMinMax(min, max);
  Announce(tcScale);
  Update();
}

void CTrace::SetScale(double ref, double div) {
  if (std::isnan(ref) || std::isnan(div)) return;
  ref = std::clamp(ref, -1e9, 1e9);
  div = std::clamp(div, GetMinScaleDiv(), 1e9);
  SetScaleMinMax(ref - refPosition_ * div, ref + (10 - refPosition_) * div);
}

void CTrace::SetScaleRef(double ref) { SetScale(ref, GetScaleDiv()); }

void CTrace::SetScaleDiv(double div) { SetScale(GetScaleRef(), div); }

void CTrace::SetRefPosition(int position) {
  const double ref = GetScaleRef();
  const double div = GetScaleDiv();
  refPosition_ = std::clamp(position, 0, 10);
  SetScale(ref, div);
}

void CTrace::SetDelayedScale(double ref, double div) {
  delayedRef_ = ref;
  delayedDiv_ = div;
}

bool CTrace::GetDelayedScale(double& ref, double& div) const {
  ref = delayedRef_;
  div = delayedDiv_;
  return !std::isnan(delayedRef_) && !std::isnan(delayedDiv_);
}

void CTrace::ClearDelayedScale() { delayedRef_ = delayedDiv_ = kNaN; }

bool CTrace::GetAxisYLogarithmicScale() const { return vertAxis_->Logarithmic(); }

bool CTrace::SetAxisYLogarithmicScale(bool on) {
  if (plot_ == plDigit) return !on;
  if (vertAxis_->Logarithmic() == on) return true;
  const bool hasPoints = Count() > 0;
  if (on) {
    const double minimum = GetMinimum();
    if (hasPoints && minimum <= 0) return false;
    refPosition_ = 10;
    double lo, hi;
    if (!hasPoints) {
      lo = scaleMin_ <= 0 ? 0.0 : scaleMin_;
      hi = scaleMax_ <= 0 ? 1.0 : scaleMax_;
    } else {
      lo = std::pow(10.0, std::floor(std::log10(minimum)));
      hi = std::pow(10.0, std::ceil(std::log10(GetMaximum())));
    }
    scaleMin_ = lo;
    scaleMax_ = hi;
    vertAxis_->SetMinMax(lo, hi);
  }
  vertAxis_->SetLogarithmic(on);
  if (!hasPoints) {
    SetScaleMinMax(scaleMin_, scaleMax_);
  } else {
    SetAutoScale();
  }
  return true;
}

void CTrace::SetAutoScale() {
  if (!visible_ || Count() == 0 || Kind().circle) return;
  const double minimum = GetMinimum();
  const double maximum = GetMaximum();
  if (!std::isfinite(minimum) || !std::isfinite(maximum)) return;
  const double minDiv = GetMinScaleDiv();
  if (!IsFixedRef()) {
    double centre = 0, div = 0;
    AutoScale(minimum, maximum, centre, div, minDiv);
    SetScale(centre + (refPosition_ - 5) * div, div);
  } else {
    const double ref = GetScaleRef();
    if (ref <= minimum) return;
    double d = std::max(0.1 * (ref - minimum), minDiv);
    const double k = std::pow(10.0, std::floor(std::log10(d)));
    d = std::ceil(d / k) * k;
    SetScaleDiv(d);
  }
  Update();
}

void CTrace::BindTrace(EBindedAxis axis, bool bind) {
  CChartAxis* target = bind && diagram_ != nullptr ? diagram_->GetBindAxis(axis) : nullptr;
  if (target == nullptr) {
    series_->SetVertAxis(vertAxis_);
    boundAxis_ = baNone;
  } else {
    series_->SetVertAxis(target);
    boundAxis_ = axis;
    if (target->Logarithmic() != vertAxis_->Logarithmic()) {
      target->SetMinMax(scaleMin_, scaleMax_);
      target->SetLogarithmic(vertAxis_->Logarithmic());
    }
  }
  Announce(tcScale);
}

// ---------------------------------------------------------------------------------------
// Pixels and values

double CTrace::CalcValueXPos(int pixel) const {
  const SRect rect = Chart()->PlotRect();
  if (!PV_ASSERT_MSG(rect.Width() != 0 && rect.Height() != 0, "ChartRect.Width()!=0 && ChartRect.Height()!=0"))
    return kNaN;
  const double value = horizAxis_->CalcPosPoint(pixel);
  if (pixel <= rect.left || pixel >= rect.right) return value;
  int k;
  if (plot_ == plLog) {
    k = value > 0 ? std::max(static_cast<int>(std::floor(std::log10(value))) - 2, -3) : -3;
  } else {
    const double step = std::fabs(stimStop_ - stimStart_) / rect.Width();
    if (!(step > 0)) return value;
    k = static_cast<int>(std::floor(std::log10(step)));
  }
  return round_to(value, k);
}

double CTrace::CalcValueYPos(int pixel) const {
  const SRect rect = Chart()->PlotRect();
  if (!PV_ASSERT_MSG(rect.Width() != 0 && rect.Height() != 0, "ChartRect.Width()!=0 && ChartRect.Height()!=0"))
    return kNaN;
  const CChartAxis* axis = series_->VertAxis();
  const double value = axis->CalcPosPoint(pixel);
  const double step = (axis->Maximum() - axis->Minimum()) / rect.Height();
  if (!(step > 0)) return value;
  return round_to(value, static_cast<int>(std::floor(std::log10(step))));
}

// The circle rectangle is computed again first: the chart or the region shown may have
// changed since the last paint.
double CTrace::CalcPolarXPos(int pixel) const {
  auto* circle = dynamic_cast<TQuorCircleSeries*>(series_.get());
  if (circle == nullptr) return 0.0;
  circle->CalcCircleRect();
  return circle->CalcReCoord(pixel);
}

double CTrace::CalcPolarYPos(int pixel) const {
  auto* circle = dynamic_cast<TQuorCircleSeries*>(series_.get());
  if (circle == nullptr) return 0.0;
  circle->CalcCircleRect();
  return circle->CalcImCoord(pixel);
}

double CTrace::CalcPosValue(EDataValueType type, double value) const {
  if (type == vtStimulus) return horizAxis_->CalcPosValue(value);
  if (type == vtResponse) return series_->VertAxis()->CalcPosValue(value);
  return -1;
}

SPointF CTrace::CalcPosValue(unsigned index) const {
  if (!PV_ASSERT_MSG(static_cast<int>(index) < SrcSize(), "(int)AValueIndex<SrcSize()")) return {};
  if (static_cast<int>(index) >= Count()) return {};
  if (auto* circle = dynamic_cast<TQuorCircleSeries*>(series_.get())) {
    circle->CalcCircleRect();
    return circle->GetPointAtValue(index);
  }
  if (!Kind().frame) return {};  // the digit read-out has no point positions
  return {CalcPosValue(vtStimulus, Value(vtStimulus, index)), CalcPosValue(vtResponse, Value(vtResponse, index))};
}

void CTrace::SetPolarScale(const SDoubleRect& rect) {
  if (!Kind().circle) return;
  polarScale_ = rect;
  static_cast<TQuorCircleSeries*>(series_.get())->SetDisplayRect(rect);
}

SDoubleRect CTrace::GetPolarScale() const {
  if (!Kind().circle) return {0, 0, 0, 0};
  return polarScale_;
}

double CTrace::ResponseByX(EDataValueType type, double x, bool raw, bool* isInterpolated) const {
  if (isInterpolated != nullptr) *isInterpolated = false;
  const int n = Count();
  if (n == 0 || std::isnan(x)) return kNaN;
  // Stimulus and response are read straight from the display buffer, which makes a read-out
  // one binary search (markers call this for every sweep).
  const double* xs = display_.X();
  const double* ys = type == vtResponse && !raw ? display_.Y() : nullptr;
  const auto stimulus = [&](int i) { return xs[i]; };
  const auto value = [&](int i) {
    if (ys != nullptr) return ys[i];
    return raw && i < SrcSize() ? SrcValue(type, static_cast<unsigned>(i)) : Value(type, static_cast<unsigned>(i));
  };
  double lo, hi;
  if (zeroSpan_) {
    lo = stimStart_;
    hi = stimStop_;
  } else {
    int first = 0, last = n - 1;
    while (first < n && std::isnan(stimulus(first))) ++first;
    if (first >= n) return kNaN;
    while (last > first && std::isnan(stimulus(last))) --last;
    lo = std::min(stimulus(first), stimulus(last));
    hi = std::max(stimulus(first), stimulus(last));
  }
  if (x < lo || x > hi) return kNaN;
  if (n == 1) return value(0);

  const SLocation at = LocateValue(n, xs, x);
  const double t = at.weight;
  if (isInterpolated != nullptr) *isInterpolated = t != 0.0 && t != 1.0;
  if (t == 1.0) return value(at.lo);
  if (t == 0.0) return value(at.hi);
  return t * value(at.lo) + (1 - t) * value(at.hi);
}
