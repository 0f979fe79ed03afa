#include "control/DiagramControl.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/Settings.h"
#include "common/Text.h"
#include "core/PluginScan.h"
#include "series/SpectrumSeries.h"
#include "support/Capture.h"
#include "traces/TraceStatic.h"
#include "support/TempDir.h"

namespace {

class CTestHost : public IControlHost {
 public:
  SSize size{800, 600};
  int repaints = 0;
  SSize ClientSize() const override { return size; }
  void Repaint() override { ++repaints; }
};

std::unique_ptr<CDiagramControl> MakeControl(IControlHost* host, const wchar_t* included = L"") {
  return std::make_unique<CDiagramControl>(host, included, Utf8ToWide(PLOTVANE_TEST_PLUGIN_DIR));
}

// A control past its first layout load, with `count` diagrams.
std::unique_ptr<CDiagramControl> Started(IControlHost* host, unsigned count) {
  auto control = MakeControl(host);
  control->Deserialize(pugi::xml_node(), "");
  for (unsigned i = 0; i < count; ++i) control->AddDiagram();
  return control;
}

bool SameRect(const SRect& a, const SRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(DiagramControl, ConstructionLogsReadsSettingsAndSetsStrings) {
  auto previous = SetSettings(MakeMemorySettings());
  Settings().SetValue(L"AntiAliasing", L"1");
  LogCapture log;
  auto control = MakeControl(nullptr, L"Scale|Quantity");
  SetSettings(previous);

  std::vector<std::wstring> lines;
  for (const LogEntry& e : log.Entries())
    if (e.source == L"Control") lines.push_back(e.text);
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"loading filters", L"filters loaded", L"loading proppages",
                                              L"proppages loaded"}));
  EXPECT_TRUE(control->GetAntiAliasing());
  EXPECT_FALSE(MakeControl(nullptr)->GetAntiAliasing());
  EXPECT_EQ(control->GetDiagramString(L"DEVICEINFO"), Tr("Нет подключения"));
  EXPECT_EQ(control->GetDiagramString(L"DetInfo"), L"");
  EXPECT_EQ(control->GetDiagramString(L"IncludedFilters"), L"Scale|Quantity");
}

TEST(DiagramControl, InitializingUntilFirstLoadThenArranges) {
  CTestHost host;
  auto control = MakeControl(&host);
  CDiagram* first = control->AddDiagram();
  CDiagram* second = control->AddDiagram();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(control->GetDiagramMode(), 0);
  EXPECT_FALSE(first->GetVisible());
  EXPECT_FALSE(first->GetActive());
  EXPECT_EQ(first->GetName(), Tr("Диаграмма") + L"1");
  EXPECT_EQ(second->GetName(), Tr("Диаграмма") + L"2");

  EXPECT_TRUE(control->Deserialize(pugi::xml_node(), ""));
  EXPECT_FALSE(control->IsInitializing());
  EXPECT_EQ(control->GetDiagramMode(), 2);
  EXPECT_EQ(control->GetDiagramPosition(0), 4);
  EXPECT_EQ(control->GetDiagramPosition(1), 5);
  EXPECT_TRUE(SameRect(second->GetBounds(), {0, 300, 800, 600}));
  EXPECT_TRUE(first->GetVisible() && first->GetActive() && !second->GetActive());

  // A third goes below, a fourth fills the quarters; a fifth is refused.
  CDiagram* third = control->AddDiagram();
  EXPECT_EQ(control->GetDiagramMode(), 4);
  EXPECT_TRUE(third->GetVisible() && third->GetActive());
  EXPECT_EQ(control->GetCurrentDiagramIndex(), 2);
  control->AddDiagram();
  EXPECT_EQ(control->GetDiagramMode(), 8);
  EXPECT_EQ(control->AddDiagram(), nullptr);
  EXPECT_EQ(control->GetDiagramCount(), 4u);

  // Out of range: ignored.
  control->RemoveDiagram(4);
  control->SetActiveDiagram(7);
  control->SetDiagramPosition(9, 8);
  EXPECT_EQ(control->GetDiagramCount(), 4u);
  EXPECT_EQ(control->GetCurrentDiagramIndex(), 3);

  // Resizing the host lays the slots out again.
  // Diagrams keep the positions that fit the new mode: the fourth takes the free quarter.
  host.size = {400, 200};
  control->OnResize();
  EXPECT_EQ(control->GetDiagramPosition(3), 1);
  EXPECT_TRUE(SameRect(control->GetDiagram(3)->GetBounds(), {200, 0, 400, 100}));

  control->SetDiagramMode(12);
  EXPECT_EQ(control->GetDiagramMode(), 8);
  control->SetDiagramMode(-1);
  EXPECT_EQ(control->GetDiagramMode(), 0);
}

