#include "measurements/Measurement.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "common/Text.h"
#include "support/Capture.h"
#include "support/FakeDiagram.h"
#include "support/FakeSubscriber.h"

namespace {

using Kinds = std::vector<EMeasureParam>;
using Journal = std::vector<std::string>;
using Range = std::pair<double, double>;
using Texts = std::vector<std::wstring>;

void Feed(CMeasurement* m, int offset, std::vector<double> x) {
  m->AddData(offset, static_cast<int>(x.size()), x.data(), nullptr, nullptr);
}

Range Sweep(const CMeasurement& m) { return {m.GetStimulusStart(), m.GetStimulusStop()}; }

Texts Indicators(const CMeasurement& m) {  // the first list as GetIndicator shows it
  Texts t;
  for (int i = 0; i < m.GetIndicatorCount(citFirst); ++i) t.push_back(m.GetIndicator(citFirst, i)->Text);
  return t;
}

// A channel with one recording subscriber attached and its attach notification forgotten.
struct Channel {
  CMeasurement m;
  CRecordingSubscriber sub;
  Channel() { sub.AddMeasurement(&m); sub.Clear(); }
  void Feed(int offset, std::vector<double> x) { ::Feed(&m, offset, std::move(x)); }
  // The change kinds received since the last call.
  Kinds Take() { Kinds kinds = sub.Changes(); sub.Clear(); return kinds; }
};

}  // namespace

TEST(Measurement, SettersAnnounceRealChangesWithTheirKind) {
  Channel c;
  for (int i = 0; i < 2; ++i) {  // the repeat changes nothing and sends nothing
    c.m.SetName(L"S11");
    c.m.SetResponseQuantity(L"Cmplx");
    c.m.SetPointsCount(201);
  }
  EXPECT_EQ(c.Take(), (Kinds{mpName, mpResponseQuantity, mpNewSweep, mpPointsCount}));
  c.m.HideStimulus(false);  // announced in full even when nothing changed
  EXPECT_EQ(c.Take(), (Kinds{mpNewSweep, mpStimulusRange, mpDisplayRange, mpStimulusQuantity}));
}

TEST(Measurement, StimulusRangeIsOrderedAndKeptInHostUnits) {
  Channel c;
  CMeasurement& m = c.m;
  m.SetStimulusRange(1, 3, true);
  m.SetStimulusRange(1, 3, true);  // unchanged
  m.SetStimulusQuantity(L"GHz");   // the prefix becomes the multiplier; the numbers keep their meaning
  m.SetStimulusQuantity(L"GHz");
  EXPECT_EQ(c.Take(), (Kinds{mpStimulusRange, mpStimulusRange, mpStimulusQuantity}));
  EXPECT_EQ(m.GetStimulusQuantity(), L"Hz");
  EXPECT_EQ(Sweep(m), (Range{1e9, 3e9}));
  m.SetStimulusFullRange(1, 6);
  EXPECT_EQ(m.GetStimulusMax(), 6e9);

  m.SetStimulusRange(3, 1, true);
  m.SetStimulusRange(3, 1, true);  // a reversed range never counts as unchanged
  EXPECT_EQ(Sweep(m), (Range{1e9, 3e9}));
  m.SetStimulusQuantity(L"kHz");  // the direction survives a change of units
  EXPECT_TRUE(m.HasReversedSweep());
  m.SetStimulusRange(1, 3, true);  // back to forward: announced too
  EXPECT_FALSE(m.HasReversedSweep());
  EXPECT_EQ(c.Take(), (Kinds{mpStimulusRange, mpStimulusRange, mpStimulusRange, mpStimulusQuantity,
                             mpStimulusRange}));
  m.SetStimulusRange(2.5, 1.5, false);  // a zoom: ordered and stored, never announced
  EXPECT_EQ(m.GetDisplayStimStart(), 1.5e3);
  EXPECT_EQ(Sweep(m), (Range{1e3, 3e3}));
  EXPECT_TRUE(c.Take().empty());
}

