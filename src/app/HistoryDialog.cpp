#include "app/HistoryDialog.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "MenuIds.h"
#include "app/HistoryTexts.h"
#include "app_ids.h"
#include "kit/ComboBox.h"
#include "kit/Menu.h"
#include "kit/MessageBox.h"

namespace {

// Rows read around the one asked for: about a screenful.
constexpr int kPageRows = 64;
// A cache hint larger than this is cut: the list never shows more at once.
constexpr int kMaxCachedRows = 1000;

struct ColumnSpec {
    const wchar_t* title;
    int width;
};
const ColumnSpec kColumns[HistoryDialog::kColumnCount] = {
    {L"時刻", 115}, {L"放送局", 80}, {L"ファイル名", 130}, {L"タイトル", 140}, {L"アーティスト", 100}, {L"状態", 220},
};

}  // namespace

HistoryDialog::HistoryDialog(journal::Journal& journal, SongCommand retry, SongCommand finishWithoutLibrary)
    : journal_(journal), retry_(std::move(retry)), finishWithoutLibrary_(std::move(finishWithoutLibrary)) {}

HistoryDialog::~HistoryDialog() = default;

LRESULT HistoryDialog::OnInitDialog(WPARAM, LPARAM) {
    list_ = ::GetDlgItem(handle_, IDC_HISTORY_LIST);
    menu_ = kit::Menu::Load(IDR_POPUP_MENU);
    // Its requests for text come as the wide kind: the dialog manager does not
    // answer the list's question about the format (Wine asks for ANSI then).
    ListView_SetUnicodeFormat(list_, TRUE);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int i = 0; i < kColumnCount; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.cx = kColumns[i].width;
        column.iSubItem = i;
        ListView_InsertColumn(list_, i, &column);
    }
    stationBox_ = kit::AttachItem<kit::ComboBox>(this, IDC_HISTORY_STATION);
    RECT client{};
    ::GetClientRect(handle_, &client);
    PlaceList(client.right, client.bottom);
    Refresh();
    return TRUE;
}

LRESULT HistoryDialog::OnSize(WPARAM wParam, LPARAM lParam) {
    if (wParam != SIZE_MINIMIZED) PlaceList(LOWORD(lParam), HIWORD(lParam));
    return 0;
}

void HistoryDialog::PlaceList(int width, int height) {
    if (!list_) return;
    // Below the station box, the rest of the window.
    int top = 0;
    if (stationBox_) {
        RECT box{};
        ::GetWindowRect(stationBox_->handle(), &box);
        ::MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&box), 2);
        top = box.bottom + box.top;  // the box's margin again below it
    }
    ::MoveWindow(list_, 0, top, width, std::max(0, height - top), TRUE);
}

void HistoryDialog::FillStations() {
    if (!stationBox_) return;
    std::vector<std::wstring> stations = journal_.SongStations();
    if (stations != stations_ || stationBox_->GetCount() == 0) {
        stations_ = std::move(stations);
        stationBox_->ResetContent();
        stationBox_->AddString(L"すべての局");
        for (const std::wstring& station : stations_) stationBox_->AddString(station);
    }
    // A station gone from the journal (set aside) leaves every song shown.
    const auto found = std::find(stations_.begin(), stations_.end(), station_);
    if (found == stations_.end()) station_.clear();
    stationBox_->SetSelection(station_.empty() ? 0 : static_cast<int>(found - stations_.begin()) + 1);
}

void HistoryDialog::ShowStation(const std::wstring& station) {
    station_ = station;
    Refresh();
    if (!list_) return;
    // A row's number now means another song: nothing stays selected.
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (ListView_GetItemCount(list_) > 0) ListView_EnsureVisible(list_, 0, FALSE);
}

LRESULT HistoryDialog::OnClose(WPARAM, LPARAM) {
    ::ShowWindow(handle_, SW_HIDE);
    return 0;
}

void HistoryDialog::Refresh() {
    cache_.clear();
    FillStations();
    if (!list_) return;
    ListView_SetItemCountEx(list_, RowCount(), LVSICF_NOSCROLL);
    ::InvalidateRect(list_, nullptr, FALSE);
}

int HistoryDialog::RowCount() const { return journal_.SongCount(station_); }

void HistoryDialog::LoadRows(int from, int to) {
    from = std::max(0, from);
    to = std::min(to, from + kMaxCachedRows - 1);
    cache_ = journal_.SongPage(from, to - from + 1, station_);
    cacheStart_ = from;
}

const journal::SongRecord* HistoryDialog::Row(int row) {
    if (row < 0) return nullptr;
    if (row < cacheStart_ || row >= cacheStart_ + static_cast<int>(cache_.size()))
        LoadRows(row - kPageRows / 4, row - kPageRows / 4 + kPageRows - 1);
    const int index = row - cacheStart_;
    if (index < 0 || index >= static_cast<int>(cache_.size())) return nullptr;
    return &cache_[index];
}

std::wstring HistoryDialog::CellText(int row, int column) {
    const journal::SongRecord* song = Row(row);
    if (!song) return std::wstring();
    switch (column) {
    case kTime: return LocalTimeText(song->noticed, false);
    case kStation: return song->station;
    case kFileName: return SongFileName(*song);
    case kTitle: return song->info.title;
    case kArtist: return song->info.artist;
    case kState: return SongStateText(*song);
    default: return std::wstring();
    }
}

