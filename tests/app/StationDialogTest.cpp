// The station dialog on its real template over a live main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include "DialogTestSupport.h"
#include "MenuIds.h"
#include "app/StationDialog.h"
#include "app_ids.h"
#include "journal/Journal.h"
#include "kit/Dc.h"
#include "kit/EditBox.h"
#include "kit/GdiObject.h"
#include "kit/Menu.h"

using dialog_test::BoxAnswerer;
using dialog_test::Click;
using dialog_test::ItemText;

namespace {

const wchar_t kPage[] = L"<p class=\"song\">Blue Moon / Ella &amp; Louis</p>";

class StationDialogTest : public dialog_test::OverMainWindow {
protected:
    // Three folders that exist, so that OK reaches the checks under test.
    void SetUp() override {
        OverMainWindow::SetUp();
        GiveFolders(station());
    }
    void GiveFolders(Settings& target) {
        for (const wchar_t* key : {L"PlayDirectory", L"EndDirectory", L"OutputDirectory"}) {
            ::CreateDirectoryW((folder / key).c_str(), nullptr);
            target.SetString(key, folder / key);
        }
    }
    // Opens the dialog modelessly so that the test can drive it, over the
    // station set up with station() as the main window's current one.
    HWND Open(StationDialog& dialog) {
        window.ShowStation(stationValues);
        EXPECT_TRUE(dialog.Create(&window, IDD_STATION));
        kit::PumpMessages();
        return dialog.handle();
    }
    static void SetItem(HWND dialog, int id, const std::wstring& text) { ::SetDlgItemTextW(dialog, id, text.c_str()); }
    static bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
    static std::wstring Result(HWND dialog, int field) { return ItemText(dialog, IDC_STATION_RESULT_TITLE + field); }
    void SetPosition(HWND dialog, int position) {
        HWND track = ::GetDlgItem(dialog, IDC_STATION_WAIT_SLIDER);
        ::SendMessageW(track, TBM_SETPOS, TRUE, position);
        ::UpdateWindow(track);
    }
    Settings& station() { return stationValues; }
    Settings stationValues;
    // Pumps messages until result `field` reads `expected` or 3 s pass; then what it reads.
    static std::wstring AwaitResult(HWND dialog, int field, const std::wstring& expected) {
        const ULONGLONG start = ::GetTickCount64();
        while (Result(dialog, field) != expected && ::GetTickCount64() - start < 3000) {
            kit::PumpMessages();
            ::Sleep(5);
        }
        return Result(dialog, field);
    }
};

TEST_F(StationDialogTest, UrlBoxEnablesTheTestBench) {
    station().SetString(L"StationName", L"FM");
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    ASSERT_TRUE(h);
    const int governed[] = {IDC_STATION_WAIT,          IDC_STATION_PATTERN,      IDC_STATION_TITLE,
                            IDC_STATION_ARTIST,        IDC_STATION_ALBUM,        IDC_STATION_ARTWORK,
                            IDC_STATION_HTML,          IDC_STATION_RESULT_TITLE, IDC_STATION_RESULT_ARTIST,
                            IDC_STATION_RESULT_ALBUM,  IDC_STATION_RESULT_ARTWORK, IDC_STATION_WAIT_SLIDER,
                            IDC_STATION_FETCH};
    const int free[] = {IDC_STATION_NAME,          IDC_STATION_PLAY,           IDC_STATION_END,
                        IDC_STATION_OUTPUT,        IDC_STATION_BROWSE_PLAY,    IDC_STATION_BROWSE_END,
                        IDC_STATION_BROWSE_OUTPUT, IDC_STATION_SNIPPET_PATTERN, IDC_STATION_SNIPPET_ARTWORK,
                        IDC_STATION_URL,           IDOK};
    for (int id : governed) EXPECT_FALSE(Enabled(h, id)) << id;
    for (int id : free) EXPECT_TRUE(Enabled(h, id)) << id;

    ::SendDlgItemMessageW(h, IDC_STATION_URL, WM_CHAR, L'h', 1);
    for (int id : governed) EXPECT_TRUE(Enabled(h, id)) << id;
    ::SendDlgItemMessageW(h, IDC_STATION_URL, WM_CHAR, VK_BACK, 1);
    for (int id : governed) EXPECT_FALSE(Enabled(h, id)) << id;
}

TEST_F(StationDialogTest, ControlsShowTheStation) {
    station().SetString(L"StationName", L"FM");
    station().SetString(L"PlayDirectory", L"C:\\rec\\play");
    station().values.erase(L"EndDirectory");
    station().SetString(L"Url", L"http://127.0.0.1/now");
    station().SetString(L"Artwork", L"$2");
    station().SetInt(L"WaitTime", 12);
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    EXPECT_EQ(ItemText(h, IDC_STATION_NAME), L"FM");
    EXPECT_EQ(ItemText(h, IDC_STATION_PLAY), L"C:\\rec\\play");
    EXPECT_EQ(ItemText(h, IDC_STATION_END), L"");
    EXPECT_EQ(ItemText(h, IDC_STATION_ARTWORK), L"$2");
    EXPECT_EQ(ItemText(h, IDC_STATION_WAIT), L"12");
    // Explorer offers a drop only to a window that declares it takes one
    for (int id : {IDC_STATION_PLAY, IDC_STATION_END, IDC_STATION_OUTPUT})
        EXPECT_TRUE(::GetWindowLongPtrW(::GetDlgItem(h, id), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << id;
    // the remembered selection sits after the text
    auto* url = dynamic_cast<kit::EditBox*>(kit::Window::FromHandle(::GetDlgItem(h, IDC_STATION_URL)));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->selection(), static_cast<DWORD>(MAKELONG(20, 20)));
}

TEST_F(StationDialogTest, WaitingTimeFollowsTheTrackBarWithin0To30) {
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetInt(L"WaitTime", 45);
    StationDialog capped(window, true);
    HWND h = Open(capped);
    ::UpdateWindow(::GetDlgItem(h, IDC_STATION_WAIT_SLIDER));
    EXPECT_EQ(ItemText(h, IDC_STATION_WAIT), L"30");
    SetItem(h, IDC_STATION_NAME, L"New");
    Click(h, IDOK);
    EXPECT_EQ(capped.result().GetInt(L"WaitTime", -1), 30);
    EXPECT_EQ(capped.result().values.at(L"WaitTime").size(), 4u);

    station().values.erase(L"WaitTime");
    StationDialog moved(window, true);
    h = Open(moved);
    EXPECT_EQ(ItemText(h, IDC_STATION_WAIT), L"0");
    SetPosition(h, 12);
    EXPECT_EQ(ItemText(h, IDC_STATION_WAIT), L"12");
    SetPosition(h, 99);
    EXPECT_EQ(ItemText(h, IDC_STATION_WAIT), L"30");
    SetPosition(h, 7);
    SetItem(h, IDC_STATION_NAME, L"New");
    Click(h, IDOK);
    EXPECT_EQ(moved.result().GetInt(L"WaitTime", -1), 7);
}

TEST_F(StationDialogTest, LiveTestFollowsPageAndPatternAndTemplates) {
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetString(L"Title", L"$1");
    {
        StationDialog empty(window, true);
        HWND h = Open(empty);
        for (int field = 0; field < 4; ++field) EXPECT_EQ(Result(h, field), L"HTMLが取得されていません");
    }
    // Page text only arrives by a fetch; a stored one stands in for it here.
    station().SetString(L"Html", kPage);
    StationDialog dialog(window, true);
    HWND h = Open(dialog);
    for (int field = 0; field < 4; ++field) EXPECT_EQ(Result(h, field), L"マッチパターンが入力されていません");

    SetItem(h, IDC_STATION_PATTERN, L"\"song\">(.*?) / (.*?)<");
    EXPECT_EQ(AwaitResult(h, 0, L"Blue Moon"), L"Blue Moon");
    EXPECT_EQ(Result(h, 1), L"");  // no template: empty, not a failure
    SetItem(h, IDC_STATION_ARTIST, L"$2");
    EXPECT_EQ(AwaitResult(h, 1, L"Ella & Louis"), L"Ella & Louis");
    // Not on every keystroke: once typing has paused.
    ::SendDlgItemMessageW(h, IDC_STATION_ARTIST, EM_SETSEL, 2, 2);
    const ULONGLONG typed = ::GetTickCount64();
    ::SendDlgItemMessageW(h, IDC_STATION_ARTIST, WM_CHAR, L'!', 1);
    EXPECT_EQ(Result(h, 1), L"Ella & Louis");
    EXPECT_EQ(AwaitResult(h, 1, L"Ella & Louis!"), L"Ella & Louis!");
    EXPECT_GE(::GetTickCount64() - typed, StationDialog::kLiveTestDelay - 20);
    SetItem(h, IDC_STATION_ALBUM, L"$3");  // no third group: nothing
    EXPECT_EQ(AwaitResult(h, 2, L"検索に失敗しました"), L"検索に失敗しました");

    SetItem(h, IDC_STATION_PATTERN, L"nowhere");
    EXPECT_EQ(AwaitResult(h, 0, L"検索に失敗しました"), L"検索に失敗しました");
    SetItem(h, IDC_STATION_PATTERN, L"");
    for (int field = 0; field < 4; ++field)
        EXPECT_EQ(AwaitResult(h, field, L"マッチパターンが入力されていません"), L"マッチパターンが入力されていません");
    SetItem(h, IDC_STATION_PATTERN, L"(unclosed");
    EXPECT_EQ(AwaitResult(h, 0, L"検索に失敗しました"), L"検索に失敗しました");
    EXPECT_EQ(Result(h, 1), L"検索に失敗しました");
    EXPECT_EQ(Result(h, 3), L"");
}

// A page of one long line fills the box one tag a line: quickly, where the
// box's own wrapping of 200,000 characters in one line takes minutes. The
// test and the stored page stay the page as fetched.
TEST_F(StationDialogTest, PageBoxLaysThePageOutForReadingOnly) {
    std::wstring page;
    while (page.size() < 200000) page += L"<td class=\"song\">Blue Moon</td>";
    station().SetString(L"StationName", L"FM");
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetString(L"Html", page);
    station().SetString(L"MatchPattern", L"</td><td");
    station().SetString(L"Title", L"joined");
    const ULONGLONG start = ::GetTickCount64();
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    EXPECT_LT(::GetTickCount64() - start, 5000u);
    EXPECT_EQ(ItemText(h, IDC_STATION_HTML).substr(0, 48), L"<td class=\"song\">\r\nBlue Moon</td>\r\n<td class=\"so");
    EXPECT_EQ(Result(h, 0), L"joined");
    Click(h, IDOK);
    EXPECT_EQ(dialog.result().GetString(L"Html"), page);

    // A page's own line breaks, of any kind, are kept.
    station().SetString(L"Html", L"<p>a</p>\n<p>b</p>\rc\r\n");
    StationDialog broken(window, false);
    EXPECT_EQ(ItemText(Open(broken), IDC_STATION_HTML), L"<p>a</p>\r\n<p>b</p>\r\nc\r\n");
}

TEST_F(StationDialogTest, StoredPageIsTestedAtOnce) {
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetString(L"Html", kPage);
    station().SetString(L"MatchPattern", L"(\\w+) Moon");
    station().SetString(L"Album", L"\\1!");
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    EXPECT_EQ(Result(h, 2), L"Blue!");
    EXPECT_EQ(Result(h, 0), L"");
}

TEST_F(StationDialogTest, SnippetsFollowEachOtherAtTheRememberedPlace) {
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetString(L"Title", L"AB");
    station().SetString(L"MatchPattern", L"x");
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    {
        dialog_test::MenuCloser menus;
        Click(h, IDC_STATION_SNIPPET_TITLE);
        EXPECT_EQ(menus.menusSeen, 1);
        EXPECT_EQ(menus.lastMenu, window.menu()->PopupAt(POPUP_REGEX_REPLACE)->handle());
    }
    EXPECT_EQ(dialog.snippetTarget(), StationDialog::TitleBox);
    // the menu posts the chosen item to the dialog
    ::SendMessageW(h, WM_COMMAND, ID_REPLACE_1, 0);
    ::SendMessageW(h, WM_COMMAND, ID_REPLACE_1, 0);
    EXPECT_EQ(ItemText(h, IDC_STATION_TITLE), L"AB\\1\\1");

    // a place the user left in the middle of the text
    auto* title = dynamic_cast<kit::EditBox*>(kit::Window::FromHandle(::GetDlgItem(h, IDC_STATION_TITLE)));
    ASSERT_TRUE(title);
    title->SetSelection(MAKELONG(1, 2));
    ::SendMessageW(h, WM_COMMAND, ID_REPLACE_ALL, 0);
    ::SendMessageW(h, WM_COMMAND, ID_REPLACE_9, 0);
    EXPECT_EQ(ItemText(h, IDC_STATION_TITLE), L"A\\0\\9\\1\\1");
    EXPECT_EQ(title->selection(), static_cast<DWORD>(MAKELONG(5, 5)));

    {
        dialog_test::MenuCloser menus;
        Click(h, IDC_STATION_SNIPPET_PATTERN);
        EXPECT_EQ(menus.lastMenu, window.menu()->PopupAt(POPUP_REGEX_SEARCH)->handle());
    }
    EXPECT_EQ(dialog.snippetTarget(), StationDialog::PatternBox);
    ::SendMessageW(h, WM_COMMAND, ID_REGEX_OR, 0);
    ::SendMessageW(h, WM_COMMAND, ID_REGEX_ESCAPE, 0);
    ::SendMessageW(h, WM_COMMAND, ID_REGEX_N_TO_M_LAZY, 0);
    EXPECT_EQ(ItemText(h, IDC_STATION_PATTERN), L"x|\\{n,m}?");
}

TEST_F(StationDialogTest, NamesAreCheckedAgainstTheOtherStations) {
    AddStation(L"FM");
    AddStation(L"AM");
    station() = window.settings().Group(L"Station").Group(L"FM");
    GiveFolders(station());
    {
        StationDialog adding(window, true);
        HWND h = Open(adding);
        BoxAnswerer boxes(h);
        SetItem(h, IDC_STATION_NAME, L"");
        Click(h, IDOK);
        SetItem(h, IDC_STATION_NAME, L"FM");
        Click(h, IDOK);
        ASSERT_EQ(boxes.texts.size(), 2u);
        EXPECT_EQ(boxes.texts[0], L"局名を入力して下さい");
        EXPECT_EQ(boxes.texts[1], L"同名の局が既に存在しています");
        EXPECT_TRUE(adding.result().values.empty());
        EXPECT_TRUE(::IsWindowVisible(h));
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(h, IDC_STATION_NAME));
        EXPECT_EQ(::SendDlgItemMessageW(h, IDC_STATION_NAME, EM_GETSEL, 0, 0), MAKELONG(0, 2));
        SetItem(h, IDC_STATION_NAME, L"fm");  // names differ by case
        Click(h, IDOK);
        EXPECT_EQ(adding.result().GetString(L"StationName"), L"fm");
    }
    {
        StationDialog keeping(window, false);
        HWND h = Open(keeping);
        Click(h, IDOK);
        EXPECT_EQ(keeping.result().GetString(L"StationName"), L"FM");
    }
    {
        StationDialog renaming(window, false);
        HWND h = Open(renaming);
        BoxAnswerer boxes(h);
        SetItem(h, IDC_STATION_NAME, L"AM");
        Click(h, IDOK);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], L"同名の局が既に存在しています");
        EXPECT_TRUE(renaming.result().values.empty());
        SetItem(h, IDC_STATION_NAME, L"J-WAVE");
        Click(h, IDOK);
        EXPECT_EQ(renaming.result().GetString(L"StationName"), L"J-WAVE");
    }
}

