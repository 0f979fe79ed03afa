#include "core/PluginManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/Capture.h"
#include "support/TempDir.h"

// The test packages (tests/plugins), in file-name order: FilterJunk.so (no shared object),
// FilterNoDestroy.so, FilterNoName.so, FilterNoType.so (each lacking what its name says),
// FilterPropPage.so ("PROPPAGE"), FilterScale.so ("SCALE", "FILTER"), FilterScaleEx.so
// ("SCALE_EX", "FILTER_EX", without "GetPluginApiVersion"), FilterThrowing.so ("THROWING",
// "FILTER") and FilterWrongVersion.so (another API version).
namespace {

std::wstring TestPlugin(const wchar_t* fileOrMask) {
  return std::wstring(L"" PLOTVANE_TEST_PLUGIN_DIR) + L"/" + fileOrMask;
}

// The "Factory" lines logged for one package: from its "Loading " line to the next one.
std::vector<std::wstring> PackageLog(const LogCapture& log, const std::wstring& file) {
  std::vector<std::wstring> lines;
  for (const LogEntry& e : log.Entries()) {
    if (e.source != L"Factory") continue;
    if (!lines.empty() && e.text.starts_with(L"Loading ")) break;
    if (!lines.empty() || e.text == L"Loading " + file) lines.push_back(e.text);
  }
  return lines;
}

bool Reported(const AssertCapture& asserts, const std::string& condition, const std::string& function) {
  for (const SAssertReport& r : asserts.Reports())
    if (r.condition == condition && r.function == function && r.file == "PluginManager.cpp") return true;
  return false;
}

const std::string kMapAssert = "GetModuleFactory(dIndex, &pFactory, &nFactoryIndex)==0";

}  // namespace

TEST(ModulesFactory, LoadsPackagesOfItsKindAndSkipsTheRestWithTheirLogLines) {
  LogCapture log;
  AssertCapture asserts;
  CModulesFactory factory(L"FILTER", TestPlugin(L"Filter*.so").c_str());

  ASSERT_EQ(factory.Count(), 3);
  EXPECT_EQ(factory.GetName(0), L"SCALE");
  EXPECT_EQ(factory.GetName(1), L"SCALE_EX");  // an older package, a type that extends "FILTER"
  EXPECT_EQ(factory.GetType(1), L"FILTER_EX");
  EXPECT_EQ(factory.GetName(2), L"THROWING");

  using Lines = std::vector<std::wstring>;
  EXPECT_EQ(PackageLog(log, L"FilterScaleEx.so"), (Lines{L"Loading FilterScaleEx.so", L"\t\tDone"}));
  for (auto [file, reason] : {std::pair<std::wstring, std::wstring>{L"FilterJunk.so", L"FilterJunk.so"},
                              {L"FilterNoDestroy.so", L"\t\tExport \"DestroyInstance\" not found"},
                              {L"FilterNoName.so", L"\t\tEmpty plug-in name"},
                              {L"FilterNoType.so", L"\t\tPlug-in type \"\" is not of kind \"FILTER\""},
                              {L"FilterPropPage.so", L"\t\tPlug-in type \"PROPPAGE\" is not of kind \"FILTER\""},
                              {L"FilterWrongVersion.so", L"\t\tPlug-in API version 3 does not match 2"}}) {
    const Lines lines = PackageLog(log, file);
    ASSERT_EQ(lines.size(), 3u) << file;
    // The junk file's reason is the dlerror() text, which names the file.
    if (file == L"FilterJunk.so")
      EXPECT_NE(lines[1].find(reason), std::wstring::npos);
    else
      EXPECT_EQ(lines[1], reason);
    EXPECT_EQ(lines[2], L"\t\tLoading package FAILED");
  }
  EXPECT_TRUE(Reported(asserts, "PackageModule!=NULL", "CModulesFactoryDLL::LoadPackage"));
  EXPECT_TRUE(Reported(asserts, "func!=NULL", "CModulesFactoryDLL::GetPluginTypeFromModule"));
  EXPECT_EQ(asserts.Count(), 2u);

  // Indices past the last package report and give empty texts.
  EXPECT_EQ(factory.GetName(3), L"");
  EXPECT_EQ(factory.GetType(-1), L"");
  EXPECT_TRUE(Reported(asserts, kMapAssert, "CModulesFactory::GetName"));
  EXPECT_TRUE(Reported(asserts, kMapAssert, "CModulesFactory::GetType"));
}

