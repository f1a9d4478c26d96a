#include "app/Kestrel.h"

#include <shellapi.h>

#include <algorithm>

#include "app_ids.h"
#include "MenuIds.h"
#include "MessageDialogIds.h"
#include "app/Artwork.h"
#include "app/ConfigDialog.h"
#include "app/ControlState.h"
#include "app/StationMarks.h"
#include "base/FileOperations.h"
#include "base/ErrorText.h"
#include "base/PathHelpers.h"
#include "kit/Brush.h"
#include "kit/CheckBox.h"
#include "kit/ComboBox.h"
#include "kit/EditBox.h"
#include "kit/Menu.h"
#include "kit/MessageBox.h"
#include "kit/MessageDialog.h"
#include "kit/StaticText.h"
#include "kit/TrayIcon.h"
#include "processing/BitmapFile.h"
#include "settings/SettingsCatalogue.h"
#include "settings/Station.h"

Kestrel::Kestrel()
    : completions_(kit::WindowCompletions::Create()),
      artworkDirectory_(AddBackslash(DirectoryOf(ModulePath())) + L"Artwork"),
      services_(settings_, completions_),
      cycle_(*this, services_),
      settingsPath_(SettingsFilePath()),
      journalPath_(AddBackslash(DirectoryOf(ModulePath())) + L"Kestrel.db") {}

Kestrel::~Kestrel() { closing_ = true; }

LRESULT Kestrel::OnInitDialog(WPARAM, LPARAM) {
    ::SendMessageW(handle_, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(::LoadIconW(kit::Instance(), MAKEINTRESOURCEW(IDI_KESTREL))));

    cooperation_ = kit::AttachItem<kit::CheckBox>(this, IDC_MAIN_COOPERATION);
    for (auto [box, id] : {std::make_pair(&fileNameBox_, IDC_MAIN_FILENAME), std::make_pair(&titleBox_, IDC_MAIN_TITLE),
                           std::make_pair(&artistBox_, IDC_MAIN_ARTIST), std::make_pair(&albumBox_, IDC_MAIN_ALBUM)}) {
        *box = kit::AttachItem<kit::EditBox>(this, id);
        if (*box) {
            (*box)->SetAcceptsDrops(true);
            (*box)->SetFolderMode(true);
        }
    }
    artwork_ = kit::AttachItem<kit::StaticText>(this, IDC_MAIN_ARTWORK);
    stations_ = kit::AttachItem<kit::ComboBox>(this, IDC_MAIN_STATIONS);
    menu_ = kit::Menu::Load(IDR_POPUP_MENU);

    WriteStartValues(settings_);
    // The folder may hold the user's own files: only the songs' own folders
    // in it are ours, and the filing removes those.
    ::CreateDirectoryW(artworkDirectory().c_str(), nullptr);
    Settings::Damage damage = Settings::Damage::None;
    DWORD unreadableReason = ERROR_SUCCESS;
    settings_.Load(settingsPath_, &damage, &unreadableReason);
    // With no copy of it, the damaged file is all there is; a file that could
    // not be read may be whole: neither is saved over.
    keepDamagedSettings_ =
        damage == Settings::Damage::NotSetAside || damage == Settings::Damage::Unreadable;
    if (damage == Settings::Damage::Unreadable)
        kit::ShowMessageBox(this,
                            L"設定ファイルを開けませんでした。\n" + settingsPath_ + L"\n\n理由: " +
                                ErrorReason(unreadableReason) +
                                L"\n\nこのファイルには保存しません。この回の設定の変更は終了時に失われます。"
                                L"\n\n設定は初期値で始まります。",
                            L"Kestrel", MB_OK | MB_ICONWARNING);
    else if (damage != Settings::Damage::None)
        kit::ShowMessageBox(this,
                            L"設定ファイルが壊れていたため、読み込めませんでした。\n" + settingsPath_ +
                                (keepDamagedSettings_
                                     ? L"\n\n壊れたファイルを別の名前で残せなかったため、このファイルには保存しません。"
                                       L"この回の設定の変更は終了時に失われます。"
                                     : L"\n\n壊れたファイルは次の名前で残してあります。\n" + DamagedCopyPath(settingsPath_)) +
                                L"\n\n設定は初期値で始まります。",
                            L"Kestrel", MB_OK | MB_ICONWARNING);
    FillStationList();
    if (stations_) {
        kit::RestoreIndex(*stations_, settings_.Group(L"SelectStation"));
        // The open list's entries, with room for the marks; the closed box
        // keeps the template's height.
        stations_->SetItemHeight(0, StationEntryHeight(stations_->handle()));
    }
    // Settings from before each station had its own choice filed only the
    // selected station's songs; so they go on.
    const bool settled = SettleFollowing(settings_, selectedStationName());
    // A damaged journal is set aside inside; the program runs on regardless.
    journal_ = std::make_unique<journal::Journal>(journalPath_);
    ApplySettings();
    cycle_.AttachJournal(*journal_, artworkDirectory(), DirectoryOf(settingsPath_));
    services_.AttachJournal(journal_.get());
    AddHistoryToSystemMenu();
    PublishInstance(true);

    if (cooperation_) kit::RestoreCheck(*cooperation_, settings_.Group(L"IsCooperation"));
    SelectStationChanged();
    RestorePlacement();
    if (settled) WriteSettings();
    cycleWatch_.SetWindow(handle_);
    cycleWatch_.Follow();
    ::SetTimer(handle_, kTimerId, kTickMilliseconds, nullptr);
    return 0;
}

