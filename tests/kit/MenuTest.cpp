// The menu resource as a tree, and the tray icon calls.
#include <windows.h>

#include <gtest/gtest.h>

#include "KitTestSupport.h"
#include "MenuIds.h"
#include "kit/Menu.h"
#include "kit/TrayIcon.h"

namespace {

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

TEST(MenuResource, PopupsByPositionItemsById) {
    auto menu = kit::Menu::Load(IDR_POPUP_MENU);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->popups().size(), 5u);
    EXPECT_TRUE(menu->items().empty());
    EXPECT_EQ(menu->PopupAt(5), nullptr);

    auto tray = menu->PopupAt(POPUP_TASKTRAY);
    ASSERT_TRUE(tray);
    ASSERT_TRUE(tray->ItemById(ID_TRAY_EXIT));
    EXPECT_EQ(tray->ItemById(ID_TRAY_EXIT)->menu(), tray.get());
    EXPECT_EQ(ItemText(tray->handle(), 0), L"履歴(&H)");
    EXPECT_EQ(ItemText(tray->handle(), 1), L"終了(&X)");
    ASSERT_TRUE(menu->PopupAt(POPUP_HISTORY));
    EXPECT_EQ(menu->PopupAt(POPUP_HISTORY)->items().size(), 4u);

    auto ignore = menu->PopupAt(POPUP_IGNORE_LIST);
    ASSERT_TRUE(ignore);
    EXPECT_EQ(ignore->items().size(), 4u);
    EXPECT_EQ(ignore->parent(), menu.get());
    EXPECT_EQ(ignore->position(), 3);
    EXPECT_EQ(ignore->ItemById(ID_IGNORE_DOWN)->position(), 3);
    EXPECT_EQ(ItemText(menu->handle(), 3), L"無視リスト");
}

TEST(MenuResource, RegularExpressionPopupsAsListed) {
    auto menu = kit::Menu::Load(IDR_POPUP_MENU);
    ASSERT_TRUE(menu);
    auto search = menu->PopupAt(POPUP_REGEX_SEARCH);
    ASSERT_TRUE(search);
    EXPECT_EQ(::GetMenuItemCount(search->handle()), 30);
    EXPECT_EQ(ItemText(search->handle(), 0), L"^\t行頭");
    EXPECT_EQ(ItemText(search->handle(), search->ItemById(ID_REGEX_OR)->position()), L"|\tまたは");
    EXPECT_EQ(ItemText(search->handle(), search->ItemById(ID_REGEX_ESCAPE)->position()), L"\\\t特殊文字をエスケープ");
    EXPECT_EQ(ItemText(search->handle(), search->ItemById(ID_REGEX_NEWLINE)->position()), L"\\n\t改行");
    EXPECT_EQ(search->ItemById(0)->position(), 2);  // the first separator

    auto replace = menu->PopupAt(POPUP_REGEX_REPLACE);
    ASSERT_TRUE(replace);
    EXPECT_EQ(::GetMenuItemID(replace->handle(), 0), static_cast<UINT>(ID_REPLACE_ALL));
    EXPECT_EQ(::GetMenuItemID(replace->handle(), 2), static_cast<UINT>(ID_REPLACE_1));
    EXPECT_EQ(::GetMenuItemID(replace->handle(), 3), static_cast<UINT>(ID_REPLACE_2));
    EXPECT_EQ(ItemText(replace->handle(), 0), L"\\0\tすべての後方参照");
    EXPECT_EQ(::GetMenuItemCount(replace->handle()), 11);
}

TEST(MenuResource, MissingResourceGivesNoMenu) { EXPECT_EQ(kit::Menu::Load(9999), nullptr); }

TEST(TrayIcon, RemovingAnAbsentIconIsHarmless) {
    kit_test::RecordingDialog window;
    ASSERT_TRUE(kit_test::OpenTestDialog(window));
    kit::RemoveTrayIcon(window);
    kit::AddTrayIcon(window, ::LoadIconW(nullptr, IDI_APPLICATION), L"Kestrel");
    kit::RemoveTrayIcon(window);
    kit::RemoveTrayIcon(window);
    EXPECT_TRUE(::IsWindow(window.handle()));
}

}  // namespace
