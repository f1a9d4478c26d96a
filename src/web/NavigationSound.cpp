#include "web/NavigationSound.h"

#include <windows.h>

#include <vector>

#include "base/ScopedHandle.h"

namespace kit {

const wchar_t NavigationSound::kKeyPath[] = L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating\\.Current";

namespace {

UniqueRegistryKey OpenSoundKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, NavigationSound::kKeyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return UniqueRegistryKey();
    return UniqueRegistryKey(key);
}

void WriteDefault(HKEY key, const std::wstring& value, DWORD type) {
    RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size() * sizeof(wchar_t)));
}

}  // namespace

void NavigationSound::Silence() {
    if (!savedSound_.empty()) return;  // already silenced: keep the user's sound
    const UniqueRegistryKey key = OpenSoundKey();
    if (!key.Get()) return;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0 &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) ==
            ERROR_SUCCESS)
            savedSound_ = value.data();  // up to the first zero
        savedType_ = type;
    }
    WriteDefault(key.Get(), std::wstring(), REG_SZ);
}

void NavigationSound::Restore() {
    if (savedSound_.empty()) return;
    const UniqueRegistryKey key = OpenSoundKey();
    if (key.Get()) WriteDefault(key.Get(), savedSound_, savedType_);
    savedSound_.clear();
}

}  // namespace kit
