// plotvane-demo: a host window with the diagram area, fed by a simulated two-port vector
// network analyser and a spectrum analyser. "plotvane-demo --help" lists the options
// (host/CommandLine.cpp); help, version, the plug-in list and --save-layout need no display.
// While it runs (with a window, or offscreen with --serve) the automation objects are on the
// user's session bus under the name org.plotvane.Demo.Pid<process id>, or the one given.
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>

#include "CommandLine.h"
#include "Simulator.h"
#include "common/Text.h"
#include "common/Xml.h"
#include "control/DiagramControl.h"
#include "core/PluginManager.h"
#include "diagram/Diagram.h"
#include "diagram/ObjectArranger.h"
#include "measurements/Measurement.h"
#include "traces/TraceMath.h"
#include "ui/MarkerForms.h"
#include "ui/AutomationBus.h"
#include "ui/DiagramDataModule.h"
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
  markers(diagram(1, L"Спектр", {{L"SA", L"SA", L"2", nullptr, 0, 10}}),
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
// The units of those rows; marked so the catalogue translates them where the panel shows them.
[[maybe_unused]] constexpr const char* kDemodUnits[] = {TrNoop("МГц"), TrNoop("кГц")};

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

// --list-plugins: where packages are looked for and which ones a host would load.
int ListPlugins() {
  std::printf("search path:\n");
  const std::vector<std::wstring> folders = PluginSearchPath();
  for (const std::wstring& folder : folders) std::printf("  %s\n", WideToUtf8(folder).c_str());
  for (const auto& [type, mask] : {std::pair{kFilterPluginType, kFilterPluginMask}, {kPropPagePluginType, kPropPagePluginMask}}) {
    CModulesFactory factory(type, folders, mask);
    for (int i = 0; i < factory.Count(); ++i)
      std::printf("%s\t%s\t%s\n", WideToUtf8(type).c_str(), WideToUtf8(factory.GetName(i)).c_str(),
                  WideToUtf8(factory.Package(i)->GetPath()).c_str());
  }
  return 0;
}

int SaveBuiltInLayout(const std::string& file) {
  CXMLDocument doc;
  pugi::xml_node root = doc.Doc().append_child("layout");
  BuildDefaultLayout(root);
  FormatNode(root);
  const SXmlResult saved = doc.Save(Utf8ToWide(file));
  if (!saved) std::fprintf(stderr, "plotvane-demo: cannot write the layout: %s\n", WideToUtf8(saved.description).c_str());
  return saved ? 0 : 1;
}

// Qt wants a private runtime folder (mode 0700, ours) and warns on every start without one,
// as in containers and CI. Without a usable one the demo makes its own for the run.
std::string EnsureRuntimeDir() {
  const char* current = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (current != nullptr && ::stat(current, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
      (st.st_mode & 0777) == 0700)
    return {};
  std::string folder = (std::filesystem::temp_directory_path() / "plotvane-demo-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return {};
  ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  return folder;
}

// The offscreen platform has no window manager: its note that size hints go nowhere is noise.
QtMessageHandler g_qtHandler = nullptr;
void OffscreenMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains("does not support propagateSizeHints")) return;
  if (g_qtHandler != nullptr) g_qtHandler(type, context, message);
}

// The layouts that come with the demo: installed (share/plotvane/layouts), else beside the
// program in the build tree.
QString LayoutDir() {
  const QString dir = QCoreApplication::applicationDirPath();
  for (const QString& candidate : {dir + "/" PLOTVANE_BIN_TO_DATA "/layouts", dir + "/layouts"})
    if (QFileInfo::exists(candidate + "/default.xml")) return QFileInfo(candidate).canonicalFilePath();
  return dir + "/layouts";
}

QString DefaultLayoutFile() { return LayoutDir() + "/default.xml"; }

// What the layouts menu calls a layout that comes with the demo.
QString LayoutCaption(const QFileInfo& file) {
  if (file.baseName() == "default") return QString::fromStdWString(Tr("Стандартная"));
  if (file.baseName() == "spectrogram") return QString::fromStdWString(Tr("Спектрограмма, водопад и тепловая карта"));
  return file.baseName();
}

// Loads a layout file into the area; a file that cannot be read changes nothing and is
// reported (on the terminal offscreen, else in a box).
bool LoadLayout(TPlotvaneArea* area, QWidget* window, const QString& file, bool offscreen) {
  CXMLDocument layout;
  const SXmlResult opened = layout.Open(file.toStdWString());
  if (!opened) {
    const QString text = QString::fromStdWString(Tr("Не удалось загрузить раскладку %0:\n%1"))
                             .replace("%0", file)
                             .replace("%1", QString::fromStdWString(opened.description));
    if (offscreen)
      std::fprintf(stderr, "%s\n", text.toStdString().c_str());
    else
      QMessageBox::warning(window, QString::fromStdWString(Tr("Раскладка")), text);
    return false;
  }
  area->Deserialize(layout.Doc().document_element(), "");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  SDemoOptions options;
  std::string error;
  if (!ParseDemoCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::fprintf(stderr, "plotvane-demo: %s\n(see plotvane-demo --help)\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(DemoHelpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("plotvane-demo %s\n", PLOTVANE_VERSION);
    return 0;
  }
  if (options.listPlugins) return ListPlugins();
  if (!options.saveLayout.empty()) return SaveBuiltInLayout(options.saveLayout);

  const bool offscreen = options.offscreen;
  if (offscreen) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string ownRuntimeDir = EnsureRuntimeDir();
  struct SRemoveRuntimeDir {
    const std::string& folder;
    ~SRemoveRuntimeDir() {
      std::error_code ec;
      if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
  } removeRuntimeDir{ownRuntimeDir};
  if (offscreen) g_qtHandler = qInstallMessageHandler(OffscreenMessages);

  QApplication app(argc, argv);
  QApplication::setApplicationName("plotvane-demo");
  QApplication::setApplicationVersion(PLOTVANE_VERSION);
  InstallQtPorts();

  QMainWindow window;
  window.setWindowTitle(QString::fromStdWString(Tr("Plotvane — демонстрация")));
  std::wstring filters;
  for (const std::wstring& name : options.filters) filters += (filters.empty() ? L"" : L"|") + name;
  auto* area = new TPlotvaneArea(&window, filters.c_str());
  if (options.touch) area->SetTouchMode(true);
  area->SetColorTheme(options.theme);
  window.setCentralWidget(area);
  window.resize(1400, 900);

  // The instrument's channels exist before the layout that shows them is loaded.
  CInstrumentSimulator simulator([area] { return area->CreateMeasurement(); }, options.points);
  area->OnSendParameter = [&simulator](MeasurementInterface* m, const wchar_t* name, double value, double extra) {
    simulator.OnParameter(m, name, value, extra);
  };
  area->SetDiagramString(L"DEVICEINFO", L"Имитатор ВАЦ, 2 порта");
  area->SetDiagramString(L"DeviceControl", L"1");  // markers may command the simulated instrument
  area->SetDiagramString(L"DEMODCAPTION", Tr("Демодуляция").c_str());

  // The host's menus, filled by the area when they open.
  const std::pair<const char*, std::function<void(QMenu*)>> menus[] = {
      {TrNoop("&Диаграмма"), area->GetDiagramMenuEvent()},
      {TrNoop("&Маркер"), area->GetMarkerMenuEvent()},
      {TrNoop("&Трасса"), area->GetTraceMenuEvent()},
      {TrNoop("&Вид"), area->GetViewMenuEvent()},
  };
  // The marker table of the active diagram, in a dock the "Вид" menu shows and hides.
  auto* markerDock = new QDockWidget(QString::fromStdWString(Tr("Таблица маркеров")), &window);
  auto* markerTable = new TMarkerTable(markerDock);
  markerDock->setWidget(markerTable);
  markerDock->setObjectName("markerTable");
  window.addDockWidget(Qt::BottomDockWidgetArea, markerDock);
  markerDock->hide();
  markerTable->SetDiagramSource([area]() -> CDiagram* {
    CDiagramControl* control = area->Control();
    const int active = control->GetCurrentDiagramIndex();
    return active >= 0 && static_cast<unsigned>(active) < control->GetDiagramCount()
               ? control->GetDiagram(static_cast<unsigned>(active))
               : nullptr;
  });

  const TDiagramDataModule& images = *area->GetDataModule();
  for (const auto& [caption, fill] : menus) {
    QMenu* menu = window.menuBar()->addMenu(QString::fromStdWString(Tr(caption)));
    images.StyleMenu(menu);
    const bool view = std::string_view(caption) == "&Вид";
    QObject::connect(menu, &QMenu::aboutToShow, menu, [=, fill = fill] {
      fill(menu);
      if (!view) return;
      QAction* table = menu->addAction(markerDock->windowTitle());
      table->setCheckable(true);
      table->setChecked(markerDock->isVisible());
      QObject::connect(table, &QAction::toggled, markerDock, &QDockWidget::setVisible);
    });
  }

  // The property pages in a dock beside the area: the selected traces, the markers and,
  // when its filter is there, the display format. They are made before the layout is loaded,
  // which gives them their state back.
  auto* dock = new QDockWidget(QString::fromStdWString(Tr("Свойства")), &window);
  dock->setObjectName("properties");
  auto* pages = new QTabWidget(dock);
  for (const wchar_t* name : {L"Trace", L"Marker", L"QUANTITY"}) {
    CPropPageBase* page = area->CreatePropPage(name);
    if (page == nullptr) continue;
    auto* scroll = new QScrollArea(pages);
    scroll->setWidgetResizable(true);
    if (QWidget* frame = area->CreatePropPageFrame(page, scroll)) scroll->setWidget(frame);
    pages->addTab(scroll, QString::fromStdWString(page->GetType()));
    pages->setTabToolTip(pages->count() - 1, QString::fromStdWString(page->GetHint()));
  }
  dock->setWidget(pages);
  dock->setMinimumWidth(options.touch ? 320 : 260);
  window.addDockWidget(Qt::RightDockWidgetArea, dock);

  QToolBar* bar = window.addToolBar(QString::fromStdWString(Tr("Диаграмма")));
  bar->setObjectName("diagram");
  images.StyleToolBar(bar);
  QAction* autoScale = bar->addAction(images.Icon(iiAutoScale), QString::fromStdWString(Tr("Автомасштаб")));
  QObject::connect(autoScale, &QAction::triggered, area, [area] {
    const int active = area->Control()->GetCurrentDiagramIndex();
    if (CDiagram* diagram = area->Control()->GetDiagram(static_cast<unsigned>(std::max(active, 0))))
      diagram->AutoScaleAllTraces();
  });
  QAction* colorMap = bar->addAction(QString::fromStdWString(Tr("Цветовая шкала")));
  colorMap->setToolTip(QString::fromStdWString(Tr("Цвета спектрограммы и водопада активной диаграммы")));
  QObject::connect(colorMap, &QAction::triggered, area, [area] {
    const int active = area->Control()->GetCurrentDiagramIndex();
    if (CDiagram* diagram = area->Control()->GetDiagram(static_cast<unsigned>(std::max(active, 0))))
      area->Control()->OpenColorMapControl(diagram);
  });
  // The layouts that come with the demo, and any other layout file.
  auto* layouts = new QMenu(&window);
  for (const QFileInfo& file : QDir(LayoutDir()).entryInfoList({"*.xml"}, QDir::Files, QDir::Name)) {
    QObject::connect(layouts->addAction(LayoutCaption(file)), &QAction::triggered, area,
                     [area, &window, path = file.filePath()] { LoadLayout(area, &window, path, false); });
  }
  layouts->addSeparator();
  QObject::connect(layouts->addAction(QString::fromStdWString(Tr("Открыть раскладку..."))), &QAction::triggered, area,
                   [area, &window] {
                     const QString path = QFileDialog::getOpenFileName(&window, QString::fromStdWString(Tr("Раскладка")),
                                                                       LayoutDir(), QString::fromStdWString(Tr("Раскладки (*.xml)")));
                     if (!path.isEmpty()) LoadLayout(area, &window, path, false);
                   });
  QAction* layoutAction = bar->addAction(QString::fromStdWString(Tr("Раскладка")));
  layoutAction->setMenu(layouts);
  if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(layoutAction)))
    button->setPopupMode(QToolButton::InstantPopup);
  QAction* showPages = dock->toggleViewAction();
  showPages->setIcon(images.Icon(iiProperties));
  bar->addAction(showPages);

  // The layout: the file asked for, else the default one, else the built-in one.
  const bool layoutAsked = !options.layout.empty();
  QString layoutFile = layoutAsked ? QString::fromStdString(options.layout) : DefaultLayoutFile();
  // A bare name picks one of the layouts that come with the demo ("spectrogram").
  if (layoutAsked && !QFileInfo::exists(layoutFile) && !layoutFile.contains('/')) {
    const QString shipped = LayoutDir() + "/" + (layoutFile.endsWith(".xml") ? layoutFile : layoutFile + ".xml");
    if (QFileInfo::exists(shipped)) layoutFile = shipped;
  }
  window.show();
  if (!LoadLayout(area, &window, layoutFile, offscreen || !layoutAsked)) {
    CXMLDocument builtIn;
    BuildDefaultLayout(builtIn.Doc().append_child("layout"));
    area->Deserialize(builtIn.Doc().document_element(), "");
  }

  int sweep = 0;
  const auto tick = [&] {
    simulator.Sweep();
    area->SetDiagramString(L"DEMODINFO", DemodulationInfo(++sweep).c_str());
    if (sweep == 1) AddReferenceTraces(*area->Control());
  };

  // Scripts reach the area over the session bus while it runs.
  const bool serve = !offscreen || options.serve;
  TAutomationBus automation(area->Control());
  automation.onChanged = [area] { area->SyncDiagrams(); };
  if (serve && !options.noBus) {
    const QString name = !options.busName.empty()
                             ? QString::fromStdString(options.busName)
                             : QString("org.plotvane.Demo.Pid%1").arg(QCoreApplication::applicationPid());
    if (automation.Register(QDBusConnection::sessionBus(), name)) {
      std::fprintf(stderr, "automation: session bus name %s\n", name.toStdString().c_str());
    } else {
      std::fprintf(stderr, "automation not offered: %s\n", automation.LastError().toStdString().c_str());
    }
  }

  // Sweeps at the asked rate, as an instrument delivers them: on a schedule. A sweep that
  // came due while the host was busy (the first sweeps build the traces' buffers) is
  // delivered late rather than lost; at most two are made up per timer event, so a host that
  // cannot keep up falls behind instead of stalling.
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QElapsedTimer clock;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const long long due = static_cast<long long>(clock.elapsed() * options.rate / 1000.0) + 1;
    for (int made = 0; sweep < due && made < 3; ++made) tick();
  });
  const auto runTimed = [&] {
    timer.start(static_cast<int>(std::lround(1000.0 / options.rate)));
    clock.start();
    // Precise: a coarse timer may end the run 5 % late.
    if (options.duration > 0)
      QTimer::singleShot(static_cast<int>(options.duration * 1000), Qt::PreciseTimer, &app, &QCoreApplication::quit);
    const int result = app.exec();
    timer.stop();
    return result;
  };

  if (!serve) {
    if (options.duration > 0) {
      runTimed();
      const double seconds = clock.elapsed() / 1000.0;
      std::printf("delivered %d sweeps of %d points in %.2f s: %.2f sweeps/s (asked %g)\n", sweep, options.points,
                  seconds, sweep / seconds, options.rate);
    } else {
      for (int i = 0; i < options.sweeps; ++i) {
        tick();
        QCoreApplication::processEvents();
      }
    }
    // Let the coalesced repaints happen before the picture is taken.
    QTimer::singleShot(50, &app, &QCoreApplication::quit);
    app.exec();
    const QString file = QString::fromStdString(options.snapshot);
    if (!SaveSnapshot(*area, file)) {
      std::fprintf(stderr, "plotvane-demo: cannot write %s\n", file.toStdString().c_str());
      return 1;
    }
    std::printf("%s\n", QFileInfo(file).absoluteFilePath().toStdString().c_str());
    area->DestroyMeasurements();
    return 0;
  }

  const int result = runTimed();
  area->DestroyMeasurements();
  return result;
}
