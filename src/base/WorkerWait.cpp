#include "base/WorkerWait.h"

#include <algorithm>
#include <memory>

#include "base/ScopedHandle.h"

namespace {

DWORD WINAPI RunJob(void* parameter) {
    const std::unique_ptr<std::function<void()>> job(static_cast<std::function<void()>*>(parameter));
    try {
        (*job)();
    } catch (...) {
        // The caller sees the results it was promised stay empty.
    }
    return 0;
}

}  // namespace

bool WaitPumpingMessages(HANDLE handle, ULONGLONG deadline) {
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD remaining =
            now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 0x7FFFFFFF));
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &handle, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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

bool RunOnWorker(std::function<void()> job, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    auto* parameter = new std::function<void()>(std::move(job));
    kit::UniqueHandle worker(::CreateThread(nullptr, 0, RunJob, parameter, 0, nullptr));
    if (!worker) {
        delete parameter;
        return false;
    }
    return WaitPumpingMessages(worker.Get(), deadline);
}
