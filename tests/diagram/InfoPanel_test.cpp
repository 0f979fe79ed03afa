#include "diagram/InfoPanel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "common/Text.h"
#include "measurements/Measurement.h"
#include "support/Capture.h"
#include "support/DiagramStub.h"
#include "support/FakeTrace.h"
#include "support/RecordingCanvas.h"

namespace {

class ChannelTrace : public FakeTrace {
 public:
  CMeasurement* channel = nullptr;
  MeasurementInterface* Measurement() const override { return channel; }
};

struct Host : IInfoPanelHost {
  std::vector<std::unique_ptr<CDiagramStub>> diagrams;
  int changes = 0;
  DiagramInterface* InfoPanelDiagram(unsigned index) override {
    return index < diagrams.size() ? diagrams[index].get() : nullptr;
  }
  void InfoPanelChanged() override { ++changes; }
};

// Text whose extent grows with the font, as on a real surface: 0.75 pixel a character per
// point, 1.5 pixels high per point.
class ScalingCanvas : public CRecordingCanvas {
 public:
  void SetFont(const SFont& font) override {
    CRecordingCanvas::SetFont(font);
    size_ = font.size;
  }
  SSize TextExtent(const std::wstring& text) override {
    return {static_cast<int>(text.size()) * size_ * 3 / 4, size_ * 3 / 2};
  }

 private:
  int size_ = 8;
};

std::vector<const CRecordingCanvas::SOp*> Texts(const CRecordingCanvas& canvas) {
  std::vector<const CRecordingCanvas::SOp*> texts;
  for (const auto& op : canvas.ops) {
    if (op.op == CRecordingCanvas::opText) texts.push_back(&op);
  }
  return texts;
}

std::vector<std::wstring> Values(const CInfoPanel& panel) {
  std::vector<std::wstring> values;
  for (const auto& row : panel.Rows()) values.push_back(row.value);
  return values;
}

}  // namespace

TEST(InfoPanel, ReadsRowsAndFormatsValues) {
  Host host;
  CInfoPanel panel(&host);
  panel.SetInfo(
      L"Мощность;-12.3456;дБм\n\nДевиация;NAN;кГц\nМодуляция; AM ;\nУровень;0.001;мВт\n"
      L"Фаза;1.5707963;рад\nЧастота;1234.56789;кГц\n");
  EXPECT_EQ(host.changes, 1);
  const auto& rows = panel.Rows();
  ASSERT_EQ(rows.size(), 7u);  // the final line feed ends the last line, it adds no row
  EXPECT_EQ(rows[0].name, L"Мощность");
  EXPECT_TRUE(rows[1].IsSeparator());
  EXPECT_EQ(Values(panel), (std::vector<std::wstring>{L"-12.346 дБм", L"", L"Н/Д", L"AM", L"1 мкВт",
                                               L"1.5708 рад", L"1234.568 кГц"}));

  {
    AssertCapture asserts;
    panel.SetInfo(L"Только имя\nИмя;1;дБм;лишнее\nX;2;");
    EXPECT_EQ(asserts.Count(), 2u);
    EXPECT_TRUE(asserts.Saw("numParts == 3"));
  }
  ASSERT_EQ(panel.Rows().size(), 1u);
  EXPECT_EQ(panel.Rows()[0].name, L"X");
  EXPECT_EQ(panel.Rows()[0].value, L"2");

  panel.SetInfo(L"");
  EXPECT_TRUE(panel.Rows().empty());
  EXPECT_EQ(host.changes, 3);

  // Names and units are message ids; the operator's language shows both translated.
  SetTranslationLanguage("en");
  panel.SetInfo(L"Частота;-3;дБм");
  SetTranslationLanguage("");
  ASSERT_EQ(panel.Rows().size(), 1u);
  EXPECT_EQ(panel.Rows()[0].name, L"Frequency");
  EXPECT_EQ(panel.Rows()[0].value, L"-3 dBm");
}

