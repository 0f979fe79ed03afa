#include "measurements/VirtualMeasurement.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "support/Capture.h"
#include "support/FakeSubscriber.h"

namespace {

using Complex = std::complex<double>;
using Blocks = std::vector<std::pair<int, int>>;
using SPoint = std::array<Complex, 4>;  // S11, S21, S12, S22: the order of the sources
const double kNaN = std::nan("");

// Channels of a control, looked up by name as the control does.
struct Rig {
  std::map<std::wstring, std::unique_ptr<CMeasurement>> channels;
  explicit Rig(std::initializer_list<const wchar_t*> names = {L"S11", L"S21", L"S12", L"S22"}) {
    for (const wchar_t* n : names) (channels[n] = std::make_unique<CMeasurement>())->SetName(n);
  }
  CMeasurement& operator[](const std::wstring& n) { return *channels.at(n); }
  CVirtualMeasurement::FindMeasurement Finder() {
    return [this](const std::wstring& n) { return channels.contains(n) ? channels[n].get() : nullptr; };
  }
};

void Feed(CMeasurement& m, int offset, const std::vector<Complex>& v, bool reset = false) {
  std::vector<double> x, y, z;
  for (std::size_t i = 0; i < v.size(); ++i) {
    x.push_back(offset + static_cast<double>(i));
    y.push_back(v[i].real());
    z.push_back(v[i].imag());
  }
  m.AddData(offset, static_cast<int>(v.size()), x.data(), y.data(), z.data(), reset);
}

void FeedS(Rig& rig, const std::vector<SPoint>& points) {
  const wchar_t* names[] = {L"S11", L"S21", L"S12", L"S22"};
  for (int k = 0; k < 4; ++k) {
    std::vector<Complex> v;
    for (const SPoint& p : points) v.push_back(p[k]);
    Feed(rig[names[k]], 0, v);
  }
}

// A virtual channel and what it delivers: values and stimulus by point, blocks, new sweeps.
struct Virtual : CMeasurementSubscriber {
  CVirtualMeasurement vm;
  std::vector<Complex> values;
  std::vector<double> xs;
  Blocks blocks;
  int newSweeps = 0;
  bool nullZ = false;
  Virtual(const wchar_t* name, Rig& rig) : vm(name, rig.Finder()) { AddMeasurement(&vm); }
  void CallbackChanged(CMeasurement*, EMeasureParam kind) override { newSweeps += kind == mpNewSweep; }
  void CallbackData(CMeasurement*, int offset, int count, const double* x, const double* y, const double* z) override {
    blocks.emplace_back(offset, count);
    values.resize(std::max<std::size_t>(values.size(), offset + count), Complex(kNaN, kNaN));
    xs.resize(values.size(), kNaN);
    nullZ = z == nullptr;
    for (int i = 0; i < count; ++i) {
      values[offset + i] = {y[i], z != nullptr ? z[i] : 0.0};
      xs[offset + i] = x[i];
    }
  }
};

bool IsNaN(Complex c) { return std::isnan(c.real()) && std::isnan(c.imag()); }

void ExpectNear(Complex actual, Complex expected) {
  EXPECT_LT(std::abs(actual - expected), 1e-9 * std::max(1.0, std::abs(expected))) << actual << " vs " << expected;
}

// Row-major 2×2 complex matrices {m11, m12, m21, m22}, for the reference values.
using M2 = std::array<Complex, 4>;
M2 operator*(const M2& a, const M2& b) {
  return {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2], a[2] * b[1] + a[3] * b[3]};
}
M2 operator+(const M2& a, const M2& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2], a[3] + b[3]}; }
M2 Inv(const M2& a) {
  const Complex d = a[0] * a[3] - a[1] * a[2];
  return {a[3] / d, -a[1] / d, -a[2] / d, a[0] / d};
}
M2 Diag(Complex a, Complex b) { return {a, 0.0, 0.0, b}; }
M2 Matrix(const SPoint& s) { return {s[0], s[2], s[1], s[3]}; }

void SetReferenceImpedances(CMeasurement& m, Complex z1, Complex z2) {
  m.SetParameter(L"reference_impedance_re_port1", std::to_wstring(z1.real()));
  m.SetParameter(L"reference_impedance_im_port1", std::to_wstring(z1.imag()));
  m.SetParameter(L"reference_impedance_re_port2", std::to_wstring(z2.real()));
  m.SetParameter(L"reference_impedance_im_port2", std::to_wstring(z2.imag()));
}

}  // namespace

