#include "measurements/VirtualMeasurement.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Text.h"
#include "core/DiagCommonLib.h"

namespace {

using Complex = std::complex<double>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDefaultImpedance = 50.0;
const wchar_t* const kSParameterNames[] = {L"S11", L"S21", L"S12", L"S22"};

// The order of the four S-parameter sources, and of the elements of Z and Y.
enum { k11 = 0, k21 = 1, k12 = 2, k22 = 3 };

const char* const kNotNumeratorOrDenominator =
    "(Measurement->GetName() == m_NumeratorName) || (Measurement->GetName() == m_DenominatorName)";

const wchar_t* const kWaveRatioNames[] = {L"b2_a1_1", L"b1_a1_1", L"b2_b1_1", L"b1_b2_1",
                                          L"b1_a2_2", L"b2_a2_2", L"b1_b2_2", L"b2_b1_2"};

void Store(double* y, double* z, std::size_t i, Complex v) {
  if (std::isfinite(v.real()) && std::isfinite(v.imag())) {
    y[i] = v.real();
    z[i] = v.imag();
  } else {
    y[i] = z[i] = kNaN;
  }
}

double Finite(double v) { return std::isfinite(v) ? v : kNaN; }

double Sign(double v) { return v < 0 ? -1.0 : 1.0; }

}  // namespace

CVirtualMeasurement::CVirtualMeasurement(const wchar_t* name, const FindMeasurement& findMeasurement)
    : virtualName_(name != nullptr ? name : L"") {
  SetName(virtualName_);

  const std::wstring& n = virtualName_;
  if (std::find(std::begin(kWaveRatioNames), std::end(kWaveRatioNames), n) != std::end(kWaveRatioNames)) {
    kind_ = EKind::WaveRatio;
  } else if (n.size() == 3 && (n[0] == L'Z' || n[0] == L'Y') && (n[1] == L'1' || n[1] == L'2') &&
             (n[2] == L'1' || n[2] == L'2')) {
    kind_ = n[0] == L'Z' ? EKind::Z : EKind::Y;
    element_ = (n[1] - L'1') + 2 * (n[2] - L'1');  // 11, 21, 12, 22
  } else if (n == L"K") {
    kind_ = EKind::K;
  } else if (n == L"u1") {
    kind_ = EKind::Mu1;
  } else if (n == L"u2") {
    kind_ = EKind::Mu2;
  }
  if (!PV_ASSERT_MSG(kind_ != EKind::None, "unknown virtual measurement name")) {
    SetResponseQuantity(std::wstring());
    return;
  }

  std::wstring sourceNames[kMaxSources];
  if (kind_ == EKind::WaveRatio) {
    // "b2_a1_1": numerator wave, denominator wave, source port.
    const wchar_t portDigit = n[6];
    const int port = portDigit == L'1' ? 1 : portDigit == L'2' ? 2 : 0;
    PV_ASSERT(port != 0);
    const std::wstring direction = port == 2 ? L" (2->1)" : L" (1->2)";
    numeratorName_ = n.substr(0, 2) + direction;
    denominatorName_ = n.substr(3, 2) + direction;
    sourceNames[0] = numeratorName_;
    sourceNames[1] = denominatorName_;
    sourceCount_ = 2;
  } else {
    for (int i = 0; i < kMaxSources; ++i) sourceNames[i] = kSParameterNames[i];
    sourceCount_ = kMaxSources;
  }
  fullMask_ = static_cast<std::uint8_t>((1u << sourceCount_) - 1);

  for (int slot = 0; slot < sourceCount_; ++slot) {
    CMeasurement* pMeasurement = findMeasurement ? findMeasurement(sourceNames[slot]) : nullptr;
    if (!PV_ASSERT(pMeasurement)) continue;
    sources_[slot] = pMeasurement;
    AddMeasurement(pMeasurement);
  }
  ReadReferenceImpedances();
  // Sources configured before this channel was made describe it at once: their later changes
  // arrive as notices, the state they are in now does not.
  for (CMeasurement* source : sources_) {
    if (source == nullptr) continue;
    SetStimulusQuantity(source->GetStimulusQuantity());
    double start = source->GetStimulusStart() / GetStimulusMultiplier();
    double stop = source->GetStimulusStop() / GetStimulusMultiplier();
    if (source->HasReversedSweep()) std::swap(start, stop);
    SetStimulusRange(start, stop, true);
    SetInfo(source->GetInfo());
    if (source->GetPointsCount() > 0 && Reserve(source->GetPointsCount())) SetPointsCount(source->GetPointsCount());
    break;
  }
  SetResponseQuantity(std::wstring());
}

CVirtualMeasurement::~CVirtualMeasurement() {
  if (alive_ != nullptr) *alive_ = false;
  // Leave the sources before the channel part goes, so no source calls into a half-destroyed
  // object.
  while (GetMeasurementCount() > 0) RemoveMeasurement(GetMeasurement(GetMeasurementCount() - 1));
}

