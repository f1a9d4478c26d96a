#include "kit/TrayIcon.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "kit/Window.h"

namespace kit {

namespace {
template <size_t N>
void CopyCut(const std::wstring& text, wchar_t (&field)[N]) {
    const size_t length = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), length, field);
    field[length] = L'\0';
}
}  // namespace

bool AddTrayIcon(const Window& window, HICON icon, const std::wstring& tip) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window.handle();
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayIconMessage;
    data.hIcon = icon;
    CopyCut(tip, data.szTip);
    return ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool SetTrayTip(const Window& window, const std::wstring& tip) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window.handle();
    data.uID = 0;
    data.uFlags = NIF_TIP;
    CopyCut(tip, data.szTip);
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}


bool ShowTrayWarning(const Window& window, const std::wstring& title, const std::wstring& text) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window.handle();
    data.uID = 0;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_WARNING;
    CopyCut(title, data.szInfoTitle);
    CopyCut(text, data.szInfo);
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool RemoveTrayIcon(const Window& window) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window.handle();
    data.uID = 0;
    return ::Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace kit
