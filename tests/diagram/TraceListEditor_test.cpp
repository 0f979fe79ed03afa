// In-place editing of the trace list over a real diagram, with the display-format package.
#include <gtest/gtest.h>

#include "common/Text.h"
#include "common/Units.h"
#include "core/MenuModel.h"
#include "core/PluginManager.h"
#include "diagram/Diagram.h"
#include "diagram/TraceListEditor.h"
#include "filters/Filter.h"
#include "measurements/Measurement.h"
#include "support/ControlStub.h"
#include "traces/Trace.h"

namespace {

// A diagram with two data traces on an "S11" channel of complex data.
struct EditedDiagram {
  CModulesFactory factory{L"FILTER", L"" PLOTVANE_PLUGIN_DIR "/FilterQuantity.so"};
  CControlStub control;
  CMeasurement channel;
  std::unique_ptr<CDiagram> diagram;
  CTraceListEditor editor{nullptr};

  EditedDiagram() {
    control.filterFactory = &factory;
    control.SetDiagramString(L"IncludedFilters", L"QUANTITY");
    channel.SetName(L"S11");
    channel.SetResponseQuantity(L"Cmplx");
    diagram = std::make_unique<CDiagram>(&control);
    diagram->AddMeasurement(&channel);
    diagram->AddDataTrace();
    diagram->AddDataTrace();
    editor = CTraceListEditor(diagram.get());
  }
  CTrace* Trace(int i) const { return diagram->Trace(static_cast<unsigned>(i)); }
};

}  // namespace

TEST(TraceListEditor, RefusesCellsTheTraceDoesNotLetChange) {
  EditedDiagram d;
  for (int column : {0, 3, 4, 5, 6}) EXPECT_TRUE(d.editor.CanEdit(0, column)) << column;
  for (int column : {-1, 1, 2, 7, 8}) EXPECT_FALSE(d.editor.CanEdit(0, column)) << column;
  EXPECT_FALSE(d.editor.CanEdit(2, 0));

  d.Trace(0)->SetLocked(true);
  EXPECT_FALSE(d.editor.CanEdit(0, 0));
  EXPECT_FALSE(d.editor.Apply(0, 0, L"X"));
  EXPECT_NE(d.Trace(0)->GetName(), L"X");

  // The instrument owns the reference of a channel with a reference level.
  d.channel.SetParameter(L"reference_level", L"0");
  EXPECT_FALSE(d.editor.CanEdit(1, 3));
  EXPECT_TRUE(d.editor.CanEdit(1, 4));
  EXPECT_FALSE(d.editor.CanEdit(1, 5));
  d.channel.SetParameter(L"reference_level", L"");

  ASSERT_TRUE(d.editor.ChooseFormat(1, 8));  // Smith
  ASSERT_EQ(d.Trace(1)->GetPlot(), plSmith);
  for (int column : {3, 4, 5}) EXPECT_FALSE(d.editor.CanEdit(1, column)) << column;
  EXPECT_TRUE(d.editor.CanEdit(1, 6));
}

TEST(TraceListEditor, AppliesNumbersAndNamesAndKeepsTheValueOnRefusal) {
  EditedDiagram d;
  CTrace* trace = d.Trace(0);
  ASSERT_TRUE(d.editor.Apply(0, 4, L" 2,5 "));
  EXPECT_DOUBLE_EQ(trace->GetScaleDiv(), 2.5);
  EXPECT_EQ(d.editor.EditText(0, 4), L"2.5");
  ASSERT_TRUE(d.editor.Apply(0, 3, L"-12.5"));
  EXPECT_DOUBLE_EQ(trace->GetScaleRef(), -12.5);
  EXPECT_EQ(d.editor.EditUnit(0, 3), GetUnitsString(L"dB"));
  EXPECT_EQ(d.editor.EditUnit(0, 5), L"");

  for (const wchar_t* bad : {L"abc", L"", L"1.2.3", L"nan", L"inf"}) EXPECT_FALSE(d.editor.Apply(0, 3, bad)) << bad;
  EXPECT_DOUBLE_EQ(trace->GetScaleRef(), -12.5);
  EXPECT_DOUBLE_EQ(trace->GetScaleDiv(), 2.5);

  ASSERT_TRUE(d.editor.Apply(0, 5, L"3.6"));
  EXPECT_EQ(trace->GetRefPosition(), 4);
  EXPECT_EQ(d.editor.EditText(0, 5), L"4");
  EXPECT_EQ(d.diagram->GetTraceList()->GetItemText(0, 5), L"4");

  ASSERT_TRUE(d.editor.Apply(0, 0, L"Отражение"));
  EXPECT_EQ(trace->GetName(), L"Отражение");
  EXPECT_EQ(d.diagram->GetTraceList()->GetItemText(0, 0), L"Отражение");
}

