#pragma once
// The base of every window object: binds an object to its window handle and
// turns each message into a call of one virtual handler.
#include <windows.h>

#include <string>
#include <vector>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/unordered_set.hpp>

namespace kit {

class Window;

// What a binding makes its source do to the target (meaning per source class).
enum BindingKind {
    Enable = 1,     // edit box: target enabled exactly while the text is not empty
    ShowValue = 6,  // track bar: target's text shows the position
};

struct Binding {
    Window* target;  // not owned
    int kind;
    int value;
};

// The module whose resources the toolkit loads (the program file).
HINSTANCE Instance();

class Window : private boost::noncopyable {
public:
    using DefaultProcedure = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

    // Whether AttachItem subclasses the control; controls that need their own
    // messages say true.
    static constexpr bool kSubclassOnAttach = false;

    Window();
    virtual ~Window();

    // Slot order matters to nobody but readers: it follows the message table.
    virtual void ApplyBinding(Window* target, int kind, int value);
    virtual void OnSubclassed();
    virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnCreate(WPARAM wParam, LPARAM lParam);             // lParam: CREATESTRUCTW*
    virtual LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);         // wParam: focus control
    virtual LRESULT OnParentNotify(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);          // wParam: HDROP
    virtual LRESULT OnHScroll(WPARAM wParam, LPARAM lParam);            // lParam: scroll control
    virtual LRESULT OnVScroll(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSize(WPARAM wParam, LPARAM lParam);               // lParam: width, height
    virtual LRESULT OnMoving(WPARAM wParam, LPARAM lParam);             // lParam: RECT*
    virtual LRESULT OnMove(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnWindowPosChanging(WPARAM wParam, LPARAM lParam);  // lParam: WINDOWPOS*
    virtual LRESULT OnWindowPosChanged(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnTimer(WPARAM wParam, LPARAM lParam);              // wParam: timer id
    virtual LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);         // wParam: HDC
    virtual LRESULT OnUser(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnGetDlgCode(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);      // lParam: MINMAXINFO*
    virtual LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnInitMenu(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);        // lParam: screen x, y
    virtual LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnKillFocus(WPARAM wParam, LPARAM lParam);          // wParam: window gaining focus
    virtual LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);            // wParam: virtual key
    virtual LRESULT OnKeyUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSysKeyDown(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnSysKeyUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnLeftButtonDown(WPARAM wParam, LPARAM lParam);     // lParam: client x, y
    virtual LRESULT OnLeftButtonUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnLeftDoubleClick(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnRightButtonDown(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnRightButtonUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnRightDoubleClick(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnNcLeftButtonDown(WPARAM wParam, LPARAM lParam);   // wParam: hit-test code
    virtual LRESULT OnNcLeftButtonUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnNcRightButtonDown(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnNcRightButtonUp(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnEnterSizeMove(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnExitSizeMove(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnCtlColor(WPARAM wParam, LPARAM lParam);           // the old message 0x0019
    virtual LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam);     // wParam: HDC, lParam: control
    virtual LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnCommand(WPARAM wParam, LPARAM lParam);            // wParam: code, id; lParam: control
    virtual LRESULT OnNotify(WPARAM wParam, LPARAM lParam);             // lParam: NMHDR*

    // Runs the handler of the message; WM_DESTROY also unlinks the object.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    // The dialog procedure that binds an object on WM_INITDIALOG.
    static INT_PTR CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR object);

    // The live toolkit object stored with a window, or null (also for
    // windows whose user data belongs to someone else).
    static Window* FromHandle(HWND hwnd);
    // A borrowing object on a foreign window; null handle gives none.
    static boost::shared_ptr<Window> Wrap(HWND hwnd);

    void AddBinding(Window* target, int kind, int value);
    void ApplyBindings();

    // Binds this object to item `id` of `dialog`; false when there is no such item.
    bool AttachTo(Window* dialog, int id);
    // Routes the control's own messages through Dispatch (once).
    void Subclass();
    void SetTopmost(bool on);

    std::wstring GetText() const;
    void SetText(const std::wstring& text);

    HWND handle() const { return handle_; }
    Window* parent() const { return parent_; }
    const boost::unordered_set<Window*>& children() const { return children_; }
    bool subclassed() const { return subclassed_; }
    bool attached() const { return attached_; }
    bool topmost() const { return topmost_; }
    bool ownsHandle() const { return ownsHandle_; }

protected:
    // Binds a freshly made handle to this object (user data, parent link).
    void Bind(HWND hwnd);
    void SetParentObject(Window* parent);
    void Detach();
    void SetOwnsHandle(bool owns) { ownsHandle_ = owns; }

    HWND handle_ = nullptr;

private:
    LRESULT Reflect(UINT message, WPARAM wParam, LPARAM lParam, HWND sender);

    Window* parent_ = nullptr;                  // not owned
    boost::unordered_set<Window*> children_;    // not owned
    DefaultProcedure defaultProcedure_;
    std::vector<Binding> bindings_;
    bool subclassed_ = false;
    bool attached_ = false;
    bool topmost_ = false;
    bool ownsHandle_ = true;
};

// A new object of type T bound to item `id` of `dialog`; empty when the item
// does not exist. Controls that handle their own messages are subclassed.
template <class T>
boost::shared_ptr<T> AttachItem(Window* dialog, int id) {
    boost::shared_ptr<T> control(new T());
    if (!control->AttachTo(dialog, id)) return boost::shared_ptr<T>();
    if (T::kSubclassOnAttach) control->Subclass();
    return control;
}

// Delivers queued messages until the queue is empty (used inside long work).
void PumpMessages();
class WaitSource;
// The main loop: runs until WM_QUIT, offering keys to the modeless dialogs
// and calling `source` back when one of its handles is signalled.
int RunMessageLoop(WaitSource* source = nullptr);

}  // namespace kit
