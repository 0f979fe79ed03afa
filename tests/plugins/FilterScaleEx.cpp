// A package written before "GetPluginApiVersion" existed, with a type that only begins with
// "FILTER": it must still load.
#include "ScaleFilter.h"
#include "core/PluginApi.h"

extern "C" const char* GetPluginName() { return "SCALE_EX"; }
extern "C" const char* GetPluginType() { return "FILTER_EX"; }
extern "C" void* CreateInstance() { return static_cast<CFilter*>(new CScaleFilter()); }
extern "C" int DestroyInstance(void* instance) {
  delete static_cast<CScaleFilter*>(static_cast<CFilter*>(instance));
  return 0;
}
