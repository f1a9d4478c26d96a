#pragma once
// Kernel objects the main loop waits for together with messages, such as
// folder change notifications. The loop asks for the handles before every
// wait, so the owner may change them at any time.
#include <windows.h>

#include <vector>

namespace kit {

class WaitSource {
public:
    virtual ~WaitSource() = default;
    // At most MAXIMUM_WAIT_OBJECTS - 1 handles; the rest are not waited for.
    virtual std::vector<HANDLE> WaitHandles() = 0;
    // `handle` is signalled. The owner resets or re-arms it, or it is
    // reported again at once.
    virtual void OnSignalled(HANDLE handle) = 0;
};

}  // namespace kit
