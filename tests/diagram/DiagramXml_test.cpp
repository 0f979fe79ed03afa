// The diagram's element of the layout: traces reused in place, kinds, axis bindings, and what
// an empty or partial element means.
#include <gtest/gtest.h>

#include "common/Xml.h"
#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "support/ControlStub.h"
#include "traces/Trace.h"

TEST(DiagramXml, ReloadingReusesTracesInPlaceAndRestoresBindings) {
  CControlStub control;
  CMeasurement s11, s21;
  s11.SetName(L"S11");
  s21.SetName(L"S21");
  s21.SetParameter(L"channel", L"2");
  for (CMeasurement* m : {&s11, &s21}) {
    m->SetStimulusQuantity(L"Hz");
    m->SetStimulusRange(1e6, 2e6, true);
  }
  CDiagram diagram(&control);
  diagram.AddMeasurement(&s11);
  diagram.AddMeasurement(&s21);
  TraceInterface* first = diagram.AddDataTrace();
  TraceInterface* second = diagram.AddDataTrace();
  second->SetMeasurement(&s21);
  second->SetName(L"Right");
  diagram.BindAxis(31);
  diagram.SetLocked(true);

  pugi::xml_document doc;
  pugi::xml_node element = doc.append_child("diagram");
  diagram.Serialize(element);
  EXPECT_EQ(GetNodeWideStringValue(element, L"traces/trace[2]/measurement/@channel"), L"2");
  EXPECT_EQ(GetNodeWideStringValue(element, L"@rightAxis"), L"Right");

  second->SetMeasurement(&s11);
  second->SetName(L"Renamed");
  diagram.BindAxis(-2);
  diagram.SetLocked(false);
  diagram.Deserialize(element);
  ASSERT_EQ(diagram.GetTraceCount(), 2u);
  EXPECT_EQ(diagram.Trace(0u), first);  // same kinds in the same order: the same objects
  EXPECT_EQ(diagram.Trace(1u), second);
  EXPECT_EQ(second->GetName(), L"Right");
  EXPECT_EQ(diagram.GetTraceList()->GetItemText(1, 0), L"Right");  // its row follows
  EXPECT_EQ(second->Measurement(), &s21);
  EXPECT_EQ(diagram.RightAxisControl().trace, second);
  EXPECT_TRUE(diagram.GetLocked());

  // A binding to a trace that is not there binds nothing; an unknown kind is a data trace.
  element.remove_attribute("rightAxis");
  AddAttribute(element, L"leftAxis", L"Nobody");
  AddAttribute(element.child("traces").child("trace"), L"type", L"Spectrum");
  CDiagram fresh(&control);
  fresh.Deserialize(element);
  ASSERT_EQ(fresh.GetTraceCount(), 2u);
  EXPECT_EQ(fresh.Trace(0u)->GetTraceType(), L"Measuring");
  EXPECT_EQ(fresh.LeftAxisControl().trace, nullptr);
  EXPECT_EQ(fresh.RightAxisControl().trace, nullptr);

  // Logarithmic axes reach the traces the layout makes.
  first->SetMeasurement(&s11);
  diagram.SetAxisXLogarithmicScale(true);
  diagram.SetAxisYLogarithmicScale(true);
  ASSERT_TRUE(diagram.GetAxisXLogarithmicScale());
  diagram.Serialize(element);
  CDiagram logs(&control);
  logs.AddMeasurement(&s11);
  logs.AddMeasurement(&s21);
  logs.Deserialize(element);
  ASSERT_EQ(logs.GetTraceCount(), 2u);
  EXPECT_TRUE(logs.GetAxisXLogarithmicScale());
  EXPECT_EQ(logs.Trace(0u)->GetPlot(), plLog);
  EXPECT_TRUE(logs.GetAxisYLogarithmicScale());
}

TEST(DiagramXml, EmptyDiagramWritesItsPartsAndAnElementWithoutTracesEmptiesOne) {
  CControlStub control;
  CDiagram empty(&control);
  pugi::xml_document doc;
  pugi::xml_node element = doc.append_child("diagram");
  empty.Serialize(element);
  ASSERT_TRUE(element.child("traces"));
  EXPECT_FALSE(element.child("traces").first_child());
  ASSERT_TRUE(element.child("markerPreset"));
  EXPECT_TRUE(element.child("trace_list"));
  EXPECT_FALSE(element.attribute("leftAxis"));
  EXPECT_FALSE(element.attribute("smith_admittance"));  // the impedance grid is the default

  CDiagram full(&control);
  full.AddDataTrace();
  full.AddDataTrace();
  element.remove_child("traces");
  full.Deserialize(element);
  EXPECT_EQ(full.GetTraceCount(), 0u);
  EXPECT_FALSE(full.GetChartFrameVisible());

  // The admittance grid comes back with the layout.
  full.SetSmithAdmittance(true);
  pugi::xml_node saved = doc.append_child("diagram");
  full.Serialize(saved);
  EXPECT_TRUE(saved.attribute("smith_admittance").as_bool());
  empty.Deserialize(saved);
  EXPECT_TRUE(empty.GetSmithAdmittance());
}
