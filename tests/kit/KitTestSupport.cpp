#include "KitTestSupport.h"

#include <shlobj.h>

#include "KitTestIds.h"
#include "base/ScopedHandle.h"
#include "kit/CommonControls.h"
#include "support/UnmanagedWindows.h"

namespace kit_test {

namespace {
const bool unmanagedWindows = testing_support::LeaveWindowsUnmanaged();
}  // namespace

bool OpenTestDialog(RecordingDialog& dialog, int x, int y) {
    static const bool registered = kit::InitializeCommonControls();
    (void)registered;
    if (!dialog.Create(nullptr, IDD_KIT_TEST)) return false;
    ::SetWindowPos(dialog.handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(dialog.handle(), SW_SHOW);
    kit::PumpMessages();
    return true;
}

HGLOBAL MakeDrop(const std::vector<std::wstring>& paths) {
    size_t characters = 1;  // the closing empty name
    for (const auto& path : paths) characters += path.size() + 1;
    const size_t bytes = sizeof(DROPFILES) + characters * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GHND, bytes);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
    for (const auto& path : paths) {
        std::copy(path.begin(), path.end(), names);
        names += path.size();
        *names++ = L'\0';
    }
    *names = L'\0';
    ::GlobalUnlock(memory);
    return memory;
}

void SetControlKey(bool down) {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

}  // namespace kit_test
