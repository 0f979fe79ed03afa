#pragma once
// The line of a trace against a logarithmic stimulus axis. Besides the line it keeps the
// minor grid of the decades (2, 3 … 9 times each power of ten) inside the stimulus range;
// the decade lines themselves come from the axis. The first visible logarithmic series of a
// chart draws the minor grid for all of them.
#include <vector>

#include "chart/Series.h"

class TQuorLogSeries : public CFastLineSeries {
 public:
  // Rebuilds the minor grid list; both limits must be positive.
  void SetStimulusRange(double dMin, double dMax);
  const std::vector<double>& MinorGrid() const { return minorGrid_; }

  const SPen& GridPen() const { return gridPen_; }
  void SetGridPen(const SPen& pen) { gridPen_ = pen; }

  // A vertical line through the plot at each minor grid value.
  void DrawGrid(ICanvas& canvas) override;

 private:
  std::vector<double> minorGrid_;
  SPen gridPen_{RGBColor(224, 224, 224), 1, psDot};
};
