// A filter whose processing fails: the trace must catch what it throws.
#include <stdexcept>

#include "core/PluginApi.h"
#include "filters/Filter.h"

class CThrowingFilter : public CDynamicFilter {
 public:
  void ProcessDataEx(bool&, int&, int&, int&, double*&, double*&, double*&, IPropertiesList*) override {
    throw std::runtime_error("block rejected");
  }
};

PLOTVANE_DECLARE_PLUGIN(CThrowingFilter, "THROWING", "FILTER")
