// The automation objects headless: result codes member by member, what the members change,
// and objects that outlive their engine objects.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/DiagramControl_COM.h"
#include "automation/Diagram_COM.h"
#include "automation/Marker_COM.h"
#include "automation/Trace_COM.h"
#include "common/Text.h"
#include "control/DiagramControl.h"
#include "interfaces/MarkerInterface.h"
#include "support/Capture.h"

namespace {

constexpr int kPoints = 101;

// A started control with one diagram over the channel "S21" (parameter channel "1"): the data
// trace "S21" the diagram made for the channel, a memory trace "M" and a math trace "Math".
struct Bench {
  std::unique_ptr<CDiagramControl> control;
  CMeasurement* s21 = nullptr;
  std::shared_ptr<DiagramControl_COM> root;
  std::shared_ptr<Diagram_COM> diagram;
  std::shared_ptr<Trace_COM> data, memory, math;

  Bench() {
    control = std::make_unique<CDiagramControl>(nullptr, L"QUANTITY", Utf8ToWide(PLOTVANE_PLUGIN_DIR));
    control->Deserialize(pugi::xml_node(), "");
    s21 = control->CreateMeasurement();
    s21->SetName(L"S21");
    s21->SetParameter(L"channel", L"1");
    s21->SetStimulusQuantity(L"Hz");
    s21->SetResponseQuantity(L"dB");
    s21->SetStimulusRange(1e9, 1.1e9, true);
    s21->SetPointsCount(kPoints);
    std::vector<MeasurementInterface*> channels{s21};
    control->AddDiagram()->AddMeasurements(&channels);
    root = std::dynamic_pointer_cast<DiagramControl_COM>(control->GetAutomationInterface());
    EXPECT_EQ(root->get_Diagram(0, diagram), S_OK);
    EXPECT_EQ(diagram->get_TraceByIndex(0, data), S_OK);
    EXPECT_EQ(data->put_Name(L"S21"), S_OK);
    EXPECT_EQ(diagram->AddStaticTrace(L"M", memory), S_OK);
    EXPECT_EQ(diagram->AddMathTrace(math), S_OK);
    EXPECT_EQ(math->put_Name(L"Math"), S_OK);
  }
  ~Bench() {
    root.reset();
    if (control != nullptr) control->DestroyMeasurements();
  }
  // One sweep of a peak at point 60: y = −(i − 60)², x from 1 GHz in 1 MHz steps.
  void Sweep() {
    std::vector<double> x(kPoints), y(kPoints);
    for (int i = 0; i < kPoints; ++i) {
      x[i] = 1e9 + 1e6 * i;
      y[i] = -0.01 * (i - 60) * (i - 60);
    }
    s21->AddData(0, kPoints, x.data(), y.data(), nullptr);
  }
  CDiagram* Engine() const { return diagram->Bound(); }
};

struct SCase {
  const char* what;
  std::function<HResult()> call;
  HResult expected;
};

void Expect(const std::vector<SCase>& cases) {
  for (const SCase& c : cases) EXPECT_EQ(c.call(), c.expected) << c.what;
}

const std::wstring kLongName(kMaxAutomationName + 1, L'x');

class EventSink : public ITrace_COMEvents {
 public:
  std::vector<std::int64_t> events;
  void SweepEndedEvent() override { events.push_back(-1); }
  void SweepEndedEventEx(std::int64_t id) override { events.push_back(id); }
};

}  // namespace

