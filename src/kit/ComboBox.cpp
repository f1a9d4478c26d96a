#include "kit/ComboBox.h"

#include <vector>

namespace kit {

int ComboBox::AddString(const std::wstring& text) {
    return static_cast<int>(::SendMessageW(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void ComboBox::DeleteString(int index) { ::SendMessageW(handle_, CB_DELETESTRING, static_cast<WPARAM>(index), 0); }

void ComboBox::ResetContent() { ::SendMessageW(handle_, CB_RESETCONTENT, 0, 0); }

int ComboBox::FindStringExact(const std::wstring& text) const {
    return static_cast<int>(
        ::SendMessageW(handle_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
}

std::wstring ComboBox::GetItemText(int index) const {
    const LRESULT length = ::SendMessageW(handle_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) return std::wstring();
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(handle_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == CB_ERR || copied < 0) return std::wstring();
    return std::wstring(text.data(), std::min<size_t>(static_cast<size_t>(copied), static_cast<size_t>(length)));
}

int ComboBox::GetCount() const { return static_cast<int>(::SendMessageW(handle_, CB_GETCOUNT, 0, 0)); }

int ComboBox::GetSelection() const { return static_cast<int>(::SendMessageW(handle_, CB_GETCURSEL, 0, 0)); }

void ComboBox::SetSelection(int index) { ::SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ComboBox::SetItemHeight(int index, int height) {
    ::SendMessageW(handle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(index), height);
}

void ComboBox::RedrawItems() {
    ::InvalidateRect(handle_, nullptr, FALSE);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    // The open list is a window of its own.
    if (::GetComboBoxInfo(handle_, &info) && info.hwndList) ::InvalidateRect(info.hwndList, nullptr, FALSE);
}

}  // namespace kit
