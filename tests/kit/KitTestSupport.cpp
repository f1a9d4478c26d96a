#include "KitTestSupport.h"

#include <shlobj.h>

#include "KitTestIds.h"
#include "base/ScopedHandle.h"
#include "kit/CommonControls.h"

namespace kit_test {

namespace {
// Without a window manager, Wine waits two seconds for every managed window
// it hides. Windows of this test program are left unmanaged (read by Wine
// when the first window is made, so this runs before main).
const bool unmanagedWindows = [] {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\test_kit.exe\\X11 Driver", 0, nullptr,
                          0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const wchar_t no[] = L"N";
    ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof(no));
    ::RegCloseKey(key);
    return true;
}();
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

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"kit_test_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(::GetTickCount());
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    for (const auto& file : files_) ::DeleteFileW(file.c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
    ::RemoveDirectoryW(path_.c_str());
}

std::wstring TempFolder::AddFile(const std::wstring& name) {
    const std::wstring full = path_ + L"\\" + name;
    kit::UniqueHandle file(::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    files_.push_back(full);
    return full;
}

std::wstring TempFolder::AddFolder(const std::wstring& name) {
    const std::wstring full = path_ + L"\\" + name;
    ::CreateDirectoryW(full.c_str(), nullptr);
    folders_.push_back(full);
    return full;
}

void SetControlKey(bool down) {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

}  // namespace kit_test
