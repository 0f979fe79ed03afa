#include "core/MenuModel.h"

#include <gtest/gtest.h>

#include "support/Capture.h"

TEST(MenuModel, AddMenuItemGoesToItemsOrSubItemsAndRefusesAnythingElse) {
  CPopupMenu popup;
  CMenuItem* view = AddMenuItem(&popup, std::make_unique<CMenuItem>(L"&Вид"));
  ASSERT_NE(view, nullptr);
  CMenuItem* grid = AddMenuItem(view, std::make_unique<CMenuItem>(L"Сетка"));
  EXPECT_TRUE(AddMenuSeparator(&popup)->IsSeparator());
  EXPECT_EQ(popup.Items().Count(), 2);
  EXPECT_EQ(grid->Parent(), view);
  EXPECT_EQ(popup.Items().Find(L"Вид"), view);  // "&" ignored
  EXPECT_EQ(popup.Items().Find(L"Сетка"), grid);
  EXPECT_EQ(popup.Items().Item(2), nullptr);

  AssertCapture asserts;
  EXPECT_EQ(AddMenuItem(nullptr, std::make_unique<CMenuItem>(L"Lost")), nullptr);
  EXPECT_EQ(AddMenuSeparator(nullptr), nullptr);
  ASSERT_EQ(asserts.Count(), 2u);
  EXPECT_EQ(asserts.Reports()[0].condition, "PopupMenu != NULL");
  EXPECT_EQ(asserts.Reports()[0].function, "AddMenuItem");
  EXPECT_EQ(popup.Items().Count(), 2);

  auto taken = popup.Items().Extract(0);
  EXPECT_EQ(taken.get(), view);
  EXPECT_EQ(view->Parent(), nullptr);
  popup.Items().Insert(99, std::move(taken));  // clamped to the end
  EXPECT_EQ(popup.Items().IndexOf(view), 1);
  EXPECT_EQ(view->Parent(), &popup.Items());
}

TEST(MenuModel, ClickChecksRadioGroupsAndRunsTheHandler) {
  CPopupMenu popup;
  int clicks = 0;
  CMenuItem* items[3];
  for (CMenuItem*& item : items) {
    item = AddMenuItem(&popup, std::make_unique<CMenuItem>(L"Режим", [&clicks] { ++clicks; }));
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetAutoCheck(true);
  }
  CMenuItem* other = AddMenuItem(&popup, std::make_unique<CMenuItem>(L"Другое"));
  other->SetRadioItem(true);
  other->SetChecked(true);  // group 0

  items[0]->SetChecked(true);
  EXPECT_TRUE(items[1]->Click());
  EXPECT_FALSE(items[0]->GetChecked());
  EXPECT_TRUE(items[1]->Click());  // a radio item stays checked
  EXPECT_TRUE(items[1]->GetChecked());
  EXPECT_TRUE(other->GetChecked());  // another group
  EXPECT_EQ(clicks, 2);

  items[2]->SetEnabled(false);
  EXPECT_FALSE(items[2]->Click());
  EXPECT_FALSE(items[2]->GetChecked());
  EXPECT_FALSE(AddMenuSeparator(&popup)->Click());
  EXPECT_EQ(clicks, 2);

  // A handler may rebuild the menu it was chosen from.
  CMenuItem* rebuild = AddMenuItem(&popup, std::make_unique<CMenuItem>(L"Обновить"));
  rebuild->SetOnClick([&popup] { popup.Items().Clear(); });
  EXPECT_TRUE(rebuild->Click());
  EXPECT_EQ(popup.Items().Count(), 0);
}
