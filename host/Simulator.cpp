#include "Simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include "common/Text.h"
#include "measurements/Measurement.h"

namespace {

// Channel kinds: what a channel measures.
enum EKind { kS11, kS21, kS12, kS22, kA1, kB1Fwd, kB2Fwd, kA2, kB1Rev, kB2Rev, kSpectrum };

constexpr double kCentre = 1.5e9;       // filter centre, Hz
constexpr double kQ = 12.0;             // loaded quality factor
constexpr double kDelay = 2e-9;         // electrical length of the connecting lines, s
constexpr double kLoss = 0.92;          // pass-band transmission magnitude
constexpr double kSourceWave = 0.1;     // incident wave, √W (−10 dBm into 50 Ω ≈ 0.1)
constexpr double kNoise = 2e-4;         // receiver noise, linear
constexpr double kNoiseFloor = -95.0;   // spectrum analyser noise floor, dBm

struct SCarrier {
  double frequency;  // Hz
  double level;      // dBm
};
constexpr SCarrier kCarriers[] = {{0.96e9, -20.0}, {1.0e9, -12.0}, {1.035e9, -45.0}, {1.07e9, -33.0}};
constexpr double kResolution = 1.5e6;  // resolution bandwidth of the simulated analyser, Hz

// Carriers that move, so a spectrogram has something to show: one drifts slowly across the
// band and back; one hops between channels, sending a burst on each.
constexpr double kDriftCentre = 1.0175e9, kDriftSwing = 4.0e7, kDriftLevel = -38.0;
constexpr int kDriftPeriod = 400;  // sweeps
constexpr double kHops[] = {0.945e9, 0.985e9, 1.02e9, 1.05e9, 1.085e9};
constexpr double kHopLevel = -28.0;
constexpr int kHopDwell = 25;   // sweeps on one channel
constexpr int kHopBurst = 15;   // of which sweeps with the carrier on

}  // namespace

