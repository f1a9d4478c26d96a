#include "app/ConfigDialog.h"

#include <commctrl.h>

#include <string>

#include "MenuIds.h"
#include "app/IgnoreListView.h"
#include "app/MainWindowHost.h"
#include "app_ids.h"
#include "kit/CheckBox.h"
#include "kit/StartWithWindows.h"
#include "kit/Image.h"
#include "kit/MessageBox.h"
#include "kit/ToolBar.h"
#include "base/PathHelpers.h"
#include "settings/Settings.h"
#include "settings/LibraryTarget.h"
#include "settings/SettingsCatalogue.h"

namespace {

const wchar_t kIgnoreCount[] = L"IgnoreCount";
const wchar_t kRunValue[] = L"Kestrel";
const wchar_t kIgnoreList[] = L"IgnoreList";

// What only the library uses: greyed while the folder is the target.
const int kITunesOnlyControls[] = {
    IDC_CONFIG_WRITE_TAGS,     IDC_CONFIG_ADD_PLAYLIST,   IDC_CONFIG_NONE_LYRICS,   IDC_CONFIG_TITLE_PARTIAL,
    IDC_CONFIG_TITLE_EXACT,    IDC_CONFIG_TITLE_IGNORE,   IDC_CONFIG_ARTIST_PARTIAL, IDC_CONFIG_ARTIST_EXACT,
    IDC_CONFIG_ARTIST_IGNORE,  IDC_CONFIG_ALBUM_PARTIAL,  IDC_CONFIG_ALBUM_EXACT,   IDC_CONFIG_ALBUM_IGNORE,
    IDC_CONFIG_COPY_LYRICS,    IDC_CONFIG_UNCHECK_SAME,   IDC_CONFIG_DELETE_FILE,   IDC_CONFIG_COMMENT_SAME,
};

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool checked) { ::CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }

struct ToolButton {
    int image;
    int command;
    const wchar_t* tip;
};
const ToolButton kToolButtons[] = {
    {0, ID_IGNORE_INSERT, L"挿入"},
    {1, ID_IGNORE_DELETE, L"削除"},
    {2, ID_IGNORE_UP, L"上へ"},
    {3, ID_IGNORE_DOWN, L"下へ"},
};

}  // namespace

ConfigDialog::ConfigDialog(MainWindowHost& mainWindow) : mainWindow_(mainWindow) {}

ConfigDialog::~ConfigDialog() = default;

LRESULT ConfigDialog::OnInitDialog(WPARAM, LPARAM) {
    for (int i = 0; i < kConfigCheckRowCount; ++i)
        checkBoxes_[i] = kit::AttachItem<kit::CheckBox>(this, kConfigCheckRows[i].id);
    for (int i = 0; i < kConfigRadioRowCount; ++i)
        radioButtons_[i] = kit::AttachItem<kit::RadioButton>(this, kConfigRadioRows[i].id);
    CreateToolBar();
    CreateIgnoreList();
    PlaceToolBar();
    Load(mainWindow_.settings());
    ::ShowWindow(handle_, SW_SHOW);
    return 0;
}

