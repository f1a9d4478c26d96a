#pragma once
// Songs waiting to be added to the library, registered one at a time on one
// worker thread of the multithreaded apartment. The worker keeps its
// connection to iTunes while songs are queued and lets it go (and ends) when
// the queue runs empty. A registration, hung or not, delays only those
// queued behind it; its owner hears back through `Completions`.
#include <cstddef>
#include <functional>
#include <memory>

#include "base/Completions.h"
#include "itunes/ITunesRegistration.h"

class RegistrationQueue {
public:
    using Done = std::function<void(const RegistrationResult&)>;

    // `hooks` (tests, benchmarks): called on the worker for every song until
    // the queue is destroyed; their deadlineMs plays no part.
    explicit RegistrationQueue(CompletionsPtr completions, unsigned deadlineMs = 120000,
                               const RegistrationOptions& hooks = {});
    // Never waits for a hung iTunes: songs not started are dropped unreported,
    // the one running is reported as usual and the worker ends after it.
    ~RegistrationQueue();
    RegistrationQueue(const RegistrationQueue&) = delete;
    RegistrationQueue& operator=(const RegistrationQueue&) = delete;

    // Queued behind those before it. `done` runs on the completions' thread:
    // once with the result, or with a failed result (timedOut) when the
    // registration is still running `deadlineMs` after it started; then once
    // more if the abandoned registration ends after all with the song
    // registered (its real result). A dead connection (iTunes quit or
    // crashed) is replaced and the song tried once more, asking the library
    // for the file first.
    void Enqueue(PendingSong song, LibraryRules rules, Done done);
    // Queued and running (an abandoned registration counts until it ends).
    size_t waiting() const;

    struct Shared;  // with the worker, which may outlive the queue

private:
    std::shared_ptr<Shared> shared_;
};
