#pragma once
// Renders a sweep history into an image: the work of the spectrum drawing thread, kept apart
// from the thread so it can be tested and measured on its own.
//
// - Spectrogram: one image row per sweep, the newest on top; each pixel column shows the
//   highest level among the points that fall in it. A new sweep scrolls the image down by one
//   row and draws only the new row.
// - Waterfall: the newest sweeps as filled ridges, each older one further back (right and
//   up), drawn back to front so the newer ones hide the older; `scroll` skips newest sweeps.
// - Heat map: how often each level occurred at each stimulus over the whole history (x is
//   the stimulus, y the level, colour the count).
//
// How to add a view:
// 1. Add its ESeriesMode value (series/SpectrumSeries.h, stored in layouts: at the end).
// 2. Write a Render… member here beside the others; read levels only through ReadLevel, which
//    holds the storage's lock for one sweep at a time, so the feeding thread never waits long.
// 3. Dispatch to it in Render, and say there whether it can update incrementally.
// 4. Check in tests/series/SpectrumRender_test.cpp that it draws the same picture for the
//    same history whichever way it got there.
#include <vector>

#include "chart/Image.h"
#include "series/ColorMap.h"
#include "series/SpectrumStorage.h"

struct SSpectrumView {
  int mode = 0;  // ESeriesMode
  int width = 0;
  int height = 0;
  double min = 0, max = 0;              // level range
  double stimStart = 0, stimStop = 0;   // stimulus range across the image
  int scroll = 0;                       // waterfall: newest sweeps skipped
  bool operator==(const SSpectrumView&) const = default;
};

// Where the waterfall puts its sweeps in a w × h image: the front sweep (j = 0) spans
// sweepWidth columns from the left edge with its base on the bottom row and rises up to
// amplitude rows; sweep j further back starts Left(j) columns right and Base(j) rows up, the
// last one (depth − 1) reaching the top right corner.
struct SWaterfallGeometry {
  int sweepWidth = 1;
  int amplitude = 1;
  int depth = 2;
  double dx = 0, dy = 0;
  SWaterfallGeometry(int w, int h);
  int Left(int j) const;
  int Base(int h, int j) const;
  // The sweep whose base is nearest row y, −1 outside the depth.
  int SweepAtRow(int h, int y) const;
};

class CSpectrumRenderer {
 public:
  enum EResult { rrNothing, rrUnchanged, rrIncremental, rrFull };

  // Brings Image() up to date with the storage. rrNothing (image emptied) for an empty range,
  // a zero-sized view or fewer than one complete sweep; rrUnchanged when nothing new arrived.
  EResult Render(const CStorage& storage, const SSpectrumView& view, const CColorMap& colors, bool full = false);
  const CImage& Image() const { return image_; }

 private:
  bool Full(const CStorage& storage, const SSpectrumView& view, const CColorMap& colors, long long newest);
  bool Incremental(const CStorage& storage, const SSpectrumView& view, const CColorMap& colors, long long newest);
  void RenderSpectrogramRows(const CStorage& storage, const CColorMap& colors, long long newest, int first, int count);
  void RenderWaterfall(const CStorage& storage, const CColorMap& colors, long long newest);
  void RenderHeatMap(const CStorage& storage, const CColorMap& colors);
  // Copies the highest level of every pixel column of the sweep with the given serial into
  // maxima_ (NaN where none); false when that sweep is no longer stored.
  bool ReadLevel(const CStorage& storage, long long serial);
  // Pixel column spans of the points for `columns` columns across the stimulus range.
  void PrepareColumns(const CStorage& storage, int columns);
  double Fraction(float v) const { return (v - view_.min) * scale_; }

  CImage image_;
  SSpectrumView view_;
  double scale_ = 0;
  long long renderedSerial_ = -1;
  long long resetSerial_ = -1;
  int points_ = -1;
  int columns_ = 0;
  bool monotonic_ = true;
  std::vector<int> spanStart_;   // points [start, end) of each column
  std::vector<int> spanEnd_;
  std::vector<int> pointColumn_; // column of each point when the stimulus is not in order
  std::vector<float> maxima_;
  std::vector<int> counts_;
};