void ConfigDialog::CreateToolBar() {
    toolBarImage_ = kit::Image::FromResource(IDB_IGNORE_TOOLBAR);
    toolBar_ = kit::ToolBar::Create(this, 4, 16, 16, WS_VISIBLE | TBSTYLE_FLAT | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                                    toolBarImage_);
    if (!toolBar_) return;
    for (const ToolButton& button : kToolButtons) {
        if (boost::shared_ptr<kit::ToolBarButton> added = toolBar_->AddButton(button.image, button.command))
            toolBar_->AddTooltip(*added, button.tip);
    }
    ::SetWindowPos(toolBar_->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void ConfigDialog::CreateIgnoreList() {
    boost::shared_ptr<IgnoreListView> list(new IgnoreListView(&mainWindow_, this));
    if (!list->AttachTo(this, IDC_CONFIG_IGNORE_LIST)) return;
    list->Subclass();
    ::SendMessageW(list->handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                   LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    list->SetBehaviour(kit::ListView::DeleteKey | kit::ListView::Editable);
    list->EnsureBlankRow();
    // one column as wide as the list can show without a horizontal scroll bar
    RECT header = {};
    HWND headerWindow = reinterpret_cast<HWND>(::SendMessageW(list->handle(), LVM_GETHEADER, 0, 0));
    if (!headerWindow || !::GetClientRect(headerWindow, &header) || header.right <= 0)
        ::GetClientRect(list->handle(), &header);
    const int width = header.right - header.left - 2 * ::GetSystemMetrics(SM_CXEDGE) -
                      ::GetSystemMetrics(SM_CXVSCROLL);
    list->AddColumn(width > 0 ? width : 0, L"ファイル名");
    ignoreList_ = list;
}

void ConfigDialog::PlaceToolBar() {
    if (!toolBar_ || !ignoreList_) return;
    RECT list = {}, bar = {};
    ::GetWindowRect(ignoreList_->handle(), &list);
    ::MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&list), 2);
    ::GetWindowRect(toolBar_->handle(), &bar);
    const int width = bar.right - bar.left;
    const int height = bar.bottom - bar.top;
    ::MoveWindow(toolBar_->handle(), list.left, list.top - height, width, height, TRUE);
}

void ConfigDialog::Load(const Settings& settings) {
    for (int i = 0; i < kConfigCheckRowCount; ++i) {
        if (checkBoxes_[i]) checkBoxes_[i]->SetCheck(settings.GetBool(kConfigCheckRows[i].key) ? BST_CHECKED : BST_UNCHECKED);
    }
    for (int i = 0; i < kConfigRadioRowCount; ++i) {
        if (radioButtons_[i] && settings.GetInt(kConfigRadioRows[i].key) == kConfigRadioRows[i].value)
            radioButtons_[i]->SetCheck(BST_CHECKED);
    }
    ShowTarget(ReadLibraryTarget(settings));
    // what the Run key holds now, not a copy in the settings
    ::CheckDlgButton(handle_, IDC_CONFIG_START_WITH_WINDOWS,
                     kit::StartsWithWindows(kRunValue) ? BST_CHECKED : BST_UNCHECKED);
    if (!ignoreList_) return;
    // bounded by what the file holds: a damaged count must not hang the dialog
    const std::vector<std::wstring> names = ReadIgnoreList(settings);
    if (names.empty()) return;
    for (int row = ignoreList_->RowCount() - 1; row >= 0; --row) ignoreList_->DeleteRow(row);
    for (const std::wstring& name : names) ignoreList_->AppendRow(name);
    ignoreList_->AppendRow(std::wstring());
}

void ConfigDialog::Save(Settings& settings) {
    for (int i = 0; i < kConfigCheckRowCount; ++i) {
        if (checkBoxes_[i]) settings.SetBool(kConfigCheckRows[i].key, checkBoxes_[i]->GetCheck() == BST_CHECKED);
    }
    for (int i = 0; i < kConfigRadioRowCount; ++i) {
        if (radioButtons_[i] && radioButtons_[i]->GetCheck() == BST_CHECKED)
            settings.SetInt(kConfigRadioRows[i].key, kConfigRadioRows[i].value);
    }
    WriteLibraryTarget(ShownTarget(), settings);
    // touched only when the box differs from the key, so that OK alone never
    // rewrites what the user set up elsewhere
    const bool startWithWindows = ::IsDlgButtonChecked(handle_, IDC_CONFIG_START_WITH_WINDOWS) == BST_CHECKED;
    if (startWithWindows != kit::StartsWithWindows(kRunValue) &&
        !kit::SetStartWithWindows(kRunValue, L"\"" + ModulePath() + L"\"", startWithWindows))
        kit::ShowMessageBox(this,
                            startWithWindows ? L"Windows の起動時に Kestrel を開始するように設定できませんでした。"
                                             : L"Windows の起動時に Kestrel を開始する設定を解除できませんでした。",
                            L"Kestrel", MB_OK | MB_ICONWARNING);
    if (!ignoreList_) return;
    // An edit still open counts, and the last row must be the blank one, or
    // the last name would be dropped as if it were.
    ignoreList_->CommitEdits();
    ignoreList_->EnsureBlankRow();
    const int count = ignoreList_->RowCount() - 1;
    settings.SetInt(kIgnoreCount, count);
    Settings& names = settings.Group(kIgnoreList);
    for (int i = 0; i < count; ++i) names.SetString(std::to_wstring(i), ignoreList_->RowAt(i)->GetText(0));
}

void ConfigDialog::ShowTarget(const LibraryTarget& target) {
    const bool folder = target.kind == LibraryTarget::Kind::Folder;
    Check(handle_, IDC_CONFIG_TARGET_ITUNES, !folder);
    Check(handle_, IDC_CONFIG_TARGET_FOLDER, folder);
    Check(handle_, IDC_CONFIG_WRITE_TAGS, target.writeTagsForITunes);
    Check(handle_, IDC_CONFIG_PLAYLIST_FILE, target.writePlaylist);
    Check(handle_, IDC_CONFIG_PLAYLIST_BOM, target.playlistByteOrderMark);
    shownKind_ = target.kind;
    for (int id : kITunesOnlyControls) ::EnableWindow(::GetDlgItem(handle_, id), !folder);
}

LibraryTarget ConfigDialog::ShownTarget() const {
    LibraryTarget target;
    target.kind = IsChecked(handle_, IDC_CONFIG_TARGET_FOLDER) ? LibraryTarget::Kind::Folder : LibraryTarget::Kind::ITunes;
    target.writeTagsForITunes = IsChecked(handle_, IDC_CONFIG_WRITE_TAGS);
    target.writePlaylist = IsChecked(handle_, IDC_CONFIG_PLAYLIST_FILE);
    target.playlistByteOrderMark = IsChecked(handle_, IDC_CONFIG_PLAYLIST_BOM);
    return target;
}

void ConfigDialog::TargetChosen() {
    LibraryTarget target = ShownTarget();
    if (target.kind == shownKind_) return;
    if (target.writePlaylist == DefaultWritePlaylist(shownKind_)) target.writePlaylist = DefaultWritePlaylist(target.kind);
    ShowTarget(target);
}

LRESULT ConfigDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_CONFIG_TARGET_ITUNES:
        case IDC_CONFIG_TARGET_FOLDER: TargetChosen(); break;
        case IDCANCEL:
        case IDC_CONFIG_CANCEL: ::EndDialog(handle_, 0); break;
        case IDOK:
            Save(mainWindow_.settings());
            ::EndDialog(handle_, 1);
            break;
        case ID_IGNORE_INSERT: InsertIgnoreRow(); break;
        case ID_IGNORE_DELETE: DeleteIgnoreRow(); break;
        case ID_IGNORE_UP: MoveIgnoreRowUp(); break;
        case ID_IGNORE_DOWN: MoveIgnoreRowDown(); break;
        }
    }
    return kit::ModalDialog::OnCommand(wParam, lParam);
}