TEST(VirtualMeasurement, WaveRatioFollowsItsChannelsAndDividesThem) {
  Rig rig{L"b2 (1->2)", L"a1 (1->2)", L"b1 (2->1)", L"a2 (2->1)"};
  Virtual reverse(L"b1_a2_2", rig);
  EXPECT_NE(reverse.vm.GetMeasurement(L"b1 (2->1)"), nullptr);
  EXPECT_NE(reverse.vm.GetMeasurement(L"a2 (2->1)"), nullptr);

  CMeasurement& b2 = rig[L"b2 (1->2)"];
  CMeasurement& a1 = rig[L"a1 (1->2)"];
  b2.SetStimulusQuantity(L"GHz");
  Virtual v(L"b2_a1_1", rig);
  v.vm.SetResponseQuantity(L"dB");  // fixed by what the channel computes
  EXPECT_EQ(v.vm.GetResponseQuantity(), L"Cmplx");
  b2.SetStimulusRange(2, 1, true);
  b2.SetPointsCount(3);
  b2.SetInfo(L"port 1");
  EXPECT_EQ(std::make_pair(v.vm.GetStimulusStart(), v.vm.GetStimulusStop()), std::make_pair(1e9, 2e9));
  EXPECT_TRUE(v.vm.HasReversedSweep());
  EXPECT_EQ(v.vm.GetPointsCount(), 3);
  EXPECT_EQ(v.vm.GetInfo(), L"port 1");

  Feed(a1, 0, {Complex(0, 2), 0.0, Complex(kNaN, 0)});
  EXPECT_TRUE(v.blocks.empty());  // the numerator is still missing
  Feed(b2, 0, {Complex(2, 4), 1.0, Complex(1, 1)});
  EXPECT_EQ(v.blocks, (Blocks{{0, 3}}));
  ExpectNear(v.values[0], Complex(2, -1));
  EXPECT_TRUE(IsNaN(v.values[1]));  // zero denominator
  EXPECT_TRUE(IsNaN(v.values[2]));  // denominator not finite
  EXPECT_EQ(v.xs[1], 1e9);          // b2 counts in GHz, the virtual channel in Hz
}

TEST(VirtualMeasurement, SourcesAreNeededWhileTheVirtualChannelIsShown) {
  Rig rig;
  Virtual v(L"Z21", rig);
  CRecordingSubscriber trace;
  trace.AddMeasurement(&v.vm);
  EXPECT_FALSE(rig[L"S12"].GetActive());
  trace.active = trace.used = trace.visible = true;
  EXPECT_TRUE(rig[L"S12"].GetActive());
  EXPECT_TRUE(rig[L"S11"].GetUsing());
  EXPECT_TRUE(rig[L"S22"].GetVisible());

  // Indicators come from the first source still there.
  rig[L"S21"].SetIndicator(citFirst, 5, L"IFBW", L"", L"", 0);
  EXPECT_EQ(v.vm.GetIndicatorCount(citFirst), 0);
  rig.channels.erase(L"S11");
  ASSERT_EQ(v.vm.GetIndicatorCount(citFirst), 1);
  EXPECT_EQ(v.vm.GetIndicator(citFirst, 0)->Text, L"IFBW");
}