TEST(InfoPanel, ValuesFollowTheReferenceChannels) {
  CMeasurement other, rfChannel, lfChannel;
  other.SetParameter(L"channel", L"ВЧ-спектр 2");
  rfChannel.SetParameter(L"channel", L"ВЧ-спектр");
  rfChannel.SetParameter(L"impedance", L"75");
  lfChannel.SetParameter(L"channel", L"НЧ-сигнал");

  ChannelTrace memory, near, rf, rfLater, lf;
  near.channel = &other;
  rf.channel = &rfChannel;
  rf.quantity[vtResponse] = L"dBuV";
  rfLater.channel = &rfChannel;
  rfLater.quantity[vtResponse] = L"W";
  lf.channel = &lfChannel;
  lf.quantity[vtResponse] = L"°";

  Host host;
  host.diagrams.push_back(std::make_unique<CDiagramStub>());
  host.diagrams.push_back(std::make_unique<CDiagramStub>());
  host.diagrams[0]->members = {&memory, &near};
  host.diagrams[1]->members = {&lf, &rf, &rfLater};
  CInfoPanel panel(&host);
  EXPECT_EQ(panel.GetFirstTraceOfChannel(L"ВЧ-спектр"), &rf);
  EXPECT_EQ(panel.GetFirstTraceOfChannel(L"НЧ-сигнал"), &lf);
  EXPECT_EQ(panel.GetFirstTraceOfChannel(L"ВЧ"), nullptr);

  auto values = [&](const std::wstring& info) {
    panel.SetInfo(info);
    return Values(panel);
  };
  const std::wstring info = L"P;0;дБм\nL;2;мВт\nPh;3.14159265358979;рад";
  // 0 dBm across 75 Ω is 0.27386 V, 108.751 dBµV.
  EXPECT_EQ(values(info), (std::vector<std::wstring>{L"108.751 дБмкВ", L"111.761 дБмкВ", L"180 °"}));

  rfChannel.SetParameter(L"impedance", L"-1");  // no usable impedance: 50 Ω
  EXPECT_EQ(values(L"P;0;дБм")[0], L"106.99 дБмкВ");
  rf.quantity[vtResponse] = L"SGram";
  lf.quantity[vtResponse] = L"rad";
  EXPECT_EQ(values(info), (std::vector<std::wstring>{L"0 дБм", L"3.01 дБм", L"3.1416 рад"}));
  rf.quantity[vtResponse] = L"mW";
  EXPECT_EQ(values(L"P;0;дБм\nZ;0;мВт")[0], L"1 мВт");
  EXPECT_EQ(values(L"Z;-1;мВт")[0], L"Н/Д");  // no such power
}

TEST(InfoPanel, PaintsCaptionAndRows) {
  CInfoPanel panel(nullptr);
  panel.SetCaption(L"АМ");
  CRecordingCanvas canvas;
  panel.Paint(canvas, {0, 0, 400, 300});
  ASSERT_EQ(canvas.Count(CRecordingCanvas::opText), 1);
  EXPECT_EQ(Texts(canvas)[0]->text, L"АМ Н/Д");  // a caption without rows

  panel.SetInfo(L"Мощность;-12.5;дБм\n\nЧастота;1;кГц");
  canvas.ops.clear();
  panel.Paint(canvas, {0, 0, 400, 300});
  ASSERT_EQ(canvas.ops[0].op, CRecordingCanvas::opFillRect);
  const auto texts = Texts(canvas);
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[1]->text, L"Мощность");
  EXPECT_EQ(texts[2]->text, L"-12.5 дБм");
  EXPECT_GT(texts[2]->points[0].x, texts[1]->points[0].x);  // values right of the names
  EXPECT_GT(texts[3]->points[0].y, texts[1]->points[0].y);  // rows go down
  EXPECT_TRUE(texts[4]->clipped);
  EXPECT_EQ(canvas.Count(CRecordingCanvas::opLine), 1);  // the empty line is a separator
}

TEST(InfoPanel, FontShrinksUntilTheRowsFit) {
  CInfoPanel panel(nullptr);
  std::wstring info;
  for (int i = 0; i < 30; ++i) info += L"Уровень;" + std::to_wstring(i) + L";дБм\n";
  panel.SetInfo(info);
  panel.SetCaption(L"ЧМ");

  // Fixed extents: 31 lines of 12 pixels against 96 % of 100 pixels.
  CRecordingCanvas fixed;
  panel.Paint(fixed, {0, 0, 400, 100});
  EXPECT_EQ(panel.FontSize(), 10 * 96 / 372);
  EXPECT_EQ(Texts(fixed).back()->font.size, panel.FontSize());

  // Where text scales with the font, the rows then fit the panel in both directions.
  panel.SetInfo(info + std::wstring(60, L'Ш') + L";1;дБм");
  ScalingCanvas canvas;
  const SRect rect{10, 20, 310, 420};
  panel.Paint(canvas, rect);
  EXPECT_LT(panel.FontSize(), 10);
  int width = 0, height = 0;
  panel.CalcRecWidthHeight(canvas, width, height);
  EXPECT_LE(height, 0.96 * rect.Height());
  EXPECT_LE(width, 0.9 * rect.Width());
  const auto* last = Texts(canvas).back();
  EXPECT_LE(last->points[0].y + canvas.TextExtent(L"GET_HEIGHT").cy, rect.bottom);

  // A larger panel gets the full font back.
  panel.SetInfo(L"A;1;дБм");
  panel.Paint(canvas, {0, 0, 800, 600});
  EXPECT_EQ(panel.FontSize(), 10);
}
