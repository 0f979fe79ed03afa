// Touchstone files: the real measurement files, written text of both versions, round trips and
// broken input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "common/Text.h"
#include "support/Capture.h"
#include "support/TempDir.h"
#include "traces/Touchstone.h"

namespace fs = std::filesystem;

namespace {

using Complex = std::complex<double>;

std::string DataFolder() {
  const char* root = std::getenv("PLOTVANE_SOURCE_DIR");
  return root == nullptr ? std::string() : std::string(root) + "/../shared/data/touchstone/";
}

// The numbers of the first and the last data line of a file, read here without the module.
struct SFileLines {
  std::vector<double> first;
  std::vector<double> last;
};

SFileLines FirstAndLastDataLines(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  SFileLines lines;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('!'));
    if (line.find_first_not_of(" \t\r") == std::string::npos || line.find('#') != std::string::npos) continue;
    std::istringstream numbers(line);
    std::vector<double> values;
    for (double v; numbers >> v;) values.push_back(v);
    if (lines.first.empty()) lines.first = values;
    lines.last = values;
  }
  return lines;
}

Complex FromFile(double a, double b, const std::string& format) {
  const double radians = b * std::numbers::pi / 180.0;
  if (format == "RI") return {a, b};
  const double magnitude = format == "DB" ? std::pow(10.0, a / 20.0) : a;
  return {magnitude * std::cos(radians), magnitude * std::sin(radians)};
}

// Compares a point of the loaded data with a data line of the file (one line per point, two-port
// order N11 N21 N12 N22). RI values must be the same doubles.
void ExpectPoint(const STouchstoneData& data, std::size_t point, const std::vector<double>& line, double unit,
                 const std::string& format) {
  ASSERT_EQ(line.size(), 1 + 2 * data.ports * data.ports);
  EXPECT_DOUBLE_EQ(data.frequencies[point], line[0] * unit);
  const std::size_t rows[] = {0, 1, 0, 1};
  const std::size_t cols[] = {0, 0, 1, 1};
  for (std::size_t k = 0; k < data.ports * data.ports; ++k) {
    const Complex expected = FromFile(line[1 + 2 * k], line[2 + 2 * k], format);
    const Complex got = data.At(point, rows[k], cols[k]);
    if (format == "RI") {
      EXPECT_EQ(got, expected) << "pair " << k;
    } else {
      EXPECT_NEAR(got.real(), expected.real(), 1e-12 * std::abs(expected)) << "pair " << k;
      EXPECT_NEAR(got.imag(), expected.imag(), 1e-12 * std::abs(expected)) << "pair " << k;
    }
  }
}

bool SameWithin(Complex a, Complex b, double relative) { return std::abs(a - b) <= relative * std::abs(b); }

// A network with values that take every digit and every quadrant of the angle.
STouchstoneData Sample(std::size_t ports, std::size_t points) {
  STouchstoneData data;
  data.ports = ports;
  data.reference.assign(ports, 50.0);
  for (std::size_t p = 0; p < points; ++p) {
    data.frequencies.push_back(1e9 / 3.0 * static_cast<double>(p + 1) + 0.1);
    for (std::size_t k = 0; k < ports * ports; ++k) {
      const double x = static_cast<double>(p * ports * ports + k + 1);
      data.values.push_back(std::polar(1.0 / (x + 1.0 / 7.0), x * 2.3 - 3.0));
    }
  }
  data.values[data.values.size() / 2] = {-0.1, 0.0};  // on the negative real axis, angle 180°
  return data;
}

}  // namespace

