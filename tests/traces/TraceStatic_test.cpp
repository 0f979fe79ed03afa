// Memory traces: copies of other traces, trace files, and their element of the layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "common/Matrix.h"
#include "core/MenuModel.h"
#include "common/Text.h"
#include "diagram/Diagram.h"
#include "filters/Filter.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "support/TempDir.h"
#include "support/TestFilters.h"
#include "core/PluginManager.h"
#include "traces/TraceStatic.h"

namespace {

// A diagram with one channel of five points in MHz and a data trace on it.
struct Bench {
  CControlStub control;
  std::unique_ptr<CDiagram> diagram;
  CMeasurement channel;
  CTrace* data = nullptr;
  explicit Bench(IModulesFactory* factory = nullptr, const wchar_t* filters = L"") {
    control.filterFactory = factory;
    control.strings[L"INCLUDEDFILTERS"] = filters;
    diagram = std::make_unique<CDiagram>(&control);
    channel.SetStimulusQuantity(L"MHz");
    channel.SetStimulusRange(1, 5, true);
    channel.SetPointsCount(5);
    diagram->AddMeasurement(&channel);
    data = static_cast<CTrace*>(diagram->AddDataTrace());
  }
  ~Bench() { diagram.reset(); }
  void Sweep(double level, bool complex = false) {
    double x[] = {1, 2, 3, 4, 5}, y[5], z[5];
    for (int i = 0; i < 5; ++i) {
      y[i] = level + i;
      z[i] = -0.1 * i;
    }
    channel.AddData(0, 5, x, y, complex ? z : nullptr);
  }
};

std::wstring W(const std::filesystem::path& p) { return Utf8ToWide(p.string()); }

}  // namespace

TEST(TraceStatic, RememberKeepsACopyThatLaterSweepsLeaveAlone) {
  Bench b;
  b.Sweep(-10);
  auto* memory = dynamic_cast<CTraceStatic*>(b.diagram->RememberTrace(b.data, L""));
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(memory->GetTraceType(), L"Memory");
  EXPECT_EQ(memory->GetName().rfind(Tr("П") + L"_" + b.data->GetName(), 0), 0u);
  EXPECT_EQ(memory->SourceName(), b.data->GetName());
  EXPECT_EQ(memory->GetSource(), b.data);
  EXPECT_EQ(memory->Measurement(), &b.channel);
  EXPECT_FALSE(memory->IsMeasurementUsed(&b.channel));
  ASSERT_EQ(memory->Count(), 5);
  EXPECT_DOUBLE_EQ(memory->Value(vtStimulus, 4), 5e6);
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 4), -6);

  b.Sweep(20);
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 4), -6);  // frozen
  memory->Refresh();
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 4), 24);

  // Remembering under an existing memory trace's name refills that trace.
  EXPECT_EQ(b.diagram->RememberTrace(b.data, memory->GetName()), memory);
  EXPECT_EQ(b.diagram->GetTraceCount(), 2u);
  b.diagram->DeleteTrace(b.data);
  EXPECT_EQ(memory->GetSource(), nullptr);
  memory->Refresh();  // nothing to take from any more
  EXPECT_EQ(memory->Count(), 5);
}

TEST(TraceStatic, AnAccumulatingSourceGivesItsDrawnValuesAndItsFilterIsOffInTheCopy) {
  CTestFilterFactory factory;
  factory.names = {L"REC"};
  Bench b(&factory, L"REC");
  factory.made[0]->accumulate = true;
  factory.made[0]->factor = 2;
  b.Sweep(1);
  ASSERT_TRUE(b.data->HasAccumulatedData());
  auto* memory = static_cast<CTraceStatic*>(b.diagram->RememberTrace(b.data, L"Mem"));
  EXPECT_EQ(memory->GetName(), L"Mem");
  ASSERT_EQ(factory.made.size(), 2u);
  EXPECT_FALSE(factory.made[1]->GetEnabled());  // the doubling is already in the data
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 2), 6);
}

