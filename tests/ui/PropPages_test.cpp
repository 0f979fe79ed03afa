// The property pages as a host shows them: made through the area, fed by a live diagram,
// edited through their controls, and kept in the layout.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBox>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>
#include <memory>

#include "Simulator.h"
#include "support/Capture.h"
#include "control/DiagramControl.h"
#include "diagram/Diagram.h"
#include "filters/Filter.h"
#include "interfaces/MarkerInterface.h"
#include "markers/MarkersManager.h"
#include "traces/Trace.h"
#include "ui/MarkerPropPage.h"
#include "ui/PlotvaneArea.h"
#include "ui/QtTestApp.h"
#include "ui/TracePropPage.h"

namespace {

const char* kLayout = R"(<layout><diagram_control mode="0">
  <diagram position="0" name="Фильтр"><traces>
    <trace type="Measuring"><measurement name="S11" channel="1"/>
      <filters><filter type="QUANTITY" mode="0"/></filters></trace>
    <trace type="Measuring"><measurement name="S21" channel="1"/>
      <filters><filter type="QUANTITY" mode="0"/></filters></trace></traces></diagram>
</diagram_control>
<proppages><proppage type="Trace" section="2"/><proppage type="Marker" marker="4" follow_active="false"/></proppages>
</layout>)";

// An area with one diagram of two traces and the built-in pages placed in a window.
struct SPagesFixture {
  TPlotvaneArea area{nullptr, L"QUANTITY", L"" PLOTVANE_PLUGIN_DIR};
  CInstrumentSimulator sim{[this] { return area.CreateMeasurement(); }, 201};
  QWidget host;
  TTracePropPage* trace = nullptr;
  TMarkerPropPage* marker = nullptr;

  explicit SPagesFixture(const char* layout = kLayout) {
    area.OnSendParameter = [this](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
      sim.OnParameter(m, name, value, extra);
    };
    trace = dynamic_cast<TTracePropPage*>(area.CreatePropPage(L"trace"));  // any case
    marker = dynamic_cast<TMarkerPropPage*>(area.CreatePropPage(L"Marker"));
    area.CreatePropPageFrame(trace, &host);
    area.CreatePropPageFrame(marker, &host);
    if (layout == nullptr) return;
    pugi::xml_document doc;
    doc.load_string(layout);
    area.Deserialize(doc.document_element(), "");
    for (int i = 0; i < 3; ++i) sim.Sweep();
  }
  CDiagram* Diagram() { return area.Control()->GetDiagram(0); }
  TraceInterface* Trace(unsigned i) { return Diagram()->Trace(i); }
};

}  // namespace

TEST(TracePropPage, EditsTheSelectedTracesAndFollowsTheEngine) {
  QtTestApp();
  UserInteractionScript ui;
  SPagesFixture f;
  ASSERT_NE(f.trace, nullptr);
  ASSERT_NE(f.trace->GetFrame(), nullptr);
  f.Diagram()->SelectTrace(1);
  EXPECT_EQ(f.trace->GetSelTracesCount(), 1u);
  EXPECT_EQ(f.trace->GetSelTrace(0), f.Trace(1));

  // Field to engine: reference, division, position, width.
  f.trace->RefEdit()->setText("-12,5");
  EXPECT_TRUE(f.trace->RefEdit()->Accept());
  EXPECT_DOUBLE_EQ(f.Trace(1)->GetScaleRef(), -12.5);
  f.trace->DivEdit()->setText("5");
  f.trace->DivEdit()->Accept();
  EXPECT_DOUBLE_EQ(f.Trace(1)->GetScaleDiv(), 5);
  f.trace->PositionEdit()->setValue(3);
  EXPECT_EQ(f.Trace(1)->GetRefPosition(), 3);
  f.trace->WidthEdit()->setValue(4);
  EXPECT_EQ(f.Trace(1)->GetLineWidth(), 4);
  EXPECT_NE(f.Trace(0)->GetLineWidth(), 4);  // not selected
  f.trace->chooseColor = [](unsigned& c) {
    c = 0x00FF00;
    return true;
  };
  f.trace->ColorButton()->click();
  EXPECT_EQ(f.Trace(1)->GetColor(), 0x00FF00u);

  // Text that is no number: refused with the message, the trace and the field keep the value.
  f.trace->RefEdit()->setText("abc");
  EXPECT_FALSE(f.trace->RefEdit()->Accept());
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].text, L"Некорректное значение");
  EXPECT_EQ(ui->boxes[0].caption, L"Ошибка");
  EXPECT_DOUBLE_EQ(f.Trace(1)->GetScaleRef(), -12.5);
  EXPECT_EQ(f.trace->RefEdit()->text(), "-12.5");

  // Engine to field: a scale set elsewhere shows at once.
  f.Trace(1)->SetScaleRef(7);
  EXPECT_EQ(f.trace->RefEdit()->text(), "7");
  f.Trace(1)->SetScaleDiv(2);
  EXPECT_EQ(f.trace->DivEdit()->text(), "2");

  // Both traces selected: one edit reaches both.
  f.Diagram()->GetTraceList()->SelectItem(0, true);
  ASSERT_EQ(f.trace->GetSelTracesCount(), 2u);
  f.trace->DivEdit()->setText("20");
  f.trace->DivEdit()->Accept();
  EXPECT_DOUBLE_EQ(f.Trace(0)->GetScaleDiv(), 20);
  EXPECT_DOUBLE_EQ(f.Trace(1)->GetScaleDiv(), 20);

  // The two pages side by side, for a person to look at.
  auto* row = new QHBoxLayout(&f.host);
  row->addWidget(f.trace->GetFrame());
  row->addWidget(f.marker->GetFrame());
  f.host.resize(560, 560);
  f.host.show();
  RunEventsFor(20);
  EXPECT_TRUE(f.host.grab().save(QDir::current().absoluteFilePath("plotvane-pages.png")));
}

