#include "ui/ExListView.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <string_view>

#include "common/Assert.h"
#include "common/Xml.h"
#include "diagram/Diagram.h"
#include "diagram/TraceListEditor.h"
#include "diagram/TraceListModel.h"
#include "ui/DiagramWidget.h"
#include "ui/MenuBridge.h"
#include "ui/QPainterCanvas.h"

namespace {

constexpr int kSwatchSize = 12;

QString ToQ(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

// A row knows the image it shows; its swatch is drawn from the current colour of that image
// whenever the row is painted, so a trace's new colour needs only a repaint.
class TExListView::CRow : public QTreeWidgetItem {
 public:
  int image = -1;
  bool checked = false;  // the state last reported, to tell check changes from text changes

  QVariant data(int column, int role) const override {
    if (column == 0 && role == Qt::DecorationRole) {
      if (auto* view = qobject_cast<TExListView*>(treeWidget())) {
        const QIcon icon = view->Swatch(image);
        return icon.isNull() ? QVariant() : QVariant(icon);
      }
    }
    return QTreeWidgetItem::data(column, role);
  }
};

TExListView::TExListView(CDiagram* diagram, QWidget* parent)
    : QTreeWidget(parent), diagram_(diagram), editor_(std::make_unique<CTraceListEditor>(diagram)) {
  setColumnCount(kColumns);
  QStringList captions;
  for (int c = 0; c < kColumns; ++c) captions << ToQ(CTraceListModel::ColumnCaption(c));
  setHeaderLabels(captions);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setMinimumSectionSize(0);  // stored widths come back as they were
  for (int c = 0; c < kColumns; ++c) setColumnWidth(c, CTraceListModel::kDefaultWidths[static_cast<size_t>(c)]);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(kSwatchSize, kSwatchSize));
  setDragEnabled(diagram != nullptr);
  setAcceptDrops(diagram != nullptr);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TExListView::OnSelectionChanged);
  connect(this, &QTreeWidget::itemChanged, this, &TExListView::OnItemChanged);
  verticalScrollBar()->installEventFilter(this);
  horizontalScrollBar()->installEventFilter(this);

  line_ = new QLineEdit(viewport());
  line_->hide();
  line_->installEventFilter(this);
  unit_ = new QLabel(line_);
  unit_->hide();
  combo_ = new QComboBox(viewport());
  combo_->hide();
  combo_->installEventFilter(this);
  connect(combo_, &QComboBox::activated, this, &TExListView::ChooseFormatEntry);

  SetListHeight(HeaderHeight() + FrameHeight());
}

void TExListView::ForgetDiagram() { editor_ = std::make_unique<CTraceListEditor>(nullptr); }

TExListView::~TExListView() {
  editRow_ = -1;
  // Rows and editors go with the base class: nobody is told about them any more.
  onSelection_ = nullptr;
  onCheck_ = nullptr;
  line_->removeEventFilter(this);
  combo_->removeEventFilter(this);
  verticalScrollBar()->removeEventFilter(this);
  horizontalScrollBar()->removeEventFilter(this);
  CDiagram* diagram = editor_->Diagram();
  if (diagram != nullptr && diagram->GetTraceList() == this) diagram->SetTraceList(nullptr);
}

TExListView::CRow* TExListView::Row(int row) const {
  return row >= 0 && row < Count() ? static_cast<CRow*>(topLevelItem(row)) : nullptr;
}

// ---------------------------------------------------------------------------------------
// Rows

void TExListView::AddItem(int imageIndex) {
  clearSelection();
  auto* row = new CRow;
  row->image = imageIndex;
  // Rows drag their traces to another row or diagram.
  row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled);
  {
    const QSignalBlocker quiet(this);  // the row's first check state is no operator's toggle
    row->setCheckState(0, Qt::Unchecked);
  }
  addTopLevelItem(row);
  if (autoResize_ && Count() <= kMaxAutoRows) SetListHeight(height() + RowHeight());
}

void TExListView::DeleteItem(int row) {
  CRow* item = Row(row);
  if (item == nullptr) return;
  EditHide();
  const bool scrolled = VertScrollNeeded();
  const int rowHeight = RowHeight();
  deleting_ = true;
  delete item;
  deleting_ = false;
  for (int k = 0; k < Count(); ++k) Row(k)->image = k;
  if (autoResize_ && Count() > 0 && !scrolled) SetListHeight(height() - rowHeight);
  viewport()->update();
}