TEST_F(StationDialogTest, EditKeepsTheStationsOtherValuesAndTheCheckBoxes) {
    station().SetString(L"StationName", L"FM");
    station().SetBool(L"Component", true);
    station().SetBool(L"DeleteReturn", true);
    station().SetString(L"Charset", L"EUC-JP");
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetString(L"Html", L"<html>");
    station().SetInt(L"WaitTime", 5);
    station().SetString(L"Hidden", L"kept");
    {
        StationDialog dialog(window, false);
        HWND h = Open(dialog);
        EXPECT_EQ(ItemText(h, IDC_STATION_CHARSET), L"EUC-JP");
        EXPECT_EQ(::IsDlgButtonChecked(h, IDC_STATION_COMPONENT), BST_CHECKED);
        SetItem(h, IDC_STATION_OUTPUT, folder.path() + L"\\");
        Click(h, IDOK);
        const Settings& result = dialog.result();
        for (const wchar_t* key : {L"StationName", L"PlayDirectory", L"EndDirectory", L"OutputDirectory", L"Url",
                                   L"MatchPattern", L"Title", L"Artist", L"Album", L"Artwork", L"Html", L"WaitTime"})
            EXPECT_EQ(result.values.count(key), 1u) << key;
        EXPECT_EQ(result.GetString(L"OutputDirectory"), folder.path() + L"\\");
        EXPECT_EQ(result.GetString(L"Html"), L"<html>");
        EXPECT_EQ(result.GetInt(L"WaitTime"), 5);
        EXPECT_TRUE(result.GetBool(L"Component"));
        EXPECT_TRUE(result.GetBool(L"DeleteReturn"));
        EXPECT_EQ(result.GetString(L"Charset"), L"EUC-JP");
        EXPECT_EQ(result.GetString(L"Hidden"), L"kept");
    }
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    ::CheckDlgButton(h, IDC_STATION_COMPONENT, BST_UNCHECKED);
    ::SendDlgItemMessageW(h, IDC_STATION_CHARSET, CB_SETCURSEL, 0, 0);
    Click(h, IDOK);
    EXPECT_EQ(dialog.result().values.count(L"Component"), 1u);
    EXPECT_FALSE(dialog.result().GetBool(L"Component"));
    EXPECT_EQ(dialog.result().values.count(L"Charset"), 1u);
    EXPECT_EQ(dialog.result().GetString(L"Charset"), L"");  // 自動
}