TEST(TracePropPage, ChoosesTheFormatAndEditsTheFilterChain) {
  QtTestApp();
  UserInteractionScript ui;
  SPagesFixture f;
  f.Diagram()->SelectTrace(0);
  QComboBox* format = f.trace->FormatBox();
  ASSERT_GT(format->count(), 2);
  const QString before = QString::fromStdWString(f.Trace(0)->GetQuantity(vtResponse));
  const int other = format->currentIndex() == 1 ? 2 : 1;
  emit format->activated(other);
  EXPECT_EQ(format->currentIndex(), other);
  EXPECT_EQ(format->currentText().toStdWString(), f.Diagram()->GetTraceList()->GetItemText(0, 6));
  EXPECT_NE(QString::fromStdWString(f.Trace(0)->GetQuantity(vtResponse)), before);

  // The chain: the display-format filter with its stored "mode".
  QTreeWidget* tree = f.trace->FilterTree();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* quantity = tree->topLevelItem(0);
  EXPECT_EQ(quantity->text(0), "QUANTITY");
  EXPECT_EQ(quantity->checkState(0), Qt::Checked);
  ASSERT_EQ(quantity->childCount(), 1);
  QTreeWidgetItem* mode = quantity->child(0);
  EXPECT_EQ(mode->text(0), "mode");
  EXPECT_EQ(mode->text(1).toInt(), format->itemData(other).toInt());

  // A number parameter refuses text; a number goes to the filter.
  mode->setText(1, "many");
  EXPECT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(f.Trace(0)->GetFilter(0u)->GetParameter(L"mode"), std::to_wstring(format->itemData(other).toInt()));
  QCoreApplication::processEvents();
  tree->topLevelItem(0)->child(0)->setText(1, "0");
  EXPECT_EQ(f.Trace(0)->GetFilter(0u)->GetParameter(L"mode"), L"0");
  QCoreApplication::processEvents();
  tree->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_FALSE(f.Trace(0)->GetFilter(0u)->GetEnabled());
}