void Kestrel::RestorePlacement() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(handle_, &placement);
    RECT window{};
    ::GetWindowRect(handle_, &window);
    if (settings_.GetPlacement(L"WindowPlacement", placement)) {
        // The stored size is never trusted: the template decides it.
        placement.length = sizeof(placement);
        RECT& normal = placement.rcNormalPosition;
        normal.right = normal.left + (window.right - window.left);
        normal.bottom = normal.top + (window.bottom - window.top);
    }
    ::SetWindowPlacement(handle_, &placement);
    const UINT show = placement.showCmd;
    placement.flags = 0;
    placement.showCmd = SW_HIDE;
    ::SetWindowPlacement(handle_, &placement);

    bool toTray = show == SW_SHOWMINIMIZED && settings_.GetBool(L"IsTaskTray");
    if (show == SW_SHOWMAXIMIZED) {
        ::PostMessageW(handle_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (show == SW_SHOWMINIMIZED) {
        // Without the icon the window stays within reach, on the taskbar.
        if (toTray) toTray = MoveToTray();
        if (!toTray) ::PostMessageW(handle_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    ApplyTopmost();
    if (!toTray) ::ShowWindow(handle_, SW_SHOW);
}

void Kestrel::ApplyTopmost() { SetTopmost(settings_.GetBool(L"IsTopmost")); }

bool Kestrel::MoveToTray() {
    wantsTray_ = true;
    // A second add of the same icon fails: added once, it stays.
    if (!iconInTray_) {
        trayTip_ = TrayTip();
        iconInTray_ = kit::AddTrayIcon(*this, ::LoadIconW(kit::Instance(), MAKEINTRESOURCEW(IDI_KESTREL)), trayTip_);
    }
    if (!iconInTray_) return false;
    ::ShowWindow(handle_, SW_HIDE);
    return true;
}

void Kestrel::StoreControlStates() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(handle_, &placement)) settings_.SetPlacement(L"WindowPlacement", placement);
    if (stations_) kit::SaveIndex(*stations_, settings_.Group(L"SelectStation"));
    if (cooperation_) kit::SaveCheck(*cooperation_, settings_.Group(L"IsCooperation"));
}

bool Kestrel::SaveSettings() {
    StoreControlStates();
    return WriteSettings();
}

bool Kestrel::WriteSettings() {
    if (keepDamagedSettings_) return false;
    if (settings_.Save(settingsPath_)) return true;
    const DWORD error = ::GetLastError();
    // Saving is tried again at every change; one box per session is enough.
    if (!saveFailureShown_) {
        saveFailureShown_ = true;
        kit::ShowMessageBox(this,
                            L"設定を保存できませんでした。\n" + settingsPath_ + L"\n\n理由: " + ErrorReason(error) +
                                L"\n\nKestrel を書き込みのできるフォルダに置いてください。",
                            L"Kestrel", MB_OK | MB_ICONWARNING);
    }
    return false;
}

LRESULT Kestrel::OnDestroy(WPARAM wParam, LPARAM lParam) {
    // A worker that ends later finds no one to report to.
    if (completions_) completions_->Close();
    PublishInstance(false);
    kit::RemoveTrayIcon(*this);
    if (cycle_.filing()) cycle_.filing()->RemoveShownArtwork();
    // Removed only when nothing is left in it: the user's files and the
    // pictures of songs still on their road stay.
    ::SetFileAttributesW(artworkDirectory().c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(artworkDirectory().c_str());
    SaveSettings();
    ::KillTimer(handle_, kTimerId);
    ::KillTimer(handle_, CycleWatch::kDebounceTimerId);
    cycleWatch_.SetWindow(nullptr);
    ::PostQuitMessage(0);
    return kit::Dialog::OnDestroy(wParam, lParam);
}

LRESULT Kestrel::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Windows may end the process right after this message: save now, the
    // same way the destroy handler would.
    if (message == WM_ENDSESSION && wParam) SaveSettings();
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == IDM_SYSTEM_HISTORY) {
        ShowHistory();
        return TRUE;
    }
    if (message == kit::kTrayIconMessage) {
        OnTrayIcon(lParam);
        return 0;
    }
    // Explorer started late or again: the icon it lost (or never took) goes back.
    if (message == kit::TaskbarCreatedMessage()) {
        iconInTray_ = false;
        if (wantsTray_) MoveToTray();
        return 0;
    }
    // How often the play folder was scanned, for whoever measures an idle program.
    static const UINT folderScansMessage = ::RegisterWindowMessageW(L"Kestrel.FolderScans");
    if (message == folderScansMessage) {
        ::SetWindowLongPtrW(handle_, DWLP_MSGRESULT, static_cast<LONG_PTR>(cycle_.folderScans()));
        return TRUE;
    }
    return kit::Dialog::DefaultProc(message, wParam, lParam);
}

