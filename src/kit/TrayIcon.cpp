#include "kit/TrayIcon.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "kit/Window.h"

namespace kit {

bool AddTrayIcon(const Window& window, HICON icon) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window.handle();
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayIconMessage;
    data.hIcon = icon;
    const std::wstring caption = window.GetText();
    const size_t length = std::min(caption.size(), sizeof(data.szTip) / sizeof(data.szTip[0]) - 1);
    std::copy_n(caption.begin(), length, data.szTip);
    data.szTip[length] = L'\0';
    return ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool RemoveTrayIcon(const Window& window) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window.handle();
    data.uID = 0;
    return ::Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

}  // namespace kit
