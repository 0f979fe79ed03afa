// The package's exports: the display-format filter, created by traces under "QUANTITY".
#include "QuantityFilter.h"
#include "core/PluginApi.h"

PLOTVANE_DECLARE_PLUGIN(CQuantityFilter, "QUANTITY", "FILTER")
