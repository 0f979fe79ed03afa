// The search rules of a marker on small traces with exact answers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "markers/MarkerSearch.h"

namespace {

struct Trace {
  std::vector<double> x, t, r;
  SMarkParams p = DefaultMarkParams();
  double refX = kNoValue;
  double refValue = kNoValue;

  explicit Trace(std::vector<double> values, std::vector<double> stimulus = {}) : t(std::move(values)) {
    x = stimulus;
    if (x.empty())
      for (std::size_t i = 0; i < t.size(); ++i) x.push_back(static_cast<double>(i) * 10);
  }
  double Search() const {
    SSearchInput in;
    in.params = &p;
    in.view.count = static_cast<int>(t.size());
    in.view.x = x.data();
    in.view.t = t.data();
    if (!r.empty()) {
      in.view.r = r.data();
      in.view.rx = x.data();
      in.view.rCount = static_cast<int>(r.size());
    }
    in.valid = !t.empty();
    in.stimMin = x.empty() ? kNoValue : std::min(x.front(), x.back());
    in.stimMax = x.empty() ? kNoValue : std::max(x.front(), x.back());
    in.refX = refX;
    in.refValue = refValue;
    return SearchMarker(in);
  }
};

}  // namespace

TEST(MarkerSearch, ExtremaTakeTheLowestIndexAndNaNNeverWins) {
  const double nan = kNoValue;
  Trace trace({1, 2, 3, 9, 4, nan, 5, 9, 2, 0});
  trace.p.mode = mmMaximum;
  EXPECT_EQ(trace.Search(), 30);  // equal maxima at 3 and 7
  trace.p.mode = mmMinimum;
  EXPECT_EQ(trace.Search(), 90);
  Trace allNaN({nan, nan, nan});
  allNaN.p.mode = mmMaximum;
  EXPECT_TRUE(std::isnan(allNaN.Search()));
}

TEST(MarkerSearch, RangeEdgesCompeteWithInterpolatedValues) {
  Trace trace({0, 10, 0, 1, 2, 1, 0});  // x = 0 … 60
  trace.p.mode = mmMaximum;
  trace.p.noLimits = false;
  trace.p.rangeMin = 12;  // 10 → 0 between x 10 and 20: 8 at x 12, above every point inside
  trace.p.rangeMax = 55;
  EXPECT_DOUBLE_EQ(trace.Search(), 12);
  trace.p.rangeMin = 25;
  EXPECT_DOUBLE_EQ(trace.Search(), 40);  // the peak inside wins over edges 0.5 and 0.5
  trace.p.rangeMin = 55;  // bounds given the wrong way round are taken in order
  trace.p.rangeMax = 25;
  EXPECT_DOUBLE_EQ(trace.Search(), 40);
}

TEST(MarkerSearch, LevelCrossingsInterpolateAndSkipThoseOutsideTheRange) {
  Trace trace({0, 4, 8, 4, 0, 4, 8});
  trace.p.mode = mmFixed;
  trace.p.fixedLevel = 6;
  EXPECT_DOUBLE_EQ(trace.Search(), 15);  // between 4 at x 10 and 8 at x 20
  trace.p.noLimits = false;
  trace.p.rangeMin = 16;
  trace.p.rangeMax = 60;
  EXPECT_DOUBLE_EQ(trace.Search(), 25);  // 15 lies outside; the falling crossing is next
  trace.p.discrete = true;
  EXPECT_TRUE(std::isnan(trace.Search()));  // a crossing between points has no point to snap to

  Trace flat({3, 3, 3, 1});
  flat.p.mode = mmFixed;
  flat.p.fixedLevel = 3;
  EXPECT_DOUBLE_EQ(flat.Search(), 0);  // the first pair lying on the level
}

TEST(MarkerSearch, OffsetsFromTheExtremumWalkToTheLevelOnEitherSide) {
  Trace trace({-20, -10, 0, -10, -20});  // peak at x 20
  trace.p.mode = mmMaximum;
  trace.p.divergence = 3;
  trace.p.direction = mdLeftResp;
  EXPECT_DOUBLE_EQ(trace.Search(), 17);
  trace.p.direction = mdRightResp;
  EXPECT_DOUBLE_EQ(trace.Search(), 23);
  trace.p.direction = mdRightStim;
  EXPECT_DOUBLE_EQ(trace.Search(), 23);  // x of the peak + 3
  trace.p.divergence = 30;
  trace.p.direction = mdLeftResp;
  EXPECT_TRUE(std::isnan(trace.Search()));  // the level is never reached inside the trace
}

