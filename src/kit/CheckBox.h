#pragma once
// Check boxes and radio buttons of a dialog template; their clicks stay with
// the dialog manager and reach the object only by reflection.
#include "kit/Window.h"

namespace kit {

class CheckBox : public Window {
public:
    // BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
    int GetCheck() const { return static_cast<int>(::SendMessageW(handle_, BM_GETCHECK, 0, 0)); }
    void SetCheck(int state) { ::SendMessageW(handle_, BM_SETCHECK, static_cast<WPARAM>(state), 0); }
    bool IsChecked() const { return GetCheck() == BST_CHECKED; }
};

class RadioButton : public CheckBox {};

}  // namespace kit