LRESULT Kestrel::OnSize(WPARAM wParam, LPARAM lParam) {
    if (wParam == SIZE_MINIMIZED && settings_.GetBool(L"IsTaskTray")) MoveToTray();
    else if (wParam != SIZE_MINIMIZED) wantsTray_ = false;
    return kit::Dialog::OnSize(wParam, lParam);
}

LRESULT Kestrel::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam == CycleWatch::kDebounceTimerId) {
        ::KillTimer(handle_, CycleWatch::kDebounceTimerId);
        // After a whole tick the countdown goes on a whole second later.
        if (RunTick(ProcessingCycle::Scope::NewRecordingOnly)) ::SetTimer(handle_, kTimerId, kTickMilliseconds, nullptr);
        return 0;
    }
    if (wParam == kCloseTimerId) {
        ::KillTimer(handle_, kCloseTimerId);
        ::DestroyWindow(handle_);
        return 0;
    }
    if (wParam != kTimerId) return kit::Dialog::OnTimer(wParam, lParam);
    RunTick(cycleWatch_.TimerScope());
    return 0;
}

bool Kestrel::RunTick(ProcessingCycle::Scope scope) {
    const bool wasSkipped = cycle_.skipCurrent();
    const bool whole = cycleWatch_.Tick(scope);
    if (cycle_.follower() && cycle_.follower()->pageCheck().healthRecords() != healthRecordsShown_)
        ShowStationHealth();
    LookAtStations();
    // The grey background of the file-name box follows the skip flag.
    if (cycle_.skipCurrent() != wasSkipped && fileNameBox_) ::InvalidateRect(fileNameBox_->handle(), nullptr, TRUE);
    return whole;
}

void Kestrel::OnTrayIcon(LPARAM mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        wantsTray_ = iconInTray_ = false;
        kit::RemoveTrayIcon(*this);
        ::ShowWindow(handle_, SW_SHOW);
        ::OpenIcon(handle_);
        break;
    case WM_RBUTTONDOWN: {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        // The window must be in front, or the menu does not close when the
        // user clicks elsewhere.
        ::SetForegroundWindow(handle_);
        if (menu_) {
            if (auto tray = menu_->PopupAt(POPUP_TASKTRAY))
                ::TrackPopupMenu(tray->handle(), TPM_LEFTBUTTON, cursor.x, cursor.y, 0, handle_, nullptr);
        }
        ::PostMessageW(handle_, WM_NULL, 0, 0);
        break;
    }
    default:
        break;
    }
}

LRESULT Kestrel::OnCtlColorStatic(WPARAM wParam, LPARAM lParam) {
    if (cycle_.skipCurrent() && fileNameBox_ && reinterpret_cast<HWND>(lParam) == fileNameBox_->handle()) {
        if (!greyBrush_) greyBrush_ = kit::Brush::CreateSolid(RGB(128, 128, 128));
        if (greyBrush_) {
            ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(128, 128, 128));
            return reinterpret_cast<LRESULT>(greyBrush_->handle());
        }
    }
    return kit::Dialog::OnCtlColorStatic(wParam, lParam);
}

