#pragma once
// Dialogs made from templates in the program's resources.
#include "kit/Window.h"

namespace kit {

// A modeless dialog; a member of DialogRegistry for its whole life.
class Dialog : public Window {
public:
    Dialog();
    ~Dialog() override;

    // Returns 0: the dialog manager then does its own default processing.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Creates the window from template `templateId`, owned by `parent` (may be null).
    bool Create(Window* parent, int templateId);

protected:
    HWND PrepareOwner(Window* parent);
};

// A dialog run in the dialog manager's own loop; it ends itself with EndDialog.
class ModalDialog : public Dialog {
public:
    // Returns the code the dialog ended with, or -1 when it could not be made.
    INT_PTR DoModal(Window* parent, int templateId);
};

}  // namespace kit
