#include "core/MenuModel.h"

#include <algorithm>

#include "common/Assert.h"

CMenuItem::CMenuItem(std::wstring caption, std::function<void()> onClick)
    : caption_(std::move(caption)), onClick_(std::move(onClick)) {}

void CMenuItem::SetChecked(bool checked) {
  checked_ = checked;
  if (!checked || !radioItem_ || parent_ == nullptr) return;
  for (const auto& sibling : parent_->items_)
    if (sibling.get() != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_)
      sibling->checked_ = false;
}

bool CMenuItem::Click() {
  if (!enabled_ || IsSeparator()) return false;
  if (autoCheck_) SetChecked(radioItem_ ? true : !checked_);
  // The handler may rebuild the menu and so destroy this item: call a copy.
  if (auto handler = onClick_) handler();
  return true;
}

CMenuItem* CMenuItem::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(index)].get();
}

int CMenuItem::IndexOf(const CMenuItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

CMenuItem* CMenuItem::Add(std::unique_ptr<CMenuItem> item) { return Insert(Count(), std::move(item)); }

CMenuItem* CMenuItem::Insert(int index, std::unique_ptr<CMenuItem> item) {
  if (!PV_ASSERT(item != nullptr)) return nullptr;
  index = std::clamp(index, 0, Count());
  item->parent_ = this;
  CMenuItem* added = item.get();
  items_.insert(items_.begin() + index, std::move(item));
  return added;
}

std::unique_ptr<CMenuItem> CMenuItem::Extract(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  auto item = std::move(items_[static_cast<std::size_t>(index)]);
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
  return item;
}

CMenuItem* CMenuItem::Find(const std::wstring& caption) const {
  for (const auto& item : items_) {
    std::wstring plain = item->caption_;
    std::erase(plain, L'&');
    if (plain == caption) return item.get();
    if (CMenuItem* found = item->Find(caption)) return found;
  }
  return nullptr;
}

CMenuItem* AddMenuItem(CMenuComponent* menu, std::unique_ptr<CMenuItem> item) {
  if (auto* parent = dynamic_cast<CMenuItem*>(menu)) return parent->Add(std::move(item));
  auto* popup = dynamic_cast<CPopupMenu*>(menu);
  if (popup == nullptr) {
    AssertFunction(__DATE__, __FILE_NAME__, __PRETTY_FUNCTION__, __LINE__, "PopupMenu != NULL");
    return nullptr;
  }
  return popup->Items().Add(std::move(item));
}

CMenuItem* AddMenuSeparator(CMenuComponent* menu) {
  return AddMenuItem(menu, std::make_unique<CMenuItem>(L"-"));
}