TEST(Automation, ControlMembers) {
  Bench b;
  std::shared_ptr<Diagram_COM> d;
  ASSERT_EQ(b.root->get_DiagramByName(b.Engine()->GetName(), d), S_OK);
  EXPECT_EQ(d, b.diagram) << "every member hands out the engine object's own object";
  void* page = nullptr;
  int count = 0;
  Expect({
      {"count", [&] { return b.root->get_DiagramCount(count); }, S_OK},
      {"index past the end", [&] { return b.root->get_Diagram(1, d); }, E_INVALIDARG},
      {"negative index", [&] { return b.root->get_Diagram(-1, d); }, E_INVALIDARG},
      {"unknown name", [&] { return b.root->get_DiagramByName(L"nope", d); }, E_INVALIDARG},
      {"overlong name", [&] { return b.root->get_DiagramByName(kLongName, d); }, E_INVALIDARG},
      {"unknown page", [&] { return b.root->get_PropPage(L"nope", page); }, E_INVALIDARG},
      {"select past the end", [&] { return b.root->SelectDiagram(1); }, E_INVALIDARG},
      {"remove the last diagram", [&] { return b.root->RemoveDiagram(0); }, S_FALSE},
  });
  EXPECT_EQ(count, 1);
  EXPECT_EQ(b.control->GetDiagramCount(), 1u);

  // Added up to the maximum; then S_FALSE and no object.
  std::shared_ptr<Diagram_COM> added;
  for (int i = 1; i < 4; ++i) ASSERT_EQ(b.root->AddDiagram(added), S_OK);
  EXPECT_EQ(b.root->AddDiagram(added), S_FALSE);
  EXPECT_EQ(added, nullptr);
  EXPECT_EQ(b.root->SelectDiagram(2), S_OK);
  EXPECT_EQ(b.control->GetCurrentDiagramIndex(), 2);

  b.control->GetDiagram(3)->SetLocked(true);
  Expect({
      {"remove past the end", [&] { return b.root->RemoveDiagram(4); }, E_INVALIDARG},
      {"remove a locked diagram", [&] { return b.root->RemoveDiagram(3); }, E_FAIL},
      {"remove", [&] { return b.root->RemoveDiagram(1); }, S_OK},
  });
  EXPECT_EQ(b.control->GetDiagramCount(), 3u);
}

TEST(Automation, DiagramMembers) {
  Bench b;
  std::shared_ptr<Trace_COM> t;
  std::shared_ptr<Marker_COM> m;
  int count = 0;
  Expect({
      {"marker count", [&] { return b.diagram->get_MarkerCount(count); }, S_OK},
      {"marker 29", [&] { return b.diagram->get_Marker(29, m); }, S_OK},
      {"marker 30", [&] { return b.diagram->get_Marker(30, m); }, E_INVALIDARG},
      {"trace by name", [&] { return b.diagram->get_Trace(L"S21", t); }, S_OK},
      {"unknown trace", [&] { return b.diagram->get_Trace(L"S12", t); }, E_INVALIDARG},
      {"trace by index", [&] { return b.diagram->get_TraceByIndex(2, t); }, S_OK},
      {"trace index past the end", [&] { return b.diagram->get_TraceByIndex(3, t); }, E_INVALIDARG},
      {"remember an unknown trace", [&] { return b.diagram->RememberTrace(L"S12", L"Copy"); }, E_INVALIDARG},
      {"remember under an overlong name", [&] { return b.diagram->RememberTrace(L"S21", kLongName); }, E_INVALIDARG},
      {"select an unknown trace", [&] { return b.diagram->SelectTrace(L"S12"); }, E_INVALIDARG},
      {"delete an unknown trace", [&] { return b.diagram->DeleteTrace(L"S12"); }, E_INVALIDARG},
      {"memory trace under an overlong name", [&] { return b.diagram->AddStaticTrace(kLongName, t); }, E_INVALIDARG},
  });
  EXPECT_EQ(count, 30);
  EXPECT_EQ(b.Engine()->GetTraceCount(), 3u) << "failed calls change nothing";

  b.Sweep();
  ASSERT_EQ(b.diagram->RememberTrace(L"S21", L"Copy"), S_OK);
  std::shared_ptr<Trace_COM> copy;
  ASSERT_EQ(b.diagram->get_Trace(L"Copy", copy), S_OK);
  std::vector<double> x, y;
  ASSERT_EQ(copy->FetchData(x, y), S_OK);
  ASSERT_EQ(y.size(), static_cast<std::size_t>(kPoints));
  EXPECT_DOUBLE_EQ(y[60], 0.0);

  ASSERT_EQ(b.diagram->SelectTrace(L"M"), S_OK);
  EXPECT_EQ(b.Engine()->SelectedTrace(0), b.memory->Bound());
  static_cast<CTrace*>(b.memory->Bound())->SetLocked(true);
  EXPECT_EQ(b.diagram->DeleteTrace(L"M"), E_FAIL);
  EXPECT_EQ(b.diagram->DeleteTrace(L"Copy"), S_OK);
  EXPECT_EQ(copy->Bound(), nullptr);
  EXPECT_EQ(b.diagram->DeleteAllTraces(), S_OK);
  EXPECT_EQ(b.Engine()->GetTraceCount(), 1u) << "the locked memory trace stays";

  // The diagram's limit of data traces: AddTrace then fails.
  for (int i = 0; i < 10; ++i) b.diagram->AddTrace(t);
  EXPECT_EQ(b.diagram->AddTrace(t), E_FAIL);
  EXPECT_EQ(t, nullptr);
}

