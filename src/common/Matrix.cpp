#include "common/Matrix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <future>
#include <memory>
#include <system_error>

#include "common/Assert.h"
#include "common/AtomicFile.h"
#include "common/Log.h"
#include "common/Text.h"

namespace {

constexpr std::wstring_view kLogSource = L"Matrix";
// Tables from this many values on are formatted by two threads.
constexpr std::size_t kParallelValues = 1 << 16;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

// The offending text for the log: up to the next separator, at most 40 bytes.
std::wstring TokenAt(const char* p, const char* end) {
  const char* q = p;
  while (q < end && q - p < 40 && !IsBlank(*q) && *q != ',') ++q;
  return Utf8ToWide(std::string_view(p, static_cast<std::size_t>(q - p)));
}

// from_chars leaves values beyond double's range alone; a written 1e400 means infinity and
// 1e-400 zero, as any reader would take them.
double OutOfRangeValue(const char* begin, const char* end) {
  const bool negative = *begin == '-';
  const char* e = std::find_if(begin, end, [](char c) { return c == 'e' || c == 'E'; });
  const bool tiny = e + 1 < end && e[1] == '-';
  const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  return negative ? -magnitude : magnitude;
}

// Parses the table line by line, as the reader hands over complete lines.
class CMatrixParser {
 public:
  CMatrixParser(const std::wstring& path, std::string* header) : path_(path), header_(header) {}

  std::size_t fileSize = 0;  // for the one allocation of the values
  std::vector<double> values;
  std::size_t rows = 0;
  std::size_t cols = 0;

  // The line read last (the one a content error is in).
  std::size_t LineNumber() const { return line_; }

  EMatrixResult Line(const char* p, const char* eol) {
    ++line_;
    if (line_ == 1 && eol - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
    const char* q = SkipBlanks(p, eol);
    if (q == eol) return mrOk;
    if (*q == '#') {
      if (header_) header_->append(q, eol > q && eol[-1] == '\r' ? eol - 1 : eol).push_back('\n');
      return mrOk;
    }
    std::size_t count = 0;
    while (q < eol) {
      const char* start = *q == '+' ? q + 1 : q;
      double value = 0;
      const auto [next, ec] = std::from_chars(start, eol, value);
      const bool separated = next == eol || IsBlank(*next) || *next == ',';
      if (ec == std::errc::result_out_of_range && separated) {
        value = OutOfRangeValue(start, next);
      } else if (ec != std::errc() || !separated) {
        Log(L"Not a number at line " + std::to_wstring(line_) + L", column " + std::to_wstring(q - p + 1) + L": \"" +
            TokenAt(q, eol) + L"\"");
        return mrNotANumber;
      }
      values.push_back(value);
      ++count;
      q = SkipBlanks(next, eol);
      if (q < eol && *q == ',') q = SkipBlanks(q + 1, eol);  // a trailing comma ends the row
    }
    if (rows == 0) {
      cols = count;
      // One allocation for a table of rows like the first one.
      values.reserve((fileSize / (static_cast<std::size_t>(eol - p) + 1) + 2) * cols);
    } else if (count != cols) {
      Log(L"Row at line " + std::to_wstring(line_) + L" has " + std::to_wstring(count) + L" values instead of " +
          std::to_wstring(cols));
      return mrRaggedRows;
    }
    ++rows;
    return mrOk;
  }

 private:
  void Log(const std::wstring& text) { LogMessage(kLogSource, L"\"" + path_ + L"\": " + text, true); }

  const std::wstring& path_;
  std::string* header_;
  std::size_t line_ = 0;
};

// Reads a file in blocks through one reused buffer (a whole large file in memory would cost
// as much again as the matrix) and hands complete lines to the parser.
EMatrixResult ParseFile(const std::wstring& path, CMatrixParser& parser) {
  const int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  int error = fd < 0 ? errno : ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (error != 0) {
    if (fd >= 0) ::close(fd);
    LogMessage(kLogSource, L"Cannot read \"" + path + L"\": " + Utf8ToWide(std::strerror(error)), true);
    return error == ENOENT ? mrFileNotFound : mrReadError;
  }
  parser.fileSize = static_cast<std::size_t>(std::max<off_t>(st.st_size, 0));
  std::size_t capacity = 1 << 20;
  std::unique_ptr<char[]> buffer(new char[capacity]);
  std::size_t held = 0;
  EMatrixResult result = mrOk;
  for (bool end = false; !end && result == mrOk;) {
    if (held == capacity) {  // a line longer than the buffer
      std::unique_ptr<char[]> bigger(new char[capacity * 2]);
      std::memcpy(bigger.get(), buffer.get(), held);
      buffer = std::move(bigger);
      capacity *= 2;
    }
    const ssize_t n = ::read(fd, buffer.get() + held, capacity - held);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      LogMessage(kLogSource, L"Cannot read \"" + path + L"\": " + Utf8ToWide(std::strerror(error)), true);
      result = mrReadError;
      break;
    }
    end = n == 0;
    held += static_cast<std::size_t>(n);
    const char* p = buffer.get();
    const char* const last = p + held;
    while (result == mrOk) {
      const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(last - p)));
      if (eol == nullptr) {
        if (end && p < last) result = parser.Line(p, last);
        break;
      }
      result = parser.Line(p, eol);
      p = eol + 1;
    }
    held = static_cast<std::size_t>(last - p);
    std::memmove(buffer.get(), p, held);
  }
  ::close(fd);
  return result;
}