TEST_F(StationDialogTest, FollowCheckBoxIsStoredAndTellsWhyAStationIsNotFollowed) {
    const auto reason = [](HWND h) { return ItemText(h, IDC_STATION_FOLLOW_REASON); };
    station().values.erase(L"EndDirectory");
    {
        StationDialog dialog(window, true);
        HWND h = Open(dialog);
        EXPECT_EQ(::IsDlgButtonChecked(h, IDC_STATION_FOLLOW), BST_CHECKED);  // a new station
        EXPECT_EQ(reason(h), L"録音中フォルダと録音終了フォルダを設定すると登録できます。");
        SetItem(h, IDC_STATION_END, folder / L"EndDirectory");
        dialog.ShowFollowing();  // as the pause in typing does
        EXPECT_EQ(reason(h), L"");
        ::CheckDlgButton(h, IDC_STATION_FOLLOW, BST_UNCHECKED);
        Click(h, IDC_STATION_FOLLOW);
        EXPECT_EQ(reason(h), L"この局の曲は登録しません。");
        SetItem(h, IDC_STATION_NAME, L"AM");
        Click(h, IDOK);
        ASSERT_EQ(dialog.result().values.count(L"Follow"), 1u);
        EXPECT_FALSE(dialog.result().GetBool(L"Follow"));
    }
    // Confirmed, the edited station is the selected one: of stations sharing
    // its folders, it is followed and the other is not.
    GiveFolders(station());
    station().SetString(L"StationName", L"AM");
    Settings fm = station();
    fm.SetString(L"StationName", L"FM");
    window.settings().Group(L"Station").SetGroup(L"AM", station());
    window.settings().Group(L"Station").SetGroup(L"FM", fm);
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    EXPECT_EQ(reason(h), L"『FM』とフォルダが同じため、コンボボックスで最後に選んだこの局だけを登録します。");
    SetItem(h, IDC_STATION_PLAY, folder.path());
    SetItem(h, IDC_STATION_END, folder / L"OutputDirectory");
    dialog.ShowFollowing();
    EXPECT_EQ(reason(h), L"");
}