// ---- Sources ------------------------------------------------------------------------------

bool CVirtualMeasurement::IsRegistered(const CMeasurement* measurement) const {
  // A destroyed source detaches us before it goes; the slot keeps its stale address, so a
  // slot counts only while the channel is still in our list.
  const unsigned n = GetMeasurementCount();
  for (unsigned i = 0; i < n; ++i) {
    if (GetMeasurement(i) == measurement) return true;
  }
  return false;
}

CMeasurement* CVirtualMeasurement::Source(int slot) const {
  CMeasurement* m = sources_[slot];
  return m != nullptr && IsRegistered(m) ? m : nullptr;
}

int CVirtualMeasurement::SlotOf(const CMeasurement* measurement) const {
  if (measurement == nullptr) return -1;
  for (int slot = 0; slot < sourceCount_; ++slot) {
    if (sources_[slot] == measurement) return IsRegistered(measurement) ? slot : -1;
  }
  return -1;
}

const SChannelIndicator* CVirtualMeasurement::GetIndicator(EChannelIndicatorType type,
                                                           unsigned index) const {
  for (int slot = 0; slot < sourceCount_; ++slot) {
    if (CMeasurement* m = Source(slot)) return m->GetIndicator(type, index);
  }
  return CMeasurement::GetIndicator(type, index);
}

int CVirtualMeasurement::GetIndicatorCount(EChannelIndicatorType type) const {
  for (int slot = 0; slot < sourceCount_; ++slot) {
    if (CMeasurement* m = Source(slot)) return m->GetIndicatorCount(type);
  }
  return CMeasurement::GetIndicatorCount(type);
}

void CVirtualMeasurement::SetResponseQuantity(const std::wstring&) {
  const wchar_t* quantity = L"";
  switch (kind_) {
    case EKind::WaveRatio: quantity = L"Cmplx"; break;
    case EKind::Z: quantity = L"Cmplx_Z"; break;
    case EKind::Y: quantity = L"Cmplx_Y"; break;
    case EKind::K:
    case EKind::Mu1:
    case EKind::Mu2: quantity = L"tms"; break;
    case EKind::None: break;
  }
  CMeasurement::SetResponseQuantity(quantity);
}

bool CVirtualMeasurement::IsMeasurementActive(CMeasurement* measurement) {
  return SlotOf(measurement) >= 0 && GetActive();
}

bool CVirtualMeasurement::IsMeasurementUsed(CMeasurement* measurement) {
  return SlotOf(measurement) >= 0 && GetUsing();
}

bool CVirtualMeasurement::IsMeasurementVisible(CMeasurement* measurement) {
  return SlotOf(measurement) >= 0 && GetVisible();
}

// ---- Description --------------------------------------------------------------------------

void CVirtualMeasurement::CallbackChanged(CMeasurement* source, EMeasureParam kind) {
  const int slot = SlotOf(source);
  if (slot < 0) return;
  // Each branch ends with the setter: it notifies our subscribers, which may destroy us.
  switch (kind) {
    case mpAttached:
      ReadReferenceImpedances();
      break;
    case mpStimulusRange: {
      const double m = GetStimulusMultiplier();
      double start = source->GetStimulusStart() / m;
      double stop = source->GetStimulusStop() / m;
      if (source->HasReversedSweep()) std::swap(start, stop);
      SetStimulusRange(start, stop, true);
      break;
    }
    case mpInfo:
      SetInfo(source->GetInfo());
      break;
    case mpStimulusQuantity:
      SetStimulusQuantity(source->GetStimulusQuantity());
      break;
    case mpResponseQuantity:
      SetResponseQuantity(std::wstring());
      break;
    case mpPointsCount: {
      const int points = source->GetPointsCount();
      Reserve(points);
      std::fill(masks_.begin(), masks_.end(), std::uint8_t{0});
      SetPointsCount(points);
      break;
    }
    case mpParameter:
      if (source->GetLastParameter().starts_with(L"reference_impedance_")) ReadReferenceImpedances();
      break;
    case mpNewSweep:
      DropSource(slot);
      resetPending_ = true;
      break;
    default:
      break;
  }
}

double CVirtualMeasurement::ReadNumberParameter(const wchar_t* name, double fallback) const {
  // The ports are the instrument's: the first source that states the value decides.
  for (int slot = 0; slot < sourceCount_; ++slot) {
    const CMeasurement* m = Source(slot);
    if (m == nullptr) continue;
    const std::wstring text = m->GetParameter(name);
    if (text.empty()) continue;
    try {
      const double value = StrToDouble(WideToUtf8(text).c_str());
      if (std::isfinite(value)) return value;
    } catch (const EConvertError&) {
    }
  }
  return fallback;
}

