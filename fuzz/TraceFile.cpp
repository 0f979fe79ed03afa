// A trace file read into a memory trace in each of its forms, then written again by that trace.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "common/Text.h"
#include "diagram/Diagram.h"
#include "traces/TraceStatic.h"

namespace {

std::string Folder() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp");
}

struct SFiles {
  std::string input = Folder() + "/plotvane-fuzz-trace-" + std::to_string(::getpid()) + ".trs";
  std::string output = Folder() + "/plotvane-fuzz-trace-" + std::to_string(::getpid()) + "-out.csv";
  ~SFiles() {
    ::unlink(input.c_str());
    ::unlink(output.c_str());
  }
};

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) std::abort();
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SFuzzControl& shared = fuzz::SharedControl();
  static const SFiles files;
  static CDiagram* diagram = [&] {
    CDiagram* d = shared.control.AddDiagram();
    if (d == nullptr) std::abort();
    return d;
  }();
  static CTraceStatic* memory = static_cast<CTraceStatic*>(diagram->AddStaticTrace());
  if (size == 0 || memory == nullptr) return 0;
  const ETraceFileType type = static_cast<ETraceFileType>(data[0] % 3);
  const EPlot plot = static_cast<EPlot>(data[0] / 3 % 9);
  memory->SetPlot(plot);
  WriteFile(files.input, data + 1, size - 1);
  if (memory->Load(Utf8ToWide(files.input), type) == 0) memory->SaveDataToFile(Utf8ToWide(files.output).c_str());
  fuzz::DrawAll(shared.control);
  return 0;
}