void TExListView::SetItemText(int row, int column, const std::wstring& text) {
  CRow* item = Row(row);
  if (item == nullptr || !PV_ASSERT(column >= 0 && column < kColumns)) return;
  const QString value = ToQ(text);
  if (item->text(column) == value) return;
  updating_ = true;
  item->setText(column, value);
  updating_ = false;
}

std::wstring TExListView::GetItemText(int row, int column) const {
  const CRow* item = Row(row);
  if (item == nullptr || !PV_ASSERT(column >= 0 && column < kColumns)) return {};
  return item->text(column).toStdWString();
}

void TExListView::SetItemChecked(int row, bool checked) {
  CRow* item = Row(row);
  if (item == nullptr) return;
  item->checked = checked;
  updating_ = true;
  item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  updating_ = false;
}

bool TExListView::IsItemChecked(int row) const {
  const CRow* item = Row(row);
  return item != nullptr && item->checkState(0) == Qt::Checked;
}

int TExListView::GetItemImage(int row) const {
  const CRow* item = Row(row);
  return item != nullptr ? item->image : -1;
}

void TExListView::OnItemChanged(QTreeWidgetItem* changed, int column) {
  auto* item = static_cast<CRow*>(changed);
  const bool checked = item->checkState(0) == Qt::Checked;
  if (column != 0 || checked == item->checked) return;
  item->checked = checked;
  if (!updating_ && onCheck_) onCheck_(indexOfTopLevelItem(item), checked);
}

void TExListView::SetImageColorSource(std::function<TColor(int)> source) {
  imageColor_ = std::move(source);
  viewport()->update();
}

QIcon TExListView::Swatch(int image) const {
  if (!imageColor_ || image < 0) return {};
  const TColor color = imageColor_(image);
  if (color == clNone) return {};
  // A handful of trace colours: one icon each, made once.
  auto it = swatches_.find(color);
  if (it == swatches_.end()) {
    QPixmap pixmap(kSwatchSize, kSwatchSize);
    pixmap.fill(ToQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, kSwatchSize - 1, kSwatchSize - 1);
    it = swatches_.insert(color, QIcon(pixmap));
  }
  return *it;
}

// ---------------------------------------------------------------------------------------
// Selection and focus

void TExListView::SetSelectionHandler(std::function<void(int, bool)> handler) { onSelection_ = std::move(handler); }

void TExListView::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  if (deleting_ || !onSelection_) return;
  // Rows as the selection model reports them: every cell of a row is in the range.
  const auto tell = [this](const QItemSelection& selection, bool on) {
    for (const QModelIndex& index : selection.indexes()) {
      if (index.isValid() && index.column() == 0) onSelection_(index.row(), on);
    }
  };
  tell(deselected, false);
  tell(selected, true);
}

bool TExListView::IsSelected(int row) const {
  const CRow* item = Row(row);
  return item != nullptr && item->isSelected();
}

void TExListView::SelectItem(int row, bool selected) {
  CRow* item = Row(row);
  if (item == nullptr) return;
  item->setSelected(selected);
  // As a click does: the row selected last has the focus, without touching the others.
  if (selected) selectionModel()->setCurrentIndex(indexFromItem(item), QItemSelectionModel::NoUpdate);
}

void TExListView::SelectAll() { selectAll(); }

void TExListView::ClearSelection() { clearSelection(); }

int TExListView::FocusedItem() const { return currentItem() != nullptr ? indexOfTopLevelItem(currentItem()) : -1; }

bool TExListView::CanFocus() const { return isVisible() && isEnabled(); }

int TExListView::TopItem() const {
  const QModelIndex top = indexAt(QPoint(1, 1));
  return top.isValid() ? top.row() : 0;
}

int TExListView::VisibleRowCount() const { return std::max(1, viewport()->height() / RowHeight()); }

void TExListView::SetFocus() { setFocus(); }

void TExListView::EndUpdate() { viewport()->update(); }

void TExListView::Refresh() { viewport()->update(); }

void TExListView::SetHint(const std::wstring& hint) { setToolTip(ToQ(hint)); }

// ---------------------------------------------------------------------------------------
// Geometry

void TExListView::SetListHeight(int height) {
  height = std::max(height, 0);
  if (height == this->height() && minimumHeight() == height && maximumHeight() == height) return;
  setFixedHeight(height);
  emit ListResized(height);
}