TEST(Measurement, HiddenStimulusShowsPointNumbers) {
  Channel c;
  CMeasurement& m = c.m;
  m.SetStimulusQuantity(L"MHz");
  m.SetStimulusRange(100, 500, true);
  m.SetPointsCount(5);
  double v[3];
  int d[3];
  auto optimal = [&] {  // start, stop, centre, then their exponents
    m.GetOptimalRange(v[0], v[1], v[2], d[0], d[1], d[2]);
    return std::vector<double>{v[0], v[1], v[2], 1.0 * d[0], 1.0 * d[1], 1.0 * d[2]};
  };
  EXPECT_EQ(optimal(), (std::vector<double>{100, 500, 300, 6, 6, 6}));
  m.HideStimulus(true);
  EXPECT_EQ(optimal(), (std::vector<double>{1, 5, 3, 0, 0, 0}));
  EXPECT_EQ(Sweep(m), (Range{1, 5}));
  EXPECT_EQ(m.GetStimulusMultiplier(), 1);
  EXPECT_EQ(m.GetStimulusQuantity(), L"");

  c.Feed(0, {100e6, 200e6, 300e6, 400e6, 500e6});
  c.Feed(3, {400e6, 500e6});
  auto data = c.sub.DataCalls();
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0]->xValues, (std::vector<double>{1, 2, 3, 4, 5}));
  EXPECT_EQ(data[1]->xValues, (std::vector<double>{4, 5}));
  EXPECT_EQ(data[0]->x, data[1]->x) << "the point numbers live in one reused buffer";
  m.SetPointsCount(0);
  EXPECT_EQ(Sweep(m), (Range{1, 1}));
}

TEST(Measurement, NewSweepStartsWhereAChangedRangeBegins) {
  Channel c;
  c.m.SetStimulusRange(1, 3, true);
  c.Take();
  c.Feed(0, {2, 3});  // not the start of the new range
  c.Feed(1, {1, 2});  // not offset 0
  EXPECT_TRUE(c.Take().empty());
  c.Feed(0, {1, 2});
  c.Feed(0, {1, 2});  // once per change
  EXPECT_EQ(c.Take(), (Kinds{mpNewSweep}));
  c.m.SetStimulusRange(30, 10, true);  // a reversed sweep begins at its stop
  c.Take();
  c.Feed(0, {10, 20});
  c.Feed(0, {30, 20});
  EXPECT_EQ(c.Take(), (Kinds{mpNewSweep}));
  double x = 0;  // reset always starts one; a negative count ends right after it
  c.m.AddData(0, -1, &x, nullptr, nullptr, true);
  EXPECT_EQ(c.sub.Changes(), (Kinds{mpNewSweep}));
  EXPECT_EQ(c.sub.calls.size(), 1u);
}

TEST(Measurement, PowerSweepRangeFollowsItsData) {
  Channel c;
  CMeasurement& m = c.m;
  m.SetStimulusQuantity(L"dBm");
  m.SetPointsCount(4);
  c.Feed(0, {-20.004, -12});  // decided, rounded, on the chunk that completes the sweep
  EXPECT_EQ(Sweep(m), (Range{10, 10}));
  c.Feed(2, {-4, 5});
  EXPECT_EQ(Sweep(m), (Range{-20, 5}));
  c.Feed(0, {-20, -12, -4, 5});  // the next sweep begins at the new start
  EXPECT_EQ(c.Take(), (Kinds{mpStimulusQuantity, mpNewSweep, mpPointsCount, mpStimulusRange, mpNewSweep}));

  // Data within a tenth of the range at both ends: it stays; beyond it: it grows; clearly
  // less: it is replaced. A falling sweep reverses it, in two chunks as well.
  const struct { int offset; std::vector<double> x; Range after; } sweeps[] = {
      {0, {-18, -10, 0, 3}, {-20, 5}}, {0, {-30, -10, 0, 4}, {-30, 5}},
      {0, {-10, -5, 0, 5}, {-10, 5}},  {0, {5, 0, -5}, {-10, 5}}, {3, {-10}, {-10, 5}}};
  for (const auto& s : sweeps) {
    c.Feed(s.offset, s.x);
    EXPECT_EQ(Sweep(m), s.after) << s.x[0];
  }
  EXPECT_TRUE(m.HasReversedSweep());

  // No automatic range after a zoom, without auto-scale, or for a frequency sweep.
  m.SetStimulusRange(-10, 5, false);
  c.Feed(0, {-40, -30, -20, 0});
  EXPECT_EQ(Sweep(m), (Range{-10, 5}));
  m.SetStimulusRange(-10, 5, true);
  m.SetStimulusAutoScale(false);
  c.Feed(0, {-40, -30, -20, 0});
  EXPECT_EQ(Sweep(m), (Range{-10, 5}));
  m.SetStimulusAutoScale(true);
  m.SetStimulusQuantity(L"Hz");
  c.Feed(0, {-40, -30, -20, 0});
  EXPECT_EQ(Sweep(m), (Range{-10, 5}));
}

