#include "series/SpectrumStorage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

#include "common/Matrix.h"
#include "support/Capture.h"
#include "support/TempDir.h"

namespace {

// A sweep of width points whose values all equal value; stimulus 100, 200 ….
void Feed(CSpectrumStorage& s, int width, double value) {
  std::vector<double> y(static_cast<std::size_t>(width), value), x(static_cast<std::size_t>(width));
  for (int i = 0; i < width; ++i) x[static_cast<std::size_t>(i)] = 100.0 * (i + 1);
  s.AddArray(0, width, y.data(), x.data());
}

double LevelValue(const CStorage& storage, int level, int index) {
  std::vector<double> values;
  int stamp = 0;
  if (!storage.GetLevel(level, values, stamp)) return NAN;
  return values[static_cast<std::size_t>(index)];
}

}  // namespace

TEST(SpectrumStorage, RingKeepsNewestThousandAndReusesBuffers) {
  CSpectrumStorage s;
  s.SetSize(4);
  for (int i = 0; i < CStorage::kMaxLevels; ++i) Feed(s, 4, i);
  ASSERT_EQ(s.GetLevelCount(), 1000);
  std::set<const float*> buffers;
  for (int l = 0; l < 1000; ++l) buffers.insert(s.Storage().LevelData(l));

  Feed(s, 4, 1000);  // the 1001st drops the first
  EXPECT_EQ(s.GetLevelCount(), 1000);
  EXPECT_EQ(LevelValue(s.Storage(), 0, 0), 1.0);
  EXPECT_EQ(LevelValue(s.Storage(), 999, 3), 1000.0);
  for (int i = 1001; i < 2500; ++i) Feed(s, 4, i);
  EXPECT_EQ(s.GetLevelCount(), 1000);
  EXPECT_EQ(LevelValue(s.Storage(), 0, 0), 1500.0);
  EXPECT_EQ(LevelValue(s.Storage(), 999, 0), 2499.0);
  // No new buffers once full: every level still sits in one of the first thousand.
  for (int l = 0; l < 1000; ++l) EXPECT_TRUE(buffers.count(s.Storage().LevelData(l))) << l;
}

TEST(SpectrumStorage, BlocksPointsAndBadInput) {
  CSpectrumStorage s;
  s.SetSize(4);
  const double y[] = {1, 2}, x[] = {10, 20};
  // Blocks of one sweep go into one level; the next block after a complete one starts a level.
  EXPECT_TRUE(s.AddArray(0, 2, y, x));
  EXPECT_TRUE(s.AddArray(2, 2, y, x));
  EXPECT_EQ(s.GetLevelCount(), 1);
  EXPECT_TRUE(s.AddArray(0, 2, y, nullptr));
  EXPECT_EQ(s.GetLevelCount(), 2);
  EXPECT_TRUE(std::isnan(LevelValue(s.Storage(), 1, 3)));  // not yet written
  EXPECT_EQ(s.Storage().GetStimulus(3), 20.0);

  EXPECT_TRUE(s.AddPoint(30, 5));  // goes on at point 2
  EXPECT_TRUE(s.AddNull());
  EXPECT_EQ(LevelValue(s.Storage(), 1, 2), 5.0);
  EXPECT_TRUE(std::isnan(LevelValue(s.Storage(), 1, 3)));
  EXPECT_TRUE(s.SetPoint(1, 11, 7));  // level 1 was complete: a new level
  EXPECT_EQ(s.GetLevelCount(), 3);
  EXPECT_EQ(LevelValue(s.Storage(), 2, 1), 7.0);

  AssertCapture asserts;
  EXPECT_FALSE(s.AddArray(3, 2, y, x));
  EXPECT_FALSE(s.AddArray(-1, 1, y, x));
  EXPECT_FALSE(s.AddArray(0, 2, nullptr, x));
  EXPECT_EQ(asserts.Count(), 3u);
  EXPECT_EQ(s.GetLevelCount(), 3);

  // Source history is separate.
  s.SetSrcSize(2);
  EXPECT_TRUE(s.AddSrcArray(0, 2, y, x));
  double px = 0, py = 0;
  EXPECT_TRUE(s.GetSrcPoint(1, px, py, 0));
  EXPECT_EQ(px, 20.0);
  EXPECT_EQ(py, 2.0);
  EXPECT_FALSE(s.GetSrcPoint(2, px, py, 0));
  EXPECT_FALSE(s.GetSrcPoint(0, px, py, 1));
  EXPECT_TRUE(std::isnan(px) && std::isnan(py));
  EXPECT_EQ(s.GetSrcLevelCount(), 1);
  s.ClearStorage();
  EXPECT_EQ(s.GetSrcLevelCount(), 0);
  EXPECT_EQ(s.GetLevelCount(), 0);
  EXPECT_EQ(s.GetSize(), 4);  // clearing keeps the width
}

