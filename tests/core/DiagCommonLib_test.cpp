#include "core/DiagCommonLib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/Settings.h"
#include "common/Text.h"
#include "support/Capture.h"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

// The tests run in the C locale: "." separates decimals, "," groups thousands.
TEST(DoubleToStr, Formats) {
  struct Case {
    double value;
    TFloatFormat format;
    int precision;
    const wchar_t* text;
  };
  const Case cases[] = {
      // Fixed and number: twelve decimals of `precision` significant digits.
      {1.0 / 3, ffFixed, 4, L"0.333300000000"},
      {6e-13, ffFixed, 15, L"0.000000000001"},
      {-4e-13, ffFixed, 15, L"0.000000000000"},  // no "-0"
      {123456.0, ffFixed, 3, L"1.23E0005"},      // more integer digits than the precision
      {-1234567.891, ffNumber, 15, L"-1,234,567.891000000000"},
      {999.9999, ffNumber, 4, L"1,000.000000000000"},  // carry into a new digit
      {12.5, ffCurrency, 15, L"12.500000000000"},      // C has no currency sign
      // General: the shorter of fixed and scientific.
      {0.1 + 0.2, ffGeneral, 15, L"0.3"},
      {1234.5, ffGeneral, 12, L"1234.5"},
      {1.5e9, ffGeneral, 12, L"1500000000"},
      {100, ffGeneral, 3, L"100"},
      {100, ffGeneral, 2, L"1E0002"},
      {1e-5, ffGeneral, 6, L"0.00001"},
      {-1.5e-6, ffGeneral, 6, L"-1.5E-0006"},
      {-0.0, ffGeneral, 12, L"0"},
      {0.1, ffGeneral, 40, L"0.1"},  // precision capped at what a double holds
      {1234.5678, ffExponent, 4, L"1.235E+0003"},
      {-0.00012, ffExponent, 3, L"-1.20E-0004"},
      {0.0, ffExponent, 3, L"0.00E+0000"},
  };
  for (const Case& c : cases) EXPECT_EQ(DoubleToStr(c.value, c.format, c.precision), c.text) << c.value;
  for (TFloatFormat f : {ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency}) {
    EXPECT_EQ(DoubleToStr(kNaN, f, 6), L"NAN");
    EXPECT_EQ(DoubleToStr(kInf, f, 6), L"INF");
    EXPECT_EQ(DoubleToStr(-kInf, f, 6), L"-INF");
  }
}

