#pragma once
// A trace whose sweep is a single point: the value is shown as large digits with its units in
// the middle of the plot instead of a curve, as large as the font size allows and smaller
// when the plot is too small for it. Points keep x (stimulus), y (value) and an optional
// second value, NaN when not given.
#include <cmath>
#include <functional>
#include <string>
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
  // The font size of the last drawing, after shrinking to fit.
  int DrawnFontSize() const { return drawnSize_; }

  // How the value reads: the quantity ("dBm", "Hz" …) and the digits after the decimal
  // point; asked at every drawing, so it follows the trace's display format.
  struct SFormat {
    std::wstring quantity;
    int digits = 3;
  };
  void SetFormatSource(std::function<SFormat()> source) { format_ = std::move(source); }

  // The first point's value (and second value when there is one), centred in the plot.
  void Draw(ICanvas& canvas) override;

 private:
  int fontSize_ = 36;
  int drawnSize_ = 0;
  std::function<SFormat()> format_;
};