TEST(Measurement, DataPassesThroughAndQueriesAskEverySubscriber) {
  Channel c;
  CRecordingSubscriber other;
  other.AddMeasurement(&c.m);
  double x[2] = {1, 2}, y[2] = {};
  c.m.AddData(0, 2, x, y, nullptr);
  EXPECT_EQ(c.sub.DataCalls()[0]->x, x);  // never copied
  EXPECT_EQ(c.sub.DataCalls()[0]->y, y);
  EXPECT_FALSE(c.m.GetActive());
  other.active = c.sub.visible = true;
  EXPECT_TRUE(c.m.GetActive());
  EXPECT_FALSE(c.m.GetUsing());
  EXPECT_TRUE(c.m.GetVisible());
}

TEST(Measurement, NamedParametersAndEvents) {
  Channel c;
  c.m.SetName(L"S11");
  EXPECT_EQ(c.m.GetParameter(L"notation"), L"S11");  // falls back to the name
  c.Take();
  for (const wchar_t* value : {L"", L"50", L"50"}) c.m.SetParameter(L"impedance", value);
  EXPECT_EQ(c.Take(), (Kinds{mpParameter}));  // absent and empty is no change either
  EXPECT_EQ(c.m.GetParameter(L"impedance"), L"50");

  // Events: read inside the notification, cleared after it, so a repeat is a new event.
  Texts seen;
  c.sub.onChanged = [&](CMeasurement* ch, EMeasureParam) {
    seen.push_back(ch->GetLastParameter() + L"=" + ch->GetParameter(ch->GetLastParameter().c_str()));
  };
  for (const wchar_t* name : {L"SyncOut", L"SyncOut", L"FrequencyCounter"}) c.m.SetParameter(name, L"1");
  EXPECT_EQ(seen, (Texts{L"SyncOut=1", L"SyncOut=1", L"FrequencyCounter=1"}));
  EXPECT_EQ(c.m.GetParameter(L"SyncOut") + c.m.GetParameter(L"FrequencyCounter"), L"");
  EXPECT_EQ(c.m.GetParameter(L"SyncOutControl"), L"true");
}

TEST(Measurement, IndicatorsStaySortedAndFrequencyOnesHideWithTheStimulus) {
  Channel c;
  CMeasurement& m = c.m;
  EXPECT_EQ(m.SetIndicator(citFirst, 5, L"IF 10 kHz", L"IFBW", L"freq_if", 0), 0);
  m.SetIndicator(citFirst, 6, L"+5 dBm", L"Power", L"power", 2);
  m.SetIndicator(citFirst, 3, L"Span 1 GHz", L"Span", L"freq", 1);
  m.SetIndicator(citFirst, 3, L"Span 1 GHz", L"other hint", L"freq", 1);  // same text and order
  m.SetIndicator(citFirst, 7, L"", L"", L"", -1);                          // nothing to remove
  m.SetIndicator(citSecond, 9, L"", L"placeholder", L"", 0);               // an order keeps it
  EXPECT_EQ(c.Take(), (Kinds{mpInfo, mpInfo, mpInfo, mpInfo}));
  EXPECT_EQ(Indicators(m), (Texts{L"Span 1 GHz", L"IF 10 kHz", L"+5 dBm"}));
  EXPECT_EQ(m.GetIndicator(citFirst, 0)->Hint, L"Span");
  EXPECT_EQ(m.GetIndicatorCount(citSecond), 1);
  m.SetIndicator(citFirst, 3, L"", L"", L"", -1);
  m.SetIndicator(citFirst, 6, L"0 dBm", L"Power", L"power", 2);
  m.SetInfo(L"Port 1");  // the info text is indicator 100 of the first list
  EXPECT_EQ(Indicators(m), (Texts{L"IF 10 kHz", L"0 dBm", L"Port 1"}));
  c.Take();
  m.SetInfo(L"");
  EXPECT_EQ(c.Take(), (Kinds{mpInfo, mpInfo}));
  EXPECT_EQ(Indicators(m), (Texts{L"IF 10 kHz", L"0 dBm"}));
  m.HideStimulus(true);  // "freq" anywhere in the category
  EXPECT_EQ(Indicators(m), (Texts{L"0 dBm"}));
}

