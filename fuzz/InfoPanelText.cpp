// The information panel's text as the host sends it ("name;value;unit" rows) and its caption,
// laid out and painted in the run's control.
#include "FuzzSupport.h"
#include "common/Text.h"
#include "diagram/InfoPanel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SFuzzControl& f = fuzz::SharedControl();
  fuzz::CByteReader in(data, size);
  static const bool once = [&] {
    f.control.AddDiagram();
    f.control.AddInfoPanel();
    return true;
  }();
  (void)once;
  const std::size_t captionLength = in.Byte() % 32;
  const std::wstring caption = Utf8ToWide(in.Text(captionLength));
  const std::wstring info = Utf8ToWide(in.Text(size));
  f.control.SetDiagramString(L"DEMODCAPTION", caption.c_str());
  f.control.SetDiagramString(L"DEMODINFO", info.c_str());
  fuzz::DrawAll(f.control);
  return 0;
}
