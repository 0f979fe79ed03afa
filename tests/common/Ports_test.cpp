#include <gtest/gtest.h>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "common/UserInteraction.h"
#include "support/Capture.h"

namespace {
struct Widget {
  int Get(int i) {
    if (!PV_ASSERT(i >= 0)) return -1;
    return i;
  }
};
}  // namespace

TEST(Assert, ReportsConditionQualifiedFunctionFileAndLineAndYieldsTheCondition) {
  AssertCapture asserts;
  LogCapture log;
  Widget w;
  EXPECT_EQ(w.Get(3), 3);
  EXPECT_EQ(asserts.Count(), 0u);
  EXPECT_EQ(w.Get(-1), -1);
  ASSERT_EQ(asserts.Count(), 1u);
  const SAssertReport& r = asserts.Reports()[0];
  EXPECT_EQ(r.condition, "i >= 0");
  EXPECT_EQ(r.function, "{anonymous}::Widget::Get");
  EXPECT_EQ(r.file, "Ports_test.cpp");
  EXPECT_GT(r.line, 0);
  EXPECT_FALSE(r.date.empty());
  EXPECT_TRUE(log.Saw(L"Assert", L"i >= 0"));
}

TEST(Assert, QualifiedNamesFromPrettyFunctions) {
  EXPECT_EQ(QualifiedFunctionName("int CDiagram::GetTraceList(int) const"), "CDiagram::GetTraceList");
  EXPECT_EQ(QualifiedFunctionName("void GetColorTheme(unsigned int)"), "GetColorTheme");
  EXPECT_EQ(QualifiedFunctionName("std::vector<std::pair<int, int> > A<B, C>::Make(int)"), "A<B, C>::Make");
  EXPECT_EQ(QualifiedFunctionName("bool S::operator()(int) const"), "S::operator()");
}

TEST(Assert, MessageAndHookRestore) {
  {
    AssertCapture outer;
    {
      AssertCapture inner;
      PV_ASSERT_MSG(1 == 2, "Metrics not registered");
      EXPECT_TRUE(inner.Saw("Metrics not registered"));
      EXPECT_TRUE(inner.Saw("1 == 2"));
    }
    PV_ASSERT(false);
    EXPECT_EQ(outer.Count(), 1u);
  }
}

TEST(Log, RotatingFileSinkWritesUtf8Lines) {
  const std::string path = testing::TempDir() + "plotvane-log-test.log";
  std::remove(path.c_str());
  {
    auto sink = MakeRotatingFileLogSink(path, 1 << 20, 2, false);
    auto previous = SetLogSink(sink);
    LogMessage(L"Factory", L"Загружен модуль FilterQuantity.so");
    LogMessage(L"Control", L"ошибка", true);
    SetLogSink(previous);
  }
  FILE* f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char buffer[4096] = {};
  const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  const std::string text(buffer, n);
  EXPECT_NE(text.find("[Factory] Загружен модуль FilterQuantity.so"), std::string::npos);
  EXPECT_NE(text.find("error [Control] ошибка"), std::string::npos);
}

TEST(UserInteraction, HeadlessAnswersWithTheDefaultButtonAndLogs) {
  LogCapture log;
  EXPECT_EQ(QuorMessageBox(nullptr, L"Текст", L"Ошибка", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_TRUE(log.Saw(L"Message", L"Ошибка: Текст"));
  EXPECT_EQ(QuorMessageBox(nullptr, L"?", L"", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(QuorMessageBox(nullptr, L"?", L"", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(QuorMessageBox(nullptr, L"?", L"", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  EXPECT_EQ(QuorMessageBox(nullptr, L"?", L"", MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
  double value = 5;
  EXPECT_FALSE(UserInteraction().QueryNumber(nullptr, L"", L"", value));
  EXPECT_EQ(value, 5);
}

TEST(UserInteraction, ScriptAnswersAndRecords) {
  UserInteractionScript script;
  script->boxAnswers = {IDNO};
  script->numberAnswers = {2.5};
  EXPECT_FALSE(QuorQuestion(nullptr, L"Удалить?", L"Диаграмма"));
  EXPECT_TRUE(QuorQuestion(nullptr, L"Удалить?", L"Диаграмма"));  // queue empty: default button
  ASSERT_EQ(script->boxes.size(), 2u);
  EXPECT_EQ(script->boxes[0].flags, MB_YESNO | MB_ICONQUESTION);
  double value = 0;
  EXPECT_TRUE(UserInteraction().QueryNumber(nullptr, L"", L"", value));
  EXPECT_EQ(value, 2.5);
  EXPECT_FALSE(UserInteraction().QueryNumber(nullptr, L"", L"", value));
}

TEST(Settings, OptionsAndTypedUserValues) {
  auto previous = SetSettings(nullptr);
  EXPECT_FALSE(GetOption(L"SRP_STEALTH"));
  Settings().SetOption(L"SRP_STEALTH", true);
  EXPECT_TRUE(GetOption(L"SRP_STEALTH"));
  EXPECT_EQ(GetUserInt(L"AntiAliasing", 1), 1);
  SetUserInt(L"AntiAliasing", 0);
  EXPECT_EQ(GetUserInt(L"AntiAliasing", 1), 0);
  Settings().SetValue(L"AlphaBlendDepth", L"999");
  EXPECT_EQ(GetAlphaBlendDepth(), 255);
  Settings().SetValue(L"AlphaBlendDepth", L"abc");
  EXPECT_EQ(GetAlphaBlendDepth(), 220);
  SetUserBool(L"TouchScreen", true);
  EXPECT_TRUE(GetTouchScreenEnabled());
  EXPECT_EQ(GetBaseFontName(), L"Sans Serif");
  SetSettings(previous);
}
