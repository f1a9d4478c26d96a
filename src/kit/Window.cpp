#include "kit/Window.h"

#include <commctrl.h>

#include "base/DiagnosticLog.h"
#include "kit/Dialog.h"
#include "kit/DialogRegistry.h"
#include "kit/WaitSource.h"

namespace kit {

namespace {

// Every toolkit object alive. GWLP_USERDATA of a foreign window may hold
// anything, so a pointer read from it is trusted only when listed here.
boost::unordered_set<Window*>& LiveObjects() {
    static boost::unordered_set<Window*> objects;
    return objects;
}

}  // namespace

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

Window::Window() : defaultProcedure_(&::DefWindowProcW) { LiveObjects().insert(this); }

Window::~Window() {
    LiveObjects().erase(this);
    if (handle_) {
        if (subclassed_) {
            ::RemoveWindowSubclass(handle_, &Window::SubclassProc, 1);
            subclassed_ = false;
        }
        // Only our own, still existing window: a control of a destroyed dialog
        // never saw its WM_DESTROY, and its handle may have been reused.
        const bool stillOurs = ::IsWindow(handle_) &&
            reinterpret_cast<Window*>(::GetWindowLongPtrW(handle_, GWLP_USERDATA)) == this;
        if (stillOurs) ::SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        if (ownsHandle_ && stillOurs) ::DestroyWindow(handle_);
    }
    handle_ = nullptr;
    Detach();
}

Window* Window::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto* object = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!object || !LiveObjects().count(object) || object->handle_ != hwnd) return nullptr;
    return object;
}

boost::shared_ptr<Window> Window::Wrap(HWND hwnd) {
    if (!hwnd) return boost::shared_ptr<Window>();
    boost::shared_ptr<Window> window(new Window());
    window->handle_ = hwnd;
    window->ownsHandle_ = false;
    return window;
}

void Window::ApplyBinding(Window*, int, int) {}
void Window::OnSubclassed() {}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return defaultProcedure_(handle_, message, wParam, lParam);
}

#define KIT_DEFAULT_HANDLER(name, message) \
    LRESULT Window::name(WPARAM wParam, LPARAM lParam) { return DefaultProc(message, wParam, lParam); }
