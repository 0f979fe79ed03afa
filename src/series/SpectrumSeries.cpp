#include "series/SpectrumSeries.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cwchar>

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
  if (storage_.Storage().CompletedSerial() != completedBefore) thread_->DataArrived();
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

SRect TQuorSpectrumSeries::ImageRect() const {
  if (Chart() == nullptr) return {};
  SRect r = Chart()->PlotRect();
  r.right = std::max(r.left, r.right - kScaleWidth);
  return r;
}

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
  DrawColorScale(canvas, r);
  if (mode_ == smSpectrogram) DrawTimeAxis(canvas, r);
}

void TQuorSpectrumSeries::DrawColorScale(ICanvas& canvas, const SRect& image) {
  const int h = image.Height();
  if (h <= 0) return;
  constexpr int kBar = 10;
  const SColorMapSettings& s = colorMap_;
  if (scaleImage_.Height() != h || s.curveStart != scaleSettings_.curveStart || s.curveStop != scaleSettings_.curveStop ||
      s.curveShape != scaleSettings_.curveShape || s.colorMap != scaleSettings_.colorMap) {
    CColorMap colors;
    colors.Build(s);
    scaleImage_.Resize(kBar, h);
    for (int y = 0; y < h; ++y) {
      const TRGBA c = colors.Color(h > 1 ? 1.0 - static_cast<double>(y) / (h - 1) : 1.0);
      std::fill(scaleImage_.Row(y), scaleImage_.Row(y) + kBar, c);
    }
    scaleSettings_ = s;
  }
  const int x = image.right + 4;
  canvas.DrawImage(scaleImage_, x, image.top);
  canvas.SetFont({L"Tahoma", 7, false, clBlack});
  wchar_t text[32];
  std::swprintf(text, 32, L"%.0f", max_);
  canvas.TextOutEx(x + kBar + 2, image.top, text, {haLeft, vaTop, 0});
  std::swprintf(text, 32, L"%.0f", min_);
  canvas.TextOutEx(x + kBar + 2, image.bottom, text, {haLeft, vaBottom, 0});
}

void TQuorSpectrumSeries::DrawTimeAxis(ICanvas& canvas, const SRect& image) {
  // One image row per sweep, newest on top: a label every 100 rows with the sweep's age and,
  // on the top row, its wall-clock time.
  const CStorage& history = storage_.Storage();
  std::lock_guard lock(history);
  const int complete = history.GetCompleteCount();
  int newest = 0;
  if (complete < 1 || !history.GetTimeStamp(complete - 1, newest)) return;
  canvas.SetFont({L"Tahoma", 7, false, clWhite});
  wchar_t text[64];
  for (int row = 0; row < image.Height() && row < complete; row += 100) {
    int stamp = 0;
    if (!history.GetTimeStamp(complete - 1 - row, stamp)) break;
    if (row == 0) {
      const auto wall = static_cast<std::time_t>(history.EpochWallClock() + stamp / 1000.0);
      std::tm local{};
      localtime_r(&wall, &local);
      std::swprintf(text, 64, L"%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    } else {
      std::swprintf(text, 64, L"%.1f %ls", (stamp - newest) / 1000.0, Tr("с").c_str());
    }
    canvas.Line(image.left, image.top + row, image.left + 4, image.top + row);
    canvas.TextOutEx(image.left + 6, image.top + row, text, {haLeft, vaTop, 0});
  }
}
