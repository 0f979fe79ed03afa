// Math traces: expressions over two traces of a diagram, real and complex, and their limits.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include <pugixml.hpp>

#include "core/MenuModel.h"
#include "diagram/Diagram.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "traces/TraceMath.h"
#include "traces/TraceStatic.h"

namespace {

// A diagram with two channels and a data trace on each.
struct Bench {
  CControlStub control;
  CMeasurement first, second;
  std::unique_ptr<CDiagram> diagram;
  CTrace* a = nullptr;
  CTrace* b = nullptr;
  explicit Bench(int points = 201, int otherPoints = 201, const wchar_t* quantity = L"dB") {
    first.SetName(L"S11");
    second.SetName(L"S21");
    for (CMeasurement* m : {&first, &second}) m->SetResponseQuantity(quantity);
    first.SetPointsCount(points);
    second.SetPointsCount(otherPoints);
    diagram = std::make_unique<CDiagram>(&control);
    diagram->AddMeasurement(&first);
    diagram->AddMeasurement(&second);
    a = static_cast<CTrace*>(diagram->AddDataTrace());
    b = static_cast<CTrace*>(diagram->AddDataTrace());
    b->SetMeasurement(&second);
  }
  ~Bench() { diagram.reset(); }
  CTraceMath* Math() { return static_cast<CTraceMath*>(diagram->AddMathTrace()); }
  // The diagram saved and loaded into a fresh one over the same channels.
  std::unique_ptr<CDiagram> Reloaded(CControlStub& control) {
    pugi::xml_document doc;
    diagram->Serialize(doc.append_child("diagram"));
    auto loaded = std::make_unique<CDiagram>(&control);
    loaded->AddMeasurement(&first);
    loaded->AddMeasurement(&second);
    loaded->Deserialize(doc.first_child());
    return loaded;
  }
  static void Sweep(CMeasurement& m, double level, double slope, bool complex = false) {
    const int n = m.GetPointsCount();
    std::vector<double> x(n), y(n), z(n);
    for (int i = 0; i < n; ++i) {
      x[i] = 1e9 + 1e6 * i;
      y[i] = level + slope * i;
      z[i] = i % 2 == 0 ? 0.0 : 0.5;
    }
    m.AddData(0, n, x.data(), y.data(), complex ? z.data() : nullptr);
  }
};

}  // namespace

TEST(TraceMath, ADifferenceOfTwoSweepsFollowsBothSources) {
  Bench bench;
  CTraceMath* math = bench.Math();
  ASSERT_NE(math, nullptr);
  EXPECT_EQ(math->GetTraceType(), L"Math");
  EXPECT_EQ(math->GetName().rfind(Tr("Мат"), 0), 0u);
  ASSERT_TRUE(math->SetSource(0, 0));
  ASSERT_TRUE(math->SetSource(1, 1));
  EXPECT_EQ(math->GetDisplayExpression(), bench.a->GetName() + L"-" + bench.b->GetName());
  Bench::Sweep(bench.first, 10, 0.5);
  EXPECT_EQ(math->Count(), 0);  // B has not delivered yet
  Bench::Sweep(bench.second, 1, 0.25);
  ASSERT_EQ(math->Count(), 201);
  EXPECT_DOUBLE_EQ(math->Value(vtStimulus, 200), bench.a->Value(vtStimulus, 200));
  EXPECT_DOUBLE_EQ(math->Value(vtResponse, 200), (10 + 100) - (1 + 50));

  ASSERT_TRUE(math->SetExpression(L"20*log(A/B)"));
  EXPECT_NEAR(math->Value(vtResponse, 0), 20, 1e-12);
  UserInteractionScript ui;
  EXPECT_FALSE(math->SetExpression(L"A+"));
  EXPECT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(math->GetExpression(), L"20*log(A/B)");  // the previous one stays

  // Removing a source empties its slot and the trace's data.
  bench.diagram->DeleteTrace(bench.b);
  EXPECT_EQ(math->GetSource(1), L"");
  EXPECT_EQ(math->Count(), 0);
}

TEST(TraceMath, SourcesOfDifferentLengthsGiveNoDataAndOneMessage) {
  UserInteractionScript ui;
  Bench bench(201, 401);
  CTraceMath* math = bench.Math();
  math->SetSource(0, 0);
  math->SetSource(1, 1);
  for (int sweep = 0; sweep < 3; ++sweep) {
    Bench::Sweep(bench.first, 0, 1);
    Bench::Sweep(bench.second, 0, 1);
  }
  EXPECT_EQ(math->Count(), 0);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_NE(ui->boxes[0].text.find(math->GetName()), std::wstring::npos);

  bench.second.SetPointsCount(201);
  Bench::Sweep(bench.first, 0, 1);
  Bench::Sweep(bench.second, 0, 1);
  EXPECT_EQ(math->Count(), 201);
  EXPECT_EQ(ui->boxes.size(), 1u);
}

TEST(TraceMath, AMemoryTraceAsBAndALiveTraceAsA) {
  Bench bench;
  Bench::Sweep(bench.first, 5, 0);
  TraceInterface* memory = bench.diagram->RememberTrace(bench.a, L"Ref");
  CTraceMath* math = bench.Math();
  math->SetSource(0, 0);
  math->SetSource(1, static_cast<unsigned>(bench.diagram->GetTraceIndex(memory)));
  for (double level : {6.0, 8.0}) {
    Bench::Sweep(bench.first, level, 0);
    ASSERT_EQ(math->Count(), 201);
    EXPECT_DOUBLE_EQ(math->Value(vtResponse, 100), level - 5);
  }
}