TEST(Automation, TraceMembers) {
  Bench b;
  b.Sweep();
  std::vector<double> x, y, z;
  std::wstring text;
  double value = 0;
  TraceType type = ttData;
  void* filter = nullptr;
  const std::vector<double> three{1, 2, 3};
  Expect({
      {"fetch", [&] { return b.data->FetchData(x, y); }, S_OK},
      {"source data", [&] { return b.data->GetSourceData(x, y, z); }, S_OK},
      {"unknown filter", [&] { return b.data->get_Filter(L"NOPE", filter); }, E_INVALIDARG},
      {"filter without an object", [&] { return b.data->get_Filter(L"QUANTITY", filter); }, E_NOTIMPL},
      {"fix the axis of a data trace", [&] { return b.data->FixHorizAxis(); }, E_FAIL},
      {"division of zero", [&] { return b.data->put_ScaleDiv(0); }, E_INVALIDARG},
      {"NaN reference", [&] { return b.data->put_ScaleRef(std::nan("")); }, E_INVALIDARG},
      {"reference position 11", [&] { return b.data->put_RefPos(11); }, E_INVALIDARG},
      {"overlong name", [&] { return b.data->put_Name(kLongName); }, E_INVALIDARG},
      {"unknown channel", [&] { return b.data->SetMeasurement(L"S12", L""); }, E_INVALIDARG},
      {"channel of another number", [&] { return b.data->SetMeasurement(L"S21", L"2"); }, E_INVALIDARG},
      {"channel", [&] { return b.data->SetMeasurement(L"S21", L"1"); }, S_OK},
      {"data into a data trace", [&] { return b.data->SetData(three, three); }, E_FAIL},
      {"arrays of two lengths", [&] { return b.memory->SetData(three, {1, 2}); }, E_INVALIDARG},
      {"math source of a data trace", [&] { return b.data->SetMathSource(0, L"S21"); }, E_FAIL},
      {"math source 2", [&] { return b.math->GetMathSource(2, text); }, E_INVALIDARG},
      {"unknown math source", [&] { return b.math->SetMathSource(0, L"S12"); }, E_INVALIDARG},
      {"itself as math source", [&] { return b.math->SetMathSource(1, L"Math"); }, E_INVALIDARG},
      {"expression the interpreter refuses", [&] { return b.math->put_MathOperation(L"A+"); }, E_INVALIDARG},
      {"expression of a data trace", [&] { return b.data->get_MathOperation(text); }, E_FAIL},
      {"refresh a data trace", [&] { return b.data->RefreshStaticTrace(); }, E_FAIL},
      {"refresh without a source", [&] { return b.memory->RefreshStaticTrace(); }, E_POINTER},
      {"source data of two lengths", [&] { return b.memory->SetSourceData(three, three, {1}); }, E_INVALIDARG},
      {"value at a stimulus", [&] { return b.data->GetValue(1.06e9, value); }, S_OK},
      {"type", [&] { return b.math->get_Type(type); }, S_OK},
  });
  EXPECT_EQ(type, ttMath);
  EXPECT_DOUBLE_EQ(value, 0.0);
  EXPECT_EQ(b.math->GetMathSource(0, text), S_OK);
  EXPECT_EQ(text, L"") << "a refused source leaves none";

  ASSERT_EQ(b.data->FetchData(x, y), S_OK);
  ASSERT_EQ(x.size(), static_cast<std::size_t>(kPoints));
  EXPECT_DOUBLE_EQ(x[1] - x[0], 1e6);
  EXPECT_DOUBLE_EQ(y[50], -1.0);
  std::wstring channel, measurement;
  EXPECT_EQ(b.data->get_Channel(channel), S_OK);
  EXPECT_EQ(b.data->get_Measurement(measurement), S_OK);
  EXPECT_EQ(channel + L"/" + measurement, L"1/S21");

  // A memory trace takes a script's arrays through its display-format filter.
  ASSERT_EQ(b.memory->SetData({1, 2, 3}, {-1, -2, -3}), S_OK);
  ASSERT_EQ(b.memory->FetchData(x, y), S_OK);
  EXPECT_EQ(y, (std::vector<double>{-1, -2, -3}));
  ASSERT_EQ(b.memory->SetSourceData({1, 2}, {0.5, 0.25}, {0.1, 0.2}), S_OK);
  ASSERT_EQ(b.memory->GetSourceData(x, y, z), S_OK);
  EXPECT_EQ(z, (std::vector<double>{0.1, 0.2}));

  // A math trace over two sources and an expression.
  ASSERT_EQ(b.diagram->RememberTrace(L"S21", L"Ref"), S_OK);
  ASSERT_EQ(b.math->SetMathSource(0, L"S21"), S_OK);
  ASSERT_EQ(b.math->SetMathSource(1, L"Ref"), S_OK);
  ASSERT_EQ(b.math->put_MathOperation(L"A-B+1"), S_OK);
  ASSERT_EQ(b.math->get_MathOperation(text), S_OK);
  EXPECT_EQ(text, L"A-B+1");
  ASSERT_EQ(b.math->FetchData(x, y), S_OK);
  ASSERT_FALSE(y.empty());
  EXPECT_DOUBLE_EQ(y[10], 1.0);

  // An overlong array is refused before anything is read or copied.
  EXPECT_EQ(b.memory->SetData(std::vector<double>(kMaxAutomationPoints + 1), {}), E_INVALIDARG);
}

