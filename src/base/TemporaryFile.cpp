#include "base/TemporaryFile.h"

#include "base/PathHelpers.h"
#include "base/ScopedHandle.h"

namespace kit {

std::wstring TemporaryFile::ReserveBeside(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    const std::wstring stem = L"kst" + std::to_wstring(::GetCurrentProcessId()) + L"-";
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const LONG serial = ::InterlockedIncrement(&counter);
        const std::wstring name =
            ExtendedLengthPath(folder + stem + std::to_wstring(::GetTickCount() + serial) + L".tmp");
        // CREATE_NEW: a name that exists, perhaps another program's, is never reused
        const UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return name;
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return std::wstring();
}

}  // namespace kit
