// AddData passes the host's arrays through: delivering a block to subscribers must cost about
// what calling their callbacks directly costs, whatever the block size. With the stimulus
// hidden, the only extra work is filling the reused buffer of point numbers.
#include <vector>

#include "BenchTarget.h"
#include "measurements/Measurement.h"
#include "measurements/MeasurementSubscriber.h"

namespace {

constexpr int kSubscribers = 10;

// Reads the first point of every block, as a cheap display would.
class CFirstPointReader : public CMeasurementSubscriber {
 public:
  double sum = 0;
  int done = 0;
  void CallbackData(CMeasurement*, int, int count, const double* x, const double* y, const double*) override {
    if (count > 0) sum += x[0] + (y != nullptr ? y[0] : 0.0);
  }
  void CallbackDataDone(CMeasurement*) override { ++done; }
};

struct Setup {
  CMeasurement channel;
  std::vector<CFirstPointReader> readers;
  std::vector<double> x, y, z;

  Setup(int points, int subscribers) : readers(subscribers), x(points), y(points), z(points) {
    for (int i = 0; i < points; ++i) x[i] = 1e6 + i;
    channel.SetPointsCount(points);
    for (CFirstPointReader& r : readers) r.AddMeasurement(&channel);
  }
};

void BM_AddData(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  Setup s(points, kSubscribers);
  for (auto _ : state) {
    s.channel.AddData(0, points, s.x.data(), s.y.data(), s.z.data());
  }
  benchmark::DoNotOptimize(s.readers[0].sum);
}

// The same callbacks on the same objects, called through the base class as the channel does.
void BM_DirectCallbacks(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  Setup s(points, kSubscribers);
  std::vector<CMeasurementSubscriber*> subscribers;
  for (CFirstPointReader& r : s.readers) subscribers.push_back(&r);
  benchmark::DoNotOptimize(subscribers.data());
  CMeasurement* m = &s.channel;
  for (auto _ : state) {
    for (CMeasurementSubscriber* sub : subscribers) sub->CallbackData(m, 0, points, s.x.data(), s.y.data(), s.z.data());
    for (CMeasurementSubscriber* sub : subscribers) sub->CallbackDataDone(m);
  }
  benchmark::DoNotOptimize(s.readers[0].sum);
}

void BM_AddDataHiddenStimulus(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  Setup s(points, 1);
  s.channel.HideStimulus(true);
  for (auto _ : state) {
    s.channel.AddData(0, points, s.x.data(), s.y.data(), nullptr);
  }
  benchmark::DoNotOptimize(s.readers[0].sum);
}

// Filling an array of the same size with the same point numbers.
void BM_PlainFill(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  std::vector<double> numbers(points);
  for (auto _ : state) {
    double* out = numbers.data();
    benchmark::DoNotOptimize(out);
    const double first = 1.0;
    for (int i = 0; i < points; ++i) out[i] = first + i;
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_AddData)->Arg(1001)->Arg(100001)->Arg(1000001);
BENCHMARK(BM_DirectCallbacks)->Arg(1001)->Arg(100001)->Arg(1000001);
BENCHMARK(BM_AddDataHiddenStimulus)->Arg(100001)->Arg(1000001);
BENCHMARK(BM_PlainFill)->Arg(100001)->Arg(1000001);

PVBENCH_MAIN({
    {"add_data_1001", "BM_AddData/1001", "BM_DirectCallbacks/1001", 2.0},
    {"add_data_100001", "BM_AddData/100001", "BM_DirectCallbacks/100001", 2.0},
    {"add_data_1000001", "BM_AddData/1000001", "BM_DirectCallbacks/1000001", 2.0},
    // Arrays are passed through: a thousand times more points, the same cost.
    {"add_data_size_independent", "BM_AddData/1000001", "BM_AddData/1001", 2.0},
    {"hidden_stimulus_100001", "BM_AddDataHiddenStimulus/100001", "BM_PlainFill/100001", 2.0},
    {"hidden_stimulus_1000001", "BM_AddDataHiddenStimulus/1000001", "BM_PlainFill/1000001", 2.0},
})