TEST(TraceStatic, LayoutElementRoundTripAndDamagedLists) {
  Bench b;
  b.channel.SetResponseQuantity(L"Cmplx");  // complex data: the copy keeps the second component
  b.Sweep(0.5, true);
  auto* memory = static_cast<CTraceStatic*>(b.diagram->RememberTrace(b.data, L"Mem"));
  pugi::xml_document doc;
  pugi::xml_node element = doc.append_child("trace");
  memory->Serialize(element);
  EXPECT_STREQ(element.attribute("type").value(), "Memory");
  EXPECT_STREQ(element.attribute("source").value(), WideToUtf8(b.data->GetName()).c_str());
  const pugi::xml_node y = element.child("data").find_child([](pugi::xml_node n) { return n.attribute("Y"); });
  EXPECT_STREQ(y.attribute("Y").value(), "0.5 1.5 2.5 3.5 4.5");
  EXPECT_EQ(std::distance(element.child("data").children("vector").begin(), element.child("data").children("vector").end()), 3);

  auto* copy = static_cast<CTraceStatic*>(b.diagram->AddStaticTrace());
  copy->Deserialize(element);
  ASSERT_EQ(copy->SrcSize(), 5);
  EXPECT_DOUBLE_EQ(copy->SrcValue(vtResponse, 3), 3.5);
  EXPECT_DOUBLE_EQ(copy->SrcValue(vtResponseIm, 3), -0.3);
  EXPECT_DOUBLE_EQ(copy->SrcValue(vtStimulus, 3), 4e6);
  EXPECT_EQ(copy->SourceName(), memory->SourceName());

  // A list that is not numbers, or lists of different lengths, load no data at all.
  pugi::xml_document damaged;
  damaged.load_string("<trace type='Memory'><data><vector X='1 2 3'/><vector Y='1 x 3'/></data></trace>");
  auto* empty = static_cast<CTraceStatic*>(b.diagram->AddStaticTrace());
  empty->Deserialize(damaged.first_child());
  EXPECT_EQ(empty->Count(), 0);
}

TEST(TraceStatic, TraceFilesAreWrittenAndReadAsTheirFormsSay) {
  UserInteractionScript ui;
  const auto dir = FreshDir("trace_files");
  Bench b;
  b.Sweep(-3, true);

  // A rectangular trace writes two columns; "trc" keeps the stimulus in the channel's MHz.
  ASSERT_TRUE(b.data->SaveDataToFile(W(dir / "a.trc").c_str()));
  CDoubleMatrix table;
  ASSERT_EQ(LoadCustomMatrixFromFile(W(dir / "a.trc"), table), mrOk);
  EXPECT_EQ(table.Cols(), 2u);
  EXPECT_DOUBLE_EQ(table(1, 0), 2);
  EXPECT_DOUBLE_EQ(table(1, 1), -2);
  ASSERT_TRUE(b.data->SaveDataToFile(W(dir / "a.csv").c_str()));
  std::ifstream csv(dir / "a.csv");
  std::string line;
  std::getline(csv, line);
  EXPECT_NE(line.find(','), std::string::npos);

  // Loaded as "trc" the stimulus comes back in Hz.
  auto* memory = static_cast<CTraceStatic*>(b.diagram->AddStaticTrace());
  memory->SetMeasurement(&b.channel);
  ASSERT_EQ(memory->Load(W(dir / "a.trc"), tftTrc), 0);
  EXPECT_EQ(memory->FileName(), L"a.trc");
  EXPECT_DOUBLE_EQ(memory->Value(vtStimulus, 1), 2e6);
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 1), -2);

  // A Smith trace writes its imaginary part as a third column.
  b.data->SetPlot(plSmith);
  ASSERT_TRUE(b.data->SaveDataToFile(W(dir / "s.trs").c_str()));
  ASSERT_EQ(LoadCustomMatrixFromFile(W(dir / "s.trs"), table), mrOk);
  EXPECT_EQ(table.Cols(), 3u);
  EXPECT_DOUBLE_EQ(table(2, 2), -0.2);

  // Bad tables are refused with their message and leave the trace as it was.
  const auto write = [&](const char* name, const char* text) {
    std::ofstream(dir / name) << text;
    return W(dir / name);
  };
  EXPECT_EQ(memory->Load(write("one.trs", "1\n2\n"), tftTable), -1);
  EXPECT_EQ(memory->Load(write("four.trs", "1 2 3 4\n"), tftTable), -1);
  memory->SetQuantity(vtResponse, L"Smith");
  EXPECT_EQ(memory->Load(write("two.trs", "1 2\n"), tftTable), -1);
  ASSERT_EQ(ui->boxes.size(), 3u);
  EXPECT_EQ(ui->boxes[0].text, Tr("Неверный формат файла."));
  EXPECT_EQ(ui->boxes[1].text, Tr("Таблица трассы должна содержать 2-3 столбца."));
  EXPECT_EQ(ui->boxes[2].caption, Tr("Ошибка при открытии трассы"));
  EXPECT_EQ(memory->Load(W(dir / "missing.trs"), tftTable), mrFileNotFound);
  EXPECT_DOUBLE_EQ(memory->Value(vtResponse, 1), -2);
}