constexpr std::size_t kMaxNumber = 32;  // "-2.2250738585072014e-308" is 24

char* FormatNumber(double value, char* out) {
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 3);  // without the sign a NaN may carry
    return out + 3;
  }
  return std::to_chars(out, out + kMaxNumber, value).ptr;
}

// Room for a row of the longest numbers.
std::size_t RowBound(std::size_t cols) { return cols * (kMaxNumber + 1) + 1; }

char* FormatRow(const double* row, std::size_t cols, char separator, char* out) {
  for (std::size_t c = 0; c < cols; ++c) {
    if (c > 0) *out++ = separator;
    out = FormatNumber(row[c], out);
  }
  *out++ = '\n';
  return out;
}

struct SRowsText {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

SRowsText FormatRows(const CDoubleMatrix& matrix, std::size_t begin, std::size_t end, char separator) {
  SRowsText text;
  text.data.reset(new char[(end - begin) * RowBound(matrix.Cols())]);  // pages beyond the text stay untouched
  char* out = text.data.get();
  for (std::size_t r = begin; r < end; ++r) out = FormatRow(matrix.Row(r), matrix.Cols(), separator, out);
  text.size = static_cast<std::size_t>(out - text.data.get());
  return text;
}

// Formats into a buffer that goes to the file whenever it fills up.
class CMatrixWriter {
 public:
  explicit CMatrixWriter(CAtomicFile& file) : file_(file), buffer_(new char[kSize]) {}

  void Text(std::string_view text) {
    while (!text.empty()) {
      const std::size_t n = std::min(text.size(), kSize - used_);
      std::memcpy(buffer_.get() + used_, text.data(), n);
      used_ += n;
      text.remove_prefix(n);
      if (used_ == kSize) Flush();
    }
  }

  void Row(const double* row, std::size_t cols, char separator) {
    if (RowBound(cols) > kSize - used_) Flush();
    if (RowBound(cols) <= kSize) {
      used_ = static_cast<std::size_t>(FormatRow(row, cols, separator, buffer_.get() + used_) - buffer_.get());
      return;
    }
    for (std::size_t c = 0; c < cols; ++c) {  // a row longer than the buffer
      Reserve();
      if (c > 0) buffer_[used_++] = separator;
      used_ = static_cast<std::size_t>(FormatNumber(row[c], buffer_.get() + used_) - buffer_.get());
    }
    Reserve();
    buffer_[used_++] = '\n';
  }

  bool Flush() {
    const bool ok = file_.Write(buffer_.get(), used_);
    used_ = 0;
    return ok;
  }

 private:
  static constexpr std::size_t kSize = 1 << 20;

  void Reserve() {
    if (kSize - used_ < kMaxNumber + 1) Flush();
  }

