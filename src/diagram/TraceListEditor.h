#pragma once
// In-place editing of a diagram's trace list, whatever view shows it: which cells may be
// edited, what an editor starts with, and what an accepted value does to the trace. The
// view only places an editor over the cell and hands the text or choice back here.
//
// Editable columns: 0 name, 3 reference value, 4 units per division, 5 reference position,
// 6 display format. A locked trace keeps its name; a trace whose reference level belongs
// to the instrument (fixed reference) keeps reference and position; polar and Smith plots
// have no linear scale, so columns 3, 4 and 5 are closed for them.
#include <string>
#include <vector>

class CDiagram;
class CTrace;

// One entry of the display-format choice of column 6.
struct SFormatChoice {
  int mode = -1;             // row of the conversion-mode table; -1: the source's own quantity
  std::wstring description;  // as the list shows it
  bool selected = false;     // the trace shows this format now
};

class CTraceListEditor {
 public:
  static constexpr int kNameColumn = 0;
  static constexpr int kRefColumn = 3;
  static constexpr int kDivColumn = 4;
  static constexpr int kPositionColumn = 5;
  static constexpr int kFormatColumn = 6;

  // The diagram must outlive the editor.
  explicit CTraceListEditor(CDiagram* diagram) : diagram_(diagram) {}

  CDiagram* Diagram() const { return diagram_; }

  bool CanEdit(int row, int column) const;
  // The value an editor of the cell starts with: the name, the reference or division as a
  // plain number, the position, or the description of the current format.
  std::wstring EditText(int row, int column) const;
  // The unit shown beside a numeric editor: "dB" (translated) for columns 3 and 4 of a trace
  // whose quantity is a level in dB, otherwise none.
  std::wstring EditUnit(int row, int column) const;
  // Applies an editor's text. Numbers take "." or "," as the decimal mark; a text that is no
  // number is refused and the trace keeps its value. Column 6 takes a format's description.
  // False when refused.
  bool Apply(int row, int column, const std::wstring& text);

  // The formats column 6 offers for the trace's source quantity, in the order shown.
  std::vector<SFormatChoice> FormatChoices(int row) const;
  // Sets the trace's display-format filter to `mode` (one of FormatChoices) and reprocesses
  // the received data. False for a mode not offered or a trace without the filter.
  bool ChooseFormat(int row, int mode);

 private:
  CTrace* TraceAt(int row) const;

  CDiagram* diagram_;
};
