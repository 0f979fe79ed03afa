#include "diagram/TraceListModel.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/Xml.h"
#include "support/Capture.h"

namespace {

const int kEmpty = CTraceListModel::kHeaderHeight + 2;

std::vector<int> Widths(const CTraceListModel& list) {
  std::vector<int> widths;
  for (int c = 0; c < TraceListInterface::kColumns; ++c) widths.push_back(list.ColumnWidth(c));
  return widths;
}

}  // namespace

TEST(TraceListModel, AutoresizeGrowsForFiveRowsAndShrinksOnDelete) {
  CTraceListModel list;
  EXPECT_EQ(list.Height(), kEmpty);
  for (int i = 0; i < 6; ++i) list.AddItem(i);
  EXPECT_EQ(list.Height(), kEmpty + 5 * 17);  // the sixth row scrolls
  list.DeleteItem(5);                          // the scroll bar was shown: no shrink
  EXPECT_EQ(list.Height(), kEmpty + 5 * 17);
  list.DeleteItem(0);
  EXPECT_EQ(list.Height(), kEmpty + 4 * 17);
  EXPECT_EQ(list.GetItemImage(0), 0);
  EXPECT_EQ(list.GetItemImage(3), 3);
  list.DeleteItem(7);  // out of range
  EXPECT_EQ(list.Count(), 4);
  int height = 100;
  EXPECT_EQ(list.CalcBestHeight(height), 4);
  EXPECT_EQ(height, 90);
  height = 300;  // no more rows than there are
  EXPECT_EQ(list.CalcBestHeight(height), 4);

  CTraceListModel three;
  for (int i = 0; i < 3; ++i) three.AddItem(10 + i);
  three.DeleteItem(0);
  EXPECT_EQ(three.GetItemImage(0), 0);
  EXPECT_EQ(three.GetItemImage(1), 1);
  three.DeleteItem(0);
  three.DeleteItem(0);  // the last row leaves the height alone
  EXPECT_EQ(three.Height(), kEmpty + 17);
}

TEST(TraceListModel, SelectionIsBoundedAndReported) {
  CTraceListModel list;
  std::vector<std::pair<int, bool>> changes;
  list.SetSelectionHandler([&](int row, bool on) { changes.emplace_back(row, on); });
  list.AddItem(0);
  list.AddItem(1);
  list.SelectAll();
  EXPECT_TRUE(list.IsSelected(0) && list.IsSelected(1));
  list.AddItem(2);  // earlier rows lose their selection
  EXPECT_FALSE(list.IsSelected(0) || list.IsSelected(1) || list.IsSelected(2));
  list.SelectItem(2, true);
  list.SelectItem(2, true);  // no change, no call
  list.SelectItem(3, true);
  list.SelectItem(-1, true);
  EXPECT_FALSE(list.IsSelected(3) || list.IsSelected(-1));
  EXPECT_EQ(list.FocusedItem(), 2);
  list.ClearSelection();
  EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{
                         {0, true}, {1, true}, {0, false}, {1, false}, {2, true}, {2, false}}));

  list.SetItemChecked(5, true);
  EXPECT_FALSE(list.IsItemChecked(5));
}

TEST(TraceListModel, TraceListElement) {
  CTraceListModel list;
  list.SetColumnWidth(6, 123);
  list.SetAutoResize(false);
  list.SetHeaderVisible(false);
  pugi::xml_document doc;
  pugi::xml_node diagram = doc.append_child("diagram");
  list.Serialize(diagram);
  const pugi::xml_node saved = diagram.child("trace_list");
  EXPECT_EQ(GetNodeIntValue(saved, L"@height"), kEmpty);
  EXPECT_FALSE(GetNodeBoolValue(saved, L"@display_header", true));
  EXPECT_FALSE(GetNodeBoolValue(saved, L"@autoresize", true));
  EXPECT_EQ(SelectNodes(saved, L"columns/column").size(), 8u);
  EXPECT_EQ(GetNodeIntValue(saved, L"columns/column[7]/@width"), 123);

  CTraceListModel read;
  read.SetColumnWidth(0, 7);
  read.Deserialize(saved);
  EXPECT_EQ(Widths(read), Widths(list));
  EXPECT_FALSE(read.GetAutoResize());

  // Without "columns" the widths stay; a column without a width gets 100.
  pugi::xml_document other;
  other.load_string("<trace_list/><trace_list><columns>x<column/><column width='5'/></columns></trace_list>");
  read.Deserialize(other.first_child());
  EXPECT_EQ(Widths(read), Widths(list));
  EXPECT_TRUE(read.GetAutoResize());
  AssertCapture asserts;
  read.Deserialize(other.first_child().next_sibling());
  EXPECT_TRUE(asserts.Saw("(pColumn = GetElement(pNode))!=NULL"));
  EXPECT_EQ(read.ColumnWidth(0), 100);
  EXPECT_EQ(read.ColumnWidth(1), 5);

  read.SetAutoResize(false);
  read.Deserialize(pugi::xml_node());
  EXPECT_EQ(Widths(read), (std::vector<int>{90, 40, 90, 58, 58, 30, 100, 85}));
  EXPECT_TRUE(read.GetAutoResize());
}