TEST(TraceStatic, ALayoutWithMemoryTracesLoadsThem) {
  Bench b;
  b.Sweep(1);
  b.diagram->RememberTrace(b.data, L"Golden");
  pugi::xml_document doc;
  b.diagram->Serialize(doc.append_child("diagram"));
  CControlStub control;
  CDiagram loaded(&control);
  loaded.AddMeasurement(&b.channel);
  loaded.Deserialize(doc.first_child());
  ASSERT_EQ(loaded.GetTraceCount(), 2u);
  EXPECT_EQ(loaded.Trace(1u)->GetTraceType(), L"Memory");
  EXPECT_EQ(loaded.Trace(1u)->GetName(), L"Golden");
  EXPECT_DOUBLE_EQ(loaded.Trace(1u)->Value(vtResponse, 4), 5);
}

TEST(TraceStatic, TouchstoneNetworksBecomeComplexMemoryTraces) {
  const char* root = std::getenv("PLOTVANE_SOURCE_DIR");
  const std::string data = std::string(root != nullptr ? root : ".") + "/../shared/data/touchstone/";
  if (!std::filesystem::exists(data + "fet.s2p")) GTEST_SKIP() << "no Touchstone files beside the project";
  UserInteractionScript ui;
  CModulesFactory factory(L"FILTER", L"" PLOTVANE_PLUGIN_DIR "/FilterQuantity.so");
  Bench b(&factory, L"QUANTITY");
  STouchstoneData fet;
  ASSERT_TRUE(LoadTouchstone(Utf8ToWide(data + "fet.s2p"), fet));

  const std::vector<TraceInterface*> traces = b.diagram->LoadNetworkFile(Utf8ToWide(data + "fet.s2p"));
  ASSERT_EQ(traces.size(), 4u);
  TraceInterface* s21 = traces[2];  // rows first: S11, S12, S21, S22
  EXPECT_EQ(s21->GetName().rfind(L"S21", 0), 0u);
  EXPECT_EQ(s21->GetTraceType(), L"Memory");
  ASSERT_EQ(s21->Count(), static_cast<int>(fet.Points()));
  EXPECT_EQ(s21->GetQuantity(vtResponse), L"dB");  // complex data in the default display format
  for (std::size_t p : {std::size_t{0}, fet.Points() / 2, fet.Points() - 1}) {
    EXPECT_DOUBLE_EQ(s21->Value(vtStimulus, static_cast<unsigned>(p)), fet.frequencies[p]);
    EXPECT_NEAR(s21->Value(vtResponse, static_cast<unsigned>(p)), 20 * std::log10(std::abs(fet.At(p, 1, 0))), 1e-9);
    EXPECT_DOUBLE_EQ(s21->SrcValue(vtResponseIm, static_cast<unsigned>(p)), fet.At(p, 1, 0).imag());
  }

  // Complex data show in every format: the phase, and the plane of the Smith chart.
  CFilter* quantity = s21->GetFilter(L"QUANTITY");
  ASSERT_NE(quantity, nullptr);
  quantity->SetParameter(L"mode", L"2");
  s21->FilterParametersUpdated(true);
  EXPECT_EQ(s21->GetQuantity(vtResponse), L"°");
  const std::complex<double> v = fet.At(9, 1, 0);
  EXPECT_NEAR(s21->Value(vtResponse, 9), std::arg(v) * 180 / std::acos(-1.0), 1e-9);
  quantity->SetEnabled(false);
  s21->SetPlot(plSmith);
  EXPECT_DOUBLE_EQ(s21->Value(vtResponse, 9), v.real());
  EXPECT_DOUBLE_EQ(s21->Value(vtResponseIm, 9), v.imag());

  // A complex trace writes a one-port file that reads back the same.
  const auto dir = FreshDir("touchstone_out");
  ASSERT_TRUE(s21->SaveDataToFile(W(dir / "s21.s1p").c_str()));
  ASSERT_TRUE(s21->SaveDataToFile(W(dir / "s21.ts").c_str()));
  for (const char* name : {"s21.s1p", "s21.ts"}) {
    STouchstoneData back;
    ASSERT_TRUE(LoadTouchstone(W(dir / name), back)) << name;
    ASSERT_EQ(back.Points(), fet.Points());
    EXPECT_EQ(back.At(7, 0, 0), fet.At(7, 1, 0)) << name;
  }
  EXPECT_FALSE(b.data->SaveDataToFile(W(dir / "empty.s1p").c_str()));  // no complex data to write

  // A damaged network is reported and makes no traces.
  std::ofstream(dir / "bad.s2p") << "# GHz S RI R 50\n1 0.5 0.1 x\n";
  EXPECT_TRUE(b.diagram->LoadNetworkFile(W(dir / "bad.s2p")).empty());
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, Tr("Ошибка при открытии трассы"));
  EXPECT_EQ(ui->boxes[0].text.rfind(W(dir / "bad.s2p"), 0), 0u);  // the file, then the line's fault
  EXPECT_EQ(b.diagram->GetTraceCount(), 5u);
}

