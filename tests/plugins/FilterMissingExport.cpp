// A package lacking one export (OMIT_TYPE: "GetPluginType", OMIT_DESTROY: "DestroyInstance"),
// which the loader must skip.
#include "ScaleFilter.h"
#include "core/PluginApi.h"

extern "C" const char* GetPluginName() { return "INCOMPLETE"; }
#ifndef OMIT_TYPE
extern "C" const char* GetPluginType() { return "FILTER"; }
#endif
extern "C" void* CreateInstance() { return static_cast<CFilter*>(new CScaleFilter()); }
#ifndef OMIT_DESTROY
extern "C" int DestroyInstance(void* instance) {
  delete static_cast<CScaleFilter*>(static_cast<CFilter*>(instance));
  return 0;
}
#endif
