// Diagrams in each plot kind drawn into images through the Qt canvas, as an operator sees
// them; each picture is saved in the test's folder for a person to look at
// (plotvane-smith.png, plotvane-polar.png, plotvane-log.png, plotvane-digit.png).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>
#include <complex>
#include <vector>

#include "diagram/Diagram.h"
#include "measurements/Measurement.h"
#include "series/DigitSeries.h"
#include "series/SmithSeries.h"
#include "support/ControlStub.h"
#include "ui/DiagramWidget.h"
#include "ui/QPainterCanvas.h"
#include "ui/QtTestApp.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 520;

// One channel and its diagram, fed one sweep: a series resonator at 1.6 GHz behind a short
// line (a complex reflection), or its level in dB.
struct SPicture {
  CControlStub control;
  CMeasurement channel;
  CDiagram diagram{&control};

  SPicture(int points, bool complex, double start = 1e8, double stop = 3e9) {
    QtTestApp();
    diagram.SetBounds({0, 0, kWidth, kHeight});
    channel.SetName(L"S11");
    channel.SetParameter(L"channel", L"1");
    channel.SetStimulusQuantity(L"Hz");
    channel.SetResponseQuantity(complex ? L"Cmplx" : L"dB");
    channel.SetStimulusRange(start, stop, true);
    channel.SetPointsCount(points);
    diagram.AddMeasurement(&channel);
    std::vector<MeasurementInterface*> all{&channel};
    diagram.AddMeasurements(&all);
    std::vector<double> x(points), y(points), z(points);
    for (int i = 0; i < points; ++i) {
      const double f = points > 1 ? start + (stop - start) * i / (points - 1) : start;
      const double w = 2 * M_PI * f, l = 25e-9, c = 1 / (l * std::pow(2 * M_PI * 1.6e9, 2));
      const std::complex<double> zl(20, w * l - 1 / (w * c));
      const std::complex<double> g = (zl - 50.0) / (zl + 50.0) * std::polar(1.0, -2 * w * 0.15e-9);
      x[i] = f;
      y[i] = complex ? g.real() : 20 * std::log10(std::abs(g));
      z[i] = g.imag();
    }
    channel.AddData(0, points, x.data(), y.data(), complex ? z.data() : nullptr);
  }

  CTrace& Trace() { return *diagram.Trace(0u); }

  QImage Draw(const char* file) {
    const SRect bounds = diagram.GetBounds();
    QImage image(bounds.right, bounds.bottom, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainterCanvas canvas(image);
      diagram.Draw(canvas);
    }
    EXPECT_TRUE(image.save(QDir::current().absoluteFilePath(file)));
    return image;
  }
};

QRgb Rgb(TColor c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

// True when every pixel of the area has the colour of its top left corner.
bool Plain(const QImage& image, const QRect& area) {
  return CountColour(image, area, image.pixel(area.topLeft())) == area.width() * area.height();
}

}  // namespace

TEST(PlotKindPictures, SmithAndPolarDiagramsDrawTheirOwnGridOnly) {
  SPicture p(1601, true);
  ASSERT_TRUE(p.Trace().SetPlot(plSmith));
  EXPECT_FALSE(p.diagram.GetChartFrameVisible());
  QImage image = p.Draw("plotvane-smith.png");
  auto* smith = dynamic_cast<TQuorSmithSeries*>(p.Trace().Series());
  ASSERT_NE(smith, nullptr);
  const SCircleRect c = smith->CircleRect();
  const SRect plot = p.diagram.GetChart()->PlotRect();
  // Left and right of the circle no rectangular grid, scale or title.
  EXPECT_TRUE(Plain(image, QRect(QPoint(p.diagram.GetChart()->Bounds().left, plot.top), QPoint(c.rect.left - 3, plot.bottom - 1))));
  EXPECT_TRUE(Plain(image, QRect(QPoint(c.rect.right + 3, plot.top), QPoint(plot.right - 1, plot.bottom - 1))));
  // The trace inside the circle, the grid's circles on it.
  const QRect circle(c.rect.left, c.rect.top, c.diameterX, c.diameterY);
  EXPECT_GT(CountColour(image, circle, Rgb(p.Trace().GetColor())), 300);
  EXPECT_GT(CountColour(image, circle, Rgb(smith->GetRPen().color)), 2000);

  p.diagram.SetSmithAdmittance(true);
  p.Draw("plotvane-smith-admittance.png");

  ASSERT_TRUE(p.Trace().SetPlot(plPolar));
  image = p.Draw("plotvane-polar.png");
  EXPECT_FALSE(p.diagram.GetChartFrameVisible());
  EXPECT_TRUE(Plain(image, QRect(QPoint(p.diagram.GetChart()->Bounds().left, plot.top), QPoint(c.rect.left - 3, plot.bottom - 1))));
  EXPECT_GT(CountColour(image, circle, Rgb(p.Trace().GetColor())), 300);
}

