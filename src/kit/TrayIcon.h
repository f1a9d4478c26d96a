#pragma once
// The main window's icon in the notification area. Its mouse messages
// arrive at the window as WM_USER (OnUser).
#include <windows.h>

namespace kit {

class Window;

// False when the notification area is not there (Explorer not yet started,
// or restarting): nothing may then hide the window.
bool AddTrayIcon(const Window& window, HICON icon);
// Harmless when the icon is not there.
bool RemoveTrayIcon(const Window& window);
// The message every top-level window receives when the taskbar has been
// created anew: icons must then be added again.
UINT TaskbarCreatedMessage();

}  // namespace kit
