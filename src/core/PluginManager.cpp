#include "core/PluginManager.h"

#include <dlfcn.h>
#include <fnmatch.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "core/PluginApi.h"
#include "core/PluginScan.h"

namespace {

constexpr const wchar_t* kSource = L"Factory";
// Under the fuzzer a package stays mapped after it is unloaded: the fuzzer keeps counting in
// the coverage counters of every module it has seen, so their memory must not go away.
#ifdef PLOTVANE_KEEP_MODULES
constexpr int kKeepModule = RTLD_NODELETE;
#else
constexpr int kKeepModule = 0;
#endif


void Log(const std::wstring& text, bool isError = false) { LogMessage(kSource, text, isError); }

template <class Func>
Func ToFunction(void* symbol) {
  return reinterpret_cast<Func>(symbol);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CModulesFactoryDLL

CModulesFactoryDLL::CModulesFactoryDLL(const wchar_t* requiredType)
    : requiredType_(requiredType ? requiredType : L"") {}

CModulesFactoryDLL::~CModulesFactoryDLL() {
  DestroyAllInstances();
  UnloadPackage();
}

std::wstring CModulesFactoryDLL::GetName(int nIndex) {
  if (!PV_ASSERT(nIndex==0)) return {};
  return name_;
}

std::wstring CModulesFactoryDLL::GetType(int nIndex) {
  if (!PV_ASSERT(nIndex==0)) return {};
  return type_;
}

int CModulesFactoryDLL::Load(const wchar_t* path) {
  DestroyAllInstances();
  UnloadPackage();
  path_ = path ? path : L"";
  if (Reload() == 0) return 0;
  path_.clear();
  name_.clear();
  type_.clear();
  return -1;
}

int CModulesFactoryDLL::Reload() {
  if (path_.empty()) return -1;
  if (LoadPackage()) {
    Log(L"\t\tDone");
    return 0;
  }
  Log(L"\t\tLoading package FAILED", true);
  return -1;
}

int CModulesFactoryDLL::CreateInstance(void*& instance, int) {
  instance = nullptr;
  // The package was released with its last object; bring it back for this one.
  if (PackageModule == nullptr && Reload() != 0) return -1;
  void* plugin = DLLCreateInstance();
  if (!PV_ASSERT(plugin != NULL)) return 0;
  plugins.push_back(plugin);
  instance = plugin;
  return 0;
}

int CModulesFactoryDLL::DestroyInstance(void* instance) {
  // Objects usually go in the reverse order of creation: search from the last.
  for (int Index = static_cast<int>(plugins.size()) - 1; Index >= 0; --Index) {
    if (plugins[Index] != instance) continue;
    PV_ASSERT(DLLDestroyInstance(plugins[Index])==0);
    plugins.erase(plugins.begin() + Index);
    if (plugins.empty()) UnloadPackage();
    return 0;
  }
  return -2;
}

bool CModulesFactoryDLL::LoadPackage() {
  if (PackageModule != nullptr || !plugins.empty() || path_.empty()) return PackageModule != nullptr;
  Log(L"Loading " + FileName());

  dlerror();
  PackageModule = dlopen(WideToUtf8(path_).c_str(), RTLD_NOW | RTLD_LOCAL | kKeepModule);
  if (PackageModule == nullptr) {
    const char* error = dlerror();
    const std::wstring reason = error ? Utf8ToWide(error) : std::wstring(L"unknown error");
    PV_ASSERT(PackageModule!=NULL);
    Log(L"\t\t" + reason, true);
    return false;
  }

  // The version comes first: nothing else of a package built for another engine is trusted.
  // A package without the export predates the check and keeps working.
  if (auto version = ToFunction<PluginApiVersionFunc>(dlsym(PackageModule, kPluginExportApiVersion))) {
    const int packageVersion = version();
    if (packageVersion != PLOTVANE_PLUGIN_API_VERSION) {
      Log(L"\t\tPlug-in API version " + std::to_wstring(packageVersion) + L" does not match " +
              std::to_wstring(PLOTVANE_PLUGIN_API_VERSION),
          true);
      ReleaseModule();
      return false;
    }
  }

  name_ = GetPluginNameFromModule();
  type_ = GetPluginTypeFromModule();
  std::wstring reason;
  if (name_.empty())
    reason = L"\t\tEmpty plug-in name";
  else if (!type_.starts_with(requiredType_))
    reason = L"\t\tPlug-in type \"" + type_ + L"\" is not of kind \"" + requiredType_ + L"\"";
  else if (dlsym(PackageModule, kPluginExportCreate) == nullptr)
    reason = L"\t\tExport \"" + Utf8ToWide(kPluginExportCreate) + L"\" not found";
  else if (dlsym(PackageModule, kPluginExportDestroy) == nullptr)
    reason = L"\t\tExport \"" + Utf8ToWide(kPluginExportDestroy) + L"\" not found";
  if (!reason.empty()) {
    Log(reason, true);
    ReleaseModule();
    return false;
  }
  return true;
}

void CModulesFactoryDLL::ReleaseModule() {
  if (PackageModule == nullptr) return;
  dlclose(PackageModule);
  PackageModule = nullptr;
}

void CModulesFactoryDLL::UnloadPackage() {
  if (PackageModule == nullptr) return;
  Log(L"Unloading " + FileName());
  ReleaseModule();
}

void CModulesFactoryDLL::DestroyAllInstances() {
  while (!plugins.empty()) {
    PV_ASSERT(DLLDestroyInstance(plugins.back())==0);
    plugins.pop_back();
  }
}

std::wstring CModulesFactoryDLL::GetPluginNameFromModule() {
  if (!PV_ASSERT(PackageModule!=NULL)) return {};
  auto func = ToFunction<PluginNameFunc>(dlsym(PackageModule, kPluginExportName));
  if (!PV_ASSERT(func!=NULL)) return {};
  const char* text = func();
  return text ? Utf8ToWide(text) : std::wstring();
}

std::wstring CModulesFactoryDLL::GetPluginTypeFromModule() {
  if (!PV_ASSERT(PackageModule!=NULL)) return {};
  auto func = ToFunction<PluginTypeFunc>(dlsym(PackageModule, kPluginExportType));
  if (!PV_ASSERT(func!=NULL)) return {};
  const char* text = func();
  return text ? Utf8ToWide(text) : std::wstring();
}

void* CModulesFactoryDLL::DLLCreateInstance() {
  if (!PV_ASSERT(PackageModule!=NULL)) return nullptr;
  auto func = ToFunction<PluginCreateFunc>(dlsym(PackageModule, kPluginExportCreate));
  if (!PV_ASSERT(func!=NULL)) return nullptr;
  // Packages built with PLOTVANE_DECLARE_PLUGIN never throw here; hand-written ones might.
  try {
    return func();
  } catch (...) {
    Log(L"\t\tCreateInstance of " + name_ + L" threw an exception", true);
    return nullptr;
  }
}

int CModulesFactoryDLL::DLLDestroyInstance(void* instance) {
  if (!PV_ASSERT(PackageModule!=NULL)) return -1;
  auto func = ToFunction<PluginDestroyFunc>(dlsym(PackageModule, kPluginExportDestroy));
  if (!PV_ASSERT(func!=NULL)) return -1;
  try {
    return func(instance);
  } catch (...) {
    Log(L"\t\tDestroyInstance of " + name_ + L" threw an exception", true);
    return -1;
  }
}

std::wstring CModulesFactoryDLL::FileName() const {
  const std::size_t slash = path_.find_last_of(L'/');
  return slash == std::wstring::npos ? path_ : path_.substr(slash + 1);
}

// ---------------------------------------------------------------------------------------
// CModulesFactory

CModulesFactory::CModulesFactory(const wchar_t* type, const wchar_t* mask)
    : type_(type ? type : L""), mask_(mask ? mask : L"") {
  const std::size_t slash = mask_.find_last_of(L'/');
  const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : mask_.substr(0, slash);
  LoadPackages({folder}, slash == std::wstring::npos ? mask_ : mask_.substr(slash + 1));
}

CModulesFactory::CModulesFactory(const wchar_t* type, const std::vector<std::wstring>& folders,
                                 const wchar_t* fileMask)
    : type_(type ? type : L"") {
  const std::wstring pattern = fileMask ? fileMask : L"";
  for (const std::wstring& folder : folders) mask_ += (mask_.empty() ? L"" : L":") + folder + L"/" + pattern;
  LoadPackages(folders, pattern);
}

void CModulesFactory::LoadPackages(const std::vector<std::wstring>& folders, const std::wstring& fileMask) {
  namespace fs = std::filesystem;
  const std::string pattern = WideToUtf8(fileMask);

  // Folder by folder, sorted by name within each, so global indices do not depend on the
  // file system's listing order.
  std::vector<std::string> paths;
  for (const std::wstring& folder : folders) {
    std::vector<std::string> files;
    std::error_code ec;
    fs::directory_iterator it(fs::path(WideToUtf8(folder)), ec);
    if (ec) Log(L"plug-in folder " + folder + L" cannot be read (" + Utf8ToWide(ec.message()) + L"): no " + type_ + L" packages there");
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
      std::error_code statusError;
      if (!it->is_regular_file(statusError)) continue;
      const std::string name = it->path().filename().string();
      if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) paths.push_back(WideToUtf8(folder) + "/" + file);
  }

  // Only packages that loaded safely in the scanner's process are loaded in ours.
  CPluginScanner scanner;
  const std::vector<SPluginScanResult> verdicts = scanner.Scan(paths);

  std::vector<std::pair<std::wstring, std::wstring>> loaded;  // plug-in name, path
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::wstring path = Utf8ToWide(paths[i]);
    const std::wstring file = Utf8ToWide(fs::path(paths[i]).filename().string());
    if (!verdicts[i].Safe()) {
      Log(L"Loading " + file);
      Log(L"\t\tSkipped: " + Utf8ToWide(verdicts[i].detail), true);
      Log(L"\t\tLoading package FAILED", true);
      continue;
    }
    const std::wstring name = Utf8ToWide(verdicts[i].name);
    const auto first = std::find_if(loaded.begin(), loaded.end(),
                                    [&](const auto& entry) { return !name.empty() && ToUpperText(entry.first) == ToUpperText(name); });
    if (first != loaded.end()) {
      Log(L"Skipped " + path + L": \"" + name + L"\" is loaded from " + first->second + L" already");
      continue;
    }
    auto package = std::make_unique<CModulesFactoryDLL>(type_.c_str());
    if (package->Load(path.c_str()) != 0) continue;
    loaded.emplace_back(package->GetName(0), path);
    modules_.push_back(std::move(package));
  }
}

