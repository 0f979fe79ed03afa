#pragma once
// The chart: a window rectangle with a plot rectangle inside it (the window less the
// margins), its walls, frame, axes and the series drawn over them. The chart does not own
// its series — whoever creates a series (a trace) owns it; series leave the chart when they
// are destroyed, and a chart going away lets its series go.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/Canvas.h"
#include "chart/ChartAxis.h"

class CChartSeries;

class CChart {
 public:
  CChart();
  ~CChart();
  CChart(const CChart&) = delete;
  CChart& operator=(const CChart&) = delete;

  // The whole surface of the chart, in pixels of the canvas.
  const SRect& Bounds() const { return bounds_; }
  void SetBounds(const SRect& bounds) { bounds_ = bounds; }
  // Distances of the plot rectangle from the bounds, in pixels.
  void SetMargins(int left, int top, int right, int bottom);
  const SRect& Margins() const { return margins_; }
  // Never inverted: margins wider than the window leave an empty plot.
  SRect PlotRect() const;

  TColor Color() const { return color_; }  // background; clNone leaves the canvas as it is
  void SetColor(TColor color) { color_ = color; }
  bool BackWallVisible() const { return backWallVisible_; }
  void SetBackWallVisible(bool on) { backWallVisible_ = on; }
  TColor BackWallColor() const { return backWallColor_; }
  void SetBackWallColor(TColor color) { backWallColor_ = color; }
  // Without axes the chart draws neither the rectangular grid nor the scales and their
  // titles: series that draw their own grid (Smith, polar, digits) have the plot to themselves.
  bool AxesVisible() const { return axesVisible_; }
  void SetAxesVisible(bool on) { axesVisible_ = on; }
  bool FrameVisible() const { return frameVisible_; }
  void SetFrameVisible(bool on) { frameVisible_ = on; }
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor color) { frameColor_ = color; }
  const SFont& Font() const { return font_; }
  void SetFont(const SFont& font) { font_ = font; }

  // The label above the plot.
  const std::wstring& Title() const { return title_; }
  void SetTitle(const std::wstring& title) { title_ = title; }

  // While locked (nested), Draw draws nothing: the owner is rebuilding the chart.
  void Lock() { ++lock_; }
  void Unlock();
  bool IsLocked() const { return lock_ > 0; }

  CChartAxis& LeftAxis() { return left_; }
  CChartAxis& RightAxis() { return right_; }
  CChartAxis& BottomAxis() { return bottom_; }
  const CChartAxis& LeftAxis() const { return left_; }
  const CChartAxis& RightAxis() const { return right_; }
  const CChartAxis& BottomAxis() const { return bottom_; }
  CChartAxis* AddCustomAxis(bool horizontal);
  // Series placed on the axis fall back to the standard axes.
  void RemoveCustomAxis(CChartAxis* axis);
  int CustomAxisCount() const { return static_cast<int>(customAxes_.size()); }
  CChartAxis* CustomAxis(int index) const;

  // Adding places the series on this chart (leaving any other); adding twice does nothing.
  void AddSeries(CChartSeries* series);
  void RemoveSeries(CChartSeries* series);
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  CChartSeries* Series(int index) const;

  // Called at the end of every Draw with the canvas, unclipped: markers and read-outs.
  void SetAfterDraw(std::function<void(ICanvas&)> hook) { afterDraw_ = std::move(hook); }

  // Background, walls, grid, axes with labels, frame, the visible series clipped to the plot
  // rectangle, then the after-draw hook. Labels that would touch their neighbours are left
  // out evenly; the first and the last stay where the spacing allows.
  void Draw(ICanvas& canvas);

 private:
  void DrawGrid(ICanvas& canvas, const CChartAxis& axis);
  void DrawAxis(ICanvas& canvas, const CChartAxis& axis);
  template <class F>
  void ForEachTick(const CChartAxis& axis, F f) const;
  std::wstring FormatLabel(const CChartAxis& axis, double value) const;

  SRect bounds_{0, 0, 400, 300};
  SRect margins_{60, 30, 60, 40};
  TColor color_ = clBtnFace;
  bool backWallVisible_ = true;
  TColor backWallColor_ = clWhite;
  bool frameVisible_ = true;
  bool axesVisible_ = true;
  TColor frameColor_ = clBlack;
  SFont font_;
  std::wstring title_;
  int lock_ = 0;
  CChartAxis left_;
  CChartAxis right_;
  CChartAxis bottom_;
  std::vector<std::unique_ptr<CChartAxis>> customAxes_;
  std::vector<CChartSeries*> series_;
  std::function<void(ICanvas&)> afterDraw_;
};
