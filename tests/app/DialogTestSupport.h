#pragma once
// A live main window for the station and settings dialogs to open over,
// helpers that answer the boxes and menus those dialogs bring up, and the
// check that their labels fit.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kit/Dc.h"
#include "kit/GdiObject.h"
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

struct LabelFit {
    std::wstring text;
    bool fits;
};

// Whether each label, check box and button of `dialog` shows its whole text
// when the dialog font of the template's `points` is made for `dpi`: the
// controls' dialog units are mapped with that font's base units, as Windows
// lays a template out.
inline std::vector<LabelFit> FitLabels(HWND dialog, int points, int dpi) {
    LOGFONTW font = {};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
    font.lfHeight = -::MulDiv(points, dpi, 72);
    kit::UniqueGdiObject scaled(::CreateFontIndirectW(&font));
    kit::MemoryDc dc(nullptr);
    kit::ScopedSelectObject select(dc.handle(), scaled.Get());
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size = {};
    ::GetTextExtentPoint32W(dc.handle(), letters, 52, &size);
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc.handle(), &metrics);
    const int baseX = (size.cx / 26 + 1) / 2, baseY = metrics.tmHeight;
    RECT units = {0, 0, 4, 8};
    ::MapDialogRect(dialog, &units);  // the live dialog's base units

    std::vector<LabelFit> fits;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {}, text[256] = {};
        ::GetClassNameW(child, className, 16);
        ::GetWindowTextW(child, text, 256);
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        const LONG type = style & BS_TYPEMASK;
        const bool isStatic = ::lstrcmpiW(className, L"Static") == 0;
        const bool isButton = ::lstrcmpiW(className, L"Button") == 0 && type != BS_GROUPBOX;
        if (!*text || (!isStatic && !isButton)) continue;
        RECT rect;
        ::GetWindowRect(child, &rect);
        // back to dialog units, then out again at `dpi`
        const int width = ::MulDiv(::MulDiv(rect.right - rect.left, 4, units.right), baseX, 4);
        const int height = ::MulDiv(::MulDiv(rect.bottom - rect.top, 8, units.bottom), baseY, 8);
        const bool isCheck = type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON;
        const int room = width - (isCheck ? ::MulDiv(16, dpi, 96) : isButton ? ::MulDiv(6, dpi, 96) : 0);
        RECT needed = {0, 0, room, 0};
        ::DrawTextW(dc.handle(), text, -1, &needed,
                    DT_CALCRECT | DT_NOPREFIX | (isStatic ? DT_WORDBREAK : DT_SINGLELINE));
        fits.push_back({text, needed.right <= room && needed.bottom <= height});
    }
    return fits;
}

}  // namespace dialog_test
