#pragma once
// A single-line edit box: text, Ctrl+A, dropped files or folders, and
// bindings that enable other windows while it holds text.
#include <windows.h>

#include <string>

#include <boost/shared_ptr.hpp>

#include "kit/Window.h"

namespace kit {

class EditBox : public Window {
public:
    static constexpr bool kSubclassOnAttach = true;

    // A new edit box child of `parent`; `rect` may be null (zero size).
    // Empty when the window cannot be made.
    static boost::shared_ptr<EditBox> Create(Window* parent, const RECT* rect, const std::wstring& text);

    void ApplyBinding(Window* target, int kind, int value) override;
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Sets the text and puts the remembered caret after it.
    void SetText(const std::wstring& text);
    void SelectAll();

    // Start in the low half, end in the high half (EM_GETSEL's form).
    DWORD selection() const { return selection_; }
    // Remembers `selection` (EM_GETSEL's form) and selects it in the control.
    void SetSelection(DWORD selection);
    bool acceptsDrops() const { return acceptsDrops_; }
    // Also sets WS_EX_ACCEPTFILES, without which Explorer offers no drop.
    void SetAcceptsDrops(bool on);
    bool folderMode() const { return folderMode_; }
    void SetFolderMode(bool on) { folderMode_ = on; }
    bool hasFocus() const { return hasFocus_; }

protected:
    // Fills `edit` (already constructed) with a new window; false when none came.
    static bool CreateWindowFor(EditBox* edit, Window* parent, const RECT* rect, const std::wstring& text);

private:
    DWORD selection_ = 0;
    bool acceptsDrops_ = false;
    bool folderMode_ = false;
    bool hasFocus_ = false;
};

}  // namespace kit
