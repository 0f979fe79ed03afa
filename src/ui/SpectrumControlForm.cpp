#include "ui/SpectrumControlForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Text.h"
#include "core/Curves.h"
#include "series/SpectrumSeries.h"

namespace {
QString Q(const std::wstring& text) { return QString::fromStdWString(text); }
QString QTr(const char* msgid) { return Q(Tr(msgid)); }

constexpr int kHistogramHeight = 140;
constexpr int kMarksHeight = 16;

QColor ToQColor(TRGBA c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
}  // namespace

TQuorSpectrumControlForm::TQuorSpectrumControlForm(TQuorSpectrumSeries* series, SColorMapSettings* settings,
                                                   QWidget* parent, std::function<void(const SColorMapSettings&)> preview)
    : QDialog(parent), series_(series), showEdits_(std::move(preview)), settings_(settings) {
  if (settings_ != nullptr) edited_ = *settings_;
  setWindowTitle(QTr("Цветовая шкала"));
  auto* layout = new QVBoxLayout(this);
  histogramLabel_ = new QLabel(this);
  histogramLabel_->setMouseTracking(false);
  histogramLabel_->installEventFilter(this);
  histogramLabel_->setToolTip(QTr("Перетащите метки: нижняя граница, изгиб кривой, верхняя граница"));
  layout->addWidget(histogramLabel_);
  previewLabel_ = new QLabel(this);
  layout->addWidget(previewLabel_);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QTr("Палитра:"), this));
  palette_ = new QComboBox(this);
  for (int i = 0; i < CColorMap::PaletteCount(); ++i) palette_->addItem(Q(CColorMap::PaletteName(i)));
  row->addWidget(palette_, 1);
  auto* defaults = new QPushButton(QTr("По умолчанию"), this);
  row->addWidget(defaults);
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QTr("ОК"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QTr("Отмена"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(defaults, &QPushButton::clicked, this, [this] { DefaultButtonClick(); });
  connect(palette_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0 || index == edited_.colorMap) return;
    edited_.colorMap = index;
    EditsValidate();
  });
  FormShow();
}

void TQuorSpectrumControlForm::FormShow() {
  counts_.assign(kBins, 0);
  histogramTop_ = 0;
  rowCount_ = 0;
  rows_.clear();
  width_ = 0;
  if (series_ != nullptr) {
    series_->GetMinMax(min_, max_);
    int most = 0;
    series_->Storage().GetHistogram(min_, max_, kBins, most, counts_.data());
    histogramTop_ = static_cast<int>(most * 1.5);
    rows_ = series_->Storage().GetLastData(kPreviewRows, rowCount_);
    width_ = series_->Storage().GetSize();
  }
  palette_->setCurrentIndex(std::clamp(edited_.colorMap, 0, CColorMap::PaletteCount() - 1));
  EditsValidate();
}

void TQuorSpectrumControlForm::EditsValidate() {
  CColorMap clamp;
  clamp.Build(edited_);
  edited_ = clamp.Settings();
  if (showEdits_) {
    showEdits_(edited_);
  } else if (series_ != nullptr) {
    series_->SetColorMapSettings(edited_);
  }
  RedrawImages();
}

void TQuorSpectrumControlForm::DefaultButtonClick() {
  edited_ = SColorMapSettings{};
  palette_->setCurrentIndex(0);
  EditsValidate();
}

void TQuorSpectrumControlForm::DragMark(int mark, double p) {
  DragColorMapMark(edited_, mark, p, kSliderWidth);
  EditsValidate();
}

void TQuorSpectrumControlForm::done(int result) {
  if (result == QDialog::Accepted && settings_ != nullptr) *settings_ = edited_;
  QDialog::done(result);
}

bool TQuorSpectrumControlForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != histogramLabel_) return QDialog::eventFilter(watched, event);
  auto* mouse = dynamic_cast<QMouseEvent*>(event);
  if (mouse == nullptr) return false;
  const double x = mouse->position().x();
  const SColorMapMarks marks = ColorMapMarks(edited_, kSliderWidth);
  if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton &&
      mouse->position().y() >= kHistogramHeight) {
    // The nearest mark within reach; the bend wins a tie so it can be pulled off low or high.
    const double at[3] = {marks.low, marks.middle, marks.high};
    dragging_ = -1;
    double best = 8;
    for (int m : {1, 0, 2})
      if (std::abs(x - at[m]) < best) best = std::abs(x - at[m]), dragging_ = m;
    if (dragging_ >= 0) dragOffset_ = at[dragging_] - x;
    return true;
  }
  if (event->type() == QEvent::MouseMove && dragging_ >= 0) {
    DragMark(dragging_, x + dragOffset_);
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease) dragging_ = -1;
  return false;
}

