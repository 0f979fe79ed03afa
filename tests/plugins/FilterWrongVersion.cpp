// A package built against another plug-in API version, which the loader must skip before
// it calls anything else.
#include "ScaleFilter.h"
#include "core/PluginApi.h"

extern "C" int GetPluginApiVersion() { return PLOTVANE_PLUGIN_API_VERSION + 1; }
extern "C" const char* GetPluginName() { return "FUTURE"; }
extern "C" const char* GetPluginType() { return "FILTER"; }
extern "C" void* CreateInstance() { return static_cast<CFilter*>(new CScaleFilter()); }
extern "C" int DestroyInstance(void* instance) {
  delete static_cast<CScaleFilter*>(static_cast<CFilter*>(instance));
  return 0;
}