KIT_DEFAULT_HANDLER(OnCreate, WM_CREATE)
KIT_DEFAULT_HANDLER(OnInitDialog, WM_INITDIALOG)
KIT_DEFAULT_HANDLER(OnParentNotify, WM_PARENTNOTIFY)
KIT_DEFAULT_HANDLER(OnClose, WM_CLOSE)
KIT_DEFAULT_HANDLER(OnDestroy, WM_DESTROY)
KIT_DEFAULT_HANDLER(OnDropFiles, WM_DROPFILES)
KIT_DEFAULT_HANDLER(OnHScroll, WM_HSCROLL)
KIT_DEFAULT_HANDLER(OnVScroll, WM_VSCROLL)
KIT_DEFAULT_HANDLER(OnSize, WM_SIZE)
KIT_DEFAULT_HANDLER(OnMoving, WM_MOVING)
KIT_DEFAULT_HANDLER(OnMove, WM_MOVE)
KIT_DEFAULT_HANDLER(OnNcActivate, WM_NCACTIVATE)
KIT_DEFAULT_HANDLER(OnActivate, WM_ACTIVATE)
KIT_DEFAULT_HANDLER(OnWindowPosChanging, WM_WINDOWPOSCHANGING)
KIT_DEFAULT_HANDLER(OnWindowPosChanged, WM_WINDOWPOSCHANGED)
KIT_DEFAULT_HANDLER(OnTimer, WM_TIMER)
KIT_DEFAULT_HANDLER(OnPaint, WM_PAINT)
KIT_DEFAULT_HANDLER(OnEraseBkgnd, WM_ERASEBKGND)
KIT_DEFAULT_HANDLER(OnUser, WM_USER)
KIT_DEFAULT_HANDLER(OnGetDlgCode, WM_GETDLGCODE)
KIT_DEFAULT_HANDLER(OnGetMinMaxInfo, WM_GETMINMAXINFO)
KIT_DEFAULT_HANDLER(OnNcCalcSize, WM_NCCALCSIZE)
KIT_DEFAULT_HANDLER(OnInitMenu, WM_INITMENU)
KIT_DEFAULT_HANDLER(OnInitMenuPopup, WM_INITMENUPOPUP)
KIT_DEFAULT_HANDLER(OnMenuSelect, WM_MENUSELECT)
KIT_DEFAULT_HANDLER(OnContextMenu, WM_CONTEXTMENU)
KIT_DEFAULT_HANDLER(OnDrawItem, WM_DRAWITEM)
KIT_DEFAULT_HANDLER(OnSetFocus, WM_SETFOCUS)
KIT_DEFAULT_HANDLER(OnKillFocus, WM_KILLFOCUS)
KIT_DEFAULT_HANDLER(OnMouseMove, WM_MOUSEMOVE)
KIT_DEFAULT_HANDLER(OnSetCursor, WM_SETCURSOR)
KIT_DEFAULT_HANDLER(OnKeyDown, WM_KEYDOWN)
KIT_DEFAULT_HANDLER(OnKeyUp, WM_KEYUP)
KIT_DEFAULT_HANDLER(OnSysKeyDown, WM_SYSKEYDOWN)
KIT_DEFAULT_HANDLER(OnSysKeyUp, WM_SYSKEYUP)
KIT_DEFAULT_HANDLER(OnLeftButtonDown, WM_LBUTTONDOWN)
KIT_DEFAULT_HANDLER(OnLeftButtonUp, WM_LBUTTONUP)
KIT_DEFAULT_HANDLER(OnLeftDoubleClick, WM_LBUTTONDBLCLK)
KIT_DEFAULT_HANDLER(OnRightButtonDown, WM_RBUTTONDOWN)
KIT_DEFAULT_HANDLER(OnRightButtonUp, WM_RBUTTONUP)
KIT_DEFAULT_HANDLER(OnRightDoubleClick, WM_RBUTTONDBLCLK)
KIT_DEFAULT_HANDLER(OnNcLeftButtonDown, WM_NCLBUTTONDOWN)
KIT_DEFAULT_HANDLER(OnNcLeftButtonUp, WM_NCLBUTTONUP)
KIT_DEFAULT_HANDLER(OnNcRightButtonDown, WM_NCRBUTTONDOWN)
KIT_DEFAULT_HANDLER(OnNcRightButtonUp, WM_NCRBUTTONUP)
KIT_DEFAULT_HANDLER(OnEnterSizeMove, WM_ENTERSIZEMOVE)
KIT_DEFAULT_HANDLER(OnExitSizeMove, WM_EXITSIZEMOVE)
KIT_DEFAULT_HANDLER(OnCtlColor, 0x0019)
KIT_DEFAULT_HANDLER(OnCtlColorStatic, WM_CTLCOLORSTATIC)
KIT_DEFAULT_HANDLER(OnSetCheck, BM_SETCHECK)
#undef KIT_DEFAULT_HANDLER

LRESULT Window::OnCommand(WPARAM wParam, LPARAM lParam) {
    return Reflect(WM_COMMAND, wParam, lParam, reinterpret_cast<HWND>(lParam));
}

LRESULT Window::OnNotify(WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return Reflect(WM_NOTIFY, wParam, lParam, header ? header->hwndFrom : nullptr);
}

// Sends a child's notification back to the child when it handles its own
// messages, so that a control's behaviour lives in its own class.
LRESULT Window::Reflect(UINT message, WPARAM wParam, LPARAM lParam, HWND sender) {
    Window* object = FromHandle(sender);
    if (object == this) return 0;
    if (object && object->subclassed_) return ::SendMessageW(object->handle_, message, wParam, lParam);
    return DefaultProc(message, wParam, lParam);
}