int TExListView::RowHeight() const {
  if (Count() == 0) return kEmptyRowHeight;
  const int height = rowHeight(indexFromItem(topLevelItem(0)));
  return height > 0 ? height : kEmptyRowHeight;
}

int TExListView::HeaderHeight() const { return header()->isHidden() ? 0 : header()->sizeHint().height(); }

bool TExListView::VertScrollNeeded() const {
  const int hScroll = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0;
  return Count() * RowHeight() > height() - HeaderHeight() - FrameHeight() - hScroll;
}

int TExListView::CalcBestHeight(int& height) const {
  const int rowHeight = RowHeight();
  const int headerHeight = HeaderHeight() + FrameHeight();
  const int hScroll = horizontalScrollBar()->isVisible() ? 1 : 0;
  int rows = std::max(0, (height - headerHeight) / rowHeight);
  if (Count() < rows - hScroll) rows = Count() + hScroll;
  height = rowHeight * rows + headerHeight;
  return rows;
}

void TExListView::OnVertScrollShown(bool shown) {
  if (!isVisible() || !autoResize_) return;
  if (shown && !scrollShown_ && Count() <= kMaxAutoRows) {
    // A horizontal scroll bar took a row's room: give it back rather than scroll five rows.
    scrollShown_ = true;
    SetListHeight(height() + RowHeight());
  } else if (!shown && scrollShown_) {
    scrollShown_ = false;
    // Shrink only when the rows still fit afterwards, or the bar would come straight back.
    if (Count() * RowHeight() <= viewport()->height() - RowHeight()) SetListHeight(height() - RowHeight());
  }
}

// ---------------------------------------------------------------------------------------
// The "trace_list" element

void TExListView::Serialize(pugi::xml_node element) {
  pugi::xml_node list = AddElement(element, L"trace_list");
  if (!PV_ASSERT(list)) return;
  AddAttribute(list, L"height", height());
  AddAttribute(list, L"display_header", GetHeaderVisible());
  AddAttribute(list, L"autoresize", autoResize_);
  std::array<int, kColumns> widths{};
  for (int c = 0; c < kColumns; ++c) widths[static_cast<size_t>(c)] = columnWidth(c);
  CTraceListModel::WriteColumnWidths(list, widths);
}

void TExListView::Deserialize(pugi::xml_node node) {
  if (!node) {
    for (int c = 0; c < kColumns; ++c) setColumnWidth(c, CTraceListModel::kDefaultWidths[static_cast<size_t>(c)]);
    autoResize_ = true;
    return;
  }
  std::array<int, kColumns> widths{};
  for (int c = 0; c < kColumns; ++c) widths[static_cast<size_t>(c)] = columnWidth(c);
  CTraceListModel::ReadColumnWidths(node, widths);
  for (int c = 0; c < kColumns; ++c) setColumnWidth(c, widths[static_cast<size_t>(c)]);
  autoResize_ = GetNodeBoolValue(node, L"@autoresize", true);
  // The diagram keeps these for its layout too; the list applies them to itself meanwhile.
  SetHeaderVisible(GetNodeBoolValue(node, L"@display_header", GetHeaderVisible()));
  SetListHeight(GetNodeIntValue(node, L"@height", height()));
}

// ---------------------------------------------------------------------------------------
// In-place editing

void TExListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid()) EditActivate(index.row(), index.column());
}

bool TExListView::EditActivate(int row, int column) {
  EditHide();
  if (Row(row) == nullptr || column >= columnCount() || !editor_->CanEdit(row, column)) return false;
  QRect cell = visualRect(model()->index(row, column));
  cell.setWidth(std::max(cell.width(), kMinEditorWidth));

  if (column == CTraceListEditor::kFormatColumn) {
    const std::vector<SFormatChoice> choices = editor_->FormatChoices(row);
    if (choices.empty()) return false;
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    for (const SFormatChoice& choice : choices) {
      combo_->addItem(ToQ(choice.description), choice.mode);
      if (choice.selected) combo_->setCurrentIndex(combo_->count() - 1);
    }
    editRow_ = row;
    editColumn_ = column;
    combo_->setGeometry(cell.x(), cell.y(), cell.width(), std::max(cell.height(), combo_->sizeHint().height()));
    combo_->show();
    combo_->setFocus();
    if (isVisible()) combo_->showPopup();
    return true;
  }

  editRow_ = row;
  editColumn_ = column;
  line_->setText(ToQ(editor_->EditText(row, column)));
  const QString unit = ToQ(editor_->EditUnit(row, column));
  unit_->setText(unit);
  unit_->setVisible(!unit.isEmpty());
  int unitWidth = 0;
  if (!unit.isEmpty()) {
    unitWidth = unit_->sizeHint().width() + 4;
    unit_->setGeometry(cell.width() - unitWidth, 0, unitWidth - 2, cell.height());
  }
  line_->setTextMargins(0, 0, unitWidth, 0);
  line_->setGeometry(cell);
  line_->show();
  line_->selectAll();
  line_->setFocus();
  return true;
}

