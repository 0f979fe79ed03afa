#include "common/Units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <tuple>

#include "common/Text.h"
#include "support/Capture.h"

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

TEST(Units, RoundTo) {
  // mode 0: nearest, ties away from zero; 1: toward −inf; 2: toward +inf.
  const struct { double value; int digits, mode; double expected; } cases[] = {
      {165, 1, 0, 170}, {-165, 1, 0, -170}, {164.9, 1, 0, 160}, {165, 1, 1, 160}, {-161, 1, 1, -170}, {161, 1, 2, 170},
      {-169, 1, 2, -160}, {160, 1, 1, 160}, {160, 1, 2, 160}, {1.23456, -3, 0, 1.235}, {999.96, -1, 0, 1000},
      {-999.96, -1, 0, -1000}, {5, 3, 2, 1000},
      // Everything below the place rounded to.
      {0.4, 0, 0, 0}, {0.5, 0, 0, 1}, {0.04, 0, 0, 0}, {0.04, 0, 2, 1}, {-0.04, 0, 1, -1}, {-0.04, 0, 2, 0},
      // The decimal value shown counts, not its binary noise (2.675 is stored as 2.67499999…); below the
      // 15th digit the value is kept as it is.
      {2.675, -2, 0, 2.68}, {1.005, -2, 0, 1.01}, {0.3000000000000004, -15, 0, 0.3}, {0.1 + 0.2, -15, 0, 0.3},
      {0.1 * 3, -1, 1, 0.3}, {2.9999999999999996, 0, 1, 3}, {1.15e-9, -11, 0, 1.15e-9}, {1234567.891, -2, 0, 1234567.89},
      {0.3000000000000004, -16, 0, 0.3000000000000004}, {0.1 + 0.2, -20, 1, 0.1 + 0.2},
      // Extremes; large digits must not go through a binary 10^digits.
      {kInf, 2, 1, kInf}, {-kInf, -2, 2, -kInf}, {0.0, 3, 0, 0.0}, {123.456, -400, 0, 123.456},
      {4.9e-324, -400, 1, 4.9e-324}, {123.456, 400, 0, 0}, {123.456, 400, 2, kInf}, {-123.456, 400, 1, -kInf},
      {1.7976931348623157e308, 307, 0, kInf}, {1.5e300, 300, 0, 2e300}, {1.25e-300, -301, 0, 1.3e-300},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(round_to(cases[i].value, cases[i].digits, cases[i].mode), cases[i].expected) << "case " << i;
  EXPECT_TRUE(std::isnan(round_to(kNaN, -2)));
  AssertCapture asserts;
  EXPECT_EQ(round_to(163.0, 1, 7), 160.0);  // an unknown mode is reported and rounds to nearest
  EXPECT_EQ(asserts.Count(), 1u);
}

TEST(Units, PrefixFactors) {
  const std::tuple<const wchar_t*, const wchar_t*, double> prefixes[] = {
      {L"p", L"п", 1e-12}, {L"n", L"н", 1e-9}, {L"u", L"мк", 1e-6}, {L"µ", L"мк", 1e-6}, {L"m", L"м", 1e-3},
      {L"", L"", 1.0},     {L"k", L"к", 1e3},  {L"M", L"М", 1e6},   {L"G", L"Г", 1e9},   {L"T", L"Т", 1e12}};
  for (const auto& [latin, russian, factor] : prefixes) {
    EXPECT_EQ(QuorFactorBySubMultiplyUnit(latin), factor) << latin;
    EXPECT_EQ(QuorFactorBySubMultiplyUnit(russian), factor) << russian;
  }
  for (const wchar_t* text : {L"K", L"Hz", L"GG"}) EXPECT_EQ(QuorFactorBySubMultiplyUnit(text), 0.0) << text;
}

TEST(Units, OptimalValueBoundaries) {
  const struct { double value; const wchar_t* quantity; double mantissa; int exponent; } cases[] = {
      {1.5e9, L"Hz", 1.5, 9}, {999.9999, L"Hz", 999.9999, 0}, {1000, L"Hz", 1.0, 3}, {999.99999999999994, L"Hz", 1.0, 3},
      {-2.5e-6, L"s", -2.5, -6}, {1e-9, L"s", 1.0, -9}, {1e-3, L"W", 1.0, -3}, {0.0009999999999999998, L"W", 1.0, -3},
      {1.5e-9, L"V", 1.5, -9}, {0.5, L"m", 500.0, -3}, {3e15, L"Hz", 3000.0, 12}, {2e-15, L"s", 0.002, -12},
      {1234.5, L"dBm", 1234.5, 0}, {-1e-7, L"dB", -1e-7, 0}, {0.0, L"Hz", 0.0, 0}, {5e6, L"unknown", 5e6, 0},
      {-kInf, L"Hz", -kInf, 0},
  };
  for (const auto& c : cases) {
    double m = -1;
    int e = -1;
    CalcOptimalValue(c.value, m, e, c.quantity);
    EXPECT_EQ(m, c.mantissa) << c.value;
    EXPECT_EQ(e, c.exponent) << c.value;
  }
  // Every prefix-taking value lands in range, including around each power of ten.
  for (int p = -12; p <= 14; ++p) {
    for (double f : {0.9999999999999999, 1.0, 1.0000000000000002}) {
      double m = 0, v = f * std::pow(10.0, p);
      int e = 0;
      CalcOptimalValue(v, m, e, L"Hz");
      EXPECT_GE(std::fabs(m), 1.0) << v;
      EXPECT_LT(std::fabs(m), 1000.0) << v;
      EXPECT_EQ(e % 3, 0);
      EXPECT_NEAR(m * std::pow(10.0, e), v, 1e-14 * v);
    }
  }
  double m = 0;
  int e = 5;
  CalcOptimalValue(kNaN, m, e, L"Hz");
  EXPECT_TRUE(std::isnan(m) && e == 0);
}

TEST(Units, OptimalValueStrings) {
  SetTranslationLanguage("");
  EXPECT_EQ(CalcOptimalValueString(1.5e9, L"Hz"), L"1.5 ГГц");
  EXPECT_EQ(CalcOptimalValueString(999999.9996, L"Hz"), L"1 МГц");  // rounds up into the next prefix
  EXPECT_EQ(CalcOptimalValueString(12.3456, L"Hz", 2), L"12.35 Гц");
  EXPECT_EQ(CalcOptimalValueString(-2.5e-6, L"s"), L"-2.5 мкс");
  EXPECT_EQ(CalcOptimalValueString(-0.0001, L"dBm"), L"0 дБм");
  EXPECT_EQ(CalcOptimalValueString(1234.5, L"dB", 0), L"1235 дБ");
  EXPECT_EQ(CalcOptimalValueString(0.5, L"tms"), L"0.5");
  EXPECT_EQ(CalcOptimalValueString(kNaN, L"Hz"), L"Н/Д");
  EXPECT_EQ(GetPrefixString(0) + GetPrefixString(4), L"");
}

TEST(Units, PlainConvertKnownValues) {
  // expected NaN: the conversion is undefined.
  const struct { double value; const wchar_t *from, *to; double impedance, expected; } cases[] = {
      {0, L"dBm", L"mW", 50, 1.0}, {30, L"dBm", L"W", 50, 1.0}, {0, L"dBm", L"V", 50, 0.22360679774997896},
      {0, L"dBm", L"dBV", 50, -13.010299956639812}, {0, L"dBm", L"dBuV", 50, 106.98970004336019},
      {1, L"V", L"dBuV", 50, 120.0}, {1, L"V", L"mW", 50, 20.0}, {0, L"dBm", L"V", 75, std::sqrt(0.075)},
      {1, L"W", L"dBm", -1, 30.0},  // no voltage involved, so no impedance needed
      {0, L"mW", L"W", 50, 0.0}, {-3.5, L"dBm", L"dBm", 50, -3.5},
      {0, L"mW", L"dBm", 50, kNaN}, {-1, L"mW", L"W", 50, kNaN}, {-1, L"V", L"dBV", 50, kNaN},
      {0, L"dBm", L"V", 0, kNaN}, {0, L"dBm", L"dBuV", -50, kNaN}, {0, L"dBm", L"A", 50, kNaN},
      {0, L"Hz", L"Hz", 50, kNaN}, {kNaN, L"dBm", L"mW", 50, kNaN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " " << c.from << " -> " << c.to << " at " << c.impedance);
    const double got = PlainConvert(c.value, c.from, c.to, c.impedance);
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(got));
    else
      EXPECT_NEAR(got, c.expected, 1e-15 * std::max(1.0, std::fabs(c.expected)));
  }
}

