#pragma once
// The main window's icon in the notification area. Its mouse messages
// arrive at the window as WM_USER (OnUser).
#include <windows.h>

namespace kit {

class Window;

bool AddTrayIcon(const Window& window, HICON icon);
// Harmless when the icon is not there.
bool RemoveTrayIcon(const Window& window);

}  // namespace kit
