#pragma once
// Acts inside a modal loop that a test enters (a dialog, a message box, a
// pop-up menu, the shell's folder picker): while alive, runs `step` on a
// timer of this thread, which every modal loop dispatches, until `step`
// answers true. The timer ends with the object at the latest, so a box that
// never came leaves nothing behind for the next test.
#include <windows.h>

#include <functional>

namespace testing_support {

class ModalScript {
public:
    using Step = std::function<bool()>;

    explicit ModalScript(Step step, UINT intervalMs = 20);
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    bool finished() const { return timer_ == 0; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD);
    void Stop();

    Step step_;
    UINT_PTR timer_ = 0;
    bool running_ = false;
};

}  // namespace testing_support
