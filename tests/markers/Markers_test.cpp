// Markers on a real diagram: sweeps arriving in blocks, relations, preset files, traces that
// move, and what is drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

#include "diagram/Diagram.h"
#include "markers/MarkersManager.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "support/RecordingCanvas.h"
#include "support/TempDir.h"

namespace {

// A diagram with one channel of `points` points from 100 MHz to 200 MHz, and data traces on it.
struct Bench {
  CControlStub control;
  CDiagram diagram{&control};
  CMeasurement channel;
  std::vector<double> x, y;

  explicit Bench(int points = 101, int traces = 1) {
    diagram.SetBounds({0, 0, 800, 600});
    channel.SetStimulusQuantity(L"Hz");
    channel.SetStimulusRange(100e6, 200e6, true);
    channel.SetPointsCount(points);
    diagram.AddMeasurement(&channel);
    for (int i = 0; i < traces; ++i) diagram.AddDataTrace()->SetName(L"T" + std::to_wstring(i + 1));
    for (int i = 0; i < points; ++i) {
      x.push_back(100e6 + 1e6 * i * 100.0 / (points - 1));
      y.push_back(-std::fabs(i * 100.0 / (points - 1) - 60.0));  // a peak of 0 at 160 MHz
    }
  }
  void Sweep(int blocks = 1) {
    const int n = static_cast<int>(x.size());
    for (int b = 0; b < blocks; ++b) Block(n * b / blocks, n * (b + 1) / blocks);
  }
  void Block(int from, int to) { channel.AddData(from, to - from, x.data() + from, y.data() + from, nullptr); }
  CMarkersManager& Markers() { return *diagram.GetMarkers(); }
  CMarker& Marker(unsigned i) { return *Markers().Marker(i); }
  void Place(unsigned i, EMarkMode mode, int trace = 0) {
    SMarkParams p = DefaultMarkParams();
    p.parked = false;
    p.enabled = true;
    p.mode = mode;
    p.traceIndex = trace;
    p.lines.set(static_cast<std::size_t>(trace) + 2);
    Marker(i).SetParams(p);
  }
};

}  // namespace

TEST(Markers, SearchesWaitForTheDataTheyReadWhenASweepComesInBlocks) {
  Bench bench(641);
  bench.Place(0, mmMaximum);
  bench.Place(1, mmFree);
  SMarkParams p = bench.Marker(1).GetParams();
  p.position = 101e6;  // inside the first block
  bench.Marker(1).SetParams(p);
  ASSERT_TRUE(std::isnan(bench.Marker(0).GetFreq()));

  bench.Block(0, 10);
  EXPECT_TRUE(std::isnan(bench.Marker(0).GetFreq()));  // the maximum waits for the whole sweep
  EXPECT_EQ(bench.Marker(1).ReadOut().size(), 3u);
  EXPECT_NE(bench.Marker(1).GetTraceValueString(2), L"Н/Д");  // the free marker has its points
  for (int b = 1; b < 64; ++b) bench.Block(b * 10, std::min(641, (b + 1) * 10));
  bench.Block(640, 641);
  EXPECT_DOUBLE_EQ(bench.Marker(0).GetFreq(), 160e6);
}

