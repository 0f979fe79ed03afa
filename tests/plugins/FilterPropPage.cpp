// A property-page package that happens to match the filter mask: the filter factory must
// reject it by its type, a "PROPPAGE" factory must accept it.
#include "core/PluginApi.h"

class CTestPage {
 public:
  int pageId = 7;
};

PLOTVANE_DECLARE_PLUGIN(CTestPage, "PAGE", "PROPPAGE")
