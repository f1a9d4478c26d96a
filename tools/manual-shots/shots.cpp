// Opens the main window with the manual's example station, then the station
// and settings dialogs and the history window, and saves a picture of each as
// a BMP file in the folder given on the command line.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/HistoryDialog.h"
#include "app/Kestrel.h"
#include "app_ids.h"
#include "base/File.h"
#include "kit/CommonControls.h"
#include "journal/Journal.h"
#include "kit/Dc.h"
#include "kit/GdiObject.h"
#include "kit/Window.h"

namespace {

std::wstring g_folder;
const wchar_t* g_caption = nullptr;
const wchar_t* g_file = nullptr;

const wchar_t kSampleFeed[] =
    L"{\"station\": \"サンプル局\", \"now_playing\": {\"started_at\": \"2026-12-08T11:00:00+09:00\", "
    L"\"song\": {\"title\": \"夜空のうた\", \"artist\": \"星野ミナ\", \"album\": \"ミッドナイト\", "
    L"\"art\": \"/art/123.jpg\"}}}";

const wchar_t kSamplePage[] =
    L"<html><body>\r\n<div class=\"now\">\r\n  <img src=\"http://radio.example/art/123.jpg\">\r\n"
    L"  <p class=\"title\">夜空のうた</p>\r\n  <p class=\"artist\">星野ミナ</p>\r\n"
    L"  <p class=\"album\">ミッドナイト</p>\r\n</div>\r\n</body></html>";

void Settle() {
    for (int i = 0; i < 10; ++i) {
        kit::PumpMessages();
        ::Sleep(50);
    }
}

// Writes an area of the screen as a 24-bit BMP.
void CaptureArea(const RECT& rect, const std::wstring& path) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HWND desktop = ::GetDesktopWindow();
    kit::Dc screen(::GetDC(desktop), desktop);
    kit::MemoryDc memory(screen.handle());
    kit::UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.handle(), width, height));
    {
        kit::ScopedSelectObject select(memory.handle(), bitmap.Get());
        ::BitBlt(memory.handle(), 0, 0, width, height, screen.handle(), rect.left, rect.top, SRCCOPY);
    }

    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> pixels(static_cast<size_t>(stride) * height);
    ::GetDIBits(memory.handle(), static_cast<HBITMAP>(bitmap.Get()), 0, height, pixels.data(),
                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    kit::File file;
    if (!file.OpenWrite(path)) return;
    file.Write(&header, sizeof(header));
    file.Write(&info, sizeof(info));
    file.Write(pixels.data(), pixels.size());
}

void Capture(HWND window, const std::wstring& path) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    CaptureArea(rect, path);
}

// The main window with its station list open.
void CaptureOpenList(HWND window, const std::wstring& path) {
    HWND list = ::GetDlgItem(window, IDC_MAIN_STATIONS);
    ::SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    Settle();
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    RECT area, open{};
    ::GetWindowRect(window, &area);
    if (::GetComboBoxInfo(list, &info) && info.hwndList) ::GetWindowRect(info.hwndList, &open);
    ::UnionRect(&area, &area, &open);
    CaptureArea(area, path);
    ::SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
}

// Runs inside the modal dialog's loop: waits for it, takes it, cancels it.
void CALLBACK CaptureDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = ::FindWindowW(L"#32770", g_caption);
    if (!dialog) return;
    ::KillTimer(nullptr, timer);
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::Sleep(300);
    kit::PumpMessages();
    Capture(dialog, g_folder + L"\\" + g_file);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// A morning of the example station in the journal, in each state a row can show.
