#pragma once
// The main window's icon in the notification area. Its mouse messages
// arrive at the window as WM_USER (OnUser).
#include <windows.h>

#include <string>

namespace kit {

class Window;

bool AddTrayIcon(const Window& window, HICON icon);
// A warning balloon from the icon; false when there is no icon to show it.
bool ShowTrayWarning(const Window& window, const std::wstring& title, const std::wstring& text);
// Harmless when the icon is not there.
bool RemoveTrayIcon(const Window& window);

}  // namespace kit