TEST(DiagramControl, RemovingKeepsTheActiveDiagramAndTheLayoutWithoutHoles) {
  CTestHost host;
  auto control = Started(&host, 4);
  CDiagram* last = control->GetDiagram(3);
  control->RemoveDiagram(2);  // the active one is behind it
  EXPECT_EQ(control->GetCurrentDiagramIndex(), 2);
  EXPECT_EQ(control->GetDiagram(2), last);
  EXPECT_TRUE(last->GetActive());
  EXPECT_EQ(control->GetDiagramMode(), 5);  // position 1 left mode 8
  for (unsigned i = 0; i < 3; ++i) EXPECT_GE(control->GetDiagramPosition(i), 0);
  EXPECT_EQ(control->GetDiagramPosition(3), -1);

  control->SetActiveDiagram(0);
  control->RemoveDiagram(0);
  EXPECT_EQ(control->GetCurrentDiagramIndex(), 0);
  EXPECT_TRUE(control->GetDiagram(0)->GetActive());

  // One before the active one goes: the same diagram stays active.
  control->AddDiagram();
  CDiagram* active = control->GetDiagram(2);
  ASSERT_TRUE(active->GetActive());
  control->RemoveDiagram(0);
  EXPECT_EQ(control->GetDiagram(static_cast<unsigned>(control->GetCurrentDiagramIndex())), active);
}

TEST(DiagramControl, UniqueNamesStringsAndLabels) {
  auto control = Started(nullptr, 3);
  const std::wstring base = Tr("Диаграмма");
  control->GetDiagram(2)->SetName(base + L"12");
  EXPECT_EQ(control->UniqueDiagramName(base), base + L"3");

  control->SetDiagramString(L"fps", L"25 fps");
  EXPECT_EQ(control->GetDiagramString(L"FPS"), L"25 fps");
  for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(control->GetDiagram(i)->GetLabelText(), L"25 fps");
}

TEST(DiagramControl, InformationPanelTakesASlot) {
  CTestHost host;
  auto control = MakeControl(&host);
  control->AddInfoPanel();
  control->SetDiagramString(L"DemodCaption", L"АМ");
  control->SetDiagramString(L"DEMODINFO", L"Глубина;50;%");
  EXPECT_EQ(control->GetInfoPanelName(), L"АМ");
  EXPECT_EQ(control->GetInfoPanel()->Rows().size(), 1u);
  control->Deserialize(pugi::xml_node(), "");
  EXPECT_EQ(control->GetDiagramMode(), 1);  // the panel alone fills the area
  EXPECT_TRUE(SameRect(control->GetInfoPanelBounds(), {0, 0, 800, 600}));

  ASSERT_NE(control->AddDiagram(), nullptr);
  ASSERT_NE(control->AddDiagram(), nullptr);
  ASSERT_NE(control->AddDiagram(), nullptr);
  EXPECT_EQ(control->AddDiagram(), nullptr);
  EXPECT_EQ(control->GetDiagramMode(), 8);
  // Four distinct positions over three diagrams and the panel.
  std::vector<int> positions;
  for (unsigned i = 0; i < 4; ++i) positions.push_back(control->GetDiagramPosition(i));
  std::sort(positions.begin(), positions.end());
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3}));

  // The panel's slot moves down with the diagrams and keeps its quarter.
  const int panelPosition = control->GetDiagramPosition(3);
  control->RemoveDiagram(0);
  EXPECT_EQ(control->GetDiagramMode(), 4);
  EXPECT_EQ(control->GetDiagramPosition(2), panelPosition);
  EXPECT_EQ(control->GetDiagramPosition(3), -1);
}

TEST(DiagramControl, StretchFillsTheAreaAndComesBack) {
  CTestHost host;
  auto control = Started(&host, 2);
  CDiagram* first = control->GetDiagram(0);
  CDiagram* second = control->GetDiagram(1);
  const SRect before = second->GetBounds();

  second->onStretchRequest(second);
  EXPECT_TRUE(control->IsStretched() && second->IsStretched());
  EXPECT_FALSE(first->GetVisible());
  EXPECT_TRUE(SameRect(second->GetBounds(), {0, 0, 800, 600}));
  EXPECT_EQ(control->GetDiagramPosition(1), 5);  // the slot itself is kept

  second->onStretchRequest(second);
  EXPECT_FALSE(control->IsStretched() || second->IsStretched());
  EXPECT_TRUE(first->GetVisible());
  EXPECT_TRUE(SameRect(second->GetBounds(), before));
}

