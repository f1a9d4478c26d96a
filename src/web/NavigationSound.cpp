#include "web/NavigationSound.h"

#include <windows.h>

#include <vector>

#include "base/RegistryText.h"
#include "base/ScopedHandle.h"

namespace kit {

const wchar_t NavigationSound::kKeyPath[] = L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating\\.Current";
const wchar_t NavigationSound::kBackupKeyPath[] = L"Software\\Kestrel";
const wchar_t NavigationSound::kBackupValue[] = L"NavigatingSound";

namespace {

UniqueRegistryKey OpenKey(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return UniqueRegistryKey();
    return UniqueRegistryKey(key);
}

UniqueRegistryKey OpenSoundKey() { return OpenKey(NavigationSound::kKeyPath); }

void WriteDefault(HKEY key, const std::wstring& value, DWORD type) {
    RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size() * sizeof(wchar_t)));
}

void ForgetBackup() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, NavigationSound::kBackupKeyPath, NavigationSound::kBackupValue);
    // The key goes again when nothing else is kept there.
    DWORD subkeys = 1, values = 1;
    {
        const UniqueRegistryKey key = OpenKey(NavigationSound::kBackupKeyPath);
        if (!key.Get() || RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
    }
    if (subkeys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, NavigationSound::kBackupKeyPath);
}

}  // namespace

void NavigationSound::RestoreLeftSilenced() {
    std::wstring backup, current;
    DWORD backupType = REG_SZ, currentType = REG_SZ;
    if (!ReadRegistryText(HKEY_CURRENT_USER, kBackupKeyPath, kBackupValue, backup, &backupType)) return;
    if (ReadRegistryText(HKEY_CURRENT_USER, kKeyPath, nullptr, current, &currentType) && current.empty() && !backup.empty()) {
        const UniqueRegistryKey key = OpenSoundKey();
        if (key.Get()) WriteDefault(key.Get(), backup, backupType);
    }
    ForgetBackup();
}

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
    // Kept before it is overwritten: the program may be ended before Restore.
    if (!savedSound_.empty() &&
        RegSetKeyValueW(HKEY_CURRENT_USER, kBackupKeyPath, kBackupValue, savedType_, savedSound_.c_str(),
                        static_cast<DWORD>((savedSound_.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
        savedSound_.clear();
        return;  // better a click than a sound lost for good
    }
    WriteDefault(key.Get(), std::wstring(), REG_SZ);
}

void NavigationSound::Restore() {
    if (savedSound_.empty()) return;
    const UniqueRegistryKey key = OpenSoundKey();
    if (key.Get()) WriteDefault(key.Get(), savedSound_, savedType_);
    savedSound_.clear();
    ForgetBackup();
}

}  // namespace kit
