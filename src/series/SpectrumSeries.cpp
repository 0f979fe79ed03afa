#include "series/SpectrumSeries.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cwchar>
#include <limits>

#include "chart/Chart.h"
#include "common/Assert.h"
#include "common/MainThread.h"
#include "common/Text.h"
#include "interfaces/TraceInterface.h"

TQuorSpectrumSeries::TQuorSpectrumSeries() : thread_(std::make_unique<CDrawSpectrumThread>(storage_.Storage())) {
  std::weak_ptr<char> token = alive_;
  // Runs on the drawing thread: only the repaint request crosses over, on the UI thread.
  thread_->SetImageCallback([this, token] {
    PostToMainThread([this, token] {
      if (token.lock() != nullptr && parent_ != nullptr) parent_->Repaint();
    });
  });
  thread_->SetColorMap(colorMap_);
}

TQuorSpectrumSeries::~TQuorSpectrumSeries() { thread_->ThreadStop(); }

void TQuorSpectrumSeries::UpdateView() {
  SSpectrumView view;
  view.mode = mode_;
  view.width = imageSize_.cx;
  view.height = imageSize_.cy;
  view.min = min_;
  view.max = max_;
  view.stimStart = stimStart_;
  view.stimStop = stimStop_;
  view.scroll = mode_ == smWaterfall ? scroll_ : 0;
  thread_->SetView(view);
}

void TQuorSpectrumSeries::SetColorMapSettings(double low, double high, double curve, int palette) {
  const SColorMapSettings settings{low, high, curve, palette};
  if (settings.curveStart == colorMap_.curveStart && settings.curveStop == colorMap_.curveStop &&
      settings.curveShape == colorMap_.curveShape && settings.colorMap == colorMap_.colorMap)
    return;  // a full re-render only for a real change
  colorMap_ = settings;
  thread_->SetColorMap(colorMap_);
}

void TQuorSpectrumSeries::UpdateScrollValue(int sweeps) {
  scroll_ = std::clamp(sweeps, 0, std::max(0, storage_.Storage().GetCompleteCount() - 1));
  UpdateView();
}

void TQuorSpectrumSeries::RepaintStorage() { thread_->DataArrived(); }

void TQuorSpectrumSeries::DataWritten(long long completedBefore) {
  // A half-written sweep is not drawn: wake the thread only when one was completed.
  const long long completed = storage_.Storage().CompletedSerial() - completedBefore;
  if (completed == 0) return;
  if (scroll_ > 0) {
    // Scrolled back, the waterfall keeps showing the same sweeps while new ones arrive.
    scroll_ = static_cast<int>(std::min<long long>(scroll_ + completed, ScrollMax()));
    UpdateView();
  }
  thread_->DataArrived();
}

void TQuorSpectrumSeries::AddArray(int start, int count, const double* y, const double* x) {
  if (!PV_ASSERT(start >= 0 && count >= 0 && (count == 0 || (x != nullptr && y != nullptr)))) return;
  // The line holds the newest sweep: overwrite what it has, append the rest.
  const int overlap = std::clamp(Count() - start, 0, count);
  if (start <= Count()) {
    ReplaceXY(start, x, y, overlap);
    AppendXY(x + overlap, y + overlap, count - overlap);
  }
  const long long before = storage_.Storage().CompletedSerial();
  storage_.AddArray(start, count, y, x);
  DataWritten(before);
}

void TQuorSpectrumSeries::SourceWritten(int first, int count) {
  if (count <= 0) return;
  const long long before = storage_.Storage().CompletedSerial();
  storage_.AddArray(first, count, Data().Y() + first, Data().X() + first);
  DataWritten(before);
}

SRect TQuorSpectrumSeries::ImageRect() const { return Chart() != nullptr ? Chart()->PlotRect() : SRect{}; }

