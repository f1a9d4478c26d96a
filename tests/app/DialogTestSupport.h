#pragma once
// A live main window for the station and settings dialogs to open over, and
// helpers that answer the boxes and menus those dialogs bring up.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Kestrel.h"
#include "app_ids.h"
#include "kit/CommonControls.h"
#include "kit/Window.h"
#include "support/TempFolder.h"

namespace dialog_test {

class OverMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kit::InitializeCommonControls());
        window.SetSettingsPath(folder / L"Kestrel.dat");
        window.SetArtworkDirectory(folder / L"Artwork");
        window.SetJournalPath(folder / L"Kestrel.db");
        ASSERT_TRUE(window.Create(nullptr, IDD_MAIN));
        kit::PumpMessages();
    }
    void TearDown() override {
        if (window.handle() && ::IsWindow(window.handle())) ::DestroyWindow(window.handle());
        // the main window posts the quit message when it goes
        kit::PumpMessages();
        MSG message;
        while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void AddStation(const std::wstring& name) {
        Settings station;
        station.SetString(L"StationName", name);
        window.settings().Group(L"Station").SetGroup(name, station);
    }

    testing_support::TempFolder folder;
    Kestrel window;
};

inline std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[512] = {};
    ::GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

// Clicks a push button the way the dialog manager reports it.
inline void Click(HWND dialog, int id) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// While alive, presses OK on every message box (or other dialog) that a
// window `owner` owns, and keeps the boxes' texts.
class BoxAnswerer {
public:
    explicit BoxAnswerer(HWND owner) : owner_(owner) {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 20, &Tick);
    }
    ~BoxAnswerer() {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<std::wstring> texts;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_) ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, 0);
    }
    static BOOL CALLBACK Visit(HWND window, LPARAM) {
        if (!current_ || ::GetWindow(window, GW_OWNER) != current_->owner_ || !::IsWindowVisible(window)) return TRUE;
        wchar_t className[16] = {};
        ::GetClassNameW(window, className, 16);
        if (std::wstring(className) != L"#32770") return TRUE;
        std::wstring text;
        ::EnumChildWindows(window, &CollectText, reinterpret_cast<LPARAM>(&text));
        current_->texts.push_back(text);
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    static BOOL CALLBACK CollectText(HWND child, LPARAM data) {
        wchar_t className[16] = {};
        ::GetClassNameW(child, className, 16);
        if (_wcsicmp(className, L"Static") != 0) return TRUE;
        wchar_t text[256] = {};
        ::GetWindowTextW(child, text, 256);
        reinterpret_cast<std::wstring*>(data)->append(text);
        return TRUE;
    }

    static inline BoxAnswerer* current_ = nullptr;
    HWND owner_;
    UINT_PTR timer_;
};

// While alive, closes every pop-up menu soon after it opens and counts them.
class MenuCloser {
public:
    MenuCloser() {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 20, &Tick);
    }
    ~MenuCloser() {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    MenuCloser(const MenuCloser&) = delete;
    MenuCloser& operator=(const MenuCloser&) = delete;

    int menusSeen = 0;
    HMENU lastMenu = nullptr;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND popup = ::FindWindowW(L"#32768", nullptr);
        if (!current_ || !popup || !::IsWindowVisible(popup)) return;
        ++current_->menusSeen;
        current_->lastMenu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
        ::EndMenu();
    }

    static inline MenuCloser* current_ = nullptr;
    UINT_PTR timer_;
};

}  // namespace dialog_test
