// The display-format package "QUANTITY", loaded from diagram_plugins/ and driven the way a
// trace drives it: blocks in new[] buffers through ProcessDataEx, the trace's quantity and
// plot kind read back from a fake trace.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "core/PluginManager.h"
#include "filters/Filter.h"
#include "filters/PropertiesList.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/FakeTrace.h"

namespace {

using cplx = std::complex<double>;
constexpr double kNaN = NAN;
constexpr double kInf = INFINITY;
constexpr double kPi = std::numbers::pi;

// A trace whose source quantity and channel are fields of their own.
class QuantityTrace : public FakeTrace {
 public:
  std::wstring source = L"Cmplx";
  CMeasurement channel;
  std::wstring GetSrcQuantity(EDataValueType t) const override {
    return t == vtResponse ? source : std::wstring();
  }
  MeasurementInterface* Measurement() const override { return const_cast<CMeasurement*>(&channel); }
};

// The package's filters, destroyed through the factory that made them.
class Package {
 public:
  Package() : factory_(L"FILTER", (std::wstring(L"" PLOTVANE_PLUGIN_DIR) + L"/Filter*.so").c_str()) {
    for (int i = 0; i < factory_.Count(); ++i)
      if (factory_.GetName(i) == L"QUANTITY") index_ = i;
  }
  ~Package() {
    for (void* p : objects_) factory_.DestroyInstance(p);
  }
  CDynamicFilter* Create(TraceInterface* trace) {
    void* object = nullptr;
    if (index_ < 0 || factory_.CreateInstance(object, index_) != 0) return nullptr;
    objects_.push_back(object);
    auto* filter = dynamic_cast<CDynamicFilter*>(static_cast<CFilter*>(object));
    if (filter != nullptr) filter->SetTrace(trace);
    return filter;
  }
  int index_ = -1;
  CModulesFactory factory_;
  std::vector<void*> objects_;
};

struct Block {
  int offset = 0, count = 0;
  bool replaced = false;  // the filter handed back arrays of its own
  std::vector<double> x, y, z;
};

// Points [offset, offset + count) of a sweep (im empty: no second component) in fresh
// new[] buffers, released after the call through whatever the references then hold.
Block Feed(CDynamicFilter* f, const std::vector<double>& x, const std::vector<double>& re,
           const std::vector<double>& im, int offset, int count, const wchar_t* source = L"Cmplx") {
  CPropertiesList properties;
  properties.SetText(L"response_quantity", source);
  auto buffer = [&](const std::vector<double>& v) {
    return v.empty() ? nullptr : std::copy_n(v.begin() + offset, count, new double[count]) - count;
  };
  double *px = buffer(x), *py = buffer(re), *pz = buffer(im), *original = py;
  bool changed = false;
  int size = static_cast<int>(x.size());
  Block b;
  b.offset = offset, b.count = count;
  f->ProcessDataEx(changed, b.offset, b.count, size, px, py, pz, &properties);
  b.replaced = py != original;
  b.x.assign(px, px + b.count), b.y.assign(py, py + b.count);
  if (pz) b.z.assign(pz, pz + b.count);
  delete[] px, delete[] py, delete[] pz;
  return b;
}

void ExpectClose(double actual, double expected, const char* what) {
  if (std::isnan(expected))
    EXPECT_TRUE(std::isnan(actual)) << what << ": " << actual;
  else if (std::isinf(expected))
    EXPECT_EQ(actual, expected) << what;
  else
    EXPECT_NEAR(actual, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << what;
}

bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// numpy.unwrap and numpy.gradient (edge_order 1), written out as numpy does them.
std::vector<double> NumpyUnwrap(const std::vector<double>& p, double period) {
  std::vector<double> out = p;
  double correction = 0;
  for (size_t i = 1; i < p.size(); ++i) {
    const double d = p[i] - p[i - 1];
    double dd = std::fmod(d + period / 2, period);
    if (dd < 0) dd += period;
    dd -= period / 2;
    if (dd == -period / 2 && d > 0) dd = period / 2;
    if (std::fabs(d) >= period / 2) correction += dd - d;
    out[i] = p[i] + correction;
  }
  return out;
}

std::vector<double> NumpyGradient(const std::vector<double>& f, const std::vector<double>& x) {
  const size_t n = f.size();
  std::vector<double> g(n);
  for (size_t i = 1; i + 1 < n; ++i) {
    const double hd = x[i] - x[i - 1], hs = x[i + 1] - x[i];
    g[i] = (hd * hd * f[i + 1] + (hs * hs - hd * hd) * f[i] - hs * hs * f[i - 1]) / (hs * hd * (hd + hs));
  }
  g[0] = (f[1] - f[0]) / (x[1] - x[0]);
  g[n - 1] = (f[n - 1] - f[n - 2]) / (x[n - 1] - x[n - 2]);
  return g;
}

}  // namespace

TEST(FilterQuantity, LoadsEnabledAndPicksTheNaturalFormatOfItsSource) {
  Package package;
  ASSERT_GE(package.index_, 0);
  EXPECT_EQ(package.factory_.GetType(package.index_), L"FILTER");
  QuantityTrace trace;
  const std::vector<double> none;

  struct Case {
    const wchar_t* source;
    double in, out;
    const wchar_t* mode;
    const wchar_t* quantity;
  };
  for (const Case& c : {Case{L"mW/tms", 0.001, -30.0, L"12", L"dBm"}, Case{L"dBm", -10.0, -10.0, L"14", L"dBm"},
                        Case{L"dBc/Hz", -80.0, -80.0, L"0", L""}}) {
    CDynamicFilter* f = package.Create(&trace);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->GetEnabled());
    trace.quantity[vtResponse] = L"before";
    const Block b = Feed(f, {1.0}, {c.in}, none, 0, 1, c.source);
    EXPECT_DOUBLE_EQ(b.y[0], c.out) << c.source;
    EXPECT_EQ(f->GetParameter(L"mode"), c.mode) << c.source;
    EXPECT_EQ(trace.quantity[vtResponse], c.quantity) << c.source;  // "": as delivered
    EXPECT_EQ(f->GetStatusLine(), c.quantity) << c.source;
  }
}

