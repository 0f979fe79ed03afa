#include "QuantityFilter.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>
#include <memory>
#include <numbers>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/Xml.h"
#include "core/DiagCommonLib.h"

namespace {

// Rows of the conversion-mode table this filter treats specially (the table keeps its
// numbers, see common/Units.h).
enum EQuantityMode {
  qmLogMag = 0,
  qmLinMag = 1,
  qmPhase = 2,
  qmUnwrapped = 3,
  qmGroupDelay = 4,
  qmVswr = 5,
  qmReal = 6,
  qmImag = 7,
  qmSmith = 8,
  qmPolar = 9,
  qmImpedance = 10,
  qmAdmittance = 11,
  qmPowerDbm = 12,
  qmPowerMw = 13,
  qmLevelDbm = 14,
  qmLevelMw = 15,
  qmLevelDbuv = 16,
  qmLevelV = 17,
  qmSpectrogram = 18,
  qmWaterfall = 19,
  qmHeatMap = 20,
};

// The plot a row draws in; plRect for the rows that draw an ordinary line.
EPlot ModePlot(int mode) {
  switch (mode) {
    case qmSmith: return plSmith;
    case qmPolar: return plPolar;
    case qmSpectrogram: return plSpectrogram;
    case qmWaterfall: return plWaterfall;
    case qmHeatMap: return plHeatMap;
    default: return plRect;
  }
}

bool OwnPlot(EPlot plot) {
  return plot == plSmith || plot == plPolar || plot == plSpectrogram || plot == plWaterfall || plot == plHeatMap;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;
constexpr double kDegPerRad = 180.0 / kPi;
// −dφ/dω in nanoseconds from dφ/df in radians per hertz (ω = 2πf).
constexpr double kGroupDelayScale = -1e9 / (2.0 * kPi);
constexpr double kDefaultImpedance = 50.0;
constexpr const wchar_t* kLogSource = L"Filter";

// Where a format is undefined the result is NaN, never ±inf: a NaN is drawn as a gap and
// read out as "Н/Д", while an infinity would pull the autoscale and the markers away.
//   - any infinite or NaN component gives NaN in every computed format;
//   - zero magnitude: no log magnitude and no phase (NaN); the linear magnitude is 0;
//   - |Γ| ≥ 1: the VSWR is +inf (the one infinity that is a meaningful reading: total
//     reflection);
//   - Γ = 1 (open) has no finite impedance and Γ = −1 (short) no finite admittance: NaN in
//     both components.

inline double LogMagnitude(double re, double im) {
  const double m = std::hypot(re, im);
  return m > 0.0 && m < kInf ? 20.0 * std::log10(m) : kNaN;
}

inline double LinMagnitude(double re, double im) {
  const double m = std::hypot(re, im);
  return m < kInf ? m : kNaN;
}

// Radians in [−π, π]; NaN where the phase is undefined.
inline double WrappedPhase(double re, double im) {
  if (!std::isfinite(re) || !std::isfinite(im) || (re == 0.0 && im == 0.0)) return kNaN;
  return std::atan2(im, re);
}

// Degrees in (−180, 180].
inline double PhaseDegrees(double re, double im) {
  const double deg = WrappedPhase(re, im) * kDegPerRad;
  return deg <= -180.0 ? deg + 360.0 : deg;
}

inline double Vswr(double re, double im) {
  const double m = std::hypot(re, im);
  if (!(m < kInf)) return kNaN;
  return m >= 1.0 ? kInf : (1.0 + m) / (1.0 - m);
}

// Z = Z0 (1 + Γ) / (1 − Γ) = Z0 ((1 − |Γ|²) + 2i·Im Γ) / |1 − Γ|².
inline void Impedance(double re, double im, double z0, double& outRe, double& outIm) {
  const double den = (1.0 - re) * (1.0 - re) + im * im;
  if (!std::isfinite(re) || !std::isfinite(im) || den == 0.0) {
    outRe = outIm = kNaN;
    return;
  }
  const double scale = z0 / den;
  outRe = (1.0 - re * re - im * im) * scale;
  outIm = 2.0 * im * scale;
}

// Y = 1 / Z = ((1 − |Γ|²) − 2i·Im Γ) / (Z0 |1 + Γ|²).
inline void Admittance(double re, double im, double z0, double& outRe, double& outIm) {
  const double den = (1.0 + re) * (1.0 + re) + im * im;
  if (!std::isfinite(re) || !std::isfinite(im) || den == 0.0) {
    outRe = outIm = kNaN;
    return;
  }
  const double scale = 1.0 / (z0 * den);
  outRe = (1.0 - re * re - im * im) * scale;
  outIm = -2.0 * im * scale;
}

inline double PowerToDbm(double mw) { return mw > 0.0 && mw < kInf ? 10.0 * std::log10(mw) : kNaN; }

// y[i] := f(re, im) over a block; a missing imaginary part is zero.
template <class F>
void MapScalar(int count, double* y, const double* z, F f) {
  if (z != nullptr) {
    for (int i = 0; i < count; ++i) y[i] = f(y[i], z[i]);
  } else {
    for (int i = 0; i < count; ++i) y[i] = f(y[i], 0.0);
  }
}

// (y[i], z[i]) := f(re, im); without z only the real part of the result is kept.
template <class F>
void MapComplex(int count, double* y, double* z, F f) {
  if (z != nullptr) {
    for (int i = 0; i < count; ++i) f(y[i], z[i], y[i], z[i]);
  } else {
    double im = 0.0;
    for (int i = 0; i < count; ++i) f(y[i], 0.0, y[i], im);
  }
}

// A whole integer with optional surrounding spaces; false for anything else.
bool ParseInteger(const std::wstring& text, long& value) {
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  value = std::wcstol(begin, &end, 10);
  if (end == begin || errno == ERANGE) return false;
  while (*end != L'\0' && std::iswspace(static_cast<wint_t>(*end))) ++end;
  return *end == L'\0';
}

// Units of the dBm conversions, built once: the per-point calls must not allocate.
const std::wstring& UnitText(int mode) {
  static const std::wstring kUnits[] = {L"dBm", L"mW", L"dBuV", L"V"};
  switch (mode) {
    case qmLevelMw: return kUnits[1];
    case qmLevelDbuv: return kUnits[2];
    case qmLevelV: return kUnits[3];
    default: return kUnits[0];
  }
}

}  // namespace

CQuantityFilter::CQuantityFilter() {
  // The display format is always on; no trace is attached yet, so nothing to announce.
  enabled_ = true;
  UpdateStatus();
}

int CQuantityFilter::DefaultMode(const std::wstring& source) {
  for (int i = 0; i < GetModeCount(); ++i)
    if (GetModeSrc(i) == source) return i;
  return -1;
}

void CQuantityFilter::ProcessData(bool& changed, int& offset, int& count, int& size, double*& x,
                                  double*& y, double*& z) {
  ProcessDataEx(changed, offset, count, size, x, y, z, nullptr);
}

void CQuantityFilter::ProcessDataEx(bool& changed, int& offset, int& count, int& size, double*& x,
                                    double*& y, double*& z, IPropertiesList* properties) {
  if (!enabled_) return;
  // The trace names the source quantity with every block; reading it from the list costs no
  // allocation, asking the trace does, so the trace is asked only while nothing is known.
  if (properties != nullptr && properties->GetKind(L"response_quantity") == pkText) {
    const std::wstring& source = properties->GetText(L"response_quantity");
    if (source != source_) SetSource(source);
  } else if (trace_ != nullptr && source_.empty()) {
    SetSource(trace_->GetSrcQuantity(vtResponse));
  }
  if (passThrough_) return;
  if (!PV_ASSERT(offset >= 0 && count >= 0 && offset + count <= size)) return;
  if (count == 0) {
    if (changed || offset == 0) ForgetSweep();
    return;
  }
  if (!PV_ASSERT(y != nullptr)) return;

  switch (mode_) {
    case qmLogMag: MapScalar(count, y, z, LogMagnitude); break;
    case qmLinMag: MapScalar(count, y, z, LinMagnitude); break;
    case qmPhase: MapScalar(count, y, z, PhaseDegrees); break;
    case qmUnwrapped:
      BeginBlock(changed, offset, count, size);
      ProcessUnwrapped(count, y, z);
      break;
    case qmGroupDelay:
      if (!PV_ASSERT(x != nullptr)) return;
      BeginBlock(changed, offset, count, size);
      ProcessGroupDelay(offset, count, size, x, y, z);
      break;
    case qmVswr: MapScalar(count, y, z, Vswr); break;
    case qmImag:
      if (z != nullptr)
        std::copy(z, z + count, y);
      else
        std::fill(y, y + count, 0.0);
      break;
    case qmImpedance: {
      const double z0 = ReferenceImpedance();
      MapComplex(count, y, z, [z0](double re, double im, double& r, double& i) { Impedance(re, im, z0, r, i); });
      break;
    }
    case qmAdmittance: {
      const double z0 = ReferenceImpedance();
      MapComplex(count, y, z, [z0](double re, double im, double& r, double& i) { Admittance(re, im, z0, r, i); });
      break;
    }
    case qmPowerDbm: MapScalar(count, y, nullptr, [](double v, double) { return PowerToDbm(v); }); break;
    case qmLevelMw:
    case qmLevelDbuv:
    case qmLevelV: {
      const std::wstring& from = UnitText(qmLevelDbm);
      const std::wstring& to = UnitText(mode_);
      const double z0 = ReferenceImpedance();
      for (int i = 0; i < count; ++i) y[i] = PlainConvert(y[i], from, to, z0);
      break;
    }
    default:  // real part, Smith, polar, mW and dBm as delivered
      break;
  }
}

// ---- Phase formats -------------------------------------------------------------------------

void CQuantityFilter::ForgetSweep() {
  nextOffset_ = -1;
  havePhase_ = false;
  turns_ = 0.0;
  heldBack_ = false;
}

// A block continues the sweep only where the previous one ended; a reset, the sweep's first
// point, a size change or a gap starts the phase over.
void CQuantityFilter::BeginBlock(bool changed, int offset, int count, int size) {
  if (changed || offset == 0 || offset != nextOffset_ || size != sweepSize_) {
    ForgetSweep();
    sweepSize_ = size;
    segmentStart_ = offset;
  }
  nextOffset_ = offset + count;
}

// Removes the jumps of the wrapped phase as numpy's unwrap does: a step of more than π
// (exactly π is kept) is taken as a full turn. Undefined points are skipped and stay NaN.
double CQuantityFilter::Unwrap(double wrapped) {
  if (std::isnan(wrapped)) return kNaN;
  if (havePhase_) {
    const double step = wrapped - lastWrapped_;
    if (step > kPi)
      turns_ -= 1.0;
    else if (step < -kPi)
      turns_ += 1.0;
  }
  havePhase_ = true;
  lastWrapped_ = wrapped;
  return wrapped + turns_ * (2.0 * kPi);
}

void CQuantityFilter::ProcessUnwrapped(int count, double* y, const double* z) {
  for (int i = 0; i < count; ++i) y[i] = Unwrap(WrappedPhase(y[i], z != nullptr ? z[i] : 0.0)) * kDegPerRad;
}

// dφ/df at a point of the received part of the sweep, as numpy's gradient computes it:
// second-order central differences inside (the non-uniform form, which is the plain
// (f₊ − f₋)/2h for even spacing), one-sided at the ends. Written over the two differences
// rather than the values so that a large unwrapped phase loses no digits.
double CQuantityFilter::GroupDelayAt(int i) const {
  const bool left = i > segmentStart_;
  const bool right = i + 1 < sweepSize_;
  const double* f = phase_.data();
  const double* s = stimulus_.data();
  double slope = kNaN;
  if (left && right) {
    const double hd = s[i] - s[i - 1];
    const double hs = s[i + 1] - s[i];
    slope = (hs * hs * (f[i] - f[i - 1]) + hd * hd * (f[i + 1] - f[i])) / (hd * hs * (hd + hs));
  } else if (right) {
    slope = (f[i + 1] - f[i]) / (s[i + 1] - s[i]);
  } else if (left) {
    slope = (f[i] - f[i - 1]) / (s[i] - s[i - 1]);
  }
  const double delay = slope * kGroupDelayScale;
  return std::isfinite(delay) ? delay : kNaN;
}

// The stimulus and unwrapped phase of the sweep are kept in buffers sized once per sweep
// size. A point's delay needs its right neighbour, so a block that does not end the sweep
// sends its points except the last, together with the last point of the previous block:
// the same number of points, moved to offset − 1, written in place. The block that ends the
// sweep has one point more than its arrays hold: it gets new arrays (from new[], since the
// caller frees whatever the references hold after the call) and the caller's are freed
// here: one allocation per sweep that arrives in several blocks, none for a whole sweep.
// The imaginary part carries no meaning in this format and is set to NaN.
void CQuantityFilter::ProcessGroupDelay(int& offset, int& count, int size, double*& x, double*& y,
                                        double*& z) {
  if (static_cast<int>(stimulus_.size()) < size) {
    stimulus_.resize(size);
    phase_.resize(size);
  }
  const int end = offset + count;
  for (int j = 0; j < count; ++j) {
    stimulus_[offset + j] = x[j];
    phase_[offset + j] = Unwrap(WrappedPhase(y[j], z != nullptr ? z[j] : 0.0));
  }

  const bool sweepEnd = end == size;
  const int first = heldBack_ ? offset - 1 : offset;
  const int last = sweepEnd ? end - 1 : end - 2;
  const int n = std::max(0, last - first + 1);
  if (n > count) {
    std::unique_ptr<double[]> nx(new double[n]);
    std::unique_ptr<double[]> ny(new double[n]);
    std::unique_ptr<double[]> nz(z != nullptr ? new double[n] : nullptr);
    delete[] x;
    delete[] y;
    delete[] z;
    x = nx.release();
    y = ny.release();
    z = nz.release();
  }
  for (int k = 0; k < n; ++k) {
    x[k] = stimulus_[first + k];
    y[k] = GroupDelayAt(first + k);
  }
  if (z != nullptr) std::fill(z, z + n, kNaN);
  heldBack_ = !sweepEnd;
  offset = first;
  count = n;
}

// ---- Settings and the trace ----------------------------------------------------------------

void CQuantityFilter::SetSource(const std::wstring& source) {
  if (source == source_) return;
  source_ = source;
  passThrough_ = false;
  if (!source_.empty() && GetModeSrc(mode_) != source_) {
    const int fallback = DefaultMode(source_);
    if (fallback < 0)
      passThrough_ = true;  // the mode is kept for when convertible data return
    else
      mode_ = fallback;
  }
  ForgetSweep();
  Announce();
  UpdateStatus();
}

void CQuantityFilter::SetMode(int mode, const std::wstring& text) {
  const bool inTable = mode >= 0 && mode < GetModeCount();
  const bool known = !source_.empty() && !passThrough_;
  if (!inTable || (known && GetModeSrc(mode) != source_)) {
    const int fallback = known ? DefaultMode(source_) : 0;
    LogMessage(kLogSource, inTable ? L"QUANTITY: mode \"" + text + L"\" does not convert \"" + source_ +
                                         L"\" data; mode " + std::to_wstring(fallback) + L" is used"
                                   : L"QUANTITY: mode \"" + text + L"\" is not in the display-format table; mode " +
                                         std::to_wstring(fallback) + L" is used");
    mode = fallback;
  }
  if (mode != mode_) {
    mode_ = mode;
    z0Known_ = false;
    ForgetSweep();
  }
  Announce();
  UpdateStatus();
}

void CQuantityFilter::SetModeText(const std::wstring& text) {
  long value = -1;
  if (!ParseInteger(text, value) || value < INT_MIN || value > INT_MAX) value = -1;
  SetMode(static_cast<int>(value), text);
}

void CQuantityFilter::Announce() {
  if (trace_ == nullptr || !enabled_) return;
  if (passThrough_) {
    // Shown as delivered; a plot the source chose (spectrogram …) is left alone.
    trace_->SetQuantity(vtResponse, L"");
    return;
  }
  trace_->SetQuantity(vtResponse, GetModeDst(mode_).c_str());
  // Rows with a plot of their own draw in it; the others leave such a plot for the line.
  const EPlot plot = trace_->GetPlot(), wanted = ModePlot(mode_);
  if (wanted != plRect ? plot != wanted : OwnPlot(plot)) trace_->SetPlot(wanted);
}

// Disabled, the filter leaves the data as delivered, so the trace shows them so.
void CQuantityFilter::RestoreDelivered() {
  if (trace_ == nullptr) return;
  trace_->SetQuantity(vtResponse, L"");
  if (!passThrough_ && ModePlot(mode_) != plRect && OwnPlot(trace_->GetPlot())) trace_->SetPlot(plRect);
}

// Read when first needed after the channel changed: "impedance" in ohms, 50 when the channel
// has none or it is no positive number.
double CQuantityFilter::ReferenceImpedance() {
  if (z0Known_) return z0_;
  z0_ = kDefaultImpedance;
  z0Known_ = true;
  MeasurementInterface* channel = trace_ != nullptr ? trace_->Measurement() : nullptr;
  if (channel == nullptr) return z0_;
  const std::wstring text = channel->GetParameter(L"impedance");
  if (text.empty()) return z0_;
  try {
    const double value = StrToDouble(WideToUtf8(text).c_str());
    if (value > 0.0 && value < kInf) z0_ = value;
  } catch (const std::exception&) {
  }
  return z0_;
}

void CQuantityFilter::TraceChanged() {
  if (trace_ != nullptr) SetSource(trace_->GetSrcQuantity(vtResponse));
}

void CQuantityFilter::MeasurementChanged(bool& reprocess, EMeasureParam kind) {
  switch (kind) {
    case mpAttached:
      z0Known_ = false;
      [[fallthrough]];
    case mpResponseQuantity:
      if (trace_ != nullptr) SetSource(trace_->GetSrcQuantity(vtResponse));
      ForgetSweep();
      reprocess = true;
      break;
    case mpParameter: {
      MeasurementInterface* channel = trace_ != nullptr ? trace_->Measurement() : nullptr;
      if (channel != nullptr && channel->GetLastParameter() == L"impedance") {
        z0Known_ = false;
        if (!passThrough_ && (mode_ == qmImpedance || mode_ == qmAdmittance || mode_ == qmLevelDbuv ||
                              mode_ == qmLevelV))
          reprocess = true;
      }
      break;
    }
    default:
      break;
  }
}

void CQuantityFilter::Serialize(pugi::xml_node node, const char* name) {
  pugi::xml_node element =
      name != nullptr && *name != '\0' ? GetElementOrCreate(pugi::xpath_node(node), Utf8ToWide(name)) : node;
  AddAttribute(element, L"mode", mode_);
  AddAttribute(element, L"enabled", enabled_);
}

void CQuantityFilter::Deserialize(pugi::xml_node node, const char* name) {
  pugi::xml_node element = name != nullptr && *name != '\0' ? node.child(name) : node;
  if (!element) return;
  const std::wstring mode = GetNodeWideStringValue(element, L"@mode");
  if (!mode.empty()) SetModeText(mode);
  // The trace disables a filter while it reads; a file without the flag keeps it on.
  SetEnabled(GetNodeBoolValue(element, L"@enabled", true));
  UpdateStatus();
}

std::wstring CQuantityFilter::GetParameter(const wchar_t* name) {
  if (name != nullptr && std::wcscmp(name, L"mode") == 0) return std::to_wstring(mode_);
  return CFilter::GetParameter(name);
}

void CQuantityFilter::SetParameter(const wchar_t* name, const wchar_t* value) {
  CFilter::SetParameter(name, value);
  if (name != nullptr && std::wcscmp(name, L"mode") == 0) SetModeText(value != nullptr ? value : L"");
}

void CQuantityFilter::Assign(CFilter* other) {
  auto* source = dynamic_cast<CQuantityFilter*>(other);
  if (!PV_ASSERT(source != nullptr) || source == this) return;
  parameters_ = source->parameters_;
  SetMode(source->mode_, std::to_wstring(source->mode_));
}

void CQuantityFilter::UpdateFilter() {
  Announce();
  FilterParametersUpdated(true);
}

void CQuantityFilter::ChangedEnabled(bool enabled) {
  ForgetSweep();
  if (enabled)
    Announce();
  else
    RestoreDelivered();
  UpdateStatus();
}

void CQuantityFilter::UpdateStatus() {
  statusLine_ = enabled_ && !passThrough_ ? GetModeDst(mode_) : std::wstring();
}
