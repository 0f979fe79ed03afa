#include "diagram/TraceListModel.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "common/Assert.h"
#include "common/Text.h"
#include "common/Xml.h"

namespace {

constexpr const char* kCaptions[TraceListInterface::kColumns] = {
    TrNoop("Имя"),    TrNoop("Тип"),  TrNoop("Кнл/Изм."), TrNoop("Опорн."),
    TrNoop("Ед./дел."), TrNoop("Поз."), TrNoop("Формат"),   TrNoop("Функции")};

// Width of a "column" element that has none.
constexpr int kFallbackWidth = 100;

// What a list view adds to its rows and header: the frame above and below.
constexpr int kFrame = 2;

}  // namespace

CTraceListModel::CTraceListModel() : height_(kHeaderHeight + kFrame) {}

std::wstring CTraceListModel::ColumnCaption(int column) {
  if (!PV_ASSERT(column >= 0 && column < kColumns)) return {};
  return Tr(kCaptions[column]);
}

void CTraceListModel::Select(int row, bool selected) {
  SRow& r = rows_[static_cast<size_t>(row)];
  if (r.selected == selected) return;
  r.selected = selected;
  if (onSelection_) onSelection_(row, selected);
}

void CTraceListModel::AddItem(int imageIndex) {
  if (autoResize_ && Count() < kMaxAutoRows) height_ += kRowHeight;
  for (int k = 0; k < Count(); ++k) Select(k, false);
  SRow row;
  row.image = imageIndex;
  rows_.push_back(std::move(row));
}

void CTraceListModel::DeleteItem(int row) {
  if (!Valid(row)) return;
  const bool scrolled = VertScrollVisible();
  rows_.erase(rows_.begin() + row);
  for (int k = 0; k < Count(); ++k) rows_[static_cast<size_t>(k)].image = k;
  if (focused_ == row)
    focused_ = -1;
  else if (focused_ > row)
    --focused_;
  if (autoResize_ && !rows_.empty() && !scrolled) height_ -= kRowHeight;
}

bool CTraceListModel::VertScrollVisible() const {
  return Count() * kRowHeight > height_ - kHeaderHeight - kFrame;
}

int CTraceListModel::TopItem() const { return std::clamp(top_, 0, std::max(0, Count() - 1)); }

int CTraceListModel::VisibleRowCount() const {
  return std::max(1, (height_ - kHeaderHeight - kFrame) / kRowHeight);
}

bool CTraceListModel::IsSelected(int row) const {
  return Valid(row) && rows_[static_cast<size_t>(row)].selected;
}

void CTraceListModel::SelectItem(int row, bool selected) {
  if (!Valid(row)) return;
  Select(row, selected);
  // As a click does: the row selected last has the focus.
  if (selected) focused_ = row;
}

void CTraceListModel::SelectAll() {
  for (int k = 0; k < Count(); ++k) Select(k, true);
}

void CTraceListModel::ClearSelection() {
  for (int k = 0; k < Count(); ++k) Select(k, false);
}

void CTraceListModel::SetFocusedItem(int row) {
  if (row == -1 || Valid(row)) focused_ = row;
}

void CTraceListModel::SetItemChecked(int row, bool checked) {
  if (Valid(row)) rows_[static_cast<size_t>(row)].checked = checked;
}

bool CTraceListModel::IsItemChecked(int row) const {
  return Valid(row) && rows_[static_cast<size_t>(row)].checked;
}

int CTraceListModel::GetItemImage(int row) const {
  return Valid(row) ? rows_[static_cast<size_t>(row)].image : -1;
}

void CTraceListModel::SetItemText(int row, int column, const std::wstring& text) {
  if (!Valid(row) || !PV_ASSERT(column >= 0 && column < kColumns)) return;
  rows_[static_cast<size_t>(row)].texts[static_cast<size_t>(column)] = text;
}

std::wstring CTraceListModel::GetItemText(int row, int column) const {
  if (!Valid(row) || !PV_ASSERT(column >= 0 && column < kColumns)) return {};
  return rows_[static_cast<size_t>(row)].texts[static_cast<size_t>(column)];
}

int CTraceListModel::ColumnWidth(int column) const {
  return column >= 0 && column < kColumns ? widths_[static_cast<size_t>(column)] : 0;
}

void CTraceListModel::SetColumnWidth(int column, int width) {
  if (PV_ASSERT(column >= 0 && column < kColumns)) widths_[static_cast<size_t>(column)] = width;
}

int CTraceListModel::CalcBestHeight(int& height) const {
  const int hScroll = 0;  // the model never scrolls sideways
  int rows = std::max(0, (height - kHeaderHeight - kFrame) / kRowHeight);
  if (Count() < rows - hScroll) rows = Count() + hScroll;
  height = kRowHeight * rows + kHeaderHeight + kFrame;
  return rows;
}

void CTraceListModel::Serialize(pugi::xml_node element) {
  pugi::xml_node list = AddElement(element, L"trace_list");
  if (!PV_ASSERT(list)) return;
  AddAttribute(list, L"height", height_);
  AddAttribute(list, L"display_header", headerVisible_);
  AddAttribute(list, L"autoresize", autoResize_);
  WriteColumnWidths(list, widths_);
}

void CTraceListModel::WriteColumnWidths(pugi::xml_node list, const std::array<int, kColumns>& widths) {
  pugi::xml_node columns = AddElement(list, L"columns");
  for (int width : widths) AddAttribute(AddElement(columns, L"column"), L"width", width);
}

void CTraceListModel::ReadColumnWidths(pugi::xml_node list, std::array<int, kColumns>& widths) {
  int column = 0;
  for (pugi::xml_node item : list.child("columns").children()) {
    const pugi::xml_node pColumn = item.type() == pugi::node_element ? item : pugi::xml_node();
    if (!PV_ASSERT_MSG(pColumn, "(pColumn = GetElement(pNode))!=NULL")) continue;
    if (std::string_view(pColumn.name()) != "column") continue;
    if (column < kColumns) widths[static_cast<size_t>(column)] = GetNodeIntValue(pColumn, L"@width", kFallbackWidth);
    ++column;
  }
}

void CTraceListModel::Deserialize(pugi::xml_node node) {
  if (!node) {
    widths_ = kDefaultWidths;
    autoResize_ = true;
    return;
  }
  ReadColumnWidths(node, widths_);
  autoResize_ = GetNodeBoolValue(node, L"@autoresize", true);
  // The diagram reads these itself for its view; without a view the model keeps them.
  height_ = GetNodeIntValue(node, L"@height", height_);
  headerVisible_ = GetNodeBoolValue(node, L"@display_header", headerVisible_);
}