TEST(Units, PlainConvertRoundTrips) {
  const wchar_t* units[] = {L"dBm", L"mW", L"W", L"V", L"dBV", L"dBuV"};
  for (double dbm : {-150.0, -30.5, 0.0, 17.25}) {
    for (double r : {50.0, 75.0, 600.0}) {
      for (const wchar_t* a : units) {
        const double x = PlainConvert(dbm, L"dBm", a, r);
        for (const wchar_t* b : units) {
          const double back = PlainConvert(PlainConvert(x, a, b, r), b, L"dBm", r);
          EXPECT_NEAR(back, dbm, 1e-9) << a << " -> " << b << " at " << r;
        }
      }
    }
  }
}

TEST(Units, ModeTableKeepsItsNumbers) {
  // Display-format filters store the row number, so rows never move.
  const wchar_t* dst[] = {L"dB",    L"tms",   L"°",       L"Unwrapped", L"ns",  L"VSWR", L"Re",  L"Im",   L"Smith",
                          L"Polar", L"Cmplx_Z", L"Cmplx_Y", L"dBm",     L"mW",  L"dBm",  L"mW",  L"dBuV", L"V"};
  ASSERT_GE(GetModeCount(), static_cast<int>(std::size(dst)));
  for (int i = 0; i < static_cast<int>(std::size(dst)); ++i) {
    EXPECT_EQ(GetModeSrc(i), i < 12 ? L"Cmplx" : i < 14 ? L"mW/tms" : L"dBm") << i;
    EXPECT_EQ(GetModeDst(i), dst[i]) << i;
  }
  EXPECT_EQ(GetModeSrc(-1), L"");
  EXPECT_EQ(GetModeDst(GetModeCount()), L"");

  // Every format is a known quantity, and the formats of one source read differently.
  SetTranslationLanguage("");
  std::set<std::pair<std::wstring, std::wstring>> seen;
  for (int i = 0; i < GetModeCount(); ++i) {
    const std::wstring description = GetDescriptionString(GetModeDst(i));
    EXPECT_NE(description, GetModeDst(i)) << i;
    EXPECT_TRUE(seen.insert({GetModeSrc(i), description}).second) << i;
  }
}

TEST(Units, UnitsAndDescriptionsAreTranslatedTexts) {
  SetTranslationLanguage("");
  EXPECT_EQ(GetUnitsString(L"MHz"), L"МГц");
  EXPECT_EQ(GetUnitsString(L"ms"), L"мс");
  EXPECT_EQ(GetUnitsString(L"tms"), L"");
  EXPECT_EQ(GetUnitsString(L"Mdb"), L"Mdb");
  EXPECT_EQ(GetUnitsString(L"kdBm"), L"kdBm");  // dBm takes no prefix
  EXPECT_EQ(GetDescriptionString(L"dB"), L"Лог. модуль");
  EXPECT_EQ(GetDescriptionString(L"xyz"), L"xyz");
  EXPECT_EQ(GetUnitsFractionSize(L"xyz"), 3);

  SetTranslationLanguage("en");
  EXPECT_EQ(GetUnitsString(L"dBm"), Tr("дБм"));
  EXPECT_EQ(GetDescriptionString(L"Cmplx_Z"), Tr("Импеданс"));
  EXPECT_EQ(GetPrefixString(9) + GetUnitsString(L"Hz"), Tr("Г") + Tr("Гц"));
  SetTranslationLanguage("");
}
