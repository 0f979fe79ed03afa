// Matrix files of a full spectrogram history (1001 levels × 2001 points, plus the stimulus row
// and time-stamp column as the spectrum series writes them), against writing and reading the
// very same bytes with fwrite/fread in the same run.
//
// Both sides of the save comparison end with fsync: a save that is to survive a power cut
// must reach the disk, so the baseline pays for it too and the ratio shows what formatting,
// the temporary file and the rename add on top.
// The read baseline reads the file into a fresh buffer of its size, as any reader of a file
// must hold it somewhere; that buffer's first touch (page faults) is part of the cost. Reading
// into an already touched buffer is reported too, as the bare copy from the page cache.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "BenchTarget.h"
#include "common/AtomicFile.h"
#include "common/Matrix.h"

namespace {

constexpr std::size_t kRows = 1001;
constexpr std::size_t kCols = 2001;

struct SFixture {
  std::filesystem::path dir;
  std::wstring matrixPath;
  std::string baselinePath;
  CDoubleMatrix matrix;
  std::string bytes;  // the text SaveCustomMatrixToFile writes for the matrix

  SFixture() : matrix(kRows, kCols) {
    dir = std::filesystem::temp_directory_path() / ("plotvane-bench-matrix-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    matrixPath = (dir / "spectrum.trs").wstring();
    baselinePath = (dir / "baseline.trs").string();

    // Levels in dBm with full double precision, stimulus in Hz, time stamps in ms.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> noise(-100.0, -20.0);
    matrix(0, 0) = 0;
    for (std::size_t c = 1; c < kCols; ++c) matrix(0, c) = 1e9 + static_cast<double>(c) * 1234.5678901;
    for (std::size_t r = 1; r < kRows; ++r) {
      matrix(r, 0) = 1.7e12 + static_cast<double>(r) * 100;
      for (std::size_t c = 1; c < kCols; ++c) matrix(r, c) = noise(random);
    }
    SaveCustomMatrixToFile(matrixPath, matrix);
    const SFileBytes file = ReadWholeFile((dir / "spectrum.trs").string());
    bytes.assign(file.data.get(), file.size);
  }
  ~SFixture() { std::filesystem::remove_all(dir); }
};

SFixture& Fixture() {
  static SFixture fixture;
  return fixture;
}

void BM_SaveCustomMatrixToFile(benchmark::State& state) {
  SFixture& f = Fixture();
  for (auto _ : state) {
    if (SaveCustomMatrixToFile(f.matrixPath, f.matrix) != mrOk) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}
BENCHMARK(BM_SaveCustomMatrixToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FwriteSameBytes(benchmark::State& state) {
  SFixture& f = Fixture();
  for (auto _ : state) {
    std::FILE* file = std::fopen(f.baselinePath.c_str(), "wb");
    if (file == nullptr) {
      state.SkipWithError("fopen failed");
      break;
    }
    std::fwrite(f.bytes.data(), 1, f.bytes.size(), file);
    std::fflush(file);
    ::fsync(::fileno(file));
    std::fclose(file);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}
BENCHMARK(BM_FwriteSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadCustomMatrixFromFile(benchmark::State& state) {
  SFixture& f = Fixture();
  SaveCustomMatrixToFile(f.matrixPath, f.matrix);
  for (auto _ : state) {
    CDoubleMatrix read;
    if (LoadCustomMatrixFromFile(f.matrixPath, read) != mrOk) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(read.Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}
BENCHMARK(BM_LoadCustomMatrixFromFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reads the same file into a fresh buffer of its size, as the loader must.
void BM_FreadSameBytes(benchmark::State& state) {
  SFixture& f = Fixture();
  const std::string path = (f.dir / "spectrum.trs").string();
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
      state.SkipWithError("fopen failed");
      break;
    }
    std::fseek(file, 0, SEEK_END);
    const auto size = static_cast<std::size_t>(std::ftell(file));
    std::fseek(file, 0, SEEK_SET);
    std::unique_ptr<char[]> buffer(new char[size]);
    const std::size_t read = std::fread(buffer.get(), 1, size, file);
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
    if (read != size) state.SkipWithError("short read");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}
BENCHMARK(BM_FreadSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FreadIntoWarmBuffer(benchmark::State& state) {
  SFixture& f = Fixture();
  const std::string path = (f.dir / "spectrum.trs").string();
  std::unique_ptr<char[]> buffer(new char[f.bytes.size()]);
  std::memset(buffer.get(), 0, f.bytes.size());
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
      state.SkipWithError("fopen failed");
      break;
    }
    const std::size_t read = std::fread(buffer.get(), 1, f.bytes.size(), file);
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
    if (read != f.bytes.size()) state.SkipWithError("short read");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes.size()));
}
BENCHMARK(BM_FreadIntoWarmBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

PVBENCH_MAIN({
    {"matrix_save", "BM_SaveCustomMatrixToFile/real_time", "BM_FwriteSameBytes/real_time", 4, 1, "ms"},
    {"matrix_load", "BM_LoadCustomMatrixFromFile/real_time", "BM_FreadSameBytes/real_time", 4, 1, "ms"},
    {"matrix_load_vs_warm_buffer", "BM_LoadCustomMatrixFromFile/real_time", "BM_FreadIntoWarmBuffer/real_time", 0, 1,
     "ms"},
})
