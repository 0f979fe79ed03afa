// Packages that fail while they are being loaded, before any export is called: the host
// must never load them itself. UNSAFE_THROW throws from a static initialiser, UNSAFE_ABORT
// aborts there, UNSAFE_HANG never returns from it.
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "ScaleFilter.h"
#include "core/PluginApi.h"

namespace {

struct SLoadTimeFailure {
  SLoadTimeFailure() {
#if defined(UNSAFE_THROW)
    throw std::runtime_error("this package refuses to load");
#elif defined(UNSAFE_ABORT)
    std::abort();
#elif defined(UNSAFE_HANG)
    for (;;) ::pause();
#endif
  }
};

const SLoadTimeFailure g_failure;

}  // namespace

PLOTVANE_DECLARE_PLUGIN(CScaleFilter, "UNSAFE", "FILTER")
