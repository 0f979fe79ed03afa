#include "series/SpectrumRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "series/SpectrumSeries.h"

namespace {
constexpr float kNoLevel = -std::numeric_limits<float>::infinity();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
}  // namespace

void CSpectrumRenderer::PrepareColumns(const CStorage& storage, int columns) {
  // Called with the storage locked.
  const int n = storage.GetSize();
  const double* x = storage.StimulusData();
  columns_ = columns;
  points_ = n;
  spanStart_.assign(static_cast<std::size_t>(columns) + 1, 0);
  pointColumn_.assign(static_cast<std::size_t>(n), -1);
  const double span = view_.stimStop - view_.stimStart;
  monotonic_ = true;
  int last = -1;
  for (int i = 0; i < n; ++i) {
    const double c = std::floor((x[i] - view_.stimStart) / span * columns);
    const int col = c >= 0 && c < columns ? static_cast<int>(c) : (c < 0 ? -1 : columns);
    pointColumn_[static_cast<std::size_t>(i)] = col;
    if (col < last) monotonic_ = false;
    last = col;
  }
  if (!monotonic_) return;
  // spanStart_[c] = first point in column c or beyond; a column without points of its own
  // shows the point just before it (or after it, at the left edge), as a stretched sweep.
  int i = 0;
  for (int c = 0; c <= columns; ++c) {
    while (i < n && pointColumn_[static_cast<std::size_t>(i)] < c) ++i;
    spanStart_[static_cast<std::size_t>(c)] = i;
  }
  spanEnd_.assign(static_cast<std::size_t>(columns), 0);
  for (int c = 0; c < columns; ++c) {
    const auto k = static_cast<std::size_t>(c);
    int b = spanStart_[k], e = spanStart_[k + 1];
    if (b == e && n > 0) {
      b = std::clamp(b - 1, 0, n - 1);
      e = b + 1;
    }
    spanStart_[k] = b;
    spanEnd_[k] = e;
  }
}

bool CSpectrumRenderer::ReadLevel(const CStorage& storage, long long serial) {
  std::lock_guard lock(storage);
  if (storage.ResetSerial() != resetSerial_) return false;
  const int index = storage.GetCompleteCount() - 1 - static_cast<int>(storage.CompletedSerial() - serial);
  const float* v = storage.LevelData(index);
  if (v == nullptr) return false;
  float* out = maxima_.data();
  const int n = points_;
  if (monotonic_) {
    const int* start = spanStart_.data();
    const int* end = spanEnd_.data();
    for (int c = 0; c < columns_; ++c) {
      const int b = start[c], e = end[c];
      float m = kNoLevel;
      for (int i = b; i < e; ++i) m = v[i] > m ? v[i] : m;
      out[c] = m == kNoLevel ? kNaNf : m;
    }
  } else {
    std::fill(maxima_.begin(), maxima_.end(), kNoLevel);
    for (int i = 0; i < n; ++i) {
      const int c = pointColumn_[static_cast<std::size_t>(i)];
      if (c >= 0 && c < columns_ && v[i] > out[c]) out[c] = v[i];
    }
    for (float& m : maxima_)
      if (m == kNoLevel) m = kNaNf;
  }
  return true;
}

CSpectrumRenderer::EResult CSpectrumRenderer::Render(const CStorage& storage, const SSpectrumView& view,
                                                     const CColorMap& colors, bool full) {
  const bool usable = view.width > 0 && view.height > 0 && std::isfinite(view.max - view.min) &&
                      view.max != view.min && std::isfinite(view.stimStop - view.stimStart) &&
                      view.stimStop != view.stimStart;
  long long newest = 0, reset = 0;
  int complete = 0, points = 0;
  {
    std::lock_guard lock(storage);
    newest = storage.CompletedSerial();
    reset = storage.ResetSerial();
    complete = storage.GetCompleteCount();
    points = storage.GetSize();
  }
  if (!usable || complete < 1 || points < 1) {
    image_.Resize(0, 0);
    renderedSerial_ = -1;
    return rrNothing;
  }
  const bool same = !full && view == view_ && reset == resetSerial_ && points == points_ &&
                    image_.Width() == view.width && image_.Height() == view.height;
  if (same && newest == renderedSerial_) return rrUnchanged;
  view_ = view;
  scale_ = 1.0 / (view.max - view.min);
  resetSerial_ = reset;
  if (same && view.mode == smSpectrogram && newest - renderedSerial_ < view.height &&
      Incremental(storage, view, colors, newest))
    return rrIncremental;
  return Full(storage, view, colors, newest) ? rrFull : rrNothing;
}

bool CSpectrumRenderer::Incremental(const CStorage& storage, const SSpectrumView& view, const CColorMap& colors,
                                    long long newest) {
  const int k = static_cast<int>(newest - renderedSerial_);
  const std::size_t rowBytes = static_cast<std::size_t>(view.width) * sizeof(TRGBA);
  std::memmove(image_.Row(k), image_.Row(0), rowBytes * static_cast<std::size_t>(view.height - k));
  RenderSpectrogramRows(storage, colors, newest, 0, k);
  renderedSerial_ = newest;
  return true;
}

