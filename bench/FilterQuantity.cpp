// The display-format filter converts a sweep in place: a 100,001-point complex sweep in log
// magnitude and in group delay must cost about what a plain loop computing the same numbers
// into a preallocated array costs; the whole way from the channel's AddData through a data
// trace with the filter package into its series at most twice that. Writing and reading a
// trace element with five filters is reported per trace.
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include <pugixml.hpp>

#include "BenchTarget.h"
#include "QuantityFilter.h"
#include "core/PluginManager.h"
#include "filters/PropertiesList.h"
#include "measurements/Measurement.h"
#include "traces/TraceData.h"

namespace {

constexpr int kPoints = 100001;
constexpr double kPi = std::numbers::pi;

// A 10 ns line with some loss over 1–2 GHz: the phase turns ten times.
struct Sweep {
  std::vector<double> x, re, im;
  Sweep() : x(kPoints), re(kPoints), im(kPoints) {
    for (int i = 0; i < kPoints; ++i) {
      x[i] = 1e9 + 1e4 * i;
      const double phase = -2 * kPi * x[i] * 10e-9, mag = 0.9 - 0.3 * i / kPoints;
      re[i] = mag * std::cos(phase);
      im[i] = mag * std::sin(phase);
    }
  }
};

// The filter as a trace calls it: the whole sweep in one block of new[] buffers, refilled
// (outside the timing) before every run since the conversion is in place.
void RunFilter(benchmark::State& state, const wchar_t* mode) {
  const Sweep s;
  CQuantityFilter filter;
  filter.SetParameter(L"mode", mode);
  CPropertiesList properties;
  properties.SetText(L"response_quantity", L"Cmplx");
  double* x = new double[kPoints];
  double* y = new double[kPoints];
  double* z = new double[kPoints];
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(s.x.begin(), s.x.end(), x);
    std::copy(s.re.begin(), s.re.end(), y);
    std::copy(s.im.begin(), s.im.end(), z);
    state.ResumeTiming();
    bool changed = false;
    int offset = 0, count = kPoints, size = kPoints;
    filter.ProcessDataEx(changed, offset, count, size, x, y, z, &properties);
    benchmark::DoNotOptimize(y);
    benchmark::ClobberMemory();
  }
  delete[] x;
  delete[] y;
  delete[] z;
}

void BM_FilterLogMagnitude(benchmark::State& state) { RunFilter(state, L"0"); }
void BM_FilterGroupDelay(benchmark::State& state) { RunFilter(state, L"4"); }

void BM_PlainLogMagnitude(benchmark::State& state) {
  const Sweep s;
  std::vector<double> out(kPoints);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) out[i] = 20 * std::log10(std::hypot(s.re[i], s.im[i]));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// Unwrap, then numpy's gradient over the stimulus, scaled to nanoseconds.