TEST(Touchstone, RealFilesLoadAsTheirTextSays) {
  const std::string folder = DataFolder();
  if (folder.empty() || !fs::is_directory(folder)) GTEST_SKIP() << "no Touchstone files at " << folder;
  struct SCase {
    const char* name;
    std::size_t ports;
    std::size_t points;
    double first;  // Hz
    double last;
    double unit;
    const char* format;
  };
  const SCase cases[] = {
      {"ntwk4.s2p", 2, 301, 70e9, 85e9, 1.0, "RI"},          // CRLF, tabs, a trailing tab
      {"fet.s2p", 2, 101, 30e9, 40e9, 1.0, "RI"},            // not reciprocal: shows the pair order
      {"tlinp.s2p", 2, 201, 10e6, 1000e6, 1e6, "DB"},        // MHz, dB/angle
      {"cpw_t0um.s2p", 2, 100, 0.2e9, 20e9, 1.0, "MA"},      // "hz" and "ma" in lower case
      {"ring_slot.s2p", 2, 201, 75e9, 110e9, 1e9, "RI"},
      {"tier1_load.s1p", 1, 401, 500e9, 750e9, 1e9, "RI"},
      {"tier1_ds.s1p", 1, 401, 500e9, 750e9, 1e9, "RI"},
      {"short_10ps_dc_40g.s1p", 1, 5, 0.0, 40e9, 1.0, "RI"},  // CRLF, a DC point
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder + c.name;
    STouchstoneData data;
    const STouchstoneResult result = LoadTouchstone(Utf8ToWide(path), data);
    ASSERT_TRUE(result) << WideToUtf8(result.description);
    EXPECT_EQ(data.ports, c.ports);
    EXPECT_EQ(data.parameter, tpS);
    EXPECT_EQ(data.reference, std::vector<double>(c.ports, 50.0));
    ASSERT_EQ(data.Points(), c.points);
    ASSERT_EQ(data.values.size(), c.points * c.ports * c.ports);
    EXPECT_DOUBLE_EQ(data.frequencies.front(), c.first);
    EXPECT_DOUBLE_EQ(data.frequencies.back(), c.last);
    EXPECT_TRUE(std::is_sorted(data.frequencies.begin(), data.frequencies.end()));
    const SFileLines lines = FirstAndLastDataLines(path);
    ExpectPoint(data, 0, lines.first, c.unit, c.format);
    ExpectPoint(data, data.Points() - 1, lines.last, c.unit, c.format);
  }

  // Reciprocal in the file, so the two transmissions must be the very same doubles.
  STouchstoneData ntwk4;
  ASSERT_TRUE(LoadTouchstone(Utf8ToWide(folder + "ntwk4.s2p"), ntwk4));
  for (std::size_t p = 0; p < ntwk4.Points(); ++p) EXPECT_EQ(ntwk4.At(p, 0, 1), ntwk4.At(p, 1, 0));
}

TEST(Touchstone, Version1OptionLineAndLayouts) {
  STouchstoneData data;
  // Defaults GHz S MA R 50; fields in any order and case.
  ASSERT_TRUE(ParseTouchstone("#\n1 0.5 90\n", data, 1));
  EXPECT_DOUBLE_EQ(data.frequencies[0], 1e9);
  EXPECT_NEAR(data.At(0, 0, 0).imag(), 0.5, 1e-15);
  EXPECT_NEAR(data.At(0, 0, 0).real(), 0.0, 1e-15);
  ASSERT_TRUE(ParseTouchstone("! header\n  # r 75 ri KHz s  ! trailing comment\n\t2\t0.25\t-1\t\n", data, 1));
  EXPECT_DOUBLE_EQ(data.frequencies[0], 2e3);
  EXPECT_EQ(data.At(0, 0, 0), Complex(0.25, -1));
  EXPECT_EQ(data.reference, std::vector<double>{75.0});

  // Version 1 Z values are normalised to R; the data holds ohms.
  ASSERT_TRUE(ParseTouchstone("# Hz Z RI R 25\n1 2 -1\n", data, 1));
  EXPECT_EQ(data.parameter, tpZ);
  EXPECT_EQ(data.At(0, 0, 0), Complex(50, -25));

  // Three ports: row by row, a frequency starts each point, rows continue on lines of their own.
  const char* threePort =
      "# MHz S RI R 50\n"
      "1 11 0 12 0 13 0\n"
      "  21 0 22 0 23 0\n"
      "  31 0 32 0 33 0\n"
      "2 111 0 112 0\n"
      "  113 0 121 0 122 0 123 0 131 0\n"
      "  132 0 133 0\n";
  ASSERT_TRUE(ParseTouchstone(threePort, data, 3));
  ASSERT_EQ(data.Points(), 2u);
  EXPECT_EQ(data.At(0, 1, 2), Complex(23, 0));
  EXPECT_EQ(data.At(0, 2, 0), Complex(31, 0));
  EXPECT_EQ(data.At(1, 0, 2), Complex(113, 0));
  EXPECT_EQ(data.At(1, 2, 2), Complex(133, 0));

  // A two-port noise block (frequencies starting again) is left out with a log line.
  LogCapture log;
  const char* withNoise =
      "# GHz S RI R 50\n"
      "1 1 0 2 0 3 0 4 0\n"
      "2 5 0 6 0 7 0 8 0\n"
      "1 0.5 0.1 20 0.3\n"
      "2 0.6 0.2 25 0.3\n";
  ASSERT_TRUE(ParseTouchstone(withNoise, data, 2));
  EXPECT_EQ(data.Points(), 2u);
  EXPECT_EQ(data.At(1, 1, 0), Complex(6, 0));
  EXPECT_EQ(data.At(1, 0, 1), Complex(7, 0));
  EXPECT_TRUE(log.Saw(L"Trace", L"noise"));
}

