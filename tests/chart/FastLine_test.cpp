#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chart/Chart.h"
#include "chart/Series.h"
#include "support/RecordingCanvas.h"

namespace {

using Lines = std::vector<std::vector<SPointF>>;

// Thinning the slow, obvious way: every point looked at on its own, each pixel column keeps
// its first, lowest, highest and last point in their order; nulls break the line.
Lines Reference(const CChart& chart, const std::vector<double>& x, const std::vector<double>& y) {
  const SAxisScale hs = chart.BottomAxis().Scale();
  const SAxisScale vs = chart.LeftAxis().Scale();
  const double p0 = chart.BottomAxis().StartPos(), p1 = chart.BottomAxis().EndPos();
  const double colLo = std::floor(std::min(p0, p1)) - 1, colHi = std::floor(std::max(p0, p1)) + 1;
  const int n = static_cast<int>(x.size());
  Lines out;
  std::vector<SPointF> line;
  auto flush = [&] {
    if (line.size() == 1) line.push_back(line[0]);
    if (line.size() > 1) out.push_back(line);
    line.clear();
  };
  auto add = [&](int i) { line.push_back({hs.Pos(x[i]), vs.Pos(y[i])}); };
  const bool thin = n > 2 * (static_cast<int>(colHi - colLo) + 1);
  long column = -1;
  int first = 0, low = 0, high = 0, last = 0;
  auto emit = [&] {
    if (column < 0) return;
    const int a = std::min(low, high), b = std::max(low, high);
    add(first);
    if (a != first) add(a);
    if (b != a && b != first) add(b);
    if (last != b && last != first) add(last);
    column = -1;
  };
  for (int i = 0; i < n; ++i) {
    const double px = hs.Pos(x[i]);
    if (!std::isfinite(y[i]) || !std::isfinite(px)) {
      emit();
      flush();
    } else if (!thin) {
      add(i);
    } else {
      const long c = static_cast<long>(std::clamp(px, colLo, colHi) - colLo);
      if (c != column) {
        emit();
        column = c;
        first = low = high = i;
      }
      last = i;
      if (y[i] < y[low]) low = i;
      if (y[i] > y[high]) high = i;
    }
  }
  emit();
  flush();
  return out;
}

void ExpectSameAsReference(CChart& chart, CFastLineSeries& s, const std::vector<double>& x,
                           const std::vector<double>& y, const char* what) {
  s.SetData(x.data(), y.data(), static_cast<int>(x.size()));
  CRecordingCanvas canvas;
  s.Draw(canvas);
  const Lines want = Reference(chart, x, y);
  ASSERT_EQ(canvas.ops.size(), want.size()) << what;
  for (std::size_t l = 0; l < want.size(); ++l) {
    const auto& got = canvas.ops[l].points;
    ASSERT_EQ(got.size(), want[l].size()) << what << " line " << l;
    for (std::size_t k = 0; k < got.size(); ++k) {
      ASSERT_TRUE(got[k].x == want[l][k].x && got[k].y == want[l][k].y) << what << " line " << l << " point " << k;
    }
  }
}

TEST(FastLineSeries, EvenlySpacedSweepsThinExactlyAsPointByPoint) {
  CChart chart;
  chart.SetBounds({0, 0, 1800, 1000});
  chart.SetMargins(100, 50, 100, 50);  // 1600 columns
  CFastLineSeries s;
  s.SetChart(&chart);
  const int n = 100001;
  std::vector<double> x(n), y(n);
  unsigned noise = 1;
  for (int i = 0; i < n; ++i) {
    x[i] = 1e9 + i * 1e4;
    noise = noise * 1103515245u + 12345u;
    y[i] = std::sin(i * 0.002) + (noise >> 16) / 65536.0;
  }
  chart.BottomAxis().SetMinMax(1e9, 2e9);
  chart.LeftAxis().SetMinMax(-1, 2);
  s.SetData(x.data(), y.data(), n);
  EXPECT_TRUE(s.XSpacing().uniform);
  ExpectSameAsReference(chart, s, x, y, "noisy");

  std::vector<double> ramp(n);
  for (int i = 0; i < n; ++i) ramp[i] = i * 1e-5;
  ExpectSameAsReference(chart, s, x, ramp, "ramp");

  // Repeated values, both zeros among them: of equal extremes the first point is kept.
  std::vector<double> steps(n);
  for (int i = 0; i < n; ++i) steps[i] = i % 7 == 3 ? -0.0 : std::round(y[i] * 2) / 2;
  ExpectSameAsReference(chart, s, x, steps, "ties");

  std::vector<double> gaps = y;
  for (int i : {0, 1, 5000, 5001, 5002, 40000, 77777, n - 1}) gaps[i] = NAN;
  gaps[60000] = INFINITY;
  ExpectSameAsReference(chart, s, x, gaps, "nulls");

  chart.BottomAxis().SetInverted(true);
  ExpectSameAsReference(chart, s, x, gaps, "inverted");
  chart.BottomAxis().SetInverted(false);

  // Zoomed in (fewer points than columns on the plot, most off it), and zoomed out with
  // values beyond the plot on every side.
  chart.BottomAxis().SetMinMax(1.2e9, 1.2e9 + 500 * 1e4);
  ExpectSameAsReference(chart, s, x, y, "zoomed in");
  chart.BottomAxis().SetMinMax(1.3e9, 1.7e9);
  chart.LeftAxis().SetMinMax(0, 0.5);
  ExpectSameAsReference(chart, s, x, gaps, "off the plot");
  ExpectSameAsReference(chart, s, std::vector<double>(x.begin(), x.begin() + 3000),
                        std::vector<double>(y.begin(), y.begin() + 3000), "more columns than points");

  // Points exactly on column edges, falling x, and x summed up step by step (not exactly
  // x0 + i·dx) all need the points' own x near an edge.
  std::vector<double> edges(n), falling(n), summed(n);
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    edges[i] = i / 64.0;
    falling[i] = (n - 1 - i) / 64.0;
    summed[i] = sum;
    sum += 0.016;
  }
  chart.BottomAxis().SetMinMax(0, 1600);
  chart.LeftAxis().SetMinMax(-1, 2);
  ExpectSameAsReference(chart, s, edges, y, "edges");
  ExpectSameAsReference(chart, s, falling, y, "falling");
  ExpectSameAsReference(chart, s, summed, y, "summed");
  EXPECT_TRUE(s.XSpacing().uniform);
  EXPECT_GT(s.XSpacing().deviation, 0);

  // A NaN stimulus or uneven steps are not evenly spaced, and still drawn the same.
  summed[n / 2] = NAN;
  ExpectSameAsReference(chart, s, summed, y, "NaN x");
  EXPECT_FALSE(s.XSpacing().uniform);
  edges[n / 3] += 0.01;
  ExpectSameAsReference(chart, s, edges, y, "uneven");
  EXPECT_FALSE(s.XSpacing().uniform);
}

}  // namespace
