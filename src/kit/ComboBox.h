#pragma once
// A combo box of a dialog template.
#include <string>

#include "kit/Window.h"

namespace kit {

class ComboBox : public Window {
public:
    static constexpr bool kSubclassOnAttach = true;

    // Index of the new entry, or CB_ERR.
    int AddString(const std::wstring& text);
    // The entry's text; empty for an index out of range.
    std::wstring GetItemText(int index) const;
    int GetCount() const;
    // CB_ERR when nothing is selected.
    int GetSelection() const;
    void SetSelection(int index);
    // The text of the edit part (Window::GetText).
};

}  // namespace kit