TEST(Automation, MarkerMembers) {
  Bench b;
  b.Sweep();
  std::shared_ptr<Marker_COM> m;
  ASSERT_EQ(b.diagram->get_Marker(0, m), S_OK);
  double value = 0;
  std::wstring text;
  Expect({
      {"unknown source trace", [&] { return m->put_SrcTrace(L"S12"); }, E_INVALIDARG},
      {"source trace", [&] { return m->put_SrcTrace(L"S21"); }, S_OK},
      {"activate", [&] { return m->put_Active(true); }, S_OK},
      {"maximum", [&] { return m->SetOnMax(); }, S_OK},
      {"value on the trace", [&] { return m->get_Value(L"S21", value); }, S_OK},
      {"value on a trace not shown", [&] { return m->get_Value(L"M", value); }, E_INVALIDARG},
      {"read-out of an unknown trace", [&] { return m->get_StringValue(L"S12", text); }, E_INVALIDARG},
      {"flag at 101 %", [&] { return m->SetFlagPos(101); }, E_INVALIDARG},
      {"stimulus NaN", [&] { return m->put_Stimulus(std::nan("")); }, E_INVALIDARG},
      {"17 stimulus digits", [&] { return m->put_StimDimension(17); }, E_INVALIDARG},
      {"negative extremum", [&] { return m->SetExtremumMode(true, -1, 3); }, E_INVALIDARG},
      {"infinite range start", [&] { return m->put_RangeStart(INFINITY); }, E_INVALIDARG},
  });
  EXPECT_DOUBLE_EQ(value, 0.0);
  double stimulus = 0;
  ASSERT_EQ(m->get_Stimulus(stimulus), S_OK);
  EXPECT_DOUBLE_EQ(stimulus, 1.06e9);
  MarkMode mode = mFrequency;
  ASSERT_EQ(m->get_Mode(mode), S_OK);
  EXPECT_EQ(mode, mMaxPower);
  ASSERT_EQ(m->get_StringValue(L"S21", text), S_OK);
  EXPECT_FALSE(text.empty());

  // A search range confines the maximum.
  ASSERT_EQ(m->put_FullRange(false), S_OK);
  ASSERT_EQ(m->put_RangeStart(1.01e9), S_OK);
  ASSERT_EQ(m->put_RangeStop(1.03e9), S_OK);
  ASSERT_EQ(m->get_Stimulus(stimulus), S_OK);
  EXPECT_DOUBLE_EQ(stimulus, 1.03e9) << "the maximum within the range";

  ASSERT_EQ(m->SetOnLevel(), S_OK);
  ASSERT_EQ(m->get_Mode(mode), S_OK);
  EXPECT_EQ(mode, mLevelPower);

  // Markers are the slots of their diagram: the same object for the same slot.
  std::shared_ptr<Marker_COM> again;
  ASSERT_EQ(b.diagram->get_Marker(0, again), S_OK);
  EXPECT_EQ(again, m);
  EXPECT_EQ(std::dynamic_pointer_cast<Marker_COM>(static_cast<CMarker*>(m->Bound())->GetAutomationInterface()), m);
}

