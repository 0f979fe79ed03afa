#pragma once
// The trace list for touch screens, used instead of the report-style list view when the
// touch-screen setting is on. One large row per trace: a big colour swatch, the trace's name
// and below it its channel, scale and format in one line, a check box for visibility that
// a finger can hit. A tap toggles a row's selection (no modifier keys on a touch screen);
// pressing and holding, or the context-menu key, asks for the drop menu of the row.
//
// Its height is its own: kept in the layout ("trace_list" @height, @autoresize) and, while
// autoresize is on, following the rows up to kMaxAutoRows of them.
#include <QListWidget>

#include <array>
#include <functional>
#include <string>

#include "core/Color.h"
#include "interfaces/TraceListInterface.h"

class TExTraceList : public QListWidget, public TraceListInterface {
  Q_OBJECT

 public:
  static constexpr int kMaxAutoRows = 5;
  static constexpr int kIconSize = 32;
  static constexpr int kDefaultHeight = 1000;  // what a "trace_list" without @height means

  explicit TExTraceList(QWidget* parent = nullptr);
  ~TExTraceList() override;

  // --- TraceListInterface
  void AddItem(int imageIndex) override;
  void ClearSelection() override;
  void Deserialize(pugi::xml_node node) override;
  void EndUpdate() override {}
  void SetSelectionHandler(std::function<void(int row, bool selected)> handler) override;
  int Count() const override { return count(); }
  bool IsSelected(int row) const override;
  bool CanFocus() const override { return isVisible() && isEnabled(); }
  int FocusedItem() const override { return currentRow(); }
  int TopItem() const override;
  int VisibleRowCount() const override;
  void DeleteItem(int row) override;
  void SelectAll() override;
  void Serialize(pugi::xml_node element) override;
  void Refresh() override { viewport()->update(); }
  void SetHint(const std::wstring& hint) override;
  void AfterDeserialize() override {}
  void SetItemChecked(int row, bool checked) override;
  void SelectItem(int row, bool selected) override;
  void SetFocus() override { setFocus(); }
  void SetItemText(int row, int column, const std::wstring& text) override;
  std::wstring GetItemText(int row, int column) const override;
  bool IsItemChecked(int row) const override;
  int GetItemImage(int row) const override;

  void SetCheckHandler(std::function<void(int row, bool checked)> handler) { onCheck_ = std::move(handler); }
  void SetImageColorSource(std::function<TColor(int index)> source) { imageColor_ = std::move(source); }
  // The drop menu of a row was asked for (at a global position).
  void SetMenuHandler(std::function<void(int row, const QPoint& global)> handler) { onMenu_ = std::move(handler); }

  int ListHeight() const { return height(); }
  void SetListHeight(int height);
  int RowHeight() const;
  bool GetAutoResize() const override { return autoResize_; }
  void SetAutoResize(bool on) override;

 signals:
  void ListResized(int height);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FitRows();
  void Compose(QListWidgetItem* item) const;
  void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void OnItemChanged(QListWidgetItem* item);

  std::function<void(int, bool)> onSelection_;
  std::function<void(int, bool)> onCheck_;
  std::function<TColor(int)> imageColor_;
  std::function<void(int, const QPoint&)> onMenu_;
  bool autoResize_ = true;
  bool updating_ = false;
  bool deleting_ = false;
};
