// The trace pipeline: blocks into the source buffer and the series, plot kinds, filters,
// and what the trace asks of its diagram.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "chart/Series.h"
#include "filters/Filter.h"
#include "measurements/Measurement.h"
#include "series/SpectrumSeries.h"
#include "support/Capture.h"
#include "support/DiagramStub.h"
#include "support/TestFilters.h"
#include "support/TestTrace.h"
#include "core/PluginManager.h"

namespace {

std::vector<double> Ramp(int n, double start, double step) {
  std::vector<double> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = start + i * step;
  return v;
}

}  // namespace

TEST(TracePipeline, ABlockAtAnOffsetIsPaddedWithNullsAndEndsTheSweepOnce) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  const auto x = Ramp(5, 100, 1), y = Ramp(5, -3, 1);
  trace.Feed(15, 10, 5, x.data(), y.data());

  EXPECT_EQ(trace.SrcSize(), 15);
  ASSERT_EQ(trace.Count(), 15);
  EXPECT_TRUE(std::isnan(trace.Value(vtResponse, 9)));
  EXPECT_DOUBLE_EQ(trace.Value(vtStimulus, 10), 100);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 14), 1);
  EXPECT_DOUBLE_EQ(trace.SrcValue(vtResponse, 12), -1);
  EXPECT_EQ(trace.GetSrcOffset(), 0);  // the next block is expected at the start
  EXPECT_EQ(diagram.CountOf(L"sweep"), 1);
  EXPECT_TRUE(diagram.Asked(L"data 10 5 15 1"));

  // The next sweep continues cyclically from 0 and overwrites in place.
  const auto y2 = Ramp(10, 50, 0);
  trace.Feed(15, 0, 10, Ramp(10, 90, 1).data(), y2.data());
  EXPECT_EQ(trace.Count(), 15);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 3), 50);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 14), 1);  // not yet overwritten
  EXPECT_EQ(diagram.CountOf(L"sweep"), 1);
}

TEST(TracePipeline, UnexpectedOffsetsRestartADataTraceButNotAMathTrace) {
  CDiagramStub diagram;
  CTestTrace data(&diagram, L"D"), math(&diagram, L"M");
  math.type = L"Math";
  const auto x = Ramp(10, 0, 1), y = Ramp(10, 1, 1);
  for (CTestTrace* t : {&data, &math}) {
    t->Feed(20, 0, 10, x.data(), y.data());
    t->Feed(20, 15, 5, x.data(), y.data());  // expected at 10
  }
  EXPECT_TRUE(std::isnan(data.Value(vtResponse, 0)));  // restarted: nulls before 15
  EXPECT_DOUBLE_EQ(math.Value(vtResponse, 0), 1);      // kept
  EXPECT_DOUBLE_EQ(math.Value(vtResponse, 15), 1);
}

TEST(TracePipeline, OnePointSweepsShowAsDigitsUntilTheSweepGrows) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  ASSERT_TRUE(trace.SetPlot(plPoints));
  const double x = 1e9, y = -7.5, z = 0.25;
  trace.Feed(1, 0, 1, &x, &y, &z);
  EXPECT_EQ(trace.GetPlot(), plDigit);
  EXPECT_TRUE(diagram.Asked(L"plot"));
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 0), -7.5);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponseIm, 0), 0.25);
  EXPECT_TRUE(trace.SetPlot(plSmith));  // accepted, but the one-point rule holds the plot
  EXPECT_EQ(trace.GetPlot(), plDigit);

  const auto xs = Ramp(100, 0, 1), ys = Ramp(100, 0, 0.5);
  trace.Feed(100, 0, 100, xs.data(), ys.data(), ys.data());
  EXPECT_EQ(trace.GetPlot(), plPoints);
  EXPECT_EQ(trace.Count(), 100);
}

TEST(TracePipeline, AllowNanTurnsMissingValuesIntoGaps) {
  CMeasurement channel;
  channel.SetPointsCount(3);
  channel.SetStimulusRange(1, 3, true);
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  trace.SetMeasurement(&channel);
  const double x[] = {1, 2, 3}, y[] = {5, NAN, 7};

  trace.Feed(3, 0, 3, x, y);
  EXPECT_DOUBLE_EQ(trace.Value(vtStimulus, 1), 2);  // NaN kept as a value of the point

  channel.SetParameter(L"allow_NAN", L"1");
  trace.Feed(3, 0, 3, x, y, nullptr, true);
  EXPECT_TRUE(std::isnan(trace.Value(vtStimulus, 1)));  // a null point
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 2), 7);
}

