#include "base/FileIdentity.h"

#include <algorithm>

#include "base/ScopedHandle.h"

bool ReadFileIdentity(const std::wstring& path, FileIdentity& identity) {
    if (path.empty()) return false;
    // No access asked for: works on files others hold open, and on folders.
    kit::UniqueHandle file(::CreateFileW(path.c_str(), 0,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                         nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !::GetFileInformationByHandle(file.Get(), &information)) return false;
    if (information.nFileIndexHigh == 0 && information.nFileIndexLow == 0) return false;
    identity.volume = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
    return true;
}

std::wstring FullPathOf(const std::wstring& path) {
    if (path.empty()) return {};
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return {};
    full.resize(length);
    return full;
}

std::wstring ParentFolderOf(const std::wstring& path) {
    std::wstring full = FullPathOf(path);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    const size_t slash = full.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= full.size()) return {};
    return full.substr(0, slash + 1);
}

bool IsDirectlyInside(const std::wstring& path, const std::vector<FileIdentity>& folders) {
    FileIdentity parent;
    if (!ReadFileIdentity(ParentFolderOf(path), parent)) return false;
    return std::find(folders.begin(), folders.end(), parent) != folders.end();
}
