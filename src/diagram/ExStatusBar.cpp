#include "diagram/ExStatusBar.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "chart/Chart.h"
#include "common/Assert.h"
#include "common/Text.h"
#include "common/Units.h"
#include "core/DiagCommonLib.h"
#include "core/DiagMetrics.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/MeasurementInterface.h"
#include "interfaces/TraceInterface.h"

namespace {

enum EField { fStart = 0, fCenter = 1, fStop = 2 };

constexpr const wchar_t* kFieldNames[3] = {L"freq,start", L"freq,center", L"freq,stop"};
constexpr const char* kFieldHints[3] = {TrNoop("Начальная частота сканирования"),
                                         TrNoop("Центральная частота сканирования"),
                                         TrNoop("Конечная частота сканирования")};

// Theme slots the bar takes its colours from.
constexpr int kSlotFace = 21;
constexpr int kSlotCellFace = 22;
constexpr int kSlotCellFrame = 23;
constexpr int kSlotValueText = 24;
constexpr int kSlotFieldText = 20;
constexpr int kLighten = 20;  // percent

// The colour moved `percent` of the way to white.
TColor Lighten(TColor c, int percent) {
  const TColor rgb = ColorToRGB(c);
  const auto up = [percent](std::uint8_t v) { return std::uint8_t(v + (255 - v) * percent / 100); };
  return RGBColor(up(GetRValue(rgb)), up(GetGValue(rgb)), up(GetBValue(rgb)));
}

// A stimulus value given as mantissa and engineering exponent, shown in its units with
// the resolution the quantity keeps in base units (1 mHz for "Hz"): no digit of the sweep
// setting is lost, and trailing zeros are cut.
std::wstring StimulusText(double mantissa, int exponent, const std::wstring& quantity) {
  const double value = exponent == 0 ? mantissa : mantissa * std::pow(10.0, exponent);
  const int fraction = GetUnitsFractionSize(quantity);
  const int digits = QuantityTakesPrefix(quantity) ? std::clamp(exponent + fraction, 0, 15) : fraction;
  return CalcOptimalValueString(value, quantity, digits);
}

bool Overlap(const SRect& a, const SRect& b, int gap) {
  return a.left < b.right + gap && b.left < a.right + gap;
}

SFont BarFont(TColor color) {
  SFont font;
  font.name = L"Tahoma";
  font.size = TExStatusBar::kFontSize;
  font.color = color;
  return font;
}

}  // namespace

TExStatusBar::TExStatusBar(DiagramInterface* diagram) : diagram_(diagram) {
  PV_ASSERT(diagram_ != nullptr);
}

TExStatusBar::~TExStatusBar() {
  indicators_.clear();
  channel_.clear();
}

int TExStatusBar::Margin() const { return GetMetrics(IND_OFFSET); }

void TExStatusBar::SetPosition(int position, ICanvas* measure) {
  if (!PV_ASSERT(position == 0 || position == 1)) return;
  position_ = position;
  const int oldHeight = height_;
  const int oldWidth = width_;
  if (position == 0) {
    if (!PV_ASSERT_MSG(diagram_ != nullptr, "Parent != NULL")) return;
    int textHeight = kFontSize * 3 / 2;
    if (measure != nullptr) {
      measure->SetFont(BarFont(valueText_));
      textHeight = measure->TextExtent(L"TEST").cy;
    }
    height_ = textHeight + 2 * GetMetrics(IND_TEXT_VERT_OFFSET);
    width_ = 0;
  } else {
    width_ = GetMetrics(IND_LEFT_WIDTH) + 2 * GetMetrics(IND_OFFSET);
    height_ = 0;
  }
  if ((height_ != oldHeight || width_ != oldWidth) && onAutoResized) onAutoResized(this);
}

void TExStatusBar::SetColorTheme(const SColorTheme& theme) {
  face_ = theme.colors[kSlotFace];
  cellFace_ = theme.colors[kSlotCellFace];
  lightFace_ = Lighten(face_, kLighten);
  lightCellFace_ = Lighten(cellFace_, kLighten);
  valueText_ = theme.colors[kSlotValueText];
  fieldText_ = theme.colors[kSlotFieldText];
  cellFrame_ = theme.colors[kSlotCellFrame];
  swatchFrame_ = theme.colors[kSlotValueText];
}

bool TExStatusBar::IsChannelTrace(unsigned index) const {
  if (diagram_ == nullptr || index >= diagram_->GetTraceCount()) return false;
  const TraceInterface* trace = diagram_->Trace(index);
  if (trace == nullptr || !trace->GetVisible()) return false;
  const MeasurementInterface* m = trace->Measurement();
  return m != nullptr && m->GetParameter(L"channel") == channel_;
}

