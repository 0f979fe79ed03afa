// plotvane-demo: a host window with the diagram area, fed by a simulated two-port vector
// network analyser and a spectrum analyser.
//
//   plotvane-demo [--layout FILE] [--points N] [--rate HZ] [--bus-name NAME | --no-bus]
//   plotvane-demo --offscreen [--sweeps N] [--snapshot FILE.png|.svg|.pdf]
//   plotvane-demo --offscreen --serve     sweeps and serves scripts without a window until stopped
//   plotvane-demo --save-layout FILE      writes the built-in layout and exits
//
// While it runs (with a window, or offscreen with --serve) the automation objects are on the
// user's session bus under the name org.plotvane.Demo.Pid<process id>, or the one given.
#include <QApplication>
#include <QDBusConnection>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>

#include "Simulator.h"
#include "common/Text.h"
#include "common/Xml.h"
#include "control/DiagramControl.h"
#include "diagram/Diagram.h"
#include "diagram/ObjectArranger.h"
#include "measurements/Measurement.h"
#include "traces/TraceMath.h"
#include "ui/AutomationBus.h"
#include "ui/PlotvaneArea.h"
#include "ui/QtPorts.h"

namespace {

// The built-in layout: S11 and S21 in log magnitude, the spectrum, the information panel.
void BuildDefaultLayout(pugi::xml_node root) {
  const CObjectArranger arranger;
  const int mode = arranger.GetMode(3);
  pugi::xml_node control = AddElement(root, L"diagram_control");
  AddAttribute(control, L"mode", static_cast<long long>(mode));
  struct STraceSpec {
    const wchar_t* name;
    const wchar_t* channel;
    const wchar_t* msrChannel;
    const wchar_t* mode;
    double ref, div;
  };
  // A marker of the layout: its slot, search, trace, offset from marker `ref` and frame row.
  struct SMarkerEntry {
    int id;
    const wchar_t* mode;
    const wchar_t* trace;
    int ref;
    const wchar_t* direction;
    double divergence;
    double framePos;
    int counter;
  };
  const auto markers = [](pugi::xml_node d, std::initializer_list<SMarkerEntry> entries, int relationA, int relationB) {
    pugi::xml_node preset = AddElement(d, L"markerPreset");
    AddAttribute(preset, L"show_new_traces", false);
    pugi::xml_node list = AddElement(preset, L"markerList");
    for (const SMarkerEntry& s : entries) {
      pugi::xml_node marker = AddElement(list, L"marker");
      AddAttribute(marker, L"id", static_cast<long long>(s.id));
      AddAttribute(marker, L"enabled", true);
      AddAttribute(AddElement(marker, L"parked"), L"value", false);
      AddAttribute(AddElement(marker, L"framePos"), L"value", s.framePos);
      pugi::xml_node counter = AddElement(marker, L"frequencyCounter");
      AddAttribute(counter, L"state", static_cast<long long>(s.counter));
      AddAttribute(counter, L"accuracy", 1000.0);
      pugi::xml_node action = AddElement(marker, L"action");
      AddAttribute(action, L"value", s.mode);
      AddAttribute(AddElement(action, L"linkTrace"), L"value", s.trace);
      AddAttribute(AddElement(action, L"refMarker"), L"value", static_cast<long long>(s.ref));
      pugi::xml_node divergence = AddElement(action, L"divergence");
      AddAttribute(divergence, L"value", s.divergence);
      AddAttribute(divergence, L"direction", s.direction);
      pugi::xml_node lines = AddElement(marker, L"lineList");
      pugi::xml_node stimulus = AddElement(lines, L"line");
      AddAttribute(stimulus, L"sourceTrace", L"");
      AddAttribute(stimulus, L"fraction", 3LL);
      pugi::xml_node value = AddElement(lines, L"line");
      AddAttribute(value, L"sourceTrace", s.trace);
      AddAttribute(value, L"fraction", 2LL);
    }
    pugi::xml_node relations = AddElement(preset, L"relationList");
    if (relationA >= 0) {
      pugi::xml_node relation = AddElement(relations, L"relation");
      AddAttribute(relation, L"markerA", static_cast<long long>(relationA));
      AddAttribute(relation, L"markerB", static_cast<long long>(relationB));
      AddAttribute(AddElement(relation, L"framePos"), L"value", 75.0);
    }
  };
  const auto diagram = [&](int slot, const wchar_t* name, std::initializer_list<STraceSpec> traces) {
    pugi::xml_node d = AddElement(control, L"diagram");
    AddAttribute(d, L"position", static_cast<long long>(arranger.GetModePosition(mode, slot)));
    AddAttribute(d, L"name", name);
    pugi::xml_node list = AddElement(d, L"traces");
    for (const STraceSpec& t : traces) {
      pugi::xml_node trace = AddElement(list, L"trace");
      AddAttribute(trace, L"type", L"Measuring");
      AddAttribute(trace, L"name", t.name);
      pugi::xml_node m = AddElement(trace, L"measurement");
      AddAttribute(m, L"name", t.channel);
      AddAttribute(m, L"channel", t.msrChannel);
      pugi::xml_node scaling = AddElement(trace, L"scaling");
      AddAttribute(scaling, L"ref_level", t.ref);
      AddAttribute(scaling, L"scale", t.div);
      AddAttribute(scaling, L"ref_position", 10LL);
      if (t.mode != nullptr) {
        pugi::xml_node filter = AddElement(AddElement(trace, L"filters"), L"filter");
        AddAttribute(filter, L"type", L"QUANTITY");
        AddAttribute(filter, L"mode", t.mode);
      }
    }
    return d;
  };
  // The filter: the peak of S21 and the two −3 dB points beside it, with the band between.
  markers(diagram(0, L"Фильтр", {{L"S11", L"S11", L"1", L"0", 0, 10}, {L"S21", L"S21", L"1", L"0", 0, 10}}),
          {{0, L"maximum", L"S21", -1, L"leftResp", 0, 0, 0},
           {1, L"ref", L"S21", 0, L"leftResp", 3, 45, 0},
           {2, L"ref", L"S21", 0, L"rightResp", 3, 45, 0}},
          1, 2);
  // The spectrum: the strongest carrier, counted, and a delta marker on the next one 35 MHz up.
  markers(diagram(1, L"Спектр", {{L"SA", L"Спектр", L"2", nullptr, 0, 10}}),
          {{0, L"maximum", L"SA", -1, L"leftResp", 0, 0, 1}, {1, L"ref", L"SA", 0, L"rightStim", 35e6, 20, 0}}, -1, -1);
  pugi::xml_node info = AddElement(control, L"diagram");
  AddAttribute(info, L"position", static_cast<long long>(arranger.GetModePosition(mode, 2)));
  AddAttribute(info, L"name", L"Демодуляция");
  AddAttribute(info, L"type", L"info");
  AddElement(root, L"proppages");
}

// Demodulation results the simulated analyser reports, in the panel's "name;value;unit" rows;
// the panel shows the names translated.
constexpr const char* kDemodNames[] = {TrNoop("Несущая"), TrNoop("Мощность"), TrNoop("Девиация"),
                                       TrNoop("Коэф. модуляции"), TrNoop("СКО фазы")};

std::wstring DemodulationInfo(int sweep) {
  const auto name = [](int i) { return Utf8ToWide(kDemodNames[i]); };
  wchar_t values[3][32];
  std::swprintf(values[0], 32, L"%.2f", -12.0 + 0.1 * std::sin(sweep * 0.7));
  std::swprintf(values[1], 32, L"%.3f", 2.5 + 0.05 * std::sin(sweep * 0.3));
  std::swprintf(values[2], 32, L"%.2f", 0.05 + 0.01 * std::cos(sweep * 0.2));
  return name(0) + L";1000.000;МГц\n" + name(1) + L";" + values[0] + L";дБм\n" + name(2) + L";" + values[1] +
         L";кГц\n\n" + name(3) + L";NAN;%\n" + name(4) + L";" + values[2] + L";рад";
}

bool SaveSnapshot(QWidget& area, const QString& file) {
  if (file.endsWith(".svg", Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(area.size());
    svg.setViewBox(QRect(QPoint(0, 0), area.size()));
    QPainter painter(&svg);
    area.render(&painter);
    return painter.end();
  }
  if (file.endsWith(".pdf", Qt::CaseInsensitive)) {
    QPdfWriter pdf(file);
    pdf.setPageSize(QPageSize(QSizeF(area.width(), area.height()), QPageSize::Point));
    pdf.setResolution(72);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&pdf);
    area.render(&painter);
    return painter.end();
  }
  return area.grab().save(file);
}

// After the first sweep: a memory copy of the first diagram's S21 and a math trace of the
// live S21 less that copy, so the drift of the live trace shows against the reference.
void AddReferenceTraces(CDiagramControl& control) {
  CDiagram* diagram = control.GetDiagramCount() > 0 ? control.GetDiagram(0) : nullptr;
  if (diagram == nullptr) return;
  CTraceMathSource* s21 = nullptr;
  for (unsigned i = 0; i < diagram->GetTraceCount(); ++i) {
    if (diagram->Trace(i)->GetTraceType() == L"Memory") return;  // the layout has its own
    MeasurementInterface* m = diagram->Trace(i)->Measurement();
    if (m != nullptr && m->GetName() == L"S21") s21 = dynamic_cast<CTraceMathSource*>(diagram->Trace(i));
  }
  if (s21 == nullptr) return;
  auto* memory = dynamic_cast<CTraceMathSource*>(diagram->RememberTrace(s21, Tr("S21 память")));
  auto* math = dynamic_cast<CTraceMath*>(diagram->AddMathTrace());
  if (memory == nullptr || math == nullptr) return;
  math->SetName(Tr("S21 − память"));
  math->SetSourceTrace(0, s21);
  math->SetSourceTrace(1, memory);
  math->SetExpression(L"A-B");
  math->SetScale(0, 0.1);
}

}  // namespace

