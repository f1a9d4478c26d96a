// The settings dialog on its real template over a live main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>

#include "DialogTestSupport.h"
#include "MenuIds.h"
#include "app/ConfigDialog.h"
#include "app/IgnoreListView.h"
#include "app_ids.h"
#include "kit/Menu.h"
#include "kit/StartWithWindows.h"
#include "kit/ToolBar.h"

using dialog_test::Click;

namespace {

class ConfigDialogTest : public dialog_test::OverMainWindow {
protected:
    HWND Open(ConfigDialog& dialog) {
        EXPECT_TRUE(dialog.Create(&window, IDD_CONFIG));
        kit::PumpMessages();
        return dialog.handle();
    }
    static std::vector<std::wstring> Rows(const ConfigDialog& dialog) {
        std::vector<std::wstring> texts;
        for (const auto& row : dialog.ignoreList()->rows()) texts.push_back(row->GetText(0));
        return texts;
    }
    static void Select(ConfigDialog& dialog, int row) { dialog.ignoreList()->RowAt(row)->Select(); }
    static int SelectedIndex(const ConfigDialog& dialog) {
        auto row = dialog.ignoreList()->SelectedRow();
        return row ? row->index() : -1;
    }
    static bool Checked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void StoreIgnoreList(const std::vector<std::wstring>& names) {
        Settings& settings = window.settings();
        settings.SetInt(L"IgnoreCount", static_cast<int>(names.size()));
        for (size_t i = 0; i < names.size(); ++i) settings.Group(L"IgnoreList").SetString(std::to_wstring(i), names[i]);
    }
};

using Names = std::vector<std::wstring>;

TEST_F(ConfigDialogTest, TablesAreLoadedAndSaved) {
    Settings& settings = window.settings();
    settings.SetBool(L"IgnoreFirst", false);
    settings.SetBool(L"IsDeleteFile", true);
    settings.SetBool(L"IsTaskTray", true);
    settings.values.erase(L"IsTopmost");
    settings.values[L"IsSetLyrics"] = SettingValue{1, 0};  // not a flag: unchecked
    settings.values.erase(L"CheckTypeTitle");
    settings.SetInt(L"CheckTypeArtist", 2);
    settings.SetInt(L"CheckTypeAlbum", 7);
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    EXPECT_FALSE(Checked(h, IDC_CONFIG_IGNORE_FIRST));
    EXPECT_TRUE(Checked(h, IDC_CONFIG_DELETE_FILE));
    EXPECT_TRUE(Checked(h, IDC_CONFIG_TASK_TRAY));
    EXPECT_TRUE(Checked(h, IDC_CONFIG_ARTWORK_SEARCH));  // on from the start
    EXPECT_FALSE(Checked(h, IDC_CONFIG_TOPMOST));
    EXPECT_FALSE(Checked(h, IDC_CONFIG_COPY_LYRICS));
    EXPECT_TRUE(Checked(h, IDC_CONFIG_TITLE_PARTIAL));  // missing: partial
    EXPECT_FALSE(Checked(h, IDC_CONFIG_TITLE_EXACT));
    EXPECT_TRUE(Checked(h, IDC_CONFIG_ARTIST_IGNORE));  // artist: ignore
    EXPECT_FALSE(Checked(h, IDC_CONFIG_ARTIST_PARTIAL));
    for (int id : {IDC_CONFIG_ALBUM_PARTIAL, IDC_CONFIG_ALBUM_EXACT, IDC_CONFIG_ALBUM_IGNORE})
        EXPECT_FALSE(Checked(h, id)) << id;

    ::CheckDlgButton(h, IDC_CONFIG_IGNORE_FIRST, BST_CHECKED);
    ::CheckDlgButton(h, IDC_CONFIG_TASK_TRAY, BST_UNCHECKED);
    ::CheckDlgButton(h, IDC_CONFIG_ARTWORK_SEARCH, BST_UNCHECKED);
    ::CheckDlgButton(h, IDC_CONFIG_TITLE_PARTIAL, BST_UNCHECKED);
    ::CheckDlgButton(h, IDC_CONFIG_TITLE_EXACT, BST_CHECKED);
    Click(h, IDOK);
    EXPECT_FALSE(::IsWindowVisible(h));
    EXPECT_TRUE(settings.GetBool(L"IgnoreFirst"));
    EXPECT_TRUE(settings.GetBool(L"IsDeleteFile"));
    EXPECT_FALSE(settings.GetBool(L"IsTaskTray"));
    EXPECT_FALSE(settings.GetBool(L"IsArtworkSearch"));
    EXPECT_EQ(settings.values.at(L"IsTopmost"), SettingValue{0});
    EXPECT_EQ(settings.values.at(L"IsSetLyrics"), SettingValue{0});
    EXPECT_EQ(settings.GetInt(L"CheckTypeTitle"), 1);
    EXPECT_EQ(settings.GetInt(L"CheckTypeArtist"), 2);
    EXPECT_EQ(settings.GetInt(L"CheckTypeAlbum"), 7);  // no button checked: left alone
}

TEST_F(ConfigDialogTest, WithoutAnIgnoreListThereIsOneBlankRow) {
    window.settings().values.erase(L"IgnoreCount");
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    EXPECT_EQ(Rows(dialog), Names{L""});
    Select(dialog, 0);
    Click(h, ID_IGNORE_DELETE);  // the blank row stays
    Click(h, ID_IGNORE_UP);
    Click(h, ID_IGNORE_DOWN);
    EXPECT_EQ(Rows(dialog), Names{L""});
    Click(h, IDOK);
    EXPECT_EQ(window.settings().values.at(L"IgnoreCount").size(), 4u);
    EXPECT_EQ(window.settings().GetInt(L"IgnoreCount", -1), 0);
}

TEST_F(ConfigDialogTest, IgnoreListIsLoadedWithItsGapsAndSaved) {
    StoreIgnoreList({L"a.mp3", L"", L"c.mp3", L"stale.mp3"});
    window.settings().SetInt(L"IgnoreCount", 3);
    window.settings().Group(L"IgnoreList").values.erase(L"1");
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    EXPECT_EQ(Rows(dialog), (Names{L"a.mp3", L"", L"c.mp3", L""}));
    Select(dialog, 1);
    Click(h, ID_IGNORE_DELETE);
    Click(h, IDOK);
    const Settings& saved = window.settings();
    EXPECT_EQ(saved.GetInt(L"IgnoreCount"), 2);
    EXPECT_EQ(saved.FindGroup(L"IgnoreList")->GetString(L"0"), L"a.mp3");
    EXPECT_EQ(saved.FindGroup(L"IgnoreList")->GetString(L"1"), L"c.mp3");
    EXPECT_EQ(saved.FindGroup(L"IgnoreList")->GetString(L"3"), L"stale.mp3");  // beyond the count, ignored
}

TEST_F(ConfigDialogTest, RowsMoveUpAndDownButNeverPastTheBlankRow) {
    StoreIgnoreList({L"a", L"b", L"c"});
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    Select(dialog, 0);
    Click(h, ID_IGNORE_UP);  // first row: nothing
    EXPECT_EQ(Rows(dialog), (Names{L"a", L"b", L"c", L""}));
    Click(h, ID_IGNORE_DOWN);
    EXPECT_EQ(Rows(dialog), (Names{L"b", L"a", L"c", L""}));
    EXPECT_EQ(SelectedIndex(dialog), 1);
    Click(h, ID_IGNORE_DOWN);
    EXPECT_EQ(Rows(dialog), (Names{L"b", L"c", L"a", L""}));
    EXPECT_EQ(SelectedIndex(dialog), 2);
    Click(h, ID_IGNORE_DOWN);  // second to last: nothing
    EXPECT_EQ(Rows(dialog), (Names{L"b", L"c", L"a", L""}));
    Click(h, ID_IGNORE_UP);
    EXPECT_EQ(Rows(dialog), (Names{L"b", L"a", L"c", L""}));
    EXPECT_EQ(SelectedIndex(dialog), 1);
    EXPECT_FALSE(dialog.ignoreList()->RowAt(2)->IsSelected());
    // The blank row stays last, or the name above it would be dropped on OK.
    Select(dialog, 3);
    Click(h, ID_IGNORE_UP);
    Click(h, ID_IGNORE_DELETE);
    EXPECT_EQ(Rows(dialog), (Names{L"b", L"a", L"c", L""}));
    Click(h, IDOK);
    EXPECT_EQ(window.settings().GetInt(L"IgnoreCount"), 3);
    EXPECT_EQ(window.settings().FindGroup(L"IgnoreList")->GetString(L"2"), L"c");
}

TEST_F(ConfigDialogTest, InsertEditsANewRowOrTheBlankOne) {
    StoreIgnoreList({L"a", L"b"});
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    Click(h, ID_IGNORE_INSERT);  // nothing selected: nothing
    EXPECT_EQ(Rows(dialog).size(), 3u);

    Select(dialog, 1);
    Click(h, ID_IGNORE_INSERT);
    EXPECT_EQ(Rows(dialog), (Names{L"a", L"", L"b", L""}));
    auto row = dialog.ignoreList()->RowAt(1);
    ASSERT_TRUE(row->editBox());
    ::SetWindowTextW(row->editBox()->handle(), L"new.mp3");
    ::SendMessageW(row->editBox()->handle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Rows(dialog), (Names{L"a", L"new.mp3", L"b", L""}));

    Select(dialog, 3);
    Click(h, ID_IGNORE_INSERT);
    auto blank = dialog.ignoreList()->RowAt(3);
    ASSERT_TRUE(blank->editBox());
    ::SetWindowTextW(blank->editBox()->handle(), L"last.mp3");
    ::SendMessageW(blank->editBox()->handle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Rows(dialog), (Names{L"a", L"new.mp3", L"b", L"last.mp3", L""}));
}

TEST_F(ConfigDialogTest, DeleteKeyOnTheBlankRowLosesNoName) {
    StoreIgnoreList({L"a", L"b"});
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    Select(dialog, 2);
    ::SendMessageW(dialog.ignoreList()->handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(Rows(dialog), (Names{L"a", L"b", L""}));
    Click(h, IDOK);
    EXPECT_EQ(window.settings().GetInt(L"IgnoreCount"), 2);
    EXPECT_EQ(window.settings().FindGroup(L"IgnoreList")->GetString(L"1"), L"b");
}

TEST_F(ConfigDialogTest, AnEditInProgressIsSavedByOk) {
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    Select(dialog, 0);
    Click(h, ID_IGNORE_INSERT);
    auto row = dialog.ignoreList()->RowAt(0);
    ASSERT_TRUE(row->editBox());
    ::SetWindowTextW(row->editBox()->handle(), L"typed.mp3");
    Click(h, IDOK);
    EXPECT_EQ(window.settings().GetInt(L"IgnoreCount"), 1);
    EXPECT_EQ(window.settings().FindGroup(L"IgnoreList")->GetString(L"0"), L"typed.mp3");
}

// The keys as the dialog manager sees them, focus where the user left it.
TEST_F(ConfigDialogTest, KeysOfTheListAreItsOwnAndTabLeavesIt) {
    StoreIgnoreList({L"a", L"b"});
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    HWND list = dialog.ignoreList()->handle();
    const auto press = [h](HWND target, WPARAM key) {
        MSG message = {};
        message.hwnd = target;
        message.message = WM_KEYDOWN;
        message.wParam = key;
        return ::IsDialogMessageW(h, &message) != FALSE;
    };
    EXPECT_EQ(LOWORD(::SendMessageW(h, DM_GETDEFID, 0, 0)), IDOK);
    Select(dialog, 0);
    {
        dialog_test::MenuCloser menus;
        ::SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));  // Shift+F10
        EXPECT_EQ(menus.menusSeen, 1);
    }
    ::SetFocus(list);
    EXPECT_TRUE(press(list, VK_TAB));
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(h, IDC_CONFIG_IGNORE_FIRST));
    ::SetFocus(list);
    EXPECT_TRUE(press(list, VK_RETURN));  // the list's: edits the row, not OK
    ASSERT_TRUE(dialog.ignoreList()->RowAt(0)->editBox());
    HWND edit = dialog.ignoreList()->RowAt(0)->editBox()->handle();
    ::SetWindowTextW(edit, L"x");
    EXPECT_TRUE(press(edit, VK_ESCAPE));  // the edit's: cancelled, dialog stays
    EXPECT_TRUE(::IsWindowVisible(h));
    EXPECT_EQ(Rows(dialog), (Names{L"a", L"b", L""}));
}