CModulesFactory::~CModulesFactory() {
  while (!modules_.empty()) modules_.pop_back();
}

int CModulesFactory::Count() {
  int count = 0;
  for (const auto& module : modules_) count += module->Count();
  return count;
}

int CModulesFactory::GetModuleFactory(int dIndex, CModulesFactoryDLL** pFactory, int* nFactoryIndex) {
  if (dIndex < 0) return -1;
  for (const auto& module : modules_) {
    const int count = module->Count();
    if (dIndex < count) {
      *pFactory = module.get();
      *nFactoryIndex = dIndex;
      return 0;
    }
    dIndex -= count;
  }
  return -1;
}

std::wstring CModulesFactory::GetName(int dIndex) {
  CModulesFactoryDLL* pFactory = nullptr;
  int nFactoryIndex = 0;
  if (!PV_ASSERT(GetModuleFactory(dIndex, &pFactory, &nFactoryIndex)==0)) return {};
  return pFactory->GetName(nFactoryIndex);
}

std::wstring CModulesFactory::GetType(int dIndex) {
  CModulesFactoryDLL* pFactory = nullptr;
  int nFactoryIndex = 0;
  if (!PV_ASSERT(GetModuleFactory(dIndex, &pFactory, &nFactoryIndex)==0)) return {};
  return pFactory->GetType(nFactoryIndex);
}

