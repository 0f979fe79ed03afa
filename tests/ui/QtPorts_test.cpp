// The Qt ports: boxes never wait for a person in automated runs, filters and settings keep
// what the engine gives them.
#include <gtest/gtest.h>

#include "support/Capture.h"
#include "support/TempDir.h"
#include "ui/QtPorts.h"
#include "ui/QtTestApp.h"

TEST(QtPorts, NoninteractiveBoxesAnswerWithTheirDefaultAndAreLogged) {
  QtTestApp();
  ASSERT_FALSE(TQtUserInteraction::Interactive());  // the suite runs offscreen
  LogCapture log;
  TQtUserInteraction ui;
  EXPECT_EQ(ui.MessageBox(nullptr, L"Сохранить?", L"Выход", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(ui.MessageBox(nullptr, L"text", L"caption", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_TRUE(log.Saw(L"Message", L"Выход: Сохранить?"));
  double number = 5;
  EXPECT_FALSE(ui.QueryNumber(nullptr, L"caption", L"prompt", number));
  EXPECT_EQ(number, 5);
  std::wstring path = L"/tmp/a.trc";
  EXPECT_FALSE(ui.SaveFileName(nullptr, L"caption", L"Traces|*.trc", path));
  EXPECT_EQ(path, L"/tmp/a.trc");

  EXPECT_EQ(ToQtFileFilter(L"Трассы|*.trc|Все|*.trc;*.txt"), QString::fromStdWString(L"Трассы (*.trc);;Все (*.trc *.txt)"));
}

TEST(QtPorts, SettingsKeepOptionsAndValues) {
  QtTestApp();
  const QString file = QString::fromStdString((FreshDir("QtPorts") / "Tellam.ini").string());
  {
    TQtSettings settings(file);
    EXPECT_FALSE(settings.GetOption(L"SRP_STEALTH"));
    settings.SetOption(L"SRP_STEALTH", true);
    settings.SetOption(L"Other", true);
    settings.SetOption(L"Other", false);
    EXPECT_FALSE(settings.GetValue(L"MarkersDir").has_value());
    settings.SetValue(L"MarkersDir", L"/home/оператор/маркеры");
    settings.SetValue(L"AntiAliasing", L"1");
  }
  TQtSettings reread(file);
  EXPECT_TRUE(reread.GetOption(L"SRP_STEALTH"));
  EXPECT_FALSE(reread.GetOption(L"Other"));
  EXPECT_EQ(reread.GetValue(L"MarkersDir"), L"/home/оператор/маркеры");
  EXPECT_EQ(reread.GetValue(L"AntiAliasing"), L"1");
}
