#include "kit/Dialog.h"

#include "kit/DialogRegistry.h"

namespace kit {

Dialog::Dialog() { DialogRegistry::Add(this); }

Dialog::~Dialog() { DialogRegistry::Remove(this); }

LRESULT Dialog::DefaultProc(UINT, WPARAM, LPARAM) { return 0; }

HWND Dialog::PrepareOwner(Window* parent) {
    if (!parent) return nullptr;
    SetParentObject(parent);
    return parent->handle();
}

bool Dialog::Create(Window* parent, int templateId) {
    HWND owner = PrepareOwner(parent);
    HWND hwnd = ::CreateDialogParamW(Instance(), MAKEINTRESOURCEW(templateId), owner,
                                     &Window::WindowProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) return false;
    handle_ = hwnd;
    return true;
}

INT_PTR ModalDialog::DoModal(Window* parent, int templateId) {
    HWND owner = PrepareOwner(parent);
    return ::DialogBoxParamW(Instance(), MAKEINTRESOURCEW(templateId), owner, &Window::WindowProc,
                             reinterpret_cast<LPARAM>(this));
}

}  // namespace kit