TEST(Measurement, BadInputIsReportedAndNeverCrashes) {
  AssertCapture asserts;
  Channel c;
  const auto bad = static_cast<EChannelIndicatorType>(2);
  EXPECT_EQ(c.m.SetIndicator(bad, 1, L"x", L"", L"", 0), -1);  // refused without a report
  EXPECT_EQ(c.m.GetIndicatorCount(bad), -1);
  EXPECT_EQ(c.m.GetIndicator(bad, 0), nullptr);
  EXPECT_EQ(c.m.GetIndicator(citFirst, 0), nullptr);
  double x[2] = {1, 2};
  c.m.AddData(0, 3, nullptr, nullptr, nullptr);
  c.m.AddData(0, -2, x, nullptr, nullptr);
  EXPECT_TRUE(c.sub.calls.empty());
  EXPECT_EQ(c.m.GetParameter(nullptr), L"");
  c.m.SetStimulusQuantity(L"THz");  // tera does not fit the 32-bit multiplier
  EXPECT_EQ(c.m.GetStimulusMultiplier(), 1);
  EXPECT_EQ(c.m.GetStimulusQuantity(), L"THz");
  std::vector<std::string> reported;
  for (const SAssertReport& r : asserts.Reports()) reported.push_back(r.condition);
  EXPECT_EQ(reported, (std::vector<std::string>{"vecIndex < 2", "vecIndex < 2", "index < indCount",
                                                "x != nullptr", "name != nullptr", "exponent <= 9"}));
}

TEST(MeasurementLifecycle, ChannelDestroysItsTracesAndDetachesTheOthers) {
  CFakeDiagram diagram;
  CRecordingSubscriber other;
  auto m = std::make_unique<CMeasurement>();
  diagram.AddMeasurement(m.get());
  diagram.AddTrace(L"Tr1", L"Measuring", m.get());
  diagram.AddTrace(L"Mem1", L"Memory");
  other.AddMeasurement(m.get());
  CFakeDiagramTrace orphan(nullptr, L"Tr9", L"Measuring", m.get());  // no owner to ask
  m.reset();
  EXPECT_EQ(diagram.destroyed, (Texts{L"Tr1"}));
  EXPECT_EQ(diagram.GetMeasurementCount() + other.GetMeasurementCount() + orphan.GetMeasurementCount(), 0u);
}

TEST(MeasurementLifecycle, SubscriberLeavesEveryChannelWhenDestroyed) {
  CMeasurement m1, m2;
  m2.SetName(L"S21");
  CRecordingSubscriber stays;
  stays.AddMeasurement(&m1);
  {
    CRecordingSubscriber goes;
    for (CMeasurement* m : {&m1, &m2, &m2}) goes.AddMeasurement(m);
    EXPECT_EQ(goes.GetMeasurement(L"S21"), &m2);
    goes.RemoveMeasurement(&m2);  // one registration at a time
    EXPECT_EQ(goes.GetMeasurementCount(), 2u);
  }
  Feed(&m1, 0, {1});  // would call a dead subscriber otherwise
  Feed(&m2, 0, {1});
  EXPECT_EQ(stays.CountOf('D'), 1);
  AssertCapture asserts;
  EXPECT_EQ(stays.GetMeasurement(1u), nullptr);                   // reported
  EXPECT_EQ(CRecordingSubscriber().GetMeasurement(0u), nullptr);  // nothing to reach: silent
  EXPECT_EQ(asserts.Count(), 1u);
}

