#include "itunes/WorkerApartment.h"

#include <objbase.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "base/ScopedHandle.h"
#include "base/WorkerWait.h"

namespace {

struct Job {
    std::function<bool()> work;
    bool succeeded = false;  // written by the worker before it ends
};

// The worker of a job given up at its deadline, while it may still run.
std::mutex abandonedLock;
std::shared_ptr<kit::UniqueHandle> abandonedWorker;
// A call made from a message handler while another waits must not start a
// second job beside the first.
std::atomic<bool> waiting{false};

std::shared_ptr<kit::UniqueHandle> Abandoned() {
    std::lock_guard<std::mutex> lock(abandonedLock);
    return abandonedWorker;
}

class WaitingFlag {
public:
    WaitingFlag() : taken_(!waiting.exchange(true)) {}
    ~WaitingFlag() {
        if (taken_) waiting = false;
    }
    bool taken() const { return taken_; }

private:
    bool taken_;
};

DWORD WINAPI RunJob(void* parameter) {
    std::unique_ptr<std::shared_ptr<Job>> owner(static_cast<std::shared_ptr<Job>*>(parameter));
    Job& job = **owner;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    try {
        job.succeeded = job.work();
    } catch (...) {
        job.succeeded = false;
    }
    ::CoUninitialize();
    return 0;
}

}  // namespace

bool RunInWorkerApartment(std::function<bool()> work, DWORD deadlineMs,
                          const std::function<void()>& abandon) {
    const ULONGLONG deadline = ::GetTickCount64() + deadlineMs;
    WaitingFlag flag;
    if (!flag.taken()) return false;
    // Two jobs at once could both take the same track for a copy to delete.
    if (const std::shared_ptr<kit::UniqueHandle> previous = Abandoned()) {
        if (!WaitPumpingMessages(previous->Get(), deadline)) return false;
        std::lock_guard<std::mutex> lock(abandonedLock);
        if (abandonedWorker == previous) abandonedWorker.reset();
    }
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    auto* parameter = new std::shared_ptr<Job>(job);
    kit::UniqueHandle worker(::CreateThread(nullptr, 0, RunJob, parameter, 0, nullptr));
    if (!worker) {
        delete parameter;
        return false;
    }
    if (WaitPumpingMessages(worker.Get(), deadline)) return job->succeeded;
    if (abandon) abandon();
    std::lock_guard<std::mutex> lock(abandonedLock);
    abandonedWorker = std::make_shared<kit::UniqueHandle>(std::move(worker));
    return false;
}
