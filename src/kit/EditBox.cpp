#include "kit/EditBox.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

#include "base/ScopedHandle.h"

namespace kit {

namespace {

std::wstring DroppedName(HDROP drop, UINT index) {
    const UINT length = ::DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0) return std::wstring();
    std::vector<wchar_t> name(length + 1, L'\0');
    ::DragQueryFileW(drop, index, name.data(), length + 1);
    return std::wstring(name.data());
}

}  // namespace

boost::shared_ptr<EditBox> EditBox::Create(Window* parent, const RECT* rect, const std::wstring& text) {
    boost::shared_ptr<EditBox> edit(new EditBox());
    if (!CreateWindowFor(edit.get(), parent, rect, text)) return boost::shared_ptr<EditBox>();
    return edit;
}

bool EditBox::CreateWindowFor(EditBox* edit, Window* parent, const RECT* rect, const std::wstring& text) {
    if (!parent || !parent->handle()) return false;
    RECT area = rect ? *rect : RECT{0, 0, 0, 0};
    HWND hwnd = ::CreateWindowExW(0, L"EDIT", text.c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                                  area.left, area.top, area.right - area.left, area.bottom - area.top,
                                  parent->handle(), nullptr, Instance(), nullptr);
    if (!hwnd) return false;
    edit->SetParentObject(parent);
    edit->Bind(hwnd);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    edit->Subclass();
    return true;
}

void EditBox::ApplyBinding(Window* target, int kind, int) {
    if (kind != Enable || !target || !target->handle()) return;
    ::EnableWindow(target->handle(), ::GetWindowTextLengthW(handle_) > 0);
}

LRESULT EditBox::OnDropFiles(WPARAM wParam, LPARAM lParam) {
    if (!acceptsDrops_) return 0;
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    const UniqueDrop owner(drop);  // released whatever way the handler leaves
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name = DroppedName(drop, i);
        if (name.empty()) break;
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        const bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (isFolder) {
            if (!folderMode_) continue;
            Window::SetText(name);
            break;
        }
        if (folderMode_) {
            std::vector<wchar_t> folder(name.begin(), name.end());
            // PathRemoveFileSpecW works in a MAX_PATH buffer
            folder.resize(std::max<size_t>(folder.size() + 1, MAX_PATH), L'\0');
            ::PathRemoveFileSpecW(folder.data());
            name = folder.data();
        }
        Window::SetText(name);
        break;
    }
    return DefaultProc(WM_DROPFILES, wParam, lParam);
}

LRESULT EditBox::OnKeyDown(WPARAM wParam, LPARAM lParam) {
    if (wParam == 'A') {
        if (::GetKeyState(VK_CONTROL) & 0x8000) SelectAll();
        return 0;
    }
    return DefaultProc(WM_KEYDOWN, wParam, lParam);
}

LRESULT EditBox::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (HIWORD(wParam)) {
    case EN_SETFOCUS:
        hasFocus_ = true;
        break;
    case EN_KILLFOCUS:
        if (hasFocus_) selection_ = static_cast<DWORD>(::SendMessageW(handle_, EM_GETSEL, 0, 0));
        hasFocus_ = false;
        break;
    case EN_UPDATE:
        ApplyBindings();
        break;
    }
    return Window::OnCommand(wParam, lParam);
}

void EditBox::SetText(const std::wstring& text) {
    Window::SetText(text);
    const DWORD end = static_cast<DWORD>(text.size() & 0xFFFF);
    selection_ = MAKELONG(end, end);
}

void EditBox::SetSelection(DWORD selection) {
    selection_ = selection;
    ::SendMessageW(handle_, EM_SETSEL, LOWORD(selection), HIWORD(selection));
}

void EditBox::SetAcceptsDrops(bool on) {
    acceptsDrops_ = on;
    if (handle_) ::DragAcceptFiles(handle_, on ? TRUE : FALSE);
}

void EditBox::SelectAll() { ::SendMessageW(handle_, EM_SETSEL, 0, -1); }

}  // namespace kit
