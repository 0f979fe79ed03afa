#include "diagram/ObjectArranger.h"

#include <gtest/gtest.h>

#include <array>

namespace {

std::array<int, 4> Edges(const SRect& r) { return {r.left, r.top, r.right, r.bottom}; }

int ModeCount(const CObjectArranger& a, int mode) {
  for (int count = 0; count <= CObjectArranger::kMaxDiagrams; ++count) {
    if (a.CheckMode(mode, count)) return count;
  }
  return -1;
}

}  // namespace

TEST(ObjectArranger, PositionsAndModes) {
  const CObjectArranger a;
  SRect r;
  ASSERT_TRUE(a.GetPosition(r, 8, 801, 601));
  EXPECT_EQ(Edges(r), (std::array<int, 4>{0, 0, 801, 601}));
  ASSERT_TRUE(a.GetPosition(r, 3, 801, 601));
  EXPECT_EQ(Edges(r), (std::array<int, 4>{400, 300, 801, 601}));
  EXPECT_FALSE(a.GetPosition(r, 9, 100, 100));
  EXPECT_FALSE(a.GetPosition(r, -1, 100, 100));
  EXPECT_EQ(Edges(r), (std::array<int, 4>{400, 300, 801, 601}));  // untouched

  EXPECT_EQ(a.GetModePosition(8, 1), 2);
  EXPECT_EQ(a.GetModePosition(1, 1), -1);  // free slot
  EXPECT_EQ(a.GetModePosition(9, 0), -1);
  EXPECT_EQ(a.GetModePosition(8, 4), -1);
  EXPECT_EQ(a.GetMode(2), 2);
  EXPECT_EQ(a.GetMode(3), 4);
  EXPECT_EQ(a.GetMode(5), -1);
  EXPECT_FALSE(a.CheckMode(9, 0));
  int index = 99;
  EXPECT_TRUE(a.CheckPosition(6, 3, &index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(a.CheckPosition(6, 0, &index));
  EXPECT_EQ(index, -1);
  EXPECT_FALSE(a.CheckPosition(0, -1));  // the free slots of mode 0 are no positions

  // Every mode's diagrams cover the area exactly once, so a layout never has holes.
  for (int mode = 0; mode < CObjectArranger::kModeCount; ++mode) {
    const int count = ModeCount(a, mode);
    ASSERT_GE(count, 0) << mode;
    long area = 0;
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(a.GetPosition(r, a.GetModePosition(mode, i), 100, 100)) << mode;
      area += static_cast<long>(r.Width()) * r.Height();
    }
    EXPECT_EQ(area, count == 0 ? 0 : 10000) << mode;
  }
}

TEST(ObjectArranger, ModeFollowsTheDiagramCount) {
  const CObjectArranger a;
  int mode = 0;
  for (int expected : {1, 2, 4, 8, 8}) EXPECT_EQ(mode = a.GetModeOnCountChange(mode, false, -1), expected);

  // Removing any diagram leaves a mode of one diagram fewer.
  for (int m = 1; m < CObjectArranger::kModeCount; ++m) {
    const int count = ModeCount(a, m);
    for (int i = 0; i < count; ++i) {
      const int next = a.GetModeOnCountChange(m, true, a.GetModePosition(m, i));
      EXPECT_EQ(ModeCount(a, next), count - 1) << "mode " << m << " slot " << i;
    }
  }
  EXPECT_EQ(a.GetModeOnCountChange(8, true, 0), 4);
  EXPECT_EQ(a.GetModeOnCountChange(8, true, 3), 5);
  EXPECT_EQ(a.GetModeOnCountChange(4, true, 4), 3);  // the lower quarters stay side by side
  EXPECT_EQ(a.GetModeOnCountChange(6, true, 1), 3);
  EXPECT_EQ(a.GetModeOnCountChange(12, false, 0), 12);
  EXPECT_EQ(a.GetModeOnCountChange(4, true, 9), 4);

  EXPECT_EQ(a.GetNewMode(7, 3), 7);
  EXPECT_EQ(a.GetNewMode(8, 2), -1);
  EXPECT_EQ(a.GetNewMode(1, 3), 5);  // before mode 6, which has it too
  EXPECT_EQ(a.GetNewMode(0, 5), -1);

  // Mode 8 holds 0, 2, 1, 3; leaving out 2 gives 0, 1, 3.
  EXPECT_EQ(a.GetMinorElementPosition(1, 8, 2), 1);
  EXPECT_EQ(a.GetMinorElementPosition(2, 8, 2), 3);
  EXPECT_EQ(a.GetMinorElementPosition(3, 8, 2), -1);
  EXPECT_EQ(a.GetMinorElementPosition(0, 1, 8), -1);  // a single diagram has no others
  EXPECT_EQ(a.GetMinorElementPosition(0, 8, 9), -1);
}

TEST(ObjectArranger, DropZones) {
  const CObjectArranger a;
  EXPECT_EQ(a.GetPositionNumber(3, 500, 100, 1000, 1000), 4);
  EXPECT_EQ(a.GetPositionNumber(3, 100, 500, 1000, 1000), 6);
  EXPECT_EQ(a.GetPositionNumber(3, 350, 350, 1000, 1000), 0);  // shared corner: first zone wins
  EXPECT_EQ(a.GetPositionNumber(3, 500, 501, 1000, 1000), 5);
  EXPECT_EQ(a.GetPositionNumber(2, 200, 500, 1000, 1000), 6);
  EXPECT_EQ(a.GetPositionNumber(2, 1000, 1000, 1000, 1000), 7);  // the far corner is inside
  EXPECT_EQ(a.GetPositionNumber(4, 250, 750, 800, 1000), 2);
  EXPECT_EQ(a.GetPositionNumber(1, 500, 500, 1000, 1000), -1);
  EXPECT_EQ(a.GetPositionNumber(5, 500, 500, 1000, 1000), -1);
  EXPECT_EQ(a.GetPositionNumber(3, -1, 500, 1000, 1000), -1);
  EXPECT_EQ(a.GetPositionNumber(3, 500, 1001, 1000, 1000), -1);
}