TEST(TraceMath, ComplexOperationsAndAZeroDivisor) {
  Bench bench(4, 4, L"Cmplx");
  CTraceMath* math = bench.Math();
  math->SetSource(0, 0);
  math->SetSource(1, 1);
  ASSERT_TRUE(math->SetMode(CTraceMath::kFirstComplexMode + 3));  // A / B
  Bench::Sweep(bench.first, 1, 1, true);   // 1, 2+0.5i, 3, 4+0.5i
  Bench::Sweep(bench.second, 0, 2, true);  // 0, 2+0.5i, 4, 6+0.5i
  ASSERT_EQ(math->Count(), 4);
  math->SetPlot(plSmith);
  EXPECT_TRUE(std::isnan(math->Value(vtResponse, 0)));
  EXPECT_TRUE(std::isnan(math->Value(vtResponseIm, 0)));
  EXPECT_DOUBLE_EQ(math->Value(vtResponse, 1), 1);
  EXPECT_DOUBLE_EQ(math->Value(vtResponseIm, 1), 0);
  EXPECT_DOUBLE_EQ(math->Value(vtResponse, 2), 0.75);
  const std::complex<double> q = std::complex<double>(4, 0.5) / std::complex<double>(6, 0.5);
  EXPECT_NEAR(math->Value(vtResponse, 3), q.real(), 1e-15);
  EXPECT_NEAR(math->Value(vtResponseIm, 3), q.imag(), 1e-15);
}

TEST(TraceMath, CyclesAreRefusedAndALayoutBringsSourcesBack) {
  Bench bench;
  CTraceMath* first = bench.Math();
  CTraceMath* second = bench.Math();
  EXPECT_FALSE(first->SetSourceTrace(0, first));
  ASSERT_TRUE(second->SetSourceTrace(0, first));
  EXPECT_FALSE(first->SetSourceTrace(1, second));  // second computes from first already
  EXPECT_TRUE(first->SetSource(0, 0));
  ASSERT_TRUE(first->SetExpression(L"A*2"));

  CControlStub control;
  const std::unique_ptr<CDiagram> reloaded = bench.Reloaded(control);
  CDiagram& loaded = *reloaded;
  ASSERT_EQ(loaded.GetTraceCount(), 4u);
  auto* again = dynamic_cast<CTraceMath*>(loaded.Trace(2u));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->GetExpression(), L"A*2");
  EXPECT_EQ(again->GetSource(0), bench.a->GetName());
  EXPECT_EQ(static_cast<CTraceMath*>(loaded.Trace(3u))->GetSource(0), again->GetName());
  Bench::Sweep(bench.first, 3, 0);
  EXPECT_DOUBLE_EQ(again->Value(vtResponse, 7), 6);
}

TEST(TraceMath, TheMenuCommandsOpenTheExpressionEditor) {
  Bench bench;
  int opened = 0;
  const auto previous = CTraceMath::SetExpressionEditor([&](CTraceMath*) { return ++opened, true; });
  auto* math = static_cast<CTraceMath*>(bench.diagram->CreateMathTrace());
  ASSERT_NE(math, nullptr);
  EXPECT_EQ(opened, 1);
  CPopupMenu menu;
  math->PrepareMenu(&menu);
  ASSERT_EQ(menu.Items().Count(), 1);
  EXPECT_EQ(menu.Items().Item(0)->GetCaption(), Tr("Настройка выражения..."));
  menu.Items().Item(0)->Click();
  EXPECT_EQ(opened, 2);
  CTraceMath::SetExpressionEditor(previous);

  // At the limit the command refuses with its message and makes nothing.
  UserInteractionScript ui;
  while (bench.diagram->GetTraceCount() < CDiagram::kMaxTraces) bench.diagram->AddStaticTrace();
  EXPECT_EQ(bench.diagram->CreateMathTrace(), nullptr);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, Tr("Ошибка создания математической трассы"));
}

TEST(TraceMath, ALayoutWithAllThreeKindsComesBackWithTheMathSources) {
  Bench bench;
  Bench::Sweep(bench.first, 4, 0);
  TraceInterface* memory = bench.diagram->RememberTrace(bench.a, L"Golden");
  CTraceMath* math = bench.Math();
  math->SetSourceTrace(0, static_cast<CTraceMathSource*>(bench.a));
  math->SetSourceTrace(1, dynamic_cast<CTraceMathSource*>(memory));
  CControlStub control;
  const std::unique_ptr<CDiagram> reloaded = bench.Reloaded(control);
  CDiagram& loaded = *reloaded;
  ASSERT_EQ(loaded.GetTraceCount(), 4u);
  EXPECT_EQ(loaded.Trace(2u)->GetTraceType(), L"Memory");
  auto* again = dynamic_cast<CTraceMath*>(loaded.Trace(3u));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->GetSource(0), bench.a->GetName());
  EXPECT_EQ(again->GetSource(1), L"Golden");
  Bench::Sweep(bench.first, 7, 0);  // the live source moves; the stored one stays
  ASSERT_EQ(again->Count(), 201);
  EXPECT_DOUBLE_EQ(again->Value(vtResponse, 50), 3);
}
