#pragma once
// Completions that reach the window's thread as a message: a message-only
// window made on that thread receives each posted task and runs it there,
// inside whatever message loop is running (the main one or a modal
// dialog's).
#include <windows.h>

#include <memory>
#include <mutex>

#include "base/Completions.h"

namespace kit {

class WindowCompletions : public Completions {
public:
    // Null when the window cannot be made.
    static std::shared_ptr<WindowCompletions> Create();
    ~WindowCompletions() override;
    WindowCompletions(const WindowCompletions&) = delete;
    WindowCompletions& operator=(const WindowCompletions&) = delete;

    bool Post(std::function<void()> task) override;
    // On the owner's thread: no task runs after this, and those posted but
    // not yet run are destroyed. Workers that post later are told false.
    void Close();
    // Runs the tasks already posted (tests and the end of a modal wait use it).
    void RunPending();

private:
    WindowCompletions() = default;

    std::mutex lock_;
    HWND window_ = nullptr;  // ours; destroyed by Close
    bool closed_ = false;
};

}  // namespace kit