TEST(Markers, TrackingOffSearchesOnceAndABandRelationReadsInMegahertz) {
  Bench bench;
  bench.Sweep();
  bench.Place(0, mmMaximum);
  SMarkParams p = bench.Marker(0).GetParams();
  p.tracking = false;
  bench.Marker(0).SetParams(p);
  EXPECT_EQ(bench.Marker(0).GetParams().mode, mmFree);  // one-shot: now free at the peak
  EXPECT_DOUBLE_EQ(bench.Marker(0).GetFreq(), 160e6);

  bench.control.reports.clear();
  bench.Place(1, mmFree);
  EXPECT_NE(std::find(bench.control.reports.begin(), bench.control.reports.end(), L"pages 3"), bench.control.reports.end())
      << "the property pages hear of a marker's new settings";
  bench.Marker(1).SetOnFreq(180e6, true, false);
  bench.Marker(0).SetOnFreq(200e6 - 100e6, true, false);  // clipped onto the trace
  EXPECT_DOUBLE_EQ(bench.Marker(0).GetFreq(), 100e6);
  bench.Marker(0).SetOnFreq(120e6, false, false);
  CRelationMarker* relation = bench.Markers().ConnectMarkers(&bench.Marker(0), &bench.Marker(1), 50);
  ASSERT_NE(relation, nullptr);
  EXPECT_EQ(relation->GetText(), L"60.000 МГц");
  SConnParams c = relation->GetParams();
  c.expression = L"abs(а.арг-б.арг";
  EXPECT_FALSE(relation->SetParams(c));
  EXPECT_FALSE(relation->ErrorText().empty());
  EXPECT_EQ(relation->GetParams().expression, L"abs(а.арг-б.арг)/10^6");  // the previous one stays
  c.expression = L"а.T1-б.T1";  // levels by trace title: -40 at 120 MHz, -20 at 180 MHz
  c.print = L"%зн дБ %20log10";
  ASSERT_TRUE(relation->SetParams(c));
  EXPECT_EQ(relation->GetText(), L"-20.000 дБ NAN");
}

TEST(Markers, PresetFilesRoundTripAndDamagedFilesChangeNothing) {
  UserInteractionScript ui;
  Bench bench(101, 2);
  bench.Sweep();
  bench.Place(0, mmMaximum);
  bench.Place(5, mmRef, 1);
  SMarkParams p = bench.Marker(5).GetParams();
  p.refMarker = 0;
  p.direction = mdRightStim;
  p.divergence = 10e6;
  p.noLimits = false;
  p.rangeMin = 110e6;
  p.rangeMax = 190e6;
  p.lines.set(2);
  bench.Marker(5).SetParams(p);
  EXPECT_DOUBLE_EQ(bench.Marker(5).GetFreq(), 170e6);
  ASSERT_NE(bench.Markers().ConnectMarkers(&bench.Marker(0), &bench.Marker(5), 30), nullptr);

  const std::filesystem::path dir = FreshDir("markers");
  const std::wstring file = (dir / "preset.mrk").wstring();
  ASSERT_TRUE(bench.Markers().SaveMarkersToFile(file));
  const SMarkParams saved0 = bench.Marker(0).GetParams(), saved5 = bench.Marker(5).GetParams();
  bench.Markers().Reset();
  EXPECT_TRUE(bench.Marker(5).GetParked());
  ASSERT_TRUE(bench.Markers().LoadMarkersFromFile(file));
  EXPECT_EQ(bench.Marker(0).GetParams(), saved0);
  EXPECT_EQ(bench.Marker(5).GetParams(), saved5);
  EXPECT_DOUBLE_EQ(bench.Marker(5).GetFreq(), 170e6);
  EXPECT_TRUE(bench.Markers().Relation(0)->GetActivated());
  EXPECT_EQ(bench.Markers().Relation(0)->GetText(), L"10.000 МГц");

  std::ofstream(dir / "broken.mrk") << "<markerPreset><markerList>";
  std::ofstream(dir / "other.mrk") << "<layout/>";
  ui->fileAnswers = {(dir / "broken.mrk").wstring(), (dir / "other.mrk").wstring()};
  EXPECT_FALSE(bench.Markers().LoadMarkers());
  EXPECT_FALSE(bench.Markers().LoadMarkers());
  ASSERT_EQ(ui->boxes.size(), 2u);
  EXPECT_EQ(ui->boxes[1].text, L"Ошибка при загрузке шаблона маркеров из файла \"" + (dir / "other.mrk").wstring() + L"\"");
  EXPECT_EQ(bench.Marker(5).GetParams(), saved5);
  EXPECT_EQ(bench.control.GetDiagramString(L"MarkersDir"), dir.wstring());
}

