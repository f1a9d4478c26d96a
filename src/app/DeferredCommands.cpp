#include "app/DeferredCommands.h"

#include "MenuIds.h"
#include "app_ids.h"

namespace {

bool MustWait(UINT message, WPARAM wParam) {
    if (message != WM_COMMAND) return false;
    switch (LOWORD(wParam)) {
    case IDCANCEL:  // the caption's close button, Alt+F4 and Esc
    case IDC_MAIN_QUIT:
    case ID_TRAY_EXIT:
    case IDC_MAIN_ADD:
    case IDC_MAIN_EDIT:
    case IDC_MAIN_DELETE:
    case IDC_MAIN_SETTINGS:
        return true;
    case IDC_MAIN_STATIONS:
        return HIWORD(wParam) == CBN_SELCHANGE;
    default:
        return false;
    }
}

}  // namespace

bool DeferredCommands::Defer(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!MustWait(message, wParam)) return false;
    MSG kept{};
    kept.message = message;
    kept.wParam = wParam;
    kept.lParam = lParam;
    kept_.push_back(kept);
    return true;
}

void DeferredCommands::Replay(HWND window) {
    std::vector<MSG> kept;
    kept.swap(kept_);
    for (const MSG& each : kept) ::PostMessageW(window, each.message, each.wParam, each.lParam);
}