TEST(MeasurementReentrancy, SubscribersComeAndGoDuringCallbacks) {
  CMeasurement m;
  Journal journal;
  CRecordingSubscriber a("A", &journal), c("C", &journal), newcomer("N", &journal);
  auto b = std::make_unique<CRecordingSubscriber>("B", &journal);
  auto d = std::make_unique<CRecordingSubscriber>("D", &journal);
  for (CRecordingSubscriber* s : {&a, b.get(), &c, d.get()}) s->AddMeasurement(&m);
  journal.clear();
  // Data in order of registration, changes in reverse. B leaves on data; A destroys D before
  // its turn; C subscribes a newcomer, who alone hears of its attach and waits for the next data
  // pass, and renames the channel, which passes over the holes left by B and D.
  b->onData = [&](CMeasurement* ch, int, int, const double*) { b->RemoveMeasurement(ch); };
  a.onData = [&](CMeasurement*, int, int, const double*) { d.reset(); };
  c.onData = [&](CMeasurement* ch, int, int, const double*) {
    newcomer.AddMeasurement(ch);
    ch->SetName(L"n");
  };
  Feed(&m, 0, {1});
  a.onData = c.onData = nullptr;
  Feed(&m, 0, {1});
  EXPECT_EQ(journal, (Journal{"A:D", "B:D", "C:D", "N:C0", "N:C2", "C:C2", "A:C2", "A:E", "C:E",  //
                              "A:D", "C:D", "N:D", "A:E", "C:E", "N:E"}));

  // Leaving inside the attach notification; destroying oneself during a change.
  CRecordingSubscriber shy;
  shy.onChanged = [&](CMeasurement* ch, EMeasureParam) { shy.RemoveMeasurement(ch); };
  shy.AddMeasurement(&m);
  EXPECT_EQ(shy.GetMeasurementCount(), 0u);
  b->onData = nullptr;
  b->AddMeasurement(&m);
  b->onChanged = [&](CMeasurement*, EMeasureParam) { b.reset(); };
  journal.clear();
  m.SetName(L"x");
  Feed(&m, 0, {1});
  EXPECT_EQ(journal, (Journal{"B:C2", "N:C2", "C:C2", "A:C2", "A:D", "C:D", "N:D", "A:E", "C:E", "N:E"}));
}

TEST(MeasurementReentrancy, ChannelDestroyedFromACallbackStopsTheDelivery) {
  // Data reaches A first, changes reach it last; nothing follows once A destroys the channel.
  const std::pair<std::function<void(CMeasurement*)>, Journal> cases[] = {
      {[](CMeasurement* m) { Feed(m, 0, {1}); }, {"A:D"}},
      {[](CMeasurement* m) { m->SetPointsCount(3); }, {"B:C9", "A:C9"}},
      {[](CMeasurement* m) { m->HideStimulus(true); }, {"B:C9", "A:C9"}},
      {[](CMeasurement* m) { m->SetInfo(L"Port 1"); }, {"B:C3", "A:C3"}},
      {[](CMeasurement* m) { m->SetStimulusQuantity(L"GHz"); }, {"B:C1", "A:C1"}},
      {[](CMeasurement* m) { m->SetParameter(L"SyncOut", L"1"); }, {"B:C7", "A:C7"}}};
  for (const auto& [trigger, expected] : cases) {
    auto m = std::make_unique<CMeasurement>();
    Journal journal;
    CRecordingSubscriber a("A", &journal), b("B", &journal);
    a.AddMeasurement(m.get());
    b.AddMeasurement(m.get());
    journal.clear();
    a.onData = [&](CMeasurement*, int, int, const double*) { m.reset(); };
    a.onChanged = [&](CMeasurement*, EMeasureParam) { m.reset(); };
    trigger(m.get());
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(a.GetMeasurementCount() + b.GetMeasurementCount(), 0u);
  }
}

TEST(Measurement, SetDataToMemoryReplacesTheMemoryTraceOnTheFirstDiagramShowingTheChannel) {
  CMeasurement m, other;
  CRecordingSubscriber plain;
  CFakeDiagram elsewhere, first, second;
  plain.AddMeasurement(&m);
  elsewhere.AddMeasurement(&m);
  elsewhere.AddTrace(L"Mem", L"Memory");
  elsewhere.AddTrace(L"Tr2", L"Measuring", &other);
  first.AddMeasurement(&m);
  first.AddTrace(L"Mem", L"Memory");
  first.AddTrace(L"Tr1", L"Measuring", &m);
  second.AddMeasurement(&m);
  second.AddTrace(L"Tr3", L"Measuring", &m);
  m.SetDataToMemory(L"Mem");
  // A diagram without a data trace of the channel loses the old trace all the same.
  EXPECT_EQ(elsewhere.ops, (Texts{L"select 0", L"delete"}));
  EXPECT_EQ(first.ops, (Texts{L"select 0", L"delete", L"remember Tr1 Mem"}));
  EXPECT_TRUE(second.ops.empty());
}