TEST(TracePipeline, TheLogarithmicScaleTakesWholeDecadesAndRefusesDataReachingZero) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  const auto x = Ramp(4, 0, 1);
  const double positive[] = {1, 10, 100, 1000}, withZero[] = {1, 0, 100, 1000};
  trace.Feed(4, 0, 4, x.data(), positive);
  ASSERT_TRUE(trace.SetAxisYLogarithmicScale(true));
  EXPECT_EQ(trace.GetRefPosition(), 10);
  EXPECT_DOUBLE_EQ(trace.GetScaleMin(), 1);  // whole decades, the top from autoscale
  EXPECT_GE(trace.GetScaleMax(), 1000);

  ASSERT_TRUE(trace.SetAxisYLogarithmicScale(false));
  trace.Feed(4, 0, 4, x.data(), withZero);
  EXPECT_FALSE(trace.SetAxisYLogarithmicScale(true));  // refused while the data reach 0
}

TEST(TracePipeline, PermanentAutoscaleRunsOncePerCompleteSweep) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  trace.SetPermanentAutoScale(true);
  const auto x = Ramp(10, 0, 1), y = Ramp(10, 0, 3);
  for (int sweep = 0; sweep < 3; ++sweep) {
    trace.Feed(30, 0, 10, x.data(), y.data());
    trace.Feed(30, 10, 10, x.data(), y.data());
    trace.Feed(30, 20, 10, x.data(), y.data());
  }
  EXPECT_EQ(trace.autoScales, 3);
  EXPECT_EQ(diagram.CountOf(L"sweep"), 3);
}

TEST(TracePipeline, ValuesByPlotKind) {
  AssertCapture asserts;
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  const double x[] = {1, 2}, re[] = {0.5, -0.5}, im[] = {0.25, 0.75};
  trace.Feed(2, 0, 2, x, re, im);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 1), -0.5);
  EXPECT_TRUE(std::isnan(trace.Value(vtResponseIm, 1)));
  EXPECT_TRUE(asserts.Saw("Invalid coordinate system type"));

  ASSERT_TRUE(trace.SetPlot(plSmith));  // refilled from the received data
  ASSERT_EQ(trace.Count(), 2);
  EXPECT_DOUBLE_EQ(trace.Value(vtStimulus, 1), 2);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 1), -0.5);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponseIm, 1), 0.75);

  asserts.Clear();
  EXPECT_TRUE(std::isnan(trace.Value(static_cast<EDataValueType>(5), 0)));
  EXPECT_TRUE(asserts.Saw("Invalid value type in arguments list"));
  EXPECT_TRUE(std::isnan(trace.Value(vtResponse, 2)));
  EXPECT_TRUE(asserts.Saw("(int)index<Series->Count()"));
  EXPECT_TRUE(std::isnan(trace.SrcValue(vtResponse, 7)));
  EXPECT_FALSE(trace.SetPlot(static_cast<EPlot>(12)));
  EXPECT_EQ(trace.GetPlot(), plSmith);
}

TEST(TracePipeline, BadBlocksAssertAndTheNextBlockWorks) {
  AssertCapture asserts;
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  const auto x = Ramp(10, 0, 1), y = Ramp(10, 0, 1);
  trace.Feed(8, 0, 10, x.data(), y.data());
  EXPECT_TRUE(asserts.Saw("Cnt + Offset <= Size"));
  trace.Feed(10, 0, -3, x.data(), y.data());
  EXPECT_EQ(asserts.Count(), 2u);

  trace.Feed(10, 0, 10, x.data(), y.data());
  EXPECT_EQ(trace.Count(), 10);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 9), 9);
}

TEST(TracePipeline, SpectrumPlotsKeepTheSweepHistory) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  ASSERT_TRUE(trace.SetPlot(plWaterfall));
  const auto x = Ramp(5, 0, 1);
  for (int sweep = 0; sweep < 3; ++sweep) trace.Feed(5, 0, 5, x.data(), Ramp(5, sweep, 0).data());
  EXPECT_EQ(trace.SpectrumSeries()->Storage().GetLevelCount(), 3);
  EXPECT_DOUBLE_EQ(trace.SrcValue(vtResponse, 4), 2);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 4), 2);
}

