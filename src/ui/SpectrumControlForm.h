#pragma once
// The colour-map dialog of the spectrum views: the histogram of every stored level with the
// transfer curve over it, three marks beneath (low, bend, high) to drag, the palette, and a
// preview of the newest sweeps drawn with the colours being edited. Every change is shown
// live on the series; the record is written only when the dialog closes with OK.
#include <QDialog>
#include <QImage>
#include <functional>
#include <vector>

#include "series/ColorMap.h"

class QComboBox;
class QLabel;
class TQuorSpectrumSeries;

class TQuorSpectrumControlForm : public QDialog {
 public:
  static constexpr int kBins = 200;
  static constexpr int kPreviewRows = 60;
  static constexpr int kSliderWidth = 400;

  // Every edit is shown at once through `preview` (all spectrum views of the control), or on
  // the series alone without one.
  TQuorSpectrumControlForm(TQuorSpectrumSeries* series, SColorMapSettings* settings, QWidget* parent = nullptr,
                           std::function<void(const SColorMapSettings&)> preview = {});

  // Reads the histogram and the newest rows, then draws.
  void FormShow();
  // After every change: clamps the edits, shows them on the series, redraws.
  void EditsValidate();
  void DefaultButtonClick();
  // Drags a mark (0 low, 1 bend, 2 high) to p pixels of the slider.
  void DragMark(int mark, double p);
  void done(int result) override;

  const SColorMapSettings& Edited() const { return edited_; }
  const QImage& HistogramImage() const { return histogram_; }
  const QImage& PreviewImage() const { return preview_; }
  const std::vector<int>& Counts() const { return counts_; }
  QComboBox* PaletteBox() const { return palette_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RedrawImages();

  TQuorSpectrumSeries* series_;
  std::function<void(const SColorMapSettings&)> showEdits_;
  SColorMapSettings* settings_;
  SColorMapSettings edited_;
  double min_ = 0, max_ = 0;
  std::vector<int> counts_;
  int histogramTop_ = 0;
  std::vector<double> rows_;
  int rowCount_ = 0;
  int width_ = 0;
  QImage histogram_;
  QImage preview_;
  QLabel* histogramLabel_ = nullptr;
  QLabel* previewLabel_ = nullptr;
  QComboBox* palette_ = nullptr;
  int dragging_ = -1;
  double dragOffset_ = 0;
};