TEST_F(StationDialogTest, PageStateShowsDelaysAndHealthAndSetsTheWaitTime) {
    station().SetString(L"StationName", L"FM");
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetInt(L"WaitTime", 5);
    {
        StationDialog dialog(window, false);
        HWND h = Open(dialog);
        EXPECT_EQ(ItemText(h, IDC_STATION_CALIBRATION), L"ページ更新: 記録がありません");
        EXPECT_FALSE(Enabled(h, IDC_STATION_CALIBRATE));
    }
    journal::Journal& journal = *window.journal();
    for (int delay : {90, 12, 3, 5, 4, 6, 5, 4, 5, 6, 20}) {
        const journal::SongId id = journal.AddSong(L"FM", L"rec.mp3", journal::Now());
        journal.SavePageDelay(id, delay);
    }
    for (int i = 0; i < 12; ++i)
        journal.AddHealth(L"FM", i == 11 ? journal::ExtractionHealth::NoMatch : journal::ExtractionHealth::Ok,
                          journal::Now());
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    // the 90 s of the oldest song is beyond the ten looked at
    EXPECT_EQ(ItemText(h, IDC_STATION_CALIBRATION), L"ページ更新: 曲の開始から平均 7 秒（最近 10 曲）");
    EXPECT_EQ(ItemText(h, IDC_STATION_HEALTH), L"パターン不一致、正常、正常、正常、正常、正常、正常、正常、正常、正常");
    Click(h, IDC_STATION_CALIBRATE);
    EXPECT_EQ(ItemText(h, IDC_STATION_WAIT), L"14");
    Click(h, IDOK);
    EXPECT_EQ(dialog.result().GetInt(L"WaitTime"), 14);
}

