#include "core/DiagMetrics.h"

#include <gtest/gtest.h>

#include "support/Capture.h"

namespace {
class DiagMetrics : public ::testing::Test {
 protected:
  void TearDown() override { Metrics().ResetToDefaults(); }

  int Load(const char* xml) {
    doc_.reset();
    EXPECT_TRUE(doc_.load_string(xml));
    return LoadMetrics(doc_.document_element());
  }

  pugi::xml_document doc_;
};
}  // namespace

TEST_F(DiagMetrics, EveryIdIsRegisteredUnderItsName) {
  EXPECT_EQ(Metrics().Count(), METRICS_COUNT);
  EXPECT_EQ(Metrics().Name(IND_LEFT_WIDTH), "IND_LEFT_WIDTH");
  EXPECT_EQ(Metrics().Name(WFALL_LEVEL_WIDTH), "WFALL_LEVEL_WIDTH");
  EXPECT_EQ(GetMetrics(METRICS_COUNT), -1);
  EXPECT_EQ(GetMetrics(-1), -1);
}

TEST_F(DiagMetrics, LoadOverridesNamedValuesAndReportsBadItems) {
  AssertCapture asserts;
  EXPECT_EQ(Load("<control><metrics>"
                 "<item id='IND_OFFSET' value='7'/>"
                 "<item id='ind_offset' value='9'/>"
                 "<item value='3'/>"
                 "<item id='HMRK_KNOB_SIZE'/>"
                 "</metrics></control>"),
            -1);
  EXPECT_EQ(GetMetrics(IND_OFFSET), 7);
  EXPECT_EQ(GetMetrics(HMRK_KNOB_SIZE), 0);  // no @value
  EXPECT_EQ(GetMetrics(IND_LEFT_WIDTH), 40);

  // "ind_offset": not registered; the unnamed item: invalid and not registered.
  ASSERT_EQ(asserts.Count(), 3u);
  EXPECT_EQ(asserts.Reports()[0].message, "Metrics not registered");
  EXPECT_EQ(asserts.Reports()[1].message, "Invalid metrics ID");
  EXPECT_EQ(asserts.Reports()[2].message, "Metrics not registered");

  // A later layout overrides only what it names.
  asserts.Clear();
  EXPECT_EQ(Load("<control><metrics><item id='IND_LEFT_ICON' value='50'/></metrics></control>"), 0);
  EXPECT_EQ(GetMetrics(IND_LEFT_ICON), 50);
  EXPECT_EQ(Load("<control><other/></control>"), 0);
  EXPECT_EQ(LoadMetrics(pugi::xml_node()), 0);
  EXPECT_EQ(asserts.Count(), 0u);
  EXPECT_EQ(GetMetrics(IND_OFFSET), 7);

  Metrics().ResetToDefaults();
  EXPECT_EQ(GetMetrics(IND_OFFSET), 4);
}

TEST_F(DiagMetrics, PixelMetricsFollowTheScreenScaleAndFontSizesDoNot) {
  AssertCapture asserts;
  SetMetricsScale(1.5);
  EXPECT_EQ(GetMetrics(IND_OFFSET), 6);              // 4 × 1.5
  EXPECT_EQ(GetMetrics(MRK_BR_RANGE_HEIGHT), 20);    // 13 × 1.5, rounded
  EXPECT_EQ(GetMetrics(MRK_FONT_SIZE_NORMAL), 8);    // points: the canvas scales them
  EXPECT_EQ(GetMetrics(METRICS_COUNT), -1);
  Load("<control><metrics><item id='IND_OFFSET' value='10'/></metrics></control>");
  EXPECT_EQ(Metrics().Get(IND_OFFSET), 10);  // stored as the layout says
  EXPECT_EQ(GetMetrics(IND_OFFSET), 15);
  SetMetricsScale(0.0);  // refused
  EXPECT_DOUBLE_EQ(GetMetricsScale(), 1.5);
  SetMetricsScale(1.0);
}
