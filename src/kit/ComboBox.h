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
    void DeleteString(int index);
    void ResetContent();
    // The first entry that reads `text` exactly (case aside), or CB_ERR.
    int FindStringExact(const std::wstring& text) const;
    // The entry's text; empty for an index out of range.
    std::wstring GetItemText(int index) const;
    int GetCount() const;
    // CB_ERR when nothing is selected.
    int GetSelection() const;
    void SetSelection(int index);
    // The text of the edit part (Window::GetText).

    // Owner-drawn: the height of the entries (index 0) or of the selection
    // field (index -1), in pixels.
    void SetItemHeight(int index, int height);
    // Owner-drawn: the selection field and the open list draw again.
    void RedrawItems();
};

}  // namespace kit
