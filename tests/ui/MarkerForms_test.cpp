// The marker forms offscreen: fields edit the marker at once and follow it, numbers that are
// no numbers are refused, list files with junk are refused, and the marker table lists the
// markers in use.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include <fstream>

#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "support/TempDir.h"
#include "ui/MarkerForms.h"
#include "ui/QtTestApp.h"

namespace {

struct Bench {
  CControlStub control;
  CDiagram diagram{&control};
  CMeasurement channel;
  Bench() {
    channel.SetStimulusQuantity(L"Hz");
    channel.SetStimulusRange(0, 100, true);
    channel.SetPointsCount(11);
    diagram.AddMeasurement(&channel);
    diagram.AddDataTrace()->SetName(L"T1");
    double x[11], y[11];
    for (int i = 0; i < 11; ++i) {
      x[i] = 10 * i;
      y[i] = -(i - 7) * (i - 7);  // the top at 70
    }
    channel.AddData(0, 11, x, y, nullptr);
  }
  CMarkersManager& Markers() { return *diagram.GetMarkers(); }
};

}  // namespace

TEST(MarkerForms, PropertiesEditTheMarkerAndRefuseText) {
  QtTestApp();
  UserInteractionScript ui;
  Bench b;
  CMarker& m = *b.Markers().Marker(0);
  m.Activate(true);
  m.SetOnFreq(20, false, false);
  TMarkerProperties form(b.Markers(), m);
  form.ModeBox()->setCurrentIndex(2);  // maximum
  EXPECT_EQ(m.GetParams().mode, mmMaximum);
  EXPECT_DOUBLE_EQ(m.GetFreq(), 70);
  form.ModeBox()->setCurrentIndex(0);
  form.PositionEdit()->setText("abc");
  EXPECT_FALSE(form.PositionEdit()->Accept());
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(form.PositionEdit()->text(), "70");  // the old value stays
  form.PositionEdit()->setText("40");
  EXPECT_TRUE(form.PositionEdit()->Accept());
  EXPECT_DOUBLE_EQ(m.GetFreq(), 40);
  form.reject();  // Cancel: back where the form found it
  EXPECT_DOUBLE_EQ(m.GetFreq(), 20);
  EXPECT_EQ(m.GetParams().mode, mmFree);
}

TEST(MarkerForms, AListFileWithJunkIsRefusedAndTheListStays) {
  QtTestApp();
  UserInteractionScript ui;
  const auto dir = FreshDir("marker-list");
  std::ofstream(dir / "good.txt") << "10\n20.5\n";
  std::ofstream(dir / "junk.txt") << "10\nten\n";
  TValueListForm form("list", "f, MHz", 1e-6, 0, 1e9, 30, {1e6});
  std::vector<double> values;
  EXPECT_FALSE(form.LoadFile((dir / "junk.txt").wstring()));
  ASSERT_TRUE(form.Values(values));
  EXPECT_EQ(values, std::vector<double>{1e6});
  ASSERT_TRUE(form.LoadFile((dir / "good.txt").wstring()));
  ASSERT_TRUE(form.Values(values));
  EXPECT_EQ(values, (std::vector<double>{10e6, 20.5e6}));
  form.Table()->item(1, 0)->setText("x");
  EXPECT_FALSE(form.Values(values));
  EXPECT_EQ(ui->boxes.size(), 2u);
}

TEST(MarkerForms, TheTableListsMarkersInUseAndCopiesThem) {
  QtTestApp();
  UserInteractionScript ui;
  Bench b;
  b.Markers().Marker(0)->Activate(true);
  b.Markers().Marker(0)->SetOnFreq(70, false, false);
  b.Markers().Marker(3)->Activate(true);
  TMarkerTable table;
  table.SetDiagram(&b.diagram);
  ASSERT_EQ(table.Table()->rowCount(), 2);
  EXPECT_EQ(table.Table()->item(0, 0)->text(), "M1");
  EXPECT_EQ(table.Table()->item(1, 0)->text(), "M4");
  EXPECT_TRUE(table.Csv().startsWith("Маркер;Режим;Стимул;T1\nM1;"));
  EXPECT_TRUE(table.Csv().contains(";0\n")) << table.Csv().toStdString();
  table.SetDiagram(nullptr);
  EXPECT_EQ(table.Table()->rowCount(), 0);
}
