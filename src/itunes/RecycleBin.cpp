#include "itunes/RecycleBin.h"

#include <windows.h>
#include <shellapi.h>

#include "base/FileIdentity.h"
#include "base/ScopedHandle.h"

namespace {

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CanRecycle(const std::wstring& path) {
    const std::wstring full = FullPathOf(path);
    if (full.empty() || !IsFile(full)) return false;
    {
        kit::UniqueHandle file(::CreateFileW(full.c_str(), DELETE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) return false;
    }
    wchar_t volume[MAX_PATH] = {};
    if (!::GetVolumePathNameW(full.c_str(), volume, MAX_PATH)) return false;
    return ::GetDriveTypeW(volume) == DRIVE_FIXED;
}

bool RecycleFile(const std::wstring& path) {
    std::wstring from = FullPathOf(path);
    if (from.empty()) return false;
    const std::wstring target = from;
    from.push_back(L'\0');  // the list ends with a second terminator
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return ::SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted &&
           !IsFile(target);
}