  CAtomicFile& file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace

CDoubleMatrix::CDoubleMatrix(std::size_t rows, std::size_t cols, double fill)
    : rows_(rows), cols_(cols), data_(rows * cols, fill) {}

void CDoubleMatrix::Resize(std::size_t rows, std::size_t cols, double fill) {
  if (rows == rows_ && cols == cols_) return;
  if (cols == cols_) {
    data_.resize(rows * cols, fill);
  } else {
    std::vector<double> data(rows * cols, fill);
    const std::size_t keepRows = std::min(rows, rows_);
    const std::size_t keepCols = std::min(cols, cols_);
    for (std::size_t r = 0; r < keepRows; ++r)
      std::copy_n(data_.data() + r * cols_, keepCols, data.data() + r * cols);
    data_ = std::move(data);
  }
  rows_ = rows;
  cols_ = cols;
}

bool CDoubleMatrix::Assign(std::size_t rows, std::size_t cols, std::vector<double>&& values) {
  if (!PV_ASSERT(values.size() == rows * cols)) return false;
  rows_ = rows;
  cols_ = cols;
  data_ = std::move(values);
  return true;
}

double CDoubleMatrix::Get(std::size_t row, std::size_t col) const {
  if (!PV_ASSERT(row < rows_ && col < cols_)) return std::numeric_limits<double>::quiet_NaN();
  return data_[row * cols_ + col];
}

void CDoubleMatrix::Set(std::size_t row, std::size_t col, double value) {
  if (!PV_ASSERT(row < rows_ && col < cols_)) return;
  data_[row * cols_ + col] = value;
}

EMatrixResult LoadCustomMatrixFromFile(const std::wstring& path, CDoubleMatrix& matrix, unsigned flags,
                                       std::wstring* header, std::size_t* failedLine) {
  (void)flags;  // both separators are always understood
  std::string headerText;
  CMatrixParser parser(path, header ? &headerText : nullptr);
  const EMatrixResult result = ParseFile(path, parser);
  if (failedLine != nullptr) *failedLine = result == mrNotANumber || result == mrRaggedRows ? parser.LineNumber() : 0;
  if (result != mrOk) return result;
  matrix.Assign(parser.cols == 0 ? 0 : parser.rows, parser.cols, std::move(parser.values));
  if (header) *header = Utf8ToWide(headerText);
  return mrOk;
}

EMatrixResult SaveCustomMatrixToFile(const std::wstring& path, const CDoubleMatrix& matrix, unsigned flags,
                                     std::wstring_view headerText) {
  CAtomicFile file;
  if (file.Open(WideToUtf8(path))) {
    CMatrixWriter writer(file);
    const std::string header = WideToUtf8(headerText);
    for (std::size_t start = 0; start < header.size();) {
      const std::size_t eol = std::min(header.find('\n', start), header.size());
      std::string_view line(header.data() + start, eol - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.empty() || line.front() != '#') writer.Text(line.empty() ? "#" : "# ");
      writer.Text(line);
      writer.Text("\n");
      start = eol + 1;
    }
    const char separator = (flags & mfCommaSeparated) ? ',' : ' ';
    // Number formatting is most of the cost of a large table: a helper thread formats the
    // second half while this one formats and writes the first.
    std::size_t split = matrix.Rows();
    std::future<SRowsText> tail;
    if (matrix.Rows() >= 2 && matrix.Rows() * matrix.Cols() >= kParallelValues) {
      try {
        tail = std::async(std::launch::async, FormatRows, std::cref(matrix), matrix.Rows() / 2, matrix.Rows(),
                          separator);
        split = matrix.Rows() / 2;
      } catch (const std::system_error&) {
        // no thread to be had: format it all here
      }
    }
    for (std::size_t r = 0; r < split; ++r) writer.Row(matrix.Row(r), matrix.Cols(), separator);
    if (tail.valid()) {
      writer.Flush();
      const SRowsText text = tail.get();
      file.Write(text.data.get(), text.size);
    }
    if (writer.Flush() && file.Commit()) return mrOk;
  }
  LogMessage(kLogSource, L"Cannot write \"" + path + L"\": " + Utf8ToWide(file.ErrorText()), true);
  return mrWriteError;
}
