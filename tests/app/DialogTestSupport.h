#pragma once
// A live main window for the station and settings dialogs to open over, and
// helpers that answer the boxes and menus those dialogs bring up.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"

namespace dialog_test {

// The main window, open from the start.
class OverMainWindow : public testing_support::MainWindowFixture {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Open()); }
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
    explicit BoxAnswerer(HWND owner) : BoxAnswerer([owner] { return owner; }) {}
    // For a window still to be made, whose boxes may come while it is created.
    explicit BoxAnswerer(const kit::Window& owner) : BoxAnswerer([&owner] { return owner.handle(); }) {}

    std::vector<std::wstring> texts;

private:
    explicit BoxAnswerer(std::function<HWND()> owner)
        : owner_(std::move(owner)), script_([this] {
              ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, reinterpret_cast<LPARAM>(this));
              return false;
          }) {}

    static BOOL CALLBACK Visit(HWND window, LPARAM data) {
        auto* self = reinterpret_cast<BoxAnswerer*>(data);
        const HWND owner = self->owner_();
        if (!owner || ::GetWindow(window, GW_OWNER) != owner || !::IsWindowVisible(window)) return TRUE;
        wchar_t className[16] = {};
        ::GetClassNameW(window, className, 16);
        if (std::wstring(className) != L"#32770") return TRUE;
        std::wstring text;
        ::EnumChildWindows(window, &CollectText, reinterpret_cast<LPARAM>(&text));
        self->texts.push_back(text);
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    static BOOL CALLBACK CollectText(HWND child, LPARAM data) {
        wchar_t className[16] = {};
        ::GetClassNameW(child, className, 16);
        if (_wcsicmp(className, L"Static") != 0) return TRUE;
        wchar_t text[1024] = {};  // a box may name a long path twice
        ::GetWindowTextW(child, text, 1024);
        reinterpret_cast<std::wstring*>(data)->append(text);
        return TRUE;
    }

    std::function<HWND()> owner_;
    testing_support::ModalScript script_;
};

// While alive, closes every pop-up menu soon after it opens and counts them.
class MenuCloser {
public:
    MenuCloser()
        : script_([this] {
              HWND popup = ::FindWindowW(L"#32768", nullptr);
              if (!popup || !::IsWindowVisible(popup)) return false;
              ++menusSeen;
              lastMenu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
              ::EndMenu();
              return false;
          }) {}

    int menusSeen = 0;
    HMENU lastMenu = nullptr;

private:
    testing_support::ModalScript script_;
};

}  // namespace dialog_test