TEST(PlotKindPictures, LogarithmicStimulusFromTheMenuCommand) {
  SPicture p(1601, false, 1e6, 3e9);
  p.diagram.SetMeasurementBarVisibility(false);
  p.diagram.SetAxisXLogarithmicScale(true);
  ASSERT_EQ(p.Trace().GetPlot(), plLog);
  // The trace is drawn on the same logarithmic scale as the axis under it.
  EXPECT_TRUE(p.Trace().Series()->HorizAxis()->Logarithmic());
  const QImage image = p.Draw("plotvane-log.png");
  const SRect plot = p.diagram.GetChart()->PlotRect();
  EXPECT_GT(CountColour(image, QRect(plot.left + 1, plot.top + 1, plot.Width() - 2, plot.Height() - 2), Rgb(p.Trace().GetColor())), 500);
}

TEST(PlotKindPictures, OnePointSweepsReadAsDigitsThatFitTheirPlot) {
  SPicture p(1, false, 1.6e9, 1.6e9);
  ASSERT_EQ(p.Trace().GetPlot(), plDigit);
  EXPECT_FALSE(p.diagram.GetChartFrameVisible());
  QImage image = p.Draw("plotvane-digit.png");
  const SRect plot = p.diagram.GetChart()->PlotRect();
  const QRgb ink = Rgb(p.Trace().GetColor());
  EXPECT_GT(CountColour(image, QRect(plot.left, plot.top, plot.Width(), plot.Height()), ink), 500);

  // A small diagram: the digits shrink until they fit inside the plot.
  p.diagram.SetBounds({0, 0, 260, 120});
  image = p.Draw("plotvane-digit-small.png");
  const SRect small = p.diagram.GetChart()->PlotRect();
  const SRect chart = p.diagram.GetChart()->Bounds();  // the bar's swatch above is the trace's colour too
  const int all = CountColour(image, QRect(chart.left, chart.top, chart.Width(), chart.Height()), ink);
  EXPECT_GT(all, 30);
  const auto* digit = dynamic_cast<TQuorDigitSeries*>(p.Trace().Series());
  ASSERT_NE(digit, nullptr);
  EXPECT_LT(digit->DrawnFontSize(), digit->FontSize());
  EXPECT_EQ(CountColour(image, QRect(small.left, small.top, small.Width(), small.Height()), ink), all);
}

TEST(PlotKindPictures, SvgAndPdfPicturesOfAWindowHoldItsLinesNotAnImage) {
  SPicture p(1601, true);
  ASSERT_TRUE(p.Trace().SetPlot(plSmith));
  TDiagramWidget widget(&p.diagram);
  widget.resize(kWidth, kHeight);

  QBuffer svgBytes;
  svgBytes.open(QIODevice::WriteOnly);
  {
    QSvgGenerator svg;
    svg.setOutputDevice(&svgBytes);
    svg.setSize(widget.size());
    svg.setViewBox(QRect(QPoint(0, 0), widget.size()));
    QPainter painter(&svg);
    widget.render(&painter);
  }
  const QString text = QString::fromUtf8(svgBytes.data());
  EXPECT_FALSE(text.contains("<image"));
  // The trace as paths in its colour (the generator puts the pen on the group around them).
  const TColor c = p.Trace().GetColor();
  const QString colour = QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF).name();
  int tracePaths = 0;
  for (qsizetype at = text.indexOf("<path"); at >= 0; at = text.indexOf("<path", at + 1)) {
    const qsizetype group = text.lastIndexOf("<g ", at);
    tracePaths += group >= 0 && text.mid(group, text.indexOf('>', group) - group).contains("stroke=\"" + colour + "\"");
  }
  EXPECT_GE(tracePaths, 1);
  EXPECT_GT(text.count("<path"), 10);  // the reactance arcs too
  EXPECT_TRUE(text.contains("<text"));

  QBuffer pdfBytes;
  pdfBytes.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&pdfBytes);
    pdf.setPageSize(QPageSize(QSizeF(kWidth, kHeight), QPageSize::Point));
    pdf.setResolution(72);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&pdf);
    widget.render(&painter);
  }
  EXPECT_GT(pdfBytes.size(), 1000);
  EXPECT_FALSE(pdfBytes.data().contains("/Subtype /Image"));
}
