#pragma once
// The main window's icon in the notification area. Its mouse messages
// arrive at the window as kTrayIconMessage, the mouse message in lParam.
#include <windows.h>

namespace kit {

// In the WM_APP range: WM_USER and above are the dialog manager's own
// (WM_USER is DM_GETDEFID), and the main window is a dialog.
constexpr UINT kTrayIconMessage = WM_APP + 1;

class Window;

bool AddTrayIcon(const Window& window, HICON icon);
// Harmless when the icon is not there.
bool RemoveTrayIcon(const Window& window);

}  // namespace kit
