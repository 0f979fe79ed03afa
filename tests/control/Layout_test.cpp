// The layout as a host saves and loads it: a round trip through a file with real channels,
// traces and the display-format package, the arrangement rules, the scheme load, and the
// failures that must not cost the rest of the layout.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/Text.h"
#include "control/DiagramControl.h"
#include "core/DiagMetrics.h"
#include "support/Capture.h"
#include "support/TempDir.h"
#include "support/TestFilters.h"
#include "traces/Trace.h"

namespace {

std::unique_ptr<CDiagramControl> MakeControl(const char* folder = PLOTVANE_PLUGIN_DIR) {
  return std::make_unique<CDiagramControl>(nullptr, L"QUANTITY", Utf8ToWide(folder));
}

// The channels a host creates before it loads a layout; then the first load.
std::vector<MeasurementInterface*> Start(CDiagramControl& control) {
  std::vector<MeasurementInterface*> channels;
  for (const wchar_t* name : {L"S11", L"S21"}) {
    CMeasurement* m = control.CreateMeasurement();
    m->SetName(name);
    m->SetParameter(L"channel", name + 1);
    channels.push_back(m);
  }
  control.Deserialize(pugi::xml_node(), nullptr);
  return channels;
}

std::string Saved(CDiagramControl& control) {
  pugi::xml_document doc;
  control.Serialize(doc.append_child("layout"), nullptr);
  std::ostringstream text;
  doc.save(text);
  return text.str();
}

void Load(CDiagramControl& control, const std::string& text, const char* kind = nullptr) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(text.c_str()));
  control.Deserialize(doc.document_element(), kind);
}

std::vector<std::wstring> ControlLog(const LogCapture& log) {
  std::vector<std::wstring> lines;
  for (const LogEntry& e : log.Entries())
    if (e.source == L"Control") lines.push_back(e.text);
  return lines;
}

// Filters that, read from a layout while their factory is armed, throw at the next change of
// their trace (once per arming).
class CTouchyFilter : public CRecordingFilter {
 public:
  int* armed = nullptr;
  bool read = false;
  void Deserialize(pugi::xml_node node, const char* name) override {
    CRecordingFilter::Deserialize(node, name);
    read = *armed > 0;
  }
  void TraceChanged() override {
    if (read && *armed > 0 && --*armed == 0) throw std::runtime_error("broken");
  }
};

class CTouchyFactory : public CTestFilterFactory {
 public:
  int armed = 0;
  int CreateInstance(void*& instance, int) override {
    auto* filter = new CTouchyFilter;
    filter->armed = &armed;
    instance = static_cast<CFilter*>(filter);
    return 0;
  }
};

}  // namespace

TEST(Layout, RoundTripThroughAFileGivesTheSameLayout) {
  auto saved = MakeControl();
  std::vector<MeasurementInterface*> channels = Start(*saved);
  CDiagram* first = saved->AddDiagram();
  CDiagram* second = saved->AddDiagram();
  saved->AddInfoPanel();
  saved->SetDiagramMode(4);  // three slots
  saved->ArrangeDiagrams();
  ASSERT_EQ(first->AddMeasurements(&channels), 2);
  ASSERT_EQ(second->AddMeasurements(&channels), 2);
  first->Trace(1u)->GetFilter(L"QUANTITY")->SetParameter(L"mode", L"2");
  first->BindAxis(31);
  second->SetName(L"Передача");
  saved->GetInfoPanel()->SetCaption(L"АМ");
  saved->SetColorMapSettings({-10, 90, 0.5, 3});
  saved->SetActiveDiagram(1);
  const std::filesystem::path dir = FreshDir("layout");
  const std::wstring path = Utf8ToWide((dir / "layout.xml").string());
  ASSERT_TRUE(saved->SaveLayoutToFile(path));

  auto loaded = MakeControl();
  Start(*loaded);
  LogCapture log;
  ASSERT_TRUE(loaded->LoadLayoutFromFile(path));
  const std::string text = Saved(*saved);
  EXPECT_EQ(Saved(*loaded), text);
  EXPECT_EQ(ControlLog(log), (std::vector<std::wstring>{L"Begin deserializing", L"reloading diagrams",
                                                         L"placing diagrams", L"finished deserializing",
                                                         L"deserializing proppages", L"proppages deserialized",
                                                         L"updating proppages", L"proppages updated"}));
  ASSERT_EQ(loaded->GetDiagramCount(), 2u);
  EXPECT_TRUE(loaded->GetInfoPanelEnabled());
  EXPECT_EQ(loaded->GetCurrentDiagramIndex(), 0);
  EXPECT_TRUE(loaded->GetDiagram(0)->GetActive() && loaded->GetDiagram(1)->GetVisible());
  EXPECT_EQ(loaded->GetDiagram(0)->Trace(1u)->Measurement(), loaded->GetMeasurementByIndex(1));

  // What is not XML changes nothing.
  std::ofstream(dir / "junk.xml") << "not a layout";
  EXPECT_FALSE(loaded->LoadLayoutFromFile(Utf8ToWide((dir / "junk.xml").string())));
  EXPECT_EQ(loaded->LoadLayoutFromFile(Utf8ToWide((dir / "missing.xml").string())).status, xsFileNotFound);
  EXPECT_EQ(Saved(*loaded), text);

  // The host hears a load's outcome once per channel and change: nothing for the same layout
  // again; for an empty one, each channel's activity and then its use.
  std::vector<std::wstring> sent;
  loaded->onDiagramParameter = [&](MeasurementInterface* m, const wchar_t* name, double value, double) {
    sent.push_back(m->GetName() + L" " + name + L" " + std::to_wstring(int(value)));
  };
  ASSERT_TRUE(loaded->LoadLayoutFromFile(path));
  EXPECT_EQ(sent, std::vector<std::wstring>());
  sent.clear();
  Load(*loaded, "<layout><diagram_control mode='0'/></layout>");
  EXPECT_EQ(sent, (std::vector<std::wstring>{L"S11 Activity 0", L"S11 Using 0", L"S21 Using 0"}));
}