TEST(DiagramControl, CloseRequestAsksOnlyForADiagramWithTraces) {
  UserInteractionScript ui;
  auto control = Started(nullptr, 2);
  CMeasurement* channel = control->CreateMeasurement();
  CDiagram* full = control->GetDiagram(0);
  std::vector<MeasurementInterface*> channels{channel};
  ASSERT_EQ(full->AddMeasurements(&channels), 1);

  ui->boxAnswers = {IDNO, IDYES};
  full->onCloseRequest(full);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].text, Tr("Трассы текущего окна будут утеряны.\nЗакрыть диаграмму?"));
  EXPECT_EQ(ui->boxes[0].caption, Tr("Подтверждение закрытия диаграммы"));
  EXPECT_EQ(ui->boxes[0].flags, 0x2024u);
  EXPECT_EQ(control->GetDiagramCount(), 2u);
  full->onCloseRequest(full);
  EXPECT_EQ(control->GetDiagramCount(), 1u);

  CDiagram* empty = control->GetDiagram(0);
  empty->onCloseRequest(empty);
  EXPECT_EQ(ui->boxes.size(), 2u);
  EXPECT_EQ(control->GetDiagramCount(), 0u);
}

TEST(DiagramControl, ChannelActivityIsReportedOncePerChange) {
  auto control = Started(nullptr, 1);
  std::vector<std::wstring> sent;
  control->onDiagramParameter = [&](MeasurementInterface* m, const wchar_t* name, double value, double) {
    sent.push_back(m->GetName() + L" " + name + L" " + std::to_wstring(int(value)));
  };
  CMeasurement* a = control->CreateMeasurement();
  a->SetName(L"S11");
  CMeasurement* b = control->CreateMeasurement();
  b->SetName(L"S21");
  EXPECT_EQ(control->GetMeasurement(L"S21"), b);
  EXPECT_EQ(control->GetMeasurement(L"s21"), nullptr);
  EXPECT_EQ(control->GetMeasurementByIndex(2), nullptr);

  CDiagram* diagram = control->GetDiagram(0);
  EXPECT_EQ(diagram->GetMeasurementCount(), 2u);
  std::vector<MeasurementInterface*> channels{a};
  diagram->AddMeasurements(&channels);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), L"S11 Activity 1"), 1);
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](auto& s) { return s.find(L"Activity") != s.npos; }), 1);
  sent.clear();
  control->SetActiveMeasurements(diagram);
  control->SetUsedMeasurements();
  EXPECT_TRUE(sent.empty());

  // A diagram added later listens to the existing channels, real and virtual.
  control->CreateVirtualMeasurement(L"K");
  EXPECT_EQ(control->AddDiagram()->GetMeasurementCount(), 3u);

  control->DestroyMeasurements();
  EXPECT_EQ(control->GetMeasurementCount(), 0u);
  EXPECT_EQ(control->GetVirtualMeasurementCount(), 0u);
  EXPECT_EQ(diagram->GetMeasurementCount(), 0u);
  // The flags went with the channels: a new channel starts unreported.
  control->CreateMeasurement()->SetName(L"S22");
  EXPECT_EQ(diagram->GetMeasurementCount(), 1u);
  sent.clear();
  control->SetActiveMeasurements(diagram);
  EXPECT_TRUE(sent.empty());
}

