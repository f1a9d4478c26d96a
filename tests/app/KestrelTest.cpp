// The main window on its real template, driven with the messages a user's
// actions produce.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

#include "DialogTestSupport.h"
#include "MenuIds.h"
#include "app/HistoryDialog.h"
#include "app/HistoryTexts.h"
#include "app/Kestrel.h"
#include "app_ids.h"
#include "base/ScopedHandle.h"
#include "kit/TrayIcon.h"
#include "processing/ProcessingCycle.h"
#include "support/ITunesStandIn.h"
#include "support/ITunesStandInLibrary.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/RecorderSimulator.h"
#include "support/TempFolder.h"

using testing_support::Exists;
using testing_support::ModalScript;
using testing_support::TempFolder;

namespace {

// Answers the confirmation box "確認" with `button` as soon as it appears.
ModalScript::Step AnswerConfirmation(WPARAM button) {
    return [button] {
        HWND box = ::FindWindowW(L"#32770", L"確認");
        if (!box) return false;
        ::PostMessageW(box, WM_COMMAND, button, 0);
        return true;
    };
}

// The notification area, played by the test: Shell_NotifyIcon hands each
// request to the window of this class. It takes icons while `accepting`.
class StandInTray {
public:
    StandInTray() {
        WNDCLASSW type{};
        type.lpfnWndProc = &Procedure;
        type.hInstance = ::GetModuleHandleW(nullptr);
        type.lpszClassName = L"Shell_TrayWnd";
        ::RegisterClassW(&type);
        window_ = ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    type.hInstance, nullptr);
        added.clear();
        accepting = true;
    }
    ~StandInTray() { ::DestroyWindow(window_); }
    // Windows whose icons were added, in order.
    static std::vector<HWND> added;
    static bool accepting;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_COPYDATA) return ::DefWindowProcW(window, message, wParam, lParam);
        if (reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData != NIM_ADD) return TRUE;
        if (!accepting) return FALSE;
        added.push_back(reinterpret_cast<HWND>(wParam));
        return TRUE;
    }
    HWND window_;
};
std::vector<HWND> StandInTray::added;
bool StandInTray::accepting = true;

Settings StationNamed(const std::wstring& name) {
    Settings station;
    station.SetString(L"StationName", name);
    station.SetInt(L"WaitTime", 10);
    return station;
}

class MainWindow : public testing_support::MainWindowFixture {
protected:
    int StationCount() { return static_cast<int>(::SendDlgItemMessageW(window.handle(), IDC_MAIN_STATIONS, CB_GETCOUNT, 0, 0)); }
    bool CooperationChecked() { return ::IsDlgButtonChecked(window.handle(), IDC_MAIN_COOPERATION) == BST_CHECKED; }
    // Stored settings with the box checked and the station "FM", whose play
    // folder holds the one song.
    Settings RecordingStation(const std::wstring& song) {
        testing_support::WriteBytes(recorder / song, {1});
        Settings station = StationNamed(L"FM");
        station.SetString(L"PlayDirectory", recorder.path());
        station.SetString(L"EndDirectory", recorder.path());
        Settings stored;
        stored.Group(L"Station").SetGroup(L"FM", station);
        stored.Group(L"IsCooperation").SetInt(L"Check", 1);
        return stored;
    }

    TempFolder recorder;
};

}  // namespace

TEST_F(MainWindow, FirstStartWithoutASettingsFile) {
    Open();
    EXPECT_TRUE(::IsWindowVisible(window.handle()));
    EXPECT_EQ(StationCount(), 0);
    EXPECT_FALSE(CooperationChecked());
    EXPECT_TRUE(window.settings().GetBool(L"IgnoreFirst"));
    EXPECT_TRUE(window.currentStation().values.empty());
    EXPECT_TRUE(Exists(folder / L"Artwork"));

    Close();
    EXPECT_FALSE(Exists(folder / L"Artwork"));
    const Settings saved = Saved();
    EXPECT_TRUE(saved.GetBool(L"IgnoreFirst"));
    EXPECT_EQ(saved.FindGroup(L"IsCooperation")->GetInt(L"Check", 7), 0);
    EXPECT_EQ(saved.values.count(L"WindowPlacement"), 1u);
}

TEST_F(MainWindow, StoredStateIsRestoredAndSelectionFollowsTheList) {
    testing_support::WriteBytes(recorder / L"old.mp3", {1});
    Settings b = StationNamed(L"B局");
    b.SetString(L"PlayDirectory", recorder.path());
    b.SetString(L"EndDirectory", recorder.path());
    Settings stored;
    stored.Group(L"Station").SetGroup(L"B局", b);
    stored.Group(L"Station").SetGroup(L"A局", StationNamed(L"A局"));
    stored.Group(L"SelectStation").SetInt(L"Index", 1);
    stored.Group(L"IsCooperation").SetInt(L"Check", 1);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    EXPECT_EQ(StationCount(), 2);
    EXPECT_TRUE(CooperationChecked());
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"B局");  // sorted: A局, B局

    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_EQ(window.cycle().currentRecording(), L"old.mp3");
    ::SendDlgItemMessageW(window.handle(), IDC_MAIN_STATIONS, CB_SETCURSEL, 0, 0);
    ::SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_STATIONS, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window.handle(), IDC_MAIN_STATIONS)));
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"A局");
    EXPECT_TRUE(window.cycle().currentRecording().empty());
}