int main(int argc, char** argv) {
  bool offscreen = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    offscreen = offscreen || arg == "--offscreen" || arg == "--save-layout";
  }
  if (offscreen) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("plotvane-demo");

  QCommandLineParser parser;
  parser.setApplicationDescription("Plotvane demo host with a simulated instrument");
  parser.addHelpOption();
  parser.addOption({"layout", "Layout file to load.", "file"});
  parser.addOption({"points", "Points per sweep (default 1601).", "n", "1601"});
  parser.addOption({"rate", "Sweeps per second (default 20).", "hz", "20"});
  parser.addOption({"offscreen", "Run without a display."});
  parser.addOption({"sweeps", "Offscreen: sweeps to run before the snapshot (default 40).", "n", "40"});
  parser.addOption({"snapshot", "Offscreen: picture to write (.png, .svg or .pdf).", "file", "demo.png"});
  parser.addOption({"save-layout", "Write the built-in layout to a file and exit.", "file"});
  parser.addOption({"serve", "Offscreen: keep sweeping and serving scripts until stopped."});
  parser.addOption({"bus-name", "Session-bus name of the automation objects (default org.plotvane.Demo.Pid<pid>).",
                    "name"});
  parser.addOption({"no-bus", "Do not offer the automation objects on the session bus."});
  parser.process(app);

  if (parser.isSet("save-layout")) {
    CXMLDocument doc;
    pugi::xml_node root = doc.Doc().append_child("layout");
    BuildDefaultLayout(root);
    FormatNode(root);
    const SXmlResult saved = doc.Save(parser.value("save-layout").toStdWString());
    if (!saved) std::fprintf(stderr, "cannot write the layout: %s\n", WideToUtf8(saved.description).c_str());
    return saved ? 0 : 1;
  }

  InstallQtPorts();
  const int points = std::max(2, parser.value("points").toInt());
  const double rate = std::max(0.1, parser.value("rate").toDouble());

  QMainWindow window;
  window.setWindowTitle(QString::fromStdWString(Tr("Plotvane — демонстрация")));
  auto* area = new TPlotvaneArea(&window, L"QUANTITY");
  window.setCentralWidget(area);
  window.resize(1400, 900);

  // The instrument's channels exist before the layout that shows them is loaded.
  CInstrumentSimulator simulator([area] { return area->CreateMeasurement(); }, points);
  area->OnSendParameter = [&simulator](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
    simulator.OnParameter(m, name, value, extra);
  };
  area->SetDiagramString(L"DEVICEINFO", L"Имитатор ВАЦ, 2 порта");
  area->SetDiagramString(L"DeviceControl", L"1");  // markers may command the simulated instrument
  area->SetDiagramString(L"DEMODCAPTION", Tr("Демодуляция").c_str());

  // The host's menus, filled by the area when they open.
  const std::pair<const char*, std::function<void(QMenu*)>> menus[] = {
      {"&Диаграмма", area->GetDiagramMenuEvent()},
      {"&Маркер", area->GetMarkerMenuEvent()},
      {"&Трасса", area->GetTraceMenuEvent()},
      {"&Вид", area->GetViewMenuEvent()},
  };
  for (const auto& [caption, fill] : menus) {
    QMenu* menu = window.menuBar()->addMenu(QString::fromStdWString(Tr(caption)));
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, fill = fill] { fill(menu); });
  }

  // The layout: the file asked for, else the one beside the program, else the built-in one.
  CXMLDocument layout;
  const QString layoutFile = parser.isSet("layout") ? parser.value("layout")
                                                     : QCoreApplication::applicationDirPath() + "/layouts/default.xml";
  const SXmlResult opened = layout.Open(layoutFile.toStdWString());
  if (!opened) {
    const QString text = QString::fromStdWString(Tr("Не удалось загрузить раскладку %0:\n%1"))
                             .replace("%0", layoutFile)
                             .replace("%1", QString::fromStdWString(opened.description));
    if (offscreen || !parser.isSet("layout")) {
      std::fprintf(stderr, "%s\n", text.toStdString().c_str());
    } else {
      QMessageBox::warning(&window, QString::fromStdWString(Tr("Раскладка")), text);
    }
    layout.Close();
    BuildDefaultLayout(layout.Doc().append_child("layout"));
  }
  window.show();
  area->Deserialize(layout.Doc().document_element(), "");

  int sweep = 0;
  const auto tick = [&] {
    simulator.Sweep();
    area->SetDiagramString(L"DEMODINFO", DemodulationInfo(++sweep).c_str());
    if (sweep == 1) AddReferenceTraces(*area->Control());
  };

  const bool serve = !offscreen || parser.isSet("serve");
  // Scripts reach the area over the session bus while it runs.
  TAutomationBus automation(area->Control());
  automation.onChanged = [area] { area->SyncDiagrams(); };
  if (serve && !parser.isSet("no-bus")) {
    const QString name = parser.isSet("bus-name") ? parser.value("bus-name")
                                                  : QString("org.plotvane.Demo.Pid%1").arg(QCoreApplication::applicationPid());
    if (automation.Register(QDBusConnection::sessionBus(), name)) {
      std::fprintf(stderr, "automation: session bus name %s\n", name.toStdString().c_str());
    } else {
      std::fprintf(stderr, "automation not offered: %s\n", automation.LastError().toStdString().c_str());
    }
  }

  if (!serve) {
    const int sweeps = std::max(1, parser.value("sweeps").toInt());
    for (int i = 0; i < sweeps; ++i) {
      tick();
      QCoreApplication::processEvents();
    }
    // Let the coalesced repaints happen before the picture is taken.
    QTimer::singleShot(50, &app, &QCoreApplication::quit);
    app.exec();
    const QString file = parser.value("snapshot");
    if (!SaveSnapshot(*area, file)) {
      std::fprintf(stderr, "cannot write %s\n", file.toStdString().c_str());
      return 1;
    }
    std::printf("%s\n", QFileInfo(file).absoluteFilePath().toStdString().c_str());
    area->DestroyMeasurements();
    return 0;
  }

  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, tick);
  timer.start(static_cast<int>(1000.0 / rate));
  const int result = app.exec();
  area->DestroyMeasurements();
  return result;
}
