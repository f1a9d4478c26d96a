#include "itunes/WorkerApartment.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "base/ScopedHandle.h"

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

// True when `handle` was signalled before the deadline. The window keeps
// answering meanwhile; a quit message ends the wait early (and stays queued).
bool WaitPumping(HANDLE handle, ULONGLONG deadline) {
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD remaining =
            now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 0x7FFFFFFF));
        const DWORD woken =
            ::MsgWaitForMultipleObjectsEx(1, &handle, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;  // timed out or failed
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (::GetTickCount64() >= deadline) return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    }
}

}  // namespace

bool RunInWorkerApartment(std::function<bool()> work, DWORD deadlineMs,
                          const std::function<void()>& abandon) {
    const ULONGLONG deadline = ::GetTickCount64() + deadlineMs;
    WaitingFlag flag;
    if (!flag.taken()) return false;
    // Two jobs at once could both take the same track for a copy to delete.
    if (const std::shared_ptr<kit::UniqueHandle> previous = Abandoned()) {
        if (!WaitPumping(previous->Get(), deadline)) return false;
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
    if (WaitPumping(worker.Get(), deadline)) return job->succeeded;
    if (abandon) abandon();
    std::lock_guard<std::mutex> lock(abandonedLock);
    abandonedWorker = std::make_shared<kit::UniqueHandle>(std::move(worker));
    return false;
}