TEST(VirtualMeasurement, ImpedanceAndAdmittanceFollowThePowerWaveDefinition) {
  Rig rig;
  const wchar_t* names[] = {L"Z11", L"Z12", L"Z21", L"Z22", L"Y11", L"Y12", L"Y21", L"Y22"};
  std::vector<std::unique_ptr<Virtual>> vs;
  for (const wchar_t* n : names) vs.push_back(std::make_unique<Virtual>(n, rig));
  EXPECT_EQ(vs[0]->vm.GetResponseQuantity(), L"Cmplx_Z");
  EXPECT_EQ(vs[4]->vm.GetResponseQuantity(), L"Cmplx_Y");
  const std::vector<SPoint> points = {
      {Complex(0.3, -0.2), Complex(2.1, 0.7), Complex(0.05, -0.02), Complex(-0.4, 0.25)},
      {Complex(-0.6, 0.1), Complex(0.9, -1.2), Complex(0.2, 0.1), Complex(0.1, -0.7)}};
  const M2 I = Diag(1, 1), minusI = Diag(-1, -1);
  auto check = [&](auto reference) {
    FeedS(rig, points);
    for (std::size_t p = 0; p < points.size(); ++p) {
      const M2 Z = reference(Matrix(points[p]));
      const M2 Y = Inv(Z);
      for (int e = 0; e < 4; ++e) {
        ExpectNear(vs[e]->values[p], Z[e]);
        ExpectNear(vs[4 + e]->values[p], Y[e]);
      }
    }
  };

  // Real port impedances: the textbook Z = √z (I + S)(I − S)⁻¹ √z.
  SetReferenceImpedances(rig[L"S21"], 50, 75);
  const M2 root = Diag(std::sqrt(50.0), std::sqrt(75.0));
  check([&](const M2& S) { return root * (I + S) * Inv(I + minusI * S) * root; });

  // Complex ones: Z = F⁻¹ (I − S)⁻¹ (S G + G*) F, F = diag(1 / (2 √|Re z|)).
  const Complex z1(50, 10), z2(30, -20);
  SetReferenceImpedances(rig[L"S11"], z1, z2);
  const M2 F = Diag(0.5 / std::sqrt(50.0), 0.5 / std::sqrt(30.0));
  check([&](const M2& S) {
    return Inv(F) * Inv(I + minusI * S) * (S * Diag(z1, z2) + Diag(std::conj(z1), std::conj(z2))) * F;
  });

  // By hand: S = 0 is the conjugate match, Z11 = z1*; S11 = 1 opens port 1, Z is singular.
  FeedS(rig, {{0.0, 0.0, 0.0, 0.0}, {1.0, 0.0, 0.0, 0.0}});
  ExpectNear(vs[0]->values[0], Complex(50, -10));
  ExpectNear(vs[4]->values[0], 1.0 / Complex(50, -10));
  EXPECT_TRUE(IsNaN(vs[0]->values[1]));
  EXPECT_TRUE(IsNaN(vs[3]->values[1]));
  ExpectNear(vs[4]->values[1], 0.0);  // an open port admits nothing
}

TEST(VirtualMeasurement, StabilityFactorsAreRealAndNaNForAUnilateralDevice) {
  Rig rig;
  Virtual k(L"K", rig), u1(L"u1", rig), u2(L"u2", rig);
  EXPECT_EQ(k.vm.GetResponseQuantity(), L"tms");
  // Δ = 0.5 · 0.4 − 0.1 · 2 = 0: K = 0.59 / 0.4, μ = 0.75 / 0.6, μ′ = 0.84 / 0.7.
  FeedS(rig, {{0.5, 2.0, 0.1, 0.4}, {0.5, 2.0, 0.0, 0.4}});
  EXPECT_TRUE(k.nullZ);
  EXPECT_NEAR(k.values[0].real(), 1.475, 1e-12);
  EXPECT_NEAR(u1.values[0].real(), 1.25, 1e-12);
  EXPECT_NEAR(u2.values[0].real(), 1.2, 1e-12);
  EXPECT_TRUE(std::isnan(k.values[1].real()));  // S12 = 0
}

TEST(VirtualMeasurement, PointsGoOutOnceEverySourceDeliveredThem) {
  Rig rig;
  Virtual v(L"Z11", rig);
  const std::vector<Complex> s11 = {0.1, 0.2, 0.3, Complex(0.1, 0.1), -0.2, 0.5};
  Feed(rig[L"S11"], 3, {s11.begin() + 3, s11.end()});
  Feed(rig[L"S11"], 0, {s11.begin(), s11.begin() + 3});
  for (int p = 0; p < 6; p += 2) Feed(rig[L"S21"], p, {0.0, 0.0});
  for (int p = 5; p >= 0; --p) Feed(rig[L"S12"], p, {0.0});
  Feed(rig[L"S22"], 4, {0.0, 0.0});
  Feed(rig[L"S22"], 1, {0.0});
  EXPECT_EQ(v.blocks, (Blocks{{4, 2}, {1, 1}}));
  Feed(rig[L"S22"], 0, std::vector<Complex>(6, 0.0));  // completes 0, 2, 3; 1, 4, 5 start again
  EXPECT_EQ(v.blocks, (Blocks{{4, 2}, {1, 1}, {0, 1}, {2, 2}}));
  for (int p = 0; p < 6; ++p) ExpectNear(v.values[p], 50.0 * (1.0 + s11[p]) / (1.0 - s11[p]));

  // A source that restarts its sweep drops only what it delivered itself.
  v.blocks.clear();
  for (const wchar_t* n : {L"S11", L"S21"}) Feed(rig[n], 0, {0.0});
  Feed(rig[L"S11"], 0, {}, true);
  for (const wchar_t* n : {L"S12", L"S22"}) Feed(rig[n], 0, {0.0});
  EXPECT_TRUE(v.blocks.empty());
  const int sweeps = v.newSweeps;
  Feed(rig[L"S11"], 0, {0.0});
  EXPECT_EQ(v.blocks, (Blocks{{0, 1}}));
  EXPECT_EQ(v.newSweeps, sweeps + 1);  // the restart reaches our subscribers with the data

  // A subscriber may close the virtual channel while it delivers.
  auto doomed = std::make_unique<CVirtualMeasurement>(L"K", rig.Finder());
  CRecordingSubscriber closer;
  closer.AddMeasurement(doomed.get());
  closer.onData = [&](CMeasurement*, int, int, const double*) { doomed.reset(); };
  FeedS(rig, {{0.5, 2.0, 0.1, 0.4}});
  EXPECT_EQ(doomed, nullptr);
  FeedS(rig, {{0.5, 2.0, 0.1, 0.4}});
}

