#include "base/FileFinder.h"

#include "base/PathHelpers.h"

std::wstring FileFinder::First(const std::wstring& pattern) {
    Close();
    handle_.Reset(::FindFirstFileW(ExtendedLengthPath(pattern).c_str(), &record_));
    return handle_ ? std::wstring(record_.cFileName) : std::wstring();
}

std::wstring FileFinder::Next() {
    if (!handle_ || !::FindNextFileW(handle_.Get(), &record_)) return std::wstring();
    return record_.cFileName;
}
