#include "kit/MessageDialog.h"

#include "MessageDialogIds.h"

#include "kit/MessageBox.h"
#include "kit/StaticText.h"

MessageDialog::MessageDialog(const std::wstring& text) : text_(text) {}

MessageDialog::~MessageDialog() = default;

LRESULT MessageDialog::OnInitDialog(WPARAM, LPARAM) {
    kit::CenterOverWindow(::GetParent(handle_), handle_);
    textControl_ = kit::AttachItem<kit::StaticText>(this, IDC_MESSAGE_TEXT);
    if (textControl_) textControl_->SetText(text_);
    // Shown active: under Wine a popup shown without activation may stay
    // beneath its owner. A click on the owner takes the focus back.
    ::ShowWindow(handle_, SW_SHOW);
    return 0;  // no default focus
}