TEST(FilterQuantity, EveryFormatAgreesWithItsDefinitionAndUndefinedPointsAreNaN) {
  Package package;
  QuantityTrace trace;
  trace.channel.SetParameter(L"impedance", L"75");
  CDynamicFilter* f = package.Create(&trace);
  ASSERT_NE(f, nullptr);
  const double z0 = 75;

  // Ordinary points, then zero, NaN, infinity, the open, the short (with −0 imaginary part:
  // the phase is +180, not −180) and a point outside the unit circle.
  const std::vector<cplx> g = {{0.3, 0.4}, {-0.5, 0.1}, {0.02, -0.7}, {-0.9, -0.05}, {1e-3, 2e-3},
                               {0, 0},     {kNaN, 0},   {kInf, 0},    {1, 0},        {-1, -0.0},
                               {2, 0}};
  std::vector<double> x, re, im;
  for (size_t i = 0; i < g.size(); ++i) x.push_back(1e9 + 1e6 * i), re.push_back(g[i].real()), im.push_back(g[i].imag());
  auto defined = [](cplx v) { return std::isfinite(v.real()) && std::isfinite(v.imag()); };
  auto expect = [&](int mode, cplx v) -> cplx {
    if (!defined(v)) return {kNaN, kNaN};
    const double m = std::abs(v);
    switch (mode) {
      case 0: return m > 0 ? 20 * std::log10(m) : kNaN;
      case 1: return m;
      case 2: return m > 0 ? (v == cplx(-1) ? 180.0 : std::arg(v) * 180 / kPi) : kNaN;
      case 5: return m >= 1 ? kInf : (1 + m) / (1 - m);
      case 10: return v == cplx(1) ? cplx(kNaN, kNaN) : z0 * (1.0 + v) / (1.0 - v);
      case 11: return v == cplx(-1) ? cplx(kNaN, kNaN) : (1.0 - v) / (z0 * (1.0 + v));
      default: return v;
    }
  };
  for (int mode : {0, 1, 2, 5, 6, 7, 8, 9, 10, 11}) {
    f->SetParameter(L"mode", std::to_wstring(mode).c_str());
    const Block b = Feed(f, x, re, im, 0, static_cast<int>(x.size()));
    EXPECT_FALSE(b.replaced);
    for (size_t i = 0; i < g.size(); ++i) {
      const cplx e = expect(mode, g[i]);
      const std::string what = "mode " + std::to_string(mode) + " point " + std::to_string(i);
      if (mode >= 6 && mode <= 9) {  // components are passed on as they are
        EXPECT_TRUE(Same(b.y[i], mode == 7 ? im[i] : re[i])) << what;
        EXPECT_TRUE(Same(b.z[i], im[i])) << what;
      } else {
        ExpectClose(b.y[i], e.real(), what.c_str());
        if (mode >= 10) ExpectClose(b.z[i], e.imag(), what.c_str());
      }
    }
  }

  // An impedance that is no number falls back to 50 ohms once the channel announces it.
  trace.channel.SetParameter(L"impedance", L"abc");
  bool reprocess = false;
  f->SetParameter(L"mode", L"10");
  f->MeasurementChanged(reprocess, mpParameter);
  EXPECT_TRUE(reprocess);
  EXPECT_DOUBLE_EQ(Feed(f, {1}, {0.0}, {0.0}, 0, 1).y[0], 50.0);

  // Levels in dBm: power, RMS voltage across 50 ohms and its level in dBµV.
  const std::vector<double> dbm = {-10, 0, 13};
  Feed(f, {1, 2, 3}, dbm, {}, 0, 3, L"dBm");
  for (int mode : {15, 16, 17}) {
    f->SetParameter(L"mode", std::to_wstring(mode).c_str());
    const Block b = Feed(f, {1, 2, 3}, dbm, {}, 0, 3, L"dBm");
    for (int i = 0; i < 3; ++i) {
      const double mw = std::pow(10.0, dbm[i] / 10), volts = std::sqrt(mw / 1000 * 50);
      ExpectClose(b.y[i], mode == 15 ? mw : mode == 17 ? volts : 20 * std::log10(volts / 1e-6), "dBm");
    }
  }
  // The history views keep the levels and draw in their own plot; back to a line format,
  // the trace leaves it.
  for (const auto& [mode, plot] : {std::pair{L"18", plSpectrogram}, {L"19", plWaterfall}, {L"20", plHeatMap}}) {
    f->SetParameter(L"mode", mode);
    EXPECT_EQ(trace.plot, plot);
    EXPECT_EQ(Feed(f, {1, 2, 3}, dbm, {}, 0, 3, L"dBm").y[2], 13.0);
  }
  EXPECT_EQ(trace.quantity[vtResponse], L"SGramHM");
  f->SetParameter(L"mode", L"15");
  EXPECT_EQ(trace.plot, plRect);
}

