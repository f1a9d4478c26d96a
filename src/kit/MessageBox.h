#pragma once
// Message boxes centred over their owner, and window centring.
#include <windows.h>

#include <string>

namespace kit {

class Window;

// MessageBoxW centred over `owner` (may be null); returns the button pressed.
int ShowMessageBox(Window* owner, const std::wstring& text, const std::wstring& caption, UINT type);

// Moves `window` so that its centre lies over `reference`'s; with no
// reference, over the window object's parent; with none either, nothing.
void CenterOver(Window* reference, Window* window);

// The same on bare handles; a null reference does nothing.
void CenterOverWindow(HWND reference, HWND window);

}  // namespace kit
