// The operator's mouse and keys on a live area: a zoom dragged with QTest, menus and
// shortcuts before any menu was opened, and pictures of a diagram.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include "Simulator.h"
#include "common/Text.h"
#include "control/DiagramControl.h"
#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/TempDir.h"
#include "traces/Trace.h"
#include "ui/DiagramPictures.h"
#include "ui/DiagramWidget.h"
#include "ui/ExListView.h"
#include "ui/PlotvaneArea.h"
#include "ui/QtTestApp.h"

namespace {

const char* kLayout = R"(<layout><diagram_control mode="1">
  <diagram position="0" name="Фильтр"><traces>
    <trace type="Measuring"><measurement name="S21" channel="1"/></trace></traces></diagram>
</diagram_control></layout>)";

struct AppFirst {
  AppFirst() { QtTestApp(); }
};

struct LiveArea : AppFirst {
  TPlotvaneArea area{nullptr, L"", L"/nonexistent"};
  CInstrumentSimulator sim{[this] { return area.CreateMeasurement(); }, 201};
  CDiagram* diagram = nullptr;
  LiveArea() {
    area.OnSendParameter = [this](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
      sim.OnParameter(m, name, value, extra);
    };
    pugi::xml_document doc;
    doc.load_string(kLayout);
    area.Deserialize(doc.child("layout"), "diagram_control");
    area.resize(900, 700);
    area.show();
    diagram = area.Control()->GetDiagram(0);
    diagram->SelectTrace(0);
    sim.Sweep(true);
    QTest::qWait(40);
  }
  ~LiveArea() { area.DestroyMeasurements(); }
};

}  // namespace

TEST(Interaction, ZoomDraggedWithTheMouseAndUndoneByItsShortcut) {
  LiveArea live;
  TDiagramWidget* window = live.area.DiagramWidget(0);
  CMeasurement* s21 = live.sim.Channel(L"S21");
  const double start = s21->GetDisplayStimStart(), stop = s21->GetDisplayStimStop();
  const SRect plot = live.diagram->GetChart()->PlotRect();
  const QPoint from(plot.left + plot.Width() / 4, plot.top + plot.Height() / 4);
  const QPoint to(plot.left + plot.Width() / 2, plot.top + plot.Height() / 2);
  QTest::mousePress(window, Qt::LeftButton, {}, from);
  QTest::mouseMove(window, (from + to) / 2);
  QTest::mouseMove(window, to);
  EXPECT_EQ(live.diagram->Gesture().mode, 1);
  QTest::mouseRelease(window, Qt::LeftButton, {}, to);
  ASSERT_EQ(live.diagram->ZoomSteps().size(), 1u);
  EXPECT_GT(s21->GetDisplayStimStart(), start);
  EXPECT_LT(s21->GetDisplayStimStop(), stop);
  live.sim.Sweep(true);  // the instrument swept the zoomed range
  EXPECT_NEAR(s21->GetStimulusStart(), s21->GetDisplayStimStart(), 1e-6 * stop);

  // Ctrl+Z with no menu ever opened.
  window->setFocus();
  EXPECT_TRUE(live.area.ExecuteShortCut(L"Ctrl+Z"));
  EXPECT_TRUE(live.diagram->ZoomSteps().empty());
  EXPECT_DOUBLE_EQ(s21->GetDisplayStimStart(), start);
}

TEST(Interaction, MenusAreFilledAndEveryShortcutIsTheAreas) {
  LiveArea live;
  for (const auto& fill : {live.area.GetDiagramMenuEvent(), live.area.GetMarkerMenuEvent(),
                           live.area.GetTraceMenuEvent(), live.area.GetViewMenuEvent()}) {
    QMenu menu;
    fill(&menu);
    EXPECT_GE(menu.actions().size(), 3);
  }
  const std::vector<std::wstring>& keys = live.area.ShortCuts();
  for (const wchar_t* key : {L"Ctrl+N", L"Ctrl+M", L"Ctrl+A", L"Ctrl+Z", L"F8", L"F9", L"F11", L"Ctrl+W"})
    EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << WideToUtf8(key);
  const unsigned before = live.diagram->GetTraceCount();
  EXPECT_TRUE(live.area.ExecuteShortCut(L"Ctrl+N"));
  EXPECT_EQ(live.diagram->GetTraceCount(), before + 1);
}

TEST(Interaction, PicturesAreWrittenWholeOrNotAtAll) {
  LiveArea live;
  UserInteractionScript ui;
  const std::string dir = FreshDir("pictures").string();
  for (const char* ext : {"png", "svg", "pdf"}) {
    const std::string path = dir + "/diagram." + ext;
    ASSERT_TRUE(SaveDiagramPicture(*live.diagram, Utf8ToWide(path), 640, 480)) << ext;
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(5);
    EXPECT_TRUE(head.startsWith("\x89PNG") || head.startsWith("<?xml") || head.startsWith("%PDF")) << ext;
  }
  EXPECT_TRUE(ui->boxes.empty());
  const std::string missing = dir + "/no/such/folder/diagram.png";
  EXPECT_FALSE(SaveDiagramPicture(*live.diagram, Utf8ToWide(missing), 640, 480));
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(missing)));

  // The view menu's command asks for the file.
  ui->fileAnswers.push_back(Utf8ToWide(dir + "/asked"));
  EXPECT_TRUE(AskAndSaveDiagramPicture(*live.diagram));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(dir + "/asked.png")));

  // Pictures follow the view menu's option: black and white on a dark theme.
  live.area.SetColorTheme(1);
  CPopupMenu menu;
  live.diagram->PrepareAreaViewMenu(&menu);
  ASSERT_TRUE(menu.Items().Find(L"Рисунок в чёрно-белом цвете")->Click());
  EXPECT_EQ(DiagramImage(*live.diagram, 200, 150).pixelColor(1, 1), QColor(Qt::white));
}

TEST(Interaction, ATraceSwatchDraggedOffTheWindowStartsTheListsDrag) {
  LiveArea live;
  TDiagramWidget* window = live.area.DiagramWidget(0);
  const SRect& bar = live.diagram->HorizontalBar(0)->GetBounds();
  QPoint swatch(bar.left, (bar.top + bar.bottom) / 2);
  while (swatch.x() < bar.right && live.diagram->HitTest(swatch.x(), swatch.y()).item.name != L"trace") swatch.rx()++;
  // The list's own drag: a QDrag of the list, kept until events run again (the offscreen
  // platform drops it at once, on nothing).
  QTest::mousePress(window, Qt::LeftButton, {}, swatch);
  for (const QPoint& p : {swatch + QPoint(5, 5), QPoint(-20, swatch.y())}) {
    QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(window->mapToGlobal(p)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(window, &move);
    EXPECT_EQ(live.area.TraceListView(0)->findChildren<QDrag*>().size(), p.x() < 0 ? 1 : 0);
  }
}