TEST(SpectrumStorage, SizeChangeClearsHistory) {
  CSpectrumStorage s;
  s.SetSize(3);
  Feed(s, 3, 1);
  s.SetSize(3);  // same width keeps the levels
  EXPECT_EQ(s.GetLevelCount(), 1);
  s.SetSize(5);
  EXPECT_EQ(s.GetLevelCount(), 0);
  Feed(s, 5, 2);
  const double y[] = {1, 2};
  EXPECT_TRUE(s.SetArray(2, y, nullptr));  // another width: history restarts
  EXPECT_EQ(s.GetSize(), 2);
  EXPECT_EQ(s.GetLevelCount(), 1);
}

TEST(SpectrumStorage, HistogramEdges) {
  CSpectrumStorage s;
  s.SetSize(5);
  const double y[] = {9.99, 10.0, -0.1, 0.0, NAN};
  s.AddArray(0, 5, y, nullptr);
  const double y2[] = {9.5, 0.5, 3, 3, 3};
  s.AddArray(0, 5, y2, nullptr);
  int counts[10] = {};
  int maxCount = -1;
  s.GetHistogram(0, 10, 10, maxCount, counts);
  EXPECT_EQ(counts[9], 2);  // 9.99 and 9.5; 10.0 and −0.1 ignored
  EXPECT_EQ(counts[0], 2);  // 0.0 and 0.5
  EXPECT_EQ(counts[3], 3);
  EXPECT_EQ(maxCount, 3);
  EXPECT_EQ(std::accumulate(counts, counts + 10, 0), 7);

  AssertCapture asserts;
  s.GetHistogram(0, 10, 0, maxCount, counts);
  EXPECT_EQ(maxCount, 0);
  s.GetHistogram(0, 10, 10, maxCount, nullptr);
  EXPECT_EQ(asserts.Count(), 2u);
  int empty[4] = {};
  s.GetHistogram(5, 5, 4, maxCount, empty);  // empty range: nothing counted
  EXPECT_EQ(maxCount, 0);
}

TEST(SpectrumStorage, LastDataNewestRowsOldestFirst) {
  CSpectrumStorage s;
  s.SetSize(2);
  int rows = -1;
  EXPECT_TRUE(s.GetLastData(5, rows).empty());
  EXPECT_EQ(rows, 0);
  for (int i = 0; i < 4; ++i) Feed(s, 2, i);
  EXPECT_EQ(s.GetLastData(2, rows), (std::vector<double>{2, 2, 3, 3}));
  EXPECT_EQ(rows, 2);
  EXPECT_TRUE(s.GetLastData(-1, rows).empty());
  EXPECT_EQ(rows, 0);
}