LRESULT Kestrel::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDCANCEL:
    case IDC_MAIN_QUIT:
    case ID_TRAY_EXIT:
        if (!closeWhenRegistered_ && cycle_.filing() && cycle_.filing()->Registering()) {
            // Gone from the screen now; the window itself goes with the result.
            closeWhenRegistered_ = true;
            ::ShowWindow(handle_, SW_HIDE);
            ::SetTimer(handle_, kCloseTimerId, kCloseWaitMilliseconds, nullptr);
            return 0;
        }
        ::DestroyWindow(handle_);
        return 0;
    case ID_TRAY_HISTORY:
        ShowHistory();
        return 0;
    case IDC_MAIN_STATIONS:
        if (HIWORD(wParam) == CBN_SELCHANGE) SelectStationChanged();
        break;
    // Buttons act on a click only: a disabled button may notify as well.
    case IDC_MAIN_ADD:
        if (HIWORD(wParam) == BN_CLICKED) RunStationDialog(true);
        break;
    case IDC_MAIN_EDIT:
        if (HIWORD(wParam) == BN_CLICKED) RunStationDialog(false);
        break;
    case IDC_MAIN_DELETE:
        if (HIWORD(wParam) == BN_CLICKED) DeleteSelectedStation();
        break;
    case IDC_MAIN_HELP: {
        // Beside the program, whatever folder it was started from.
        const std::wstring manual = AddBackslash(DirectoryOf(ModulePath())) + L"Manual\\index.html";
        ::ShellExecuteW(handle_, nullptr, manual.c_str(), L"", L"", SW_SHOWNORMAL);
        break;
    }
    case IDC_MAIN_SETTINGS:
        RunConfigDialog();
        break;
    default:
        break;
    }
    return kit::Dialog::OnCommand(wParam, lParam);
}

const Settings& Kestrel::currentStation() const { return newStation_ ? *newStation_ : shownStation_; }

void Kestrel::ApplySettings() {
    cycle_.ApplySettings(settings_);
    services_.SetLibraryRules(ReadLibraryRules(settings_));
    // The switch of the whole road names where it leads.
    if (cooperation_) cooperation_->SetText(cycle_.target().usesITunes() ? L"iTunes 連携" : L"自動登録");
}

void Kestrel::RunConfigDialog() {
    ConfigDialog dialog(*this);
    if (dialog.DoModal(this, IDD_CONFIG) == 1) {
        ApplySettings();
        ApplyTopmost();
        SaveSettings();
        LookAtStations();
    }
}

bool Kestrel::IsCooperationChecked() { return cooperation_ && cooperation_->IsChecked(); }

void Kestrel::ShowFileName(const std::wstring& name) {
    if (fileNameBox_) fileNameBox_->SetText(name);
}

void Kestrel::ShowSongBoxes(const std::wstring& title, const std::wstring& artist, const std::wstring& album) {
    if (titleBox_) titleBox_->SetText(title);
    if (artistBox_) artistBox_->SetText(artist);
    if (albumBox_) albumBox_->SetText(album);
}

void Kestrel::ClearArtwork() {
    if (artwork_) artwork_->ClearImage();
}

bool Kestrel::ShowArtwork(const std::wstring& path) {
    if (artwork_) return kit::ShowArtwork(*artwork_, path);
    return static_cast<bool>(kit::LoadBitmapFile(path));
}

void Kestrel::ShowMessage(const std::wstring& text) {
    message_.reset();
    if (!::IsWindowVisible(handle_)) return;  // hidden in the tray: no window pops up
    message_.reset(new MessageDialog(text));
    if (!message_->Create(this, IDD_MESSAGE)) message_.reset();
}

void Kestrel::JobStarted(const std::wstring& text) {
    if (closing_) return;
    jobs_.push_back(text);
    if (message_)
        message_->SetText(text);
    else
        ShowMessage(text);
}

void Kestrel::JobEnded(const std::wstring& text) {
    // The job list and its note are gone by the time the cycle ends.
    if (closing_) return;
    const auto found = std::find(jobs_.rbegin(), jobs_.rend(), text);
    if (found != jobs_.rend()) jobs_.erase(std::next(found).base());
    // After the result is journaled, which follows this report.
    if (closeWhenRegistered_ && !(cycle_.filing() && cycle_.filing()->Registering()))
        ::PostMessageW(handle_, WM_COMMAND, IDC_MAIN_QUIT, 0);
    // The message window names the newest job still under way.
    if (jobs_.empty())
        message_.reset();
    else if (message_)
        message_->SetText(jobs_.back());
}

void Kestrel::PageFetched(const std::wstring& station, const std::wstring& html) {
    // Kept as fetched for the station dialog, beside the settings: a page
    // never goes into the settings file.
    if (shownStation_.GetString(L"StationName") == station) shownStation_.SetString(L"Html", html);
}
