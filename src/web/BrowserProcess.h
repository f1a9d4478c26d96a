#pragma once
// The process of an automation server that may stop answering: every call
// into it can hang, and no call can be cancelled. Ending the process makes a
// hanging call return, so a watcher ends it when a deadline passes.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/ScopedHandle.h"

namespace kit {

class BrowserProcess {
public:
    BrowserProcess();
    ~BrowserProcess();
    BrowserProcess(const BrowserProcess&) = delete;
    BrowserProcess& operator=(const BrowserProcess&) = delete;

    // Takes the process that owns `window`; false when it cannot be opened
    // (nothing can be ended then).
    bool Attach(HWND window);
    // Ends the process at `deadline` (a GetTickCount64 value) unless
    // rearmed or disarmed before.
    void ArmUntil(ULONGLONG deadline);
    void Disarm() { ArmUntil(0); }
    // Ends it now.
    void End();

private:
    void Watch();

    UniqueHandle process_;
    std::mutex lock_;
    std::condition_variable changed_;
    ULONGLONG deadline_ = 0;  // 0: no deadline
    bool stopping_ = false;
    std::thread watcher_;
};

}  // namespace kit
