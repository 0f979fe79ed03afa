#include "ScaleFilter.h"
#include "core/PluginApi.h"

PLOTVANE_DECLARE_PLUGIN(CScaleFilter, "SCALE", "FILTER")
