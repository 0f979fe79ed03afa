#include "ui/ExTraceList.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScroller>
#include <QStyledItemDelegate>

#include <algorithm>

#include "common/Assert.h"
#include "common/Xml.h"

namespace {

constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kTextRole = Qt::UserRole + 2;  // the row's columns, as a string list
constexpr int kCheckedRole = Qt::UserRole + 3;  // the state last reported
constexpr int kRowPadding = 8;
constexpr int kEmptyRowHeight = 48;

QString ToQ(const std::wstring& text) { return QString::fromStdWString(text); }

// Rows high enough for the large swatch and the two lines of text, whatever the style says.
class CTouchRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), std::max(TExTraceList::kIconSize, option.fontMetrics.height() * 2) + kRowPadding));
    return size;
  }
};

}  // namespace

TExTraceList::TExTraceList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::MultiSelection);
  setIconSize(QSize(kIconSize, kIconSize));
  setUniformItemSizes(true);
  setSpacing(1);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setItemDelegate(new CTouchRowDelegate(this));
  // A finger drags the list rather than a selection band.
  QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
  QFont big = font();
  big.setPointSizeF(big.pointSizeF() * 1.25);
  setFont(big);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TExTraceList::OnSelectionChanged);
  connect(this, &QListWidget::itemChanged, this, &TExTraceList::OnItemChanged);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (onMenu_) onMenu_(row(itemAt(at)), viewport()->mapToGlobal(at));
  });
}

TExTraceList::~TExTraceList() = default;

void TExTraceList::AddItem(int imageIndex) {
  clearSelection();
  auto* item = new QListWidgetItem;
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setData(kImageRole, imageIndex);
  item->setData(kTextRole, QStringList(kColumns));
  item->setData(kCheckedRole, false);
  {
    const QSignalBlocker quiet(this);
    item->setCheckState(Qt::Unchecked);
  }
  addItem(item);
  Compose(item);
  if (autoResize_ && Count() <= kMaxAutoRows) FitRows();
}

void TExTraceList::DeleteItem(int row) {
  QListWidgetItem* item = this->item(row);
  if (item == nullptr) return;
  deleting_ = true;
  delete takeItem(row);
  deleting_ = false;
  for (int k = 0; k < Count(); ++k) {
    this->item(k)->setData(kImageRole, k);
    Compose(this->item(k));
  }
  if (autoResize_ && Count() > 0) FitRows();
}

int TExTraceList::RowHeight() const {
  if (Count() == 0) return kEmptyRowHeight;
  const int h = sizeHintForRow(0) + 2 * spacing();
  return h > 0 ? h : kEmptyRowHeight;
}

void TExTraceList::FitRows() {
  const int rows = std::clamp(Count(), 1, kMaxAutoRows);
  SetListHeight(rows * RowHeight() + 2 * frameWidth());
}

void TExTraceList::SetListHeight(int height) {
  height = std::max(height, 0);
  if (height == this->height() && minimumHeight() == height && maximumHeight() == height) return;
  setFixedHeight(height);
  emit ListResized(height);
}

void TExTraceList::SetAutoResize(bool on) {
  autoResize_ = on;
  if (on) FitRows();
}

void TExTraceList::Compose(QListWidgetItem* item) const {
  // Name on top, the rest of the row's columns in one smaller line below.
  const QStringList columns = item->data(kTextRole).toStringList();
  QStringList details;
  for (int c = 2; c < columns.size(); ++c)
    if (!columns[c].isEmpty()) details << columns[c];
  const QString name = columns.isEmpty() ? QString() : columns[0];
  item->setText(details.isEmpty() ? name : name + QLatin1Char('\n') + details.join(QStringLiteral("  ·  ")));
  const int image = item->data(kImageRole).toInt();
  const TColor color = imageColor_ ? imageColor_(image) : clNone;
  if (color == clNone) {
    item->setIcon(QIcon());
    return;
  }
  QPixmap swatch(kIconSize, kIconSize);
  swatch.fill(Qt::transparent);
  QPainter painter(&swatch);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
  painter.setPen(Qt::black);
  painter.drawRoundedRect(QRectF(2, 2, kIconSize - 4, kIconSize - 4), 6, 6);
  painter.end();
  item->setIcon(QIcon(swatch));
}

