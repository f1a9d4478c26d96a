// The main window on its real template, driven with the messages a user's
// actions produce.
#include <gtest/gtest.h>

#include "app/Kestrel.h"
#include "app_ids.h"
#include "kit/CommonControls.h"
#include "kit/Window.h"
#include "processing/ProcessingCycle.h"
#include "support/TempFolder.h"

using testing_support::Exists;
using testing_support::TempFolder;

namespace {

// Without a window manager Wine waits for every managed window it hides;
// this program's windows stay unmanaged (read when the first window is made).
const bool unmanagedWindows = [] {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\test_app.exe\\X11 Driver", 0, nullptr,
                          0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const wchar_t no[] = L"N";
    ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof(no));
    ::RegCloseKey(key);
    return kit::InitializeCommonControls();
}();

// Takes the quit message the destroyed main window posts, so that it does
// not end the next test's message loops.
void DrainQuit() {
    kit::PumpMessages();
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

// Answers the confirmation box "確認" with `button` as soon as it appears.
WPARAM g_answer = IDYES;
void CALLBACK AnswerConfirmation(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = ::FindWindowW(L"#32770", L"確認");
    if (!box) return;
    ::KillTimer(nullptr, timer);
    ::PostMessageW(box, WM_COMMAND, g_answer, 0);
}

Settings StationNamed(const std::wstring& name) {
    Settings station;
    station.SetString(L"StationName", name);
    station.SetInt(L"WaitTime", 10);
    return station;
}

class MainWindow : public ::testing::Test {
protected:
    void Open() {
        window.SetSettingsPath(settingsPath);
        window.SetArtworkDirectory(folder / L"Artwork");
        ASSERT_TRUE(window.Create(nullptr, IDD_MAIN));
        kit::PumpMessages();
    }
    void Close() {
        if (window.handle() && ::IsWindow(window.handle())) ::DestroyWindow(window.handle());
        DrainQuit();
    }
    void TearDown() override { Close(); }
    int StationCount() { return static_cast<int>(::SendDlgItemMessageW(window.handle(), IDC_MAIN_STATIONS, CB_GETCOUNT, 0, 0)); }
    bool CooperationChecked() { return ::IsDlgButtonChecked(window.handle(), IDC_MAIN_COOPERATION) == BST_CHECKED; }
    Settings Saved() {
        Settings saved;
        EXPECT_TRUE(saved.Load(settingsPath));
        return saved;
    }

    TempFolder folder;
    std::wstring settingsPath = folder / L"Kestrel.dat";
    Kestrel window;
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
    Settings stored;
    stored.Group(L"Station").SetGroup(L"B局", StationNamed(L"B局"));
    stored.Group(L"Station").SetGroup(L"A局", StationNamed(L"A局"));
    stored.Group(L"SelectStation").SetInt(L"Index", 1);
    stored.Group(L"IsCooperation").SetInt(L"Check", 1);
    ASSERT_TRUE(stored.Save(settingsPath));
    Open();
    EXPECT_EQ(StationCount(), 2);
    EXPECT_TRUE(CooperationChecked());
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"B局");  // sorted: A局, B局

    window.cycle().currentRecording = L"old.mp3";
    ::SendDlgItemMessageW(window.handle(), IDC_MAIN_STATIONS, CB_SETCURSEL, 0, 0);
    ::SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_STATIONS, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window.handle(), IDC_MAIN_STATIONS)));
    EXPECT_EQ(window.currentStation().GetString(L"StationName"), L"A局");
    EXPECT_TRUE(window.cycle().currentRecording.empty());
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

    ::SendMessageW(window.handle(), WM_USER, 0, WM_LBUTTONDOWN);
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

    g_answer = IDNO;
    ::SetTimer(nullptr, 0, 50, &AnswerConfirmation);
    window.DeleteSelectedStation();
    EXPECT_EQ(StationCount(), 1);

    g_answer = IDYES;
    ::SetTimer(nullptr, 0, 50, &AnswerConfirmation);
    window.DeleteSelectedStation();
    EXPECT_EQ(StationCount(), 0);
    EXPECT_TRUE(window.currentStation().values.empty());
    EXPECT_FALSE(enabled(IDC_MAIN_EDIT) || enabled(IDC_MAIN_DELETE));  // nothing to act on
    EXPECT_FALSE(window.cycle().busy);
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
    Open();
    HWND box = ::GetDlgItem(window.handle(), IDC_MAIN_FILENAME);
    HDC dc = ::GetDC(box);
    window.cycle().skipCurrent = false;
    const LRESULT normal = ::SendMessageW(window.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                          reinterpret_cast<LPARAM>(box));
    window.cycle().skipCurrent = true;
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
    EXPECT_EQ(window.cycle().currentRecording, L"");

    ::CheckDlgButton(window.handle(), IDC_MAIN_COOPERATION, BST_CHECKED);
    ::SendMessageW(window.handle(), WM_TIMER, Kestrel::kTimerId, 0);
    EXPECT_EQ(window.cycle().currentRecording, L"song.mp3");
    wchar_t text[64] = {};
    ::GetDlgItemTextW(window.handle(), IDC_MAIN_FILENAME, text, 64);
    EXPECT_STREQ(text, L"song.mp3");
}

namespace {
// Fills the station dialog's name box and three folders of `g_stationFolder`
// and presses OK (or Cancel when the name is empty) as soon as the dialog is up.
std::wstring g_stationName;
std::wstring g_stationFolder;
void CALLBACK AnswerStationDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = ::FindWindowW(L"#32770", L"ラジオ局の設定");
    if (!dialog) return;
    ::KillTimer(nullptr, timer);
    if (g_stationName.empty()) {
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    ::SetDlgItemTextW(dialog, IDC_STATION_NAME, g_stationName.c_str());
    for (auto [id, name] : {std::make_pair(IDC_STATION_PLAY, L"\\play"), std::make_pair(IDC_STATION_END, L"\\end"),
                            std::make_pair(IDC_STATION_OUTPUT, L"\\out")}) {
        const std::wstring path = g_stationFolder + name;
        ::CreateDirectoryW(path.c_str(), nullptr);
        ::SetDlgItemTextW(dialog, id, path.c_str());
    }
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

void RunStationDialogAnswering(Kestrel& window, bool isNew, const std::wstring& name) {
    g_stationName = name;
    const std::wstring& settings = window.settingsPath();
    g_stationFolder = settings.substr(0, settings.find_last_of(L'\\'));
    ::SetTimer(nullptr, 0, 50, &AnswerStationDialog);
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
    EXPECT_FALSE(window.cycle().busy);

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
