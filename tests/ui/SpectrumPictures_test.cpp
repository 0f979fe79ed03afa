// The spectrum views of a diagram drawn through the Qt canvas, and the colour-map dialog.
// The pictures are saved in the test's folder for a person to look at
// (plotvane-spectrogram.png, plotvane-waterfall.png, plotvane-heatmap.png,
// plotvane-colormap-dialog.png).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QImage>

#include <cmath>
#include <vector>

#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "series/SpectrumSeries.h"
#include "support/ControlStub.h"
#include "ui/QPainterCanvas.h"
#include "ui/QtTestApp.h"
#include "ui/SpectrumControlForm.h"

namespace {

constexpr int kPoints = 2001;

// A channel whose sweeps carry a carrier drifting across the span and one hopping between
// four frequencies, over a noise floor.
struct SSpectrum {
  CControlStub control;
  CMeasurement channel;
  CDiagram diagram{&control};

  explicit SSpectrum(int sweeps) {
    QtTestApp();
    diagram.SetBounds({0, 0, 800, 520});
    channel.SetName(L"SA");
    channel.SetStimulusQuantity(L"Hz");
    channel.SetResponseQuantity(L"dBm");
    channel.SetStimulusRange(1e9, 1.2e9, true);
    channel.SetPointsCount(kPoints);
    diagram.AddMeasurement(&channel);
    std::vector<MeasurementInterface*> all{&channel};
    diagram.AddMeasurements(&all);
    Trace().SetScaleMinMax(-100, 0);
    Trace().SetPlot(plSpectrogram);
    std::vector<double> x(kPoints), y(kPoints);
    for (int k = 0; k < sweeps; ++k) {
      const double drift = 0.1 + 0.8 * k / sweeps, hop = 0.15 + 0.2 * ((k / 40) % 4);
      for (int i = 0; i < kPoints; ++i) {
        const double t = static_cast<double>(i) / (kPoints - 1);
        x[i] = 1e9 + 2e8 * t;
        y[i] = -92 + 3 * std::sin(i * 12.9898 + k * 78.233) + 60 * std::exp(-std::pow((t - drift) / 0.004, 2)) +
               45 * std::exp(-std::pow((t - hop) / 0.006, 2));
      }
      channel.AddData(0, kPoints, x.data(), y.data(), nullptr);
    }
  }

  CTrace& Trace() { return *diagram.Trace(0u); }

  // Renders on this thread (the drawing thread stopped), then draws the diagram.
  QImage Draw(const char* file) {
    TQuorSpectrumSeries* series = Trace().SpectrumSeries();
    QImage image(800, 520, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int pass = 0; pass < 2; ++pass) {  // the first draw tells the series its size
      series->DrawThread().ThreadStop();
      series->DrawThread().RenderOnce();
      QPainterCanvas canvas(image);
      diagram.Draw(canvas);
    }
    EXPECT_TRUE(image.save(QDir::current().absoluteFilePath(file)));
    return image;
  }
};

int Colours(const QImage& image, const SRect& r) {
  std::vector<QRgb> seen;
  for (int y = r.top; y < r.bottom; y += 7)
    for (int x = r.left; x < r.right; x += 5) {
      const QRgb c = image.pixel(x, y);
      if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
    }
  return static_cast<int>(seen.size());
}

}  // namespace

TEST(SpectrumPictures, EachViewPaintsItsImage) {
  SSpectrum s(300);
  TQuorSpectrumSeries* series = s.Trace().SpectrumSeries();
  ASSERT_NE(series, nullptr);
  EXPECT_EQ(series->Storage().GetLevelCount(), 300);
  QImage image = s.Draw("plotvane-spectrogram.png");
  const SRect r = series->ImageRect();
  ASSERT_GT(r.Width(), 100);
  EXPECT_GT(Colours(image, r), 8);
  s.Trace().SetPlot(plWaterfall);
  EXPECT_GT(Colours(s.Draw("plotvane-waterfall.png"), series->ImageRect()), 8);
  s.Trace().SetPlot(plHeatMap);
  EXPECT_GT(Colours(s.Draw("plotvane-heatmap.png"), series->ImageRect()), 4);
}

TEST(SpectrumControlForm, EditsLiveWritesBackOnlyOnOk) {
  SSpectrum s(80);
  TQuorSpectrumSeries* series = s.Trace().SpectrumSeries();
  SColorMapSettings record;
  {
    TQuorSpectrumControlForm form(series, &record);
    int total = 0;
    for (int c : form.Counts()) total += c;
    EXPECT_NEAR(total, 80 * kPoints, 80 * kPoints / 100);  // all but where the carriers cross
    EXPECT_EQ(form.PreviewImage().height(), 2 * TQuorSpectrumControlForm::kPreviewRows);
    form.DragMark(0, 100);
    form.DragMark(2, 300);
    form.PaletteBox()->setCurrentIndex(1);
    EXPECT_EQ(series->GetColorMapSettings().colorMap, 1);  // shown live
    EXPECT_DOUBLE_EQ(series->GetColorMapSettings().curveStart, 25);
    EXPECT_TRUE(form.grab().save(QDir::current().absoluteFilePath("plotvane-colormap-dialog.png")));
    form.reject();
  }
  EXPECT_DOUBLE_EQ(record.curveStart, 0);  // cancelled: the record as it was
  EXPECT_EQ(record.colorMap, 0);
  {
    TQuorSpectrumControlForm form(series, &record);
    form.DragMark(0, 40);
    form.DefaultButtonClick();
    form.DragMark(2, 200);
    form.accept();
  }
  EXPECT_DOUBLE_EQ(record.curveStart, 0);
  EXPECT_DOUBLE_EQ(record.curveStop, 50);
  // No stored sweeps: empty histogram and preview, nothing breaks.
  TQuorSpectrumSeries empty;
  TQuorSpectrumControlForm form(&empty, &record);
  for (int c : form.Counts()) EXPECT_EQ(c, 0);
}
