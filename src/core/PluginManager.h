#pragma once
// Plug-in packages: a factory finds the packages of one kind (filters or property pages) by a
// file mask, loads each with dlopen, and creates and destroys plug-in objects through the
// package's exports (core/PluginApi.h). A package is unloaded when its last object goes and
// loaded again on the next creation.
#include <memory>
#include <string>
#include <vector>

class IModulesFactory {
 public:
  virtual int Count() = 0;
  virtual std::wstring GetName(int index) = 0;
  virtual std::wstring GetType(int index) = 0;
  // 0 and the new object in instance, or an error code.
  virtual int CreateInstance(void*& instance, int index) = 0;
  // 0 when the object was destroyed, -2 when it was not created here.
  virtual int DestroyInstance(void* instance) = 0;
  virtual ~IModulesFactory() = default;
};

// One package. It always holds exactly one module, so index 0 is the only valid index.
class CModulesFactoryDLL : public IModulesFactory {
 public:
  explicit CModulesFactoryDLL(const wchar_t* requiredType);
  ~CModulesFactoryDLL() override;
  CModulesFactoryDLL(const CModulesFactoryDLL&) = delete;
  CModulesFactoryDLL& operator=(const CModulesFactoryDLL&) = delete;

  int Count() override { return 1; }
  std::wstring GetName(int nIndex) override;
  std::wstring GetType(int nIndex) override;
  int CreateInstance(void*& instance, int index) override;
  int DestroyInstance(void* instance) override;

  // Destroys the live objects, unloads, and loads the package at path: 0 or -1.
  int Load(const wchar_t* path);

  bool IsLoaded() const { return PackageModule != nullptr; }
  int InstanceCount() const { return static_cast<int>(plugins.size()); }
  const std::wstring& GetPath() const { return path_; }

 private:
  int Reload();          // loads path_ again, logging the outcome: 0 or -1
  bool LoadPackage();
  void ReleaseModule();  // dlclose without a log line (a load that failed)
  void UnloadPackage();  // dlclose of a package in use, logged
  void DestroyAllInstances();
  void* FindExport(const char* name);
  std::wstring GetPluginNameFromModule();
  std::wstring GetPluginTypeFromModule();
  void* DLLCreateInstance();
  int DLLDestroyInstance(void* instance);
  std::wstring FileName() const;

  std::wstring requiredType_;
  std::wstring path_;
  void* PackageModule = nullptr;  // dlopen handle
  std::vector<void*> plugins;     // live objects, in order of creation
  std::wstring name_;
  std::wstring type_;
};

// The packages of one kind found in a list of folders: folder by folder, in file-name order
// within each; global indices run over them. A package is loaded once by its plug-in name
// (in any case): the first one found wins, and a later package of the same name is skipped
// with a log line naming both files.
class CModulesFactory : public IModulesFactory {
 public:
  // mask: folder and file pattern, e.g. ".../diagram_plugins/Filter*.so" (fnmatch syntax in
  // the file part). A missing folder gives an empty factory. Packages are scanned out of
  // process first (core/PluginScan.h); one that is not safe to load is skipped with a log line.
  CModulesFactory(const wchar_t* type, const wchar_t* mask);
  // The same over several folders, searched in their order, with one file pattern.
  CModulesFactory(const wchar_t* type, const std::vector<std::wstring>& folders, const wchar_t* fileMask);
  ~CModulesFactory() override;
  CModulesFactory(const CModulesFactory&) = delete;
  CModulesFactory& operator=(const CModulesFactory&) = delete;

  int Count() override;
  std::wstring GetName(int dIndex) override;
  std::wstring GetType(int dIndex) override;
  int CreateInstance(void*& instance, int dIndex) override;
  int DestroyInstance(void* instance) override;

  const std::wstring& GetFactoryType() const { return type_; }
  const std::wstring& GetMask() const { return mask_; }
  // The package behind a global index (null when out of range), for diagnostics and tests.
  CModulesFactoryDLL* Package(int dIndex);

 private:
  void LoadPackages(const std::vector<std::wstring>& folders, const std::wstring& fileMask);
  // Maps a global index to (package, local index): 0, or -1 when out of range.
  int GetModuleFactory(int dIndex, CModulesFactoryDLL** ppFactory, int* pnFactoryIndex);

  std::wstring type_;
  std::wstring mask_;
  std::vector<std::unique_ptr<CModulesFactoryDLL>> modules_;
};

// The plug-in folder: diagram_plugins/ beside the running executable.
std::wstring DefaultPluginFolder();
// The plug-in folder installed with the engine library (lib/<arch>/plotvane/diagram_plugins);
// empty when the library's place is unknown.
std::wstring InstalledPluginFolder();
// Where a host looks for packages, in this order: DefaultPluginFolder(), the folders of
// PLOTVANE_PLUGIN_PATH (colon-separated; empty entries are ignored), InstalledPluginFolder().
// A folder named twice keeps its first place.
std::vector<std::wstring> PluginSearchPath();

// File masks of the two plug-in kinds and the types their factories require.
inline constexpr const wchar_t* kFilterPluginMask = L"Filter*.so";
inline constexpr const wchar_t* kPropPagePluginMask = L"PropPage*.so";
inline constexpr const wchar_t* kFilterPluginType = L"FILTER";
inline constexpr const wchar_t* kPropPagePluginType = L"PROPPAGE";