void TQuorSpectrumControlForm::RedrawImages() {
  CColorMap colors;
  colors.Build(edited_);
  // Histogram: the palette as a strip along the level axis, the counts over it, the curve
  // from low to high, and the marks beneath.
  histogram_ = QImage(kSliderWidth, kHistogramHeight + kMarksHeight, QImage::Format_RGB32);
  histogram_.fill(Qt::white);
  QPainter p(&histogram_);
  for (int x = 0; x < kSliderWidth; ++x) {
    p.setPen(ToQColor(colors.Color(static_cast<double>(x) / (kSliderWidth - 1))));
    p.drawLine(x, kHistogramHeight - 6, x, kHistogramHeight - 1);
  }
  p.setPen(QColor(90, 90, 90));
  if (histogramTop_ > 0) {
    for (int b = 0; b < kBins; ++b) {
      const int h = counts_[static_cast<std::size_t>(b)] * (kHistogramHeight - 8) / histogramTop_;
      const int x0 = b * kSliderWidth / kBins, x1 = (b + 1) * kSliderWidth / kBins;
      p.fillRect(x0, kHistogramHeight - 7 - h, std::max(1, x1 - x0 - 1), h, QColor(150, 150, 150));
    }
  }
  const SColorMapMarks marks = ColorMapMarks(edited_, kSliderWidth);
  std::vector<double> cx, cy;
  CalculateCurve(cy, cx, edited_.curveShape);
  QPolygonF curve;
  for (std::size_t i = 0; i < cx.size(); ++i)
    curve << QPointF(marks.low + cx[i] * (marks.high - marks.low), (kHistogramHeight - 8) * (1 - cy[i]));
  p.setPen(QPen(QColor(200, 0, 0), 1.5));
  p.setRenderHint(QPainter::Antialiasing);
  p.drawPolyline(curve);
  p.setPen(Qt::black);
  for (const double m : {marks.low, marks.middle, marks.high}) {
    const QPointF tip(m, kHistogramHeight);
    p.setBrush(m == marks.middle ? QColor(200, 0, 0) : QColor(40, 40, 40));
    p.drawPolygon(QPolygonF() << tip << tip + QPointF(-5, 10) << tip + QPointF(5, 10));
  }
  p.setFont(QFont(QStringLiteral("Verdana"), 7));
  p.drawText(QRectF(2, 2, kSliderWidth - 4, 14), Qt::AlignLeft, QString::number(min_, 'f', 0) + " " + QTr("дБм"));
  p.drawText(QRectF(2, 2, kSliderWidth - 4, 14), Qt::AlignRight, QString::number(max_, 'f', 0) + " " + QTr("дБм"));
  p.end();
  histogramLabel_->setPixmap(QPixmap::fromImage(histogram_));

  // Preview: the newest sweeps, newest on top, each pixel the highest level of its points.
  const int rows = std::max(rowCount_, 1);
  preview_ = QImage(kSliderWidth, rows * 2, QImage::Format_RGB32);
  preview_.fill(Qt::black);
  const double range = max_ - min_;
  if (rowCount_ > 0 && width_ > 0 && range != 0 && std::isfinite(range)) {
    for (int r = 0; r < rowCount_; ++r) {
      const double* v = rows_.data() + static_cast<std::size_t>(rowCount_ - 1 - r) * static_cast<std::size_t>(width_);
      auto* line = reinterpret_cast<QRgb*>(preview_.scanLine(r * 2));
      for (int x = 0; x < kSliderWidth; ++x) {
        const int b = static_cast<int>(static_cast<long long>(x) * width_ / kSliderWidth);
        const int e = std::max(b + 1, static_cast<int>(static_cast<long long>(x + 1) * width_ / kSliderWidth));
        double m = -std::numeric_limits<double>::infinity();
        for (int i = b; i < e && i < width_; ++i) m = v[i] > m ? v[i] : m;
        line[x] = ToQColor(colors.Color(std::isinf(m) ? std::nan("") : (m - min_) / range)).rgb();
      }
      std::copy(line, line + kSliderWidth, reinterpret_cast<QRgb*>(preview_.scanLine(r * 2 + 1)));
    }
  }
  previewLabel_->setPixmap(QPixmap::fromImage(preview_));
}