TEST_F(MainWindow, MinimisedIntoTheTrayAndBackWithAClick) {
    StandInTray tray;
    Settings stored;
    stored.SetBool(L"IsTaskTray", true);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    placement.showCmd = SW_SHOWMINIMIZED;
    placement.rcNormalPosition = {40, 50, 45, 55};
    stored.SetPlacement(L"WindowPlacement", placement);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    EXPECT_FALSE(::IsWindowVisible(window.handle()));
    EXPECT_EQ(std::vector<HWND>{window.handle()}, StandInTray::added);

    ::SendMessageW(window.handle(), kit::kTrayIconMessage, 0, WM_LBUTTONDOWN);
    kit::PumpMessages();
    EXPECT_TRUE(::IsWindowVisible(window.handle()));
    EXPECT_FALSE(::IsIconic(window.handle()));
    RECT rect;
    ::GetWindowRect(window.handle(), &rect);
    EXPECT_GT(rect.right - rect.left, 100);  // the stored size is not taken
}

// Without a notification area the window must stay within reach; the taskbar's
// (re)start brings the icon, and only then does the window leave the screen.
TEST_F(MainWindow, ATrayThatRefusesTheIconLeavesTheWindowVisibleUntilTheTaskbarComesBack) {
    StandInTray tray;
    StandInTray::accepting = false;
    Settings stored;
    stored.SetBool(L"IsTaskTray", true);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    ::SendMessageW(window.handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    kit::PumpMessages();
    EXPECT_TRUE(::IsWindowVisible(window.handle()));
    EXPECT_TRUE(StandInTray::added.empty());

    StandInTray::accepting = true;
    ::SendMessageW(window.handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(std::vector<HWND>{window.handle()}, StandInTray::added);
    EXPECT_FALSE(::IsWindowVisible(window.handle()));

    // Explorer restarted while the icon was there: it comes back again.
    ::SendMessageW(window.handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(2u, StandInTray::added.size());

    // Back on the screen, the window wants no icon any more.
    ::SendMessageW(window.handle(), kit::kTrayIconMessage, 0, WM_LBUTTONDOWN);
    ::SendMessageW(window.handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(2u, StandInTray::added.size());
    EXPECT_TRUE(::IsWindowVisible(window.handle()));
}

TEST_F(MainWindow, DeletingTheLastStationEmptiesTheCurrentStationAndSaves) {
    Settings stored;
    stored.Group(L"Station").SetGroup(L"FM", StationNamed(L"FM"));
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    ASSERT_EQ(window.currentStation().GetString(L"StationName"), L"FM");
    const auto enabled = [this](int id) { return ::IsWindowEnabled(::GetDlgItem(window.handle(), id)) != FALSE; };
    EXPECT_TRUE(enabled(IDC_MAIN_EDIT) && enabled(IDC_MAIN_DELETE));

    {
        ModalScript no(AnswerConfirmation(IDNO), 50);
        window.DeleteSelectedStation();
    }
    EXPECT_EQ(StationCount(), 1);

    {
        ModalScript yes(AnswerConfirmation(IDYES), 50);
        window.DeleteSelectedStation();
    }
    EXPECT_EQ(StationCount(), 0);
    EXPECT_TRUE(window.currentStation().values.empty());
    EXPECT_FALSE(enabled(IDC_MAIN_EDIT) || enabled(IDC_MAIN_DELETE));  // nothing to act on
    // Saved at once, not only at exit.
    EXPECT_TRUE(Saved().FindGroup(L"Station")->groups.empty());

    window.DeleteSelectedStation();  // nothing selected: no question at all
}

TEST_F(MainWindow, EndingTheWindowsSessionSavesTheSettings) {
    Open();
    ::CheckDlgButton(window.handle(), IDC_MAIN_COOPERATION, BST_CHECKED);
    ::SendMessageW(window.handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(Saved().FindGroup(L"IsCooperation")->GetInt(L"Check"), 1);
}

TEST_F(MainWindow, SettingsThatCannotBeSavedAreReportedOncePerSession) {
    Open();
    ASSERT_TRUE(Settings().Save(settingsPath));
    dialog_test::BoxAnswerer boxes(window.handle());
    {
        // Held open without delete sharing, the file cannot be replaced.
        kit::UniqueHandle held(
            ::CreateFileW(settingsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        ::CheckDlgButton(window.handle(), IDC_MAIN_COOPERATION, BST_CHECKED);
        ::SendMessageW(window.handle(), WM_ENDSESSION, TRUE, 0);
        ASSERT_EQ(boxes.texts.size(), 1u);
        const std::wstring& text = boxes.texts[0];
        EXPECT_NE(text.find(L"設定を保存できませんでした。"), std::wstring::npos) << text;
        EXPECT_NE(text.find(settingsPath + L"\n\n理由: "), std::wstring::npos) << text;
        EXPECT_EQ(text.find(L"理由: \n"), std::wstring::npos) << text;  // a reason is given
        ::SendMessageW(window.handle(), WM_ENDSESSION, TRUE, 0);
    }
    Close();
    EXPECT_EQ(boxes.texts.size(), 1u);
    // Free again, the file takes what the failed saves could not write.
    EXPECT_EQ(Saved().FindGroup(L"IsCooperation")->GetInt(L"Check"), 1);
}

TEST_F(MainWindow, DamagedSettingsFileIsSetAsideAndTheProgramStartsAfresh) {
    Settings stored;
    stored.Group(L"Station").SetGroup(L"FM", StationNamed(L"FM"));
    stored.SetBool(L"IgnoreFirst", false);
    ASSERT_TRUE(stored.Save(settingsPath));
    std::vector<std::uint8_t> damaged = testing_support::ReadBytes(settingsPath);
    damaged.resize(damaged.size() - 3);
    ASSERT_TRUE(testing_support::WriteBytes(settingsPath, damaged));
    {
        // The box comes while the window is being made.
        dialog_test::BoxAnswerer boxes(window);
        Open();
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_NE(boxes.texts[0].find(L"設定ファイルが壊れていたため"), std::wstring::npos) << boxes.texts[0];
        EXPECT_NE(boxes.texts[0].find(settingsPath + L".bad"), std::wstring::npos) << boxes.texts[0];
    }
    EXPECT_TRUE(::IsWindowVisible(window.handle()));
    EXPECT_EQ(StationCount(), 0);
    EXPECT_TRUE(window.settings().GetBool(L"IgnoreFirst"));
    Close();
    EXPECT_EQ(testing_support::ReadBytes(settingsPath + L".bad"), damaged);
    EXPECT_TRUE(Saved().GetBool(L"IgnoreFirst"));
}

// Where no copy can be kept, the damaged file is all there is: never saved over.
TEST_F(MainWindow, DamagedSettingsFileThatCannotBeSetAsideIsNotSavedOver) {
    const std::vector<std::uint8_t> damaged = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    ASSERT_TRUE(testing_support::WriteBytes(settingsPath, damaged));
    ASSERT_TRUE(::CreateDirectoryW((settingsPath + L".bad").c_str(), nullptr));
    {
        dialog_test::BoxAnswerer boxes(window);
        Open();
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_NE(boxes.texts[0].find(L"このファイルには保存しません"), std::wstring::npos) << boxes.texts[0];
    }
    Close();
    EXPECT_EQ(testing_support::ReadBytes(settingsPath), damaged);
    ::RemoveDirectoryW((settingsPath + L".bad").c_str());
}

// A file held by another program at the start is told, and never saved over.
TEST_F(MainWindow, SettingsFileHeldAtTheStartIsNotSavedOver) {
    Settings stored;
    stored.Group(L"Station").SetGroup(L"FM", StationNamed(L"FM"));
    ASSERT_TRUE(stored.Save(settingsPath));
    const std::vector<std::uint8_t> before = testing_support::ReadBytes(settingsPath);
    {
        kit::UniqueHandle held(::CreateFileW(settingsPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        dialog_test::BoxAnswerer boxes(window);
        Open();
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_NE(boxes.texts[0].find(L"設定ファイルを開けませんでした。\n" + settingsPath), std::wstring::npos)
            << boxes.texts[0];
        EXPECT_NE(boxes.texts[0].find(L"このファイルには保存しません"), std::wstring::npos) << boxes.texts[0];
    }
    EXPECT_TRUE(::IsWindowVisible(window.handle()));
    EXPECT_EQ(StationCount(), 0);
    Close();
    EXPECT_EQ(testing_support::ReadBytes(settingsPath), before);
    EXPECT_NE(Saved().FindGroup(L"Station")->FindGroup(L"FM"), nullptr);
}

TEST_F(MainWindow, SkippedSongIsShownOnGrey) {
    ASSERT_TRUE(RecordingStation(L"first.mp3").Save(settingsPath));
    Open();
    HWND box = ::GetDlgItem(window.handle(), IDC_MAIN_FILENAME);
    HDC dc = ::GetDC(box);
    ASSERT_FALSE(window.cycle().skipCurrent());
    const LRESULT normal = ::SendMessageW(window.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                          reinterpret_cast<LPARAM>(box));
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);  // the first song is skipped
    ASSERT_TRUE(window.cycle().skipCurrent());
    const LRESULT grey = ::SendMessageW(window.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(box));
    ::ReleaseDC(box, dc);
    ASSERT_NE(grey, 0);
    EXPECT_NE(grey, normal);
    LOGBRUSH brush{};
    ::GetObjectW(reinterpret_cast<HBRUSH>(grey), sizeof(brush), &brush);
    EXPECT_EQ(brush.lbColor, RGB(128, 128, 128));
}

TEST_F(MainWindow, CaptionNamesTheSelectedStationsHealthWhileItIsNotWell) {
    Settings stored;
    stored.Group(L"Station").SetGroup(L"FM", StationNamed(L"FM"));
    stored.Group(L"Station").SetGroup(L"AM", StationNamed(L"AM"));
    stored.Group(L"SelectStation").SetInt(L"Index", 1);  // FM, the list being sorted
    ASSERT_TRUE(stored.Save(settingsPath));
    {
        journal::Journal journal(folder / L"Kestrel.db");
        journal.AddHealth(L"FM", journal::ExtractionHealth::NoMatch, journal::Now());
    }
    Open();
    ASSERT_EQ(window.currentStation().GetString(L"StationName"), L"FM");
    EXPECT_EQ(window.GetText(), L"Kestrel - パターン不一致");

    ::SendDlgItemMessageW(window.handle(), IDC_MAIN_STATIONS, CB_SETCURSEL, 0, 0);
    window.SelectStationChanged();
    EXPECT_EQ(window.GetText(), L"Kestrel");

    window.journal()->AddHealth(L"AM", journal::ExtractionHealth::PageNotUpdated, journal::Now());
    window.ShowStationHealth();
    EXPECT_EQ(window.GetText(), L"Kestrel - ページ更新なし");
}

// Stations stored before each had its own choice: only the selected one goes
// on being followed. The list marks each station, the tooltip names the
// followed ones with their songs.
TEST_F(MainWindow, OlderSettingsFollowTheSelectedStationAndTheListMarksEach) {
    TempFolder play, end;
    Settings am = StationNamed(L"AM"), fm = StationNamed(L"FM");
    am.SetString(L"PlayDirectory", recorder.path());
    am.SetString(L"EndDirectory", recorder.path());
    am.SetBool(L"Follow", true);  // chosen since
    fm.SetString(L"PlayDirectory", play.path());
    fm.SetString(L"EndDirectory", end.path());
    Settings jazz = fm;
    jazz.SetString(L"StationName", L"ジャズ");
    Settings stored;
    for (const Settings* station : {&am, &fm, &jazz})
        stored.Group(L"Station").SetGroup(station->GetString(L"StationName"), *station);
    stored.Group(L"SelectStation").SetInt(L"Index", 1);  // FM, the list being sorted
    stored.Group(L"IsCooperation").SetInt(L"Check", 1);
    ASSERT_TRUE(stored.Save(settingsPath));
    journal::Journal(folder / L"Kestrel.db").AddHealth(L"FM", journal::ExtractionHealth::NoMatch, journal::Now());
    testing_support::WriteBytes(recorder / L"a.mp3", {1});
    Open();
    ASSERT_EQ(window.currentStation().GetString(L"StationName"), L"FM");

    const Settings savedRoot = Saved();  // at once
    const Settings* saved = savedRoot.FindGroup(L"Station");
    ASSERT_TRUE(saved && saved->FindGroup(L"FM") && saved->FindGroup(L"ジャズ") && saved->FindGroup(L"AM"));
    EXPECT_TRUE(saved->FindGroup(L"FM")->GetBool(L"Follow"));
    EXPECT_EQ(saved->FindGroup(L"ジャズ")->values.count(L"Follow"), 1u);
    EXPECT_FALSE(saved->FindGroup(L"ジャズ")->GetBool(L"Follow"));
    EXPECT_TRUE(saved->FindGroup(L"AM")->GetBool(L"Follow"));
    EXPECT_EQ(window.overview().MarkOf(L"AM"), StationMark::Followed);
    EXPECT_EQ(window.overview().MarkOf(L"FM"), StationMark::Unwell);
    EXPECT_EQ(window.overview().MarkOf(L"ジャズ"), StationMark::NotFollowed);

    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_EQ(window.TrayTip(), L"Kestrel - パターン不一致\nAM: a.mp3\nFM");
}

TEST(TrayTip, LongSongsAreCutAndStationsWithoutRoomCounted) {
    const std::wstring tip = TrayTipText(L"Kestrel", {{L"AM", L"短い曲"}, {L"FM", std::wstring(200, L'あ')}}, 127);
    EXPECT_EQ(tip.size(), 127u);
    EXPECT_EQ(tip.substr(0, 20), L"Kestrel\nAM: 短い曲\nFM: ");
    EXPECT_EQ(tip.back(), L'…');

    const std::vector<StationSong> many(20, {L"ラジオ局", L"とても長い曲の名前です"});
    const std::wstring counted = TrayTipText(L"Kestrel", many, 127);
    EXPECT_LE(counted.size(), 127u);
    EXPECT_EQ(counted.substr(counted.size() - 8), L"\nほか 12 局");
    EXPECT_EQ(counted.find(L"\nラジオ局: とても長い曲…\n"), 7u);
}

TEST_F(MainWindow, TimerRunsTheCycleOnlyWhileTheBoxIsChecked) {
    TempFolder play, end;
    testing_support::WriteBytes(play / L"song.mp3", {1});
    Settings station = StationNamed(L"FM");
    station.SetString(L"PlayDirectory", play.path());
    station.SetString(L"EndDirectory", end.path());
    Settings stored;
    stored.Group(L"Station").SetGroup(L"FM", station);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_EQ(window.cycle().currentRecording(), L"");

    ::CheckDlgButton(window.handle(), IDC_MAIN_COOPERATION, BST_CHECKED);
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_EQ(window.cycle().currentRecording(), L"song.mp3");
    wchar_t text[64] = {};
    ::GetDlgItemTextW(window.handle(), IDC_MAIN_FILENAME, text, 64);
    EXPECT_STREQ(text, L"song.mp3");
}

namespace {
// Runs the station dialog, filling its name box and any folder box that is
// empty or repeats the play folder (with a folder beside the settings file)
// and pressing OK (or Cancel when the name is empty) as soon as
// the dialog is up.
void RunStationDialogAnswering(Kestrel& window, bool isNew, const std::wstring& name) {
    ModalScript answer(
        [&name, &window] {
            HWND dialog = ::FindWindowW(L"#32770", L"ラジオ局の設定");
            if (!dialog) return false;
            if (name.empty()) {
                ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                return true;
            }
            ::SetDlgItemTextW(dialog, IDC_STATION_NAME, name.c_str());
            const std::wstring& settings = window.settingsPath();
            const std::wstring base = settings.substr(0, settings.find_last_of(L'\\'));
            for (auto [id, folder] : {std::make_pair(IDC_STATION_PLAY, L"\\play"),
                                      std::make_pair(IDC_STATION_END, L"\\end"),
                                      std::make_pair(IDC_STATION_OUTPUT, L"\\out")}) {
                wchar_t own[MAX_PATH] = {}, play[MAX_PATH] = {};
                ::GetDlgItemTextW(dialog, id, own, MAX_PATH);
                ::GetDlgItemTextW(dialog, IDC_STATION_PLAY, play, MAX_PATH);
                if (own[0] && (id == IDC_STATION_PLAY || wcscmp(own, play) != 0)) continue;  // the station's own
                ::CreateDirectoryW((base + folder).c_str(), nullptr);
                ::SetDlgItemTextW(dialog, id, (base + folder).c_str());
            }
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
            return true;
        },
        50);
    window.RunStationDialog(isNew);
}
}  // namespace

TEST_F(MainWindow, StationsAddedRenamedAndCancelled) {
    Settings stored;
    stored.Group(L"Station").SetGroup(L"FM", StationNamed(L"FM"));
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();

    RunStationDialogAnswering(window, true, L"AM");
    EXPECT_EQ(StationCount(), 2);
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"AM");
    EXPECT_EQ(window.currentStation().GetInt(L"WaitTime"), 10);  // the first confirmed station's default
    EXPECT_NE(Saved().FindGroup(L"Station")->FindGroup(L"AM"), nullptr);  // saved at once

    RunStationDialogAnswering(window, false, L"AM 2");
    const Settings* stations = window.settings().FindGroup(L"Station");
    EXPECT_EQ(stations->FindGroup(L"AM"), nullptr);
    ASSERT_NE(stations->FindGroup(L"AM 2"), nullptr);
    EXPECT_NE(stations->FindGroup(L"FM"), nullptr);
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"AM 2");

    RunStationDialogAnswering(window, true, L"");  // cancelled
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"AM 2");
    EXPECT_EQ(StationCount(), 2);
}

namespace {
// Runs the program's own loop, with the folder watches, until `done` holds
// or `limitMs` pass; returns the ms until `done` was first seen to hold.
DWORD RunLoopUntil(Kestrel& window, const std::function<bool()>& done, DWORD limitMs) {
    const DWORD start = ::GetTickCount();
    DWORD doneAfter = MAXDWORD;
    ModalScript script(
        [&] {
            const DWORD elapsed = ::GetTickCount() - start;
            if (done()) doneAfter = elapsed;
            if (doneAfter == MAXDWORD && elapsed < limitMs) return false;
            ::PostQuitMessage(0);
            return true;
        },
        5);
    kit::RunMessageLoop(&window.waitSource());
    return doneAfter;
}

class WatchedFolders : public MainWindow {
protected:
    void OpenWith(const std::wstring& endFolder) {
        Settings station = StationNamed(L"FM");
        station.SetString(L"PlayDirectory", play.path());
        station.SetString(L"EndDirectory", endFolder);
        station.SetString(L"OutputDirectory", out.path());
        Settings stored;
        stored.SetBool(L"IgnoreFirst", false);
        stored.Group(L"Station").SetGroup(L"FM", station);
        ASSERT_TRUE(stored.Save(settingsPath));
        Open();
        ::CheckDlgButton(window.handle(), IDC_MAIN_COOPERATION, BST_CHECKED);
    }
    void Start(const std::wstring& name) {
        ASSERT_TRUE(testing_support::WriteBytes(play / name, {0x49, 0x44, 0x33}));
        testing_support::SetWriteTime(play / name, ++minute);
    }
    // The recorder's hand-over, with the second's timer stopped: only a
    // change notification can make the tick that moves the song.
    DWORD HandOver(const std::wstring& finished, const std::wstring& next) {
        ::KillTimer(window.handle(), Kestrel::kTimerId);
        ::MoveFileW((play / finished).c_str(), (end / finished).c_str());
        Start(next);
        return RunLoopUntil(window, [&] { return Exists(out / finished); }, 2000);
    }
    void Tick() { ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0); }

    TempFolder play, end, out;
    int minute = 0;
};
}  // namespace

TEST_F(WatchedFolders, HandOverIsNoticedAtOnceAlsoAfterTheFolderIsMadeAgain) {
    OpenWith(end.path());
    Start(L"a.mp3");
    Tick();
    ASSERT_EQ(window.cycle().currentRecording(), L"a.mp3");
    ::SendMessageW(window.handle(), WM_SYSCOMMAND, IDM_SYSTEM_HISTORY, 0);
    ASSERT_TRUE(window.history());
    const HWND history = window.history()->list();
    EXPECT_EQ(ListView_GetItemCount(history), 1);
    EXPECT_LE(HandOver(L"a.mp3", L"b.mp3"), 200u);
    EXPECT_TRUE(Exists(out / L"a.mp3"));
    EXPECT_EQ(window.cycle().currentRecording(), L"b.mp3");
    // The open history window follows by itself.
    EXPECT_EQ(ListView_GetItemCount(history), 2);

    // The end folder deleted into the Recycle Bin (moved away) and made
    // again: the second's tick watches the new one.
    ASSERT_TRUE(::MoveFileW(end.path().c_str(), (out / L"recycled").c_str()));
    ASSERT_TRUE(::CreateDirectoryW(end.path().c_str(), nullptr));
    Tick();
    ::KillTimer(window.handle(), Kestrel::kTimerId);
    const long scans = window.cycle().folderScans();
    ASSERT_TRUE(testing_support::WriteBytes(end / L"b.mp3", {1}));
    EXPECT_LE(RunLoopUntil(window, [&] { return window.cycle().folderScans() > scans; }, 2000), 200u);
}

TEST_F(WatchedFolders, TheRecorderWritingOnMakesNoScanAWriteElsewhereDoes) {
    OpenWith(end.path());
    ASSERT_TRUE(testing_support::WriteBytes(play / L"older.mp3", {1}));
    testing_support::SetWriteTime(play / L"older.mp3", 0);
    Start(L"a.mp3");
    Tick();
    ASSERT_EQ(window.cycle().currentRecording(), L"a.mp3");
    ::KillTimer(window.handle(), Kestrel::kTimerId);
    RunLoopUntil(window, [] { return false; }, 300);
    const long scans = window.cycle().folderScans();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(testing_support::WriteBytes(play / L"a.mp3", {0x49, 0x44, 0x33, 1}));
    RunLoopUntil(window, [] { return false; }, 300);
    Tick();
    EXPECT_EQ(window.cycle().folderScans(), scans);

    ASSERT_TRUE(testing_support::WriteBytes(play / L"older.mp3", {2}));
    RunLoopUntil(window, [] { return false; }, 300);
    Tick();
    EXPECT_EQ(window.cycle().folderScans(), scans + 1);
    // Written now, it is the newest file: only a scan could tell.
    EXPECT_EQ(window.cycle().currentRecording(), L"older.mp3");
}

// A station whose end folder is missing is not followed; the next scanning
// tick after the folder turns up follows it.
TEST_F(WatchedFolders, AStationIsFollowedOnceItsMissingFolderAppears) {
    OpenWith(end / L"not yet");
    Start(L"a.mp3");
    Tick();
    EXPECT_EQ(window.cycle().follower(), nullptr);
    EXPECT_TRUE(window.cycle().currentRecording().empty());
    ASSERT_TRUE(::CreateDirectoryW((end / L"not yet").c_str(), nullptr));
    Tick();
    EXPECT_EQ(window.cycle().currentRecording(), L"a.mp3");
}

TEST_F(MainWindow, HistoryWindowShowsTheJournalNewestFirst) {
    Open();
    journal::Journal& journal = *window.journal();
    const journal::Time now = journal::Now();
    const auto filed = journal.AddSong(L"局", L"0.mp3", now - 900);
    journal.MarkRegistered(filed, now - 800, L"0123456789ABCDEF");
    journal.AddAction(filed, {now - 799, journal::SongActionKind::Deleted, L"星野ミナ - 夜空のうた", L"ごみ箱",
                              L"D:\\音楽\\夜空のうた.mp3"});
    journal.AddAction(filed, {now - 798, journal::SongActionKind::LyricsCopied, L"星野ミナ - 夜空のうた", L"", L""});
    journal.AddSong(L"局", L"a.mp3", now - 300, journal::SongState::SkippedFirstSong);
    const auto song = journal.AddSong(L"局", L"b.mp3", now - 60);
    journal.SaveSongInfo(song, {L"夜空のうた", L"星野ミナ", L"", L"", L""});
    journal.MarkMoved(song, folder / L"b.mp3", now - 5);
    journal.MarkAttemptFailed(song, L"iTunesに登録できませんでした", now + 600);

    // From the system menu; closing only hides it, the tray menu shows it again.
    ::SendMessageW(window.handle(), WM_SYSCOMMAND, IDM_SYSTEM_HISTORY, 0);
    ASSERT_TRUE(window.history());
    HWND history = window.history()->handle();
    ASSERT_TRUE(::IsWindowVisible(history));
    ::SendMessageW(history, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(history));
    ::SendMessageW(window.handle(), WM_COMMAND, ID_TRAY_HISTORY, 0);
    EXPECT_TRUE(::IsWindowVisible(history));

    // The texts come through the list's own requests (LVN_GETDISPINFO).
    HWND list = window.history()->list();
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    auto cell = [&](int row, int column) {
        wchar_t text[256] = L"";
        ListView_GetItemText(list, row, column, text, 256);
        return std::wstring(text);
    };
    EXPECT_EQ(cell(0, HistoryDialog::kFileName), L"b.mp3");
    EXPECT_EQ(cell(0, HistoryDialog::kTitle), L"夜空のうた");
    EXPECT_EQ(cell(0, HistoryDialog::kState).rfind(L"再試行待ち（次回 ", 0), 0u);
    EXPECT_EQ(cell(1, HistoryDialog::kState), L"スキップ: 最初の曲");
    EXPECT_EQ(cell(1, HistoryDialog::kStation), L"局");
    const std::wstring details = window.history()->DetailsText(0);
    EXPECT_NE(details.find(folder / L"b.mp3"), std::wstring::npos);
    EXPECT_NE(details.find(L"登録の試行\t1 回"), std::wstring::npos);
    EXPECT_EQ(details.find(L"トラックID"), std::wstring::npos);
    const std::wstring filedDetails = window.history()->DetailsText(2);
    EXPECT_NE(filedDetails.find(L"トラックID\t0123456789ABCDEF\r\n"), std::wstring::npos);
    EXPECT_NE(filedDetails.find(LocalTimeText(now - 799) + L"  削除: 星野ミナ - 夜空のうた\r\n"
                                L"\t元の場所: D:\\音楽\\夜空のうた.mp3\r\n\t移動先: ごみ箱\r\n" +
                                LocalTimeText(now - 798) + L"  歌詞をコピー: 星野ミナ - 夜空のうた\r\n"),
              std::wstring::npos)
        << filedDetails;
}

TEST_F(MainWindow, HistoryFilterShowsOnlyTheChosenStationsSongs) {
    Open();
    journal::Journal& journal = *window.journal();
    for (int i = 0; i < 6; ++i) journal.AddSong(i % 3 ? L"FM" : L"AM", std::to_wstring(i) + L".mp3", journal::Now());
    window.ShowHistory();
    const HWND history = window.history()->handle(), list = window.history()->list();
    const HWND box = ::GetDlgItem(history, IDC_HISTORY_STATION);
    ASSERT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 3);  // すべての局, AM, FM
    ::SendMessageW(box, CB_SETCURSEL, 2, 0);
    ::SendMessageW(history, WM_COMMAND, MAKEWPARAM(IDC_HISTORY_STATION, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    const auto column = [list](int column) {
        std::vector<std::wstring> cells;
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            wchar_t text[64] = L"";
            ListView_GetItemText(list, row, column, text, 64);
            cells.push_back(text);
        }
        return cells;
    };
    EXPECT_EQ(column(HistoryDialog::kFileName), (std::vector<std::wstring>{L"5.mp3", L"4.mp3", L"2.mp3", L"1.mp3"}));

    // Songs that come while it is shown: the chosen station's join it.
    journal.AddSong(L"AM", L"6.mp3", journal::Now());
    journal.AddSong(L"FM", L"7.mp3", journal::Now());
    window.history()->Refresh();
    EXPECT_EQ(column(HistoryDialog::kStation), std::vector<std::wstring>(5, L"FM"));
    window.history()->ShowStation(L"");
    EXPECT_EQ(ListView_GetItemCount(list), 8);
    EXPECT_EQ(::SendMessageW(box, CB_GETCURSEL, 0, 0), 0);
}

TEST_F(MainWindow, EditedStationStartsWithItsFirstSongSkipped) {
    Settings stored = RecordingStation(L"a.mp3");
    stored.SetBool(L"IgnoreFirst", false);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    ASSERT_EQ(window.cycle().currentRecording(), L"a.mp3");

    RunStationDialogAnswering(window, false, L"");  // cancelled: the song goes on
    EXPECT_EQ(window.cycle().currentRecording(), L"a.mp3");

    window.settings().SetBool(L"IgnoreFirst", true);
    RunStationDialogAnswering(window, false, L"FM 2");
    EXPECT_TRUE(window.cycle().currentRecording().empty());
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_TRUE(window.cycle().skipCurrent());  // half recorded: not filed
}

TEST_F(MainWindow, AnEditThatKeepsTheFoldersKeepsTheSongInProgress) {
    TempFolder end;
    Settings stored = RecordingStation(L"a.mp3");
    stored.Group(L"Station").Group(L"FM").SetString(L"EndDirectory", end.path());
    stored.SetBool(L"IgnoreFirst", false);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    ASSERT_EQ(window.cycle().currentRecording(), L"a.mp3");
    const journal::SongId song = window.cycle().currentSong();
    ASSERT_NE(song, 0);

    RunStationDialogAnswering(window, false, L"FM 2");  // renamed; its folders as they were
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"FM 2");
    EXPECT_EQ(window.cycle().currentRecording(), L"a.mp3");
    EXPECT_EQ(window.cycle().currentSong(), song);
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_FALSE(window.cycle().skipCurrent());
    EXPECT_EQ(window.journal()->FindSong(song)->state, journal::SongState::Playing);
}

// 追加 clicked while the finished song goes to iTunes: the dialog opens at
// once, the road goes on behind it, and the song lands in its own station's
// playlist.
TEST_F(MainWindow, AClickDuringTheRegistrationOpensTheDialogAtOnce) {
    TempFolder play, end, output;
    const std::wstring libraryPath = folder / L"library.txt";
    ASSERT_TRUE(StandInLibrary().Save(libraryPath));
    auto registration = std::make_unique<ITunesStandInRegistration>(libraryPath);
    Settings station = StationNamed(L"FM");
    station.SetString(L"PlayDirectory", play.path());
    station.SetString(L"EndDirectory", end.path());
    station.SetString(L"OutputDirectory", output.path());
    Settings stored;
    stored.Group(L"Station").SetGroup(L"FM", station);
    stored.Group(L"IsCooperation").SetInt(L"Check", 1);
    stored.SetBool(L"IgnoreFirst", false);
    stored.SetBool(L"IsAddPlayList", true);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    {
        RecorderSimulator recorder(play.path(), end.path());
        ASSERT_TRUE(recorder.NextSong(L"first.mp3", {L"Morning Song", L"Kestrel Band"}));
        ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
        ASSERT_TRUE(recorder.NextSong(L"second.mp3", {L"Evening Song", L"Kestrel Band"}));
    }
    // The recorder's hand-over, as the program's own loop would hear of it.
    for (HANDLE change : window.waitSource().WaitHandles())
        if (::WaitForSingleObject(change, 0) == WAIT_OBJECT_0) window.waitSource().OnSignalled(change);
    const journal::SongId first = 1;
    const auto registered = [&] {
        const auto song = window.journal()->FindSong(first);
        return song && song->state == journal::SongState::Registered;
    };
    const ULONGLONG opened = ::GetTickCount64();
    {
        ModalScript answer(
            [&] {
                HWND dialog = ::FindWindowW(L"#32770", L"ラジオ局の設定");
                if (!dialog) return false;
                // Behind the dialog the road goes on: the song reaches the library.
                if (!registered() && ::GetTickCount64() - opened < 30000) return false;
                ::SetDlgItemTextW(dialog, IDC_STATION_NAME, L"AM");
                for (auto [id, name] : {std::make_pair(IDC_STATION_PLAY, L"am-play"),
                                        std::make_pair(IDC_STATION_END, L"am-end"),
                                        std::make_pair(IDC_STATION_OUTPUT, L"am-out")}) {
                    ::CreateDirectoryW((folder / name).c_str(), nullptr);
                    ::SetDlgItemTextW(dialog, id, (folder / name).c_str());
                }
                ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
                return true;
            },
            50);
        // The tick that moves "Morning Song" and hands it to the library
        // returns at once; the click after it opens the dialog.
        const ULONGLONG before = ::GetTickCount64();
        ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
        EXPECT_LT(::GetTickCount64() - before, 250u);
        window.RunStationDialog(true);
    }
    EXPECT_TRUE(registered());
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"AM");

    Close();
    ASSERT_TRUE(ITunesStandInRegistration::WaitForServerExit());
    registration.reset();
    StandInLibrary served;
    ASSERT_TRUE(served.Load(libraryPath));
    const StandInTrack* song = served.FindByName(L"Morning Song");
    ASSERT_NE(song, nullptr);
    const StandInPlaylist* playlist = served.FindPlaylist(L"FM");
    ASSERT_NE(playlist, nullptr);
    EXPECT_EQ(playlist->trackIds, std::vector<long>{song->id});
    EXPECT_EQ(served.FindPlaylist(L"AM"), nullptr);
}

TEST_F(MainWindow, DamagedJournalIsSetAsideAndTheProgramRuns) {
    ASSERT_TRUE(testing_support::WriteBytes(folder / L"Kestrel.db", std::vector<std::uint8_t>(8192, 0x5A)));
    Open();
    ASSERT_TRUE(window.journal());
    EXPECT_TRUE(Exists(folder / L"Kestrel.db.bad"));
    EXPECT_NE(window.journal()->AddSong(L"局", L"a.mp3", journal::Now()), 0);
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_TRUE(::IsWindow(window.handle()));
}
