#include "itunes/RegistrationQueue.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include "base/DiagnosticLog.h"
#include "base/ScopedHandle.h"
#include "itunes/ITunesConnection.h"
#include "itunes/RegistrationHooks.h"

namespace {

struct Job {
    PendingSong song;
    LibraryRules rules;
    std::shared_ptr<RegistrationQueue::Done> done;
};

// A timer of the process's timer queue; deleting it waits for a callback
// that is running.
void DeleteTimerWaiting(HANDLE timer) { ::DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE); }
using UniqueQueueTimer = kit::ScopedHandle<kit::NullHandleTraits<HANDLE, &DeleteTimerWaiting>>;

// Who reports first, the registration or its deadline.
class Report {
public:
    Report(CompletionsPtr completions, std::shared_ptr<RegistrationQueue::Done> done)
        : completions_(std::move(completions)), done_(std::move(done)) {}

    // From the timer's thread.
    void GiveUp() {
        int expected = kRunning;
        if (!phase_.compare_exchange_strong(expected, kGivenUp)) return;
        RegistrationResult failed;
        failed.timedOut = true;
        LogFailure("iTunes が時間内に答えない", std::string_view(), 0);
        Post(failed);
    }
    // From the worker: the result, unless the deadline has spoken; then a
    // success still counts.
    void Finish(const RegistrationResult& result) {
        int expected = kRunning;
        if (phase_.compare_exchange_strong(expected, kFinished) || result.registered) Post(result);
    }

private:
    static constexpr int kRunning = 0, kFinished = 1, kGivenUp = 2;

    void Post(const RegistrationResult& result) {
        if (!completions_) return;
        try {
            completions_->Post([done = done_, result] {
                if (*done) (*done)(result);
            });
        } catch (const std::exception&) {
            // No memory for the message: the owner hears nothing of this song.
        }
    }

    CompletionsPtr completions_;
    std::shared_ptr<RegistrationQueue::Done> done_;
    std::atomic<int> phase_{kRunning};
};

VOID CALLBACK OnDeadline(void* report, BOOLEAN) { static_cast<Report*>(report)->GiveUp(); }

}  // namespace

struct RegistrationQueue::Shared {
    // Songs come one after another a few seconds apart at most while a
    // recorder hands over a backlog: the connection stays that long, so that
    // each song does not pay for a new worker, apartment and connection.
    static constexpr std::chrono::milliseconds kLinger{3000};

    CompletionsPtr completions;
    unsigned deadlineMs = 0;
    std::shared_ptr<RegistrationHooks> hooks;

    mutable std::mutex lock;
    std::deque<Job> jobs;
    std::condition_variable queued;  // a job came, or the queue is stopping
    bool running = false;  // a job has been taken and has not ended
    bool workerAlive = false;
    bool stopping = false;

    // Under `lock`. False when the worker is to end (and it is counted gone).
    bool Take(Job& job) {
        if (stopping || jobs.empty()) {
            workerAlive = false;
            return false;
        }
        job = std::move(jobs.front());
        jobs.pop_front();
        running = true;
        return true;
    }
};

namespace {

using Shared = RegistrationQueue::Shared;

RegistrationResult Register(ITunesConnection& connection, const Job& job, const RegistrationOptions& hooks) {
    RegistrationResult result = RegisterSongOn(connection, job.song, job.rules, hooks);
    if (result.registered || !connection.CheckLost()) return result;
    // iTunes went away, before or during this song: once more on a new
    // connection, which finds the file if the lost one had added it.
    PendingSong again = job.song;
    again.checkLibraryFirst = true;
    return RegisterSongOn(connection, again, job.rules, hooks);
}

void RunJob(const Shared& shared, ITunesConnection& connection, bool comReady, const Job& job) {
    Report report(shared.completions, job.done);
    // Without a timer the registration is reported when it ends.
    HANDLE created = nullptr;
    if (!::CreateTimerQueueTimer(&created, nullptr, OnDeadline, &report, shared.deadlineMs, 0,
                                 WT_EXECUTEONLYONCE)) {
        created = nullptr;
    }
    const UniqueQueueTimer deadline(created);  // gone before `report`
    RegistrationResult result;
    if (comReady) result = Register(connection, job, RegistrationHooks::Forwarding(shared.hooks));
    report.Finish(result);
}

DWORD WINAPI Work(void* parameter) {
    std::unique_ptr<std::shared_ptr<Shared>> owner(static_cast<std::shared_ptr<Shared>*>(parameter));
    Shared& shared = **owner;
    MultithreadedApartment apartment;
    ITunesConnection connection;  // closed before the apartment
    for (;;) {
        Job job;
        {
            std::lock_guard<std::mutex> lock(shared.lock);
            if (!shared.jobs.empty() && !shared.stopping) {
                shared.Take(job);
            }
        }
        if (!job.done) {
            // The queue ran empty: wait a little for the next song, then let
            // iTunes go and end unless a song came meanwhile.
            {
                std::unique_lock<std::mutex> lock(shared.lock);
                shared.queued.wait_for(lock, Shared::kLinger,
                                       [&] { return shared.stopping || !shared.jobs.empty(); });
                if (!shared.jobs.empty() && !shared.stopping) shared.Take(job);
            }
            if (!job.done) {
                connection.Close();
                std::lock_guard<std::mutex> lock(shared.lock);
                if (!shared.Take(job)) return 0;
            }
        }
        try {
            RunJob(shared, connection, apartment.ok(), job);
        } catch (const std::exception& error) {
            // Memory exhaustion: the song goes unreported, the queue goes on.
            LogFailure("登録待ちの処理で例外", std::string_view(error.what()));
        }
        std::lock_guard<std::mutex> lock(shared.lock);
        shared.running = false;
    }
}

}  // namespace

RegistrationQueue::RegistrationQueue(CompletionsPtr completions, unsigned deadlineMs,
                                     const RegistrationOptions& hooks)
    : shared_(std::make_shared<Shared>()) {
    shared_->completions = std::move(completions);
    shared_->deadlineMs = deadlineMs;
    shared_->hooks = std::make_shared<RegistrationHooks>(hooks);
}

RegistrationQueue::~RegistrationQueue() {
    std::deque<Job> dropped;  // destroyed here, on the owner's thread, after the lock
    {
        std::lock_guard<std::mutex> lock(shared_->lock);
        shared_->stopping = true;
        dropped.swap(shared_->jobs);
    }
    shared_->queued.notify_all();
    shared_->hooks->Close();
}

void RegistrationQueue::Enqueue(PendingSong song, LibraryRules rules, Done done) {
    auto shared = std::make_shared<Done>(std::move(done));
    std::lock_guard<std::mutex> lock(shared_->lock);
    shared_->jobs.push_back(Job{std::move(song), std::move(rules), shared});
    shared_->queued.notify_all();
    if (shared_->workerAlive) return;
    auto parameter = std::make_unique<std::shared_ptr<Shared>>(shared_);
    const kit::UniqueHandle worker(::CreateThread(nullptr, 0, Work, parameter.get(), 0, nullptr));
    if (worker) {
        parameter.release();  // the worker owns it now
        shared_->workerAlive = true;
        return;
    }
    // No thread: the song fails at once.
    shared_->jobs.pop_back();
    if (!shared_->completions) return;
    shared_->completions->Post([shared] {
        if (*shared) (*shared)(RegistrationResult());
    });
}

size_t RegistrationQueue::waiting() const {
    std::lock_guard<std::mutex> lock(shared_->lock);
    return shared_->jobs.size() + (shared_->running ? 1 : 0);
}
