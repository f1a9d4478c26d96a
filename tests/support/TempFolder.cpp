#include "support/TempFolder.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

#include "base/PathHelpers.h"
#include "base/ScopedHandle.h"

namespace testing_support {

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    wchar_t base[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, base);
    for (;;) {
        path_ = std::wstring(base) + L"kestrel-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++);
        if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::wstring PointTrashAt(const std::wstring& dataHome) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    char* name = unixName ? unixName(dataHome.c_str()) : nullptr;
    if (name) {
        const std::string value = std::string("XDG_DATA_HOME=") + name;
        ::HeapFree(::GetProcessHeap(), 0, name);
        ::_putenv(value.c_str());
        ::SetEnvironmentVariableA("XDG_DATA_HOME", value.c_str() + 14);
    }
    return dataHome + L"\\Trash\\files\\";
}

std::wstring TempFolder::AddFile(const std::wstring& name, const std::vector<std::uint8_t>& bytes) const {
    const std::wstring full = *this / name;
    WriteBytes(full, bytes);
    return full;
}

std::wstring TempFolder::AddFolder(const std::wstring& name) const {
    const std::wstring full = *this / name;
    ::CreateDirectoryW(full.c_str(), nullptr);
    return full;
}

// Trees deeper than MAX_PATH too, which some tests make.
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW record;
    kit::UniqueFindHandle find(::FindFirstFileW(ExtendedLengthPath(path + L"\\*").c_str(), &record));
    if (find) {
        do {
            std::wstring name = record.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = path + L"\\" + name;
            ::SetFileAttributesW(ExtendedLengthPath(full).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                ::DeleteFileW(ExtendedLengthPath(full).c_str());
        } while (::FindNextFileW(find.Get(), &record));
    }
    ::RemoveDirectoryW(ExtendedLengthPath(path).c_str());
}

bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() ||
              ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return ok && written == bytes.size();
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (!file) return bytes;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file.Get(), &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty()) ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return bytes;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SetWriteTime(const std::wstring& path, int minutes) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    SYSTEMTIME day{2026, 12, 2, 8, 10, 0, 0, 0};
    FILETIME time;
    ::SystemTimeToFileTime(&day, &time);
    ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
    value.QuadPart += static_cast<ULONGLONG>(minutes) * 60ULL * 10000000ULL;
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    return ::SetFileTime(file.Get(), nullptr, nullptr, &time) != FALSE;
}

namespace {
BY_HANDLE_FILE_INFORMATION InfoOf(const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    kit::UniqueHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file) ::GetFileInformationByHandle(file.Get(), &info);
    return info;
}
}  // namespace

FILETIME LastWriteTime(const std::wstring& path) { return InfoOf(path).ftLastWriteTime; }
FILETIME CreationTime(const std::wstring& path) { return InfoOf(path).ftCreationTime; }

bool SameTime(const FILETIME& a, const FILETIME& b) { return ::CompareFileTime(&a, &b) == 0; }

std::vector<std::wstring> ListNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW record;
    kit::UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &record));
    if (!find) return names;
    do {
        std::wstring name = record.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find.Get(), &record));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testing_support
