// A package with an empty name, which the loader must skip.
#include "ScaleFilter.h"
#include "core/PluginApi.h"

PLOTVANE_DECLARE_PLUGIN(CScaleFilter, "", "FILTER")