TEST(MarkerSearch, ReferenceMarkerOffsets) {
  Trace empty({});
  empty.p.mode = mmRef;
  empty.p.direction = mdRightStim;
  empty.p.divergence = 1e6;
  empty.refX = 5e6;
  EXPECT_DOUBLE_EQ(empty.Search(), 6e6);  // needs no data of its own

  Trace trace({-20, -10, 0, -10, -20});
  trace.p.mode = mmRef;
  trace.p.direction = mdLeftResp;
  trace.p.divergence = 3;
  trace.refX = 20;
  trace.refValue = 0;
  EXPECT_DOUBLE_EQ(trace.Search(), 17);
  trace.refValue = kNoValue;
  EXPECT_TRUE(std::isnan(trace.Search()));
}

TEST(MarkerSearch, DeltaMeasureSearchesTheDifference) {
  Trace trace({0, 1, 2, 3, 4});
  trace.r = {2, 2, 2, 2, 2};
  trace.p.mode = mmMinimum;  // the zero crossing of T − R comes first
  EXPECT_DOUBLE_EQ(trace.Search(), 20);
  trace.r = {-1, -1, -1, -1, -1};
  EXPECT_DOUBLE_EQ(trace.Search(), 0);  // no crossing: the smallest |T − R|
  trace.p.mode = mmMaximum;
  EXPECT_DOUBLE_EQ(trace.Search(), 40);
}

TEST(MarkerSearch, DiscreteModeSnapsToTheNearerPoint) {
  Trace trace({0, 1, 2, 3});
  trace.p.discrete = true;
  trace.p.position = 14;
  EXPECT_DOUBLE_EQ(trace.Search(), 10);
  trace.p.position = 15;
  EXPECT_DOUBLE_EQ(trace.Search(), 20);  // a tie goes to the higher point
  trace.p.position = 99;
  EXPECT_TRUE(std::isnan(trace.Search()));  // beyond the last point
}

TEST(MarkerSearch, NthExtremumCountsWithTheExcursion) {
  // Maxima 10 (x 10), 3 (x 30, too small a swing), 8 (x 50), 12 (x 70).
  Trace trace({0, 10, 0, 3, 0, 8, -2, 12, 0});
  trace.p.mode = mmMaximum;
  trace.p.extremeMode = emFixed;
  trace.p.excursion = 5;
  trace.p.extremumIndex = 2;
  EXPECT_DOUBLE_EQ(trace.Search(), 50);
  trace.p.extremumIndex = 3;
  EXPECT_DOUBLE_EQ(trace.Search(), 70);
  trace.p.extremumIndex = 4;
  EXPECT_TRUE(std::isnan(trace.Search()));
  trace.p.excursion = 1;
  trace.p.extremumIndex = 2;
  EXPECT_DOUBLE_EQ(trace.Search(), 30);
}

TEST(MarkerSearch, DependencyCoversWhatTheSearchReads) {
  Trace trace(std::vector<double>(101, 0.0));
  SSearchView view;
  view.count = 101;
  view.x = trace.x.data();
  view.t = trace.t.data();
  SMarkParams p = DefaultMarkParams();
  p.position = 255;  // between points 25 and 26
  SIndexSpan span = SearchDependency(p, view, 0, 1000);
  EXPECT_EQ(span.first, 25);
  EXPECT_EQ(span.last, 27);
  p.mode = mmMaximum;
  span = SearchDependency(p, view, 0, 1000);
  EXPECT_EQ(span.last, 101);
  p.noLimits = false;
  p.rangeMin = 100;
  p.rangeMax = 305;
  span = SearchDependency(p, view, 0, 1000);
  EXPECT_EQ(span.first, 9);  // 100 is located between points 9 and 10
  EXPECT_EQ(span.last, 32);
}
