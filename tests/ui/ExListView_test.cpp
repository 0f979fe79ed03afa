// The list view of a diagram's traces: columns, autoresize, its element, and editing over a
// real diagram with the display-format package.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>

#include <vector>

#include "core/PluginManager.h"
#include "diagram/Diagram.h"
#include "diagram/TraceListModel.h"
#include "filters/Filter.h"
#include "measurements/Measurement.h"
#include "support/ControlStub.h"
#include "traces/Trace.h"
#include "ui/ExListView.h"
#include "ui/QtTestApp.h"

namespace {

std::vector<int> Widths(const TExListView& view) {
  std::vector<int> widths;
  for (int c = 0; c < view.columnCount(); ++c) widths.push_back(view.columnWidth(c));
  return widths;
}

const std::vector<int> kDefaults{90, 40, 90, 58, 58, 30, 100, 85};

}  // namespace

TEST(ExListView, ColumnsAutoresizeAndRowsFollowTheDiagram) {
  QtTestApp();
  TExListView view;
  ASSERT_EQ(view.columnCount(), 8);
  for (int c = 0; c < 8; ++c)
    EXPECT_EQ(view.headerItem()->text(c).toStdWString(), CTraceListModel::ColumnCaption(c));
  EXPECT_EQ(Widths(view), kDefaults);
  EXPECT_EQ(view.RowHeight(), TExListView::kEmptyRowHeight);

  std::vector<std::pair<int, bool>> selections, checks;
  view.SetSelectionHandler([&](int row, bool on) { selections.emplace_back(row, on); });
  view.SetCheckHandler([&](int row, bool on) { checks.emplace_back(row, on); });
  const int empty = view.ListHeight();
  view.AddItem(0);
  const int row = view.RowHeight();
  for (int i = 1; i < 6; ++i) view.AddItem(i);
  EXPECT_EQ(view.ListHeight(), empty + 5 * row);  // the sixth row scrolls

  view.SelectItem(5, true);
  view.SelectItem(9, true);
  EXPECT_TRUE(view.IsSelected(5));
  EXPECT_EQ(view.FocusedItem(), 5);
  view.AddItem(6);  // earlier rows lose their selection
  EXPECT_FALSE(view.IsSelected(5));
  EXPECT_EQ(selections, (std::vector<std::pair<int, bool>>{{5, true}, {5, false}}));

  view.SetItemChecked(1, true);  // the diagram's own changes are not reported back
  view.topLevelItem(2)->setCheckState(0, Qt::Checked);
  EXPECT_TRUE(view.IsItemChecked(1));
  EXPECT_EQ(checks, (std::vector<std::pair<int, bool>>{{2, true}}));

  // Deleting while the rows scroll keeps the height; images are renumbered.
  view.DeleteItem(0);
  EXPECT_EQ(view.ListHeight(), empty + 5 * row);
  EXPECT_EQ(view.GetItemImage(0), 0);
  EXPECT_EQ(view.GetItemImage(5), 5);
  for (int i = 0; i < 3; ++i) view.DeleteItem(0);  // six rows scroll, five fit
  EXPECT_EQ(view.ListHeight(), empty + 3 * row);

  int height = 1000;
  const int rows = view.CalcBestHeight(height);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(height, empty + 3 * row);
}

TEST(ExListView, GivesAHorizontalScrollBarItsRowWithoutOscillating) {
  QtTestApp();
  TExListView view;
  for (int i = 0; i < 3; ++i) view.AddItem(i);
  const int fitted = view.ListHeight();
  view.resize(200, fitted);  // narrower than the columns
  view.show();
  RunEventsFor(50);
  EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
  EXPECT_FALSE(view.verticalScrollBar()->isVisible());
  EXPECT_EQ(view.ListHeight(), fitted + view.RowHeight());
  RunEventsFor(50);
  EXPECT_EQ(view.ListHeight(), fitted + view.RowHeight());

  // One row under the bar leaves no room for a vertical bar to tell: the row still shows.
  TExListView single;
  single.AddItem(0);
  single.resize(200, single.ListHeight());
  single.show();
  RunEventsFor(50);
  ASSERT_TRUE(single.horizontalScrollBar()->isVisible());
  EXPECT_LE(single.visualItemRect(single.topLevelItem(0)).bottom(), single.viewport()->height());
}

TEST(ExListView, TraceListElementRoundTripAndDefaults) {
  QtTestApp();
  TExListView view;
  view.setColumnWidth(2, 123);
  view.SetAutoResize(false);
  view.SetListHeight(77);
  pugi::xml_document doc;
  view.Serialize(doc.append_child("diagram"));
  const pugi::xml_node saved = doc.child("diagram").child("trace_list");
  EXPECT_EQ(saved.attribute("height").as_int(), 77);
  EXPECT_TRUE(saved.attribute("display_header").as_bool());

  TExListView read;
  read.Deserialize(saved);
  EXPECT_EQ(Widths(read), Widths(view));
  EXPECT_FALSE(read.GetAutoResize());
  EXPECT_EQ(read.ListHeight(), 77);

  // The damaged column lists go through the model's reader, tested with the model.
  read.SetAutoResize(false);
  read.Deserialize(pugi::xml_node());
  EXPECT_EQ(Widths(read), kDefaults);
  EXPECT_TRUE(read.GetAutoResize());
}

TEST(ExListView, EditsCellsThroughTheDiagram) {
  QtTestApp();
  CModulesFactory factory(L"FILTER", L"" PLOTVANE_PLUGIN_DIR "/FilterQuantity.so");
  CControlStub control;
  control.filterFactory = &factory;
  control.SetDiagramString(L"IncludedFilters", L"QUANTITY");
  CMeasurement channel;
  channel.SetName(L"S11");
  channel.SetResponseQuantity(L"Cmplx");
  CDiagram diagram(&control);
  diagram.AddMeasurement(&channel);
  TExListView view(&diagram);
  diagram.SetTraceList(&view);
  CTrace* trace = static_cast<CTrace*>(diagram.AddDataTrace());
  ASSERT_EQ(view.Count(), 1);
  EXPECT_EQ(view.GetItemText(0, 0), trace->GetName());

  EXPECT_FALSE(view.EditActivate(0, 1));
  ASSERT_TRUE(view.EditActivate(0, 3));
  const std::wstring shown = view.GetItemText(0, 3);
  const double ref = trace->GetScaleRef();
  view.LineEditor()->setText("abc");
  EXPECT_FALSE(view.EditAccept());
  EXPECT_EQ(trace->GetScaleRef(), ref);
  EXPECT_EQ(view.GetItemText(0, 3), shown);
  EXPECT_EQ(view.EditColumn(), 4);  // Enter moves on to the division
  view.LineEditor()->setText("2,5");
  EXPECT_TRUE(view.EditAccept());
  EXPECT_DOUBLE_EQ(trace->GetScaleDiv(), 2.5);
  EXPECT_FALSE(view.IsEditing());

  ASSERT_TRUE(view.EditActivate(0, 6));
  ASSERT_EQ(view.FormatEditor()->count(), 11);
  EXPECT_EQ(view.FormatEditor()->currentData().toInt(), 0);
  view.ChooseFormatEntry(2);
  EXPECT_FALSE(view.IsEditing());
  EXPECT_EQ(trace->GetFilter(L"QUANTITY")->GetParameter(L"mode"), L"2");
  EXPECT_EQ(trace->GetQuantity(vtResponse), L"°");

  diagram.SetTraceList(nullptr);
}
