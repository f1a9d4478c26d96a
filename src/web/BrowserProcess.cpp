#include "web/BrowserProcess.h"

#include <chrono>

namespace kit {

BrowserProcess::BrowserProcess() : watcher_([this] { Watch(); }) {}

BrowserProcess::~BrowserProcess() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    watcher_.join();
}

bool BrowserProcess::Attach(HWND window) {
    DWORD id = 0;
    if (!window || !::GetWindowThreadProcessId(window, &id) || id == 0 || id == ::GetCurrentProcessId())
        return false;
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) return false;
    std::lock_guard<std::mutex> guard(lock_);
    process_ = std::move(process);
    return true;
}

void BrowserProcess::ArmUntil(ULONGLONG deadline) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        deadline_ = deadline;
    }
    changed_.notify_all();
}

void BrowserProcess::End() {
    std::lock_guard<std::mutex> guard(lock_);
    if (process_) ::TerminateProcess(process_.Get(), 1);
}

void BrowserProcess::Watch() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_) {
        if (deadline_ == 0) {
            changed_.wait(guard);
            continue;
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline_) {
            if (process_) ::TerminateProcess(process_.Get(), 1);
            deadline_ = 0;
            continue;
        }
        changed_.wait_for(guard, std::chrono::milliseconds(deadline_ - now));
    }
}

}  // namespace kit
