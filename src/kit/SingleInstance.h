#pragma once
// One running copy per program file and machine: a named mutex made from the program
// file's identity (its path's text when that cannot be read), and a property
// on the first copy's main window by which a second start finds it. Copies
// of the program in other folders run side by side.
#include <windows.h>

#include <string>

#include "base/ScopedHandle.h"

namespace kit {

class SingleInstance {
public:
    explicit SingleInstance(const std::wstring& programPath);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy of the same program file already runs, in
    // this session or another user's.
    bool first() const { return first_; }
    // The first copy marks its main window; Withdraw before it is destroyed.
    void Publish(HWND window) const;
    void Withdraw(HWND window) const;
    // The first copy's main window, or null while it has none yet (or runs
    // in another session).
    HWND FindFirstWindow() const;
    const std::wstring& name() const { return name_; }

private:
    std::wstring name_;
    UniqueHandle mutex_;
    bool first_ = true;
};

// Brings a window of another process to the front: `show` is sent first so
// that the owner can restore itself from the tray.
void BringToFront(HWND window, UINT show, WPARAM wParam, LPARAM lParam);

}  // namespace kit
