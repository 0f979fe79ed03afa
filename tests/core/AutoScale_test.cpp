#include "core/AutoScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/FakeTrace.h"

TEST(AutoScale, RoundsTheDivisionAndTheCentre) {
  struct Case {
    double lo, hi, minDiv, center, div;
  };
  // center/div start as −99/7, so a row that keeps them shows what is left untouched.
  const Case cases[] = {
      {0, 0, 0, 0, 1},                  // zero: division 1
      {0.3, 0.3, 0, 0.3, 0.1},          // equal bounds below 1: the value's decade
      {-0.004, -0.004, 0, -0.004, 0.001},
      {5, 5, 0, 5, 7},                  // equal bounds from 1 up: division left as passed
      {0, 10, 0, 5, 2},                 // 1.04 → 2
      {0, 35.5, 0, 18, 4},              // 3.692 → 4
      {0, 330, 0, 170, 40},             // centre 165 to tens, ties away from zero
      {-1, 1, 0, 0, 0.5},               // below 1: 1, 2 or 5 times a decade
      {0.001, 0.0046, 0, 0.0028, 5e-4},
      {0, 1.5, 0, 0.8, 0.2},
      {0, 0.001, 0.01, 0, 0.01},        // the minimum division wins over a smaller one
      {0, 1, 10, 0, 10},
  };
  for (const Case& c : cases) {
    double center = -99, div = 7;
    AutoScale(c.lo, c.hi, center, div, c.minDiv);
    EXPECT_DOUBLE_EQ(div, c.div) << c.lo << " … " << c.hi;
    EXPECT_NEAR(center, c.center, 1e-15) << c.lo << " … " << c.hi;
  }

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (auto [lo, hi] : {std::pair{nan, 1.0}, {0.0, nan}, {-inf, 1.0}, {inf, inf}}) {
    double center = -99, div = 7;
    AutoScale(lo, hi, center, div, 0);
    EXPECT_EQ(center, -99.0);
    EXPECT_EQ(div, 7.0);
  }
}

TEST(AutoScaleTraces, VisibleTracesShareOneScale) {
  FakeTrace a(-20, 10), b(-50, 0), hidden(-1000, 1000), smith(-500, 500), empty(-500, 500),
      broken(std::numeric_limits<double>::quiet_NaN(), 1), polar(0, 1);
  b.refPosition = 10;
  hidden.visible = false;
  smith.plot = plSmith;
  polar.plot = plPolar;
  empty.count = 0;
  std::vector<TraceInterface*> list{&a, nullptr, &hidden, &smith, &empty, &broken, &b};
  AutoScaleTraces(&list);

  // −50 … 10: division 6.24 → 7, centre −20.
  EXPECT_DOUBLE_EQ(a.scaleDiv, 7.0);
  EXPECT_DOUBLE_EQ(a.scaleRef, -20.0);
  EXPECT_DOUBLE_EQ(b.scaleRef, 15.0);  // top line
  EXPECT_EQ(a.updates, 1);
  EXPECT_EQ(b.updates, 1);
  for (const FakeTrace* t : {&hidden, &smith, &empty, &broken}) EXPECT_TRUE(t->Untouched());

  // Only traces that take no part: nothing changes.
  std::vector<TraceInterface*> none{&hidden, &polar, &smith};
  AutoScaleTraces(&none);
  EXPECT_TRUE(hidden.Untouched() && polar.Untouched() && smith.Untouched());
  AutoScaleTraces<TraceInterface>(nullptr);

  // The first trace's minimum division replaces the start value, later ones may lower it.
  FakeTrace coarse(0, 1), fine(0, 1);
  coarse.minScaleDiv = 20;
  fine.minScaleDiv = 10;
  std::vector<TraceInterface*> pair{&coarse, &fine};
  AutoScaleTraces(&pair);
  EXPECT_DOUBLE_EQ(coarse.scaleDiv, 10.0);
}

TEST(AutoScaleTraces, FixedReferenceLevelStaysOnTheTopLine) {
  FakeTrace wide(0, 1000), fixed(-80, -10), top(-30, -5), centre(-60, -40);
  fixed.fixedRef = true;
  fixed.scaleRef = 0;
  fixed.visible = false;  // decides even when hidden
  top.refPosition = 10;
  std::vector<TraceInterface*> list{&wide, &fixed, &top, &centre};
  AutoScaleTraces(&list);

  // 8.32 → 9 (8.32 / 9 ≥ 0.875), reference −45 on the centre line.
  EXPECT_DOUBLE_EQ(top.scaleDiv, 9.0);
  EXPECT_DOUBLE_EQ(top.scaleRef, 0.0);
  EXPECT_DOUBLE_EQ(centre.scaleRef, -45.0);
  EXPECT_DOUBLE_EQ(wide.scaleRef, -45.0);  // collected before the fixed trace, but overruled
  EXPECT_TRUE(fixed.Untouched());

  fixed.visible = true;
  fixed.minimum = -100;
  AutoScaleTraces(&list);
  // 10.4 → 20 wastes the grid (0.52 < 0.875): a half step, 15; only the division changes.
  EXPECT_DOUBLE_EQ(fixed.scaleDiv, 15.0);
  EXPECT_EQ(fixed.setScaleDivCalls, 1);
  EXPECT_EQ(fixed.setScaleCalls, 0);
  EXPECT_EQ(fixed.scaleRef, 0.0);
  EXPECT_DOUBLE_EQ(centre.scaleRef, -75.0);
}
