#pragma once
// The information panel of the diagram control: named results the host sends as text
// (typically demodulation results) shown in a name column and a value column under a
// caption. The font shrinks so that every row fits the panel.
//
// Info text: one row per line, "name;value;unit". An empty line is a separator row. Names are
// message ids of the text domain; a value "NAN" reads "Н/Д". Power ("дБм", "мВт") and phase
// ("рад") values follow the units of the channel they come from:
// - power is shown in the level units of the first trace of the "ВЧ-спектр" channel (dBm,
//   W with prefixes, V, dBV, dBuV; the voltages at the channel's "impedance", 50 Ω when it
//   has none). A noise or spectrogram trace counts as dBm. Without such a trace a power
//   stays in its own units (mW shown as W with prefixes, so 0.001 mW reads "1 мкВт");
// - phase is shown in degrees while the first trace of the "НЧ-сигнал" channel shows phase
//   in degrees, in radians otherwise.
// Other units are shown as given, the value with at most three decimals.
#include <string>
#include <vector>

#include "chart/Canvas.h"

class DiagramInterface;
class TraceInterface;

// What the panel needs of the control it belongs to.
class IInfoPanelHost {
 public:
  virtual ~IInfoPanelHost() = default;
  // The control's diagram at `index`, in the control's order; null past the last one.
  virtual DiagramInterface* InfoPanelDiagram(unsigned index) = 0;
  // The panel's contents changed: it wants to be painted again.
  virtual void InfoPanelChanged() = 0;
};

class CInfoPanel {
 public:
  struct SRow {
    std::wstring name;   // translated; a single line feed marks a separator
    std::wstring value;  // formatted with its units
    bool IsSeparator() const { return name == L"\n"; }
  };

  // `host` may be null (a panel that reaches no diagrams and asks for no repaint).
  explicit CInfoPanel(IInfoPanelHost* host);

  // Replaces every row from the info text (see above) and asks for a repaint. A line that
  // is not three fields is reported and skipped; the others are still read.
  void SetInfo(const std::wstring& info);
  const std::vector<SRow>& Rows() const { return rows_; }

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);

  // The first trace, over the control's diagrams in order and their traces in order, whose
  // channel's "channel" parameter is exactly `channel`; null when there is none.
  TraceInterface* GetFirstTraceOfChannel(const wchar_t* channel) const;

  // The font the panel starts from on every paint, before shrinking.
  const SFont& Font() const { return font_; }
  void SetFont(const SFont& font);
  // The font size the last paint used (the starting size before the first paint).
  int FontSize() const { return fontSize_; }

  TColor BackgroundColor() const { return background_; }
  void SetBackgroundColor(TColor color) { background_ = color; }

  // Sets the current font on the canvas and gives the space the caption and rows need: one
  // row height (the height of a sample text) for the caption when there is one and for each
  // row; the widest row's name followed by a sample value.
  void CalcRecWidthHeight(ICanvas& canvas, int& width, int& height) const;

  // Fills `rect` and draws the caption and rows in it, with the font shrunk (in proportion,
  // first for the height, then for the width) until the rows fit.
  void Paint(ICanvas& canvas, const SRect& rect);

 private:
  SFont CurrentFont() const;
  void Changed();

  IInfoPanelHost* host_;
  std::vector<SRow> rows_;
  std::wstring caption_;
  SFont font_;
  int fontSize_;
  TColor background_ = clWhite;
};