TEST(Touchstone, Version2Keywords) {
  const auto twoPort = [](const char* order) {
    return std::string("[Version] 2.0\n# GHz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] ") + order +
           "\n[Number of Frequencies] 1\n[Reference]\n 50 75 ! one per port, on the next line\n"
           "[Network Data]\n1 11 0 2 0 3 0 22 0\n[End]\nanything after the end\n";
  };
  STouchstoneData data;
  ASSERT_TRUE(ParseTouchstone(twoPort("12_21"), data, 0));
  EXPECT_EQ(data.ports, 2u);
  EXPECT_EQ(data.reference, (std::vector<double>{50, 75}));
  EXPECT_EQ(data.At(0, 0, 1), Complex(2, 0));
  EXPECT_EQ(data.At(0, 1, 0), Complex(3, 0));
  ASSERT_TRUE(ParseTouchstone(twoPort("21_12"), data, 0));
  EXPECT_EQ(data.At(0, 1, 0), Complex(2, 0));
  EXPECT_EQ(data.At(0, 0, 1), Complex(3, 0));
  EXPECT_EQ(data.At(0, 1, 1), Complex(22, 0));

  // Three ports, rows wrapped anywhere; noise data and the information block are skipped.
  const char* threePort =
      "! made by hand\n"
      "[Version] 2.0\n"
      "# Hz Y RI R 50\n"
      "[Number of Ports] 3\n"
      "[Number of Frequencies] 2\n"
      "[Begin Information]\n[Instrument] anything\n[End Information]\n"
      "[Network Data]\n"
      "10 1 -1 2 -2\n 3 -3\n 4 -4 5 -5 6 -6\n 7 -7 8 -8 9 -9\n"
      "20 11 0 12 0 13 0 21 0 22 0 23 0 31 0 32 0 33 0\n"
      "[Noise Data]\n10 1 2 3 4\n"
      "[End]\n";
  ASSERT_TRUE(ParseTouchstone(threePort, data, 0));
  EXPECT_EQ(data.parameter, tpY);
  EXPECT_EQ(data.reference, std::vector<double>(3, 50.0));
  EXPECT_EQ(data.frequencies, (std::vector<double>{10, 20}));
  EXPECT_EQ(data.At(0, 0, 2), Complex(3, -3));  // not normalised in version 2
  EXPECT_EQ(data.At(0, 1, 0), Complex(4, -4));
  EXPECT_EQ(data.At(0, 2, 2), Complex(9, -9));
  EXPECT_EQ(data.At(1, 2, 1), Complex(32, 0));

  // A lower triangle fills the symmetric matrix.
  const char* lower =
      "[Version] 2.0\n# Hz S RI\n[Number of Ports] 3\n[Number of Frequencies] 1\n[Matrix Format] Lower\n"
      "[Network Data]\n5 11 0\n 21 0 22 0\n 31 0 32 0 33 0\n[End]\n";
  ASSERT_TRUE(ParseTouchstone(lower, data, 0));
  EXPECT_EQ(data.At(0, 0, 2), Complex(31, 0));
  EXPECT_EQ(data.At(0, 2, 0), Complex(31, 0));
  EXPECT_EQ(data.At(0, 1, 2), Complex(32, 0));
}

