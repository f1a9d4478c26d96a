#pragma once
// Where a worker's result goes: back to the thread that owns the road (the
// window's), which goes on from there. The window's thread never waits for
// a worker; it is handed the completion as one more message.
#include <functional>
#include <memory>

class Completions {
public:
    virtual ~Completions() = default;
    // From any thread: `task` runs later on the owner's thread. False when
    // the owner has closed; the task is then destroyed unrun, on the caller's
    // thread, so it must own what it captures (values, shared_ptr).
    virtual bool Post(std::function<void()> task) = 0;
};

using CompletionsPtr = std::shared_ptr<Completions>;

// Runs `work` on a thread of its own, then posts `done`. The thread keeps
// `completions` alive; `work` must touch nothing the caller owns. False when
// no thread could be started: neither runs.
bool StartWorker(const CompletionsPtr& completions, std::function<void()> work, std::function<void()> done);
