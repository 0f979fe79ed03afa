#pragma once
// The series of the spectrogram, waterfall and heat-map plots: the newest sweep as an
// ordinary line (the trace's display buffer, for markers and read-outs) and the sweep history
// in a spectrum storage.
// The history image is rendered elsewhere; this part holds the data and the ranges.
#include "chart/Series.h"
#include "series/SpectrumStorage.h"

class TraceInterface;

enum ESeriesMode {
  smSpectrogram = 0,
  smWaterfall = 1,
  smHeatMap = 2,
};

class TQuorSpectrumSeries : public CChartSeries {
 public:
  void SetParentTrace(TraceInterface* trace) { parent_ = trace; }
  TraceInterface* ParentTrace() const { return parent_; }

  ESeriesMode GetSeriesMode() const { return mode_; }
  void SetSeriesMode(ESeriesMode mode) { mode_ = mode; }

  void SetStimulusRange(double start, double stop) {
    stimStart_ = start;
    stimStop_ = stop;
  }
  double StimulusStart() const { return stimStart_; }
  double StimulusStop() const { return stimStop_; }
  void SetMinMax(double min, double max) {
    min_ = min;
    max_ = max;
  }
  void GetMinMax(double& min, double& max) const {
    min = min_;
    max = max_;
  }
  // The waterfall's own value axis follows the response range until the waterfall view
  // gets its scroll and perspective.
  double GetWaterfallScaleStart() const { return min_; }
  double GetWaterfallScaleStop() const { return max_; }

  void SetColorMapSettings(double low, double high, double gamma, int palette) {
    colorMap_[0] = low;
    colorMap_[1] = high;
    colorMap_[2] = gamma;
    palette_ = palette;
  }

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

 private:
  TraceInterface* parent_ = nullptr;
  ESeriesMode mode_ = smSpectrogram;
  double stimStart_ = 0;
  double stimStop_ = 1;
  double min_ = -50;
  double max_ = 50;
  double colorMap_[3] = {0.0, 100.0, 0.0};
  int palette_ = 0;
  CSpectrumStorage storage_;
};
