#pragma once
// The trace list of a diagram without a view: rows with their eight texts, check box, image
// and selection, the column widths and header flag, the list's own height with the
// autoresize rules of the list view, and the "trace_list" element. The diagram uses it until
// a view attaches, and a view may keep one as its state.
//
// Autoresize: while on, each of the first five rows added grows the list by one row; a row
// deleted shrinks it by one unless the vertical scroll bar was shown (rows then scroll
// instead of the list shrinking).
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "interfaces/TraceListInterface.h"

class CTraceListModel : public TraceListInterface {
 public:
  static constexpr int kRowHeight = 17;
  static constexpr int kHeaderHeight = 20;
  static constexpr int kMaxAutoRows = 5;
  static constexpr std::array<int, kColumns> kDefaultWidths{90, 40, 90, 58, 58, 30, 100, 85};
  // The "columns" child of a "trace_list" element: one "column" with "width" per column.
  // Every trace list, with a view or without, writes and reads its widths through these.
  static void WriteColumnWidths(pugi::xml_node list, const std::array<int, kColumns>& widths);
  // A column element without "width" gives 100; a node that is no element is reported.
  static void ReadColumnWidths(pugi::xml_node list, std::array<int, kColumns>& widths);

  CTraceListModel();

  // Column captions in column order, translated.
  static std::wstring ColumnCaption(int column);

  // --- TraceListInterface
  void AddItem(int imageIndex) override;
  void ClearSelection() override;
  void Deserialize(pugi::xml_node node) override;
  void EndUpdate() override { ++endUpdates_; }
  void SetSelectionHandler(std::function<void(int row, bool selected)> handler) override {
    onSelection_ = std::move(handler);
  }
  int Count() const override { return static_cast<int>(rows_.size()); }
  bool IsSelected(int row) const override;
  bool CanFocus() const override { return false; }
  int FocusedItem() const override { return focused_; }
  int TopItem() const override;
  int VisibleRowCount() const override;
  void DeleteItem(int row) override;
  void SelectAll() override;
  void Serialize(pugi::xml_node element) override;
  void Refresh() override { ++refreshes_; }
  void SetHint(const std::wstring& hint) override { hint_ = hint; }
  void AfterDeserialize() override {}
  void SetItemChecked(int row, bool checked) override;
  void SelectItem(int row, bool selected) override;
  void SetFocus() override {}
  void SetItemText(int row, int column, const std::wstring& text) override;
  std::wstring GetItemText(int row, int column) const override;
  bool IsItemChecked(int row) const override;
  int GetItemImage(int row) const override;

  // The focused row (-1 for none); out of range is ignored.
  void SetFocusedItem(int row);
  // Scrolls the rows so that `row` is at the top (as far as there are rows).
  void SetTopItem(int row) { top_ = row; }

  // --- geometry
  // The list's height in pixels, header included.
  int Height() const { return height_; }
  void SetHeight(int height) { height_ = height; }
  int RowHeight() const { return kRowHeight; }
  int HeaderHeight() const { return kHeaderHeight; }
  // Rows that fit `height` (and `height` rounded down to whole rows), but no more than the
  // rows there are.
  int CalcBestHeight(int& height) const;
  bool GetAutoResize() const override { return autoResize_; }
  void SetAutoResize(bool on) override { autoResize_ = on; }
  bool GetHeaderVisible() const { return headerVisible_; }
  void SetHeaderVisible(bool visible) { headerVisible_ = visible; }
  // Whether the vertical scroll bar shows: more rows than the height below the header holds.
  bool VertScrollVisible() const;

  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);

  // What the view-only slots were asked (for views built over the model, and tests).
  const std::wstring& Hint() const { return hint_; }
  int EndUpdates() const { return endUpdates_; }
  int Refreshes() const { return refreshes_; }

 private:
  struct SRow {
    std::array<std::wstring, kColumns> texts;
    bool checked = false;
    bool selected = false;
    int image = -1;
  };

  bool Valid(int row) const { return row >= 0 && row < Count(); }
  // Sets a row's selection, telling the handler when it changed.
  void Select(int row, bool selected);

  std::vector<SRow> rows_;
  std::array<int, kColumns> widths_ = kDefaultWidths;
  int height_ = kHeaderHeight + 2;
  bool autoResize_ = true;
  bool headerVisible_ = true;
  int focused_ = -1;
  int top_ = 0;
  std::function<void(int, bool)> onSelection_;
  std::wstring hint_;
  int endUpdates_ = 0;
  int refreshes_ = 0;
};
