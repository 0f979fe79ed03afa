#pragma once
// The series of the spectrogram, waterfall and heat-map plots: the newest sweep as an
// ordinary line (the trace's display buffer, for markers and read-outs) and the sweep history
// in a spectrum storage.
// The history image is rendered by the series' drawing thread; Draw only blits the newest
// finished image over the plot. Around the plot the series draws its own scales: the time
// axis in the left strip (spectrogram and waterfall), and in the right strip the waterfall's
// scroll bar and the colour scale.
// Markers of the trace sit on the newest sweep (NewestSweepPoint); the time cursor shows
// which sweep lies under the pointer and when it was measured.
#include <memory>

#include "chart/Series.h"
#include "series/DrawSpectrumThread.h"
#include "series/SpectrumStorage.h"

class TraceInterface;

enum ESeriesMode {
  smSpectrogram = 0,
  smWaterfall = 1,
  smHeatMap = 2,
};

class TQuorSpectrumSeries : public CChartSeries {
 public:
  // The right strip: the waterfall's scroll bar, then the colour bar, pixels.
  static constexpr int kScrollWidth = 8;
  static constexpr int kBarWidth = 10;

  TQuorSpectrumSeries();
  ~TQuorSpectrumSeries() override;

  void SetParentTrace(TraceInterface* trace) { parent_ = trace; }
  TraceInterface* ParentTrace() const { return parent_; }

  ESeriesMode GetSeriesMode() const { return mode_; }
  void SetSeriesMode(ESeriesMode mode) {
    mode_ = mode;
    UpdateView();
  }

  void SetStimulusRange(double start, double stop) {
    stimStart_ = start;
    stimStop_ = stop;
    UpdateView();
  }
  double StimulusStart() const { return stimStart_; }
  double StimulusStop() const { return stimStop_; }
  void SetMinMax(double min, double max) {
    min_ = min;
    max_ = max;
    UpdateView();
  }
  void GetMinMax(double& min, double& max) const {
    min = min_;
    max = max_;
  }
  // The waterfall's own value axis follows the response range until the waterfall view
  // gets its scroll and perspective.
  double GetWaterfallScaleStart() const { return min_; }
  double GetWaterfallScaleStop() const { return max_; }

  // Low and high (percent of the level range), curve and palette; the next render is full.
  void SetColorMapSettings(double low, double high, double curve, int palette);
  void SetColorMapSettings(const SColorMapSettings& s) { SetColorMapSettings(s.curveStart, s.curveStop, s.curveShape, s.colorMap); }
  const SColorMapSettings& GetColorMapSettings() const { return colorMap_; }

  // Waterfall: how many of the newest sweeps are skipped (scrolled back in time).
  void UpdateScrollValue(int sweeps);
  int ScrollValue() const { return scroll_; }

  // Points per sweep of the history (displayed and source storage).
  void SetColumns(int width) {
    storage_.SetSize(width);
    storage_.SetSrcSize(width);
  }

  // A block of the newest sweep: into the line at `start` and into the history.
  void AddArray(int start, int count, const double* y, const double* x);
  // A trace wrote its newest sweep: the block goes into the history too.
  void SourceWritten(int first, int count) override;

  CSpectrumStorage& Storage() { return storage_; }
  const CSpectrumStorage& Storage() const { return storage_; }

  void Draw(ICanvas& canvas) override;
  void DrawOutside(ICanvas& canvas) override;
  // Where the image goes: the plot rectangle.
  SRect ImageRect() const;

  // Level index (0 = oldest) of the sweep drawn at chart row y, −1 where none is (the heat
  // map has no time direction).
  int LevelAtPixel(int y) const;
  // Where a point of the newest sweep is drawn (stimulus x, level value): the top row of the
  // spectrogram, the front ridge of the waterfall, the level's row of the heat map. False
  // without a complete sweep, outside the image, or while the waterfall is scrolled back.
  bool NewestSweepPoint(double x, double value, SPointF& at) const;
  // The stimulus drawn at chart column px (NaN outside the image).
  double StimulusAtPixel(int px) const;

  // The time cursor follows the pointer over the image (chart row y, −1 hides it). True when
  // what it shows changed.
  bool SetTimeCursor(int y);
  int TimeCursorLevel() const { return cursorLevel_; }
  // The cursor's text: wall-clock time of the sweep and its age against the newest one.
  std::wstring TimeCursorText() const;
  // A level's time: wall clock (to the second, or to the millisecond), or its age against
  // the newest sweep in seconds; empty outside the history.
  enum ETimeForm { tfClock, tfClockMs, tfAge };
  std::wstring LevelTime(int level, ETimeForm form) const;

  // The waterfall's scroll bar in the right strip (empty in the other views). A press on the
  // thumb drags it; a press above or below it pages by the sweeps shown. True when taken.
  SRect ScrollRect() const;
  bool ScrollMouseDown(int x, int y);
  bool ScrollMouseMove(int y);
  bool ScrollMouseUp();

  CDrawSpectrumThread& DrawThread() { return *thread_; }
  // The history was replaced (a file, a copy): the next render is drawn from it.
  void RepaintStorage();

 private:
  void UpdateView();
  void DrawColorScale(ICanvas& canvas, const SRect& image);
  void DrawTimeAxis(ICanvas& canvas, const SRect& image);
  void DrawScrollBar(ICanvas& canvas);
  void DrawTimeCursor(ICanvas& canvas, const SRect& image);
  // The thumb of the scroll bar: rows [top, bottom) of ScrollRect.
  void ThumbSpan(int& top, int& bottom) const;
  int ScrollMax() const;

  void DataWritten(long long completedBefore);

  TraceInterface* parent_ = nullptr;
  ESeriesMode mode_ = smSpectrogram;
  double stimStart_ = 0;
  double stimStop_ = 1;
  double min_ = -50;
  double max_ = 50;
  int scroll_ = 0;
  int cursorY_ = -1;
  int cursorLevel_ = -1;
  int dragOffset_ = -1;  // pointer row within the thumb while it is dragged
  SColorMapSettings colorMap_;
  SSize imageSize_;
  CSpectrumStorage storage_;
  // Posted repaints check this token: the series may be gone by the time they run.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
  // After storage_: the thread reads it until it is stopped.
  std::unique_ptr<CDrawSpectrumThread> thread_;
  CImage scaleImage_;
  SColorMapSettings scaleSettings_{-1, -1, 0, -1};
};
