#pragma once
// The series of the spectrogram, waterfall and heat-map plots: the newest sweep as an
// ordinary line (the trace's display buffer, for markers and read-outs) and the sweep history
// in a spectrum storage.
// The history image is rendered by the series' drawing thread; Draw only blits the newest
// finished image and paints the colour scale and the time axis beside it.
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
  // Width of the colour scale at the right of the image, pixels.
  static constexpr int kScaleWidth = 34;

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
  // Where the image goes: the plot rectangle less the colour scale.
  SRect ImageRect() const;

  CDrawSpectrumThread& DrawThread() { return *thread_; }
  // The history was replaced (a file, a copy): the next render is drawn from it.
  void RepaintStorage();

 private:
  void UpdateView();
  void DrawColorScale(ICanvas& canvas, const SRect& image);
  void DrawTimeAxis(ICanvas& canvas, const SRect& image);
  void DataWritten(long long completedBefore);

  TraceInterface* parent_ = nullptr;
  ESeriesMode mode_ = smSpectrogram;
  double stimStart_ = 0;
  double stimStop_ = 1;
  double min_ = -50;
  double max_ = 50;
  int scroll_ = 0;
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
