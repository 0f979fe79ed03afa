#pragma once
// A trace whose sweep is a single point: the value is shown as large digits in the middle of
// the plot instead of a curve. Points keep x (stimulus), y (value) and an optional second
// value, NaN when not given.
#include <cmath>
#include <vector>

#include "chart/Series.h"

class TQuorDigitSeries : public CChartSeries {
 public:
  TQuorDigitSeries();
  void AddPoint(double x, double y);
  void AddPoint(double x, double y, double z);
  // Makes the given point the only one.
  void SetPoint(double x, double y);
  void SetPoint(double x, double y, double z);
  void AddNull(double x = NAN);

  // The second value of a point; NaN for a bad index.
  double GetValue(int index) const;

  int FontSize() const { return fontSize_; }
  void SetFontSize(int size) { fontSize_ = size > 0 ? size : 1; }

  // The first point's value (and second value when there is one), centred in the plot.
  void Draw(ICanvas& canvas) override;

 private:
  int fontSize_ = 36;
};