TEST(SpectrumStorage, SaveLoadRoundTrip) {
  CSpectrumStorage s(L"Tr1", L"dBc/Hz");  // two fraction digits
  const std::wstring path = (FreshDir("specstore") / "history.txt").wstring();
  EXPECT_FALSE(s.SaveDataToFile(path.c_str()));  // nothing to save without a width
  s.SetSize(3);
  const double x[] = {1e9, 2e9, 3e9};
  const double y1[] = {-80.12345, -81.5, NAN}, y2[] = {-70.006, -71, -72};
  s.AddArray(0, 3, y1, x);
  s.AddArray(0, 3, y2, x);
  ASSERT_TRUE(s.SaveDataToFile(path.c_str()));

  CDoubleMatrix m;
  std::wstring header;
  ASSERT_EQ(LoadCustomMatrixFromFile(path, m, 0, &header), mrOk);
  ASSERT_EQ(m.Rows(), 3u);
  ASSERT_EQ(m.Cols(), 4u);
  EXPECT_EQ(header.rfind(L"# Quor, spectral data\n# Tr1\n# ", 0), 0u);
  EXPECT_NE(header.find(L"\n# 3\n"), std::wstring::npos);
  EXPECT_EQ(std::count(header.begin(), header.end(), L'\n'), 5);
  EXPECT_EQ(m(0, 0), 0.0);
  EXPECT_EQ(m(0, 2), 2e9);
  EXPECT_EQ(m(1, 1), -80.12);
  EXPECT_EQ(m(2, 1), -70.01);
  EXPECT_TRUE(std::isnan(m(1, 3)));

  CSpectrumStorage loaded;
  ASSERT_EQ(loaded.AddMatrix(&m), 0);
  EXPECT_EQ(loaded.GetSize(), 3);
  EXPECT_EQ(loaded.GetLevelCount(), 2);
  EXPECT_EQ(loaded.GetSrcLevelCount(), 2);  // the source history gets the same
  EXPECT_EQ(loaded.Storage().GetStimulus(2), 3e9);
  EXPECT_EQ(LevelValue(loaded.Storage(), 1, 2), -72.0);
  std::vector<double> values;
  int stamp0 = -1, stamp1 = -1;
  s.Storage().GetLevel(1, values, stamp0);
  loaded.Storage().GetLevel(1, values, stamp1);
  EXPECT_EQ(stamp0, stamp1);
}

TEST(SpectrumStorage, MatrixRoundTripAndRejects) {
  CDoubleMatrix m;
  m.Assign(3, 3, {0, 5, 6, 100.7, 1, -1, 201, 2, -2});
  CSpectrumStorage s;
  ASSERT_EQ(s.AddMatrix(&m), 0);
  CDoubleMatrix back;
  s.GetMatrix(&back);
  m(1, 0) = 100;  // time stamps keep the integer part
  EXPECT_EQ(back, m);

  EXPECT_EQ(s.AddMatrix(nullptr), -1);
  CDoubleMatrix noPoints(3, 1);
  EXPECT_EQ(s.AddMatrix(&noPoints), -1);
  EXPECT_EQ(s.GetLevelCount(), 2);  // a rejected matrix leaves the history

  CDoubleMatrix big(1102, 2);
  for (std::size_t r = 1; r < big.Rows(); ++r) big(r, 1) = static_cast<double>(r);
  ASSERT_EQ(s.AddMatrix(&big), 0);
  EXPECT_EQ(s.GetLevelCount(), 1000);
  EXPECT_EQ(LevelValue(s.Storage(), 0, 0), 102.0);

  // A snapshot is independent of later feeding; SetStorage puts it back.
  CStorage snapshot;
  s.CopyStorage(snapshot);
  s.Clear();
  EXPECT_EQ(snapshot.GetLevelCount(), 1000);
  s.SetStorage(snapshot);
  EXPECT_EQ(LevelValue(s.Storage(), 999, 0), 1101.0);
}

TEST(SpectrumStorage, ReaderThreadWhileFeeding) {
  CSpectrumStorage s;
  s.SetSize(64);
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    CStorage snapshot;
    std::vector<int> counts(16);
    while (!stop) {
      s.CopyStorage(snapshot);
      int maxCount = 0, rows = 0;
      std::fill(counts.begin(), counts.end(), 0);
      s.GetHistogram(0, 2000, 16, maxCount, counts.data());
      const std::vector<double> last = s.GetLastData(10, rows);
      EXPECT_EQ(last.size(), static_cast<std::size_t>(rows) * 64u);
      ++reads;
    }
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  for (int i = 0; std::chrono::steady_clock::now() < end || i < 1200; ++i) {
    Feed(s, 64, i);
    if (i % 500 == 499) s.Clear();
  }
  stop = true;
  reader.join();
  EXPECT_GT(reads.load(), 0);
}
