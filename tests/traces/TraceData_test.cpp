// Data traces fed by a real channel, and the trace element of the layout.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <vector>

#include <pugixml.hpp>

#include "core/PluginManager.h"
#include "filters/Filter.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "diagram/Diagram.h"
#include "support/ControlStub.h"
#include "support/TestFilters.h"
#include "traces/TraceData.h"

namespace {

// A diagram with its control, as data traces live on one: it makes, owns and adopts them.
struct OwningDiagram {
  CControlStub control;
  CDiagram diagram{&control};
  OwningDiagram() { control.strings[L"INCLUDEDFILTERS"] = L""; }
  void Include(IModulesFactory* factory, const wchar_t* filters) {
    control.filterFactory = factory;
    control.strings[L"INCLUDEDFILTERS"] = filters;
  }
  CTraceData* Add() { return static_cast<CTraceData*>(diagram.AddDataTrace()); }
};

}  // namespace

TEST(TraceData, AHostFeedsAChannelAndReadsDisplayValuesBack) {
  CModulesFactory factory(L"FILTER", L"" PLOTVANE_PLUGIN_DIR "/FilterQuantity.so");
  CMeasurement channel;
  channel.SetStimulusQuantity(L"kHz");
  channel.SetResponseQuantity(L"Cmplx");
  channel.SetPointsCount(6);
  channel.SetStimulusRange(1, 6, true);
  OwningDiagram diagram;
  diagram.Include(&factory, L"QUANTITY");
  diagram.diagram.AddMeasurement(&channel);
  CTraceData* trace = diagram.Add();
  ASSERT_EQ(trace->Measurement(), &channel);
  ASSERT_EQ(trace->GetFilterCount(), 1u);

  // Two blocks of complex points; stimulus in kHz.
  std::vector<double> x{1, 2, 3, 4, 5, 6}, re{1, 0.1, 0, -0.5, 0.001, 2}, im{0, 0.1, 0, 0.5, 0, 0};
  channel.AddData(0, 3, x.data(), re.data(), im.data());
  channel.AddData(3, 3, x.data() + 3, re.data() + 3, im.data() + 3);
  ASSERT_EQ(trace->Count(), 6);
  EXPECT_DOUBLE_EQ(trace->Value(vtStimulus, 4), 5000);
  EXPECT_EQ(trace->GetQuantity(vtResponse), L"dB");
  for (int i : {0, 1, 3, 4, 5})
    EXPECT_NEAR(trace->Value(vtResponse, i), 20 * std::log10(std::abs(std::complex<double>(re[i], im[i]))), 1e-12);
  EXPECT_TRUE(std::isnan(trace->Value(vtResponse, 2)));  // |S| = 0 has no level
  EXPECT_DOUBLE_EQ(trace->SrcValue(vtResponseIm, 3), 0.5);

  // The format follows the filter's mode, over the data already received.
  trace->GetFilter(L"QUANTITY")->SetParameter(L"mode", L"2");
  trace->FilterParametersUpdated(true);
  EXPECT_EQ(trace->GetQuantity(vtResponse), L"°");
  EXPECT_NEAR(trace->Value(vtResponse, 3), 135, 1e-12);
}

TEST(TraceData, JoiningADiagramBindsNamesColoursAndScales) {
  CMeasurement channel;
  OwningDiagram diagram;
  diagram.diagram.AddMeasurement(&channel);
  CTraceData* first = diagram.Add();
  first->SetScale(-20, 5);
  CTraceData* second = diagram.Add();
  EXPECT_EQ(first->GetName(), L"Трс1");
  EXPECT_EQ(second->GetName(), L"Трс2");
  EXPECT_NE(first->GetColor(), second->GetColor());
  EXPECT_DOUBLE_EQ(second->GetScaleRef(), -20);
  EXPECT_DOUBLE_EQ(second->GetScaleDiv(), 5);
  EXPECT_EQ(second->Measurement(), &channel);
  EXPECT_TRUE(channel.GetUsing());

  // Moving to another diagram takes the series and axes along and keeps name and channel.
  OwningDiagram other;
  other.diagram.AddMeasurement(&channel);
  ASSERT_TRUE(diagram.diagram.MoveTrace(second, &other.diagram));
  EXPECT_EQ(diagram.diagram.GetTraceCount(), 1u);
  EXPECT_EQ(other.diagram.GetTraceCount(), 1u);
  EXPECT_EQ(second->Series()->Chart(), other.diagram.GetChart());
  EXPECT_EQ(second->GetName(), L"Трс2");
  EXPECT_EQ(diagram.diagram.GetChart()->SeriesCount(), 1);

  // A restart of the channel's sweep or a new stimulus unit clears the data.
  const double x[] = {1, 2}, y[] = {3, 4};
  channel.SetPointsCount(2);
  channel.AddData(0, 2, const_cast<double*>(x), const_cast<double*>(y), nullptr);
  ASSERT_EQ(second->Count(), 2);
  EXPECT_FALSE(second->HasSecondComponent());
  channel.SetStimulusQuantity(L"s");
  EXPECT_EQ(second->Count(), 0);
  EXPECT_EQ(second->SrcSize(), 0);
}