CInstrumentSimulator::CInstrumentSimulator(CreateChannel create, int points, unsigned seed)
    : create_(std::move(create)), points_(points < 2 ? 2 : points), random_(0x9E3779B97F4A7C15ull ^ seed) {
  x_.resize(static_cast<std::size_t>(points_));
  y_.resize(static_cast<std::size_t>(points_));
  z_.resize(static_cast<std::size_t>(points_));
  std::mt19937 generator(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  for (double& n : normal_) n = normal(generator);
  for (std::size_t i = 0; i < floor_.size(); ++i) {
    floorDb_[i] = kNoiseFloor + 2.0 * normal_[i];
    floor_[i] = std::pow(10.0, floorDb_[i] / 10);
  }
  floorMin_ = *std::min_element(floor_.begin(), floor_.end());
  AddChannel(L"S11", L"1", L"Cmplx", kS11);
  AddChannel(L"S21", L"1", L"Cmplx", kS21);
  AddChannel(L"S12", L"1", L"Cmplx", kS12);
  AddChannel(L"S22", L"1", L"Cmplx", kS22);
  AddChannel(L"a1 (1->2)", L"1", L"Cmplx", kA1);
  AddChannel(L"b1 (1->2)", L"1", L"Cmplx", kB1Fwd);
  AddChannel(L"b2 (1->2)", L"1", L"Cmplx", kB2Fwd);
  AddChannel(L"a2 (2->1)", L"1", L"Cmplx", kA2);
  AddChannel(L"b1 (2->1)", L"1", L"Cmplx", kB1Rev);
  AddChannel(L"b2 (2->1)", L"1", L"Cmplx", kB2Rev);
  AddChannel(L"SA", L"2", L"dBm", kSpectrum);
  // The grids of the start-up ranges are ready before the first sweep is asked for.
  for (const SChannel& c : list_) {
    double start = 0, step = 0;
    SweepGrid(*c.measurement, start, step);
    if (c.kind == kSpectrum)
      PrepareSpectrum(start, step);
    else
      PrepareNetwork(start, step);
  }
}

void CInstrumentSimulator::AddChannel(const std::wstring& name, const std::wstring& channel,
                                      const std::wstring& response, int kind) {
  CMeasurement* m = create_ != nullptr ? create_() : nullptr;
  if (m == nullptr) return;
  m->SetName(name);
  m->SetParameter(L"channel", channel);
  // S-parameters carry their own name as notation, waves their wave ("b2"), the analyser none.
  m->SetParameter(L"notation", kind == kSpectrum ? std::wstring() : kind <= kS22 ? name : name.substr(0, 2));
  m->SetParameter(L"impedance", L"50");
  m->SetStimulusQuantity(L"Hz");
  m->SetResponseQuantity(response);
  m->SetPointsCount(points_);
  if (kind == kSpectrum) {
    m->SetParameter(L"reference_level", L"0");
    m->SetStimulusRange(0.94e9, 1.09e9, true);
    m->SetIndicator(citFirst, 1, Tr("RBW 1,5 МГц"), Tr("Полоса разрешения"), L"", 1);
    m->SetIndicator(citFirst, 2, Tr("Оп. 0 дБм"), Tr("Опорный уровень"), L"", 2);
  } else {
    m->SetStimulusRange(1.0e9, 2.0e9, true);
    m->SetIndicator(citFirst, 1, Tr("ПЧ 10 кГц"), Tr("Полоса ПЧ"), L"", 1);
    m->SetIndicator(citFirst, 2, Tr("−10 дБм"), Tr("Мощность"), L"", 2);
  }
  list_.push_back({m, kind, false, false});
  channels_.push_back(m);
}

CMeasurement* CInstrumentSimulator::Channel(const std::wstring& name) const {
  for (CMeasurement* m : channels_) {
    if (m->GetName() == name) return m;
  }
  return nullptr;
}

bool CInstrumentSimulator::IsMeasured(const CMeasurement* channel) const {
  for (const SChannel& c : list_) {
    if (c.measurement == channel) return c.active || c.used;
  }
  return false;
}

void CInstrumentSimulator::OnParameter(MeasurementInterface* channel, const wchar_t* name, double value,
                                       double extra) {
  if (channel == nullptr || name == nullptr) return;
  const std::wstring what = name;
  for (SChannel& c : list_) {
    if (c.measurement != channel) continue;
    if (what == L"FrequencyCounter" && std::isfinite(extra)) {
      // The counter finds the carrier nearest the asked frequency, to the asked accuracy.
      double counted = kCarriers[0].frequency;
      for (const SCarrier& carrier : kCarriers)
        if (std::fabs(carrier.frequency - extra) < std::fabs(counted - extra)) counted = carrier.frequency;
      const double step = value > 0 ? value : 1.0;
      counted = std::round((counted + 137.0) / step) * step;
      wchar_t answer[96];
      std::swprintf(answer, 96, L"%.17g %.17g", extra, counted);
      c.measurement->SetParameter(L"FrequencyCounter", answer);
    } else if (what == L"Activity") {
      c.active = value != 0;
    } else if (what == L"Using") {
      c.used = value != 0;
    } else if (what.find(L"freq") != std::wstring::npos && std::isfinite(value) && std::isfinite(extra) &&
               value != extra) {
      // Every channel of the same instrument channel sweeps the same range.
      const std::wstring group = c.measurement->GetParameter(L"channel");
      for (SChannel& other : list_) {
        if (other.measurement->GetParameter(L"channel") == group)
          other.measurement->SetStimulusRange(value, extra, true);
      }
    }
    return;
  }
}

void CInstrumentSimulator::FilterAt(double f, std::complex<double>& s11, std::complex<double>& s21) const {
  // A single resonator, lossless apart from kLoss, between two lines of delay kDelay:
  // S21 = L / (1 + jX), S11 = jX / (1 + jX) with X = Q (f/f0 − f0/f).
  const double detune = kQ * (f / kCentre - kCentre / f);
  const std::complex<double> denominator(1.0, detune);
  const std::complex<double> line = std::polar(1.0, -2 * std::numbers::pi * f * kDelay);
  s21 = kLoss / denominator * line;
  s11 = std::complex<double>(0.0, detune) / denominator * line * line;
}

void CInstrumentSimulator::SweepGrid(const CMeasurement& m, double& start, double& step) const {
  start = m.GetStimulusStart() * m.GetStimulusMultiplier();
  step = (m.GetStimulusStop() * m.GetStimulusMultiplier() - start) / (points_ - 1);
}

std::uint64_t CInstrumentSimulator::NextRandom() {
  random_ ^= random_ >> 12;
  random_ ^= random_ << 25;
  random_ ^= random_ >> 27;
  return random_ * 0x2545F4914F6CDD1Dull;
}

void CInstrumentSimulator::PrepareNetwork(double start, double step) {
  if (networkGrid_.Matches(start, step)) return;
  s11_.resize(static_cast<std::size_t>(points_));
  s21_.resize(static_cast<std::size_t>(points_));
  for (int i = 0; i < points_; ++i)
    FilterAt(start + i * step, s11_[static_cast<std::size_t>(i)], s21_[static_cast<std::size_t>(i)]);
  networkGrid_ = {start, step, true};
}

void CInstrumentSimulator::PrepareSpectrum(double start, double step) {
  if (spectrumGrid_.Matches(start, step)) return;
  carriers_.assign(static_cast<std::size_t>(points_), 0.0);
  for (int i = 0; i < points_; ++i) {
    // Each carrier through the analyser's Gaussian resolution filter; powers add.
    const double f = start + i * step;
    for (const SCarrier& carrier : kCarriers) {
      const double d = (f - carrier.frequency) / kResolution;
      carriers_[static_cast<std::size_t>(i)] += std::pow(10.0, carrier.level / 10) * std::exp(-0.5 * d * d * 4);
    }
  }
  spectrumGrid_ = {start, step, true};
}

void CInstrumentSimulator::SweepNetwork(SChannel& c) {
  CMeasurement& m = *c.measurement;
  double start = 0, step = 0;
  SweepGrid(m, start, step);
  PrepareNetwork(start, step);
  const double multiplier = m.GetStimulusMultiplier();
  constexpr int kShift = 64 - kTableBits;
  constexpr std::uint64_t kMask = (1u << kTableBits) - 1;
  for (std::size_t i = 0; i < static_cast<std::size_t>(points_); ++i) {
    std::complex<double> v;
    switch (c.kind) {
      case kS11:
      case kS22:
        v = s11_[i];
        break;
      case kS21:
      case kS12:
        v = s21_[i];
        break;
      case kA1:
      case kA2:
        v = kSourceWave;
        break;
      case kB1Fwd:
      case kB2Rev:
        v = s11_[i] * kSourceWave;
        break;
      default:  // kB2Fwd, kB1Rev
        v = s21_[i] * kSourceWave;
        break;
    }
    // Two table indices from one draw: the real and the imaginary part of the noise.
    const std::uint64_t r = NextRandom();
    x_[i] = (start + static_cast<double>(i) * step) / multiplier;
    y_[i] = v.real() + normal_[r >> kShift] * kNoise;
    z_[i] = v.imag() + normal_[(r >> (kShift - kTableBits)) & kMask] * kNoise;
  }
  m.AddData(0, points_, x_.data(), y_.data(), z_.data());
}

void CInstrumentSimulator::SweepSpectrum(SChannel& c) {
  CMeasurement& m = *c.measurement;
  double start = 0, step = 0;
  SweepGrid(m, start, step);
  PrepareSpectrum(start, step);
  const double multiplier = m.GetStimulusMultiplier();
  // Far from the carriers the floor alone counts (to within 0.001 dB): a table look-up.
  const double negligible = floorMin_ * 2e-4;
  for (std::size_t i = 0; i < static_cast<std::size_t>(points_); ++i) {
    const std::uint64_t j = NextRandom() >> (64 - kTableBits);
    x_[i] = (start + static_cast<double>(i) * step) / multiplier;
    y_[i] = carriers_[i] < negligible ? floorDb_[j] : 10 * std::log10(floor_[j] + carriers_[i]);
  }
  AddMovingCarriers(start, step);
  m.AddData(0, points_, x_.data(), y_.data(), nullptr);
}

CInstrumentSimulator::SMoving CInstrumentSimulator::MovingCarriers(int sweep) {
  SMoving now;
  now.carriers[now.count++] = {kDriftCentre + kDriftSwing * std::sin(2 * std::numbers::pi * sweep / kDriftPeriod), kDriftLevel};
  // The channel sequence looks random but repeats: the dwell number picks it.
  const unsigned dwell = static_cast<unsigned>(sweep / kHopDwell);
  if (sweep % kHopDwell < kHopBurst)
    now.carriers[now.count++] = {kHops[(dwell * 7u + dwell / 3u) % std::size(kHops)], kHopLevel};
  return now;
}

void CInstrumentSimulator::AddMovingCarriers(double start, double step) {
  if (step == 0) return;
  const SMoving moving = MovingCarriers(sweeps_);
  for (int k = 0; k < moving.count; ++k) {
    const SCarrierAt& carrier = moving.carriers[k];
    // Three resolution bandwidths either side hold all but 1e-15 of a carrier's power.
    const double reach = 3 * kResolution;
    double lo = (carrier.frequency - reach - start) / step, hi = (carrier.frequency + reach - start) / step;
    if (lo > hi) std::swap(lo, hi);
    const int first = static_cast<int>(std::max(0.0, std::ceil(lo)));
    const int last = static_cast<int>(std::min(points_ - 1.0, std::floor(hi)));
    for (int i = first; i <= last; ++i) {
      const double f = start + i * step;
      double power = floor_[NextRandom() >> (64 - kTableBits)] + carriers_[static_cast<std::size_t>(i)];
      for (int n = 0; n < moving.count; ++n) {
        const SCarrierAt& c = moving.carriers[n];
        const double d = (f - c.frequency) / kResolution;
        power += std::pow(10.0, c.level / 10) * std::exp(-0.5 * d * d * 4);
      }
      y_[static_cast<std::size_t>(i)] = 10 * std::log10(power);
    }
  }
}

void CInstrumentSimulator::Sweep(bool all) {
  for (SChannel& c : list_) {
    if (!all && !c.active && !c.used) continue;
    if (c.kind == kSpectrum) {
      SweepSpectrum(c);
    } else {
      SweepNetwork(c);
    }
  }
  ++sweeps_;
}