TEST(Markers, PresetElementsOutsideTheSlotsAreSkipped) {
  Bench bench(101, 1);
  bench.Sweep();
  bench.Place(3, mmMaximum);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<markerPreset compact='true'><markerList>"
      "<marker id='0' enabled='true'><parked value='false'/><action value='maximum'><linkTrace value='T1'/></action></marker>"
      "<marker id='5' enabled='true'><parked value='false'/><action value='free'><linkTrace value='nope'/></action></marker>"
      "<marker id='31' enabled='true'><parked value='false'/></marker>"
      "</markerList><relationList>"
      "<relation markerA='0' markerB='7'/><relation markerA='0' markerB='5'><expression value='1+'/></relation>"
      "</relationList></markerPreset>"));
  bench.Markers().ReadMarksFromXMLNode(doc.child("markerPreset"));
  EXPECT_TRUE(bench.Markers().IsCompactMode());
  EXPECT_TRUE(bench.Markers().ShowsNewTraces());
  EXPECT_DOUBLE_EQ(bench.Marker(0).GetFreq(), 160e6);
  EXPECT_FALSE(bench.Marker(5).GetParked());
  EXPECT_EQ(bench.Marker(5).GetParams().traceIndex, -1);  // no trace of that title
  EXPECT_TRUE(bench.Marker(3).GetParked());               // not in the file: reset
  EXPECT_EQ(bench.Markers().GetActiveMarker(), &bench.Marker(0));
  EXPECT_FALSE(bench.Markers().Relation(0)->GetActivated());  // marker 7 was not read
  ASSERT_TRUE(bench.Markers().Relation(1)->GetActivated());  // the next relation takes the next slot
  EXPECT_EQ(bench.Markers().Relation(1)->GetText(), L"1<->6: Н/Д");  // its expression does not parse
}

TEST(Markers, MarkersKeepTheirTracesWhenTracesMoveAndGo) {
  Bench bench(101, 3);
  bench.Sweep();
  bench.Place(0, mmMaximum, 2);
  SMarkParams p = bench.Marker(0).GetParams();
  p.lines.set(2);  // shows T1 and T3
  bench.Marker(0).SetParams(p);

  bench.diagram.SwapTraces(0, 2);
  EXPECT_EQ(bench.Marker(0).GetParams().traceIndex, 0);
  EXPECT_TRUE(bench.Marker(0).GetParams().lines.test(4));  // T1 now third

  bench.diagram.DeleteTrace(bench.diagram.Trace(1u));  // T2
  EXPECT_EQ(bench.Marker(0).GetParams().traceIndex, 0);
  EXPECT_TRUE(bench.Marker(0).GetParams().lines.test(3));
  EXPECT_FALSE(bench.Marker(0).GetParams().lines.test(4));

  CDiagram other(&bench.control);
  ASSERT_TRUE(bench.diagram.MoveTrace(bench.diagram.Trace(0u), &other));  // T3 goes
  EXPECT_EQ(bench.Marker(0).GetParams().traceIndex, -1);
  EXPECT_TRUE(bench.Marker(0).GetParams().lines.test(2));  // T1 moved up
  const auto& readOut = bench.Marker(0).ReadOut();  // T1 is still read out, T3 no longer
  EXPECT_TRUE(std::any_of(readOut.begin(), readOut.end(), [](const std::wstring& l) { return l.starts_with(L"T1: "); }));
  EXPECT_FALSE(std::any_of(readOut.begin(), readOut.end(), [](const std::wstring& l) { return l.starts_with(L"T3: "); }));
}