TEST(Automation, CountFreqGivesUpWhenNoCountComesBack) {
  Bench b;
  b.Sweep();
  std::shared_ptr<Marker_COM> m;
  ASSERT_EQ(b.diagram->get_Marker(0, m), S_OK);
  ASSERT_EQ(m->put_SrcTrace(L"S21"), S_OK);
  ASSERT_EQ(m->put_Active(true), S_OK);
  ASSERT_EQ(m->SetOnMax(), S_OK);
  int asked = 0;
  b.control->onDiagramParameter = [&](MeasurementInterface*, const wchar_t* name, double, double) {
    asked += std::wstring(name) == L"FrequencyCounter";
  };
  double freq = 0;
  int idles = 0;
  EXPECT_EQ(m->CountFreq(freq, [&] { ++idles; }, std::chrono::milliseconds(60)), E_FAIL);
  EXPECT_EQ(asked, 1);
  EXPECT_GT(idles, 0) << "the caller's messages are processed while it waits";

  // The instrument answers: the pending count ends with its frequency.
  EXPECT_EQ(m->PollCountFreq(freq), S_FALSE);
  static_cast<CMarker*>(m->Bound())->SetCorrectedFreq(1.0601e9);
  EXPECT_EQ(m->PollCountFreq(freq), S_OK);
  EXPECT_DOUBLE_EQ(freq, 1.0601e9);
}

TEST(Automation, SweepEventsReachEverySinkWithTheTraceId) {
  Bench b;
  EventSink first, second;
  const unsigned cookie = b.data->Advise(&first);
  b.data->Advise(&second);
  std::int64_t id = 0;
  ASSERT_EQ(b.data->get_ID(id), S_OK);
  EXPECT_EQ(static_cast<std::uint64_t>(id), b.data->Bound()->Id());
  b.Sweep();
  EXPECT_EQ(first.events, (std::vector<std::int64_t>{-1, id}));
  b.data->Unadvise(cookie);
  b.Sweep();
  EXPECT_EQ(first.events.size(), 2u);
  EXPECT_EQ(second.events, (std::vector<std::int64_t>{-1, id, -1, id}));
}

TEST(Automation, ObjectsOutlivingTheirEngineObjectsAnswerEPointer) {
  Bench b;
  b.Sweep();
  std::shared_ptr<Trace_COM> data = b.data;
  std::shared_ptr<Marker_COM> marker;
  ASSERT_EQ(b.diagram->get_Marker(3, marker), S_OK);
  EventSink sink;
  data->Advise(&sink);

  // The trace goes; its object stays with the script.
  ASSERT_EQ(b.diagram->DeleteTrace(L"S21"), S_OK);
  std::vector<double> x, y;
  std::wstring name;
  double value = 0;
  Expect({
      {"fetch", [&] { return data->FetchData(x, y); }, E_POINTER},
      {"name", [&] { return data->get_Name(name); }, E_POINTER},
      {"put name", [&] { return data->put_Name(L"X"); }, E_POINTER},
      {"value", [&] { return data->GetValue(1e9, value); }, E_POINTER},
  });
  b.Sweep();  // no event from a trace that is gone
  EXPECT_TRUE(sink.events.empty());

  // The diagram goes: the diagram's object and its markers' answer E_POINTER.
  std::shared_ptr<Diagram_COM> added;
  ASSERT_EQ(b.root->AddDiagram(added), S_OK);
  std::shared_ptr<Diagram_COM> first = b.diagram;
  ASSERT_EQ(b.root->RemoveDiagram(0), S_OK);
  int count = 0;
  bool active = false;
  Expect({
      {"trace count", [&] { return first->get_TraceCount(count); }, E_POINTER},
      {"add trace", [&] { return first->AddTrace(b.data); }, E_POINTER},
      {"marker active", [&] { return marker->get_Active(active); }, E_POINTER},
      {"marker mode", [&] { return marker->SetOnMax(); }, E_POINTER},
      {"memory trace of the diagram", [&] { return b.memory->FetchData(x, y); }, E_POINTER},
  });

  // The control goes last.
  b.control.reset();
  EXPECT_EQ(b.root->get_DiagramCount(count), E_POINTER);
  EXPECT_EQ(added->get_TraceCount(count), E_POINTER);
}
