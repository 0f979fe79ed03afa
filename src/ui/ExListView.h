#pragma once
// The trace list of a diagram for mouse and keyboard: a report-style list with a check box
// (visibility) and a colour swatch per row, full-row and multiple selection, and in-place
// editors over the cells. The diagram fills it through TraceListInterface only; what an
// edit may change and what it does is CTraceListEditor's business, so the view just places
// a line edit (name, reference, division, position) or a combo box (format) over the cell.
//
// Autoresize: while on, the list's height follows its rows up to five of them, and grows by
// one more row while a horizontal scroll bar would otherwise hide one. Height changes are
// applied as the list's fixed height and announced with ListResized.
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <string>

#include "core/Color.h"
#include "core/MenuModel.h"
#include "interfaces/TraceListInterface.h"

class CDiagram;
class CTraceListEditor;
class QComboBox;
class QLabel;
class QLineEdit;

class TExListView : public QTreeWidget, public TraceListInterface {
  Q_OBJECT

 public:
  static constexpr int kMaxAutoRows = 5;
  static constexpr int kEmptyRowHeight = 17;
  static constexpr int kMinEditorWidth = 110;

  // `diagram` (may be null: no editing) must outlive the view. Attaching the view as the
  // diagram's list is the caller's move (CDiagram::SetTraceList); the view detaches itself
  // when destroyed.
  explicit TExListView(CDiagram* diagram = nullptr, QWidget* parent = nullptr);
  ~TExListView() override;
  // The diagram was destroyed before the view (the control removed it): no editing from now
  // on, and nothing to detach.
  void ForgetDiagram();

  // --- TraceListInterface
  void AddItem(int imageIndex) override;
  void ClearSelection() override;
  void Deserialize(pugi::xml_node node) override;
  void EndUpdate() override;
  void SetSelectionHandler(std::function<void(int row, bool selected)> handler) override;
  int Count() const override { return topLevelItemCount(); }
  bool IsSelected(int row) const override;
  bool CanFocus() const override;
  int FocusedItem() const override;
  int TopItem() const override;
  int VisibleRowCount() const override;
  void DeleteItem(int row) override;
  void SelectAll() override;
  void Serialize(pugi::xml_node element) override;
  void Refresh() override;
  void SetHint(const std::wstring& hint) override;
  void AfterDeserialize() override {}
  void SetItemChecked(int row, bool checked) override;
  void SelectItem(int row, bool selected) override;
  void SetFocus() override;
  void SetItemText(int row, int column, const std::wstring& text) override;
  std::wstring GetItemText(int row, int column) const override;
  bool IsItemChecked(int row) const override;
  int GetItemImage(int row) const override;

  CDiagram* Diagram() const { return diagram_; }
  // Drags the selected rows as the list itself does when a row is dragged, for a drag begun
  // elsewhere (a trace's swatch on the diagram's measurement bar); returns when it dropped.
  void DragSelection() { startDrag(Qt::MoveAction); }

  // Called when the operator toggles a row's check box (not when the diagram sets it).
  void SetCheckHandler(std::function<void(int row, bool checked)> handler) { onCheck_ = std::move(handler); }
  // The colour of swatch image `index` (the diagram's trace of that index); no swatch
  // without a source or for clNone.
  void SetImageColorSource(std::function<TColor(int index)> source);

  // --- geometry
  int ListHeight() const { return height(); }
  void SetListHeight(int height);
  // Height of row 0, or kEmptyRowHeight for an empty list.
  int RowHeight() const;
  int HeaderHeight() const;
  // Rows that fit `height`, which is rounded to those rows; never more rows than there are
  // (plus one for a horizontal scroll bar).
  int CalcBestHeight(int& height) const;
  bool GetAutoResize() const override { return autoResize_; }
  void SetAutoResize(bool on) override { autoResize_ = on; }
  bool GetHeaderVisible() const { return !header()->isHidden(); }
  void SetHeaderVisible(bool visible) { header()->setHidden(!visible); }

  // --- in-place editing
  // Opens the editor of a cell; false when the cell may not be edited (or has no formats).
  bool EditActivate(int row, int column);
  // Enter in the line edit: applies its text (false when refused: the trace keeps its
  // value) and ends the edit, or from the reference moves on to the division.
  bool EditAccept();
  // Ends any edit without change.
  void EditHide();
  // The format chosen in the combo box at `index`; ends the edit.
  void ChooseFormatEntry(int index);
  bool IsEditing() const { return editRow_ >= 0; }
  int EditRow() const { return editRow_; }
  int EditColumn() const { return editColumn_; }
  QLineEdit* LineEditor() const { return line_; }
  QComboBox* FormatEditor() const { return combo_; }

 signals:
  // The list changed its own height.
  void ListResized(int height);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // The trace menu at the mouse; keys go to the diagram first (shortcuts, trace order,
  // markers); rows dragged to another diagram's list or plot move their traces there.
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class CRow;
  friend class CRow;

  CRow* Row(int row) const;
  QIcon Swatch(int image) const;
  int FrameHeight() const { return 2 * frameWidth(); }
  // Whether the rows need more room than the list has below its header.
  bool VertScrollNeeded() const;
  void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void OnItemChanged(QTreeWidgetItem* item, int column);
  void OnVertScrollShown(bool shown);

  CDiagram* diagram_ = nullptr;
  CPopupMenu traceMenu_;  // the trace menu last shown; its items live while it shows
  std::unique_ptr<CTraceListEditor> editor_;
  std::function<void(int, bool)> onSelection_;
  std::function<void(int, bool)> onCheck_;
  std::function<TColor(int)> imageColor_;
  mutable QHash<TColor, QIcon> swatches_;
  bool autoResize_ = true;
  bool scrollShown_ = false;  // the vertical scroll bar showed and the list grew for it
  bool updating_ = false;     // the diagram changes a row: no check callbacks
  bool deleting_ = false;     // rows go away: no selection callbacks

  QLineEdit* line_ = nullptr;
  QLabel* unit_ = nullptr;
  QComboBox* combo_ = nullptr;
  int editRow_ = -1;
  int editColumn_ = -1;
};
