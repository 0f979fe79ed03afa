#include "FuzzSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "support/CountingCanvas.h"
#include "common/Assert.h"
#include "common/Log.h"
#include "common/Text.h"
#include "core/PluginManager.h"

namespace fuzz {

namespace {

class CNullSink : public ILogSink {
 public:
  void Write(std::wstring_view, std::wstring_view, bool) override {}
};

// Keeps the display-format package loaded for the whole run, so that controls made and
// destroyed per input never unload and reload it.
struct SPackageKeeper {
  CModulesFactory factory{kFilterPluginType, (Utf8ToWide(PLOTVANE_PLUGIN_DIR) + L"/" + kFilterPluginMask).c_str()};
  void* instance = nullptr;
  SPackageKeeper() {
    if (factory.Count() > 0) factory.CreateInstance(instance, 0);
  }
};

}  // namespace

void QuietProcess() {
  static const bool done = [] {
    SetLogSink(std::make_shared<CNullSink>());
    SetAssertHook([](const SAssertReport&) {});
    static SPackageKeeper keeper;
    return true;
  }();
  (void)done;
}

SFuzzControl::SFuzzControl() : control(&host, L"QUANTITY", Utf8ToWide(PLOTVANE_PLUGIN_DIR)) {
  const struct {
    const wchar_t* name;
    const wchar_t* group;
  } names[] = {{L"S11", L"1"}, {L"S21", L"1"}, {L"S12", L"1"}, {L"S22", L"1"}, {L"Спектр", L"2"}};
  for (const auto& n : names) {
    CMeasurement* m = control.CreateMeasurement();
    m->SetName(n.name);
    m->SetParameter(L"channel", n.group);
    m->SetResponseQuantity(n.group[0] == L'1' ? L"Cmplx" : L"dBm");
    m->SetStimulusQuantity(L"MHz");
    m->SetStimulusRange(100, 200, true);
    m->SetPointsCount(11);
    channels.push_back(m);
  }
  control.Deserialize(pugi::xml_node(), nullptr);  // leaves the initializing state
}

SFuzzControl& SharedControl() {
  QuietProcess();
  static SFuzzControl* shared = new SFuzzControl();
  return *shared;
}

void DrawAll(CDiagramControl& control) {
  CCountingCanvas canvas;
  control.Draw(canvas);
}

int CByteReader::EdgyInt() {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  static const int edges[] = {0, 1, 2, -1, 10, 11, 100, 1601, kMax, kMax - 1, kMin, kMin + 1,
                              CMeasurement::kMaxPointsCount, CMeasurement::kMaxPointsCount - 1};
  const std::uint8_t how = Byte();
  if (how < 128) return edges[how % std::size(edges)];
  if (how < 192) return Byte();
  return Raw<int>();
}

double CByteReader::EdgyDouble() {
  static const double edges[] = {0.0, 1.0, -1.0, 1e9, 2e9, 1e-12, 1e300, -1e300, std::nan(""),
                                 std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity(), 5e-324};
  const std::uint8_t how = Byte();
  if (how < 128) return edges[how % std::size(edges)];
  if (how < 192) return static_cast<double>(static_cast<std::int8_t>(Byte()));
  return Raw<double>();
}

std::string CByteReader::Text(std::size_t max) {
  const std::size_t left = size_ - std::min(pos_, size_);
  const std::size_t n = std::min(left, max);
  std::string text(reinterpret_cast<const char*>(data_ + pos_), n);
  pos_ += n;
  return text;
}

CTempFile::CTempFile(const std::string& stem) {
  const char* tmp = std::getenv("TMPDIR");
  path_ = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/plotvane-fuzz-" + stem + "-" +
          std::to_string(::getpid());
}

CTempFile::~CTempFile() { ::unlink(path_.c_str()); }

void CTempFile::Write(const std::uint8_t* data, std::size_t size) const {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) std::abort();
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

}  // namespace fuzz
