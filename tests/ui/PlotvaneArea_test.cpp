// The area as a host uses it: channels from a simulated instrument, a layout, sweeps, and a
// picture of what an operator would see (saved for a person to look at).
#include <gtest/gtest.h>

#include <QKeyEvent>

#include <QDir>
#include <QImage>
#include <QMenu>

#include <string>

#include "Simulator.h"
#include "common/Text.h"
#include "control/DiagramControl.h"
#include "diagram/Diagram.h"
#include "diagram/ExStatusBar.h"
#include "measurements/Measurement.h"
#include "traces/Trace.h"
#include "ui/DiagramWidget.h"
#include "ui/ExListView.h"
#include "ui/PlotvaneArea.h"
#include "ui/QtTestApp.h"

namespace {

const char* kLayout = R"(<layout><diagram_control mode="4">
  <diagram position="4" name="Фильтр"><traces>
    <trace type="Measuring"><measurement name="S11" channel="1"/>
      <filters><filter type="QUANTITY" mode="0"/></filters></trace>
    <trace type="Measuring"><measurement name="S21" channel="1"/>
      <filters><filter type="QUANTITY" mode="0"/></filters></trace></traces></diagram>
  <diagram position="2" name="Спектр"><traces>
    <trace type="Measuring"><measurement name="SA" channel="2"/></trace></traces></diagram>
  <diagram position="3" name="Демодуляция" type="info"/>
</diagram_control></layout>)";

// Pixels of the frame of diagram `d` with exactly the colour of its trace `t`, inside the
// trace's plot rectangle and outside it.
std::pair<int, int> TracePixels(TPlotvaneArea& area, unsigned d, unsigned t) {
  CDiagram* diagram = area.Control()->GetDiagram(d);
  const QImage frame = area.DiagramWidget(d)->Frame().convertToFormat(QImage::Format_RGB32);
  const TColor c = diagram->Trace(t)->GetColor();
  const QRgb want = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  const SRect plot = diagram->GetChart()->PlotRect();
  int inside = 0, outside = 0;
  for (int y = 0; y < frame.height(); ++y) {
    for (int x = 0; x < frame.width(); ++x) {
      if (frame.pixel(x, y) != want) continue;
      (plot.Contains(x, y) ? inside : outside)++;
    }
  }
  return {inside, outside};
}

}  // namespace

