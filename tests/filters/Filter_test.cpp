#include "filters/Filter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/PluginApi.h"
#include "core/PluginManager.h"
#include "filters/PropertiesList.h"
#include "support/CountingNew.h"
#include "support/FakeTrace.h"


namespace {

class CountingFilter : public CDynamicFilter {
 public:
  int enabledCalls = 0;
  int statusCalls = 0;
  std::vector<double> replacement = {7, 8, 9, 10};

  void ChangedEnabled(bool) override { ++enabledCalls; }
  void UpdateStatus() override { ++statusCalls; }
  // Replaces the response array with a longer one, as a resampling filter would.
  void ProcessData(bool& changed, int& offset, int& count, int& size, double*&, double*& y,
                   double*&) override {
    changed = true;
    offset = 0;
    count = size = static_cast<int>(replacement.size());
    y = replacement.data();
  }
};

// Keeps the argument of every update request.
class RecordingTrace : public FakeTrace {
 public:
  std::vector<bool> reprocessFlags;
  void FilterParametersUpdated(bool reprocess) override { reprocessFlags.push_back(reprocess); }
};

}  // namespace

TEST(Filter, EnablingResetAndParameters) {
  CountingFilter filter;
  filter.SetEnabled(true, false);
  filter.SetEnabled(true, true);
  EXPECT_TRUE(filter.GetEnabled());
  EXPECT_EQ(filter.enabledCalls, 1);
  filter.Reset();
  EXPECT_FALSE(filter.GetEnabled());
  EXPECT_EQ(filter.enabledCalls, 2);
  EXPECT_EQ(filter.statusCalls, 1);
  filter.Reset();  // already disabled: only the status is recomputed
  EXPECT_EQ(filter.enabledCalls, 2);
  EXPECT_EQ(filter.statusCalls, 2);

  // Keys are exact: no case folding, a later value replaces an earlier one.
  filter.SetParameter(L"Span", L"1");
  filter.SetParameter(L"Span", L"2");
  filter.SetParameter(L"span", nullptr);
  filter.SetParameter(nullptr, L"3");
  EXPECT_EQ(filter.GetParameter(L"Span"), L"2");
  EXPECT_EQ(filter.GetParameter(L"span"), L"");
  EXPECT_EQ(filter.GetParameter(nullptr), L"");
}

TEST(Filter, ProcessDataExPassesTheCallersReferencesAndUpdatesGoToTheTrace) {
  CountingFilter filter;
  std::vector<double> x = {1, 2}, y = {3, 4};
  bool changed = false;
  int offset = 1, count = 1, size = 2;
  double *px = x.data(), *py = y.data(), *pz = nullptr;
  CPropertiesList properties;
  static_cast<CDynamicFilter&>(filter).ProcessDataEx(changed, offset, count, size, px, py, pz, &properties);
  EXPECT_TRUE(changed);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(size, 4);
  EXPECT_EQ(py, filter.replacement.data());
  EXPECT_EQ(px, x.data());

  filter.FilterParametersUpdated(true);  // no trace yet: nothing to tell
  RecordingTrace trace;
  filter.SetTrace(&trace);
  filter.FilterParametersUpdated(true);
  filter.FilterParametersUpdated(false);
  EXPECT_EQ(trace.reprocessFlags, (std::vector<bool>{true, false}));
}

TEST(Filter, FiltersFromRealPackagesProcessAndThrow) {
  CModulesFactory factory(L"FILTER", (std::wstring(L"" PLOTVANE_TEST_PLUGIN_DIR) + L"/Filter*.so").c_str());
  ASSERT_EQ(factory.GetName(0), L"SCALE");
  ASSERT_EQ(factory.GetName(2), L"THROWING");
  void *scaleObject = nullptr, *throwingObject = nullptr;
  ASSERT_EQ(factory.CreateInstance(scaleObject, 0), 0);
  ASSERT_EQ(factory.CreateInstance(throwingObject, 2), 0);

  // The package's overrides run through the engine's base classes.
  auto* scale = static_cast<CDynamicFilter*>(static_cast<CFilter*>(scaleObject));
  scale->SetParameter(L"factor", L"2.5");
  EXPECT_EQ(scale->GetStatusLine(), L"x2.5");
  std::vector<double> y = {1, 2, 4};
  double *px = nullptr, *py = y.data() + 1, *pz = nullptr;  // the block of points 1 and 2
  bool changed = false;
  int offset = 1, count = 2, size = 3;
  CPropertiesList properties;
  scale->ProcessDataEx(changed, offset, count, size, px, py, pz, &properties);
  EXPECT_TRUE(changed);
  EXPECT_EQ(y, (std::vector<double>{1, 5, 10}));

  // What a package throws reaches the caller as a standard exception with its message.
  auto* throwing = static_cast<CDynamicFilter*>(static_cast<CFilter*>(throwingObject));
  try {
    throwing->ProcessDataEx(changed, offset, count, size, px, py, pz, &properties);
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "block rejected");
  }
  EXPECT_EQ(factory.DestroyInstance(throwingObject), 0);
  EXPECT_EQ(factory.DestroyInstance(scaleObject), 0);
}