void CVirtualMeasurement::ReadReferenceImpedances() {
  if (kind_ != EKind::Z && kind_ != EKind::Y) return;
  z1_ = {ReadNumberParameter(L"reference_impedance_re_port1", kDefaultImpedance),
         ReadNumberParameter(L"reference_impedance_im_port1", 0.0)};
  z2_ = {ReadNumberParameter(L"reference_impedance_re_port2", kDefaultImpedance),
         ReadNumberParameter(L"reference_impedance_im_port2", 0.0)};
  // Power waves scale port i by 1 / (2 sqrt|Re z_i|); only the ratio of the two ports'
  // factors survives in the off-diagonal elements (see Compute).
  const double r1 = z1_.real();
  const double r2 = z2_.real();
  const double root = std::sqrt(std::fabs(r1 * r2));
  t12_ = 2.0 * Sign(r2) * root;
  t21_ = 2.0 * Sign(r1) * root;
}

// ---- Data ---------------------------------------------------------------------------------

bool CVirtualMeasurement::Reserve(int points) {
  if (points <= capacity_) return true;
  if (!PV_ASSERT_MSG(points <= kMaxPointsCount, "Cnt + Offset <= Size")) return false;
  if (delivering_ > 0) return false;  // our subscribers still hold pointers into the buffers
  const std::size_t n = static_cast<std::size_t>(points);
  try {
    samples_.resize(n * static_cast<std::size_t>(sourceCount_));
    masks_.resize(n, 0);
    x_.resize(n, kNaN);
    outY_.resize(n);
    outZ_.resize(n);
  } catch (const std::bad_alloc&) {
    // Back to empty buffers: a sweep that does not fit is dropped, not half stored.
    samples_ = {};
    masks_ = {};
    x_ = {};
    outY_ = {};
    outZ_ = {};
    capacity_ = 0;
    LogMessage(L"Control", L"Out of memory for " + std::to_wstring(points) + L" points of virtual channel \"" +
                               virtualName_ + L"\"",
               true);
    return false;
  }
  capacity_ = points;
  return true;
}

void CVirtualMeasurement::DropSource(int slot) {
  const std::uint8_t keep = static_cast<std::uint8_t>(~((1u << slot) | kComputed));
  for (std::uint8_t& mask : masks_) mask &= keep;
}

void CVirtualMeasurement::CallbackData(CMeasurement* source, int offset, int count, const double* x,
                                       const double* y, const double* z) {
  const int slot = SlotOf(source);
  if (!PV_ASSERT_MSG(slot >= 0, kind_ == EKind::WaveRatio ? kNotNumeratorOrDenominator
                                                          : "not a source of this channel")) {
    return;
  }
  if (count <= 0) return;  // a sweep restart alone, announced before with mpNewSweep
  if (!PV_ASSERT(z != NULL)) return;
  if (!PV_ASSERT(y != nullptr)) return;
  // The end of the block is computed only once it is known not to pass the largest sweep.
  if (!PV_ASSERT_MSG(offset >= 0 && count <= kMaxPointsCount - offset, "Cnt + Offset <= Size")) return;
  if (!Reserve(offset + count)) return;

  // Store the block; a point whose last missing source this was becomes computable.
  const int n = sourceCount_;
  const std::uint8_t bit = static_cast<std::uint8_t>(1u << slot);
  const std::uint8_t full = fullMask_;
  Complex* samples = samples_.data() + static_cast<std::size_t>(offset) * n + slot;
  std::uint8_t* masks = masks_.data() + offset;
  for (int i = 0; i < count; ++i) {
    samples[static_cast<std::size_t>(i) * n] = Complex(y[i], z[i]);
    const std::uint8_t mask = masks[i] | bit;
    masks[i] = (mask & full) == full ? static_cast<std::uint8_t>((mask & ~full) | kComputed) : mask;
  }
  if (x != nullptr) {
    // Our stimulus is kept in our own units, which need not be the source's.
    const double scale = static_cast<double>(source->GetStimulusMultiplier()) / GetStimulusMultiplier();
    double* out = x_.data() + offset;
    if (scale == 1.0) {
      std::memcpy(out, x, sizeof(double) * static_cast<std::size_t>(count));
    } else {
      for (int i = 0; i < count; ++i) out[i] = x[i] * scale;
    }
  }

  // Pass the completed points on, one AddData per contiguous run. Delivery may re-enter
  // (a subscriber's reaction reaching a source), so the masks are read afresh each time.
  const int end = offset + count;
  for (int p = offset; p < end;) {
    if ((masks_[p] & kComputed) == 0) {
      ++p;
      continue;
    }
    int q = p;
    for (; q < end && (masks_[q] & kComputed) != 0; ++q) masks_[q] &= static_cast<std::uint8_t>(~kComputed);
    Compute(p, q - p);
    if (!Deliver(p, q - p)) return;
    p = q;
  }
}