TEST(FilterQuantity, UnwrappedPhaseAndGroupDelayAreContinuousAcrossBlocks) {
  Package package;
  QuantityTrace trace;
  CDynamicFilter* f = package.Create(&trace);
  ASSERT_NE(f, nullptr);

  // A 5 ns line with a ripple over an unevenly spaced stimulus: the phase wraps several times.
  const int n = 23;
  std::vector<double> x(n), re(n), im(n), wrapped(n), wrappedDeg(n);
  for (int i = 0; i < n; ++i) {
    x[i] = 1e9 + 1e7 * i + 3e5 * i * i;
    const double phase = -2 * kPi * x[i] * 5e-9 + 0.2 * std::sin(0.7 * i), mag = 0.5 + 0.01 * i;
    re[i] = mag * std::cos(phase), im[i] = mag * std::sin(phase);
    wrapped[i] = std::atan2(im[i], re[i]), wrappedDeg[i] = wrapped[i] * 180 / kPi;
  }
  const std::vector<double> unwrappedDeg = NumpyUnwrap(wrappedDeg, 360);
  std::vector<double> delay = NumpyGradient(NumpyUnwrap(wrapped, 2 * kPi), x);
  for (double& d : delay) d = -d / (2 * kPi) * 1e9;
  ASSERT_GT(unwrappedDeg.front() - unwrappedDeg.back(), 600);

  const std::vector<std::vector<int>> splits = {{23}, {5, 1, 9, 8}, {1, 22}, {22, 1}};
  for (int mode : {3, 4}) {
    f->SetParameter(L"mode", std::to_wstring(mode).c_str());
    for (const auto& split : splits) {
      std::vector<double> got(n, kNaN);
      std::vector<int> seen(n, 0);
      int offset = 0;
      for (int count : split) {
        const Block b = Feed(f, x, re, im, offset, count);
        // Only the block that completes a sweep of several blocks may grow (by the held-back point).
        EXPECT_EQ(b.replaced, mode == 4 && offset + count == n && count < n);
        for (int k = 0; k < b.count; ++k) {
          got[b.offset + k] = b.y[k];
          ++seen[b.offset + k];
          EXPECT_EQ(b.x[k], x[b.offset + k]);
        }
        offset += count;
      }
      for (int i = 0; i < n; ++i) {
        EXPECT_EQ(seen[i], 1) << "point " << i;
        ExpectClose(got[i], mode == 3 ? unwrappedDeg[i] : delay[i], mode == 3 ? "unwrapped" : "delay");
      }
    }
  }

  // A sweep of one point has no delay.
  EXPECT_TRUE(std::isnan(Feed(f, {1e9}, {1}, {0}, 0, 1).y[0]));
}

