#include "BenchFilter.h"
#include "core/PluginApi.h"

PLOTVANE_DECLARE_PLUGIN(CBenchFilter, "BENCH", "FILTER")
