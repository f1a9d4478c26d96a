#include "app/IgnoreListView.h"

#include <commctrl.h>

#include "MenuIds.h"
#include "app/ConfigDialog.h"
#include "app/MainWindowHost.h"
#include "kit/Menu.h"

LRESULT IgnoreListView::OnNotify(WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->hwndFrom == handle_ && header->code == static_cast<UINT>(NM_RCLICK) && mainWindow_ &&
        dialog_ && mainWindow_->menu()) {
        if (boost::shared_ptr<kit::Menu> popup = mainWindow_->menu()->PopupAt(POPUP_IGNORE_LIST)) {
            POINT cursor = {};
            ::GetCursorPos(&cursor);
            // owned by the dialog, so that the chosen command reaches its OnCommand
            ::TrackPopupMenu(popup->handle(), TPM_LEFTBUTTON, cursor.x, cursor.y, 0, dialog_->handle(), nullptr);
        }
    }
    return kit::ListView::OnNotify(wParam, lParam);
}

LRESULT IgnoreListView::OnKeyDown(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = kit::ListView::OnKeyDown(wParam, lParam);
    if (wParam == VK_DELETE) EnsureBlankRow();
    return result;
}