void TQuorSpectrumSeries::Draw(ICanvas& canvas) {
  if (!Visible() || Chart() == nullptr) return;
  const SRect r = ImageRect();
  if (r.Width() != imageSize_.cx || r.Height() != imageSize_.cy) {
    imageSize_ = {r.Width(), r.Height()};
    UpdateView();
    if (storage_.Storage().GetCompleteCount() > 0) thread_->DataArrived();
  }
  const CImage* image = thread_->TakeImage();
  if (image == nullptr) return;
  canvas.DrawImage(*image, r.left, r.top);
  DrawTimeCursor(canvas, r);
}

void TQuorSpectrumSeries::DrawOutside(ICanvas& canvas) {
  if (Chart() == nullptr || storage_.Storage().GetCompleteCount() < 1) return;
  const SRect r = ImageRect();
  if (r.Width() <= 0 || r.Height() <= 0) return;
  DrawColorScale(canvas, r);
  if (mode_ != smHeatMap) DrawTimeAxis(canvas, r);
  if (mode_ == smWaterfall) DrawScrollBar(canvas);
}

void TQuorSpectrumSeries::DrawColorScale(ICanvas& canvas, const SRect& image) {
  const int h = image.Height();
  const SColorMapSettings& s = colorMap_;
  if (scaleImage_.Height() != h || s.curveStart != scaleSettings_.curveStart || s.curveStop != scaleSettings_.curveStop ||
      s.curveShape != scaleSettings_.curveShape || s.colorMap != scaleSettings_.colorMap) {
    CColorMap colors;
    colors.Build(s);
    scaleImage_.Resize(kBarWidth, h);
    for (int y = 0; y < h; ++y) {
      const TRGBA c = colors.Color(h > 1 ? 1.0 - static_cast<double>(y) / (h - 1) : 1.0);
      std::fill(scaleImage_.Row(y), scaleImage_.Row(y) + kBarWidth, c);
    }
    scaleSettings_ = s;
  }
  const int x = image.right + 4 + (mode_ == smWaterfall ? kScrollWidth + 3 : 0);
  canvas.DrawImage(scaleImage_, x, image.top);
  canvas.SetFont({L"Tahoma", 7, false, clBlack});
  wchar_t text[32];
  std::swprintf(text, 32, L"%.0f", max_);
  canvas.TextOutEx(x + kBarWidth + 2, image.top, text, {haLeft, vaTop, 0});
  std::swprintf(text, 32, L"%.0f", min_);
  canvas.TextOutEx(x + kBarWidth + 2, image.bottom, text, {haLeft, vaBottom, 0});
}