TEST(VirtualMeasurement, BadSetUpIsReportedAndDeliversNothing) {
  AssertCapture asserts;
  Rig rig{L"S11", L"S21", L"S22"};
  {
    Virtual v(L"Y12", rig);
    EXPECT_TRUE(asserts.Saw("pMeasurement"));
    for (const wchar_t* n : {L"S11", L"S21", L"S22"}) Feed(rig[n], 0, {0.5});
    EXPECT_TRUE(v.blocks.empty());
    double x = 0, y = 0;
    rig[L"S11"].AddData(0, 1, &x, &y, nullptr);
    EXPECT_TRUE(asserts.Saw("z != NULL"));
  }
  asserts.Clear();
  Virtual unknown(L"Z33", rig);
  EXPECT_EQ(asserts.Count(), 1u);
  EXPECT_EQ(unknown.vm.GetMeasurementCount(), 0u);
  EXPECT_EQ(unknown.vm.GetResponseQuantity(), L"");
  Feed(rig[L"S11"], 0, {0.5});  // the destroyed Y12 left its sources
}

TEST(VirtualMeasurement, ChannelsConfiguredBeforeItDescribeItAtOnce) {
  AssertCapture asserts;
  Rig rig;
  for (const wchar_t* n : {L"S11", L"S21", L"S12", L"S22"}) {
    rig[n].SetStimulusQuantity(L"MHz");
    rig[n].SetStimulusRange(100, 300, true);
    rig[n].SetPointsCount(3);
  }
  Virtual z(L"Z21", rig);
  EXPECT_EQ(z.vm.GetPointsCount(), 3);
  EXPECT_DOUBLE_EQ(z.vm.GetStimulusStart(), 100e6);
  EXPECT_DOUBLE_EQ(z.vm.GetStimulusStop(), 300e6);
  FeedS(rig, {SPoint{0.1, 0.2, 0.2, 0.1}, SPoint{0.1, 0.2, 0.2, 0.1}, SPoint{0.1, 0.2, 0.2, 0.1}});
  EXPECT_EQ(z.values.size(), 3u);
  EXPECT_EQ(asserts.Count(), 0u);
}

// The block's end is what the assembly buffers are sized by: it must never wrap around.
TEST(VirtualMeasurement, BlocksReachingPastTheLargestSweepAreRefusedWithoutReserving) {
  Rig rig;
  Virtual v(L"Z11", rig);
  double x[2] = {1, 2}, y[2] = {0.1, 0.2}, z[2] = {0, 0};
  AssertCapture asserts;
  for (auto [offset, count] : std::vector<std::pair<int, int>>{
           {std::numeric_limits<int>::max() - 1, 2}, {std::numeric_limits<int>::max(), 1},
           {-1, 2}, {CMeasurement::kMaxPointsCount, 1}}) {
    asserts.Clear();
    v.vm.CallbackData(&rig[L"S11"], offset, count, x, y, z);  // as a source would, unchecked
    EXPECT_TRUE(asserts.Saw("Cnt + Offset <= Size")) << offset;
  }
  EXPECT_TRUE(v.blocks.empty());

  // The channel still assembles ordinary sweeps afterwards.
  asserts.Clear();
  FeedS(rig, {SPoint{Complex(0.2, 0), Complex(0.5, 0), Complex(0.5, 0), Complex(0.2, 0)}});
  EXPECT_EQ(v.blocks, (Blocks{{0, 1}}));
  EXPECT_EQ(asserts.Count(), 0u);
}