TEST(DiagramControl, PropertyPagesServeOnlyIncludedFilters) {
  auto control = Started(nullptr, 1);
  EXPECT_EQ(control->GetPropPageModuleCount(), 3);
  EXPECT_EQ(control->CreatePropPage(L"scalepage"), nullptr);  // SCALE not included
  EXPECT_EQ(control->CreatePropPage(L"NOPAGE"), nullptr);
  CPropPageBase* general = control->CreatePropPage(L"general");
  ASSERT_NE(general, nullptr);
  EXPECT_EQ(control->GetPropPageCount(), 1u);
  EXPECT_EQ(control->GetPropPage(0), general);

  auto scaled = std::make_unique<CDiagramControl>(nullptr, L"QUANTITY|Scale|NoSuchFilter",
                                                  Utf8ToWide(PLOTVANE_TEST_PLUGIN_DIR));
  EXPECT_NE(scaled->CreatePropPage(L"SCALEPAGE"), nullptr);
  EXPECT_EQ(scaled->CreatePropPage(L"MISSINGPAGE"), nullptr);  // listed, but no such package
  EXPECT_EQ(scaled->GetPropPageCount(), 1u);

  // Each kind of update reaches the pages with its own calls; blocked, none.
  control->UpdatePropPages(ppuAll);
  EXPECT_EQ(general->GetDiagram(), control->GetDiagram(0));
  control->UpdatePropPages(ppuSelection);
  control->UpdatePropPages(ppuPlain);
  control->UpdatePropPages(ppuMarkers);
  control->BlockPropPagesUpdate(true);
  control->UpdatePropPages(ppuAll);
  EXPECT_EQ(general->GetHint(), L"DSMU" L"SU" L"U" L"MU");
  control->BlockPropPagesUpdate(false);
  control->RemoveDiagram(0);  // no diagram left: the pages are told
  EXPECT_EQ(general->GetDiagram(), nullptr);
}

TEST(DiagramControl, ActivityFollowsTheActiveDiagram) {
  auto control = Started(nullptr, 2);
  CMeasurement* a = control->CreateMeasurement();
  a->SetName(L"S11");
  CMeasurement* b = control->CreateMeasurement();
  b->SetName(L"S21");
  std::vector<MeasurementInterface*> first{a}, second{b};
  control->GetDiagram(0)->AddMeasurements(&first);
  control->GetDiagram(1)->AddMeasurements(&second);
  control->GetDiagram(0)->SelectTrace(0);
  control->GetDiagram(1)->SelectTrace(0);

  control->SetActiveDiagram(0);
  EXPECT_TRUE(a->GetActive());
  EXPECT_FALSE(b->GetActive());  // selected, but in a diagram that is not the active one
  EXPECT_TRUE(b->GetUsing());
  control->SetActiveDiagram(1);
  EXPECT_FALSE(a->GetActive());
  EXPECT_TRUE(b->GetActive());
}

// A package that throws or aborts in its static initialiser used to end the host while the
// control was being built; now the scan skips it and the control comes up without it.
TEST(DiagramControl, PackagesThatFailWhileLoadingDoNotStopTheControl) {
  namespace fs = std::filesystem;
  const fs::path folder = FreshDir("control-unsafe-packages");
  const fs::path plugins = PLOTVANE_TEST_PLUGIN_DIR;
  for (const char* file : {"FilterThrowsAtLoad.so", "FilterAbortsAtLoad.so"})
    fs::copy_file(plugins / "unsafe" / file, folder / file);
  fs::copy_file(plugins / "FilterScale.so", folder / "FilterScale.so");
  SPluginScanSettings settings;
  settings.cacheFile = (folder / "scan.cache").string();
  const SPluginScanSettings previous = SetPluginScanSettings(settings);

  LogCapture log;
  {
    CDiagramControl control(nullptr, L"SCALE", folder.wstring());
    ASSERT_EQ(control.GetFilterFactory()->Count(), 1);
    EXPECT_EQ(control.GetFilterFactory()->GetName(0), L"SCALE");
  }
  SetPluginScanSettings(previous);
  EXPECT_TRUE(log.Saw(L"Factory", L"Scanned FilterThrowsAtLoad.so: crashed"));
  EXPECT_TRUE(log.Saw(L"Factory", L"Scanned FilterAbortsAtLoad.so: crashed"));
}

