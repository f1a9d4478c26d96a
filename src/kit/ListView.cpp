#include "kit/ListView.h"

#include <commctrl.h>

#include <algorithm>

namespace kit {

ListView::~ListView() {
    // the control goes with its dialog; rows must not talk to it any more
    for (auto& row : rows_) row->listView_ = nullptr;
    rows_.clear();
}

LRESULT ListView::OnGetDlgCode(WPARAM wParam, LPARAM lParam) {
    // The keys of the list's own commands must reach it inside a dialog; any
    // other (Tab, Escape) stays the dialog's, so that the focus can leave.
    LRESULT code = DefaultProc(WM_GETDLGCODE, wParam, lParam);
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (!message || message->message != WM_KEYDOWN) return code;
    const bool editing = std::any_of(rows_.begin(), rows_.end(), [](const auto& row) { return row->editBox(); });
    switch (message->wParam) {
    case VK_RETURN:
    case VK_F2:
    case VK_DELETE:
        if (behaviour_ & (Editable | DeleteKey)) code |= DLGC_WANTMESSAGE;
        break;
    case VK_ESCAPE:
        if (editing) code |= DLGC_WANTMESSAGE;
        break;
    }
    return code;
}

LRESULT ListView::OnKeyDown(WPARAM wParam, LPARAM lParam) {
    if ((wParam == VK_RETURN || wParam == VK_F2) && (behaviour_ & Editable)) {
        if (boost::shared_ptr<ListViewItem> row = SelectedRow()) row->BeginEdit(0);
    } else if (wParam == VK_DELETE && (behaviour_ & DeleteKey)) {
        for (size_t index = 0; index < rows_.size();) {
            if (rows_[index]->IsSelected())
                DeleteRow(static_cast<int>(index));
            else
                ++index;
        }
    }
    return DefaultProc(WM_KEYDOWN, wParam, lParam);
}

LRESULT ListView::OnLeftDoubleClick(WPARAM wParam, LPARAM lParam) {
    if (behaviour_ & Editable) {
        LVHITTESTINFO hit = {};
        hit.pt.x = static_cast<short>(LOWORD(lParam));
        hit.pt.y = static_cast<short>(HIWORD(lParam));
        ::SendMessageW(handle_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if ((hit.flags & LVHT_ONITEM) && hit.iItem >= 0) {
            if (boost::shared_ptr<ListViewItem> row = RowAt(hit.iItem)) row->BeginEdit(hit.iSubItem);
        }
    }
    return DefaultProc(WM_LBUTTONDBLCLK, wParam, lParam);
}

boost::shared_ptr<ListViewColumn> ListView::AddColumn(int width, const std::wstring& text) {
    const int index = static_cast<int>(columns_.size());
    std::wstring copy = text;
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = &copy[0];
    ::SendMessageW(handle_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    ::SendMessageW(handle_, LVM_SETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    boost::shared_ptr<ListViewColumn> added(new ListViewColumn(this, index));
    columns_.push_back(added);
    return added;
}

boost::shared_ptr<ListViewItem> ListView::AppendRow(const std::wstring& text) {
    return InsertRow(static_cast<int>(rows_.size()), text);
}

boost::shared_ptr<ListViewItem> ListView::InsertRow(int index, const std::wstring& text) {
    if (index < 0) index = 0;
    if (index > static_cast<int>(rows_.size())) index = static_cast<int>(rows_.size());
    std::wstring copy = text;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = &copy[0];
    const LRESULT at = ::SendMessageW(handle_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (at < 0) return boost::shared_ptr<ListViewItem>();
    boost::shared_ptr<ListViewItem> row(new ListViewItem(this, index));
    rows_.insert(rows_.begin() + index, row);
    Renumber(static_cast<size_t>(index) + 1);
    return row;
}

void ListView::DeleteRow(int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    boost::shared_ptr<ListViewItem> row = rows_[static_cast<size_t>(index)];
    rows_.erase(rows_.begin() + index);
    // Delete the line now: a caller may still hold the row, and its later
    // destruction must not remove whatever line has taken its index.
    row->EndEdit(true);
    ::SendMessageW(handle_, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
    row->listView_ = nullptr;
    Renumber(static_cast<size_t>(index));
}

void ListView::Renumber(size_t from) {
    for (size_t i = from; i < rows_.size(); ++i) rows_[i]->index_ = static_cast<int>(i);
}

boost::shared_ptr<ListViewItem> ListView::RowAt(int index) const {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return boost::shared_ptr<ListViewItem>();
    return rows_[static_cast<size_t>(index)];
}

boost::shared_ptr<ListViewItem> ListView::SelectedRow() const {
    for (const auto& row : rows_)
        if (row->IsSelected()) return row;
    return boost::shared_ptr<ListViewItem>();
}

void ListView::EnsureBlankRow() {
    if (!(behaviour_ & Editable)) return;
    if (rows_.empty() || !rows_.back()->GetText(0).empty()) AppendRow(std::wstring());
}

}  // namespace kit

namespace kit {

void ListView::CommitEdits() {
    // by index: ending an edit may append the blank row
    for (size_t i = 0; i < rows_.size(); ++i) {
        const boost::shared_ptr<ListViewItem> row = rows_[i];
        if (row->editBox()) row->EndEdit(false);
    }
}

}  // namespace kit