TEST(StrToDouble, TakesPointOrCommaAndRejectsTheRest) {
  for (auto [text, value] : {std::pair{"1,5", 1.5}, {"1.5", 1.5}, {" -2.5e3 ", -2500.0}, {"+7", 7.0}})
    EXPECT_EQ(StrToDouble(text), value) << text;
  EXPECT_TRUE(std::isnan(StrToDouble("NAN")));
  EXPECT_EQ(StrToDouble("-INF"), -kInf);
  // What DoubleToStr writes reads back.
  for (double v : {1.0 / 3, -1.5e-6, 123456789.0, 1e300})
    EXPECT_NEAR(StrToDouble(WideToUtf8(DoubleToStr(v, ffGeneral, 15)).c_str()), v, std::fabs(v) * 1e-14);

  for (const char* bad : {"1.234,5", "", "   ", "abc", "1.5x", "1 5", "0x10", "+-1", "--1", "1e999"})
    EXPECT_THROW(StrToDouble(bad), EConvertError) << bad;
  EXPECT_THROW(StrToDouble(nullptr), EConvertError);
  try {
    StrToDouble("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Text(), L"12a");
    EXPECT_NE(std::string(e.what()).find("12a"), std::string::npos);
  }
}

TEST(GetNotationString, TranslatesNamesAndRecognisesTranslatedTexts) {
  EXPECT_EQ(GetNotationString(L"Time_domain", true), Tr("Врем.область"));
  EXPECT_EQ(GetNotationString(L"Time_domain", false), Tr("Временная область"));
  EXPECT_EQ(GetNotationString(L"Control", true), Tr("Управление"));  // no short text
  EXPECT_EQ(GetNotationString(L"No such page", true), L"No such page");
  EXPECT_EQ(GetNotationString(L"control", true), L"control");  // keys match exactly
  EXPECT_EQ(GetNotationString(nullptr, true), L"");

  // A channel kind already shown in English is recognised by its translation.
  SetTranslationLanguage("en");
  const std::wstring shown = Tr("Канал ДИ");
  EXPECT_EQ(GetNotationString(shown.c_str(), true), Tr("ДИ"));
  EXPECT_EQ(GetNotationString(shown.c_str(), false), shown);
  SetTranslationLanguage("");
}

TEST(ReplaceString, IgnoresCaseAndReplacesWhatReplacementsForm) {
  std::wstring text = L"TRACE1 + trace2";
  ReplaceString(text, L"Trace", L"Memory");
  EXPECT_EQ(text, L"Memory1 + Memory2");
  text = L"ТРС1 и Трс2";
  ReplaceString(text, L"трс", L"Мем");
  EXPECT_EQ(text, L"Мем1 и Мем2");
  // Each replacement joins its left neighbour into a new occurrence.
  text = L"aaab";
  ReplaceString(text, L"AB", L"b");
  EXPECT_EQ(text, L"b");

  AssertCapture asserts;
  ReplaceString(text, L"", L"y");
  EXPECT_EQ(text, L"b");
  EXPECT_EQ(asserts.Count(), 1u);
  // Replacements that would never end are reported and stop.
  text = L"Trace1 traceTRACE";
  ReplaceString(text, L"trace", L"MyTrace");  // contains the searched text: one pass
  EXPECT_EQ(text, L"MyTrace1 MyTraceMyTrace");
  EXPECT_TRUE(asserts.Saw("replacement contains the searched text"));
  text = L"aab";
  ReplaceString(text, L"ab", L"bbaa");  // regrows "ab" at every step
  EXPECT_TRUE(asserts.Saw("replacements do not come to an end"));
}

TEST(ExExtract, SplitsLikeTheRunTimeWithBothSeparators) {
  EXPECT_EQ(ExExtractFileName("C:\\data.v2\\trace.s2p"), L"trace");
  EXPECT_EQ(ExExtractFileExt("C:\\data.v2\\trace.s2p"), L"s2p");
  EXPECT_EQ(ExExtractFullFileName("C:\\data.v2\\trace.s2p"), L"trace.s2p");
  EXPECT_EQ(ExExtractFileName("/home/u/my.dir\\archive.tar.gz"), L"archive.tar");
  EXPECT_EQ(ExExtractFileExt("/dir.d/noext"), L"");
  EXPECT_EQ(ExExtractFullFileName("/dir.d/noext"), L"noext");
  EXPECT_EQ(ExExtractFileName("Трассы/Трасса 1.trc"), L"Трасса 1");
  EXPECT_EQ(ExExtractFullFileName("folder/"), L"");
  EXPECT_EQ(ExExtractFullFileName(nullptr), L"");
}

TEST(ColorTheme, BrightnessGreyscaleAndRange) {
  ASSERT_EQ(GetColorThemeCount(), 3);
  EXPECT_TRUE(GetColorTheme(0)->IsBright());
  EXPECT_FALSE(GetColorTheme(1)->IsBright());
  EXPECT_TRUE(GetColorTheme(2)->IsBright());  // #F0F0F0
  for (int slot = ctsPaletteFirst; slot < ctsPaletteFirst + ctsPaletteCount; ++slot)
    EXPECT_EQ(GetBWTheme()->colors[slot], clNone);

  EXPECT_EQ(ColorToGreyscale(RGBColor(200, 200, 200)), HexColor(0xC8C8C8));
  EXPECT_EQ(ColorToGreyscale(HexColor(0xFF0000)), HexColor(0x4C4C4C));  // 0.299 × 255
  EXPECT_EQ(ColorBrightness(clWindow), 255);
  EXPECT_EQ(ColorBrightness(SysColor(200)), 0);  // unknown system colour

  AssertCapture asserts;
  EXPECT_EQ(GetColorTheme(3), GetColorTheme(2));
  ASSERT_EQ(asserts.Count(), 1u);
  EXPECT_EQ(asserts.Reports()[0].condition, "index < GetColorThemeCount()");
  EXPECT_EQ(asserts.Reports()[0].function, "GetColorTheme");
}

TEST(GetErrorDescription, KnownCodesAndTheRest) {
  EXPECT_EQ(GetErrorDescription(drNoSuchPlugin), Tr("Плагина с таким именем нет"));
  EXPECT_EQ(GetErrorDescription(-3), Tr("Неизвестная ошибка"));
  EXPECT_EQ(GetErrorDescription(1), Tr("Неизвестная ошибка"));
}

TEST(SRPOptionEnabled, WarnsOnlyInTheRestrictedMode) {
  auto previous = SetSettings(MakeMemorySettings());
  UserInteractionScript ui;
  EXPECT_FALSE(SRPOptionEnabled(nullptr));
  EXPECT_TRUE(ui->boxes.empty());

  Settings().SetOption(L"SRP_STEALTH", true);
  EXPECT_TRUE(SRPOptionEnabled(nullptr));
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].text, Tr("Функция недоступна в режиме СРП."));
  EXPECT_EQ(ui->boxes[0].caption, Tr("Ошибка"));
  EXPECT_EQ(ui->boxes[0].flags, unsigned(MB_ICONWARNING));
  SetSettings(previous);
}
