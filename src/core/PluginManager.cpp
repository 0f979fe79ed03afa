#include "core/PluginManager.h"

#include <dlfcn.h>
#include <fnmatch.h>

#include <algorithm>
#include <filesystem>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Text.h"
#include "core/PluginApi.h"
#include "core/PluginScan.h"

namespace {

constexpr const wchar_t* kSource = L"Factory";

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
  PackageModule = dlopen(WideToUtf8(path_).c_str(), RTLD_NOW | RTLD_LOCAL);
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
  namespace fs = std::filesystem;
  const std::size_t slash = mask_.find_last_of(L'/');
  const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : mask_.substr(0, slash);
  const std::string pattern = WideToUtf8(slash == std::wstring::npos ? mask_ : mask_.substr(slash + 1));

  // Sorted by name, so global indices do not depend on the file system's listing order.
  std::vector<std::string> files;
  std::error_code ec;
  fs::directory_iterator it(fs::path(WideToUtf8(folder)), ec);
  if (ec) Log(L"plug-in folder " + folder + L" cannot be read (" + Utf8ToWide(ec.message()) + L"): no " + type_ + L" packages");
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::error_code statusError;
    if (!it->is_regular_file(statusError)) continue;
    const std::string name = it->path().filename().string();
    if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) files.push_back(name);
  }
  std::sort(files.begin(), files.end());

  // Only packages that loaded safely in the scanner's process are loaded in ours.
  std::vector<std::string> paths;
  for (const std::string& file : files) paths.push_back(WideToUtf8(folder) + "/" + file);
  CPluginScanner scanner;
  const std::vector<SPluginScanResult> verdicts = scanner.Scan(paths);

  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::wstring path = Utf8ToWide(paths[i]);
    if (!verdicts[i].Safe()) {
      Log(L"Loading " + Utf8ToWide(files[i]));
      Log(L"\t\tSkipped: " + Utf8ToWide(verdicts[i].detail), true);
      Log(L"\t\tLoading package FAILED", true);
      continue;
    }
    auto package = std::make_unique<CModulesFactoryDLL>(type_.c_str());
    if (package->Load(path.c_str()) == 0) modules_.push_back(std::move(package));
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
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path folder = ec ? std::filesystem::path("diagram_plugins")
                                          : exe.parent_path() / "diagram_plugins";
  return Utf8ToWide(folder.string());
}
