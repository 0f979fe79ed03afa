// The spectrogram of a 1000-sweep history of 100,001 points drawn at 1600 × 900:
// - a new sweep: the incremental update (scroll one row, draw it, hand the image over)
//   against one decimation pass over the new sweep plus moving the image rows;
// - a full re-render against one read pass over the whole history (the highest level of
//   every pixel column, sweep by sweep);
// - the memory both histories (displayed and source) hold per stored point.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "BenchTarget.h"
#include "series/DrawSpectrumThread.h"
#include "series/SpectrumRender.h"
#include "series/SpectrumSeries.h"
#include "series/SpectrumStorage.h"

namespace {

constexpr int kPoints = 100'001;
constexpr int kSweeps = 1000;
constexpr int kWidth = 1600;
constexpr int kHeight = 900;

struct SSweeps {
  std::vector<double> x, y[4];
  SSweeps() : x(kPoints) {
    for (int i = 0; i < kPoints; ++i) x[static_cast<std::size_t>(i)] = 1e9 + 1e4 * i;
    for (int k = 0; k < 4; ++k) {
      y[k].resize(kPoints);
      for (int i = 0; i < kPoints; ++i)
        y[k][static_cast<std::size_t>(i)] = -95.0 + ((i * 13 + k * 7) % 17) * 0.5 + ((i + k * 997) % 20011 == 0 ? 60 : 0);
    }
  }
};

const SSweeps& Sweeps() {
  static const SSweeps sweeps;
  return sweeps;
}

CStorage& History() {
  static CStorage* storage = [] {
    auto* s = new CStorage;
    s->SetSize(kPoints);
    for (int k = 0; k < kSweeps; ++k) s->AddArray(0, kPoints, Sweeps().y[k % 4].data(), Sweeps().x.data());
    return s;
  }();
  return *storage;
}

SSpectrumView View() {
  SSpectrumView v;
  v.width = kWidth;
  v.height = kHeight;
  v.min = -100;
  v.max = 0;
  v.stimStart = Sweeps().x.front();
  v.stimStop = Sweeps().x.back();
  return v;
}

// First point of each of kWidth columns, as any decimating reader needs.
std::vector<int> Spans() {
  std::vector<int> start(kWidth + 1);
  for (int c = 0; c <= kWidth; ++c) start[static_cast<std::size_t>(c)] = static_cast<int>((static_cast<long long>(c) * kPoints + kWidth - 1) / kWidth);
  return start;
}

void ColumnMaxima(const float* v, const std::vector<int>& start, float* out) {
  for (int c = 0; c < kWidth; ++c) {
    float m = -std::numeric_limits<float>::infinity();
    for (int i = start[static_cast<std::size_t>(c)]; i < start[static_cast<std::size_t>(c) + 1]; ++i) m = v[i] > m ? v[i] : m;
    out[c] = m;
  }
}

void BM_SpectrogramNewSweep(benchmark::State& state) {
  CStorage& history = History();
  CDrawSpectrumThread thread(history);  // not started: renders on this thread
  thread.SetView(View());
  thread.RenderOnce();
  int k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    history.AddArray(0, kPoints, Sweeps().y[k++ % 4].data(), Sweeps().x.data());
    state.ResumeTiming();
    if (thread.RenderOnce() != CSpectrumRenderer::rrIncremental) state.SkipWithError("not incremental");
    benchmark::DoNotOptimize(thread.TakeImage());
  }
}

void BM_DecimateSweepAndMoveRows(benchmark::State& state) {
  const CStorage& history = History();
  const std::vector<int> start = Spans();
  std::vector<float> maxima(kWidth);
  std::vector<TRGBA> image(static_cast<std::size_t>(kWidth) * kHeight, 1);
  for (auto _ : state) {
    std::memmove(image.data() + kWidth, image.data(), sizeof(TRGBA) * kWidth * (kHeight - 1));
    ColumnMaxima(history.LevelData(history.GetLevelCount() - 1), start, maxima.data());
    benchmark::DoNotOptimize(maxima.data());
    benchmark::DoNotOptimize(image.data());
  }
}

void BM_SpectrogramFullRender(benchmark::State& state) {
  const CStorage& history = History();
  CSpectrumRenderer renderer;
  CColorMap colors;
  for (auto _ : state) {
    renderer.Render(history, View(), colors, true);
    benchmark::DoNotOptimize(renderer.Image().Data());
  }
}

void BM_ReadPassOverHistory(benchmark::State& state) {
  const CStorage& history = History();
  const std::vector<int> start = Spans();
  std::vector<float> maxima(kWidth);
  for (auto _ : state) {
    for (int l = 0; l < history.GetLevelCount(); ++l) {
      ColumnMaxima(history.LevelData(l), start, maxima.data());
      benchmark::DoNotOptimize(maxima.data());
    }
  }
}

double ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Both histories as a trace feeds them, measured as the growth of resident memory.
void BM_SpectrumBytesPerPoint(benchmark::State& state) {
  const SSweeps& sweeps = Sweeps();
  for (auto _ : state) {
    const double before = ResidentBytes();
    auto series = std::make_unique<TQuorSpectrumSeries>();
    CSpectrumStorage& s = series->Storage();
    s.SetSize(kPoints);
    s.SetSrcSize(kPoints);
    for (int k = 0; k < kSweeps; ++k) {
      s.AddArray(0, kPoints, sweeps.y[k % 4].data(), sweeps.x.data());
      s.AddSrcArray(0, kPoints, sweeps.y[k % 4].data(), sweeps.x.data());
    }
    const double perPoint = (ResidentBytes() - before) / (static_cast<double>(kPoints) * kSweeps);
    state.SetIterationTime(perPoint * 1e-9);  // reads as nanoseconds: bytes per point
  }
}

}  // namespace

BENCHMARK(BM_SpectrumBytesPerPoint)->UseManualTime()->Iterations(1);
BENCHMARK(BM_SpectrogramNewSweep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecimateSweepAndMoveRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpectrogramFullRender)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPassOverHistory)->Unit(benchmark::kMillisecond);

PVBENCH_MAIN({{"spectrogram_new_sweep_100001x1000_at_1600x900", "BM_SpectrogramNewSweep",
               "BM_DecimateSweepAndMoveRows", 3, 1, "us"},
              {"spectrogram_full_render_100001x1000_at_1600x900", "BM_SpectrogramFullRender", "BM_ReadPassOverHistory",
               2, 1, "ms"}},
             {{"spectrum_bytes_per_point_100001x1000", "BM_SpectrumBytesPerPoint/iterations:1/manual_time", 12, 1, "B"}})