TEST(FilterQuantity, PlotModeFallbackPersistenceAssignAndChannelChanges) {
  Package package;
  QuantityTrace trace;
  CDynamicFilter* f = package.Create(&trace);
  ASSERT_NE(f, nullptr);
  Feed(f, {1}, {0.5}, {0.5}, 0, 1);
  // Smith and polar switch the plot kind; leaving them returns to the rectangular plot.
  f->SetParameter(L"mode", L"8");
  EXPECT_EQ(trace.plot, plSmith);
  EXPECT_EQ(trace.quantity[vtResponse], L"Smith");
  f->SetParameter(L"mode", L"9");
  EXPECT_EQ(trace.plot, plPolar);
  f->SetParameter(L"mode", L"5");
  EXPECT_EQ(trace.plot, plRect);
  EXPECT_EQ(f->GetStatusLine(), L"VSWR");
  // Disabled, the data are shown as delivered.
  f->SetParameter(L"mode", L"8");
  f->SetEnabled(false);
  EXPECT_EQ(trace.plot, plRect);
  EXPECT_EQ(trace.quantity[vtResponse], L"");
  EXPECT_EQ(f->GetStatusLine(), L"");
  EXPECT_DOUBLE_EQ(Feed(f, {1}, {0.5}, {0.5}, 0, 1).y[0], 0.5);
  f->SetEnabled(true);

  {
    LogCapture log;
    f->SetParameter(L"mode", L"25");
    EXPECT_TRUE(log.Saw(L"Filter", L"\"25\""));
    f->SetParameter(L"mode", L"4");
    f->SetParameter(L"mode", L"abc");
    EXPECT_TRUE(log.Saw(L"Filter", L"\"abc\""));
    f->SetParameter(L"mode", L"12");  // a row, but for linear power
    EXPECT_TRUE(log.Saw(L"Filter", L"\"12\""));
    EXPECT_EQ(f->GetParameter(L"mode"), L"0");
  }

  // Serialize/Deserialize round trip, an out-of-table mode in a file, the enabled flag.
  f->SetParameter(L"mode", L"4");
  pugi::xml_document doc;
  pugi::xml_node element = doc.append_child("filter");
  f->Serialize(element, "quantity");
  CDynamicFilter* g = package.Create(&trace);
  g->SetEnabled(false);
  g->Deserialize(element, "quantity");
  EXPECT_EQ(g->GetParameter(L"mode"), L"4");
  EXPECT_TRUE(g->GetEnabled());
  element.child("quantity").attribute("mode").set_value("99");
  element.child("quantity").attribute("enabled").set_value("false");
  {
    LogCapture log;
    g->Deserialize(element, "quantity");
    EXPECT_TRUE(log.Saw(L"Filter", L"\"99\""));
  }
  EXPECT_EQ(g->GetParameter(L"mode"), L"0");
  EXPECT_FALSE(g->GetEnabled());
  g->Assign(f);
  EXPECT_EQ(g->GetParameter(L"mode"), L"4");

  // A new response quantity re-chooses the format and asks for the data again.
  bool reprocess = false;
  f->MeasurementChanged(reprocess, mpName);
  EXPECT_FALSE(reprocess);
  trace.source = L"dBm";
  f->MeasurementChanged(reprocess, mpResponseQuantity);
  EXPECT_TRUE(reprocess);
  EXPECT_EQ(f->GetParameter(L"mode"), L"14");
  EXPECT_EQ(trace.quantity[vtResponse], L"dBm");
  trace.source = L"Cmplx";
  f->MeasurementChanged(reprocess, mpAttached);
  EXPECT_EQ(f->GetParameter(L"mode"), L"0");
}