LRESULT Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(wParam, lParam);
    case WM_INITDIALOG: return OnInitDialog(wParam, lParam);
    case WM_PARENTNOTIFY: return OnParentNotify(wParam, lParam);
    case WM_CLOSE: return OnClose(wParam, lParam);
    case WM_DESTROY: {
        ownsHandle_ = false;  // the window is going away by itself
        const LRESULT result = OnDestroy(wParam, lParam);
        Detach();
        return result;
    }
    case WM_DROPFILES: return OnDropFiles(wParam, lParam);
    case WM_HSCROLL: return OnHScroll(wParam, lParam);
    case WM_VSCROLL: return OnVScroll(wParam, lParam);
    case WM_SIZE: return OnSize(wParam, lParam);
    case WM_MOVING: return OnMoving(wParam, lParam);
    case WM_MOVE: return OnMove(wParam, lParam);
    case WM_NCACTIVATE: return OnNcActivate(wParam, lParam);
    case WM_ACTIVATE: return OnActivate(wParam, lParam);
    case WM_WINDOWPOSCHANGING: return OnWindowPosChanging(wParam, lParam);
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(wParam, lParam);
    case WM_TIMER: return OnTimer(wParam, lParam);
    case WM_PAINT: return OnPaint(wParam, lParam);
    case WM_ERASEBKGND: return OnEraseBkgnd(wParam, lParam);
    case WM_USER: return OnUser(wParam, lParam);
    case WM_GETDLGCODE: return OnGetDlgCode(wParam, lParam);
    case WM_GETMINMAXINFO: return OnGetMinMaxInfo(wParam, lParam);
    case WM_NCCALCSIZE: return OnNcCalcSize(wParam, lParam);
    case WM_INITMENU: return OnInitMenu(wParam, lParam);
    case WM_INITMENUPOPUP: return OnInitMenuPopup(wParam, lParam);
    case WM_MENUSELECT: return OnMenuSelect(wParam, lParam);
    case WM_CONTEXTMENU: return OnContextMenu(wParam, lParam);
    case WM_DRAWITEM: return OnDrawItem(wParam, lParam);
    case WM_SETFOCUS: return OnSetFocus(wParam, lParam);
    case WM_KILLFOCUS: return OnKillFocus(wParam, lParam);
    case WM_MOUSEMOVE: return OnMouseMove(wParam, lParam);
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_KEYDOWN: return OnKeyDown(wParam, lParam);
    case WM_KEYUP: return OnKeyUp(wParam, lParam);
    case WM_SYSKEYDOWN: return OnSysKeyDown(wParam, lParam);
    case WM_SYSKEYUP: return OnSysKeyUp(wParam, lParam);
    case WM_LBUTTONDOWN: return OnLeftButtonDown(wParam, lParam);
    case WM_LBUTTONUP: return OnLeftButtonUp(wParam, lParam);
    case WM_LBUTTONDBLCLK: return OnLeftDoubleClick(wParam, lParam);
    case WM_RBUTTONDOWN: return OnRightButtonDown(wParam, lParam);
    case WM_RBUTTONUP: return OnRightButtonUp(wParam, lParam);
    case WM_RBUTTONDBLCLK: return OnRightDoubleClick(wParam, lParam);
    case WM_NCLBUTTONDOWN: return OnNcLeftButtonDown(wParam, lParam);
    case WM_NCLBUTTONUP: return OnNcLeftButtonUp(wParam, lParam);
    case WM_NCRBUTTONDOWN: return OnNcRightButtonDown(wParam, lParam);
    case WM_NCRBUTTONUP: return OnNcRightButtonUp(wParam, lParam);
    case WM_ENTERSIZEMOVE: return OnEnterSizeMove(wParam, lParam);
    case WM_EXITSIZEMOVE: return OnExitSizeMove(wParam, lParam);
    case 0x0019: return OnCtlColor(wParam, lParam);
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(wParam, lParam);
    case BM_SETCHECK: return OnSetCheck(wParam, lParam);
    case WM_COMMAND: return OnCommand(wParam, lParam);
    case WM_NOTIFY: return OnNotify(wParam, lParam);
    default: return DefaultProc(message, wParam, lParam);
    }
}

