#pragma once
// The polar chart: the same points, stimulus list, display rectangle and conversions as the
// Smith chart; only its grid differs: circles of constant magnitude (0.2 apart) and lines of
// constant angle (30° apart). Zoomed in so far that too few of them cross the plot, finer
// families are added: circles 1/20 or 1/40 apart, lines every 10° or every degree.
#include "series/SmithSeries.h"

class TQuorPolarSeries : public TQuorCircleSeries {
 public:
  // The step of the families drawn last: circles per unit radius (5, 20 or 40) and degrees
  // between angle lines (30, 10 or 1).
  int MagnitudeCount() const { return magnitudeCount_; }
  int AngleStep() const { return angleStep_; }

 protected:
  void DrawRGrid(ICanvas& canvas) override;
  void DrawImGrid(ICanvas& canvas) override;

 private:
  int magnitudeCount_ = 5;
  int angleStep_ = 30;
};
