#include "ModalScript.h"

#include <map>

namespace testing_support {

namespace {
// A thread timer carries no pointer of its own: the scripts alive, by timer.
std::map<UINT_PTR, ModalScript*>& Scripts() {
    static std::map<UINT_PTR, ModalScript*> scripts;
    return scripts;
}
}  // namespace

ModalScript::ModalScript(Step step, UINT intervalMs) : step_(std::move(step)) {
    timer_ = ::SetTimer(nullptr, 0, intervalMs, &Tick);
    if (timer_) Scripts()[timer_] = this;
}

ModalScript::~ModalScript() { Stop(); }

void ModalScript::Stop() {
    if (!timer_) return;
    ::KillTimer(nullptr, timer_);
    Scripts().erase(timer_);
    timer_ = 0;
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto found = Scripts().find(timer);
    if (found == Scripts().end()) return;
    ModalScript& script = *found->second;
    // A step that sends messages may let the same timer in again.
    if (script.running_) return;
    script.running_ = true;
    const bool done = script.step_();
    script.running_ = false;
    if (done) script.Stop();
}

}  // namespace testing_support
