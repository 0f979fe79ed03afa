#include "core/Curves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "support/Capture.h"

namespace {

void ExpectPoint(const DPoint& actual, double x, double y) {
  EXPECT_NEAR(actual.x, x, 1e-12);
  EXPECT_NEAR(actual.y, y, 1e-12);
}

const DPoint kThree[3] = {{0, 0}, {1, 2}, {3, 1}};
const DPoint kSquare[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

TEST(DPoint, PointerFormsReportNull) {
  DPoint p(1, 2);
  const DPoint q(3, -1);
  EXPECT_EQ(p - &q, DPoint(-2, 3));
  EXPECT_EQ(p + &q, DPoint(4, 1));
  AssertCapture asserts;
  p.Assign(static_cast<const DPoint*>(nullptr));
  EXPECT_EQ(p + static_cast<const DPoint*>(nullptr), DPoint(1, 2));
  EXPECT_EQ(p - static_cast<const DPoint*>(nullptr), DPoint(1, 2));
  EXPECT_EQ(asserts.Count(), 3u);
}

TEST(CatmullRomSpline, SegmentsJoinAtControlPoints) {
  int count = 0;
  auto open = CatmullRomSpline::Calculate(kThree, 3, count, 0.5, 15, false);
  ASSERT_EQ(count, 32);
  EXPECT_EQ(open[0], kThree[0]);
  EXPECT_EQ(open[15], kThree[1]);
  EXPECT_EQ(open[16], kThree[1]);
  EXPECT_EQ(open[31], kThree[2]);
  auto closed = CatmullRomSpline::Calculate(kThree, 3, count, 0.5, 15, true);
  EXPECT_EQ(count, 48);
  EXPECT_EQ(closed.front(), kThree[0]);
  EXPECT_EQ(closed.back(), kThree[0]);

  // The classical curve (tension 0.5) at the middle of a segment: (−p0 + 9 p1 + 9 p2 − p3) / 16.
  ExpectPoint(CatmullRomSpline::ReturnCarmullRomVector(0.5, 0.5, {0, 0}, {1, 0}, {3, 0}, {4, 0}), 2, 0);

  EXPECT_EQ(CatmullRomSpline::BuildVectors(kThree, 3, false),
            (std::vector<DPoint>{kThree[0], kThree[0], kThree[1], kThree[2], kThree[2]}));
  EXPECT_EQ(CatmullRomSpline::BuildVectors(kThree, 3, true),
            (std::vector<DPoint>{kThree[2], kThree[0], kThree[1], kThree[2], kThree[0], kThree[1]}));
}

TEST(CatmullRomSpline, BadInputLeavesTheCount) {
  int count = 77;
  EXPECT_TRUE(CatmullRomSpline::Calculate(kThree, 2, count, 0.5, 15, false).empty());
  EXPECT_TRUE(CatmullRomSpline::Calculate(kThree, 3, count, 0.5, 0, false).empty());
  EXPECT_TRUE(CatmullRomSpline::Calculate(nullptr, 3, count, 0.5, 15, false).empty());
  AssertCapture asserts;
  EXPECT_TRUE(CatmullRomSpline::Calculate(kThree, 3, count, 0.5, 1 << 30, false).empty());
  EXPECT_EQ(asserts.Count(), 1u);
  EXPECT_EQ(count, 77);
}

TEST(CalculateCurve, ContrastMovesTheMiddle) {
  std::vector<double> x{9, 9}, y{9};
  ASSERT_EQ(CalculateCurve(y, x, 0), 32);
  ASSERT_TRUE(x.size() == 32 && y.size() == 32);
  EXPECT_TRUE(x.front() == 0 && x.back() == 1);
  for (int i = 0; i < 32; ++i) EXPECT_NEAR(y[i], x[i], 1e-12) << i;

  for (double contrast : {-100.0, 100.0}) {
    const int count = CalculateCurve(y, x, contrast);
    EXPECT_GT(count, 2);
    EXPECT_LE(count, 32);
    for (int i = 0; i < count; ++i) EXPECT_TRUE(x[i] >= 0 && x[i] <= 1) << x[i];
  }
  // A positive contrast bends the curve below the diagonal (the middle moves right).
  CalculateCurve(y, x, 60);
  EXPECT_LT(y[10], x[10]);
}

TEST(BezierSpline, EndsAndPassingPoint) {
  const DPoint c[3] = {{0, 0}, {1, 2}, {2, 0}};
  EXPECT_EQ(BezierSpline::CalculatePoint(c, 3, 0), c[0]);
  EXPECT_EQ(BezierSpline::CalculatePoint(c, 3, 1), c[2]);
  ExpectPoint(BezierSpline::CalculatePoint(c, 3, 0.5), 1, 1);

  int count = 0;
  auto curve = BezierSpline::Calculate(c, 3, count, 0.5, 3, false);
  ASSERT_EQ(count, 9);
  EXPECT_EQ(curve.front(), c[0]);
  ExpectPoint(curve.back(), 2, 0);
  // Recalculated, the curve passes through the middle point at t = 0.5 (sample 4 of 9).
  curve = BezierSpline::Calculate(c, 3, count, 0.5, 3, true);
  ExpectPoint(curve[4], 1, 2);
  ExpectPoint(BezierSpline::RecalculateVectors(c, 3, 0.5)[1], 1, 4);

  count = 5;
  EXPECT_TRUE(BezierSpline::Calculate(c, 2, count, 0.5, 3, false).empty());
  EXPECT_TRUE(BezierSpline::Calculate(c, 3, count, 0.5, 0, false).empty());
  EXPECT_EQ(count, 5);
  AssertCapture asserts;
  EXPECT_EQ(BezierSpline::RecalculateVectors(c, 3, 0)[1], c[1]);  // c1 does not matter at t = 0
  EXPECT_EQ(asserts.Count(), 1u);
}

TEST(DpSpline, UniformBSpline) {
  // Partition of unity: the weights of every row are non-negative and add up to 1.
  for (int order = 1; order <= 6; ++order) {
    const auto table = DpSpline::CalculateQSpline(order, 7);
    ASSERT_EQ(table.size(), std::size_t(order) * 7);
    for (auto row = table.begin(); row != table.end(); row += order) {
      EXPECT_NEAR(std::accumulate(row, row + order, 0.0), 1, 1e-12) << "order " << order;
      EXPECT_GE(*std::min_element(row, row + order), 0) << "order " << order;
    }
  }

  // The cubic spline reproduces a straight line: it starts at (P0 + 4 P1 + P2) / 6.
  const DPoint line[5] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
  DpSpline spline;
  auto cubic = spline.Calculate(line, 5, 10, 4, false);
  ASSERT_EQ(cubic.size(), 21u);
  ExpectPoint(cubic.front(), 1, 1);
  ExpectPoint(cubic.back(), 3, 3);
  for (const DPoint& p : cubic) EXPECT_NEAR(p.x, p.y, 1e-12);

  // Order 2 is the polyline through the control points.
  auto poly = spline.Calculate(kSquare, 4, 4, 2, false);
  ASSERT_EQ(poly.size(), 13u);
  for (int k = 0; k < 4; ++k) ExpectPoint(poly[k * 4], kSquare[k].x, kSquare[k].y);
  ExpectPoint(poly[2], 0.5, 0);
}

TEST(DpSpline, ClosedCacheAndBadInput) {
  DpSpline spline;
  auto closed = spline.Calculate(kSquare, 4, 8, 3, true);
  ASSERT_EQ(closed.size(), 33u);
  EXPECT_EQ(closed.front(), closed.back());
  // The quadratic curve touches the middles of the edges and cuts the corners.
  ExpectPoint(closed.front(), 0.5, 0);
  for (const DPoint& p : closed) {
    EXPECT_TRUE(p.x >= 0 && p.x <= 1 && p.y >= 0 && p.y <= 1);
    EXPECT_FALSE((p.x == 0 || p.x == 1) && (p.y == 0 || p.y == 1));
  }
  // The table is built again only when order or steps change.
  spline.Calculate(kSquare, 4, 8, 3, false);
  EXPECT_EQ(spline.TableBuildCount(), 1);
  spline.Calculate(kSquare, 4, 8, 4, true);
  EXPECT_EQ(spline.TableBuildCount(), 2);
  // An open curve cannot have a higher order than it has points.
  EXPECT_EQ(spline.Calculate(kSquare, 4, 8, 9, false).size(), 9u);

  EXPECT_EQ(DpSpline::GetPositiveIndex(-1, 5), 4);
  EXPECT_EQ(DpSpline::GetPositiveIndex(-10, 5), 0);
  EXPECT_EQ(DpSpline::GetPositiveIndex(7, 5), 2);
  EXPECT_TRUE(spline.Calculate(nullptr, 4, 8, 3, false).empty());
  EXPECT_TRUE(spline.Calculate(kSquare, 2, 8, 3, false).empty());
  EXPECT_TRUE(spline.Calculate(kSquare, 4, 0, 3, false).empty());
  EXPECT_TRUE(spline.Calculate(kSquare, 4, 8, 0, false).empty());
  AssertCapture asserts;
  EXPECT_EQ(DpSpline::GetPositiveIndex(3, 0), 0);
  EXPECT_TRUE(spline.Calculate(kSquare, 4, 1 << 28, 3, false).empty());
  EXPECT_EQ(asserts.Count(), 2u);
}

}  // namespace
