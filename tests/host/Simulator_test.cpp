// The demo's simulated instrument: channels as a driver would set them up, the filter it
// measures, and sweeping only what the diagrams ask for.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <vector>

#include "Simulator.h"
#include "measurements/Measurement.h"
#include "support/FakeSubscriber.h"

namespace {

struct Channels {
  std::vector<std::unique_ptr<CMeasurement>> owned;
  CMeasurement* Create() {
    owned.push_back(std::make_unique<CMeasurement>());
    return owned.back().get();
  }
};

// The complex value of point i of the channel's last sweep, as a subscriber saw it.
class CLastSweep : public CMeasurementSubscriber {
 public:
  std::vector<double> x, y, z;
  int sweeps = 0;
  void CallbackData(CMeasurement*, int offset, int count, const double* px, const double* py, const double* pz) override {
    x.resize(static_cast<std::size_t>(offset + count));
    y.resize(x.size());
    z.resize(x.size());
    for (int i = 0; i < count; ++i) {
      x[static_cast<std::size_t>(offset + i)] = px[i];
      y[static_cast<std::size_t>(offset + i)] = py[i];
      z[static_cast<std::size_t>(offset + i)] = pz != nullptr ? pz[i] : NAN;
    }
  }
  void CallbackDataDone(CMeasurement*) override { ++sweeps; }
};

}  // namespace

TEST(Simulator, MeasuresTheFilterOnlyForChannelsTheDiagramsUse) {
  Channels channels;
  CInstrumentSimulator sim([&] { return channels.Create(); }, 1001);
  ASSERT_EQ(sim.Channels().size(), 11u);
  CMeasurement* s21 = sim.Channel(L"S21");
  CMeasurement* s11 = sim.Channel(L"S11");
  ASSERT_NE(s21, nullptr);
  EXPECT_EQ(s21->GetParameter(L"channel"), L"1");
  EXPECT_EQ(sim.Channel(L"b2 (1->2)")->GetParameter(L"notation"), L"b2");
  EXPECT_FALSE(sim.Channel(L"SA")->GetParameter(L"reference_level").empty());

  CLastSweep seen21, seen11;
  seen21.AddMeasurement(s21);
  seen11.AddMeasurement(s11);
  sim.Sweep();
  EXPECT_EQ(seen21.sweeps, 0);  // nobody asked yet

  sim.OnParameter(s21, L"Using", 1, 0);
  sim.OnParameter(s11, L"Activity", 1, 0);
  sim.Sweep();
  ASSERT_EQ(seen21.sweeps, 1);
  ASSERT_EQ(seen21.x.size(), 1001u);
  // The centre of the pass band (1.5 GHz is point 500 of 1…2 GHz): full transmission,
  // almost no reflection; power is conserved elsewhere.
  EXPECT_NEAR(std::hypot(seen21.y[500], seen21.z[500]), 0.92, 2e-3);
  EXPECT_LT(std::hypot(seen11.y[500], seen11.z[500]), 2e-3);
  EXPECT_NEAR(std::norm(std::complex<double>(seen11.y[100], seen11.z[100])) +
                  std::norm(std::complex<double>(seen21.y[100], seen21.z[100])) / (0.92 * 0.92),
              1.0, 0.05);

  // A zoom sent back moves the whole instrument channel.
  sim.OnParameter(s21, L"freq", 1.4e9, 1.6e9);
  EXPECT_DOUBLE_EQ(s11->GetStimulusStart(), 1.4e9);
  sim.OnParameter(s21, L"Using", 0, 0);
  sim.Sweep();
  EXPECT_EQ(seen21.sweeps, 1);
  EXPECT_EQ(seen11.sweeps, 2);
}

TEST(Simulator, SpectrumCarriersDriftAndHopBetweenSweeps) {
  Channels channels;
  CInstrumentSimulator sim([&] { return channels.Create(); }, 1601);
  CMeasurement* sa = sim.Channel(L"SA");
  CLastSweep seen;
  seen.AddMeasurement(sa);
  sim.OnParameter(sa, L"Using", 1, 0);
  double drift0 = 0;
  for (int sweep = 0; sweep <= 100; ++sweep) {
    sim.Sweep();
    if (sweep % 50 != 0 && sweep != 20) continue;
    const CInstrumentSimulator::SMoving moving = CInstrumentSimulator::MovingCarriers(sweep);
    EXPECT_EQ(moving.count, sweep % 25 < 15 ? 2 : 1) << sweep;  // the burst is off part of each dwell
    for (int k = 0; k < moving.count; ++k) {
      // The sweep shows each moving carrier well above the floor where it is now.
      const double f = moving.carriers[k].frequency;
      std::size_t nearest = 0;
      for (std::size_t i = 0; i < seen.x.size(); ++i)
        if (std::fabs(seen.x[i] - f) < std::fabs(seen.x[nearest] - f)) nearest = i;
      EXPECT_GT(seen.y[nearest], moving.carriers[k].level - 6) << "sweep " << sweep << " carrier " << k;
    }
    if (sweep == 0) drift0 = moving.carriers[0].frequency;
    if (sweep == 100) {
      EXPECT_GT(std::fabs(moving.carriers[0].frequency - drift0), 3e7);
    }
  }
}
