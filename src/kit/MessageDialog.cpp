#include "kit/MessageDialog.h"

#include "MessageDialogIds.h"

#include "kit/MessageBox.h"
#include "kit/StaticText.h"

MessageDialog::MessageDialog(const std::wstring& text) : text_(text) {}

MessageDialog::~MessageDialog() = default;

LRESULT MessageDialog::OnInitDialog(WPARAM, LPARAM) {
    textControl_ = kit::AttachItem<kit::StaticText>(this, IDC_MESSAGE_TEXT);
    if (textControl_) textControl_->SetText(text_);
    // A child over the middle of its owner: showing and closing it changes
    // no activation (a popup that took the focus and gave it back cost
    // seconds each time under Wine).
    const HWND owner = ::GetParent(handle_);
    RECT area{}, own{};
    ::GetClientRect(owner, &area);
    ::GetWindowRect(handle_, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    ::SetWindowPos(handle_, HWND_TOP, (area.right - width) / 2, (area.bottom - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return 0;  // no default focus
}

void MessageDialog::SetText(const std::wstring& text) {
    text_ = text;
    if (textControl_) textControl_->SetText(text_);
}

LRESULT MessageDialog::OnDestroy(WPARAM wParam, LPARAM lParam) {
    // What the note covered is drawn again by the owner and its controls.
    const HWND owner = ::GetParent(handle_);
    RECT covered{};
    if (owner && ::GetWindowRect(handle_, &covered)) {
        ::MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&covered), 2);
        ::ShowWindow(handle_, SW_HIDE);
        ::RedrawWindow(owner, &covered, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }
    return kit::Dialog::OnDestroy(wParam, lParam);
}
