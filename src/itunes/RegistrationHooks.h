#pragma once
// The caller's hooks into a registration that may outlive the caller's
// interest in it: once closed they are never called again, since they may
// refer to what no longer exists.
#include <functional>
#include <memory>
#include <mutex>

#include "itunes/ITunesRegistration.h"

class RegistrationHooks {
public:
    explicit RegistrationHooks(const RegistrationOptions& options)
        : wait_(options.wait), stageDone_(options.stageDone) {}

    // Options whose hooks call these while they are open; a closed wait is
    // a Sleep.
    static RegistrationOptions Forwarding(const std::shared_ptr<RegistrationHooks>& hooks);

    void Wait(unsigned milliseconds);
    void StageDone(const char* stage);
    // Returns once no hook runs, and none runs after.
    void Close();

private:
    std::mutex lock_;
    bool open_ = true;
    std::function<void(unsigned)> wait_;
    std::function<void(const char*)> stageDone_;
};
