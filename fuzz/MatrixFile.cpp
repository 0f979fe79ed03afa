// A matrix file, read in both forms; what reads is written and read back.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "FuzzSupport.h"
#include "common/Matrix.h"
#include "common/Text.h"

namespace {

std::string Folder() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp");
}

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

// The two files of this process, removed when it ends.
struct SFiles {
  std::string input = Folder() + "/plotvane-fuzz-matrix-" + std::to_string(::getpid()) + ".txt";
  std::string output = Folder() + "/plotvane-fuzz-matrix-" + std::to_string(::getpid()) + "-out.csv";
  ~SFiles() {
    ::unlink(input.c_str());
    ::unlink(output.c_str());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietProcess();
  static const SFiles files;
  const std::string& input = files.input;
  const std::string& output = files.output;
  WriteFile(input, data, size);
  for (unsigned flags : {0u, unsigned(mfCommaSeparated)}) {
    CDoubleMatrix matrix;
    std::wstring header;
    if (LoadCustomMatrixFromFile(Utf8ToWide(input), matrix, flags, &header) != mrOk) continue;
    if (SaveCustomMatrixToFile(Utf8ToWide(output), matrix, flags, header) != mrOk) continue;
    CDoubleMatrix back;
    // What was written must read back with the same shape.
    if (LoadCustomMatrixFromFile(Utf8ToWide(output), back, flags) != mrOk || back.Rows() != matrix.Rows() ||
        back.Cols() != matrix.Cols())
      std::abort();
  }
  return 0;
}