void TExTraceList::SetItemText(int row, int column, const std::wstring& text) {
  QListWidgetItem* item = this->item(row);
  if (item == nullptr || !PV_ASSERT(column >= 0 && column < kColumns)) return;
  QStringList columns = item->data(kTextRole).toStringList();
  while (columns.size() < kColumns) columns << QString();
  columns[column] = ToQ(text);
  updating_ = true;
  item->setData(kTextRole, columns);
  Compose(item);
  updating_ = false;
}

std::wstring TExTraceList::GetItemText(int row, int column) const {
  const QListWidgetItem* item = this->item(row);
  if (item == nullptr) return {};
  const QStringList columns = item->data(kTextRole).toStringList();
  return column >= 0 && column < columns.size() ? columns[column].toStdWString() : std::wstring();
}

int TExTraceList::GetItemImage(int row) const {
  const QListWidgetItem* item = this->item(row);
  return item != nullptr ? item->data(kImageRole).toInt() : -1;
}

bool TExTraceList::IsItemChecked(int row) const {
  const QListWidgetItem* item = this->item(row);
  return item != nullptr && item->checkState() == Qt::Checked;
}

void TExTraceList::SetItemChecked(int row, bool checked) {
  QListWidgetItem* item = this->item(row);
  if (item == nullptr) return;
  updating_ = true;
  item->setData(kCheckedRole, checked);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  updating_ = false;
}

void TExTraceList::OnItemChanged(QListWidgetItem* item) {
  if (updating_ || item == nullptr) return;
  const bool checked = item->checkState() == Qt::Checked;
  if (checked == item->data(kCheckedRole).toBool()) return;
  item->setData(kCheckedRole, checked);
  if (onCheck_) onCheck_(row(item), checked);
}

void TExTraceList::SetSelectionHandler(std::function<void(int, bool)> handler) { onSelection_ = std::move(handler); }

void TExTraceList::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  if (deleting_ || !onSelection_) return;
  for (const QModelIndex& index : deselected.indexes()) onSelection_(index.row(), false);
  for (const QModelIndex& index : selected.indexes()) onSelection_(index.row(), true);
}

int TExTraceList::TopItem() const {
  const QModelIndex top = indexAt(QPoint(1, 1));
  return top.isValid() ? top.row() : 0;
}

int TExTraceList::VisibleRowCount() const { return std::max(1, viewport()->height() / std::max(1, RowHeight())); }

bool TExTraceList::IsSelected(int row) const {
  const QListWidgetItem* item = this->item(row);
  return item != nullptr && item->isSelected();
}

void TExTraceList::SelectItem(int row, bool selected) {
  if (QListWidgetItem* item = this->item(row)) item->setSelected(selected);
}

void TExTraceList::SelectAll() { selectAll(); }
void TExTraceList::ClearSelection() { clearSelection(); }

void TExTraceList::SetHint(const std::wstring& hint) { setToolTip(ToQ(hint)); }

void TExTraceList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Menu && onMenu_) {
    const int row = currentRow();
    const QRect r = row >= 0 ? visualItemRect(item(row)) : QRect();
    onMenu_(row, viewport()->mapToGlobal(r.bottomLeft()));
    return;
  }
  QListWidget::keyPressEvent(event);
}

void TExTraceList::Serialize(pugi::xml_node element) {
  pugi::xml_node list = AddElement(element, L"trace_list");
  if (!PV_ASSERT(list)) return;
  AddAttribute(list, L"height", height());
  AddAttribute(list, L"autoresize", autoResize_);
}

void TExTraceList::Deserialize(pugi::xml_node node) {
  if (!node) {
    autoResize_ = true;
    return;
  }
  SetListHeight(GetNodeIntValue(node, L"@height", kDefaultHeight));
  SetAutoResize(GetNodeBoolValue(node, L"@autoresize", true));
}