bool CSpectrumRenderer::Full(const CStorage& storage, const SSpectrumView& view, const CColorMap& colors,
                             long long newest) {
  image_.Resize(view.width, view.height, CColorMap::kBackground);
  switch (view.mode) {
    case smWaterfall: RenderWaterfall(storage, colors, newest); break;
    case smHeatMap: RenderHeatMap(storage, colors); break;
    default: {
      {
        std::lock_guard lock(storage);
        PrepareColumns(storage, view.width);
      }
      maxima_.resize(static_cast<std::size_t>(columns_));
      RenderSpectrogramRows(storage, colors, newest, 0, view.height);
      break;
    }
  }
  renderedSerial_ = newest;
  return true;
}

void CSpectrumRenderer::RenderSpectrogramRows(const CStorage& storage, const CColorMap& colors, long long newest,
                                              int first, int count) {
  const TRGBA* table = colors.Table();
  const double scale = scale_ * (CColorMap::kColors - 1);
  const double offset = 0.5 - view_.min * scale;
  for (int r = first; r < first + count; ++r) {
    TRGBA* row = image_.Row(r);
    if (!ReadLevel(storage, newest - r)) {
      std::fill(row, row + view_.width, CColorMap::kBackground);
      continue;
    }
    for (int c = 0; c < columns_; ++c) {
      const double i = maxima_[static_cast<std::size_t>(c)] * scale + offset;
      // NaN fails both tests and lands on the background.
      row[c] = i >= 0 ? (i < CColorMap::kColors ? table[static_cast<int>(i)] : table[CColorMap::kColors - 1])
                      : (i < 0 ? table[0] : CColorMap::kBackground);
    }
  }
}

SWaterfallGeometry::SWaterfallGeometry(int w, int h) {
  // The front sweep takes 70 % of the width and half the height.
  sweepWidth = std::max(1, w * 7 / 10);
  amplitude = std::max(1, h / 2);
  depth = std::clamp(h / 8, 2, 64);
  dx = static_cast<double>(w - sweepWidth) / depth;
  dy = static_cast<double>(h - amplitude) / depth;
}

int SWaterfallGeometry::Left(int j) const { return static_cast<int>(std::lround(j * dx)); }

int SWaterfallGeometry::Base(int h, int j) const { return h - 1 - static_cast<int>(std::lround(j * dy)); }

int SWaterfallGeometry::SweepAtRow(int h, int y) const {
  if (dy <= 0) return y >= 0 && y < h ? 0 : -1;
  const long j = std::lround((h - 1 - y) / dy);
  return j >= 0 && j < depth ? static_cast<int>(j) : -1;
}

void CSpectrumRenderer::RenderWaterfall(const CStorage& storage, const CColorMap& colors, long long newest) {
  const int w = view_.width, h = view_.height;
  const SWaterfallGeometry g(w, h);
  {
    std::lock_guard lock(storage);
    PrepareColumns(storage, g.sweepWidth);
  }
  maxima_.resize(static_cast<std::size_t>(columns_));
  // Back to front, so the newer sweeps hide the older.
  for (int j = g.depth - 1; j >= 0; --j) {
    if (!ReadLevel(storage, newest - view_.scroll - j)) continue;
    const int x0 = g.Left(j);
    const int base = g.Base(h, j);
    for (int c = 0; c < columns_; ++c) {
      const float v = maxima_[static_cast<std::size_t>(c)];
      if (std::isnan(v)) continue;
      const double f = std::clamp(Fraction(v), 0.0, 1.0);
      const int top = base - static_cast<int>(f * (g.amplitude - 1));
      const TRGBA color = colors.Color(f);
      const int x = x0 + c;
      if (x >= w) break;
      for (int y = std::max(top, 0); y <= base && y < h; ++y) image_.Row(y)[x] = color;
      if (top >= 0 && top < h) image_.Row(top)[x] = 0xFFFFFFFFu;  // the ridge line
    }
  }
}

void CSpectrumRenderer::RenderHeatMap(const CStorage& storage, const CColorMap& colors) {
  const int w = view_.width, h = view_.height;
  {
    std::lock_guard lock(storage);
    PrepareColumns(storage, w);
  }
  maxima_.resize(static_cast<std::size_t>(w));
  counts_.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  long long newest = 0;
  int levels = 0;
  {
    std::lock_guard lock(storage);
    newest = storage.CompletedSerial();
    levels = storage.GetCompleteCount();
  }
  int most = 0;
  for (int l = 0; l < levels; ++l) {
    if (!ReadLevel(storage, newest - l)) break;
    for (int c = 0; c < w; ++c) {
      const float v = maxima_[static_cast<std::size_t>(c)];
      if (std::isnan(v)) continue;
      const double f = std::clamp(Fraction(v), 0.0, 1.0);
      const int y = static_cast<int>((1.0 - f) * (h - 1) + 0.5);
      most = std::max(most, ++counts_[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(c)]);
    }
  }
  if (most == 0) return;
  // Logarithmic in the count, so a carrier seen in a few sweeps still shows beside the floor
  // seen in all of them.
  const double scale = 1.0 / std::log1p(most);
  for (int y = 0; y < h; ++y) {
    TRGBA* row = image_.Row(y);
    const int* count = counts_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    for (int c = 0; c < w; ++c)
      if (count[c] > 0) row[c] = colors.Color(std::log1p(count[c]) * scale);
  }
}