TEST(ModulesFactory, TracksInstancesAndUnloadsAPackageWithItsLastInstance) {
  CModulesFactory factory(L"FILTER", TestPlugin(L"FilterScale*.so").c_str());
  ASSERT_EQ(factory.Count(), 2);
  CModulesFactoryDLL* scale = factory.Package(0);
  CModulesFactoryDLL* scaleEx = factory.Package(1);
  ASSERT_TRUE(scale && scaleEx);
  EXPECT_EQ(factory.Package(2), nullptr);

  // Global indices reach the right package.
  void *a = nullptr, *b = nullptr, *c = nullptr;
  ASSERT_EQ(factory.CreateInstance(a, 0), 0);
  ASSERT_EQ(factory.CreateInstance(b, 0), 0);
  ASSERT_EQ(factory.CreateInstance(c, 1), 0);
  EXPECT_EQ(scale->InstanceCount(), 2);
  EXPECT_EQ(scaleEx->InstanceCount(), 1);

  LogCapture log;
  int stranger = 0;
  EXPECT_EQ(factory.DestroyInstance(&stranger), -2);
  EXPECT_EQ(factory.DestroyInstance(nullptr), -2);
  EXPECT_EQ(factory.DestroyInstance(a), 0);
  EXPECT_TRUE(scale->IsLoaded());
  EXPECT_EQ(factory.DestroyInstance(a), -2) << "already destroyed";
  EXPECT_EQ(factory.DestroyInstance(b), 0);
  EXPECT_FALSE(scale->IsLoaded());
  EXPECT_TRUE(scaleEx->IsLoaded());
  EXPECT_TRUE(log.Saw(L"Factory", L"Unloading FilterScale.so"));
  EXPECT_FALSE(log.Saw(L"Factory", L"Loading "));

  // The next creation loads the package again; its name stays known meanwhile.
  EXPECT_EQ(factory.GetName(0), L"SCALE");
  ASSERT_EQ(factory.CreateInstance(a, 0), 0);
  EXPECT_TRUE(scale->IsLoaded());
  EXPECT_TRUE(log.Saw(L"Factory", L"Loading FilterScale.so"));
  EXPECT_EQ(factory.DestroyInstance(a), 0);
  // c stays alive: the factory destroys it through its package when it goes.
}

TEST(ModulesFactory, EmptyMissingAndForeignFoldersAndBadIndices) {
  AssertCapture asserts;
  LogCapture log;
  {
    CModulesFactory missing(L"FILTER", L"/nonexistent/diagram_plugins/Filter*.so");
    EXPECT_EQ(missing.Count(), 0);
    EXPECT_TRUE(log.Saw(L"Factory", L"plug-in folder /nonexistent/diagram_plugins cannot be read"));
    void* object = &asserts;
    EXPECT_EQ(missing.CreateInstance(object, 0), -1);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(Reported(asserts, kMapAssert, "CModulesFactory::CreateInstance"));
    EXPECT_EQ(missing.DestroyInstance(&asserts), -2);
  }
  {
    LogCapture quiet;
    EXPECT_EQ(CModulesFactory(L"FILTER", TestPlugin(L"Nothing*.so").c_str()).Count(), 0);
    EXPECT_FALSE(quiet.Saw(L"Factory", L"")) << "a folder with nothing to load logs nothing";
  }

  // A page package is accepted by a factory of its own kind.
  CModulesFactory pages(L"PROPPAGE", TestPlugin(L"*PropPage.so").c_str());
  ASSERT_EQ(pages.Count(), 1);
  EXPECT_EQ(pages.GetName(0), L"PAGE");
  void* page = nullptr;
  ASSERT_EQ(pages.CreateInstance(page, 0), 0);
  EXPECT_EQ(pages.DestroyInstance(page), 0);
}

