// A virtual channel on four S-parameter channels: one round of AddData on the four sources,
// with the virtual channel assembling the points, computing them and delivering them to a
// subscriber, must cost little more than the arithmetic itself done in a plain loop over
// preallocated arrays.
#include <complex>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "measurements/Measurement.h"
#include "measurements/MeasurementSubscriber.h"
#include "measurements/VirtualMeasurement.h"

namespace {

using Complex = std::complex<double>;
constexpr int kPoints = 10001;
const wchar_t* const kSources[] = {L"S11", L"S21", L"S12", L"S22"};

// Reads the first point of every block, as a cheap display would.
class CFirstPointReader : public CMeasurementSubscriber {
 public:
  double sum = 0;
  void CallbackData(CMeasurement*, int, int count, const double*, const double* y, const double*) override {
    if (count > 0) sum += y[0];
  }
};

// Sweep data of the four channels: x, and the real and imaginary parts.
struct SData {
  std::vector<double> x = std::vector<double>(kPoints);
  std::vector<double> re[4], im[4];
  SData() {
    for (int i = 0; i < kPoints; ++i) x[i] = 1e6 + i;
    for (int k = 0; k < 4; ++k) {
      re[k].resize(kPoints);
      im[k].resize(kPoints);
      for (int i = 0; i < kPoints; ++i) {
        const Complex s = std::polar(0.2 + 0.1 * k + 1e-5 * i, 0.001 * i * (k + 1));
        re[k][i] = s.real();
        im[k][i] = s.imag();
      }
    }
  }
};

void BM_VirtualChannel(benchmark::State& state, const wchar_t* name) {
  SData d;
  std::map<std::wstring, std::unique_ptr<CMeasurement>> channels;
  for (const wchar_t* n : kSources) {
    auto& m = channels[n] = std::make_unique<CMeasurement>();
    m->SetName(n);
    m->SetPointsCount(kPoints);
    m->SetParameter(L"reference_impedance_re_port1", L"50");
    m->SetParameter(L"reference_impedance_im_port1", L"5");
  }
  CVirtualMeasurement vm(name, [&](const std::wstring& n) { return channels.at(n).get(); });
  CFirstPointReader reader;
  reader.AddMeasurement(&vm);
  for (auto _ : state) {
    for (int k = 0; k < 4; ++k) {
      channels[kSources[k]]->AddData(0, kPoints, d.x.data(), d.re[k].data(), d.im[k].data());
    }
  }
  benchmark::DoNotOptimize(reader.sum);
}

// The same arithmetic on the same data straight into preallocated arrays (Z11 with complex
// reference impedances; see CVirtualMeasurement::Compute).
void BM_PlainZ11(benchmark::State& state) {
  SData d;
  std::vector<double> outY(kPoints), outZ(kPoints);
  const Complex one(1.0, 0.0), z1(50.0, 5.0), z1c = std::conj(z1);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) {
      const Complex s11(d.re[0][i], d.im[0][i]), s21(d.re[1][i], d.im[1][i]);
      const Complex s12(d.re[2][i], d.im[2][i]), s22(d.re[3][i], d.im[3][i]);
      const Complex cross = s12 * s21;
      const Complex det = (one - s11) * (one - s22) - cross;
      const Complex v = ((one - s22) * (s11 * z1 + z1c) + cross * z1) / det;
      outY[i] = v.real();
      outZ[i] = v.imag();
    }
    benchmark::DoNotOptimize(outY.data());
    benchmark::DoNotOptimize(outZ.data());
    benchmark::ClobberMemory();
  }
}

void BM_PlainK(benchmark::State& state) {
  SData d;
  std::vector<double> outY(kPoints);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) {
      const Complex s11(d.re[0][i], d.im[0][i]), s21(d.re[1][i], d.im[1][i]);
      const Complex s12(d.re[2][i], d.im[2][i]), s22(d.re[3][i], d.im[3][i]);
      const Complex delta = s11 * s22 - s12 * s21;
      outY[i] = (1.0 - std::norm(s11) - std::norm(s22) + std::norm(delta)) / (2.0 * std::abs(s12 * s21));
    }
    benchmark::DoNotOptimize(outY.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK_CAPTURE(BM_VirtualChannel, Z11, L"Z11");
BENCHMARK_CAPTURE(BM_VirtualChannel, Y21, L"Y21");
BENCHMARK_CAPTURE(BM_VirtualChannel, K, L"K");
BENCHMARK(BM_PlainZ11);
BENCHMARK(BM_PlainK);

PVBENCH_MAIN({
    {"virtual_z11_10001", "BM_VirtualChannel/Z11", "BM_PlainZ11", 3.0},
    {"virtual_y21_10001", "BM_VirtualChannel/Y21", "BM_PlainZ11", 0},
    {"virtual_k_10001", "BM_VirtualChannel/K", "BM_PlainK", 0},
})
