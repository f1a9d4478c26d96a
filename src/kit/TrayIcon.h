#pragma once
// The main window's icon in the notification area. Its mouse messages
// arrive at the window as kTrayIconMessage, the mouse message in lParam.
#include <windows.h>

#include <string>

namespace kit {

// In the WM_APP range: WM_USER and above are the dialog manager's own
// (WM_USER is DM_GETDEFID), and the main window is a dialog.
constexpr UINT kTrayIconMessage = WM_APP + 1;

class Window;

// The longest tooltip the icon shows, in characters.
constexpr size_t kTrayTipLength = 127;

// False when the notification area is not there (Explorer not yet started,
// or restarting): nothing may then hide the window. `tip` is cut at
// kTrayTipLength.
bool AddTrayIcon(const Window& window, HICON icon, const std::wstring& tip);
// The icon's tooltip; false when there is no icon.
bool SetTrayTip(const Window& window, const std::wstring& tip);
// A warning balloon from the icon; false when there is no icon to show it.
bool ShowTrayWarning(const Window& window, const std::wstring& title, const std::wstring& text);
// Harmless when the icon is not there.
bool RemoveTrayIcon(const Window& window);
// The message every top-level window receives when the taskbar has been
// created anew: icons must then be added again.
UINT TaskbarCreatedMessage();

}  // namespace kit