TEST(MarkerPropPage, EditsTheMarkerThroughItsSettings) {
  QtTestApp();
  UserInteractionScript ui;
  SPagesFixture f;
  CMarkersManager* markers = f.Diagram()->GetMarkers();
  f.marker->SelectMarker(0);
  IMarker* m = markers->GetMarker(0);
  ASSERT_EQ(f.marker->Marker(), m);

  f.marker->EnabledBox()->setChecked(true);
  EXPECT_TRUE(m->IsActivated());
  EXPECT_FALSE(m->GetParams().parked);
  emit f.marker->ModeBox()->activated(mmMaximum);
  EXPECT_EQ(m->GetParams().mode, mmMaximum);
  emit f.marker->TraceBox()->activated(2);  // entry 0 is "none"
  EXPECT_EQ(m->GetParams().traceIndex, 1);
  EXPECT_TRUE(m->GetParams().lines.test(3));
  f.marker->FullRangeBox()->setChecked(false);
  f.marker->RangeMinEdit()->setText("1e9");
  f.marker->RangeMinEdit()->Accept();
  f.marker->RangeMaxEdit()->setText("2e9");
  f.marker->RangeMaxEdit()->Accept();
  EXPECT_FALSE(m->GetParams().noLimits);
  EXPECT_DOUBLE_EQ(m->GetParams().rangeMin, 1e9);
  EXPECT_DOUBLE_EQ(m->GetParams().rangeMax, 2e9);
  f.marker->DeltaBox()->setChecked(true);
  EXPECT_TRUE(m->GetParams().deltaMeasure);
  EXPECT_EQ(m->GetParams().refTraceIndex, 0);  // the other trace
  EXPECT_TRUE(f.marker->RefTraceBox()->isEnabled());
  QListWidget* lines = f.marker->LinesList();
  ASSERT_EQ(lines->count(), 3);  // the stimulus and two traces
  lines->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(m->GetParams().lines.test(0));

  // A level that is no number is refused; the marker keeps its level.
  emit f.marker->ModeBox()->activated(mmFixed);
  f.marker->LevelEdit()->setText("-3 dB");
  EXPECT_FALSE(f.marker->LevelEdit()->Accept());
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].text, L"Некорректное значение");
  EXPECT_EQ(m->GetParams().fixedLevel, 0);

  // Without tracking a search runs once and the marker falls back to a free one.
  f.marker->TrackingBox()->setChecked(false);
  EXPECT_FALSE(m->GetParams().tracking);
  EXPECT_EQ(f.marker->ModeBox()->currentIndex(), mmFree);
  f.marker->TrackingBox()->setChecked(true);

  // Settings changed in the engine show once the markers manager reports a change.
  SMarkParams p = m->GetParams();
  p.mode = mmMinimum;
  p.rangeMax = 3e9;
  m->SetParams(p);
  f.area.Control()->UpdatePropPages(ppuMarkers);
  EXPECT_EQ(f.marker->ModeBox()->currentIndex(), mmMinimum);
  EXPECT_EQ(f.marker->RangeMaxEdit()->text(), "3000000000");

  // Following the active marker, the page shows the marker the manager makes active.
  f.marker->Deserialize(pugi::xml_node(), nullptr);
  EXPECT_TRUE(f.marker->FollowsActive());
  markers->SetActiveMarker(6u);
  f.area.Control()->UpdatePropPages(ppuMarkers);
  EXPECT_EQ(f.marker->MarkerIndex(), 6);
  EXPECT_EQ(f.marker->MarkerBox()->currentIndex(), 6);
}

TEST(PropPages, KeepTheirStateInTheLayout) {
  QtTestApp();
  SPagesFixture f;
  // As the layout said.
  EXPECT_EQ(f.trace->Sections()->currentIndex(), 2);
  EXPECT_EQ(f.marker->MarkerIndex(), 4);
  EXPECT_FALSE(f.marker->FollowsActive());

  f.trace->Sections()->setCurrentIndex(1);
  f.marker->SelectMarker(9);
  pugi::xml_document saved;
  f.area.Serialize(saved.append_child("layout"), nullptr);

  // A fresh area with fresh pages gets the state back.
  SPagesFixture g(nullptr);
  g.area.Deserialize(saved.document_element(), "");
  EXPECT_EQ(g.trace->Sections()->currentIndex(), 1);
  EXPECT_EQ(g.marker->MarkerIndex(), 9);
  EXPECT_EQ(g.marker->MarkerBox()->currentIndex(), 9);
  EXPECT_FALSE(g.marker->FollowsActive());
}

TEST(PropPages, PackagePageExistsOnlyWithItsFilter) {
  QtTestApp();
  {
    TPlotvaneArea area(nullptr, L"QUANTITY", L"" PLOTVANE_PLUGIN_DIR);
    CPropPageBase* page = area.CreatePropPage(L"QUANTITY");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->FilterAttached(), L"QUANTITY");
    QWidget host;
    EXPECT_NE(area.CreatePropPageFrame(page, &host), nullptr);
  }
  TPlotvaneArea without(nullptr, L"SMOOTH", L"" PLOTVANE_PLUGIN_DIR);
  EXPECT_EQ(without.CreatePropPage(L"QUANTITY"), nullptr);
  EXPECT_NE(without.CreatePropPage(L"Trace"), nullptr);  // built in: no filter decides
}
