#pragma once
// Series drawn on a chart: a renderer of two columns of a CSeriesData (the horizontal and the
// vertical value of every point), placed on a horizontal and a vertical axis of the chart. A
// trace hands its series its own display buffer (SetSource); a series used on its own keeps
// its values itself and is filled with AddXY and the block writes. A point whose horizontal
// or vertical value is NaN (or infinite) is null: it is counted, skipped by the minimum and
// maximum and drawn as a gap.
#include <vector>

#include "chart/Canvas.h"
#include "chart/ChartAxis.h"
#include "chart/SeriesData.h"
#include "core/Color.h"

class CChart;

class CChartSeries {
 public:
  CChartSeries() = default;
  virtual ~CChartSeries();
  CChartSeries(const CChartSeries&) = delete;
  CChartSeries& operator=(const CChartSeries&) = delete;

  CChart* Chart() const { return chart_; }
  // Places the series on the chart (nullptr takes it off its chart).
  void SetChart(CChart* chart);

  // The axes given, or the chart's bottom and left axes when none is given.
  CChartAxis* HorizAxis() const;
  CChartAxis* VertAxis() const;
  void SetHorizAxis(CChartAxis* axis) { horizAxis_ = axis; }
  void SetVertAxis(CChartAxis* axis) { vertAxis_ = axis; }

  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  int PenWidth() const { return penWidth_; }
  void SetPenWidth(int width) { penWidth_ = width > 0 ? width : 1; }
  EPenStyle PenStyle() const { return penStyle_; }
  void SetPenStyle(EPenStyle style) { penStyle_ = style; }
  bool Visible() const { return visible_; }
  void SetVisible(bool on) { visible_ = on; }

  // While updating (nested) the series is not drawn: its lists may be half filled.
  void BeginUpdate() { ++update_; }
  void EndUpdate();
  bool Updating() const { return update_ > 0; }

  // Draws columns h (horizontal) and v (vertical) of `data`, which outlives the series or
  // is handed back with SetSource(nullptr) (the series' own values again, columns x and y).
  void SetSource(const CSeriesData* data, ESeriesColumn h = scX, ESeriesColumn v = scY);
  const CSeriesData& Data() const { return *data_; }
  ESeriesColumn HorizColumn() const { return h_; }
  ESeriesColumn VertColumn() const { return v_; }

  int Count() const { return data_->Count(); }
  double XValue(int index) const;
  double YValue(int index) const;
  bool IsNull(int index) const;
  const double* XValues() const { return data_->Column(h_); }
  const double* YValues() const { return data_->Column(v_); }

  // Writes into the series' own values (a series drawing a trace's buffer is written by the
  // trace). Empties every list of the series (derived series add their own lists).
  virtual void Clear();
  void AddXY(double x, double y);
  void AddNull(double x);
  // Replaces the lists; x may be null for 0, 1, 2 … Keeps the memory, so refilling with a
  // sweep of the same size allocates nothing.
  void SetData(const double* x, const double* y, int count);
  void SetXY(int index, double x, double y);
  void ReplaceXY(int offset, const double* x, const double* y, int count);
  void AppendXY(const double* x, const double* y, int count);

  // Over the points that are not null; 0 when there are none, as the chart library did.
  double MinXValue() const { return data_->Extreme(h_, h_, v_, false); }
  double MaxXValue() const { return data_->Extreme(h_, h_, v_, true); }
  double MinYValue() const { return data_->Extreme(v_, h_, v_, false); }
  double MaxYValue() const { return data_->Extreme(v_, h_, v_, true); }

  // Order and spacing of the horizontal values (see CSeriesData); only the stimulus column
  // is examined, other columns count as unordered.
  bool XMonotonic() const { return h_ == scX && data_->XMonotonic(); }
  using SXSpacing = CSeriesData::SXSpacing;
  const SXSpacing& XSpacing() const;

  // Points [first, first + count) of the source were written (a series that keeps a history
  // of its own takes them from Data()).
  virtual void SourceWritten(int first, int count) {
    (void)first;
    (void)count;
  }

  // What a series draws under every series' line (Smith and polar grids, minor decades),
  // called for each visible series before any Draw, clipped to the plot rectangle.
  virtual void DrawGrid(ICanvas& canvas) { (void)canvas; }
  // Scales of the series' own around the plot, drawn after every series, unclipped.
  virtual void DrawOutside(ICanvas& canvas) { (void)canvas; }
  virtual void Draw(ICanvas& canvas) = 0;

 protected:
  SPen Pen() const { return {color_, penWidth_, penStyle_}; }
  bool CanDraw() const;
  // The series' own values; writes go here (asserted while a source is set).
  CSeriesData* Own();
  // The columns the series draws of its own values (x and y unless a kind says otherwise).
  void UseOwnColumns(ESeriesColumn h, ESeriesColumn v);

 private:
  friend class CChart;
  void Attach(CChart* chart) { chart_ = chart; }
  void Detach();
  CChart* chart_ = nullptr;
  CChartAxis* horizAxis_ = nullptr;
  CChartAxis* vertAxis_ = nullptr;
  TColor color_ = clBlack;
  int penWidth_ = 1;
  EPenStyle penStyle_ = psSolid;
  bool visible_ = true;
  int update_ = 0;
  CSeriesData own_;
  const CSeriesData* data_ = &own_;
  ESeriesColumn h_ = scX;
  ESeriesColumn v_ = scY;
  ESeriesColumn ownH_ = scX;
  ESeriesColumn ownV_ = scY;
};

// A line through the points, broken at null points. Any number of points costs time in
// proportion to the points and memory in proportion to the plot width: with more than two
// points per pixel column and x in order, each column draws only its first, lowest, highest
// and last point, which looks the same as drawing them all.
class CFastLineSeries : public CChartSeries {
 public:
  void Draw(ICanvas& canvas) override;

 private:
  void Emit(ICanvas& canvas, double x, double y);
  void Flush(ICanvas& canvas);
  struct SThinning {
    const double* x;
    const double* y;
    int n;
    double colLo, colHi;  // pixel columns beyond these collect everything off the plot
    bool vLog;
    // Evenly spaced x on a linear axis: point i lies near pixel a + i·b, within slack.
    double a = 0, b = 0, slack = 0;
    // x[i] is exactly x0 + i·dx (as this build computes it), so x need not be read at all.
    bool exactX = false;
    double x0 = 0, dx = 0;
  };
  template <bool Even, class Pos>
  void Thin(ICanvas& canvas, const SThinning& t, const SAxisScale& hs, const SAxisScale& vs, Pos pos);
  void EmitColumn(ICanvas& canvas, const SThinning& t, const SAxisScale& hs, const SAxisScale& vs, int first,
                  int lowest, int highest, int last);

  std::vector<SPointF> points_;  // reused from frame to frame
  int used_ = 0;
};

enum EPointStyle { ptSquare, ptCircle };

// Marks without a connecting line; null points are skipped.
class CPointSeries : public CChartSeries {
 public:
  EPointStyle PointStyle() const { return style_; }
  void SetPointStyle(EPointStyle style) { style_ = style; }
  int PointRadius() const { return radius_; }
  void SetPointRadius(int radius) { radius_ = radius > 0 ? radius : 1; }

  void Draw(ICanvas& canvas) override;

 private:
  EPointStyle style_ = ptSquare;
  int radius_ = 2;
};
