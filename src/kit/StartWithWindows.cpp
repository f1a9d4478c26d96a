#include "kit/StartWithWindows.h"

#include <windows.h>

#include "base/ScopedHandle.h"

namespace kit {

const wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

namespace {

UniqueRegistryKey OpenRunKey(REGSAM access) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, access, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return UniqueRegistryKey();
    return UniqueRegistryKey(key);
}

}  // namespace

bool StartsWithWindows(const std::wstring& name) {
    const UniqueRegistryKey key = OpenRunKey(KEY_QUERY_VALUE);
    return key && ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool SetStartWithWindows(const std::wstring& name, const std::wstring& command, bool on) {
    const UniqueRegistryKey key = OpenRunKey(KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!key) return false;
    if (!on) {
        const LSTATUS status = ::RegDeleteValueW(key.Get(), name.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace kit