TEST(Layout, CountsPositionsAndNamesFollowTheArrangementRules) {
  // Five elements: four diagrams, in the one mode of four.
  auto four = MakeControl();
  Load(*four, "<l><diagram_control mode='8'><diagram position='0'/><diagram position='2'/><diagram position='1'/>"
              "<diagram position='3'/><diagram position='0'/></diagram_control></l>");
  EXPECT_EQ(four->GetDiagramCount(), 4u);
  EXPECT_EQ(four->GetDiagramPosition(2), 1);

  // One element into a control showing three: the first stays, the others go.
  auto three = MakeControl();
  Start(*three);
  CDiagram* kept = three->AddDiagram();
  three->AddDiagram();
  three->AddDiagram();
  Load(*three, "<l><diagram_control mode='1'><diagram position='8' name='Одна'/></diagram_control></l>");
  ASSERT_EQ(three->GetDiagramCount(), 1u);
  EXPECT_EQ(three->GetDiagram(0), kept);
  EXPECT_EQ(kept->GetName(), L"Одна");
  EXPECT_EQ(three->GetDiagramMode(), 1);

  // Duplicated positions, a position outside the mode, a mode for another count: arranged
  // anew. Unnamed diagrams take the first free numbers, their own old names included.
  for (const char* positions : {"mode='2'><diagram position='4'/><diagram position='4'/>",
                                "mode='2'><diagram position='4'/><diagram position='8'/>",
                                "mode='5'><diagram position='4'/><diagram position='5'/>"}) {
    SCOPED_TRACE(positions);
    auto two = MakeControl();
    Start(*two);
    two->AddDiagram();
    two->AddDiagram();
    LogCapture log;
    Load(*two, std::string("<l><diagram_control ") + positions + "</diagram_control></l>");
    EXPECT_EQ(two->GetDiagramMode(), 2);
    EXPECT_EQ(two->GetDiagramPosition(0) * two->GetDiagramPosition(1), 20);  // 4 and 5
    EXPECT_TRUE(log.Saw(L"Control", L"autoarranging diagrams"));
    EXPECT_EQ(two->GetDiagram(0)->GetName(), Tr("Диаграмма") + L"1");
    EXPECT_EQ(two->GetDiagram(1)->GetName(), Tr("Диаграмма") + L"2");
  }
}

TEST(Layout, SchemeLoadSetsTheRelationFileAndMetricsOnly) {
  auto control = MakeControl();
  control->SetDiagramString(L"MarkersDir", L"/opt/tellam/markers");
  const int width = GetMetrics(WFALL_LEVEL_WIDTH);
  LogCapture log;
  Load(*control, "<l><diagram_control><metrics><item id='WFALL_LEVEL_WIDTH' value='77'/></metrics>"
                 "<diagram position='8'/></diagram_control></l>", "scheme");
  EXPECT_EQ(control->GetDiagramString(L"MarkersRelFile"), L"/opt/tellam/markers/RelationPreset.xml");
  EXPECT_EQ(GetMetrics(WFALL_LEVEL_WIDTH), 77);
  Metrics().Set(WFALL_LEVEL_WIDTH, width);
  EXPECT_EQ(ControlLog(log), (std::vector<std::wstring>{L"Begin initializing", L"End initializing"}));
  EXPECT_TRUE(control->IsInitializing());
  EXPECT_EQ(control->GetDiagramCount(), 0u);

  Load(*control, "<l><diagram_control markers_rel_file='Relations.xml'/></l>", "scheme");
  EXPECT_EQ(control->GetDiagramString(L"MarkersRelFile"), L"/opt/tellam/markers/Relations.xml");
}

TEST(Layout, ATraceThatThrowsIsReportedAndTheRestLoadsThenThePages) {
  UserInteractionScript ui;
  auto makeControl = [] {
    auto control = MakeControl(PLOTVANE_TEST_PLUGIN_DIR);
    control->SetDiagramString(L"IncludedFilters", L"REC");
    control->SetFilterFactory(std::make_unique<CTouchyFactory>());
    return control;
  };
  auto saved = makeControl();
  std::vector<MeasurementInterface*> channels = Start(*saved);
  saved->AddDiagram()->AddMeasurements(&channels);
  saved->AddDiagram()->AddMeasurements(&channels);
  ASSERT_NE(saved->CreatePropPage(L"GENERAL"), nullptr);
  const std::string text = Saved(*saved);
  EXPECT_NE(text.find("<proppage type=\"GENERAL\""), std::string::npos);

  auto loaded = makeControl();
  Start(*loaded);
  CPropPageBase* page = loaded->CreatePropPage(L"GENERAL");
  static_cast<CTouchyFactory*>(loaded->GetFilterFactory())->armed = 1;
  Load(*loaded, text);
  ASSERT_EQ(ui->boxes.size(), 1u);
  std::wstring expected = Tr("При десериализации трассы %0 произошло исключение ");
  ReplaceString(expected, L"%0", saved->GetDiagram(0)->Trace(0u)->GetName());
  EXPECT_EQ(ui->boxes[0].text, expected + L"broken");
  EXPECT_EQ(ui->boxes[0].caption, L"Plotvane exception");
  // The trace stays where it was read, and so does everything after it.
  EXPECT_EQ(Saved(*loaded), text);
  EXPECT_EQ(page->GetHint(), L"DSMU");  // told once, when everything is in place
}