void ConfigDialog::InsertIgnoreRow() {
    if (!ignoreList_) return;
    ignoreList_->CommitEdits();
    boost::shared_ptr<kit::ListViewItem> selected = ignoreList_->SelectedRow();
    if (!selected) return;
    const int last = ignoreList_->RowCount() - 1;
    boost::shared_ptr<kit::ListViewItem> row =
        selected->index() != last ? ignoreList_->InsertRow(selected->index(), std::wstring()) : selected;
    if (row) row->BeginEdit(0);
}

void ConfigDialog::DeleteIgnoreRow() {
    if (!ignoreList_) return;
    ignoreList_->CommitEdits();
    boost::shared_ptr<kit::ListViewItem> selected = ignoreList_->SelectedRow();
    if (selected && selected->index() != ignoreList_->RowCount() - 1) ignoreList_->DeleteRow(selected->index());
}

void ConfigDialog::MoveIgnoreRowUp() {
    if (!ignoreList_) return;
    ignoreList_->CommitEdits();
    boost::shared_ptr<kit::ListViewItem> selected = ignoreList_->SelectedRow();
    // The blank last row stays last: a name moved below it would be taken
    // for the blank row and dropped at the next save.
    if (!selected || selected->index() <= 0 || selected->index() == ignoreList_->RowCount() - 1) return;
    boost::shared_ptr<kit::ListViewItem> above = ignoreList_->RowAt(selected->index() - 1);
    selected->SwapWith(*above);
    above->Select();
    above->Focus();
    above->EnsureVisible();
}

void ConfigDialog::MoveIgnoreRowDown() {
    if (!ignoreList_) return;
    ignoreList_->CommitEdits();
    boost::shared_ptr<kit::ListViewItem> selected = ignoreList_->SelectedRow();
    // the blank last row never moves
    if (!selected || selected->index() >= ignoreList_->RowCount() - 2) return;
    boost::shared_ptr<kit::ListViewItem> below = ignoreList_->RowAt(selected->index() + 1);
    selected->SwapWith(*below);
    below->Select();
    below->Focus();
    below->EnsureVisible();
}