TEST(TraceListEditor, OffersTheFormatsOfTheSourceAndSetsTheChosenOne) {
  EditedDiagram d;
  const std::vector<SFormatChoice> choices = d.editor.FormatChoices(0);
  // Every complex format but group delay, which a reflection does not have.
  ASSERT_EQ(choices.size(), 11u);
  EXPECT_EQ(choices[0].mode, 0);
  EXPECT_EQ(choices[0].description, GetDescriptionString(L"dB"));
  EXPECT_TRUE(choices[0].selected);
  for (const SFormatChoice& c : choices) {
    EXPECT_NE(c.mode, 4);
    EXPECT_EQ(c.selected, c.mode == 0);
  }
  EXPECT_FALSE(d.editor.ChooseFormat(0, 4));
  EXPECT_FALSE(d.editor.ChooseFormat(0, -1));  // "Cmplx" is not shown as itself

  ASSERT_TRUE(d.editor.ChooseFormat(0, 2));
  EXPECT_EQ(d.Trace(0)->GetQuantity(vtResponse), L"°");
  EXPECT_TRUE(d.editor.FormatChoices(0)[2].selected);
  EXPECT_EQ(d.diagram->GetTraceList()->GetItemText(0, 6), GetDescriptionString(L"°"));
  ASSERT_TRUE(d.editor.Apply(0, 6, GetDescriptionString(L"dB")));
  EXPECT_EQ(d.Trace(0)->GetQuantity(vtResponse), L"dB");
  EXPECT_EQ(d.Trace(0)->GetFilter(L"QUANTITY")->GetParameter(L"mode"), L"0");

  // A transmission shows group delay but no VSWR; a level offers itself first.
  d.channel.SetName(L"S21");
  EXPECT_EQ(d.editor.FormatChoices(0).size(), 11u);
  EXPECT_EQ(d.editor.FormatChoices(0)[4].mode, 4);
  d.channel.SetResponseQuantity(L"dBm");
  const std::vector<SFormatChoice> levels = d.editor.FormatChoices(0);
  ASSERT_EQ(levels.size(), 8u);  // with the spectrogram, waterfall and heat map
  EXPECT_EQ(levels[0].mode, -1);
  EXPECT_EQ(levels[1].mode, 14);
  EXPECT_TRUE(d.editor.ChooseFormat(0, 19));
  EXPECT_EQ(d.Trace(0)->GetPlot(), plWaterfall);
  EXPECT_TRUE(d.editor.ChooseFormat(0, 15));
  EXPECT_EQ(d.Trace(0)->GetPlot(), plRect);
  EXPECT_EQ(d.Trace(0)->GetQuantity(vtResponse), L"mW");
  EXPECT_TRUE(d.editor.ChooseFormat(0, -1));
  EXPECT_EQ(d.Trace(0)->GetFilter(L"QUANTITY")->GetParameter(L"mode"), L"14");
}

TEST(TraceListEditor, TheTraceMenuOffersTheSameFormats) {
  EditedDiagram d;
  d.diagram->SelectTrace(1);
  CPopupMenu menu;
  d.diagram->PrepareTraceMenu(&menu);
  CMenuItem* format = nullptr;
  for (int i = 0; i < menu.Items().Count(); ++i)
    if (menu.Items().Item(i)->GetCaption() == Tr("&Формат")) format = menu.Items().Item(i);
  ASSERT_NE(format, nullptr);
  const std::vector<SFormatChoice> choices = d.editor.FormatChoices(1);
  ASSERT_EQ(format->Count(), static_cast<int>(choices.size()));
  for (int i = 0; i < format->Count(); ++i) {
    EXPECT_EQ(format->Item(i)->GetCaption(), choices[static_cast<std::size_t>(i)].description);
    EXPECT_EQ(format->Item(i)->GetChecked(), choices[static_cast<std::size_t>(i)].selected);
  }
  // Choosing the Smith chart and then the polar chart from the menu.
  for (const auto& [mode, plot] : {std::pair{8, plSmith}, std::pair{9, plPolar}}) {
    for (int i = 0; i < format->Count(); ++i)
      if (choices[static_cast<std::size_t>(i)].mode == mode) format->Item(i)->Click();
    EXPECT_EQ(d.Trace(1)->GetPlot(), plot);
  }
  EXPECT_EQ(d.Trace(0)->GetPlot(), plRect);
}
