#pragma once
// The real program as a separate process, watched and driven from outside the
// way a user would: its main window found by caption, its boxes read, its
// station list switched, a screenshot taken, and the window closed so that
// the program saves and ends by itself.
#include <windows.h>

#include <functional>
#include <string>

#include "base/ScopedHandle.h"

// Polls `condition` every `pollMs` until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 40);

// "Z:" + the Unix path with backslashes: how Wine shows the host's files.
std::wstring HostPathToWindows(const std::string& unixPath);

class KestrelProcess {
public:
    KestrelProcess() = default;
    // Ends a program still running: closed first, killed when it does not end.
    ~KestrelProcess();
    KestrelProcess(const KestrelProcess&) = delete;
    KestrelProcess& operator=(const KestrelProcess&) = delete;

    // Copies the program file into `folder`, so that its settings file and
    // artwork folder live there, and returns the copy's path (empty on failure).
    static std::wstring InstallCopy(const std::wstring& programPath, const std::wstring& folder);

    bool Start(const std::wstring& programPath);
    bool running() const;
    HANDLE process() const { return process_.Get(); }
    DWORD processId() const { return processId_; }

    // The dialog captioned "Kestrel" that belongs to the process.
    HWND FindMainWindow() const;
    bool WaitForMainWindow(DWORD timeoutMs);
    HWND mainWindow() const { return window_; }

    // The text of a control of the main window; empty when it cannot be read
    // (the program is busy longer than `timeoutMs`).
    std::wstring ControlText(int id, DWORD timeoutMs = 5000) const;
    bool IsChecked(int id) const;
    // Picks a station in the list as the user would (the list notifies its owner).
    bool SelectStation(int index);
    int SelectedStation() const;
    // True once the program has processed every message sent before.
    bool Responsive(DWORD timeoutMs = 10000) const;

    // Posts WM_CLOSE to the main window and waits for the process to end;
    // false when it does not, or crashes on the way.
    bool Close(DWORD timeoutMs);
    DWORD exitCode() const;

    // The main window's area of the screen, as a 24-bit BMP file.
    bool SaveScreenshot(const std::wstring& bmpPath) const;

private:
    kit::UniqueHandle process_;
    kit::UniqueHandle thread_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};
