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
    ::ShowWindow(handle_, SW_SHOWNA);
    return 0;  // no default focus
}
