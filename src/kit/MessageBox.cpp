#include "kit/MessageBox.h"

#include <boost/shared_ptr.hpp>

#include "kit/Window.h"

namespace kit {

namespace {

// Only one message box is up at a time; it is held here while it is shown.
struct MessageBoxSlot {
    HHOOK hook = nullptr;
    boost::shared_ptr<Window> box;
};
thread_local MessageBoxSlot slot;

LRESULT CALLBACK CenteringHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && !slot.box) {
        HWND activated = reinterpret_cast<HWND>(wParam);
        slot.box = Window::Wrap(activated);
        boost::shared_ptr<Window> owner = Window::Wrap(::GetParent(activated));
        if (owner && slot.box) CenterOver(owner.get(), slot.box.get());
    }
    return ::CallNextHookEx(slot.hook, code, wParam, lParam);
}

}  // namespace

void CenterOverWindow(HWND reference, HWND window) {
    if (!reference || !window) return;
    RECT outer, own;
    if (!::GetWindowRect(reference, &outer) || !::GetWindowRect(window, &own)) return;
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int left = outer.left + ((outer.right - outer.left) - width) / 2;
    const int top = outer.top + ((outer.bottom - outer.top) - height) / 2;
    ::MoveWindow(window, left, top, width, height, FALSE);
}

void CenterOver(Window* reference, Window* window) {
    if (!window) return;
    if (!reference) reference = window->parent();
    if (!reference) return;
    CenterOverWindow(reference->handle(), window->handle());
}

int ShowMessageBox(Window* owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    // A box opened inside another one has its own hook; the outer hook is
    // restored for CallNextHookEx when the inner box returns.
    HHOOK outerHook = slot.hook;
    boost::shared_ptr<Window> outerBox = slot.box;
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, &CenteringHook, nullptr, ::GetCurrentThreadId());
    slot.hook = hook;
    const int result = ::MessageBoxW(owner ? owner->handle() : nullptr, text.c_str(), caption.c_str(), type);
    if (hook) ::UnhookWindowsHookEx(hook);
    slot.hook = outerHook;
    // the outer box, activated again, is not centred a second time
    slot.box = outerBox;
    return result;
}

}  // namespace kit
