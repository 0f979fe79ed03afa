// A running sweep must not allocate: after the first sweep has sized the buffers, further
// sweeps reuse the source buffer, the series' lists and the trace's scratch arrays.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "core/PluginManager.h"
#include "diagram/Diagram.h"
#include "filters/Filter.h"
#include "measurements/Measurement.h"
#include "support/ControlStub.h"
#include "support/CountingNew.h"
#include "support/TestTrace.h"


namespace {

// A filter that touches every point and allocates nothing, handed out as a package would.
class CQuietFilter : public CDynamicFilter {
 public:
  void ProcessDataEx(bool&, int&, int& count, int&, double*&, double*& y, double*&, IPropertiesList*) override {
    for (int i = 0; i < count; ++i) y[i] = -y[i];
  }
};

class CQuietFactory : public IModulesFactory {
 public:
  int Count() override { return 1; }
  std::wstring GetName(int) override { return L"QUIET"; }
  std::wstring GetType(int) override { return L"FILTER"; }
  int CreateInstance(void*& instance, int) override {
    auto* f = new CQuietFilter;
    f->SetEnabled(true);
    instance = static_cast<CFilter*>(f);
    return 0;
  }
  int DestroyInstance(void* instance) override {
    delete static_cast<CFilter*>(instance);
    return 0;
  }
};

}  // namespace

TEST(TraceAllocation, SweepsAfterTheFirstAllocateNothing) {
  CQuietFactory factory;
  CMeasurement channel;
  channel.SetStimulusQuantity(L"Hz");
  channel.SetResponseQuantity(L"Cmplx");
  for (EPlot plot : {plRect, plSmith, plPoints}) {
    CTestTrace trace(nullptr);  // the test diagram records requests, which allocates
    // Through a filter chain and with a channel's quantities, as a data trace runs.
    trace.SetFilterFactory(&factory);
    trace.LoadFilters(L"QUIET");
    trace.SetMeasurement(&channel);
    trace.SetPlot(plot);
    std::vector<double> x(1000), y(1000), z(1000);
    for (int i = 0; i < 1000; ++i) x[i] = i;
    auto sweep = [&] {
      for (int offset = 0; offset < 1000; offset += 250) {
        bool reset = false;
        int size = 1000, at = offset, count = 250;
        double *px = x.data() + offset, *py = y.data() + offset, *pz = z.data() + offset;
        trace.ProcessData(reset, size, at, count, px, py, pz);
      }
    };
    sweep();
    const long before = g_allocations;
    sweep();
    sweep();
    EXPECT_EQ(g_allocations, before) << "plot " << plot;
  }
}

TEST(TraceAllocation, AChannelFeedingItsDiagramsTracesAllocatesNothingAfterTheFirstSweep) {
  CQuietFactory factory;
  CControlStub control;
  control.filterFactory = &factory;
  control.strings[L"INCLUDEDFILTERS"] = L"QUIET";
  CDiagram diagram(&control);
  CMeasurement channel;
  channel.SetPointsCount(1000);
  diagram.AddMeasurement(&channel);
  for (int t = 0; t < 3; ++t) ASSERT_NE(diagram.AddDataTrace(), nullptr);  // the diagram hears every notice
  std::vector<double> x(1000), y(1000), z(1000);
  for (int i = 0; i < 1000; ++i) x[i] = i;
  auto sweep = [&] {
    for (int offset = 0; offset < 1000; offset += 250)
      channel.AddData(offset, 250, x.data() + offset, y.data() + offset, z.data() + offset);
  };
  sweep();
  const long before = g_allocations;
  sweep();
  sweep();
  EXPECT_EQ(g_allocations, before);
  EXPECT_EQ(diagram.Trace(2u)->Count(), 1000);
}