TEST(TraceFilters, ChainRunsInOrderAndAThrowingFilterIsReportedPerBlock) {
  UserInteractionScript ui;
  LogCapture log;
  CTestFilterFactory factory;
  CDiagramStub diagram;
  diagram.filterFactory = &factory;
  diagram.options[L"IncludedFilters"] = L"rec|Unknown|REC2";
  CTestTrace trace(&diagram);
  ASSERT_EQ(trace.GetFilterCount(), 2u);
  EXPECT_TRUE(log.Saw(L"Trace", L"filter Unknown is not among the plug-ins"));
  EXPECT_EQ(trace.GetFilter(L"rec2"), factory.made[1]);
  factory.made[0]->factor = 2;
  factory.made[1]->factor = 10;

  const auto x = Ramp(3, 0, 1), y = Ramp(3, 1, 1);
  trace.Feed(3, 0, 3, x.data(), y.data());
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 2), 60);
  EXPECT_DOUBLE_EQ(trace.SrcValue(vtResponse, 2), 3);  // the source keeps what arrived

  factory.made[0]->throwStd = true;
  trace.Feed(3, 0, 3, x.data(), y.data());
  factory.made[0]->throwStd = false;
  factory.made[0]->throwOther = true;
  trace.Feed(3, 0, 3, x.data(), y.data());
  ASSERT_EQ(ui->boxes.size(), 2u);
  EXPECT_EQ(ui->boxes[0].caption, L"Ошибка");
  EXPECT_EQ(ui->boxes[0].text, L"Исключение в функции ProcessDataEx фильтра \"REC\":\nbad block");
  EXPECT_EQ(ui->boxes[1].text, L"Неизвестное исключение в функции ProcessDataEx фильтра \"REC\"");
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 2), 30);  // the rest of the chain went on
}

TEST(TraceFilters, ChangedParametersReplayTheReceivedSweepInAtMostTwoBlocks) {
  CTestFilterFactory factory;
  factory.names = {L"REC"};
  CDiagramStub diagram;
  diagram.filterFactory = &factory;
  diagram.options[L"IncludedFilters"] = L"REC";
  CTestTrace trace(&diagram);
  CRecordingFilter& filter = *factory.made[0];

  // A sweep of 10 that began at 6 and wrapped: 6..9, then 0..5.
  const auto x = Ramp(10, 0, 1), y = Ramp(10, 0, 1);
  trace.Feed(10, 6, 4, x.data() + 6, y.data() + 6);
  trace.Feed(10, 0, 6, x.data(), y.data());
  filter.blocks.clear();
  filter.factor = -1;
  trace.FilterParametersUpdated(true);

  ASSERT_EQ(filter.blocks.size(), 2u);
  EXPECT_TRUE(filter.blocks[0].reset);
  EXPECT_EQ(filter.blocks[0].offset, 6);
  EXPECT_EQ(filter.blocks[0].count, 4);
  EXPECT_FALSE(filter.blocks[1].reset);
  EXPECT_EQ(filter.blocks[1].offset, 0);
  EXPECT_EQ(filter.blocks[1].count, 6);
  for (int i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(trace.Value(vtResponse, static_cast<unsigned>(i)), -i);

  // Without reprocessing the chain sees one empty block and the series is emptied.
  filter.blocks.clear();
  trace.FilterParametersUpdated(false);
  ASSERT_EQ(filter.blocks.size(), 1u);
  EXPECT_EQ(filter.blocks[0].count, 0);
  EXPECT_EQ(trace.Count(), 0);
}

TEST(TraceFilters, AccumulatingFiltersHoldBackTheEndOfSweep) {
  CTestFilterFactory factory;
  factory.names = {L"REC"};
  CDiagramStub diagram;
  diagram.filterFactory = &factory;
  diagram.options[L"IncludedFilters"] = L"REC";
  CTestTrace trace(&diagram);
  factory.made[0]->accumulate = true;
  const auto x = Ramp(4, 0, 1);
  trace.Feed(4, 0, 4, x.data(), x.data());
  EXPECT_TRUE(trace.HasAccumulatedData());
  EXPECT_EQ(diagram.CountOf(L"sweep"), 0);
}

TEST(TraceFilters, RealPackagesLoadByTheIncludedFiltersOption) {
  CModulesFactory factory(L"FILTER", L"" PLOTVANE_TEST_PLUGIN_DIR "/FilterScale.so");
  CDiagramStub diagram;
  diagram.filterFactory = &factory;
  diagram.options[L"IncludedFilters"] = L"SCALE";
  {
    CTestTrace trace(&diagram);
    ASSERT_EQ(trace.GetFilterCount(), 1u);
    CFilter* scale = trace.GetFilter(0u);
    scale->SetParameter(L"factor", L"4");
    scale->SetEnabled(true);
    const double x[] = {1, 2}, y[] = {1, 2};
    trace.Feed(2, 0, 2, x, y);
    EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 1), 8);
    EXPECT_EQ(trace.GetStringInfo(3), L"x4");
  }
}

