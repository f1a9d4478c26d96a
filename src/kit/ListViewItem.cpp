#include "kit/ListView.h"

#include <commctrl.h>

#include <algorithm>

namespace kit {

ListViewItem::~ListViewItem() {
    // a row still in the control takes its line with it
    if (HWND list = ListHandle()) ::SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(index_), 0);
}

HWND ListViewItem::ListHandle() const { return listView_ ? listView_->handle() : nullptr; }

std::wstring ListViewItem::GetText(int column) const {
    HWND list = ListHandle();
    if (!list) return std::wstring();
    std::vector<wchar_t> buffer;
    for (size_t size = 256;; size += 256) {
        buffer.assign(size, L'\0');
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const LRESULT copied = ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index_),
                                              reinterpret_cast<LPARAM>(&item));
        // a text that filled the buffer may have been cut: try a larger one
        if (copied < static_cast<LRESULT>(size) - 1) return std::wstring(buffer.data());
        if (size >= 1 << 20) return std::wstring(buffer.data());
    }
}

void ListViewItem::SetText(int column, const std::wstring& text) {
    HWND list = ListHandle();
    if (!list) return;
    std::wstring copy = text;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index_;
    item.iSubItem = column;
    item.pszText = &copy[0];
    ::SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

bool ListViewItem::IsSelected() const {
    HWND list = ListHandle();
    if (!list) return false;
    LVITEMW item = {};
    item.mask = LVIF_STATE;
    item.iItem = index_;
    item.stateMask = LVIS_SELECTED;
    if (!::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
    return (item.state & LVIS_SELECTED) != 0;
}

void ListViewItem::Select() {
    HWND list = ListHandle();
    if (!list) return;
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&item));
}

void ListViewItem::Focus() {
    HWND list = ListHandle();
    if (!list) return;
    LVITEMW item = {};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&item));
}

void ListViewItem::EnsureVisible() {
    if (HWND list = ListHandle()) ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index_), FALSE);
}

void ListViewItem::SwapWith(ListViewItem& other) {
    if (&other == this) return;
    std::swap(data_, other.data_);
    std::swap(textColour_, other.textColour_);
    std::swap(backgroundColour_, other.backgroundColour_);
    if (!listView_) return;
    const int columns = std::max<int>(1, static_cast<int>(listView_->columns().size()));
    for (int column = 0; column < columns; ++column) {
        const std::wstring mine = GetText(column);
        const std::wstring theirs = other.GetText(column);
        SetText(column, theirs);
        other.SetText(column, mine);
    }
}

void ListViewItem::BeginEdit(int column) {
    HWND list = ListHandle();
    if (!list) return;
    if (editBox_) EndEdit(false);  // a box replaced unseen would lose its text
    RECT cell = {};
    cell.top = column;
    cell.left = LVIR_LABEL;
    if (!::SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&cell)))
        return;
    editColumn_ = column;
    editBox_ = ListViewEditBox::Create(this, listView_, cell, GetText(column));
    if (!editBox_) return;
    boost::shared_ptr<ListViewEditBox> box = editBox_;  // focus changes may end the edit at once
    ::SetFocus(box->handle());
    box->SelectAll();
}

void ListViewItem::EndEdit(bool cancel) {
    // Taken out first: destroying the box moves the focus, and the box's
    // own kill-focus handler must then find no edit in progress.
    boost::shared_ptr<ListViewEditBox> box;
    box.swap(editBox_);
    if (!box) return;
    if (!cancel) {
        SetText(editColumn_, box->GetText());
        if (listView_) listView_->EnsureBlankRow();
    }
}

LRESULT ListViewEditBox::OnGetDlgCode(WPARAM wParam, LPARAM lParam) {
    // Enter ends the edit and Escape cancels it; Tab leaves the box, which
    // ends the edit as well.
    LRESULT code = DefaultProc(WM_GETDLGCODE, wParam, lParam);
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (message && message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_ESCAPE))
        code |= DLGC_WANTMESSAGE;
    return code;
}

LRESULT ListViewEditBox::OnKillFocus(WPARAM wParam, LPARAM lParam) {
    if (row_) row_->EndEdit(false);
    return 0;
}

LRESULT ListViewEditBox::OnKeyDown(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case VK_RETURN:
        if (row_) row_->EndEdit(false);
        return 0;
    case VK_ESCAPE:
        if (row_) row_->EndEdit(true);
        return 0;
    case 'A':
        if (::GetKeyState(VK_CONTROL) & 0x8000) SelectAll();
        return 0;
    default:
        return DefaultProc(WM_KEYDOWN, wParam, lParam);
    }
}

boost::shared_ptr<ListViewEditBox> ListViewEditBox::Create(ListViewItem* row, Window* listView, const RECT& rect,
                                                           const std::wstring& text) {
    boost::shared_ptr<ListViewEditBox> box(new ListViewEditBox(row));
    if (!CreateWindowFor(box.get(), listView, &rect, text)) return boost::shared_ptr<ListViewEditBox>();
    return box;
}

}  // namespace kit
