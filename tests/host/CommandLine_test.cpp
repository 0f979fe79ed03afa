// The demo's command line: values are taken in both spellings, and every mistake is refused
// with a message naming its option instead of being turned into some default.
#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

std::string Refusal(const std::vector<std::string>& args) {
  SDemoOptions options;
  std::string error;
  return ParseDemoCommandLine(args, options, error) ? std::string("accepted") : error;
}

}  // namespace

TEST(DemoCommandLine, ReadsEveryOptionInBothSpellings) {
  SDemoOptions o;
  std::string error;
  ASSERT_TRUE(ParseDemoCommandLine({"--points", "100001", "--rate=20", "--offscreen", "--duration", "5",
                                    "--snapshot=out.SVG", "--theme", "black", "--filters", "QUANTITY,MOVING_AVERAGE",
                                    "--layout", "a.xml", "--touch"},
                                   o, error))
      << error;
  EXPECT_EQ(o.points, 100001);
  EXPECT_EQ(o.rate, 20);
  EXPECT_TRUE(o.offscreen);
  EXPECT_EQ(o.duration, 5);
  EXPECT_EQ(o.snapshot, "out.SVG");
  EXPECT_EQ(o.theme, 1);
  EXPECT_EQ(o.filters, (std::vector<std::wstring>{L"QUANTITY", L"MOVING_AVERAGE"}));
  EXPECT_EQ(o.layout, "a.xml");
  EXPECT_TRUE(o.touch);

  SDemoOptions defaults;
  ASSERT_TRUE(ParseDemoCommandLine({"-h", "--version", "--theme", "auto"}, defaults, error));
  EXPECT_TRUE(defaults.help && defaults.version);
  EXPECT_EQ(defaults.theme, -1);
  EXPECT_EQ(defaults.points, 1601);
}

TEST(DemoCommandLine, RefusesBadValuesNamingTheOption) {
  EXPECT_EQ(Refusal({"--rate", "high"}), "--rate: \"high\" is not a number");
  EXPECT_EQ(Refusal({"--rate", "0"}), "--rate: 0 is out of range (0.1 to 200)");
  EXPECT_EQ(Refusal({"--rate", "nan"}), "--rate: \"nan\" is not a number");
  EXPECT_EQ(Refusal({"--points", "1"}), "--points: 1 is out of range (2 to 1000001)");
  EXPECT_EQ(Refusal({"--points=2.5"}), "--points: \"2.5\" is not a whole number");
  EXPECT_EQ(Refusal({"--points", ""}), "--points: \"\" is not a whole number");
  EXPECT_EQ(Refusal({"--points", "99999999999999999999"}), "--points: \"99999999999999999999\" is not a whole number");
  EXPECT_EQ(Refusal({"--offscreen", "--sweeps", "-3"}), "--sweeps: -3 is out of range (1 to 1000000)");
  EXPECT_EQ(Refusal({"--offscreen", "--snapshot", "a.jpg"}), "--snapshot: \"a.jpg\" must end in .png, .svg or .pdf");
  EXPECT_EQ(Refusal({"--theme", "dark"}), "--theme: \"dark\" is not a theme (auto, standard, black or retro)");
  EXPECT_EQ(Refusal({"--filters", "A,,B"}), "--filters: \"A,,B\" is not a comma-separated list of filter names");
}

TEST(DemoCommandLine, RefusesUnknownMissingAndMisplacedOptions) {
  EXPECT_EQ(Refusal({"--colour"}), "unknown option --colour");
  EXPECT_EQ(Refusal({"demo.png"}), "unexpected argument \"demo.png\"");
  EXPECT_EQ(Refusal({"--points"}), "--points needs a value");
  EXPECT_EQ(Refusal({"--offscreen=yes"}), "--offscreen takes no value");
  EXPECT_EQ(Refusal({"--sweeps", "5"}), "--sweeps applies only with --offscreen");
  EXPECT_EQ(Refusal({"--offscreen", "--sweeps", "5", "--duration", "2"}), "--sweeps and --duration exclude each other");
}
