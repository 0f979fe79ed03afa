#pragma once
// Menus as data. The engine builds a CPopupMenu of CMenuItem trees; the view port shows it
// (the Qt layer turns it into a QMenu) and calls Click() on the item the operator chose.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Anything a menu item can be added to: a popup menu or a menu item (as a sub-menu).
class CMenuComponent {
 public:
  virtual ~CMenuComponent() = default;
};

class CMenuItem : public CMenuComponent {
 public:
  CMenuItem() = default;
  explicit CMenuItem(std::wstring caption, std::function<void()> onClick = {});
  CMenuItem(const CMenuItem&) = delete;
  CMenuItem& operator=(const CMenuItem&) = delete;

  // "&" marks the accelerator letter; "-" makes the item a separator.
  const std::wstring& GetCaption() const { return caption_; }
  void SetCaption(const std::wstring& caption) { caption_ = caption; }
  bool IsSeparator() const { return caption_ == L"-"; }

  // Portable key text as "Ctrl+Shift+Z"; empty for none.
  const std::wstring& GetShortCut() const { return shortCut_; }
  void SetShortCut(const std::wstring& shortCut) { shortCut_ = shortCut; }

  bool GetChecked() const { return checked_; }
  // Checking a radio item unchecks the other radio items of its group among its siblings.
  void SetChecked(bool checked);

  bool GetEnabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool GetVisible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }

  // Radio items of one group index behave as one set of radio buttons; group 0 is a set too.
  bool GetRadioItem() const { return radioItem_; }
  void SetRadioItem(bool radio) { radioItem_ = radio; }
  int GetGroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int group) { groupIndex_ = group; }

  // Clicking toggles the check mark (radio items are checked) before the handler runs.
  bool GetAutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool autoCheck) { autoCheck_ = autoCheck; }

  // Index into the image list of the menu's owner; -1 for none.
  int GetImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index) { imageIndex_ = index; }

  // Free value for the builder of the menu (a trace index, a command id …).
  std::intptr_t GetTag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

  const std::function<void()>& GetOnClick() const { return onClick_; }
  void SetOnClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }

  // What the view calls when the operator chooses the item: nothing for a disabled item or
  // a separator; otherwise the automatic check, then the handler. True when it ran.
  bool Click();

  // Sub-items: an item with sub-items opens a sub-menu.
  int Count() const { return static_cast<int>(items_.size()); }
  CMenuItem* Item(int index) const;  // null outside 0 … Count() − 1
  CMenuItem* Parent() const { return parent_; }
  int IndexOf(const CMenuItem* item) const;  // -1 when not a sub-item
  // Takes ownership; returns the item as added.
  CMenuItem* Add(std::unique_ptr<CMenuItem> item);
  CMenuItem* Insert(int index, std::unique_ptr<CMenuItem> item);  // index clamped to 0 … Count()
  // Hands a sub-item back to the caller; null outside the range.
  std::unique_ptr<CMenuItem> Extract(int index);
  void Clear() { items_.clear(); }
  // First sub-item at any depth whose caption, without "&", equals `caption`.
  CMenuItem* Find(const std::wstring& caption) const;

 private:
  std::wstring caption_;
  std::wstring shortCut_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool radioItem_ = false;
  bool autoCheck_ = false;
  int groupIndex_ = 0;
  int imageIndex_ = -1;
  std::intptr_t tag_ = 0;
  std::function<void()> onClick_;
  CMenuItem* parent_ = nullptr;
  std::vector<std::unique_ptr<CMenuItem>> items_;
};

class CPopupMenu : public CMenuComponent {
 public:
  // The root item; its sub-items are the menu's items.
  CMenuItem& Items() { return items_; }
  const CMenuItem& Items() const { return items_; }

  // Runs just before the menu is shown, so its builder can update checks and states.
  const std::function<void()>& GetOnPopup() const { return onPopup_; }
  void SetOnPopup(std::function<void()> onPopup) { onPopup_ = std::move(onPopup); }
  void Popup() {
    if (onPopup_) onPopup_();
  }

 private:
  CMenuItem items_;
  std::function<void()> onPopup_;
};

// Adds `item` to the sub-items of a menu item or to the items of a popup menu. Anything
// else (null) is reported and the item is dropped. Returns the item as added, or null.
CMenuItem* AddMenuItem(CMenuComponent* menu, std::unique_ptr<CMenuItem> item);
// Adds a separator (caption "-").
CMenuItem* AddMenuSeparator(CMenuComponent* menu);
