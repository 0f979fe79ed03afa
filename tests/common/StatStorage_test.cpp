#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/StatStorage.h"

TEST(StatStorage, FiguresOfAStreamWithoutNonFiniteValues) {
  CStatStorage stat;
  SStatInfo empty = stat.GetStatInfo();
  EXPECT_EQ(empty.count, 0u);
  EXPECT_TRUE(std::isnan(empty.mean) && std::isnan(empty.minimum) && std::isnan(empty.deviation));

  const auto t0 = CStatStorage::Clock::now();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double values[] = {2, 4, nan, 4, 4, 5, -std::numeric_limits<double>::infinity(), 5, 7, 9};
  int second = 0;
  for (const double v : values) stat.AddValue(v, t0 + std::chrono::seconds(second++));
  const SStatInfo info = stat.GetStatInfo();
  EXPECT_EQ(info.count, 8u);
  EXPECT_DOUBLE_EQ(info.mean, 5);
  EXPECT_DOUBLE_EQ(info.minimum, 2);
  EXPECT_DOUBLE_EQ(info.maximum, 9);
  EXPECT_DOUBLE_EQ(info.deviation, std::sqrt(32.0 / 7.0));
  EXPECT_DOUBLE_EQ(info.duration, 9);
  EXPECT_DOUBLE_EQ(info.interval, 9.0 / 7.0);

  stat.Reset();
  stat.AddValue(3);
  EXPECT_EQ(stat.GetStatInfo().count, 1u);
  EXPECT_EQ(stat.GetStatInfo().deviation, 0);
  EXPECT_EQ(stat.GetStatInfo().duration, 0);
}

TEST(StatStorage, LargeNearlyEqualValuesKeepTheirDeviation) {
  // Frequencies around 1 GHz that differ by 1 Hz: a sum-of-squares formula loses it all.
  CStatStorage stat;
  for (int i = 0; i < 100000; ++i) stat.AddValue(1e9 + (i % 2 ? 1.0 : -1.0));
  const SStatInfo info = stat.GetStatInfo();
  EXPECT_NEAR(info.mean, 1e9, 1e-6);
  EXPECT_NEAR(info.deviation, 1.0, 1e-4);
}