TEST(Touchstone, RoundTripsInBothVersionsAndEveryFormat) {
  const fs::path dir = FreshDir("touchstone-roundtrip");
  for (const std::size_t ports : {1u, 2u, 3u, 5u}) {
    STouchstoneData original = Sample(ports, 7);
    for (const int version : {1, 2}) {
      for (const ETouchstoneFormat format : {tfRI, tfMA, tfDB}) {
        SCOPED_TRACE(testing::Message() << ports << " ports, version " << version << ", format " << format);
        // A name without .sNp: version 1 needs the port count given.
        const std::wstring path = Utf8ToWide((dir / "net.txt").string());
        ASSERT_TRUE(SaveTouchstone(path, original, version, format));
        STouchstoneData back;
        const STouchstoneResult result = LoadTouchstone(path, back, ports);
        ASSERT_TRUE(result) << WideToUtf8(result.description);
        EXPECT_EQ(back.ports, ports);
        EXPECT_EQ(back.reference, original.reference);
        EXPECT_EQ(back.frequencies, original.frequencies);
        ASSERT_EQ(back.values.size(), original.values.size());
        for (std::size_t i = 0; i < original.values.size(); ++i) {
          if (format == tfRI)
            EXPECT_EQ(back.values[i], original.values[i]) << i;
          else
            EXPECT_PRED3(SameWithin, back.values[i], original.values[i], 1e-12) << i;
        }
      }
    }
  }

  // Version 2 keeps per-port references; Z stays in ohms through version 1's normalisation.
  STouchstoneData z = Sample(2, 3);
  z.parameter = tpZ;
  z.reference = {75.0, 75.0};
  const std::wstring v1 = Utf8ToWide((dir / "z.s2p").string());
  ASSERT_TRUE(SaveTouchstone(v1, z, 1, tfMA));
  STouchstoneData back;
  ASSERT_TRUE(LoadTouchstone(v1, back));
  EXPECT_EQ(back.parameter, tpZ);
  for (std::size_t i = 0; i < z.values.size(); ++i) EXPECT_PRED3(SameWithin, back.values[i], z.values[i], 1e-12);
  z.reference = {50.0, 25.0};
  const std::wstring v2 = Utf8ToWide((dir / "z.ts").string());
  ASSERT_TRUE(SaveTouchstone(v2, z, 2, tfRI));
  ASSERT_TRUE(LoadTouchstone(v2, back));
  EXPECT_EQ(back.reference, z.reference);
  EXPECT_EQ(back.values, z.values);
}

TEST(Touchstone, SavingRefusesWhatItCannotWrite) {
  const fs::path dir = FreshDir("touchstone-save");
  STouchstoneData mixed = Sample(2, 2);
  mixed.reference = {50.0, 75.0};
  const fs::path target = dir / "mixed.s2p";
  EXPECT_EQ(SaveTouchstone(Utf8ToWide(target.string()), mixed, 1, tfRI).status, tsInvalidData);
  STouchstoneData ragged = Sample(2, 2);
  ragged.values.pop_back();
  EXPECT_EQ(SaveTouchstone(Utf8ToWide(target.string()), ragged, 2, tfRI).status, tsInvalidData);
  EXPECT_EQ(SaveTouchstone(Utf8ToWide(target.string()), Sample(1, 1), 3, tfRI).status, tsInvalidData);
  EXPECT_FALSE(fs::exists(target));

  // An old file survives a failed write and the folder keeps no temporary file.
  const STouchstoneResult missing =
      SaveTouchstone(Utf8ToWide((dir / "no-such-folder" / "x.s1p").string()), Sample(1, 1), 1, tfRI);
  EXPECT_EQ(missing.status, tsWriteError);
  EXPECT_FALSE(missing.description.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);
}