TEST(Markers, TheTriangleAndTheFrameAreDrawnAtTheTrace) {
  Bench bench;
  bench.Sweep();
  bench.Place(0, mmMaximum);
  bench.Marker(0).SetSeekRange(true, 120e6, 190e6);
  CRecordingCanvas canvas;
  bench.diagram.Draw(canvas);
  TraceInterface* trace = bench.diagram.Trace(0u);
  const double px = trace->CalcPosValue(vtStimulus, 160e6), py = trace->CalcPosValue(vtResponse, 0.0);
  bool triangle = false, frame = false, name = false, hint = false;
  for (const auto& op : canvas.ops) {
    if (op.op == CRecordingCanvas::opPolyline && op.points.size() == 4 && std::fabs(op.points[0].x - px) < 0.5 &&
        std::fabs(op.points[0].y - py) < 0.5 && op.pen.color == trace->GetColor())
      triangle = true;
    if (op.op == CRecordingCanvas::opRectangle && op.rect.left > px && op.rect.left < px + 20) frame = true;
    if (op.op == CRecordingCanvas::opText && op.text == L"T1: 0") name = true;
    if (op.op == CRecordingCanvas::opText && op.text.starts_with(L"Диапазон поиска маркера 1: 120 МГц")) hint = true;
  }
  EXPECT_TRUE(hint);
  EXPECT_TRUE(triangle);
  EXPECT_TRUE(frame);
  EXPECT_TRUE(name);

  EXPECT_EQ(bench.Markers().GetMarkAtPoint(static_cast<int>(px), static_cast<int>(py) - 4), &bench.Marker(0));
  EXPECT_EQ(bench.Markers().GetMarkAtPoint(static_cast<int>(px) + 200, static_cast<int>(py) + 200), nullptr);

  // A second marker at the same point with a frame at the same place: the frames stack.
  bench.Place(1, mmMaximum);
  bench.Marker(1).SetSeekRange(true, 120e6, 190e6);
  bench.diagram.Draw(canvas);
  const SRect a = bench.Marker(0).FrameRect(), b = bench.Marker(1).FrameRect();
  ASSERT_GT(b.bottom, b.top);
  EXPECT_TRUE(b.top >= a.bottom || a.top >= b.bottom) << a.top << "-" << a.bottom << " / " << b.top << "-" << b.bottom;
}

TEST(Markers, ADraggedFreeMarkerFollowsTheTraceAndKeysStepPoints) {
  Bench bench(11);
  bench.Sweep();
  bench.Place(0, mmFree);
  bench.Marker(0).SetOnFreq(150e6, false, false);
  CRecordingCanvas canvas;
  bench.diagram.Draw(canvas);  // lays the chart out
  TraceInterface* trace = bench.diagram.Trace(0u);
  const int px = static_cast<int>(trace->CalcPosValue(vtStimulus, 150e6));
  const int py = static_cast<int>(trace->CalcPosValue(vtResponse, trace->ResponseByX(vtResponse, 150e6)));
  ASSERT_TRUE(bench.diagram.MouseDown(px, py - 3));
  const int to = static_cast<int>(trace->CalcPosValue(vtStimulus, 170e6));
  bench.diagram.MouseMove(to, py);
  bench.diagram.MouseUp(to, py);
  EXPECT_NEAR(bench.Marker(0).GetFreq(), 170e6, 0.5e6);
  bench.Marker(0).SetOnFreq(170e6, false, false);
  EXPECT_TRUE(bench.diagram.KeyDown(mkRight, false, false, false));
  EXPECT_DOUBLE_EQ(bench.Marker(0).GetFreq(), 180e6);
  EXPECT_TRUE(bench.diagram.KeyDown(mkLeft, false, false, false));
  EXPECT_DOUBLE_EQ(bench.Marker(0).GetFreq(), 170e6);
  SMarkParams p = bench.Marker(0).GetParams();
  p.stimStep = 2.5e6;
  bench.Marker(0).SetParams(p);
  EXPECT_TRUE(bench.diagram.KeyDown(mkRight, false, true, false));  // Shift: by the step
  EXPECT_DOUBLE_EQ(bench.Marker(0).GetFreq(), 172.5e6);
  EXPECT_TRUE(bench.diagram.KeyDown('W', true, false, false));  // Ctrl+W: a new marker
  EXPECT_FALSE(bench.Marker(1).GetParked());
}
