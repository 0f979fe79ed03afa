// With LANGUAGE=en nothing the operator sees is left in Russian: every menu of a diagram
// (with its markers' and traces' items), the messages of refused commands, the hints of an
// empty diagram, the band captions, the list's column captions and the bar's texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "diagram/Diagram.h"
#include "diagram/ExStatusBar.h"
#include "diagram/TraceListModel.h"
#include "measurements/Measurement.h"
#include "series/SpectrumSeries.h"
#include "support/Capture.h"
#include "support/ControlStub.h"
#include "support/RecordingCanvas.h"

namespace {

bool HasCyrillic(const std::wstring& text) {
  for (wchar_t c : text)
    if (c >= 0x400 && c <= 0x4FF) return true;
  return false;
}

void Walk(const CMenuItem& item, std::vector<std::wstring>& texts) {
  for (int i = 0; i < item.Count(); ++i) {
    texts.push_back(item.Item(i)->GetCaption());
    Walk(*item.Item(i), texts);
  }
}

void Drawn(CDiagram& diagram, std::vector<std::wstring>& texts) {
  CRecordingCanvas canvas;
  diagram.Draw(canvas);
  for (const auto& op : canvas.ops)
    if (op.op == CRecordingCanvas::opText) texts.push_back(op.text);
}

}  // namespace

TEST(TranslationWalk, NoRussianLeftInEnglish) {
  const char* language = std::getenv("LANGUAGE");
  if (language == nullptr || std::string(language) != "en") GTEST_SKIP() << "needs LANGUAGE=en";
  UserInteractionScript ui;
  CControlStub control;
  control.diagramCount = 2;
  std::vector<std::wstring> texts;

  CDiagram empty(&control), other(&control);
  empty.SetBounds({0, 0, 800, 600});
  Drawn(empty, texts);  // no traces
  empty.AddStaticTrace();
  empty.GetTraceList()->ClearSelection();
  empty.UpdateSelectedTracesList();
  Drawn(empty, texts);  // none selected

  CDiagram diagram(&control);
  diagram.SetBounds({0, 0, 800, 600});
  CMeasurement channel;
  channel.SetName(L"S21");
  channel.SetParameter(L"channel", L"1");
  channel.SetStimulusRange(1e6, 2e6, true);
  channel.SetPointsCount(3);
  diagram.AddMeasurement(&channel);
  diagram.AddDataTrace();
  diagram.AddMathTrace();
  diagram.AddStaticTrace();
  diagram.SetActive(true);
  diagram.SelectTrace(0);
  double x[] = {1e6, 1.5e6, 2e6}, y[] = {-3, -2, -1};
  channel.AddData(0, 3, x, y, nullptr);
  diagram.GetMarkers()->ActivateFirstParkedMarker();
  diagram.onSavePicture = [](CDiagram*) {};
  Drawn(diagram, texts);

  CPopupMenu menu;
  diagram.PrepareMenu(&menu);
  diagram.PrepareTraceMenu(&menu);
  diagram.PrepareAreaViewMenu(&menu);
  diagram.GetMarkers()->PrepareMenu(&menu);
  Walk(menu.Items(), texts);

  for (int mode = 1; mode <= 6; ++mode) texts.push_back(CDiagram::ZoomCaption(mode));
  texts.push_back(diagram.StretchHint());
  diagram.Stretch(true);
  texts.push_back(diagram.StretchHint());
  for (int c = 0; c < TraceListInterface::kColumns; ++c) texts.push_back(CTraceListModel::ColumnCaption(c));
  for (unsigned i = 0; i < diagram.GetBarCount(); ++i) {
    TExStatusBar* bar = diagram.HorizontalBar(i);
    const SRect r = bar->GetBounds();
    for (int px = r.left; px < r.right; px += 2) texts.push_back(bar->HintAt(px, (r.top + r.bottom) / 2));
  }
  for (unsigned i = 0; i < diagram.GetTraceCount(); ++i)
    for (int c = 1; c < TraceListInterface::kColumns; ++c) texts.push_back(diagram.GetTraceList()->GetItemText(static_cast<int>(i), c));

  // A spectrogram and a waterfall: time labels, the time cursor, the sweep commands.
  CDiagram spectra(&control);
  spectra.SetBounds({0, 0, 800, 600});
  CMeasurement sa;
  sa.SetResponseQuantity(L"dBm");
  sa.SetStimulusRange(1e6, 2e6, true);
  sa.SetPointsCount(3);
  spectra.AddMeasurement(&sa);
  auto* spectrum = static_cast<CTrace*>(spectra.AddDataTrace());
  spectra.SelectTrace(0);
  for (EPlot plot : {plSpectrogram, plWaterfall}) {
    spectrum->SetPlot(plot);
    TQuorSpectrumSeries* series = spectrum->SpectrumSeries();
    for (int k = 0; k < 3; ++k) sa.AddData(0, 3, x, y, nullptr);
    Drawn(spectra, texts);  // sizes the image
    series->DrawThread().ThreadStop();  // and renders here instead
    series->DrawThread().RenderOnce();
    const SRect plotRect = spectra.GetChart()->PlotRect();
    series->SetTimeCursor(plotRect.bottom - 1);
    series->SetTimeCursor(plotRect.top);
    texts.push_back(series->TimeCursorText());
    Drawn(spectra, texts);
    CPopupMenu sweepMenu;
    spectra.PrepareMenu(&sweepMenu);
    Walk(sweepMenu.Items(), texts);
  }
  spectra.CreateStaticTrace(spectrum, 1000);

  // Refused commands.
  while (other.GetTraceCount() < CDiagram::kMaxTraces) other.AddStaticTrace();
  other.DropTraces(&diagram);
  other.CreateDataTrace();
  other.CreateMathTrace();
  for (int i = 0; i < 10; ++i) diagram.CreateDataTrace();
  ASSERT_GE(ui->boxes.size(), 3u);
  for (const AskedBox& box : ui->boxes) {
    texts.push_back(box.caption);
    texts.push_back(box.text);
  }

  ASSERT_GT(texts.size(), 50u);
  for (const std::wstring& text : texts) EXPECT_FALSE(HasCyrillic(text)) << WideToUtf8(text);
}
