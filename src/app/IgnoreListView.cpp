#include "app/IgnoreListView.h"

#include <commctrl.h>

#include "MenuIds.h"
#include "app/ConfigDialog.h"
#include "app/MainWindowHost.h"
#include "kit/Menu.h"

void IgnoreListView::ShowMenu(POINT at) {
    if (!mainWindow_ || !dialog_ || !mainWindow_->menu()) return;
    if (boost::shared_ptr<kit::Menu> popup = mainWindow_->menu()->PopupAt(POPUP_IGNORE_LIST)) {
        // owned by the dialog, so that the chosen command reaches its OnCommand
        ::TrackPopupMenu(popup->handle(), TPM_LEFTBUTTON, at.x, at.y, 0, dialog_->handle(), nullptr);
    }
}

LRESULT IgnoreListView::OnNotify(WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->hwndFrom == handle_ && header->code == static_cast<UINT>(NM_RCLICK)) {
        POINT cursor = {};
        ::GetCursorPos(&cursor);
        ShowMenu(cursor);
    }
    return kit::ListView::OnNotify(wParam, lParam);
}

LRESULT IgnoreListView::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    // A click has had its menu through NM_RCLICK; only the keyboard's
    // (Shift+F10, the menu key: no position) is answered here.
    if (static_cast<short>(LOWORD(lParam)) != -1 || static_cast<short>(HIWORD(lParam)) != -1) return 0;
    POINT at = {};
    RECT cell = {};
    const boost::shared_ptr<kit::ListViewItem> row = SelectedRow();
    cell.left = LVIR_LABEL;
    if (row && ::SendMessageW(handle_, LVM_GETITEMRECT, static_cast<WPARAM>(row->index()),
                              reinterpret_cast<LPARAM>(&cell))) {
        at.x = cell.left;
        at.y = cell.bottom;
    }
    ::ClientToScreen(handle_, &at);
    ShowMenu(at);
    return 0;
}

LRESULT IgnoreListView::OnKeyDown(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = kit::ListView::OnKeyDown(wParam, lParam);
    if (wParam == VK_DELETE) EnsureBlankRow();
    return result;
}