INT_PTR CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* object = FromHandle(hwnd);
    if (!object) {
        if (message != WM_INITDIALOG) return ::DefWindowProcW(hwnd, message, wParam, lParam);
        object = reinterpret_cast<Window*>(lParam);
        if (!object || !LiveObjects().count(object)) return FALSE;
        object->handle_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    }
    try {
        return object->Dispatch(message, wParam, lParam);
    } catch (...) {
        // nothing may unwind into the system's code
        LogFailure("ウィンドウの処理で例外", std::string_view(), message);
        return 0;
    }
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
    auto* object = reinterpret_cast<Window*>(data);
    if (!LiveObjects().count(object)) return ::DefSubclassProc(hwnd, message, wParam, lParam);
    try {
        return object->Dispatch(message, wParam, lParam);
    } catch (...) {
        LogFailure("ウィンドウの処理で例外", std::string_view(), message);
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

void Window::AddBinding(Window* target, int kind, int value) {
    bindings_.push_back(Binding{target, kind, value});
    ApplyBinding(target, kind, value);
}

void Window::ApplyBindings() {
    // A binding may add bindings; iterate over a copy.
    const std::vector<Binding> bindings = bindings_;
    for (const Binding& binding : bindings) ApplyBinding(binding.target, binding.kind, binding.value);
}

void Window::Bind(HWND hwnd) {
    handle_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Window::SetParentObject(Window* parent) {
    if (parent_ == parent) return;
    if (parent_) parent_->children_.erase(this);
    parent_ = parent;
    if (parent_) parent_->children_.insert(this);
}

bool Window::AttachTo(Window* dialog, int id) {
    if (!dialog || !dialog->handle_) return false;
    HWND item = ::GetDlgItem(dialog->handle_, id);
    if (!item) return false;
    SetParentObject(dialog);
    Bind(item);
    attached_ = true;
    return true;
}

void Window::Subclass() {
    if (subclassed_ || !handle_) return;
    subclassed_ = true;
    defaultProcedure_ = &::DefSubclassProc;
    ::SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    OnSubclassed();
    ::SetWindowSubclass(handle_, &Window::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void Window::Detach() {
    for (Window* child : children_) child->parent_ = nullptr;
    children_.clear();
    if (parent_) parent_->children_.erase(this);
    parent_ = nullptr;
}

void Window::SetTopmost(bool on) {
    topmost_ = on;
    ::SetWindowPos(handle_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE);
}

std::wstring Window::GetText() const {
    if (!handle_) return std::wstring();
    const int length = ::GetWindowTextLengthW(handle_);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(handle_, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void Window::SetText(const std::wstring& text) {
    if (handle_) ::SetWindowTextW(handle_, text.c_str());
}

void PumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) {
            // keep the quit request for the main loop
            if (message.message == WM_QUIT) ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

namespace {

// Hands the message to a modeless dialog that wants it, or dispatches it.
void RouteMessage(MSG& message) {
    // a dialog may go away while it handles the message
    const std::vector<Dialog*> dialogs = DialogRegistry::Dialogs();
    for (Dialog* dialog : dialogs) {
        HWND hwnd = dialog->handle();
        if (hwnd && ::IsDialogMessageW(hwnd, &message)) return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

}  // namespace

int RunMessageLoop(WaitSource* source) {
    MSG message;
    for (;;) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
            RouteMessage(message);
        }
        std::vector<HANDLE> handles;
        if (source) handles = source->WaitHandles();
        if (handles.size() > MAXIMUM_WAIT_OBJECTS - 1) handles.resize(MAXIMUM_WAIT_OBJECTS - 1);
        const DWORD count = static_cast<DWORD>(handles.size());
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE, QS_ALLINPUT,
                                                          MWMO_INPUTAVAILABLE);
        if (woken < WAIT_OBJECT_0 + count) {
            source->OnSignalled(handles[woken - WAIT_OBJECT_0]);
        } else if (woken == WAIT_FAILED) {
            // A handle closed under the wait: wait for messages alone once,
            // and ask for the handles afresh.
            if (!::WaitMessage()) return -1;
        }
    }
}

}  // namespace kit