TEST(DiagramControl, AStoredSweepBecomesAMemoryTraceHereOrInANewDiagram) {
  UserInteractionScript ui;
  auto control = Started(nullptr, 1);
  CMeasurement* sa = control->CreateMeasurement();
  sa->SetName(L"SA");
  sa->SetResponseQuantity(L"dBm");
  sa->SetStimulusRange(1e6, 4e6, true);
  sa->SetPointsCount(4);
  CDiagram* diagram = control->GetDiagram(0);
  auto* spectrum = static_cast<CTrace*>(diagram->AddDataTrace());
  ASSERT_NE(spectrum, nullptr);
  spectrum->SetMeasurement(sa);
  ASSERT_TRUE(spectrum->SetPlot(plSpectrogram));
  double x[] = {1e6, 2e6, 3e6, 4e6};
  for (int sweep = 0; sweep < 3; ++sweep) {
    double y[] = {-90.0 + sweep, -50, -20.0 - sweep, -90};
    sa->AddData(0, 4, x, y, nullptr);
  }
  ASSERT_EQ(spectrum->SpectrumSeries()->Storage().Storage().GetCompleteCount(), 3);

  // The middle sweep, as a line in dBm beside the spectrogram.
  auto* memory = dynamic_cast<CTraceStatic*>(diagram->CreateStaticTrace(spectrum, 1));
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(memory->GetPlot(), plRect);
  ASSERT_EQ(memory->Count(), 4u);
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 0), -89.0);
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 2), -21.0);
  EXPECT_DOUBLE_EQ(memory->Value(vtStimulus, 3, true), 4e6);
  EXPECT_EQ(memory->SourceName(), spectrum->GetName());
  EXPECT_FALSE(memory->TimeDate().empty());

  // In a diagram of its own; a sweep no longer stored makes nothing and says so.
  TraceInterface* apart = diagram->CreateDiagramAndStaticTrace(spectrum, 2);
  ASSERT_EQ(control->GetDiagramCount(), 2u);
  ASSERT_NE(apart, nullptr);
  EXPECT_EQ(apart->GetDiagram(), control->GetDiagram(1));
  EXPECT_DOUBLE_EQ(apart->Value(vtResponse, 0), -88.0);
  const unsigned traces = diagram->GetTraceCount();
  EXPECT_EQ(diagram->CreateStaticTrace(spectrum, 3), nullptr);
  EXPECT_EQ(diagram->GetTraceCount(), traces);
  EXPECT_EQ(diagram->CreateDiagramAndStaticTrace(spectrum, 3), nullptr);
  EXPECT_EQ(control->GetDiagramCount(), 2u);  // no empty diagram left behind
  ASSERT_EQ(ui->boxes.size(), 2u);

  // The whole history saved as a trace file comes back as a memory trace with that history.
  const std::filesystem::path dir = FreshDir("sweep_history");
  const std::wstring file = (dir / "sa.trs").wstring();
  ASSERT_TRUE(spectrum->SaveDataToFile(file.c_str()));
  const std::vector<TraceInterface*> loaded = diagram->LoadTraceFile(file);
  ASSERT_EQ(loaded.size(), 1u);
  const TQuorSpectrumSeries* history = static_cast<CTrace*>(loaded[0])->SpectrumSeries();
  ASSERT_NE(history, nullptr);
  EXPECT_EQ(history->Storage().GetLevelCount(), 3);
  EXPECT_EQ(ui->boxes.size(), 2u);
}

TEST(DiagramControl, TheColourMapDialogShowsEachEditOnEverySpectrumView) {
  auto control = Started(nullptr, 2);
  std::vector<TQuorSpectrumSeries*> views;
  for (unsigned d = 0; d < 2; ++d) {
    auto* trace = static_cast<CTrace*>(control->GetDiagram(d)->AddDataTrace());
    ASSERT_TRUE(trace->SetPlot(d == 0 ? plSpectrogram : plWaterfall));
    views.push_back(trace->SpectrumSeries());
  }
  const SColorMapSettings kept = *control->GetColorMapSettings(), tried{10, 90, 50, 1};
  bool answer = false;
  auto previous = CDiagramControl::SetColorMapEditor(
      [&](TQuorSpectrumSeries*, SColorMapSettings& edited, const CDiagramControl::ColorMapPreview& preview) {
        preview(tried);
        for (TQuorSpectrumSeries* view : views) EXPECT_EQ(view->GetColorMapSettings().curveShape, 50);
        edited = tried;
        return answer;
      });
  // Cancelled, every view goes back to the kept record; accepted, all keep the edit.
  EXPECT_FALSE(control->OpenColorMapControl(control->GetDiagram(1)));
  for (TQuorSpectrumSeries* view : views) EXPECT_EQ(view->GetColorMapSettings().curveShape, kept.curveShape);
  answer = true;
  EXPECT_TRUE(control->OpenColorMapControl(control->GetDiagram(0)));
  EXPECT_EQ(control->GetColorMapSettings()->colorMap, 1);
  for (TQuorSpectrumSeries* view : views) EXPECT_EQ(view->GetColorMapSettings().curveStart, 10);
  CDiagramControl::SetColorMapEditor(std::move(previous));
}
