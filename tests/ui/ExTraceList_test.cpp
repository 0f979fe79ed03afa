// The touch trace list on its own and as the area uses it in touch mode, and the images and
// styles of the data module.
#include <gtest/gtest.h>

#include <QDir>
#include <QMenu>
#include <QToolBar>

#include "Simulator.h"
#include "common/Xml.h"
#include "control/DiagramControl.h"
#include "diagram/Diagram.h"
#include "ui/DiagramDataModule.h"
#include "ui/ExTraceList.h"
#include "ui/PlotvaneArea.h"
#include "ui/QtTestApp.h"

TEST(ExTraceList, GrowsWithItsFirstRowsAndKeepsItsHeightInTheLayout) {
  QtTestApp();
  TExTraceList list;
  std::vector<int> resized;
  QObject::connect(&list, &TExTraceList::ListResized, [&](int h) { resized.push_back(h); });
  std::vector<int> heights;
  for (int i = 0; i < 7; ++i) {
    list.AddItem(i);
    heights.push_back(list.ListHeight());
  }
  EXPECT_GE(list.RowHeight(), TExTraceList::kIconSize);  // a finger's row
  for (int i = 1; i < TExTraceList::kMaxAutoRows; ++i) EXPECT_GT(heights[i], heights[i - 1]) << i;
  EXPECT_EQ(heights[5], heights[4]);  // the sixth row scrolls
  EXPECT_EQ(heights[6], heights[4]);
  EXPECT_FALSE(resized.empty());

  // Rows: the name on top, columns below; images renumbered after a deletion.
  list.SetItemText(1, 0, L"Трс2");
  list.SetItemText(1, 6, L"Лог. модуль");
  EXPECT_EQ(list.GetItemText(1, 0), L"Трс2");
  EXPECT_TRUE(list.item(1)->text().startsWith("Трс2\n"));
  EXPECT_TRUE(list.item(1)->text().contains("Лог. модуль"));
  list.DeleteItem(0);
  EXPECT_EQ(list.GetItemImage(0), 0);
  EXPECT_EQ(list.GetItemText(0, 0), L"Трс2");

  // Taps toggle rows one by one and report them; checks report the operator's toggles only.
  std::vector<std::pair<int, bool>> selection, checks;
  list.SetSelectionHandler([&](int row, bool on) { selection.push_back({row, on}); });
  list.SetCheckHandler([&](int row, bool on) { checks.push_back({row, on}); });
  list.SelectItem(0, true);
  list.SelectItem(2, true);
  EXPECT_TRUE(list.IsSelected(0) && list.IsSelected(2));
  EXPECT_EQ(selection.back(), std::make_pair(2, true));
  list.SetItemChecked(1, true);
  EXPECT_TRUE(checks.empty());
  list.item(1)->setCheckState(Qt::Unchecked);
  ASSERT_EQ(checks.size(), 1u);
  EXPECT_EQ(checks[0], std::make_pair(1, false));
  EXPECT_FALSE(list.IsSelected(9));

  pugi::xml_document doc;
  list.SetAutoResize(false);
  list.SetListHeight(140);
  list.Serialize(doc.append_child("diagram"));
  pugi::xml_node saved = doc.child("diagram").child("trace_list");
  EXPECT_EQ(GetNodeIntValue(saved, L"@height"), 140);
  EXPECT_FALSE(GetNodeBoolValue(saved, L"@autoresize", true));
  TExTraceList other;
  other.Deserialize(saved);
  EXPECT_EQ(other.ListHeight(), 140);
  EXPECT_FALSE(other.GetAutoResize());
  other.Deserialize(pugi::xml_node());
  EXPECT_TRUE(other.GetAutoResize());
}