TEST(PropertiesList, KindsOrderAndSteadyRewriting) {
  CPropertiesList list;
  list.SetText(L"stimulus_quantity", L"Hz");
  list.SetNumber(L"stimulus_start", 1e6);
  list.SetNumber(L"acc_data", 0);
  EXPECT_EQ(list.GetName(2), L"acc_data");
  EXPECT_EQ(list.GetName(3), L"");
  EXPECT_EQ(list.GetText(L"stimulus_quantity"), L"Hz");
  EXPECT_EQ(list.GetNumber(L"stimulus_start"), 1e6);
  EXPECT_TRUE(list.Contains(L"acc_data"));
  EXPECT_FALSE(list.Contains(L"ACC_DATA"));
  EXPECT_TRUE(std::isnan(list.GetNumber(L"missing")));
  EXPECT_EQ(list.GetText(L"missing"), L"");

  // A filter may change a value's kind; reading it as the other kind gives the neutral value.
  list.SetNumber(L"stimulus_quantity", 2);
  EXPECT_EQ(list.GetKind(L"stimulus_quantity"), pkNumber);
  EXPECT_EQ(list.GetText(L"stimulus_quantity"), L"");
  list.SetText(L"stimulus_start", L"s");
  EXPECT_TRUE(std::isnan(list.GetNumber(L"stimulus_start")));
  EXPECT_EQ(list.Count(), 3);

  EXPECT_TRUE(list.Remove(L"stimulus_quantity"));
  EXPECT_FALSE(list.Remove(L"stimulus_quantity"));
  EXPECT_EQ(list.GetName(0), L"stimulus_start");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  // Rewriting the keys of a block allocates nothing: sixteen keys as the trace writes them,
  // four texts, alternately short and beyond the small-string buffer, and twelve numbers.
  std::vector<std::wstring> keys;
  for (int k = 0; k < 16; ++k) keys.push_back(L"ex_stimulus_key_" + std::to_wstring(k));
  auto writeBlock = [&](int block) {
    for (int k = 0; k < 4; ++k) list.SetText(keys[k], block % 2 ? L"Hz" : L"Cmplx long quantity name");
    for (int k = 4; k < 16; ++k) list.SetNumber(keys[k], block);
  };
  writeBlock(0);
  const long before = g_allocations;
  for (int block = 1; block < 100; ++block) writeBlock(block);
  EXPECT_EQ(g_allocations, before);
  EXPECT_EQ(list.Count(), 16);
  EXPECT_EQ(list.GetNumber(keys[15]), 99);
  EXPECT_EQ(list.GetText(keys[0]), L"Hz");
}

// The face a filter package sees of its trace is part of the plug-in binary contract: it may
// change only together with the plug-in API version. When this fails, raise
// PLOTVANE_PLUGIN_API_VERSION and add the new pair below (keep the old ones).
TEST(FilterContract, TheTraceFaceChangesOnlyWithTheApiVersion) {
  const char* root = std::getenv("PLOTVANE_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  std::ifstream file(std::string(root) + "/src/interfaces/FilterTrace.h");
  ASSERT_TRUE(file.good());
  std::string line, face;
  bool inside = false;
  while (std::getline(file, line)) {
    if (line.find("FILTER FACE END") != std::string::npos) inside = false;
    if (inside) {
      const std::size_t comment = line.find("//");
      for (char c : line.substr(0, comment))
        if (!std::isspace(static_cast<unsigned char>(c))) face += c;  // layout and comments do not count
    }
    if (line.find("FILTER FACE BEGIN") != std::string::npos) inside = true;
  }
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (char c : face) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  const std::map<int, std::uint64_t> faces{{2, 0xecc786dd6257129aull}};
  ASSERT_TRUE(faces.count(PLOTVANE_PLUGIN_API_VERSION)) << "no face recorded for this API version";
  EXPECT_EQ(faces.at(PLOTVANE_PLUGIN_API_VERSION), hash) << std::hex << "face hash 0x" << hash;
}