// Toolbar buttons take no focus: the edit still open belongs to its row.
TEST_F(ConfigDialogTest, AnEditOpenWhileRowsMoveStaysWithItsRow) {
    StoreIgnoreList({L"a", L"b"});
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    Select(dialog, 1);
    ::SendMessageW(dialog.ignoreList()->handle(), WM_KEYDOWN, VK_F2, 0);
    ASSERT_TRUE(dialog.ignoreList()->RowAt(1)->editBox());
    ::SetWindowTextW(dialog.ignoreList()->RowAt(1)->editBox()->handle(), L"c");
    Click(h, ID_IGNORE_UP);
    ::SetFocus(dialog.ignoreList()->handle());
    EXPECT_EQ(Rows(dialog), (Names{L"c", L"a", L""}));
    EXPECT_EQ(SelectedIndex(dialog), 0);
}

TEST_F(ConfigDialogTest, CancelLeavesTheSettingsUnchanged) {
    StoreIgnoreList({L"a", L"b"});
    window.settings().SetInt(L"CheckTypeAlbum", 1);
    const Settings before = window.settings();
    for (int cancel : {IDC_CONFIG_CANCEL, IDCANCEL}) {
        ConfigDialog dialog(window);
        HWND h = Open(dialog);
        ::CheckDlgButton(h, IDC_CONFIG_IGNORE_FIRST, Checked(h, IDC_CONFIG_IGNORE_FIRST) ? BST_UNCHECKED : BST_CHECKED);
        ::CheckDlgButton(h, IDC_CONFIG_ALBUM_PARTIAL, BST_CHECKED);
        Select(dialog, 0);
        Click(h, ID_IGNORE_DELETE);
        Click(h, cancel);
        EXPECT_FALSE(::IsWindowVisible(h));
        EXPECT_TRUE(window.settings() == before) << cancel;
    }
}

