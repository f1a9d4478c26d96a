#include "app/StationDialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cwctype>

#include <algorithm>

#include "MenuIds.h"
#include "MessageDialogIds.h"
#include "app/MainWindowHost.h"
#include "app/StationFolderPicker.h"
#include "app/StationSnippet.h"
#include "app_ids.h"
#include "base/Completions.h"
#include "base/ErrorText.h"
#include "base/PathHelpers.h"
#include "kit/Button.h"
#include "kit/CheckBox.h"
#include "kit/ComboBox.h"
#include "kit/EditBox.h"
#include "kit/Menu.h"
#include "kit/MessageBox.h"
#include "kit/MessageDialog.h"
#include "kit/TrackBar.h"
#include "settings/SettingsCatalogue.h"
#include "settings/Station.h"
#include "web/FeedExtraction.h"
#include "web/FetchPageFields.h"
#include "web/JsonDetection.h"

namespace {

struct BoxRow {
    int id;
    const wchar_t* key;  // null: a box of the dialog's own
};

// The boxes in table order; StationDialog::Box indexes this.
const BoxRow kBoxes[StationDialog::kBoxCount] = {
    {IDC_STATION_NAME, L"StationName"},
    {IDC_STATION_PLAY, L"PlayDirectory"},
    {IDC_STATION_END, L"EndDirectory"},
    {IDC_STATION_OUTPUT, L"OutputDirectory"},
    {IDC_STATION_URL, L"Url"},
    {IDC_STATION_WAIT, nullptr},
    {IDC_STATION_PATTERN, L"MatchPattern"},
    {IDC_STATION_TITLE, L"Title"},
    {IDC_STATION_ARTIST, L"Artist"},
    {IDC_STATION_ALBUM, L"Album"},
    {IDC_STATION_ARTWORK, L"Artwork"},
    {IDC_STATION_HTML, nullptr},  // the page: StationDialog::page_
    {IDC_STATION_RESULT_TITLE, nullptr},
    {IDC_STATION_RESULT_ARTIST, nullptr},
    {IDC_STATION_RESULT_ALBUM, nullptr},
    {IDC_STATION_RESULT_ARTWORK, nullptr},
};

const int kButtonIds[6] = {
    IDC_STATION_SNIPPET_PATTERN, IDC_STATION_SNIPPET_TITLE,  IDC_STATION_SNIPPET_ARTIST,
    IDC_STATION_SNIPPET_ALBUM,   IDC_STATION_SNIPPET_ARTWORK, IDC_STATION_FETCH,
};
const int kFetchButton = 5;

const wchar_t kNoPage[] = L"HTMLが取得されていません";
const wchar_t kNoPattern[] = L"マッチパターンが入力されていません";
const wchar_t kNotFound[] = L"検索に失敗しました";
const wchar_t kFetchFailed[] = L"取得失敗";
const wchar_t kFetching[] = L"WEBから取得中...";
const wchar_t kNoName[] = L"局名を入力して下さい";
const wchar_t kDuplicateName[] = L"同名の局が既に存在しています";

// The folder boxes' names, as their labels show them.
const wchar_t* const kFolderNames[3] = {L"録音中", L"録音終了", L"出力先"};

// "C:\..." or "\\server\share\...": a folder that does not depend on
// the directory Kestrel happens to be started from.
bool IsAbsoluteFolder(const std::wstring& path) {
    const bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool share = path.size() > 2 && path.compare(0, 2, L"\\\\") == 0;
    return drive || share;
}

// The same folder however it was typed: case and a trailing separator aside.
std::wstring FolderKey(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : towlower(c);
    return path;
}

bool IsWebAddress(const std::wstring& url) {
    return _wcsnicmp(url.c_str(), L"http://", 7) == 0 || _wcsnicmp(url.c_str(), L"https://", 8) == 0;
}

constexpr UINT_PTR kLiveTestTimer = 1;
// A folder typed is looked at once typing pauses: a network path may be slow.
constexpr UINT_PTR kFollowingTimer = 2;

// The names the charset box shows, in the order of kStationCharsets.
const wchar_t* const kCharsetNames[4] = {L"自動", L"UTF-8", L"Shift_JIS", L"EUC-JP"};

// Edit boxes break lines at "\r\n" only, so every line break becomes one. A
// page of one long line would take minutes to fill the box: it gets a break
// after each tag instead.
std::wstring PageForDisplay(const std::wstring& page) {
    const bool hasLineBreaks = page.find_first_of(L"\r\n") != std::wstring::npos;
    std::wstring shown;
    shown.reserve(page.size() + page.size() / 8);
    for (size_t i = 0; i < page.size(); ++i) {
        const wchar_t c = page[i];
        if (c == L'\r' || c == L'\n') {
            shown += L"\r\n";
            if (c == L'\r' && i + 1 < page.size() && page[i + 1] == L'\n') ++i;
        } else {
            shown += c;
            if (c == L'>' && !hasLineBreaks && i + 1 < page.size()) shown += L"\r\n";
        }
    }
    return shown;
}

bool IsTestTrigger(int id) {
    return id == IDC_STATION_PATTERN || id == IDC_STATION_TITLE || id == IDC_STATION_ARTIST ||
           id == IDC_STATION_ALBUM || id == IDC_STATION_ARTWORK;
}

bool IsSnippetCommand(UINT id) {
    return (id >= ID_REGEX_LINE_START && id <= ID_REGEX_ESCAPE) || (id >= ID_REPLACE_1 && id <= ID_REPLACE_9);
}

}  // namespace

