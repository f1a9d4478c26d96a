#include "kit/WindowCompletions.h"

#include <new>

#include "base/DiagnosticLog.h"
#include "kit/Window.h"

namespace kit {

namespace {

const wchar_t kClassName[] = L"Kestrel.Completions";

UINT CompletionMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"Kestrel.Completion");
    return message;
}

// Runs and frees one posted task; nothing may leave a window procedure.
void RunTask(LPARAM lParam) {
    std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
    try {
        if (task && *task) (*task)();
    } catch (...) {
        LogFailure("完了した作業の後処理で例外", std::string_view());
    }
}

LRESULT CALLBACK CompletionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CompletionMessage() && message != 0) {
        RunTask(lParam);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterCompletionClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = CompletionProc;
    windowClass.hInstance = Instance();
    windowClass.lpszClassName = kClassName;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

std::shared_ptr<WindowCompletions> WindowCompletions::Create() {
    static const bool registered = RegisterCompletionClass();
    if (!registered || !CompletionMessage()) return nullptr;
    std::shared_ptr<WindowCompletions> completions(new WindowCompletions());
    completions->window_ =
        ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance(), nullptr);
    if (!completions->window_) return nullptr;
    return completions;
}

WindowCompletions::~WindowCompletions() {
    // Only the owner's thread may destroy the window: a last owner on a
    // worker leaves it to the process's end (Close has normally run).
    if (window_ && ::GetWindowThreadProcessId(window_, nullptr) == ::GetCurrentThreadId()) Close();
}

bool WindowCompletions::Post(std::function<void()> task) {
    auto* posted = new (std::nothrow) std::function<void()>(std::move(task));
    if (!posted) return false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!closed_ && ::PostMessageW(window_, CompletionMessage(), 0, reinterpret_cast<LPARAM>(posted)))
            return true;
    }
    delete posted;
    return false;
}

void WindowCompletions::RunPending() {
    MSG message;
    while (!closed_ && ::PeekMessageW(&message, window_, CompletionMessage(), CompletionMessage(), PM_REMOVE))
        RunTask(message.lParam);
}

void WindowCompletions::Close() {
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (closed_) return;
        closed_ = true;
        window = window_;
    }
    // Nothing is posted after closed_: free what is still queued, unrun.
    MSG message;
    while (window && ::PeekMessageW(&message, window, CompletionMessage(), CompletionMessage(), PM_REMOVE))
        delete reinterpret_cast<std::function<void()>*>(message.lParam);
    if (window) ::DestroyWindow(window);
    window_ = nullptr;
}

}  // namespace kit
