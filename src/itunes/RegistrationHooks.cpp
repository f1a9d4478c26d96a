#include "itunes/RegistrationHooks.h"

#include <windows.h>

RegistrationOptions RegistrationHooks::Forwarding(const std::shared_ptr<RegistrationHooks>& hooks) {
    RegistrationOptions options;
    options.wait = [hooks](unsigned milliseconds) { hooks->Wait(milliseconds); };
    options.stageDone = [hooks](const char* stage) { hooks->StageDone(stage); };
    return options;
}

void RegistrationHooks::Wait(unsigned milliseconds) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (open_ && wait_) {
            wait_(milliseconds);
            return;
        }
    }
    ::Sleep(milliseconds);
}

void RegistrationHooks::StageDone(const char* stage) {
    std::lock_guard<std::mutex> lock(lock_);
    if (open_ && stageDone_) stageDone_(stage);
}

void RegistrationHooks::Close() {
    std::lock_guard<std::mutex> lock(lock_);
    open_ = false;
}