StationDialog::StationDialog(MainWindowHost& mainWindow, bool isNew) : mainWindow_(mainWindow), isNew_(isNew) {}

StationDialog::~StationDialog() = default;

LRESULT StationDialog::OnInitDialog(WPARAM, LPARAM) {
    for (int i = 0; i < kBoxCount; ++i) boxes_[i] = kit::AttachItem<kit::EditBox>(this, kBoxes[i].id);
    if (boxes_[HtmlBox]) ::SendMessageW(boxes_[HtmlBox]->handle(), EM_LIMITTEXT, kPageLimit, 0);
    // a folder, or a file whose folder is meant, dragged from Explorer
    for (int box = PlayBox; box <= OutputBox; ++box) {
        if (!boxes_[box]) continue;
        boxes_[box]->SetFolderMode(true);
        boxes_[box]->SetAcceptsDrops(true);
    }
    waitTime_ = kit::AttachItem<kit::TrackBar>(this, IDC_STATION_WAIT_SLIDER);
    if (waitTime_) ::SendMessageW(waitTime_->handle(), TBM_SETRANGE, TRUE, MAKELONG(0, kMaxWaitTime));
    for (int i = 0; i < 6; ++i) buttons_[i] = kit::AttachItem<kit::Button>(this, kButtonIds[i]);
    charset_ = kit::AttachItem<kit::ComboBox>(this, IDC_STATION_CHARSET);
    if (charset_)
        for (const wchar_t* name : kCharsetNames) charset_->AddString(name);
    component_ = kit::AttachItem<kit::CheckBox>(this, IDC_STATION_COMPONENT);
    deleteReturn_ = kit::AttachItem<kit::CheckBox>(this, IDC_STATION_DELETE_RETURN);
    follow_ = kit::AttachItem<kit::CheckBox>(this, IDC_STATION_FOLLOW);
    LoadControls();
    ShowPageState();
    ShowFollowing();
    AddBindings();
    RunTest();
    ::ShowWindow(handle_, SW_SHOW);
    return TRUE;
}

void StationDialog::LoadControls() {
    const Settings& station = mainWindow_.currentStation();
    for (int i = 0; i < kBoxCount; ++i) {
        if (kBoxes[i].key && boxes_[i]) boxes_[i]->SetText(station.GetString(kBoxes[i].key));
    }
    ShowPage(station.GetString(L"Html"));
    if (charset_) {
        const std::wstring charset = station.GetString(L"Charset");
        int index = 0;  // an unknown value reads as 自動
        for (int i = 0; i < 4; ++i)
            if (charset == kStationCharsets[i]) index = i;
        charset_->SetSelection(index);
    }
    if (component_) component_->SetCheck(station.GetBool(L"Component") ? BST_CHECKED : BST_UNCHECKED);
    if (deleteReturn_) deleteReturn_->SetCheck(station.GetBool(L"DeleteReturn") ? BST_CHECKED : BST_UNCHECKED);
    // A new station, or one stored without the choice, is followed.
    if (follow_) follow_->SetCheck(ReadStation(station).follow ? BST_CHECKED : BST_UNCHECKED);
    // the track bar keeps a stored value above its range at its end
    if (waitTime_) ::SendMessageW(waitTime_->handle(), TBM_SETPOS, TRUE, station.GetInt(L"WaitTime"));
}