void TExStatusBar::CollectIndicators() {
  indicators_.clear();
  measurement_ = nullptr;
  const auto kind = static_cast<EChannelIndicatorType>(position_);
  const unsigned count = diagram_->MeasurementCount();
  for (unsigned i = 0; i < count; ++i) {
    MeasurementInterface* m = diagram_->Measurement(i);
    if (m == nullptr || m->GetParameter(L"channel") != channel_ || !m->GetVisible()) continue;
    if (measurement_ == nullptr) measurement_ = m;
    const int n = m->GetIndicatorCount(kind);
    for (int j = 0; j < n; ++j) {
      const SChannelIndicator* ind = m->GetIndicator(kind, static_cast<unsigned>(j));
      if (ind == nullptr) continue;
      auto at = std::lower_bound(indicators_.begin(), indicators_.end(), ind->ID,
                                 [](const SBarHit& h, int id) { return h.index < id; });
      // An index already shown belongs to an earlier measurement of the channel.
      if (at != indicators_.end() && at->index == ind->ID) continue;
      if (indicators_.size() >= static_cast<size_t>(kMaxItems) && at == indicators_.end()) continue;
      indicators_.insert(at, SBarHit{ind->ID, ind->Category, ind->Text, ind->Hint, ind->Category});
      if (indicators_.size() > static_cast<size_t>(kMaxItems)) indicators_.pop_back();
    }
  }
}

void TExStatusBar::FillFields() {
  double start = 0, stop = 0, center = 0;
  int startDigits = 0, stopDigits = 0, centerDigits = 0;
  measurement_->GetOptimalRange(start, stop, center, startDigits, stopDigits, centerDigits);
  if (measurement_->HasReversedSweep()) {
    std::swap(start, stop);
    std::swap(startDigits, stopDigits);
  }
  const std::wstring quantity = measurement_->GetStimulusQuantity();
  fields_[fStart].text = StimulusText(start, startDigits, quantity);
  fields_[fCenter].text = StimulusText(center, centerDigits, quantity);
  fields_[fStop].text = StimulusText(stop, stopDigits, quantity);
}

void TExStatusBar::Paint(ICanvas& canvas) {
  if (hidden_ || !visible_ || diagram_ == nullptr) return;
  if (height_ <= 0 && position_ != 1) return;
  if (const CChart* chart = diagram_->GetChart(); chart != nullptr) {
    const SRect plot = chart->PlotRect();
    if (plot.Width() <= 0 || plot.Height() <= 0) return;
  }

  CollectIndicators();
  indicatorRects_.assign(indicators_.size(), SPlaced{});
  swatches_.assign(std::min<unsigned>(diagram_->GetTraceCount(), kMaxItems), SPlaced{});
  for (SField& f : fields_) f.shown = false;
  if (!PV_ASSERT_MSG(measurement_ != nullptr, "Measurement != NULL")) return;
  FillFields();
  if (bounds_.Width() <= 0 || bounds_.Height() <= 0) return;

  canvas.SetClipRect(bounds_);
  canvas.SetPen({cellFrame_, 1, psClear});
  canvas.SetBrush({position_ == 1 ? lightFace_ : face_, bsSolid});
  canvas.FillRect(bounds_);
  canvas.SetFont(BarFont(valueText_));
  if (position_ == 1)
    PaintVertical(canvas);
  else
    PaintHorizontal(canvas);
  canvas.ResetClip();
}

void TExStatusBar::PaintSwatch(ICanvas& canvas, unsigned index, const SRect& rect) {
  canvas.SetPen({swatchFrame_, 1, psSolid});
  canvas.SetBrush({diagram_->Trace(index)->GetColor(), bsSolid});
  canvas.Rectangle(rect);
  swatches_[index] = {rect, true};
}

void TExStatusBar::PaintCell(ICanvas& canvas, const SRect& rect, const std::wstring& text, TColor face,
                             TColor color, bool centred) {
  canvas.SetPen({cellFrame_, 1, psSolid});
  canvas.SetBrush({face, bsSolid});
  canvas.Rectangle(rect);
  canvas.SetFont(BarFont(color));
  const SSize extent = canvas.TextExtent(text);
  const int ho = GetMetrics(IND_TEXT_HORZ_OFFSET);
  int x = rect.left + ho;
  if (centred && extent.cx < rect.Width() - 2 * ho) x = rect.left + (rect.Width() - extent.cx) / 2;
  const int y = rect.top + std::max(0, (rect.Height() - extent.cy) / 2);
  // A value wider than a vertical bar's cell is cut at the cell, not at the bar.
  canvas.SetClipRect({std::max(rect.left, bounds_.left), std::max(rect.top, bounds_.top),
                      std::min(rect.right, bounds_.right), std::min(rect.bottom, bounds_.bottom)});
  canvas.TextOut(x, y, text);
  canvas.SetClipRect(bounds_);
}

void TExStatusBar::PaintField(ICanvas& canvas, SField& field, const SRect& rect) {
  PaintCell(canvas, rect, field.text, lightCellFace_, fieldText_, true);
  field.rect = rect;
  field.shown = true;
}

