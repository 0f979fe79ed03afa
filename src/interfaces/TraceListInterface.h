#pragma once
// The list of a diagram's traces below its chart, as the diagram sees it: one row per trace
// (caption and seven columns, a check box for visibility, a colour swatch image), selected
// rows being the diagram's selected traces. A headless model serves when no view is attached;
// the Qt list view implements the same interface.
#include <functional>
#include <string>

#include <pugixml.hpp>

class TraceListInterface {
 public:
  static constexpr int kColumns = 8;  // caption and seven sub-items

  virtual ~TraceListInterface() = default;
  // Appends a row showing image `imageIndex`; earlier rows lose their selection.
  virtual void AddItem(int imageIndex) = 0;
  virtual void ClearSelection() = 0;
  // Reads the "trace_list" element (null: default column widths, autoresize on).
  virtual void Deserialize(pugi::xml_node node) = 0;
  virtual void EndUpdate() = 0;
  // Called with the row index whenever a row's selection changes.
  virtual void SetSelectionHandler(std::function<void(int row, bool selected)> handler) = 0;
  virtual int Count() const = 0;
  virtual bool IsSelected(int row) const = 0;
  virtual bool CanFocus() const = 0;
  // The row with the keyboard focus, -1 for none.
  virtual int FocusedItem() const = 0;
  // The row shown at the top (0 for an empty list), and how many rows one page of the list
  // shows (at least one): what moving a trace by the page goes by.
  virtual int TopItem() const = 0;
  virtual int VisibleRowCount() const = 0;
  virtual void DeleteItem(int row) = 0;
  virtual void SelectAll() = 0;
  // Appends the "trace_list" element to the diagram's element.
  virtual void Serialize(pugi::xml_node element) = 0;
  virtual void Refresh() = 0;
  virtual void SetHint(const std::wstring& hint) = 0;
  virtual void AfterDeserialize() = 0;
  virtual void SetItemChecked(int row, bool checked) = 0;
  virtual void SelectItem(int row, bool selected) = 0;
  virtual void SetFocus() = 0;

  // Row contents, filled by the diagram from its trace: column 0 is the caption.
  virtual void SetItemText(int row, int column, const std::wstring& text) = 0;
  virtual std::wstring GetItemText(int row, int column) const = 0;
  virtual bool IsItemChecked(int row) const = 0;
  virtual int GetItemImage(int row) const = 0;
  // The list grows and shrinks with its rows (up to a few) instead of scrolling.
  virtual bool GetAutoResize() const = 0;
  virtual void SetAutoResize(bool on) = 0;
};
