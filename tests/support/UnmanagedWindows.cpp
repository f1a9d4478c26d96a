#include "UnmanagedWindows.h"

#include <windows.h>

#include <string>

namespace testing_support {

bool LeaveWindowsUnmanaged() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring program(path, length);
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + program.substr(program.find_last_of(L'\\') + 1) +
                             L"\\X11 Driver";
    const wchar_t no[] = L"N";
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, no, sizeof(no)) == ERROR_SUCCESS;
}

}  // namespace testing_support