void StationDialog::AddBindings() {
    if (waitTime_ && boxes_[WaitBox]) {
        waitTime_->Subclass();
        waitTime_->AddBinding(boxes_[WaitBox].get(), kit::ShowValue, 0);
    }
    kit::EditBox* url = boxes_[UrlBox].get();
    if (!url) return;
    url->Subclass();
    for (int i = WaitBox; i < kBoxCount; ++i) {
        if (boxes_[i]) url->AddBinding(boxes_[i].get(), kit::Enable, 0);
    }
    if (waitTime_) url->AddBinding(waitTime_.get(), kit::Enable, 0);
    if (buttons_[kFetchButton]) url->AddBinding(buttons_[kFetchButton].get(), kit::Enable, 0);
}

LRESULT StationDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (code == EN_UPDATE && IsTestTrigger(id) && lParam) {
        // Restarted by every keystroke: a slow pattern runs once typing pauses.
        ::SetTimer(handle_, kLiveTestTimer, kLiveTestDelay, nullptr);
    } else if (code == EN_UPDATE && (id == IDC_STATION_PLAY || id == IDC_STATION_END) && lParam) {
        ::SetTimer(handle_, kFollowingTimer, kLiveTestDelay, nullptr);
    } else if (code == BN_CLICKED) {
        switch (id) {
        case IDOK: Confirm(); break;
        case IDCANCEL: ::EndDialog(handle_, 0); break;
        case IDC_STATION_BROWSE_PLAY: BrowseForFolder(PlayBox); break;
        case IDC_STATION_BROWSE_END: BrowseForFolder(EndBox); break;
        case IDC_STATION_BROWSE_OUTPUT: BrowseForFolder(OutputBox); break;
        case IDC_STATION_SNIPPET_PATTERN: ShowSnippetMenu(PatternBox, 0); break;
        case IDC_STATION_SNIPPET_TITLE: ShowSnippetMenu(TitleBox, 1); break;
        case IDC_STATION_SNIPPET_ARTIST: ShowSnippetMenu(TitleBox + 1, 2); break;
        case IDC_STATION_SNIPPET_ALBUM: ShowSnippetMenu(TitleBox + 2, 3); break;
        case IDC_STATION_SNIPPET_ARTWORK: ShowSnippetMenu(TitleBox + 3, 4); break;
        case IDC_STATION_FETCH: FetchPage(); break;
        case IDC_STATION_CALIBRATE: ApplyCalibration(); break;
        case IDC_STATION_DELETE_RETURN: RunTest(); break;
        case IDC_STATION_FOLLOW: ShowFollowing(); break;
        default:
            if (!lParam && IsSnippetCommand(static_cast<UINT>(id))) InsertSnippet(static_cast<UINT>(id));
            break;
        }
    }
    // the boxes learn of focus changes and text updates this way
    return kit::ModalDialog::OnCommand(wParam, lParam);
}

LRESULT StationDialog::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam == kFollowingTimer) {
        ::KillTimer(handle_, kFollowingTimer);
        ShowFollowing();
        return 0;
    }
    if (wParam != kLiveTestTimer) return kit::ModalDialog::OnTimer(wParam, lParam);
    ::KillTimer(handle_, kLiveTestTimer);
    RunTest();
    return 0;
}

void StationDialog::ShowPage(std::wstring page) {
    // whatever the server sent, no more than the box's limit
    if (page.size() > static_cast<size_t>(kPageLimit)) page.resize(kPageLimit);
    page_ = std::move(page);
    if (!boxes_[HtmlBox]) return;
    std::wstring shown = PageForDisplay(page_);
    if (shown.size() > static_cast<size_t>(kPageLimit)) shown.resize(kPageLimit);
    boxes_[HtmlBox]->SetText(shown);
}

