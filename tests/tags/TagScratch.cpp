#include "TagScratch.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <vector>

#include "base/ScopedHandle.h"

namespace tagtest {

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"kestrel-tags-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAW data;
    kit::UniqueFindHandle find(::FindFirstFileW((path_ + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring file = path_ + L"\\" + name;
            ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(file.c_str());
        } while (::FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    ::RemoveDirectoryW(path_.c_str());
}

std::wstring ScratchFolder::Listing() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    kit::UniqueFindHandle find(::FindFirstFileW((path_ + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (::FindNextFileW(find.Get(), &data));
    }
    std::sort(names.begin(), names.end());
    std::wstring out;
    for (const auto& n : names) out += n + L"|";
    return out;
}

void WriteBytes(const std::wstring& path, const id3bytes::Bytes& bytes) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create test file");
    DWORD wrote = 0;
    if (!bytes.empty() &&
        (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) ||
         wrote != bytes.size()))
        throw std::runtime_error("cannot write test file");
}

id3bytes::Bytes ReadBytes(const std::wstring& path) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file.Get(), &size);
    id3bytes::Bytes bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
        return {};
    return bytes;
}

namespace {
BY_HANDLE_FILE_INFORMATION InfoOf(const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    kit::UniqueHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) ::GetFileInformationByHandle(file.Get(), &info);
    return info;
}
}  // namespace

FILETIME LastWriteTime(const std::wstring& path) { return InfoOf(path).ftLastWriteTime; }
FILETIME CreationTime(const std::wstring& path) { return InfoOf(path).ftCreationTime; }

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace tagtest