void TExStatusBar::PaintHorizontal(ICanvas& canvas) {
  const int off = GetMetrics(IND_OFFSET);
  const int ho = GetMetrics(IND_TEXT_HORZ_OFFSET);
  const int swatch = GetMetrics(IND_TRACE_SIZE);
  const SRect& b = bounds_;
  const int right = b.right - off;
  const auto cellWidth = [&](const std::wstring& text) { return canvas.TextExtent(text).cx + 2 * ho; };
  int x = b.left + off;

  if (primary_) {
    const int top = b.top + (b.Height() - swatch) / 2;
    for (unsigned i = 0; i < swatches_.size(); ++i) {
      if (!IsChannelTrace(i)) continue;
      const SRect r{x, top, x + swatch, top + swatch};
      if (r.right > right) break;
      PaintSwatch(canvas, i, r);
      x = r.right + off;
    }
    const int w0 = cellWidth(fields_[fStart].text);
    const int w1 = cellWidth(fields_[fCenter].text);
    const int w2 = cellWidth(fields_[fStop].text);
    const SRect start{x, b.top, x + w0, b.bottom};
    const int mid = b.left + b.Width() / 2;
    const SRect center{mid - w1 / 2, b.top, mid - w1 / 2 + w1, b.bottom};
    const SRect stop{right - w2, b.top, right, b.bottom};
    if (start.right <= right) {
      PaintField(canvas, fields_[fStart], start);
      x = start.right + off;
      if (!Overlap(stop, start, off)) PaintField(canvas, fields_[fStop], stop);
      if (!Overlap(center, start, off) && (!fields_[fStop].shown || !Overlap(center, stop, off)))
        PaintField(canvas, fields_[fCenter], center);
    }
  }

  const int limit = fields_[fStop].shown ? fields_[fStop].rect.left - off : right;
  for (size_t k = 0; k < indicators_.size(); ++k) {
    const int w = cellWidth(indicators_[k].value);
    SRect r{x, b.top, x + w, b.bottom};
    if (fields_[fCenter].shown && Overlap(r, fields_[fCenter].rect, off)) {
      x = fields_[fCenter].rect.right + off;
      r = {x, b.top, x + w, b.bottom};
    }
    if (r.right > limit) break;
    PaintCell(canvas, r, indicators_[k].value, cellFace_, valueText_, false);
    indicatorRects_[k] = {r, true};
    x = r.right + off;
  }
}

void TExStatusBar::PaintVertical(ICanvas& canvas) {
  const int off = GetMetrics(IND_OFFSET);
  const int vo = GetMetrics(IND_TEXT_VERT_OFFSET);
  const int swatch = GetMetrics(IND_TRACE_SIZE);
  const SRect& b = bounds_;
  const int left = b.left + off;
  const int right = std::min(left + GetMetrics(IND_LEFT_WIDTH), b.right - off);
  const int bottom = b.bottom - off;
  const int textHeight = canvas.TextExtent(L"TEST").cy;
  int y = b.top + off;

  if (primary_) {
    int x = left;
    bool any = false;
    for (unsigned i = 0; i < swatches_.size(); ++i) {
      if (!IsChannelTrace(i)) continue;
      if (x + swatch > right && x > left) {  // next row
        x = left;
        y += swatch + off;
      }
      const SRect r{x, y, x + swatch, y + swatch};
      if (r.bottom > bottom) break;
      PaintSwatch(canvas, i, r);
      x = r.right + off;
      any = true;
    }
    if (any) y += swatch + off;
    for (SField& field : fields_) {
      const SRect r{left, y, right, y + textHeight + 2 * vo};
      if (r.bottom > bottom) break;
      PaintField(canvas, field, r);
      y = r.bottom + off;
    }
  }

  const int cellHeight = std::max(GetMetrics(IND_LEFT_ICON), textHeight) + 2 * vo;
  for (size_t k = 0; k < indicators_.size(); ++k) {
    const SRect r{left, y, right, y + cellHeight};
    if (r.bottom > bottom) break;
    PaintCell(canvas, r, indicators_[k].value, cellFace_, valueText_, true);
    indicatorRects_[k] = {r, true};
    y = r.bottom + off;
  }
}

SBarHit TExStatusBar::HitTest(int x, int y) const {
  if (measurement_ == nullptr) return {};
  for (int f = 0; f < 3; ++f) {
    const SField& field = fields_[f];
    if (field.shown && field.rect.Contains(x, y))
      return SBarHit{-1, L"freq", field.text, Tr(kFieldHints[f]), kFieldNames[f]};
  }
  for (size_t k = 0; k < indicators_.size() && k < indicatorRects_.size(); ++k) {
    if (indicatorRects_[k].shown && indicatorRects_[k].rect.Contains(x, y)) return indicators_[k];
  }
  for (unsigned i = 0; i < swatches_.size(); ++i) {
    if (!swatches_[i].shown || !swatches_[i].rect.Contains(x, y) || !IsChannelTrace(i)) continue;
    const std::wstring name = diagram_->Trace(i)->GetName();
    // The name doubles as the swatch's tool tip.
    return SBarHit{static_cast<int>(i), L"none", name, name, L"trace"};
  }
  return {};
}

std::wstring TExStatusBar::HintAt(int x, int y) const {
  const SBarHit hit = HitTest(x, y);
  if (!hit.name.empty() || hit.index >= 0) return hit.hint;
  return {};
}

bool TExStatusBar::MouseMove(int x, int y) {
  std::wstring hint = HintAt(x, y);
  if (hint == hint_) return false;
  hint_ = std::move(hint);
  return true;
}