TEST(TraceStatic, TheTraceMenuRemembersLoadsAndSaves) {
  UserInteractionScript ui;
  const auto dir = FreshDir("trace_menu");
  Bench b;
  b.Sweep(2);
  b.diagram->SelectTrace(0);
  const auto run = [&](const std::wstring& caption) {
    CPopupMenu menu;
    b.diagram->PrepareTraceMenu(&menu);
    for (int i = 0; i < menu.Items().Count(); ++i)
      if (menu.Items().Item(i)->GetCaption() == caption) return menu.Items().Item(i)->Click();
    ADD_FAILURE() << "no item " << WideToUtf8(caption);
    return false;
  };
  run(Tr("&Запомнить трассу"));
  ASSERT_EQ(b.diagram->GetTraceCount(), 2u);
  EXPECT_EQ(b.diagram->Trace(1u)->GetTraceType(), L"Memory");

  b.diagram->SelectTrace(0);
  ui->fileAnswers = {W(dir / "saved.trs")};
  run(Tr("&Сохранить трассу в файл..."));
  ui->fileAnswers = {W(dir / "saved.trs")};
  run(Tr("&Загрузить трассу из файла..."));
  ASSERT_EQ(b.diagram->GetTraceCount(), 3u);
  EXPECT_DOUBLE_EQ(b.diagram->Trace(2u)->Value(vtResponse, 4), 6);

  std::ofstream(dir / "junk.trs") << "1 2\n3 x\n";
  ui->fileAnswers = {W(dir / "junk.trs")};
  run(Tr("&Загрузить трассу из файла..."));
  EXPECT_EQ(b.diagram->GetTraceCount(), 3u);  // nothing made
  ASSERT_FALSE(ui->boxes.empty());
  EXPECT_NE(ui->boxes.back().text.find(W(dir / "junk.trs")), std::wstring::npos);
  EXPECT_NE(ui->boxes.back().text.find(L" 2 "), std::wstring::npos);  // the line with "x"
}