TEST_F(StationDialogTest, LiveTestReadsAJsonFeedThroughPointersWithoutAPattern) {
    station().SetString(L"Url", L"http://127.0.0.1/");
    station().SetString(L"Html", L"{\"now\": {\"title\": \"Caf\\u00e9\", \"artist\": \"A\\/B\"}}");
    station().SetString(L"Title", L"{/now/title}");
    station().SetString(L"Artist", L"{/now/artist}");
    StationDialog dialog(window, true);
    HWND h = Open(dialog);
    EXPECT_EQ(Result(h, 0), L"Café");
    EXPECT_EQ(Result(h, 1), L"A/B");
}

TEST_F(StationDialogTest, FoldersAndAddressAreCheckedOnOk) {
    station().SetString(L"StationName", L"FM");
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    BoxAnswerer boxes(h);
    const std::wstring missing = folder / L"new\\deeper";
    for (const std::wstring& end : {std::wstring(), std::wstring(L"rec\\end"),
                                    (folder / L"PlayDirectory") + L"\\", missing}) {
        SetItem(h, IDC_STATION_END, end);
        Click(h, IDOK);
    }
    SetItem(h, IDC_STATION_END, folder / L"EndDirectory");
    SetItem(h, IDC_STATION_URL, L"ftp://radio.example/");
    Click(h, IDOK);
    ASSERT_EQ(boxes.texts.size(), 5u);
    EXPECT_EQ(boxes.texts[0], L"録音終了フォルダを入力してください。");
    EXPECT_EQ(boxes.texts[1].find(L"録音終了フォルダは"), 0u);
    EXPECT_NE(boxes.texts[1].find(L"rec\\end"), std::wstring::npos);
    EXPECT_NE(boxes.texts[2].find(L"録音中と録音終了が同じです"), std::wstring::npos);
    EXPECT_NE(boxes.texts[3].find(missing + L"\n\n作成しますか"), std::wstring::npos);
    EXPECT_FALSE(testing_support::Exists(missing));  // not answered yes
    EXPECT_NE(boxes.texts[4].find(L"http:// か https://"), std::wstring::npos);
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(h, IDC_STATION_URL));
    EXPECT_TRUE(dialog.result().values.empty());
    SetItem(h, IDC_STATION_URL, L"HTTPS://radio.example/");
    Click(h, IDOK);
    EXPECT_EQ(boxes.texts.size(), 5u);
    EXPECT_EQ(dialog.result().GetString(L"Url"), L"HTTPS://radio.example/");
}