TEST(ExTraceList, TakesThePlaceOfTheListViewInTouchMode) {
  QtTestApp();
  TPlotvaneArea area(nullptr, L"QUANTITY", L"" PLOTVANE_PLUGIN_DIR);
  area.SetTouchMode(true);
  EXPECT_EQ(area.GetDataModule()->ToolBarIconSize(), 32);
  CInstrumentSimulator sim([&] { return area.CreateMeasurement(); }, 101);
  pugi::xml_document doc;
  doc.load_string(R"(<layout><diagram_control mode="2">
    <diagram position="0"><traces><trace type="Measuring"><measurement name="S11" channel="1"/></trace>
      <trace type="Measuring"><measurement name="S21" channel="1"/></trace></traces></diagram>
    <diagram position="1"><traces><trace type="Measuring"><measurement name="S22" channel="1"/></trace></traces></diagram>
  </diagram_control></layout>)");
  area.resize(900, 600);
  area.show();
  area.Deserialize(doc.document_element(), "");
  ASSERT_EQ(area.Control()->GetDiagramCount(), 2u);
  for (int i = 0; i < 3; ++i) sim.Sweep();
  RunEventsFor(40);
  EXPECT_TRUE(area.grab().save(QDir::current().absoluteFilePath("plotvane-touch.png")));  // for a person to look at
  EXPECT_EQ(area.TraceListView(0), nullptr);
  TExTraceList* list = area.TouchTraceList(0);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(area.Control()->GetDiagram(0)->GetTouchMode());
  EXPECT_EQ(list->Count(), 2);
  EXPECT_FALSE(list->item(0)->icon().isNull());  // the trace's colour
  EXPECT_EQ(list->GetItemText(1, 0), area.Control()->GetDiagram(0)->Trace(1u)->GetName());

  // Selecting a row selects its trace; leaving the diagram drops the touch selection.
  list->ClearSelection();
  list->SelectItem(1, true);
  ASSERT_EQ(area.Control()->GetDiagram(0)->GetSelectedTracesCount(), 1u);
  EXPECT_EQ(area.Control()->GetDiagram(0)->SelectedTrace(0), area.Control()->GetDiagram(0)->Trace(1u));
  area.Control()->SetActiveDiagram(1);
  EXPECT_FALSE(list->IsSelected(1));
  EXPECT_EQ(area.Control()->GetDiagram(0)->GetSelectedTracesCount(), 0u);
}

TEST(DiagramDataModule, RendersEveryImageAtEverySize) {
  QtTestApp();
  const TDiagramDataModule module;
  const std::pair<const char*, int> lists[] = {{"ImageList", 16}, {"TBImageList", 16}, {"ImageList_1", 24},
                                               {"TBImages", 24},  {"TBImagesDisabled", 24}, {"ImageList32", 32},
                                               {"TBImages32", 32}, {"TBImages32Disabled", 32}};
  for (const auto& [name, size] : lists) {
    const std::vector<QPixmap>& list = module.ImageList(name);
    ASSERT_EQ(static_cast<int>(list.size()), TDiagramDataModule::ImageCount()) << name;
    for (int i = 0; i < TDiagramDataModule::ImageCount(); ++i) {
      EXPECT_EQ(list[static_cast<std::size_t>(i)].size(), QSize(size, size)) << name << " " << i;
      // Something was drawn: not every pixel is the background of the first one.
      const QImage image = list[static_cast<std::size_t>(i)].toImage();
      bool drawn = false;
      for (int y = 0; y < size && !drawn; ++y)
        for (int x = 0; x < size && !drawn; ++x) drawn = image.pixel(x, y) != image.pixel(0, 0);
      EXPECT_TRUE(drawn) << name << " " << i;
    }
  }
  EXPECT_TRUE(module.ImageList("NoSuchList").empty());
  EXPECT_TRUE(module.Icon(iiCount).isNull());
  EXPECT_FALSE(module.Icon(iiMarker).isNull());

  QToolBar bar;
  module.StyleToolBar(&bar);
  EXPECT_EQ(bar.iconSize(), QSize(24, 24));
  EXPECT_FALSE(bar.styleSheet().isEmpty());
}
