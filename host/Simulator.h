#pragma once
// A simulated instrument for the demo host: a two-port vector network analyser measuring a
// band-pass filter (S-parameters and the incident and reflected waves of both directions)
// and a spectrum analyser looking at a few carriers over its noise floor. It feeds channels
// the way an instrument driver would, and measures only what the diagrams report as active
// or used.
//
// At large point counts the simulator must cost little beside the component it feeds: what
// depends only on the frequency grid (the filter's response, the carriers seen through the
// analyser's filter) is computed once per grid, and noise is drawn from precomputed tables
// with a cheap generator instead of the standard library's normal distribution.
#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMeasurement;
class MeasurementInterface;

struct SCarrierAt {
  double frequency;  // Hz
  double level;      // dBm
};

class CInstrumentSimulator {
 public:
  // Makes a channel of the host's diagram area.
  using CreateChannel = std::function<CMeasurement*()>;

  CInstrumentSimulator(CreateChannel create, int points, unsigned seed = 1);

  // The channels in creation order: S11, S21, S12, S22, the six waves, the spectrum.
  const std::vector<CMeasurement*>& Channels() const { return channels_; }
  CMeasurement* Channel(const std::wstring& name) const;

  // What the diagrams tell the host: "Activity" and "Using" (value 1 or 0) choose what is
  // measured; a name containing "freq" with a start (value) and stop (extra) sets a new
  // stimulus range, as a zoom or a bar drag sends it.
  void OnParameter(MeasurementInterface* channel, const wchar_t* name, double value, double extra);

  // One sweep of every channel that is active or used (all of them with `all`).
  void Sweep(bool all = false);
  int SweepCount() const { return sweeps_; }
  // The carriers that move, as they are in the given sweep: a slow drift and a hopping burst.
  struct SMoving {
    SCarrierAt carriers[2];
    int count = 0;
  };
  static SMoving MovingCarriers(int sweep);
  bool IsMeasured(const CMeasurement* channel) const;

 private:
  struct SChannel {
    CMeasurement* measurement = nullptr;
    int kind = 0;  // see Simulator.cpp
    bool active = false;
    bool used = false;
  };
  void AddChannel(const std::wstring& name, const std::wstring& channel, const std::wstring& response, int kind);
  // The frequency of the first point (Hz) and the step between points of the channel's sweep.
  void SweepGrid(const CMeasurement& channel, double& start, double& step) const;
  void SweepNetwork(SChannel& channel);
  void SweepSpectrum(SChannel& channel);
  // S-parameters of the filter at frequency f (Hz): a resonator with a line on each side.
  void FilterAt(double f, std::complex<double>& s11, std::complex<double>& s21) const;
  // The grid's filter response and carrier powers, recomputed when the grid changed.
  void PrepareNetwork(double start, double step);
  void PrepareSpectrum(double start, double step);
  // Adds the moving carriers of this sweep to the spectrum in y_ (only the points near them).
  void AddMovingCarriers(double start, double step);
  // 64 random bits (xorshift64*).
  std::uint64_t NextRandom();

  static constexpr int kTableBits = 12;
  struct SGridCache {
    double start = 0;
    double step = 0;
    bool valid = false;
    bool Matches(double s, double d) const { return valid && s == start && d == step; }
  };

  CreateChannel create_;
  int points_;
  std::vector<SChannel> list_;
  std::vector<CMeasurement*> channels_;
  std::vector<double> x_, y_, z_;  // one sweep, reused
  SGridCache networkGrid_, spectrumGrid_;
  std::vector<std::complex<double>> s11_, s21_;  // per point of the network grid
  std::vector<double> carriers_;                 // carrier power per point of the spectrum grid, mW
  std::array<double, 1 << kTableBits> normal_{};  // standard normal samples
  std::array<double, 1 << kTableBits> floor_{};   // noise-floor power with its jitter, mW
  std::array<double, 1 << kTableBits> floorDb_{}; // the same in dBm
  double floorMin_ = 0;
  std::uint64_t random_;
  int sweeps_ = 0;
};