TEST(Touchstone, BrokenInputGivesItsErrorAndLine) {
  struct SCase {
    const char* what;
    const char* text;
    std::size_t ports;
    ETouchstoneStatus status;
    std::size_t line;
  };
  const SCase cases[] = {
      {"empty file", "", 2, tsNoData, 0},
      {"only comments", "! nothing\n# GHz S RI R 50\n\n", 2, tsNoData, 0},
      {"a number missing", "# GHz S RI R 50\n1 1 0 2 0 3 0 4 0\n2 1 0 2 0 3 0 4\n", 2, tsWrongCount, 3},
      {"a number too many", "# GHz S RI R 50\n1 1 0 2\n", 1, tsWrongCount, 2},
      {"a letter in a number", "# GHz S RI R 50\n1 1 0 2 0 3 0 4 0\n2 1 0 2 0 3x 0 4 0\n", 2, tsNotANumber, 3},
      {"a three-port point cut short", "# GHz S RI\n1 1 0 2 0 3 0\n 4 0 5 0 6 0\n 7 0 8 0\n", 3, tsWrongCount, 4},
      {"a three-port row too long", "# GHz S RI\n1 1 0 2 0 3 0 4 0\n 5 0 6 0\n 7 0 8 0 9 0\n2 1 0\n", 3, tsWrongCount, 5},
      {"data before the option line", "1 0.5 0\n# GHz S RI R 50\n", 1, tsBadOptionLine, 1},
      {"an unknown option", "# GHz S XY R 50\n1 0.5 0\n", 1, tsBadOptionLine, 1},
      {"R without resistance", "# GHz S RI R\n1 0.5 0\n", 1, tsBadOptionLine, 1},
      {"H parameters", "# GHz H RI R 50\n1 0.5 0\n", 1, tsUnsupported, 1},
      {"falling frequencies", "# GHz S RI\n2 0.5 0\n1 0.5 0\n", 1, tsFrequencyOrder, 3},
      {"no port count", "# GHz S RI\n1 0.5 0\n", 0, tsUnknownPorts, 0},
      {"a keyword in version 1", "# GHz S RI\n[Number of Ports] 1\n1 0.5 0\n", 1, tsBadKeyword, 2},
      {"version 3", "[Version] 3.0\n# GHz S RI\n", 0, tsUnsupported, 1},
      {"frequency count disagrees",
       "[Version] 2.0\n# GHz S RI\n[Number of Ports] 1\n[Number of Frequencies] 3\n[Network Data]\n1 1 0\n2 1 0\n[End]\n", 0,
       tsWrongCount, 4},
      {"two-port without data order",
       "[Version] 2.0\n# GHz S RI\n[Number of Ports] 2\n[Number of Frequencies] 1\n[Network Data]\n1 1 0 2 0 3 0 4 0\n", 0,
       tsBadKeyword, 5},
      {"too few references",
       "[Version] 2.0\n# GHz S RI\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n[Reference] 50\n"
       "[Number of Frequencies] 1\n[Network Data]\n1 1 0 2 0 3 0 4 0\n",
       0, tsBadKeyword, 5},
      {"an unknown keyword", "[Version] 2.0\n# GHz S RI\n[Number of Ports] 1\n[Frobnicate] 1\n", 0, tsBadKeyword, 4},
      {"mixed mode", "[Version] 2.0\n# GHz S RI\n[Number of Ports] 4\n[Mixed-Mode Order] D2,1 D4,3\n", 0, tsUnsupported, 4},
      {"a port count beyond any instrument",
       "[Version] 2.0\n# GHz S RI\n[Number of Ports] 1000000000\n[Number of Frequencies] 1\n[Network Data]\n1 1 0\n", 0,
       tsWrongCount, 6},
      {"data outside network data", "[Version] 2.0\n# GHz S RI\n[Number of Ports] 1\n1 1 0\n", 0, tsBadKeyword, 4},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.what);
    STouchstoneData data = Sample(1, 1);  // must stay as it was
    const STouchstoneResult result = ParseTouchstone(c.text, data, c.ports);
    EXPECT_EQ(result.status, c.status) << WideToUtf8(result.description);
    EXPECT_EQ(result.line, c.line);
    EXPECT_FALSE(result.description.empty());
    if (c.line != 0) {
      EXPECT_NE(result.description.find(std::to_wstring(c.line)), std::wstring::npos);
    }
    EXPECT_EQ(data.values, Sample(1, 1).values);
  }

  const fs::path dir = FreshDir("touchstone-broken");
  STouchstoneData data;
  EXPECT_EQ(LoadTouchstone(Utf8ToWide((dir / "absent.s2p").string()), data).status, tsFileNotFound);
  EXPECT_EQ(LoadTouchstone(Utf8ToWide(dir.string()), data, 1).status, tsReadError);
  EXPECT_EQ(data.Points(), 0u);
}

TEST(Touchstone, NamesAndCurvesOfParameters) {
  EXPECT_EQ(ParameterName(0, 0), L"S11");
  EXPECT_EQ(ParameterName(1, 0), L"S21");
  EXPECT_EQ(ParameterName(0, 1, tpZ), L"Z12");
  EXPECT_EQ(ParameterName(9, 0), L"S10_1");

  STouchstoneData data = Sample(2, 4);
  const STouchstoneCurve s21 = ExtractParameter(data, 1, 0);
  ASSERT_EQ(s21.frequency, data.frequencies);
  ASSERT_EQ(s21.re.size(), 4u);
  ASSERT_EQ(s21.im.size(), 4u);
  for (std::size_t p = 0; p < 4; ++p) EXPECT_EQ(Complex(s21.re[p], s21.im[p]), data.At(p, 1, 0));

  AssertCapture asserts;
  EXPECT_TRUE(ExtractParameter(data, 2, 0).frequency.empty());
  EXPECT_EQ(asserts.Count(), 1u);
}
