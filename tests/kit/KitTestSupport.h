#pragma once
// Helpers for driving real windows in the toolkit's tests.
#include <windows.h>

#include <string>
#include <vector>

#include "kit/Dialog.h"

namespace kit_test {

// The test template as a visible modeless dialog that records the
// notifications it receives.
class RecordingDialog : public kit::Dialog {
public:
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(wParam);
        return kit::Dialog::OnCommand(wParam, lParam);
    }
    LRESULT OnUser(WPARAM wParam, LPARAM lParam) override {
        ++userMessages;
        return 0;
    }
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override {
        ++destroys;
        return kit::Dialog::OnDestroy(wParam, lParam);
    }
    bool Saw(WORD id, WORD code) const {
        for (WPARAM w : commands)
            if (LOWORD(w) == id && HIWORD(w) == code) return true;
        return false;
    }

    std::vector<WPARAM> commands;
    int userMessages = 0;
    int destroys = 0;
};

// Creates, shows and positions the test dialog; null when that fails.
bool OpenTestDialog(RecordingDialog& dialog, int x = 100, int y = 100);

// An HDROP as the shell would send it, owning nothing after the send.
HGLOBAL MakeDrop(const std::vector<std::wstring>& paths);

// Presses Ctrl (or lets it go) in this thread's keyboard state.
void SetControlKey(bool down);

}  // namespace kit_test
