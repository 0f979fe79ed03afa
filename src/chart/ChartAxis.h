#pragma once
// An axis of a chart: the value range shown along one side of the plot rectangle and the
// conversion between values and pixels. Vertical axes grow upwards, horizontal ones to the
// right; inverted axes the other way. A logarithmic axis places log10 of the value.
#include <cmath>
#include <limits>
#include <string>

#include "core/Color.h"

class CChart;

enum EAxisKind { akLeft, akRight, akBottom, akCustom };

// The value → pixel mapping of an axis frozen for one drawing: series convert every point
// with it, so it must give exactly what CChartAxis::CalcPosValue gives.
struct SAxisScale {
  double start = 0;   // pixel of the minimum
  double origin = 0;  // minimum, as log10 on a logarithmic axis
  double factor = 0;  // pixels per unit (per decade); 0 when the range or the plot is empty
  bool logarithmic = false;

  double Pos(double value) const {
    if (logarithmic) {
      if (!(value > 0)) return std::numeric_limits<double>::quiet_NaN();
      value = std::log10(value);
    }
    return start + (value - origin) * factor;
  }
};

class CChartAxis {
 public:
  CChartAxis(CChart* chart, EAxisKind kind, bool horizontal = false);

  CChart* Chart() const { return chart_; }
  EAxisKind Kind() const { return kind_; }
  bool Horizontal() const { return horizontal_; }

  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  // A reversed pair is swapped; NaN or infinite limits are refused.
  void SetMinMax(double minimum, double maximum);
  void SetMinimum(double minimum) { SetMinMax(minimum, maximum_); }
  void SetMaximum(double maximum) { SetMinMax(minimum_, maximum); }

  bool Inverted() const { return inverted_; }
  void SetInverted(bool on) { inverted_ = on; }
  // On a logarithmic axis non-positive values have no place (NaN pixels), and so has
  // everything while the minimum is not positive.
  bool Logarithmic() const { return logarithmic_; }
  void SetLogarithmic(bool on) { logarithmic_ = on; }
  // Grid step in values; 0 divides the axis into ten.
  double Increment() const { return increment_; }
  void SetIncrement(double step) { increment_ = step > 0 ? step : 0; }
  // A value the grid passes through (the reference level of a trace, the start of a sweep);
  // NaN: the multiples of the increment.
  double GridOrigin() const { return gridOrigin_; }
  void SetGridOrigin(double value) { gridOrigin_ = value; }
  // The quantity of the values ("Hz" …): labels then carry a decimal prefix and units
  // ("1.5 ГГц") where the quantity takes them; empty: plain numbers.
  const std::wstring& LabelQuantity() const { return labelQuantity_; }
  void SetLabelQuantity(const std::wstring& quantity) { labelQuantity_ = quantity; }

  const std::wstring& Title() const { return title_; }
  void SetTitle(const std::wstring& title) { title_ = title; }
  bool LabelsVisible() const { return labels_; }
  void SetLabelsVisible(bool on) { labels_ = on; }
  bool Visible() const { return visible_; }
  void SetVisible(bool on) { visible_ = on; }
  bool GridVisible() const { return grid_; }
  void SetGridVisible(bool on) { grid_ = on; }
  TColor GridColor() const { return gridColor_; }
  void SetGridColor(TColor color) { gridColor_ = color; }

  // Pixels along the plot rectangle at which the minimum and the maximum sit.
  double StartPos() const;
  double EndPos() const;

  SAxisScale Scale() const;
  // Value → pixel; NaN for values a logarithmic axis cannot show. On an empty range every
  // value sits in the middle of the axis.
  double CalcPosValue(double value) const { return Scale().Pos(value); }
  // Pixel → value, the exact inverse of CalcPosValue; the minimum on an empty range.
  double CalcPosPoint(double pixel) const;

 private:
  CChart* chart_;
  EAxisKind kind_;
  bool horizontal_;
  double minimum_ = 0;
  double maximum_ = 1;
  bool inverted_ = false;
  bool logarithmic_ = false;
  double increment_ = 0;
  double gridOrigin_ = std::numeric_limits<double>::quiet_NaN();
  std::wstring labelQuantity_;
  std::wstring title_;
  bool labels_ = true;
  bool visible_ = true;
  bool grid_ = true;
  TColor gridColor_ = RGBColor(192, 192, 192);
};