void BM_PlainGroupDelay(benchmark::State& state) {
  const Sweep s;
  std::vector<double> phase(kPoints), out(kPoints);
  const double scale = -1e9 / (2 * kPi);
  for (auto _ : state) {
    double last = std::atan2(s.im[0], s.re[0]), turns = 0;
    phase[0] = last;
    for (int i = 1; i < kPoints; ++i) {
      const double w = std::atan2(s.im[i], s.re[i]);
      if (w - last > kPi)
        turns -= 2 * kPi;
      else if (w - last < -kPi)
        turns += 2 * kPi;
      last = w;
      phase[i] = w + turns;
    }
    const double* f = phase.data();
    const double* x = s.x.data();
    out[0] = (f[1] - f[0]) / (x[1] - x[0]) * scale;
    for (int i = 1; i + 1 < kPoints; ++i) {
      const double hd = x[i] - x[i - 1], hs = x[i + 1] - x[i];
      out[i] = (hd * hd * f[i + 1] + (hs * hs - hd * hd) * f[i] - hs * hs * f[i - 1]) / (hs * hd * (hd + hs)) * scale;
    }
    out[kPoints - 1] = (f[kPoints - 1] - f[kPoints - 2]) / (x[kPoints - 1] - x[kPoints - 2]) * scale;
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// A channel feeding a free-standing data trace that loaded the real package.
struct Pipeline {
  Sweep s;
  CModulesFactory factory{L"FILTER", L"" PLOTVANE_PLUGIN_DIR "/FilterQuantity.so"};
  CMeasurement channel;
  CTraceData trace{nullptr};
  explicit Pipeline(const wchar_t* mode, const wchar_t* filters = L"QUANTITY") {
    channel.SetStimulusQuantity(L"Hz");
    channel.SetResponseQuantity(L"Cmplx");
    channel.SetPointsCount(kPoints);
    channel.SetStimulusRange(s.x.front(), s.x.back(), true);
    trace.SetFilterFactory(&factory);
    trace.LoadFilters(filters);
    trace.SetMeasurement(&channel);
    for (unsigned i = 0; i < trace.GetFilterCount(); ++i) trace.GetFilter(i)->SetParameter(L"mode", mode);
    Feed();
  }
  void Feed() { channel.AddData(0, kPoints, s.x.data(), s.re.data(), s.im.data()); }
};

void RunPipeline(benchmark::State& state, const wchar_t* mode) {
  Pipeline p(mode);
  if (p.trace.GetFilterCount() != 1) state.SkipWithError("FilterQuantity package not found");
  for (auto _ : state) p.Feed();
  benchmark::DoNotOptimize(p.trace.Value(vtResponse, kPoints / 2));
}

void BM_PipelineLogMagnitude(benchmark::State& state) { RunPipeline(state, L"0"); }
void BM_PipelineGroupDelay(benchmark::State& state) { RunPipeline(state, L"4"); }

// Thirty traces on one channel, each showing the sweep in log magnitude: from AddData to the
// thirty display buffers.
constexpr int kTraces = 30;

struct ManyTraces {
  Sweep s;
  CModulesFactory factory{L"FILTER", L"" PLOTVANE_PLUGIN_DIR "/FilterQuantity.so"};
  CMeasurement channel;
  std::vector<std::unique_ptr<CTraceData>> traces;
  ManyTraces() {
    channel.SetStimulusQuantity(L"Hz");
    channel.SetResponseQuantity(L"Cmplx");
    channel.SetPointsCount(kPoints);
    channel.SetStimulusRange(s.x.front(), s.x.back(), true);
    for (int t = 0; t < kTraces; ++t) {
      auto trace = std::make_unique<CTraceData>(nullptr);
      trace->SetFilterFactory(&factory);
      trace->LoadFilters(L"QUANTITY");
      trace->SetMeasurement(&channel);
      if (trace->GetFilterCount() == 1) trace->GetFilter(0u)->SetParameter(L"mode", L"0");
      traces.push_back(std::move(trace));
    }
    Feed();
  }
  void Feed() { channel.AddData(0, kPoints, s.x.data(), s.re.data(), s.im.data()); }
};

void BM_Pipeline30TracesLogMagnitude(benchmark::State& state) {
  ManyTraces m;
  if (m.traces[0]->GetFilterCount() != 1) state.SkipWithError("FilterQuantity package not found");
  for (auto _ : state) m.Feed();
  benchmark::DoNotOptimize(m.traces.back()->Value(vtResponse, kPoints / 2));
}

// The bare loop per trace: copy the stimulus and convert the response into the trace's array.
void BM_Plain30TracesLogMagnitude(benchmark::State& state) {
  const Sweep s;
  std::vector<std::vector<double>> x(kTraces, std::vector<double>(kPoints)), y = x;
  for (auto _ : state) {
    for (int t = 0; t < kTraces; ++t) {
      double* ox = x[t].data();
      double* oy = y[t].data();
      std::copy(s.x.begin(), s.x.end(), ox);
      for (int i = 0; i < kPoints; ++i) oy[i] = 20 * std::log10(std::hypot(s.re[i], s.im[i]));
      benchmark::DoNotOptimize(oy);
    }
    benchmark::ClobberMemory();
  }
}

void BM_TraceElementFiveFilters(benchmark::State& state) {
  Pipeline p(L"0", L"QUANTITY|QUANTITY|QUANTITY|QUANTITY|QUANTITY");
  if (p.trace.GetFilterCount() != 5) state.SkipWithError("FilterQuantity package not found");
  for (auto _ : state) {
    pugi::xml_document doc;
    pugi::xml_node element = doc.append_child("trace");
    p.trace.Serialize(element);
    p.trace.Deserialize(element);
    benchmark::DoNotOptimize(element);
  }
}

}  // namespace

BENCHMARK(BM_PipelineLogMagnitude)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PipelineGroupDelay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TraceElementFiveFilters)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pipeline30TracesLogMagnitude)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plain30TracesLogMagnitude)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterLogMagnitude);
BENCHMARK(BM_PlainLogMagnitude);
BENCHMARK(BM_FilterGroupDelay);
BENCHMARK(BM_PlainGroupDelay);

PVBENCH_MAIN({
    {"log_magnitude_100001", "BM_FilterLogMagnitude", "BM_PlainLogMagnitude", 1.5, kPoints},
    {"group_delay_100001", "BM_FilterGroupDelay", "BM_PlainGroupDelay", 1.5, kPoints},
    {"add_data_log_magnitude_100001", "BM_PipelineLogMagnitude", "BM_PlainLogMagnitude", 2.0, 1, "us"},
    {"add_data_group_delay_100001", "BM_PipelineGroupDelay", "BM_PlainGroupDelay", 2.0, 1, "us"},
    {"add_data_30_traces_log_magnitude_100001", "BM_Pipeline30TracesLogMagnitude", "BM_Plain30TracesLogMagnitude",
     1.5, 1, "ms"},
}, {
    {"trace_element_5_filters", "BM_TraceElementFiveFilters", 0, 1, "us"},
})