LRESULT HistoryDialog::OnNotify(WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->hwndFrom != list_) return kit::Dialog::OnNotify(wParam, lParam);
    if (header->code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            const std::wstring text = CellText(item.iItem, item.iSubItem);
            ::lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        }
    } else if (header->code == LVN_ODCACHEHINT) {
        const auto* hint = reinterpret_cast<const NMLVCACHEHINT*>(lParam);
        const bool cached = hint->iFrom >= cacheStart_ && hint->iTo < cacheStart_ + static_cast<int>(cache_.size());
        if (!cached) LoadRows(hint->iFrom, hint->iTo);
    } else if (header->code == NM_DBLCLK) {
        const int row = SelectedRow();
        if (row >= 0) kit::ShowMessageBox(this, DetailsText(row), L"詳細", MB_OK | MB_ICONINFORMATION);
    }
    return 0;
}

int HistoryDialog::SelectedRow() const { return list_ ? ListView_GetNextItem(list_, -1, LVNI_SELECTED) : -1; }

void HistoryDialog::Select(int row) {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

LRESULT HistoryDialog::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != list_ || !menu_) return 0;
    const int row = SelectedRow();
    const journal::SongRecord* song = Row(row);
    if (!song) return 0;
    auto popup = menu_->PopupAt(POPUP_HISTORY);
    if (!popup) return 0;
    const bool canRetry = song->state == journal::SongState::AwaitingRetry || song->state == journal::SongState::Failed;
    // Waiting for the library, or given up with its file in the output folder.
    const bool canFinish = song->state == journal::SongState::Stripped ||
                           song->state == journal::SongState::AwaitingRetry ||
                           (song->state == journal::SongState::Failed && !song->outputPath.empty());
    ::EnableMenuItem(popup->handle(), ID_HISTORY_OPEN_FOLDER, song->outputPath.empty() ? MF_GRAYED : MF_ENABLED);
    ::EnableMenuItem(popup->handle(), ID_HISTORY_RETRY, canRetry ? MF_ENABLED : MF_GRAYED);
    ::EnableMenuItem(popup->handle(), ID_HISTORY_FINISH_WITHOUT_ITUNES, canFinish ? MF_ENABLED : MF_GRAYED);
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == static_cast<LPARAM>(-1)) {
        // From the keyboard: beside the selected row.
        RECT rect{};
        ListView_GetItemRect(list_, row, &rect, LVIR_LABEL);
        at = {rect.left, rect.bottom};
        ::ClientToScreen(list_, &at);
    }
    const UINT command = ::TrackPopupMenu(popup->handle(), TPM_LEFTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, handle_,
                                          nullptr);
    if (command) ::SendMessageW(handle_, WM_COMMAND, command, 0);
    return 0;
}

LRESULT HistoryDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int row = SelectedRow();
    switch (LOWORD(wParam)) {
    case IDCANCEL:
        ::ShowWindow(handle_, SW_HIDE);
        return 0;
    case IDC_HISTORY_STATION:
        if (HIWORD(wParam) == CBN_SELCHANGE && stationBox_) {
            const int index = stationBox_->GetSelection();
            ShowStation(index > 0 && index <= static_cast<int>(stations_.size()) ? stations_[index - 1] : std::wstring());
        }
        return kit::Dialog::OnCommand(wParam, lParam);
    case ID_HISTORY_OPEN_FOLDER:
        OpenFolder(row);
        return 0;
    case ID_HISTORY_RETRY:
        RetryNow(row);
        return 0;
    case ID_HISTORY_FINISH_WITHOUT_ITUNES:
        FinishWithoutLibrary(row);
        return 0;
    case ID_HISTORY_DETAILS:
        if (row >= 0) kit::ShowMessageBox(this, DetailsText(row), L"詳細", MB_OK | MB_ICONINFORMATION);
        return 0;
    default:
        return kit::Dialog::OnCommand(wParam, lParam);
    }
}

void HistoryDialog::OpenFolder(int row) {
    const journal::SongRecord* song = Row(row);
    if (!song || song->outputPath.empty()) return;
    // Explorer opens the folder with the file selected.
    const std::wstring arguments = L"/select,\"" + song->outputPath + L"\"";
    ::ShellExecuteW(handle_, nullptr, L"explorer.exe", arguments.c_str(), nullptr, SW_SHOWNORMAL);
}

bool HistoryDialog::RetryNow(int row) {
    const journal::SongRecord* song = Row(row);
    if (!song || !retry_) return false;
    const bool accepted = retry_(song->id);
    Refresh();
    return accepted;
}

bool HistoryDialog::FinishWithoutLibrary(int row) {
    const journal::SongRecord* song = Row(row);
    if (!song || !finishWithoutLibrary_) return false;
    const bool accepted = finishWithoutLibrary_(song->id);
    Refresh();
    return accepted;
}

std::wstring HistoryDialog::DetailsText(int row) {
    const journal::SongRecord* song = Row(row);
    if (!song) return std::wstring();
    const journal::SongRecord copy = *song;
    return SongDetailsText(copy, journal_.Actions(copy.id));
}