std::wstring TQuorSpectrumSeries::LevelTime(int level, ETimeForm form) const {
  const CStorage& history = storage_.Storage();
  std::lock_guard lock(history);
  const int complete = history.GetCompleteCount();
  int stamp = 0, newest = 0;
  if (!history.GetTimeStamp(level, stamp) || !history.GetTimeStamp(complete - 1, newest)) return {};
  wchar_t text[64];
  if (form != tfAge) {
    const double at = history.EpochWallClock() + stamp / 1000.0;
    const auto whole = static_cast<std::time_t>(std::floor(at));
    std::tm local{};
    localtime_r(&whole, &local);
    const int length = std::swprintf(text, 64, L"%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    if (form == tfClockMs && length > 0)
      std::swprintf(text + length, 64 - static_cast<std::size_t>(length), L".%03d", static_cast<int>((at - std::floor(at)) * 1000));
  } else {
    std::swprintf(text, 64, L"%.1f %ls", (stamp - newest) / 1000.0, Tr("с").c_str());
  }
  return text;
}

void TQuorSpectrumSeries::DrawTimeAxis(ICanvas& canvas, const SRect& image) {
  // In the left strip: the wall-clock time of the first sweep labelled (the newest in a
  // spectrogram, the furthest back in a waterfall), and about every 40 pixels on the age of
  // the sweep at that row.
  canvas.SetFont({L"Tahoma", 7, false, clBlack});
  canvas.SetPen({clBlack, 1, psSolid});
  const int label = image.left - 4;
  int lastY = -1000;
  for (int y = image.top; y < image.bottom; ++y) {
    if (y - lastY < 40) continue;
    const int level = LevelAtPixel(y);
    if (level < 0) continue;
    const bool first = lastY < image.top;
    const std::wstring text = LevelTime(level, first ? tfClock : tfAge);
    if (text.empty()) continue;
    canvas.Line(image.left - 3, y, image.left, y);
    canvas.TextOutEx(label, y, text, {haRight, first ? vaTop : vaCenter, 0});
    lastY = y;
  }
}

void TQuorSpectrumSeries::DrawTimeCursor(ICanvas& canvas, const SRect& image) {
  if (cursorLevel_ < 0 || cursorY_ < image.top || cursorY_ >= image.bottom) return;
  int left = image.left, right = image.right;
  int y = cursorY_;
  if (mode_ == smWaterfall) {
    // Along the base of the sweep under the pointer.
    const SWaterfallGeometry g(image.Width(), image.Height());
    const int j = g.SweepAtRow(image.Height(), cursorY_ - image.top);
    left = image.left + g.Left(j);
    right = left + g.sweepWidth;
    y = image.top + g.Base(image.Height(), j);
  }
  canvas.SetPen({clWhite, 1, psDash});
  canvas.Line(left, y, right, y);
  canvas.SetFont({L"Tahoma", 8, true, clWhite});
  canvas.TextOutEx(right - 4, y - 2, TimeCursorText(), {haRight, vaBottom, 0});
}

std::wstring TQuorSpectrumSeries::TimeCursorText() const {
  if (cursorLevel_ < 0) return {};
  const std::wstring wall = LevelTime(cursorLevel_, tfClockMs), age = LevelTime(cursorLevel_, tfAge);
  return wall.empty() ? std::wstring() : wall + L"  (" + age + L")";
}

int TQuorSpectrumSeries::LevelAtPixel(int y) const {
  const SRect r = ImageRect();
  if (mode_ == smHeatMap || y < r.top || y >= r.bottom) return -1;
  const int complete = storage_.Storage().GetCompleteCount();
  int back = y - r.top;  // spectrogram: one row per sweep, the newest on top
  if (mode_ == smWaterfall) {
    back = SWaterfallGeometry(r.Width(), r.Height()).SweepAtRow(r.Height(), y - r.top);
    if (back < 0) return -1;
    back += scroll_;
  }
  const int level = complete - 1 - back;
  return level >= 0 ? level : -1;
}

bool TQuorSpectrumSeries::NewestSweepPoint(double x, double value, SPointF& at) const {
  const SRect r = ImageRect();
  const double span = stimStop_ - stimStart_;
  if (r.Width() <= 0 || r.Height() <= 0 || span == 0 || !(max_ > min_) || std::isnan(x) || std::isnan(value) ||
      storage_.Storage().GetCompleteCount() < 1)
    return false;
  const double f = (x - stimStart_) / span;
  if (f < 0 || f > 1) return false;
  const double level = std::clamp((value - min_) / (max_ - min_), 0.0, 1.0);
  switch (mode_) {
    case smSpectrogram:
      at = {r.left + f * r.Width(), static_cast<double>(r.top)};
      return true;
    case smWaterfall: {
      if (scroll_ > 0) return false;
      const SWaterfallGeometry g(r.Width(), r.Height());
      at = {r.left + f * g.sweepWidth, r.top + g.Base(r.Height(), 0) - level * (g.amplitude - 1)};
      return true;
    }
    default:
      at = {r.left + f * r.Width(), r.bottom - level * r.Height()};
      return true;
  }
}

double TQuorSpectrumSeries::StimulusAtPixel(int px) const {
  const SRect r = ImageRect();
  const int width = mode_ == smWaterfall ? SWaterfallGeometry(r.Width(), r.Height()).sweepWidth : r.Width();
  if (width <= 0 || px < r.left || px > r.left + width) return std::numeric_limits<double>::quiet_NaN();
  return stimStart_ + (stimStop_ - stimStart_) * (px - r.left) / width;
}

bool TQuorSpectrumSeries::SetTimeCursor(int y) {
  const int level = y < 0 ? -1 : LevelAtPixel(y);
  const int shownY = level < 0 ? -1 : y;
  if (level == cursorLevel_ && shownY == cursorY_) return false;
  cursorLevel_ = level;
  cursorY_ = shownY;
  return true;
}

// ---- the waterfall's scroll bar -----------------------------------------------------------

int TQuorSpectrumSeries::ScrollMax() const {
  const SRect r = ImageRect();
  const int shown = SWaterfallGeometry(r.Width(), r.Height()).depth;
  return std::max(0, storage_.Storage().GetCompleteCount() - shown);
}

SRect TQuorSpectrumSeries::ScrollRect() const {
  if (mode_ != smWaterfall) return {};
  const SRect r = ImageRect();
  return {r.right + 4, r.top, r.right + 4 + kScrollWidth, r.bottom};
}

void TQuorSpectrumSeries::ThumbSpan(int& top, int& bottom) const {
  // Oldest sweeps at the top, the newest at the bottom; the thumb covers the sweeps shown.
  const SRect bar = ScrollRect();
  const int h = bar.Height(), total = storage_.Storage().GetCompleteCount();
  const int shown = std::min(total, SWaterfallGeometry(ImageRect().Width(), ImageRect().Height()).depth);
  if (total <= 0 || h <= 0) {
    top = bottom = 0;
    return;
  }
  const int size = std::max(6, static_cast<int>(static_cast<long long>(h) * shown / total));
  const int travel = h - size, max = ScrollMax();
  bottom = h - (max > 0 ? static_cast<int>(static_cast<long long>(travel) * scroll_ / max) : 0);
  top = bottom - size;
}

void TQuorSpectrumSeries::DrawScrollBar(ICanvas& canvas) {
  const SRect bar = ScrollRect();
  canvas.SetPen({RGBColor(128, 128, 128), 1, psSolid});
  canvas.SetBrush({RGBColor(192, 192, 192), bsSolid});
  canvas.Rectangle(bar);
  int top = 0, bottom = 0;
  ThumbSpan(top, bottom);
  canvas.SetBrush({dragOffset_ >= 0 ? clBlack : RGBColor(96, 96, 96), bsSolid});
  canvas.Rectangle({bar.left, bar.top + top, bar.right, bar.top + bottom});
}

bool TQuorSpectrumSeries::ScrollMouseDown(int x, int y) {
  const SRect bar = ScrollRect();
  if (bar.Height() <= 0 || !bar.Contains(x, y)) return false;
  int top = 0, bottom = 0;
  ThumbSpan(top, bottom);
  const int row = y - bar.top;
  if (row >= top && row < bottom) {
    dragOffset_ = row - top;
  } else {
    const int page = SWaterfallGeometry(ImageRect().Width(), ImageRect().Height()).depth;
    scroll_ = std::clamp(scroll_ + (row < top ? page : -page), 0, ScrollMax());
    UpdateView();
  }
  return true;
}

bool TQuorSpectrumSeries::ScrollMouseMove(int y) {
  if (dragOffset_ < 0) return false;
  const SRect bar = ScrollRect();
  int top = 0, bottom = 0;
  ThumbSpan(top, bottom);
  const int size = bottom - top, travel = bar.Height() - size, max = ScrollMax();
  if (travel > 0 && max > 0) {
    const int bottomRow = std::clamp(y - bar.top - dragOffset_ + size, size, bar.Height());
    const int scroll = static_cast<int>(std::lround(static_cast<double>(bar.Height() - bottomRow) * max / travel));
    if (scroll != scroll_) {
      scroll_ = std::clamp(scroll, 0, max);
      UpdateView();
    }
  }
  return true;
}

bool TQuorSpectrumSeries::ScrollMouseUp() {
  if (dragOffset_ < 0) return false;
  dragOffset_ = -1;
  return true;
}