bool CVirtualMeasurement::Deliver(int first, int count) {
  bool alive = true;
  bool* outer = alive_;
  alive_ = &alive;
  ++delivering_;
  const bool reset = std::exchange(resetPending_, false);
  AddData(first, count, x_.data() + first, outY_.data() + first,
          IsReal() ? nullptr : outZ_.data() + first, reset);
  if (!alive) {
    if (outer != nullptr) *outer = false;
    return false;
  }
  --delivering_;
  alive_ = outer;
  return true;
}

// Z and Y follow the power-wave definition for complex reference impedances z1, z2
// (Kurokawa): with G = diag(z1, z2) and F = diag(1 / (2 sqrt|Re z_i|)),
//   Z = F⁻¹ (I − S)⁻¹ (S G + G*) F,   Y = Z⁻¹ = F⁻¹ (S G + G*)⁻¹ (I − S) F.
// Written out for 2×2 matrices, with D = det(I − S) and N = det(S G + G*):
//   Z11 = ((1 − S22)(S11 z1 + z1*) + S12 S21 z1) / D      Z12 = t12 S12 / D
//   Z22 = ((1 − S11)(S22 z2 + z2*) + S12 S21 z2) / D      Z21 = t21 S21 / D
//   Y11 = ((1 − S11)(S22 z2 + z2*) + S12 S21 z2) / N      Y12 = −t12 S12 / N
//   Y22 = ((1 − S22)(S11 z1 + z1*) + S12 S21 z1) / N      Y21 = −t21 S21 / N
// where t12 = 2 sgn(Re z2) sqrt|Re z1 Re z2| and t21 = 2 sgn(Re z1) sqrt|Re z1 Re z2|. For real
// reference impedances this is the textbook Z = √z (I + S)(I − S)⁻¹ √z. A singular matrix
// gives NaN, as does any result that is not finite.
void CVirtualMeasurement::Compute(int first, int count) {
  const int n = sourceCount_;
  const Complex* s = samples_.data() + static_cast<std::size_t>(first) * n;
  double* y = outY_.data() + first;
  double* z = outZ_.data() + first;
  const Complex one(1.0, 0.0);
  const Complex z1 = z1_, z2 = z2_, z1c = std::conj(z1_), z2c = std::conj(z2_);

  switch (kind_) {
    case EKind::WaveRatio:
      for (int i = 0; i < count; ++i, s += n) {
        const Complex den = s[1];
        const bool usable = std::isfinite(den.real()) && std::isfinite(den.imag()) && den != Complex();
        Store(y, z, i, usable ? s[0] / den : Complex(kNaN, kNaN));
      }
      break;

    case EKind::Z:
    case EKind::Y: {
      const bool isZ = kind_ == EKind::Z;
      const double c12 = isZ ? t12_ : -t12_;
      const double c21 = isZ ? t21_ : -t21_;
      for (int i = 0; i < count; ++i, s += n) {
        const Complex s11 = s[k11], s21 = s[k21], s12 = s[k12], s22 = s[k22];
        const Complex cross = s12 * s21;
        const Complex det = isZ ? (one - s11) * (one - s22) - cross
                                : (s11 * z1 + z1c) * (s22 * z2 + z2c) - cross * z1 * z2;
        Complex num;
        if (element_ == k12) {
          num = c12 * s12;
        } else if (element_ == k21) {
          num = c21 * s21;
        } else if ((element_ == k11) == isZ) {  // Z11, Y22
          num = (one - s22) * (s11 * z1 + z1c) + cross * z1;
        } else {  // Z22, Y11
          num = (one - s11) * (s22 * z2 + z2c) + cross * z2;
        }
        Store(y, z, i, det == Complex() ? Complex(kNaN, kNaN) : num / det);
      }
      break;
    }

    case EKind::K:
    case EKind::Mu1:
    case EKind::Mu2:
      for (int i = 0; i < count; ++i, s += n) {
        const Complex s11 = s[k11], s21 = s[k21], s12 = s[k12], s22 = s[k22];
        const Complex delta = s11 * s22 - s12 * s21;
        const double cross = std::abs(s12 * s21);
        double value;
        if (kind_ == EKind::K) {
          value = (1.0 - std::norm(s11) - std::norm(s22) + std::norm(delta)) / (2.0 * cross);
        } else if (kind_ == EKind::Mu1) {
          value = (1.0 - std::norm(s11)) / (std::abs(s22 - delta * std::conj(s11)) + cross);
        } else {
          value = (1.0 - std::norm(s22)) / (std::abs(s11 - delta * std::conj(s22)) + cross);
        }
        y[i] = Finite(value);  // real: delivered without a second component
      }
      break;

    case EKind::None:
      break;
  }
}
