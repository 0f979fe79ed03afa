#pragma once
// A channel the host does not feed: it listens to real channels of the same control and
// computes its sweep from theirs. Its name says what it computes:
//   "b2_a1_1" …        wave ratio, numerator wave over denominator wave of one source port,
//                      from the channels "b2 (1->2)" and "a1 (1->2)" ("(2->1)" for port 2);
//   "Z11" … "Z22"      impedance parameters   } from "S11", "S21", "S12", "S22" and the
//   "Y11" … "Y22"      admittance parameters  } ports' (complex) reference impedances;
//   "K", "u1", "u2"    Rollett's stability factor and the two Edwards–Sinsky μ factors.
// For its own subscribers it is an ordinary channel; towards its sources it is a subscriber
// that mirrors their description (range, quantity, point count, info) and asks the host to
// keep measuring them while something shows the virtual channel.
//
// Sources deliver their blocks independently, in any order and block size. A point is
// computed once every source has delivered it (the latest value of each source counts), and
// newly completed points go out in contiguous runs, one AddData per run. The assembly
// buffers are sized once per point count; blocks do not allocate.
#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "measurements/Measurement.h"
#include "measurements/MeasurementSubscriber.h"

class CVirtualMeasurement : public CMeasurement, public CMeasurementSubscriber {
 public:
  // Looks a source channel up by its name; null when there is none.
  using FindMeasurement = std::function<CMeasurement*(const std::wstring&)>;

  // The sources must exist already: a missing one is reported and the channel then never
  // delivers data. An unknown name is reported too and gives a channel without sources.
  CVirtualMeasurement(const wchar_t* name, const FindMeasurement& findMeasurement);
  ~CVirtualMeasurement() override;

  // Indicators are those of the first source channel.
  const SChannelIndicator* GetIndicator(EChannelIndicatorType type, unsigned index) const override;
  int GetIndicatorCount(EChannelIndicatorType type) const override;

  // The quantity is fixed by what the channel computes; the argument is ignored.
  void SetResponseQuantity(const std::wstring& quantity) override;

  void CallbackChanged(CMeasurement* source, EMeasureParam kind) override;
  void CallbackData(CMeasurement* source, int offset, int count, const double* x, const double* y,
                    const double* z) override;
  // A source counts as active, used or visible whenever this channel does.
  bool IsMeasurementActive(CMeasurement* measurement) override;
  bool IsMeasurementUsed(CMeasurement* measurement) override;
  bool IsMeasurementVisible(CMeasurement* measurement) override;

  const std::wstring& GetVirtualName() const { return virtualName_; }

 private:
  enum class EKind : std::uint8_t { None, WaveRatio, Z, Y, K, Mu1, Mu2 };
  static constexpr int kMaxSources = 4;
  static constexpr std::uint8_t kComputed = 0x80;  // point mask: computed, not yet delivered

  // The registered source in `slot`, or null (missing, or gone with its channel).
  CMeasurement* Source(int slot) const;
  // Slot of a registered source, -1 for any other channel.
  int SlotOf(const CMeasurement* measurement) const;
  bool IsRegistered(const CMeasurement* measurement) const;
  // Makes room for `points` points; false while a delivery is using the buffers.
  bool Reserve(int points);
  // Forgets what the source in `slot` delivered for points not yet complete.
  void DropSource(int slot);
  void ReadReferenceImpedances();
  double ReadNumberParameter(const wchar_t* name, double fallback) const;
  // Derived values of points first … first + count − 1, all complete.
  void Compute(int first, int count);
  // Passes points on through AddData; false when this channel was destroyed meanwhile.
  bool Deliver(int first, int count);
  bool IsReal() const { return kind_ == EKind::K || kind_ == EKind::Mu1 || kind_ == EKind::Mu2; }

  std::wstring virtualName_;
  std::wstring numeratorName_;    // wave ratios only
  std::wstring denominatorName_;
  EKind kind_ = EKind::None;
  int element_ = 0;               // Z and Y: 0 = 11, 1 = 21, 2 = 12, 3 = 22
  int sourceCount_ = 0;
  std::uint8_t fullMask_ = 0;
  CMeasurement* sources_[kMaxSources] = {};

  // Port reference impedances and the cross-port scale factors they give (see Compute).
  std::complex<double> z1_{50.0, 0.0};
  std::complex<double> z2_{50.0, 0.0};
  double t12_ = 100.0;
  double t21_ = 100.0;

  // Assembly: per point the samples of every source (point-major), the sources that have
  // delivered it, its stimulus, and the derived values delivered.
  std::vector<std::complex<double>> samples_;
  std::vector<std::uint8_t> masks_;
  std::vector<double> x_;
  std::vector<double> outY_;
  std::vector<double> outZ_;
  int capacity_ = 0;

  bool resetPending_ = false;  // a source restarted its sweep: the next delivery starts one
  int delivering_ = 0;         // nesting depth of Deliver
  bool* alive_ = nullptr;      // innermost Deliver's flag, cleared by the destructor
};
