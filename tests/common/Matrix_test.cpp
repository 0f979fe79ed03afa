#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>

#include "common/AtomicFile.h"
#include "common/Matrix.h"
#include "support/Capture.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, std::string_view text) { ASSERT_EQ(WriteFileAtomically(path.string(), text), 0); }

// Bit for bit (-0 differs from 0), except that any NaN matches any NaN.
bool SameValues(const CDoubleMatrix& a, const CDoubleMatrix& b) {
  if (a.Rows() != b.Rows() || a.Cols() != b.Cols()) return false;
  for (std::size_t i = 0; i < a.Rows() * a.Cols(); ++i) {
    const double x = a.Data()[i], y = b.Data()[i];
    if (std::isnan(x) ? !std::isnan(y) : std::bit_cast<std::uint64_t>(x) != std::bit_cast<std::uint64_t>(y)) return false;
  }
  return true;
}

}  // namespace

TEST(DoubleMatrix, ResizeKeepsSharedCells) {
  CDoubleMatrix m(2, 3);
  for (std::size_t r = 0; r < 2; ++r)
    for (std::size_t c = 0; c < 3; ++c) m(r, c) = static_cast<double>(r * 10 + c);
  m.Resize(3, 2, -1);
  CDoubleMatrix expected;
  ASSERT_TRUE(expected.Assign(3, 2, {0, 1, 10, 11, -1, -1}));
  EXPECT_EQ(m, expected);

  AssertCapture asserts;
  EXPECT_TRUE(std::isnan(m.Get(3, 0)));
  m.Set(0, 5, 1);
  EXPECT_FALSE(m.Assign(2, 2, {1}));
  EXPECT_EQ(asserts.Count(), 3u);
  EXPECT_EQ(m, expected);
}

TEST(MatrixFile, RoundTripIsExactInBothFormsWithHeader) {
  const fs::path dir = FreshDir("matrix-roundtrip");
  CDoubleMatrix m(3, 4);
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {-std::numeric_limits<double>::quiet_NaN(), 0.1, -0.0, 1e-300, -80.12345678901234, 1.0 / 3.0,
                           4.9e-324, 1e21, std::numeric_limits<double>::max(), inf, -inf, 2.5e9};
  std::memcpy(m.Data(), values, sizeof values);
  const std::wstring header = L"# Quor, spectral data\n# Трс 1\nno hash\n";

  for (const unsigned flags : {0u, unsigned(mfCommaSeparated)}) {
    const fs::path path = dir / (flags ? "m.csv" : "m.trs");
    ASSERT_EQ(SaveCustomMatrixToFile(path.wstring(), m, flags, header), mrOk);
    CDoubleMatrix read;
    std::wstring readHeader;
    ASSERT_EQ(LoadCustomMatrixFromFile(path.wstring(), read, 0, &readHeader), mrOk);
    EXPECT_TRUE(SameValues(read, m)) << "flags " << flags;
    EXPECT_EQ(readHeader, L"# Quor, spectral data\n# Трс 1\n# no hash\n");
    const SFileBytes text = ReadWholeFile(path.string());
    EXPECT_NE(text.View().find(flags ? "\nnan,0.1,-0,1e-300\n" : "\nnan 0.1 -0 1e-300\n"), std::string::npos) << text.View();
  }

  // Lines longer than the reader's block and lines across its blocks.
  CDoubleMatrix big(3, 70000);
  for (std::size_t i = 0; i < 3 * 70000; ++i) big.Data()[i] = -80.0 - 1.0 / static_cast<double>(i + 3);
  ASSERT_EQ(SaveCustomMatrixToFile((dir / "big").wstring(), big), mrOk);
  CDoubleMatrix bigRead;
  ASSERT_EQ(LoadCustomMatrixFromFile((dir / "big").wstring(), bigRead), mrOk);
  EXPECT_TRUE(SameValues(bigRead, big));
}

TEST(MatrixFile, ReadsTheLooseFormsOfHandWrittenFiles) {
  const fs::path dir = FreshDir("matrix-loose");
  WriteText(dir / "a.txt", "\xEF\xBB\xBF# header\r\n\r\n  1\t+2 ,3,\r\n# between\n4, 5 6\n\n1e400 -1e400 1e-400");
  CDoubleMatrix m;
  std::wstring header;
  ASSERT_EQ(LoadCustomMatrixFromFile((dir / "a.txt").wstring(), m, 0, &header), mrOk);
  const double inf = std::numeric_limits<double>::infinity();
  CDoubleMatrix expected;
  ASSERT_TRUE(expected.Assign(3, 3, {1, 2, 3, 4, 5, 6, inf, -inf, 0}));
  EXPECT_EQ(m, expected);
  EXPECT_EQ(header, L"# header\n# between\n");

  WriteText(dir / "empty.txt", "# only a header\n");
  ASSERT_EQ(LoadCustomMatrixFromFile((dir / "empty.txt").wstring(), m), mrOk);
  EXPECT_TRUE(m.Empty());
}

TEST(MatrixFile, FailuresGiveCodesWithTheLineInTheLogAndKeepTheMatrix) {
  const fs::path dir = FreshDir("matrix-bad");
  CDoubleMatrix m(1, 1, 42);
  LogCapture log;
  const struct { const char* name; const char* text; EMatrixResult result; const wchar_t* logged; } cases[] = {
      {"missing.txt", nullptr, mrFileNotFound, L"missing.txt"},
      {"", nullptr, mrReadError, L"Is a directory"},
      {"word.txt", "# h\n1 2\n3 abc\n", mrNotANumber, L"line 3, column 3: \"abc\""},
      {"suffix.txt", "1 2.5x\n", mrNotANumber, L"line 1, column 3: \"2.5x\""},
      {"field.csv", "1,2\n3,,4\n", mrNotANumber, L"line 2"},
      {"ragged.txt", "1 2\n3 4\n\n5\n", mrRaggedRows, L"line 4 has 1 values instead of 2"},
  };
  for (const auto& c : cases) {
    if (c.text) WriteText(dir / c.name, c.text);
    EXPECT_EQ(LoadCustomMatrixFromFile((dir / c.name).wstring(), m), c.result) << c.name;
    EXPECT_TRUE(log.Saw(L"Matrix", c.logged)) << c.name;
  }
  EXPECT_EQ(m, CDoubleMatrix(1, 1, 42));

  // What a failed save leaves behind is CAtomicFile's business (see XMLDocument.SaveIsAtomic).
  EXPECT_EQ(SaveCustomMatrixToFile((dir / "no" / "m.txt").wstring(), m), mrWriteError);
  EXPECT_TRUE(log.Saw(L"Matrix", L"Cannot write"));
}