void FillJournal(journal::Journal& journal) {
    struct Row {
        const wchar_t* file;
        const wchar_t* title;
        const wchar_t* artist;
        int state;  // 0 registered, 1 waiting for a retry, 2 failed, 3 first song, 4 hand-over, 5 finished without iTunes
    };
    const Row rows[] = {
        {L"0600.mp3", L"", L"", 3},
        {L"0604.mp3", L"朝焼けの街", L"青井ソラ", 0},
        {L"0608.mp3", L"風のしらべ", L"森田ユウ", 0},
        {L"0612.mp3", L"ミッドナイト・ラン", L"星野ミナ", 2},
        {L"0617.mp3", L"夏の終わりに", L"青井ソラ", 0},
        {L"0621.mp3", L"遠い灯り", L"川辺ハルカ", 1},
        {L"0623.mp3", L"星の庭", L"森田ユウ", 5},
        {L"0625.mp3", L"夜空のうた", L"星野ミナ", 4},
    };
    journal::Time t = journal::Now() - 30 * 60;
    int count = 0;
    for (const Row& row : rows) {
        const wchar_t* station = ++count % 3 == 0 ? L"FM みなと" : L"サンプル局";
        const auto id = journal.AddSong(station, row.file, t,
                                        row.state == 3 ? journal::SongState::SkippedFirstSong : journal::SongState::Playing);
        t += 4 * 60;
        if (row.state == 3) continue;
        journal.SaveSongInfo(id, {row.title, row.artist, L"", L"", L""});
        journal.MarkAwaitingHandOver(id, t);
        if (row.state == 4) continue;
        journal.MarkMoved(id, std::wstring(L"C:\\Music\\ラジオ\\") + row.file, t + 2);
        if (row.state == 5) {
            journal.MarkFiled(id, t + 3);
            continue;
        }
        journal.MarkStripped(id, t + 3);
        if (row.state == 0) journal.MarkRegistered(id, t + 8);
        if (row.state == 1) journal.MarkAttemptFailed(id, L"iTunesに登録できませんでした", t + 5 * 60);
        if (row.state == 2) journal.MarkFailed(id, L"出力フォルダーのファイルが見つかりません");
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    std::unique_ptr<wchar_t*, decltype(&::LocalFree)> arguments(::CommandLineToArgvW(::GetCommandLineW(), &count),
                                                                &::LocalFree);
    g_folder = arguments && count > 1 ? arguments.get()[1] : L".";
    kit::InitializeCommonControls();

    Settings stored;
    Settings station;
    station.SetString(L"StationName", L"サンプル局");
    station.SetString(L"PlayDirectory", L"C:\\Radio\\録音中");
    station.SetString(L"EndDirectory", L"C:\\Radio\\録音終了");
    station.SetString(L"OutputDirectory", L"C:\\Music\\ラジオ");
    station.SetString(L"Url", L"http://radio.example/now");
    station.SetInt(L"WaitTime", 10);
    station.SetString(L"MatchPattern",
                      L"<img src=\"(.*?)\">\\s*<p class=\"title\">(.*?)</p>\\s*<p class=\"artist\">(.*?)</p>\\s*"
                      L"<p class=\"album\">(.*?)</p>");
    station.SetString(L"Title", L"$2");
    station.SetString(L"Artist", L"$3");
    station.SetString(L"Album", L"$4");
    station.SetString(L"Artwork", L"$1");
    station.SetString(L"Html", kSamplePage);
    station.SetBool(L"Follow", true);
    stored.Group(L"Station").SetGroup(L"サンプル局", station);
    // Beside it: one followed whose page fails, one sharing its folders and
    // one switched off, for the station list's marks.
    for (const wchar_t* folder : {L"C:\\Radio", L"C:\\Radio\\録音中", L"C:\\Radio\\録音終了", L"C:\\Radio\\みなと",
                                  L"C:\\Radio\\みなと\\録音中", L"C:\\Radio\\みなと\\録音終了"})
        ::CreateDirectoryW(folder, nullptr);
    Settings minato = station;
    minato.SetString(L"StationName", L"FM みなと");
    minato.SetString(L"PlayDirectory", L"C:\\Radio\\みなと\\録音中");
    minato.SetString(L"EndDirectory", L"C:\\Radio\\みなと\\録音終了");
    Settings jazz = station;
    jazz.SetString(L"StationName", L"ジャズ局");
    Settings morning = station;
    morning.SetString(L"StationName", L"朝の局");
    morning.SetBool(L"Follow", false);
    for (const Settings* each : {&minato, &jazz, &morning})
        stored.Group(L"Station").SetGroup(each->GetString(L"StationName"), *each);
    stored.Group(L"SelectStation").SetInt(L"Index", 1);  // サンプル局, the list being sorted
    stored.Group(L"IsCooperation").SetInt(L"Check", 1);
    stored.SetInt(L"IgnoreCount", 2);
    stored.Group(L"IgnoreList").SetString(L"0", L"cm*");
    stored.Group(L"IgnoreList").SetString(L"1", L"ジングル*.mp3");
    const std::wstring settingsPath = g_folder + L"\\shots.dat";
    stored.Save(settingsPath);

    // What recent songs left in the journal: the station dialog shows it.
    const std::wstring journalPath = g_folder + L"\\shots.db";
    {
        journal::Journal journal(journalPath);
        const journal::Time now = journal::Now();
        // Earlier songs, long registered: only their page delays matter here.
        int earlier = 0;
        for (int delay : {14, 9, 12, 11, 18, 10, 13, 12, 15, 11}) {
            ++earlier;
            const journal::SongId id = journal.AddSong(L"サンプル局", L"05" + std::to_wstring(10 + earlier) + L".mp3",
                                                       now - 3 * 3600 - earlier * 240, journal::SongState::Registered);
            journal.SavePageDelay(id, delay);
        }
        for (int i = 0; i < 10; ++i)
            journal.AddHealth(L"サンプル局", i == 6 ? journal::ExtractionHealth::PageNotUpdated : journal::ExtractionHealth::Ok,
                              now);
        journal.AddHealth(L"FM みなと", journal::ExtractionHealth::FetchFailed, now);
    }

    Kestrel window;
    window.SetSettingsPath(settingsPath);
    window.SetArtworkDirectory(g_folder + L"\\Artwork");
    window.SetJournalPath(journalPath);
    if (!window.Create(nullptr, IDD_MAIN)) return 1;
    ::KillTimer(window.handle(), Kestrel::kTimerId);  // the boxes below stay as set
    ::SetDlgItemTextW(window.handle(), IDC_MAIN_FILENAME, L"夜空のうた.mp3");
    ::SetDlgItemTextW(window.handle(), IDC_MAIN_TITLE, L"待機中（残り7秒）");
    ::SetDlgItemTextW(window.handle(), IDC_MAIN_ARTIST, L"待機中（残り7秒）");
    ::SetDlgItemTextW(window.handle(), IDC_MAIN_ALBUM, L"待機中（残り7秒）");
    Settle();
    Capture(window.handle(), g_folder + L"\\main.bmp");
    CaptureOpenList(window.handle(), g_folder + L"\\stations.bmp");

    g_caption = L"ラジオ局の設定";
    g_file = L"station.bmp";
    ::SetTimer(nullptr, 0, 200, &CaptureDialog);
    window.RunStationDialog(false);

    // A JSON feed read through JSON Pointers, no pattern.
    Settings& current = window.settings().Group(L"Station").Group(L"サンプル局");
    current.SetString(L"Url", L"http://radio.example/api/now.json");
    current.SetString(L"MatchPattern", L"");
    current.SetString(L"Title", L"{/now_playing/song/title}");
    current.SetString(L"Artist", L"{/now_playing/song/artist}");
    current.SetString(L"Album", L"{/now_playing/song/album}");
    current.SetString(L"Artwork", L"{/now_playing/song/art}");
    current.SetString(L"Charset", L"UTF-8");
    current.SetString(L"Html", kSampleFeed);
    window.SelectStationChanged();
    g_file = L"json.bmp";
    ::SetTimer(nullptr, 0, 200, &CaptureDialog);
    window.RunStationDialog(false);

    // A page that lags behind: the caption names the station's state.
    window.journal()->AddHealth(L"サンプル局", journal::ExtractionHealth::PageNotUpdated, journal::Now());
    window.ShowStationHealth();
    for (int box : {IDC_MAIN_TITLE, IDC_MAIN_ARTIST, IDC_MAIN_ALBUM}) ::SetDlgItemTextW(window.handle(), box, L"ページ更新待ち");
    Settle();
    Capture(window.handle(), g_folder + L"\\health.bmp");

    g_caption = L"設定";
    g_file = L"config.bmp";
    ::SetTimer(nullptr, 0, 200, &CaptureDialog);
    window.RunConfigDialog();
    // The same with the folder for a target: what only iTunes uses is grey.
    window.settings().SetInt(L"LibraryTarget", 1);
    g_file = L"config-folder.bmp";
    ::SetTimer(nullptr, 0, 200, &CaptureDialog);
    window.RunConfigDialog();

    FillJournal(*window.journal());
    window.ShowHistory();
    Settle();
    Capture(window.history()->handle(), g_folder + L"\\history.bmp");

    ::DestroyWindow(window.handle());
    return 0;
}