// A host's offset near INT_MAX must not wrap "offset + count" in any subscriber: the channel
// refuses every chunk that reaches past the largest sweep, whatever its point count says.
TEST(Measurement, ChunksReachingPastTheLargestSweepAreRefusedBeforeAnySubscriber) {
  constexpr int kMax = CMeasurement::kMaxPointsCount;
  constexpr int kIntMax = std::numeric_limits<int>::max();
  constexpr int kIntMin = std::numeric_limits<int>::min();
  Channel c;
  c.m.SetPointsCount(201);
  c.Take();
  double x[2] = {1, 2};
  AssertCapture asserts;
  for (auto [offset, count] : std::vector<std::pair<int, int>>{
           {kIntMax - 1, 2}, {kIntMax, 1}, {kIntMax, kIntMax}, {-1, 1}, {kIntMin, 2}, {kMax, 1}, {kMax - 1, 2}, {0, kMax + 1}}) {
    asserts.Clear();
    EXPECT_FALSE(c.m.AddData(offset, count, x, x, nullptr, true)) << offset << " " << count;
    EXPECT_TRUE(asserts.Saw("Cnt + Offset <= Size")) << offset << " " << count;
  }
  EXPECT_TRUE(c.sub.calls.empty());  // not even the reset went out

  // The last point of the largest sweep is a point like any other; a negative count keeps
  // meaning "a reset alone" whatever the offset.
  asserts.Clear();
  EXPECT_TRUE(c.m.AddData(kMax - 1, 1, x, x, nullptr));
  EXPECT_TRUE(c.m.AddData(kIntMax, -1, x, x, nullptr, true));
  EXPECT_EQ(asserts.Count(), 0u);
  ASSERT_EQ(c.sub.DataCalls().size(), 1u);
  EXPECT_EQ(c.sub.DataCalls()[0]->offset, kMax - 1);
  EXPECT_EQ(c.Take(), (Kinds{mpNewSweep}));
}

TEST(Measurement, PointCountsBeyondTheMaximumAreRefusedWithAReportAndALogLine) {
  Channel c;
  c.m.SetName(L"S21");
  c.m.SetPointsCount(1601);
  c.Take();
  AssertCapture asserts;
  LogCapture log;
  for (int count : {std::numeric_limits<int>::max(), CMeasurement::kMaxPointsCount + 1, -1}) {
    c.m.SetPointsCount(count);
    EXPECT_EQ(c.m.GetPointsCount(), 1601);
  }
  EXPECT_TRUE(c.Take().empty());
  EXPECT_EQ(asserts.Count(), 3u);
  EXPECT_TRUE(log.Saw(L"Control", L"Point count 2147483647 of channel \"S21\" refused"));
  c.m.SetPointsCount(CMeasurement::kMaxPointsCount);
  EXPECT_EQ(c.m.GetPointsCount(), CMeasurement::kMaxPointsCount);
  EXPECT_EQ(asserts.Count(), 3u);
}

TEST(Measurement, RunningOutOfMemoryFailsTheChunkAndNothingElse) {
  Channel c;
  c.m.HideStimulus(true);  // the channel's own point-number buffer is in use during delivery
  c.m.SetPointsCount(3);
  bool starve = true;
  c.sub.onData = [&](CMeasurement*, int, int, const double*) {
    if (starve) throw std::bad_alloc();
  };
  double v[3] = {0, 0, 0};
  LogCapture log;
  EXPECT_FALSE(c.m.AddData(0, 3, v, v, nullptr));
  EXPECT_TRUE(log.Saw(L"Control", L"Out of memory while delivering 3 points at 0"));
  EXPECT_EQ(c.sub.CountOf('E'), 0);

  starve = false;
  c.sub.Clear();
  EXPECT_TRUE(c.m.AddData(0, 3, v, v, nullptr));
  ASSERT_EQ(c.sub.DataCalls().size(), 1u);
  EXPECT_EQ(c.sub.DataCalls()[0]->xValues, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(c.sub.CountOf('E'), 1);
}