TEST(ModulesFactoryDLL, HoldsOnePackageAndReleasesItsObjectsOnReload) {
  AssertCapture asserts;
  CModulesFactoryDLL dll(L"FILTER");
  EXPECT_EQ(dll.Load(L""), -1);
  EXPECT_EQ(dll.Load(TestPlugin(L"FilterNoName.so").c_str()), -1);
  EXPECT_EQ(dll.GetPath(), L"");
  EXPECT_FALSE(dll.IsLoaded());
  void* object = nullptr;
  EXPECT_EQ(dll.CreateInstance(object, 0), -1) << "no package to load";

  ASSERT_EQ(dll.Load(TestPlugin(L"FilterScale.so").c_str()), 0);
  EXPECT_EQ(dll.GetName(0), L"SCALE");
  EXPECT_EQ(dll.GetName(1), L"");
  EXPECT_EQ(dll.GetType(1), L"");
  EXPECT_TRUE(Reported(asserts, "nIndex==0", "CModulesFactoryDLL::GetName"));
  EXPECT_TRUE(Reported(asserts, "nIndex==0", "CModulesFactoryDLL::GetType"));

  ASSERT_EQ(dll.CreateInstance(object, 0), 0);
  ASSERT_EQ(dll.InstanceCount(), 1);
  LogCapture log;
  ASSERT_EQ(dll.Load(TestPlugin(L"FilterThrowing.so").c_str()), 0);
  EXPECT_EQ(dll.InstanceCount(), 0);
  EXPECT_EQ(dll.GetName(0), L"THROWING");
  EXPECT_EQ(log.Entries().front().text, L"Unloading FilterScale.so");
}

TEST(ModulesFactory, SearchesFoldersInOrderAndLoadsEachNameOnce) {
  namespace fs = std::filesystem;
  const std::wstring beside = DefaultPluginFolder();
  EXPECT_EQ(fs::path(beside), fs::path(fs::read_symlink("/proc/self/exe")).parent_path() / "diagram_plugins");
  EXPECT_TRUE(InstalledPluginFolder().ends_with(L"/plotvane/diagram_plugins"));

  // The environment's folders come between the two; empty entries and repeats count once.
  const char* saved = std::getenv("PLOTVANE_PLUGIN_PATH");
  const std::string previous = saved != nullptr ? saved : "";
  setenv("PLOTVANE_PLUGIN_PATH", ":/opt/a/:/opt/b::/opt/a", 1);
  const std::vector<std::wstring> path = PluginSearchPath();
  if (saved != nullptr) setenv("PLOTVANE_PLUGIN_PATH", previous.c_str(), 1); else unsetenv("PLOTVANE_PLUGIN_PATH");
  EXPECT_EQ(path, (std::vector<std::wstring>{beside, L"/opt/a", L"/opt/b", InstalledPluginFolder()}));

  // Two folders with a package of the same name: the first folder's is loaded, the other
  // is skipped with a line naming both.
  const fs::path first = FreshDir("search_first"), second = FreshDir("search_second");
  fs::copy_file(TestPlugin(L"FilterScale.so"), first / "FilterScale.so");
  fs::copy_file(TestPlugin(L"FilterScale.so"), second / "FilterScale.so");
  fs::copy_file(TestPlugin(L"FilterThrowing.so"), second / "FilterAnother.so");
  LogCapture log;
  CModulesFactory factory(L"FILTER", {L"/nonexistent", first.wstring(), second.wstring()}, L"Filter*.so");
  ASSERT_EQ(factory.Count(), 2);
  EXPECT_EQ(factory.GetName(0), L"SCALE");
  EXPECT_EQ(factory.Package(0)->GetPath(), (first / "FilterScale.so").wstring());
  EXPECT_EQ(factory.GetName(1), L"THROWING");
  EXPECT_TRUE(log.Saw(L"Factory", L"Skipped " + (second / "FilterScale.so").wstring() + L": \"SCALE\" is loaded from " +
                                      (first / "FilterScale.so").wstring() + L" already"));
}
