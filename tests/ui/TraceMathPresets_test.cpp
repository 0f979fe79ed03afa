// The expression dialog of a math trace over a preset file, driven as an operator would.
#include <gtest/gtest.h>

#include <fstream>

#include <QComboBox>
#include <QLineEdit>

#include "common/Text.h"
#include "diagram/Diagram.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "support/TempDir.h"
#include "traces/TraceMath.h"
#include "ui/QtTestApp.h"
#include "ui/TraceMathPresets.h"

TEST(TraceMathPresets, PresetsSourcesAndTheExpressionOfAMathTrace) {
  QtTestApp();
  UserInteractionScript ui;
  const auto dir = FreshDir("math_presets");
  const std::wstring path = Utf8ToWide((dir / "MathPreset.xml").string());
  std::ofstream(dir / "MathPreset.xml")
      << "<presetList><preset description='Difference' expression='A-B'/><preset expression='A/B'/>"
         "<preset description='Loss' expression='20*log(A/B)'/></presetList>";
  CControlStub control;
  CDiagram diagram(&control);
  TraceInterface* a = diagram.AddDataTrace();
  TraceInterface* b = diagram.AddDataTrace();
  auto* math = static_cast<CTraceMath*>(diagram.AddMathTrace());
  auto* other = static_cast<CTraceMath*>(diagram.AddMathTrace());
  ASSERT_TRUE(other->SetSourceTrace(0, math));  // computes from the edited trace: not offered
  CMathPresets presets(path);
  TTraceMathPresets dialog(math, &diagram, &presets);

  ASSERT_EQ(dialog.PresetBox()->count(), 3);
  EXPECT_EQ(dialog.PresetBox()->itemText(1).toStdWString(), Tr("Выражение ") + L"2");
  EXPECT_EQ(dialog.SourceBox(0)->count(), 2);

  // Choosing a preset puts its expression in; an edit is not thrown away unasked.
  dialog.OnPresetSelect(2);
  EXPECT_EQ(dialog.ExpressionEdit()->text(), "20*log(A/B)");
  dialog.ExpressionEdit()->setText("A*3");
  dialog.OnExpressionChange();
  ui->boxAnswers = {IDNO};
  dialog.PresetBox()->setCurrentIndex(0);
  dialog.OnPresetSelect(0);
  EXPECT_EQ(dialog.PresetBox()->currentIndex(), 2);
  EXPECT_EQ(dialog.ExpressionEdit()->text(), "A*3");
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, Tr("Внимание"));

  // Added and deleted presets are in the file at once.
  ui->textAnswers = {L"Triple"};
  dialog.AddClick();
  ui->boxAnswers = {IDYES};
  dialog.PresetBox()->setCurrentIndex(0);
  dialog.DeleteClick();
  CMathPresets reread(path);
  reread.Load();
  ASSERT_EQ(reread.Presets().size(), 3u);
  EXPECT_EQ(reread.Presets()[0].expression, L"A/B");
  EXPECT_EQ(reread.Presets()[2].description, L"Triple");
  EXPECT_EQ(reread.Presets()[2].expression, L"A*3");

  // Accepting sets the sources and the expression.
  dialog.SourceBox(0)->setCurrentIndex(0);
  dialog.SourceBox(1)->setCurrentIndex(1);
  dialog.accept();
  EXPECT_EQ(math->GetSource(0), a->GetName());
  EXPECT_EQ(math->GetSource(1), b->GetName());
  EXPECT_EQ(math->GetExpression(), L"A*3");
}

TEST(TraceMathPresets, AFileThatIsNotXmlGivesAnEmptyListAndStaysUntilSaved) {
  const auto dir = FreshDir("math_presets_broken");
  std::ofstream(dir / "MathPreset.xml") << "not <xml";
  CMathPresets presets(Utf8ToWide((dir / "MathPreset.xml").string()));
  presets.Load();
  EXPECT_TRUE(presets.Presets().empty());
  std::ifstream kept(dir / "MathPreset.xml");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not <xml");
}
