#pragma once
// The measurement bar of a diagram: for one channel it shows the channel's indicators (the
// named values the host sets on its measurements), swatches of the diagram's traces of that
// channel and the stimulus fields start, center and stop. A diagram keeps two bars per
// channel: a horizontal one for the indicators of kind 0 (the primary bar, which also carries
// the swatches and the stimulus fields) and a vertical one for those of kind 1.
//
// The bar is painted inside its bounds on the diagram's canvas and answers hit tests from
// what it drew last; the diagram lays the bars out (Height() for a horizontal bar, Width()
// for a vertical one) and forwards the mouse.
//
// Layout. Horizontal: swatches and the start field from the left, the stop field at the
// right, the center field in the middle; indicator cells flow after the start field and
// jump past the center field, and a cell that no longer fits is left out. Vertical: cells
// IND_LEFT_WIDTH wide stacked from the top. A cell shows the indicator's value; its hint is
// the tool tip.
//
// Colours (SetColorTheme): bar face from theme slot 21, cell face from slot 22, the same two
// lightened by 20 % (the face of a vertical bar, so that it stands apart from the chart, and
// the stimulus fields), and four text colours: indicator values slot 24, stimulus fields
// slot 20, cell frames slot 23, swatch frames slot 24.
#include <functional>
#include <string>
#include <vector>

#include "chart/Canvas.h"
#include "core/Color.h"

class DiagramInterface;
class MeasurementInterface;
struct SColorTheme;

// What lies under a point of the bar.
struct SBarHit {
  int index = -1;      // indicator ID or trace index; -1 for none
  std::wstring kind;   // indicator category, "freq" for a stimulus field, "none" for a trace
  std::wstring value;  // the text shown (trace name for a swatch)
  std::wstring hint;
  std::wstring name;   // "freq,start" / "freq,center" / "freq,stop", "trace", indicator category
  bool Empty() const { return index < 0 && name.empty(); }
};

class TExStatusBar {
 public:
  static constexpr int kMaxItems = 30;  // indicators and swatches kept for hit testing
  static constexpr int kDefaultHeight = 20;
  static constexpr int kFontSize = 8;  // points, font "Tahoma"

  // `diagram` owns the bar and outlives it.
  explicit TExStatusBar(DiagramInterface* diagram);
  ~TExStatusBar();
  TExStatusBar(const TExStatusBar&) = delete;
  TExStatusBar& operator=(const TExStatusBar&) = delete;

  void SetChannel(const std::wstring& channel) { channel_ = channel; }
  const std::wstring& GetChannel() const { return channel_; }

  // A hidden bar paints nothing (while the diagram is loaded or channels are added).
  void SetHidden(bool hidden) { hidden_ = hidden; }
  bool GetHidden() const { return hidden_; }
  void SetPrimary(bool primary) { primary_ = primary; }
  bool GetPrimary() const { return primary_; }

  // 0 horizontal, 1 vertical; also the kind of indicators shown. Computes the bar's height
  // (horizontal) or width (vertical). The text height comes from `measure` when given, else
  // from the bar's font at 1.5 pixels a point (a 8 pt Tahoma line is 12 pixels high on a
  // 96 dpi surface), so a bar can be sized before any canvas exists.
  void SetPosition(int position, ICanvas* measure = nullptr);
  int GetPosition() const { return position_; }
  // Size the layout gives the bar: horizontal bars take their Height() and the width given,
  // vertical bars their Width() and the height given.
  int Height() const { return height_; }
  int Width() const { return width_; }
  // Space the layout leaves around a bar.
  int Margin() const;

  void SetBounds(const SRect& bounds) { bounds_ = bounds; }
  const SRect& GetBounds() const { return bounds_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool IsShowing() const { return visible_; }

  // The owner repaints after a theme change.
  void SetColorTheme(const SColorTheme& theme);

  void Paint(ICanvas& canvas);

  // From what the last paint drew. Rectangles include their edges.
  SBarHit HitTest(int x, int y) const;
  // The hint a pointer at (x, y) shows; empty when none.
  std::wstring HintAt(int x, int y) const;
  // Mouse move: updates the current hint; true when it changed (the old hint is withdrawn
  // so that the new one shows).
  bool MouseMove(int x, int y);
  const std::wstring& CurrentHint() const { return hint_; }

  // The first visible measurement of the channel found by the last paint; null when none.
  MeasurementInterface* GetMeasurement() const { return measurement_; }
  // Indicators shown by the last paint, ascending by index.
  const std::vector<SBarHit>& Indicators() const { return indicators_; }

  // Called when SetPosition changed the bar's size, so that the owner lays out again.
  std::function<void(TExStatusBar*)> onAutoResized;

 private:
  struct SField {
    SRect rect;
    bool shown = false;
    std::wstring text;
  };
  struct SPlaced {
    SRect rect;
    bool shown = false;
  };

  bool IsChannelTrace(unsigned index) const;
  void CollectIndicators();
  void FillFields();
  void PaintHorizontal(ICanvas& canvas);
  void PaintVertical(ICanvas& canvas);
  void PaintSwatch(ICanvas& canvas, unsigned index, const SRect& rect);
  void PaintCell(ICanvas& canvas, const SRect& rect, const std::wstring& text, TColor face, TColor color,
                 bool centred);
  void PaintField(ICanvas& canvas, SField& field, const SRect& rect);

  DiagramInterface* diagram_;
  std::wstring channel_;
  bool hidden_ = false;
  bool primary_ = true;
  bool visible_ = true;
  int position_ = 0;
  int height_ = kDefaultHeight;
  int width_ = 0;
  SRect bounds_;
  std::vector<SBarHit> indicators_;         // ascending by index
  std::vector<SPlaced> indicatorRects_;     // parallel to indicators_
  std::vector<SPlaced> swatches_;           // by trace index
  MeasurementInterface* measurement_ = nullptr;
  SField fields_[3];                        // start, center, stop
  std::wstring hint_;

  TColor face_ = clBtnFace;
  TColor cellFace_ = clBtnFace;
  TColor lightFace_ = clWindow;
  TColor lightCellFace_ = clWindow;
  TColor valueText_ = clBlack;
  TColor fieldText_ = clBlack;
  TColor cellFrame_ = clBtnShadow;
  TColor swatchFrame_ = clBlack;
};