TEST_F(ConfigDialogTest, ToolBarSitsOnTheListAndRightClickOffersTheListMenu) {
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    ASSERT_TRUE(dialog.toolBar());
    const auto& buttons = dialog.toolBar()->buttons();
    ASSERT_EQ(buttons.size(), 4u);
    const int commands[] = {ID_IGNORE_INSERT, ID_IGNORE_DELETE, ID_IGNORE_UP, ID_IGNORE_DOWN};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(buttons[i]->commandId(), commands[i]);
    RECT bar, list;
    ::GetWindowRect(dialog.toolBar()->handle(), &bar);
    ::GetWindowRect(dialog.ignoreList()->handle(), &list);
    EXPECT_EQ(bar.left, list.left);
    EXPECT_EQ(bar.bottom, list.top);
    EXPECT_EQ(::SendMessageW(dialog.ignoreList()->handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                  (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    ASSERT_EQ(dialog.ignoreList()->columns().size(), 1u);
    EXPECT_GT(::SendMessageW(dialog.ignoreList()->handle(), LVM_GETCOLUMNWIDTH, 0, 0), 100);

    dialog_test::MenuCloser menus;
    NMHDR click = {};
    click.hwndFrom = dialog.ignoreList()->handle();
    click.idFrom = IDC_CONFIG_IGNORE_LIST;
    click.code = NM_RCLICK;
    ::SendMessageW(h, WM_NOTIFY, IDC_CONFIG_IGNORE_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(menus.menusSeen, 1);
    EXPECT_EQ(menus.lastMenu, window.menu()->PopupAt(POPUP_IGNORE_LIST)->handle());
}

// The Run key's value, or nothing when the program is not there.
std::optional<std::wstring> RunCommand() {
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    if (::RegGetValueW(HKEY_CURRENT_USER, kit::kRunKeyPath, L"Kestrel", RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

TEST_F(ConfigDialogTest, StartWithWindowsFollowsAndWritesTheRunKey) {
    const std::optional<std::wstring> before = RunCommand();
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    const auto confirm = [&](bool expected, std::optional<bool> check, int button) {
        ConfigDialog dialog(window);
        HWND h = Open(dialog);
        EXPECT_EQ(Checked(h, IDC_CONFIG_START_WITH_WINDOWS), expected);
        if (check) ::CheckDlgButton(h, IDC_CONFIG_START_WITH_WINDOWS, *check ? BST_CHECKED : BST_UNCHECKED);
        Click(h, button);
    };
    EXPECT_TRUE(kit::SetStartWithWindows(L"Kestrel", L"", false));
    confirm(false, true, IDC_CONFIG_CANCEL);
    EXPECT_FALSE(RunCommand());
    confirm(false, true, IDOK);
    EXPECT_EQ(RunCommand(), L"\"" + std::wstring(program) + L"\"");
    confirm(true, false, IDOK);
    EXPECT_FALSE(RunCommand());
    // Set up elsewhere: shown, and OK alone leaves the command as it is.
    EXPECT_TRUE(kit::SetStartWithWindows(L"Kestrel", L"other.exe", true));
    confirm(true, std::nullopt, IDOK);
    EXPECT_EQ(RunCommand(), L"other.exe");
    kit::SetStartWithWindows(L"Kestrel", before.value_or(L""), before.has_value());
}

// The modal loop with a script set up before it starts.
TEST_F(ConfigDialogTest, ModalResultIsOneOnlyForOk) {
    window.settings().SetBool(L"IsTopmost", false);
    for (int button : {IDC_CONFIG_CANCEL, WM_CLOSE, IDOK}) {
        ConfigDialog dialog(window);
        testing_support::ModalScript script([&] {
            HWND h = dialog.handle();
            if (!h || !::IsWindowVisible(h)) return false;
            ::CheckDlgButton(h, IDC_CONFIG_TOPMOST, BST_CHECKED);
            if (button == WM_CLOSE)
                ::PostMessageW(h, WM_CLOSE, 0, 0);
            else
                ::PostMessageW(::GetDlgItem(h, button), BM_CLICK, 0, 0);
            return true;
        });
        const INT_PTR code = dialog.DoModal(&window, IDD_CONFIG);
        EXPECT_EQ(code, button == IDOK ? 1 : 0) << button;
        EXPECT_EQ(window.settings().GetBool(L"IsTopmost"), button == IDOK) << button;
    }
}

}  // namespace

TEST_F(ConfigDialogTest, TheTargetBringsItsPlaylistDefaultAndGreysWhatOnlyITunesUses) {
    Settings& settings = window.settings();
    ConfigDialog dialog(window);
    HWND h = Open(dialog);
    EXPECT_TRUE(Checked(h, IDC_CONFIG_TARGET_ITUNES));  // nothing stored: iTunes
    EXPECT_FALSE(Checked(h, IDC_CONFIG_PLAYLIST_FILE));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_CONFIG_DELETE_FILE)));

    ::CheckDlgButton(h, IDC_CONFIG_TARGET_ITUNES, BST_UNCHECKED);
    ::CheckDlgButton(h, IDC_CONFIG_TARGET_FOLDER, BST_CHECKED);
    Click(h, IDC_CONFIG_TARGET_FOLDER);
    EXPECT_TRUE(Checked(h, IDC_CONFIG_PLAYLIST_FILE));
    for (int id : {IDC_CONFIG_DELETE_FILE, IDC_CONFIG_WRITE_TAGS, IDC_CONFIG_TITLE_EXACT})
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, id))) << id;
    ::CheckDlgButton(h, IDC_CONFIG_PLAYLIST_BOM, BST_CHECKED);
    for (int dpi : {96, 144}) {
        const std::vector<dialog_test::LabelFit> fits = dialog_test::FitLabels(h, 8, dpi);
        EXPECT_GE(fits.size(), 30u);
        for (const dialog_test::LabelFit& fit : fits)
            EXPECT_TRUE(fit.fits) << dpi << " dpi: " << testing::PrintToString(fit.text);
    }
    Click(h, IDOK);
    EXPECT_EQ(settings.GetInt(L"LibraryTarget"), 1);
    EXPECT_EQ(settings.values.count(L"IsWritePlaylistFile"), 0u);  // the folder's own default
    EXPECT_TRUE(settings.GetBool(L"PlaylistByteOrderMark"));

    // A playlist switched off stays off when the target changes back.
    ConfigDialog again(window);
    h = Open(again);
    ::CheckDlgButton(h, IDC_CONFIG_PLAYLIST_FILE, BST_UNCHECKED);
    ::CheckDlgButton(h, IDC_CONFIG_TARGET_FOLDER, BST_UNCHECKED);
    ::CheckDlgButton(h, IDC_CONFIG_TARGET_ITUNES, BST_CHECKED);
    Click(h, IDC_CONFIG_TARGET_ITUNES);
    EXPECT_FALSE(Checked(h, IDC_CONFIG_PLAYLIST_FILE));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_CONFIG_DELETE_FILE)));
    Click(h, IDOK);
    EXPECT_EQ(settings.GetInt(L"LibraryTarget"), 0);
    EXPECT_EQ(settings.values.count(L"IsWritePlaylistFile"), 0u);
}