int CModulesFactory::CreateInstance(void*& instance, int dIndex) {
  instance = nullptr;
  CModulesFactoryDLL* pFactory = nullptr;
  int nFactoryIndex = 0;
  if (!PV_ASSERT(GetModuleFactory(dIndex, &pFactory, &nFactoryIndex)==0)) return -1;
  void* PB = nullptr;
  if (!PV_ASSERT(pFactory->CreateInstance(PB, nFactoryIndex)==0)) return -1;
  if (!PV_ASSERT(PB != NULL)) return -1;
  instance = PB;
  return 0;
}

int CModulesFactory::DestroyInstance(void* instance) {
  for (auto it = modules_.rbegin(); it != modules_.rend(); ++it)
    if ((*it)->DestroyInstance(instance) == 0) return 0;
  return -2;
}

CModulesFactoryDLL* CModulesFactory::Package(int dIndex) {
  CModulesFactoryDLL* pFactory = nullptr;
  int nFactoryIndex = 0;
  return GetModuleFactory(dIndex, &pFactory, &nFactoryIndex) == 0 ? pFactory : nullptr;
}

std::wstring DefaultPluginFolder() {
  const std::string exe = ExecutableFolder();
  return Utf8ToWide(exe.empty() ? std::string("diagram_plugins") : exe + "/diagram_plugins");
}

std::wstring InstalledPluginFolder() {
#ifdef PLOTVANE_LIB_TO_PLUGIN
  const std::string lib = EngineLibraryFolder();
  if (!lib.empty()) return Utf8ToWide(std::filesystem::path(lib + "/" PLOTVANE_LIB_TO_PLUGIN).lexically_normal().string());
#endif
  return {};
}

std::vector<std::wstring> PluginSearchPath() {
  std::vector<std::wstring> folders{DefaultPluginFolder()};
  if (const char* path = std::getenv("PLOTVANE_PLUGIN_PATH"); path != nullptr) {
    const std::string_view list = path;
    std::size_t begin = 0;
    while (begin <= list.size()) {
      std::size_t end = list.find(':', begin);
      if (end == std::string_view::npos) end = list.size();
      if (end > begin) folders.push_back(Utf8ToWide(list.substr(begin, end - begin)));
      begin = end + 1;
    }
  }
  folders.push_back(InstalledPluginFolder());
  // One place per folder; "a/" and "a" name the same one.
  std::vector<std::wstring> unique;
  for (std::wstring folder : folders) {
    while (folder.size() > 1 && folder.back() == L'/') folder.pop_back();
    if (!folder.empty() && std::find(unique.begin(), unique.end(), folder) == unique.end()) unique.push_back(folder);
  }
  return unique;
}