// The modal loop, run with a script set up before it starts.
TEST_F(StationDialogTest, ModalResultIsOneForOkAndZeroOtherwise) {
    window.ShowStation(station());  // its folders pass the checks
    for (int scriptStep = 0; scriptStep < 3; ++scriptStep) {
        StationDialog dialog(window, true);
        testing_support::ModalScript script([&] {
            HWND h = dialog.handle();
            if (!h || !::IsWindowVisible(h)) return false;
            if (scriptStep == 0) {
                ::SetDlgItemTextW(h, IDC_STATION_NAME, L"Modal FM");
                ::PostMessageW(::GetDlgItem(h, IDOK), BM_CLICK, 0, 0);
            } else if (scriptStep == 1) {
                ::SetDlgItemTextW(h, IDC_STATION_NAME, L"Thrown away");
                ::PostMessageW(::GetDlgItem(h, IDCANCEL), BM_CLICK, 0, 0);
            } else {
                ::PostMessageW(h, WM_CLOSE, 0, 0);
            }
            return true;
        });
        const INT_PTR code = dialog.DoModal(&window, IDD_STATION);
        if (scriptStep == 0) {
            EXPECT_EQ(code, 1);
            EXPECT_EQ(dialog.result().GetString(L"StationName"), L"Modal FM");
        } else {
            EXPECT_EQ(code, 0) << scriptStep;
            EXPECT_TRUE(dialog.result().values.empty());
        }
    }
}

}  // namespace


TEST_F(StationDialogTest, LabelsFitAt96And144Dpi) {
    StationDialog dialog(window, false);
    HWND h = Open(dialog);
    // the longest texts the page-state panel can show
    SetItem(h, IDC_STATION_CALIBRATION, L"ページ更新: 曲の開始から平均 120 秒（最近 10 曲）");
    std::wstring states;
    for (int i = 0; i < 10; ++i) states += i ? L"、ページ更新なし" : L"ページ更新なし";
    SetItem(h, IDC_STATION_HEALTH, states);
    SetItem(h, IDC_STATION_FOLLOW_REASON, L"『ＦＭラジオ第二放送局』と同じフォルダを使うため、コンボボックスで最後に選んだ局だけを登録します。");
    for (int dpi : {96, 144}) {
        const std::vector<dialog_test::LabelFit> fits = dialog_test::FitLabels(h, 9, dpi);
        EXPECT_GE(fits.size(), 20u);
        for (const dialog_test::LabelFit& fit : fits) EXPECT_TRUE(fit.fits) << dpi << " dpi: " << testing::PrintToString(fit.text);
    }
}