TEST(PlotvaneArea, ShowsALiveLayoutAndReportsToTheHost) {
  QtTestApp();
  TPlotvaneArea area(nullptr, L"QUANTITY", L"" PLOTVANE_PLUGIN_DIR);
  area.resize(1200, 800);
  area.show();
  std::vector<std::wstring> reports;
  CInstrumentSimulator sim([&] { return area.CreateMeasurement(); }, 801);
  area.OnSendParameter = [&](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
    reports.push_back(m->GetName() + L" " + name + L" " + std::to_wstring(static_cast<int>(value)));
    sim.OnParameter(m, name, value, extra);
  };
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(kLayout));
  ASSERT_TRUE(area.Deserialize(doc.document_element(), ""));
  ASSERT_EQ(area.Control()->GetDiagramCount(), 2u);
  ASSERT_NE(area.Control()->GetInfoPanel(), nullptr);

  // The host measures exactly what the diagrams use.
  EXPECT_TRUE(sim.IsMeasured(sim.Channel(L"S21")));
  EXPECT_TRUE(sim.IsMeasured(sim.Channel(L"SA")));
  EXPECT_FALSE(sim.IsMeasured(sim.Channel(L"S12")));
  EXPECT_NE(std::find(reports.begin(), reports.end(), L"S11 Using 1"), reports.end());

  area.SetDiagramString(L"DEMODINFO", L"Мощность;-12.5;дБм\nДевиация;2.5;кГц");
  for (int i = 0; i < 5; ++i) sim.Sweep();
  RunEventsFor(60);

  // Traces in their colours inside their plots; the lists hold their rows.
  for (unsigned d = 0; d < 2; ++d) {
    CDiagram* diagram = area.Control()->GetDiagram(d);
    for (unsigned t = 0; t < diagram->GetTraceCount(); ++t) {
      const auto [inside, outside] = TracePixels(area, d, t);
      EXPECT_GT(inside, 200) << "diagram " << d << " trace " << t;
      EXPECT_LE(outside, 150) << "diagram " << d << " trace " << t;  // the bar's swatch only
    }
    EXPECT_EQ(area.TraceListView(d)->Count(), static_cast<int>(diagram->GetTraceCount()));
  }
  EXPECT_EQ(area.TraceListView(0)->GetItemText(1, 6), L"Лог. модуль");
  ASSERT_GT(area.Control()->GetDiagram(0)->GetBarCount(), 0u);
  EXPECT_TRUE(area.Control()->GetDiagram(0)->HorizontalBar(0)->IsShowing());

  // A burst of invalidations costs at most one frame per interval.
  const int before = area.DiagramWidget(0)->FramesDrawn();
  for (int i = 0; i < 10; ++i) sim.Sweep();
  RunEventsFor(40);
  EXPECT_LE(area.DiagramWidget(0)->FramesDrawn() - before, 4);

  // The diagram menu the host's menu bar shows.
  QMenu menu;
  area.GetDiagramMenuEvent()(&menu);
  EXPECT_GE(menu.actions().size(), 4);

  // Ctrl+W in a diagram window makes a marker, which the marker menu then offers.
  TDiagramWidget* window = area.DiagramWidget(0);
  QKeyEvent ctrlW(QEvent::KeyPress, Qt::Key_W, Qt::ControlModifier);
  QCoreApplication::sendEvent(window, &ctrlW);
  EXPECT_FALSE(window->Diagram()->GetMarkers()->Marker(0)->GetParked());
  QMenu markers;
  area.GetMarkerMenuEvent()(&markers);
  QStringList captions;
  for (QAction* action : markers.actions()) captions << action->text().section(QLatin1Char('\t'), 0, 0);  // less the shortcut
  EXPECT_TRUE(captions.contains(QString::fromStdWString(Tr("Включить новый")))) << captions.join('|').toStdString();
  EXPECT_TRUE(captions.contains(QString::fromStdWString(Tr("Маркер ")) + "1")) << captions.join('|').toStdString();

  // The picture, for a person to look at.
  const QString picture = QDir::current().absoluteFilePath("plotvane-area.png");
  EXPECT_TRUE(area.grab().save(picture));

  // Resizing re-arranges the diagrams in their mode.
  area.resize(800, 600);
  RunEventsFor(20);
  const SRect r = area.Control()->GetSlotRect(0);
  EXPECT_EQ(r.Width(), 800);
  area.DestroyMeasurements();
}

TEST(PlotvaneArea, ColourThemeFollowsTheDesktopPaletteUnlessForced) {
  QtTestApp();
  TPlotvaneArea area(nullptr, L"", L"/nonexistent");
  area.Control()->AddDiagram();
  CDiagram* diagram = area.Control()->GetDiagram(0);
  const auto background = [&] { return diagram->GetChart()->Color(); };
  ASSERT_TRUE(area.palette().color(QPalette::Window).lightness() >= 128) << "the offscreen palette is light";
  EXPECT_EQ(area.Control()->GetTheme(), GetColorTheme(0));

  QPalette dark = area.palette();
  dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::WindowText, Qt::white);
  const QPalette light = area.palette();
  area.setPalette(dark);
  EXPECT_EQ(area.Control()->GetTheme(), GetColorTheme(1));
  EXPECT_EQ(background(), GetColorTheme(1)->colors[ctsBackground]) << "existing diagrams change too";

  // A forced theme stays through palette changes; "follow" takes the palette again.
  area.SetColorTheme(2);
  area.setPalette(light);
  area.setPalette(dark);
  EXPECT_EQ(area.Control()->GetTheme(), GetColorTheme(2));
  area.SetColorTheme(-1);
  EXPECT_EQ(area.Control()->GetTheme(), GetColorTheme(1));
  area.setPalette(light);
  EXPECT_EQ(background(), GetColorTheme(0)->colors[ctsBackground]);
}