void StationDialog::RunTest() {
    kit::EditBox* results[4] = {};
    for (int i = 0; i < 4; ++i) results[i] = boxes_[TitleResultBox + i].get();
    auto showAll = [&results](const wchar_t* text) {
        for (kit::EditBox* result : results)
            if (result) result->SetText(text);
    };
    if (page_.empty()) return showAll(kNoPage);
    const std::wstring pattern = boxes_[PatternBox] ? boxes_[PatternBox]->GetText() : std::wstring();
    // A feed's fields may come from JSON Pointers alone; a page needs a pattern.
    const bool isJson = StartsLikeJson(page_);
    if (pattern.empty() && !isJson) return showAll(kNoPattern);
    SongTemplates templates;
    for (int i = 0; i < 4; ++i) templates[i] = boxes_[TitleBox + i] ? boxes_[TitleBox + i]->GetText() : std::wstring();
    // As the fetch sees it: without line breaks when the station removes them.
    std::wstring page = page_;
    if (deleteReturn_ && deleteReturn_->IsChecked())
        page.erase(std::remove_if(page.begin(), page.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
                   page.end());
    // One compilation and search for the four fields; an invalid pattern
    // leaves every field empty.
    const std::array<std::wstring, 4> fields = ExtractFeedFields(page, isJson, pattern, templates).fields;
    for (int i = 0; i < 4; ++i) {
        if (!results[i]) continue;
        if (templates[i].empty())
            results[i]->SetText(std::wstring());
        else
            results[i]->SetText(fields[i].empty() ? std::wstring(kNotFound) : fields[i]);
    }
}

void StationDialog::FetchPage() {
    if (!boxes_[UrlBox] || !boxes_[HtmlBox] || fetchRunning_) return;
    // Fetched as the station will be: its charset, the browser component.
    Station station;
    station.url = boxes_[UrlBox]->GetText();
    const int charset = charset_ ? charset_->GetSelection() : 0;
    station.charset = kStationCharsets[charset >= 0 && charset < 4 ? charset : 0];
    station.useBrowser = component_ && component_->IsChecked();
    fetchNote_ = std::make_unique<MessageDialog>(kFetching);
    fetchNote_->Create(this, IDD_MESSAGE);
    fetchRunning_ = std::make_shared<int>(0);
    const std::weak_ptr<int> running = fetchRunning_;
    auto page = std::make_shared<std::wstring>();
    const bool started = StartWorker(
        mainWindow_.completions(),
        [station, page] {
            SongInfo ignored;
            const FetchStatus status = FetchPageFields(station, ignored, *page);
            if (status == FetchStatus::NoAddress || status == FetchStatus::FetchFailed) page->clear();
            // No more than the box shows crosses back to the window's thread.
            if (page->size() > static_cast<size_t>(kPageLimit)) page->resize(kPageLimit);
        },
        [this, running, page] {
            // Runs on the dialog's thread, where the dialog ends: no race.
            if (!running.expired()) ShowFetchedPage(std::move(*page));
        });
    if (!started) ShowFetchedPage(std::wstring());
}

void StationDialog::ShowFetchedPage(std::wstring page) {
    fetchRunning_.reset();
    fetchNote_.reset();
    ShowPage(page.empty() ? std::wstring(kFetchFailed) : std::move(page));
    RunTest();
}

LRESULT StationDialog::OnDestroy(WPARAM wParam, LPARAM lParam) {
    // A fetch still running finds no window to show its page in.
    fetchRunning_.reset();
    fetchNote_.reset();
    return kit::ModalDialog::OnDestroy(wParam, lParam);
}

bool StationDialog::ChooseFolder(const std::wstring& startFolder, std::wstring& chosen) {
    return PickFolder(handle_, startFolder, chosen);
}

void StationDialog::BrowseForFolder(int box) {
    if (box < PlayBox || box > OutputBox || !boxes_[box]) return;
    std::wstring chosen;
    if (ChooseFolder(boxes_[box]->GetText(), chosen)) boxes_[box]->SetText(chosen);
}

void StationDialog::ShowSnippetMenu(int box, int buttonIndex) {
    snippetTarget_ = box;
    const boost::shared_ptr<kit::Menu>& menu = mainWindow_.menu();
    if (!menu || !buttons_[buttonIndex]) return;
    boost::shared_ptr<kit::Menu> popup = menu->PopupAt(box == PatternBox ? POPUP_REGEX_SEARCH : POPUP_REGEX_REPLACE);
    if (!popup) return;
    RECT button = {};
    ::GetWindowRect(buttons_[buttonIndex]->handle(), &button);
    // the chosen item arrives as WM_COMMAND
    ::TrackPopupMenu(popup->handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, button.left, button.top, 0,
                     handle_, nullptr);
}

void StationDialog::InsertSnippet(UINT commandId) {
    kit::EditBox* box = boxes_[snippetTarget_].get();
    const boost::shared_ptr<kit::Menu>& menu = mainWindow_.menu();
    if (!box || !menu) return;
    const std::wstring snippet = SnippetOfLabel(MenuLabel(menu->handle(), commandId));
    if (snippet.empty()) return;
    DWORD caret = 0;
    const std::wstring text = InsertAtSelection(box->GetText(), box->selection(), snippet, caret);
    box->SetText(text);  // a pattern or template box re-runs the test
    box->SetSelection(caret);
}

void StationDialog::FocusName(bool selectAll) {
    if (!boxes_[NameBox]) return;
    ::SetFocus(boxes_[NameBox]->handle());
    if (selectAll) boxes_[NameBox]->SelectAll();
}

void StationDialog::FocusBox(int box) {
    if (!boxes_[box]) return;
    ::SetFocus(boxes_[box]->handle());
    boxes_[box]->SelectAll();
}

bool StationDialog::CheckFolders() {
    std::wstring folders[3];
    for (int i = 0; i < 3; ++i) {
        folders[i] = boxes_[PlayBox + i] ? boxes_[PlayBox + i]->GetText() : std::wstring();
        const std::wstring name = kFolderNames[i];
        if (folders[i].empty() || !IsAbsoluteFolder(folders[i])) {
            kit::ShowMessageBox(this,
                                folders[i].empty() ? name + L"フォルダを入力してください。"
                                                   : name + L"フォルダは「C:\\録音」のように、ドライブから始まる"
                                                            L"フォルダで入力してください。\n" + folders[i],
                                L"ラジオ局の設定", MB_OK | MB_ICONWARNING);
            FocusBox(PlayBox + i);
            return false;
        }
    }
    // A recording moved "to the end folder" must actually move, and the
    // output must not be picked up again as a new recording.
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            if (FolderKey(folders[i]) != FolderKey(folders[j])) continue;
            kit::ShowMessageBox(this,
                                std::wstring(L"録音中・録音終了・出力先には、それぞれ別のフォルダを指定してください。\n") +
                                    kFolderNames[i] + L"と" + kFolderNames[j] + L"が同じです:\n" + folders[i],
                                L"ラジオ局の設定", MB_OK | MB_ICONWARNING);
            FocusBox(PlayBox + j);
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const DWORD attributes = ::GetFileAttributesW(ExtendedLengthPath(folders[i]).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::wstring name = kFolderNames[i];
        const bool create =
            kit::ShowMessageBox(this, name + L"フォルダがありません。\n" + folders[i] + L"\n\n作成しますか？",
                                L"ラジオ局の設定", MB_YESNO | MB_ICONQUESTION) == IDYES;
        if (create) {
            const int error = ::SHCreateDirectoryExW(handle_, folders[i].c_str(), nullptr);
            if (error == ERROR_SUCCESS || error == ERROR_ALREADY_EXISTS) continue;
            kit::ShowMessageBox(this,
                                name + L"フォルダを作成できませんでした。\n" + folders[i] + L"\n\n理由: " +
                                    ErrorReason(static_cast<DWORD>(error)),
                                L"ラジオ局の設定", MB_OK | MB_ICONWARNING);
        }
        FocusBox(PlayBox + i);
        return false;
    }
    return true;
}

bool StationDialog::CheckUrl() {
    // no address: the station is recorded without song information
    const std::wstring url = boxes_[UrlBox] ? boxes_[UrlBox]->GetText() : std::wstring();
    if (url.empty() || IsWebAddress(url)) return true;
    kit::ShowMessageBox(this, L"URL は http:// か https:// で始まるアドレスを入力してください。\n" + url,
                        L"ラジオ局の設定", MB_OK | MB_ICONWARNING);
    FocusBox(UrlBox);
    return false;
}

void StationDialog::Confirm() {
    const std::wstring name = boxes_[NameBox] ? boxes_[NameBox]->GetText() : std::wstring();
    if (name.empty()) {
        kit::ShowMessageBox(this, kNoName, L"", MB_OK);
        FocusName(false);
        return;
    }
    const Settings* stations = mainWindow_.settings().FindGroup(L"Station");
    if (stations && stations->FindGroup(name)) {
        const bool conflict = isNew_ || name != mainWindow_.currentStation().GetString(L"StationName");
        if (conflict) {
            kit::ShowMessageBox(this, kDuplicateName, L"", MB_OK);
            FocusName(true);
            return;
        }
    }
    if (!CheckFolders() || !CheckUrl()) return;
    // Whatever the dialog does not show stays as it was.
    result_ = mainWindow_.currentStation();
    for (int i = 0; i < kBoxCount; ++i) {
        if (kBoxes[i].key && boxes_[i]) result_.SetString(kBoxes[i].key, boxes_[i]->GetText());
    }
    result_.SetString(L"Html", page_);
    result_.SetInt(L"WaitTime", waitTime_ ? waitTime_->GetPosition() : 0);
    const int charset = charset_ ? charset_->GetSelection() : 0;
    result_.SetString(L"Charset", kStationCharsets[charset >= 0 && charset < 4 ? charset : 0]);
    result_.SetBool(L"Component", component_ && component_->IsChecked());
    result_.SetBool(L"DeleteReturn", deleteReturn_ && deleteReturn_->IsChecked());
    result_.SetBool(L"Follow", follow_ && follow_->IsChecked());
    ::EndDialog(handle_, 1);
}
