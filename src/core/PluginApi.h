#pragma once
// The contract between the engine and a plug-in package (a filter or a property page built
// as a shared library into diagram_plugins/). A package exports five plain C functions; the
// loader resolves them by name with dlsym, checks "GetPluginApiVersion" before anything
// else, and creates and destroys the package's objects only through the package itself.
//
// A plug-in author writes one line in one source file of the package:
//
//   PLOTVANE_DECLARE_PLUGIN(CSmoothFilter, "SMOOTH", "FILTER")
//
// The class is default-constructible and derives from the base of its plug-in kind
// (CFilter for "FILTER"). The object handed across is a pointer to that base: the kind's
// base class names itself in a member type `PluginBase`, which derived classes inherit.
//
// Adding a new export: declare it here with its function type, give it a default in the
// macro, and resolve it in CModulesFactoryDLL (a package that lacks it must keep loading,
// so treat its absence as the old behaviour); raise the version only for changes that an
// older package cannot survive, such as a new virtual slot in a plug-in base class.
#include <exception>
#include <string>
#include <type_traits>

#include "common/Log.h"
#include "common/Text.h"

// Raised whenever the binary contract of the plug-in base classes changes.
#define PLOTVANE_PLUGIN_API_VERSION 2

#define PLOTVANE_PLUGIN_EXPORT __attribute__((visibility("default")))

// The exports, by the names the loader looks up.
inline constexpr const char* kPluginExportApiVersion = "GetPluginApiVersion";
inline constexpr const char* kPluginExportName = "GetPluginName";
inline constexpr const char* kPluginExportType = "GetPluginType";
inline constexpr const char* kPluginExportCreate = "CreateInstance";
inline constexpr const char* kPluginExportDestroy = "DestroyInstance";

extern "C" {
using PluginApiVersionFunc = int (*)();
using PluginNameFunc = const char* (*)();   // UTF-8 name, never null, non-empty
using PluginTypeFunc = const char* (*)();   // begins with the factory's type ("FILTER"...)
using PluginCreateFunc = void* (*)();       // a new object, null on failure
using PluginDestroyFunc = int (*)(void*);   // 0 when the object was destroyed
}

namespace plotvane_plugin {

// The base a plug-in object is handed across as: T::PluginBase when the kind declares one.
template <class T>
struct PluginBaseOf {
  using type = T;
};
template <class T>
  requires requires { typename T::PluginBase; }
struct PluginBaseOf<T> {
  using type = typename T::PluginBase;
};

// Exceptions must not unwind through the C boundary: a failing constructor becomes null.
template <class T>
void* CreatePluginObject(const char* pluginName) noexcept {
  using Base = typename PluginBaseOf<T>::type;
  static_assert(std::is_base_of_v<Base, T>, "a plug-in class must derive from its PluginBase");
  try {
    return static_cast<void*>(static_cast<Base*>(new T()));
  } catch (const std::exception& e) {
    try {
      LogMessage(L"Factory", L"\t\tCreateInstance of " + Utf8ToWide(pluginName) + L" failed: " +
                                 Utf8ToWide(e.what()), true);
    } catch (...) {
    }
  } catch (...) {
    try {
      LogMessage(L"Factory", L"\t\tCreateInstance of " + Utf8ToWide(pluginName) + L" failed", true);
    } catch (...) {
    }
  }
  return nullptr;
}

// Deletes through the plug-in's own class, so even a base without a virtual destructor
// frees the whole object with the package's own allocator.
template <class T>
int DestroyPluginObject(void* instance) noexcept {
  using Base = typename PluginBaseOf<T>::type;
  if (instance == nullptr) return -2;
  delete static_cast<T*>(static_cast<Base*>(instance));
  return 0;
}

}  // namespace plotvane_plugin

// The exports' declarations; a package defines them with PLOTVANE_DECLARE_PLUGIN.
extern "C" {
PLOTVANE_PLUGIN_EXPORT int GetPluginApiVersion();
PLOTVANE_PLUGIN_EXPORT const char* GetPluginName();
PLOTVANE_PLUGIN_EXPORT const char* GetPluginType();
PLOTVANE_PLUGIN_EXPORT void* CreateInstance();
PLOTVANE_PLUGIN_EXPORT int DestroyInstance(void* instance);
}

#define PLOTVANE_DECLARE_PLUGIN(Class, Name, Type)                                      \
  extern "C" PLOTVANE_PLUGIN_EXPORT int GetPluginApiVersion() {                         \
    return PLOTVANE_PLUGIN_API_VERSION;                                                 \
  }                                                                                     \
  extern "C" PLOTVANE_PLUGIN_EXPORT const char* GetPluginName() { return Name; }        \
  extern "C" PLOTVANE_PLUGIN_EXPORT const char* GetPluginType() { return Type; }        \
  extern "C" PLOTVANE_PLUGIN_EXPORT void* CreateInstance() {                            \
    return ::plotvane_plugin::CreatePluginObject<Class>(Name);                          \
  }                                                                                     \
  extern "C" PLOTVANE_PLUGIN_EXPORT int DestroyInstance(void* instance) {               \
    return ::plotvane_plugin::DestroyPluginObject<Class>(instance);                     \
  }