TEST(TraceChannel, BindingToAChannelFollowsItsRangeAndLeavesItWhenItGoes) {
  CDiagramStub diagram;
  auto channel = std::make_unique<CMeasurement>();
  channel->SetStimulusQuantity(L"Hz");
  channel->SetStimulusRange(1e6, 2e6, true);
  channel->SetResponseQuantity(L"dBm");
  CTestTrace trace(&diagram);
  trace.SetMeasurement(channel.get());
  EXPECT_DOUBLE_EQ(trace.GetStimulusStart(), 1e6);
  EXPECT_DOUBLE_EQ(trace.GetStimulusStop(), 2e6);
  EXPECT_EQ(trace.GetQuantity(vtResponse), L"dBm");
  EXPECT_TRUE(diagram.Asked(L"channel"));

  channel->SetStimulusRange(3e6, 4e6, true);
  EXPECT_DOUBLE_EQ(trace.GetStimulusStop(), 4e6);

  channel.reset();
  EXPECT_EQ(trace.Measurement(), nullptr);
  EXPECT_EQ(trace.GetQuantity(vtResponse), L"");
}

TEST(TraceNotices, ASweepInBlocksAnnouncesEachBlockThenItsEndOnce) {
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  trace.SetPermanentAutoScale(true);
  const auto x = Ramp(10, 0, 1), y = Ramp(10, 0, 3);
  const auto sweep = [&] {
    diagram.requests.clear();
    for (int offset : {0, 10, 20}) trace.Feed(30, offset, 10, x.data(), y.data());
    std::vector<std::wstring> kept;  // look, stimulus and the rest are not counted here
    for (const std::wstring& r : diagram.requests)
      if (r.starts_with(L"data") || r == L"sweep" || r == L"scale") kept.push_back(r);
    return kept;
  };
  EXPECT_EQ(sweep(), (std::vector<std::wstring>{L"data 0 10 30 1", L"data 10 10 30 0", L"data 20 10 30 0", L"sweep",
                                                 L"scale"}));
  EXPECT_EQ(sweep(), (std::vector<std::wstring>{L"data 0 10 30 0", L"data 10 10 30 0", L"data 20 10 30 0", L"sweep",
                                                 L"scale"}));
  // While updates are blocked (a layout loading) data changes go unannounced.
  trace.BlockUpdate(true);
  EXPECT_EQ(sweep(), (std::vector<std::wstring>{L"sweep", L"scale"}));
  trace.BlockUpdate(false);

  // A subscriber that leaves while it is told does not make the others miss the notice.
  struct Leaver : ITraceObserver {
    CTrace* trace = nullptr;
    int heard = 0;
    void TraceChanged(const STraceChange&) override {
      ++heard;
      trace->Unsubscribe(this);
    }
  } leaver;
  leaver.trace = &trace;
  trace.Unsubscribe(&diagram);
  trace.Subscribe(&leaver);
  trace.Subscribe(&diagram);
  diagram.requests.clear();
  trace.SetName(L"Trc9");
  EXPECT_EQ(leaver.heard, 1);
  EXPECT_EQ(diagram.requests, (std::vector<std::wstring>{L"look"}));
}

TEST(TracePipeline, OffsetsNearTheIntLimitAreRefusedWithoutWriting) {
  AssertCapture asserts;
  CDiagramStub diagram;
  CTestTrace trace(&diagram);
  const auto x = Ramp(4, 0, 1);
  trace.Feed(4, 0, 4, x.data(), x.data());
  double* bx = new double[4]{0, 1, 2, 3};
  double* by = new double[4]{0, 1, 2, 3};
  double* bz = nullptr;
  bool reset = false;
  int size = 4, offset = std::numeric_limits<int>::max() - 1, count = 4;
  trace.ProcessData(reset, size, offset, count, bx, by, bz);
  EXPECT_TRUE(asserts.Saw("Cnt + Offset <= Size"));
  size = std::numeric_limits<int>::max();
  offset = 2;
  count = std::numeric_limits<int>::max() - 1;
  trace.ProcessData(reset, size, offset, count, bx, by, bz);
  EXPECT_EQ(asserts.Count(), 2u);
  delete[] bx;
  delete[] by;
  EXPECT_EQ(trace.Count(), 4);
  EXPECT_DOUBLE_EQ(trace.Value(vtResponse, 3), 3);
}
