// A Touchstone network file as text, with the port count a file name would give; what reads
// is written again in both versions and every number form, and must read back alike.
#include <string_view>

#include "FuzzSupport.h"
#include "traces/Touchstone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietProcess();
  if (size == 0) return 0;
  const std::size_t ports = data[0] % 6;  // 0: none given (a file without .sNp)
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  STouchstoneData network;
  if (!ParseTouchstone(text, network, ports)) return 0;
  for (int version : {1, 2}) {
    for (ETouchstoneFormat format : {tfRI, tfMA, tfDB}) {
      STouchstoneResult written;
      const std::string again = FormatTouchstone(network, version, format, &written);
      if (!written) continue;  // what a version cannot hold (mixed references in version 1)
      STouchstoneData back;
      if (!ParseTouchstone(again, back, network.ports) || back.Points() != network.Points() ||
          back.ports != network.ports)
        std::abort();
    }
  }
  return 0;
}