TEST(TraceData, AFilterThatReplacesTheResponseArrayHasItReleased) {
  CTestFilterFactory factory;
  factory.names = {L"REC"};
  CMeasurement channel;
  channel.SetPointsCount(4);
  channel.SetParameter(L"reference_level", L"0");
  OwningDiagram diagram;
  diagram.Include(&factory, L"REC");
  diagram.diagram.AddMeasurement(&channel);
  CTraceData* trace = diagram.Add();
  EXPECT_TRUE(trace->IsFixedRef());
  factory.made[0]->replace = true;
  factory.made[0]->factor = 3;
  double x[] = {1, 2, 3, 4}, y[] = {1, 2, 3, 4};
  for (int sweep = 0; sweep < 3; ++sweep) channel.AddData(0, 4, x, y, nullptr);  // asan sees any leak
  EXPECT_DOUBLE_EQ(trace->Value(vtResponse, 3), 12);
}

TEST(TraceXml, ElementRoundTripAndDamagedElements) {
  UserInteractionScript ui;
  CTestFilterFactory factory;
  OwningDiagram diagram;
  diagram.Include(&factory, L"REC|REC2");
  CTraceData* trace = diagram.Add();
  trace->SetRefPosition(8);
  trace->SetScale(-12.5, 2.5);
  trace->SetPermanentAutoScale(true);
  trace->SetLineWidth(3);
  trace->SetLocked(true);
  factory.made[0]->factor = 7;
  factory.made[1]->factor = 9;

  pugi::xml_document doc;
  pugi::xml_node element = doc.append_child("trace");
  trace->Serialize(element);
  EXPECT_STREQ(element.attribute("type").value(), "Measuring");
  EXPECT_EQ(std::distance(element.child("filters").children("filter").begin(),
                          element.child("filters").children("filter").end()),
            2);

  // Into a second trace on the same diagram: same settings.
  CTraceData* copy = diagram.Add();
  copy->SetColor(trace->GetColor() + 1);
  factory.made[3]->throwOnRead = true;  // REC2 of the copy fails while reading
  copy->Deserialize(element);
  EXPECT_DOUBLE_EQ(copy->GetScaleRef(), -12.5);
  EXPECT_DOUBLE_EQ(copy->GetScaleDiv(), 2.5);
  EXPECT_EQ(copy->GetRefPosition(), 8);
  EXPECT_TRUE(copy->GetPermanentAutoScale());
  EXPECT_TRUE(copy->GetLocked());
  EXPECT_EQ(copy->GetLineWidth(), 3);
  EXPECT_DOUBLE_EQ(factory.made[2]->factor, 7);
  EXPECT_TRUE(factory.made[2]->GetEnabled());
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, L"Plotvane exception");
  EXPECT_EQ(ui->boxes[0].text, L"Возникло исключение при десериализации в фильтре REC2: unreadable");
  EXPECT_TRUE(factory.made[3]->GetEnabled());

  // Missing and unreadable values keep what the trace has.
  pugi::xml_document damaged;
  damaged.load_string(
      "<trace><line_parameters width='wide'/><scaling ref_level='x' ref_position='3'/>"
      "<filters><filter type='NOPE'/></filters></trace>");
  copy->Deserialize(damaged.first_child());
  EXPECT_EQ(copy->GetLineWidth(), 3);
  EXPECT_EQ(copy->GetRefPosition(), 3);
  EXPECT_DOUBLE_EQ(copy->GetScaleDiv(), 2.5);
  EXPECT_DOUBLE_EQ(copy->GetScaleRef(), -12.5);
  EXPECT_EQ(ui->boxes.size(), 1u);

  // The filter's own settings decide its enabled state, whatever it calls the attribute.
  pugi::xml_document off;
  off.load_string("<trace><filters><filter type='REC' factor='5' on='false'/></filters></trace>");
  copy->Deserialize(off.first_child());
  EXPECT_FALSE(factory.made[2]->GetEnabled());
  EXPECT_DOUBLE_EQ(factory.made[2]->factor, 5);
}

TEST(TraceData, AVeryLongBlockGoesThroughInPartsAndEndsTheSweepOnce) {
  struct Counter : ITraceObserver {
    int data = 0, sweeps = 0;
    void TraceChanged(const STraceChange& c) override {
      data += c.kind == tcData;
      sweeps += c.kind == tcSweepEnded;
    }
  } counter;
  const int n = (1 << 21) + 5;  // two whole parts and a little
  CMeasurement channel;
  channel.SetPointsCount(n);
  CTraceData trace(nullptr);
  trace.SetMeasurement(&channel);
  trace.Subscribe(&counter);
  std::vector<double> x(n), y(n);
  for (int i = 0; i < n; ++i) x[i] = y[i] = i;
  channel.AddData(0, n, x.data(), y.data(), nullptr);
  EXPECT_EQ(counter.data, 3);
  EXPECT_EQ(counter.sweeps, 1);
  ASSERT_EQ(trace.Count(), n);
  for (int i : {0, (1 << 20) - 1, 1 << 20, n - 1}) EXPECT_DOUBLE_EQ(trace.Value(vtResponse, static_cast<unsigned>(i)), i);
  trace.Unsubscribe(&counter);
}
