// The main window on its real template, driven with the messages a user's
// actions produce.
#include <gtest/gtest.h>

#include "app/Kestrel.h"
#include "app_ids.h"
#include "kit/TrayIcon.h"
#include "processing/ProcessingCycle.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
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

    ::SendMessageW(window.handle(), kit::kTrayIconMessage, 0, WM_LBUTTONDOWN);
    kit::PumpMessages();
    EXPECT_TRUE(::IsWindowVisible(window.handle()));
    EXPECT_FALSE(::IsIconic(window.handle()));
    RECT rect;
    ::GetWindowRect(window.handle(), &rect);
    EXPECT_GT(rect.right - rect.left, 100);  // the stored size is not taken
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
    EXPECT_FALSE(window.cycle().paused());
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
    EXPECT_FALSE(window.cycle().paused());

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