bool TExListView::EditAccept() {
  if (!IsEditing() || editColumn_ == CTraceListEditor::kFormatColumn) return false;
  const int row = editRow_;
  const int column = editColumn_;
  const bool applied = editor_->Apply(row, column, line_->text().toStdWString());
  if (column == CTraceListEditor::kRefColumn && EditActivate(row, CTraceListEditor::kDivColumn)) return applied;
  EditHide();
  return applied;
}

void TExListView::ChooseFormatEntry(int index) {
  if (!IsEditing() || editColumn_ != CTraceListEditor::kFormatColumn) return;
  const int row = editRow_;
  const QVariant mode = combo_->itemData(index);
  EditHide();
  if (mode.isValid()) editor_->ChooseFormat(row, mode.toInt());
}

void TExListView::EditHide() {
  if (!IsEditing()) return;
  editRow_ = editColumn_ = -1;
  const bool hadFocus = line_->hasFocus() || combo_->hasFocus();
  line_->hide();
  combo_->hide();
  if (hadFocus) setFocus();
}

bool TExListView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == verticalScrollBar()) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
      OnVertScrollShown(event->type() == QEvent::Show);
    return false;
  }
  if (watched == horizontalScrollBar()) {
    // A list too low for a vertical bar (one row under the horizontal one) never shows it:
    // the horizontal bar's arrival asks for the room itself.
    if (event->type() == QEvent::Show && autoResize_ && Count() * RowHeight() > viewport()->height() - horizontalScrollBar()->height())
      OnVertScrollShown(true);
    return false;
  }
  if (watched != line_ && watched != combo_) return false;
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
      EditHide();
      return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && watched == line_) {
      EditAccept();
      return true;
    }
  } else if (event->type() == QEvent::FocusOut && IsEditing()) {
    // Leaving an editor drops it; the combo box loses the focus to its own popup meanwhile.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (watched == line_ || (reason != Qt::PopupFocusReason && !combo_->view()->isVisible())) EditHide();
  }
  return false;
}

// ---- menu, keys and drops -----------------------------------------------------------------

void TExListView::contextMenuEvent(QContextMenuEvent* event) {
  if (diagram_ == nullptr) return;
  const QModelIndex under = indexAt(viewport()->mapFrom(this, event->pos()));
  if (under.isValid() && !IsSelected(under.row())) diagram_->SelectTrace(static_cast<unsigned>(under.row()));
  traceMenu_.Items().Clear();
  diagram_->PrepareTraceMenu(&traceMenu_);
  PopupMenuModel(traceMenu_, this, event->globalPos());
}

void TExListView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers m = event->modifiers();
  const int key = TDiagramWidget::EngineKey(event->key(), m);
  if (!IsEditing() && diagram_ != nullptr && key != 0 &&
      diagram_->KeyDown(key, m.testFlag(Qt::ControlModifier), m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::AltModifier)))
    return;
  QTreeWidget::keyPressEvent(event);
}

void TExListView::dragEnterEvent(QDragEnterEvent* event) {
  if (diagram_ != nullptr && qobject_cast<TExListView*>(event->source()) != nullptr) event->acceptProposedAction();
}

void TExListView::dragMoveEvent(QDragMoveEvent* event) {
  if (diagram_ != nullptr && qobject_cast<TExListView*>(event->source()) != nullptr) event->acceptProposedAction();
}

void TExListView::dropEvent(QDropEvent* event) {
  auto* source = qobject_cast<TExListView*>(event->source());
  if (diagram_ == nullptr || source == nullptr || source->diagram_ == nullptr) return;
  if (source == this) {
    const QModelIndex target = indexAt(event->position().toPoint());
    const int to = target.isValid() ? target.row() : Count() - 1;
    diagram_->DropRow(currentIndex().row(), to);
  } else {
    diagram_->DropTraces(source->diagram_);
  }
  event->setDropAction(Qt::IgnoreAction);  // the diagrams moved the rows themselves
  event->accept();
}
