#include "tags/StripTags.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "base/PathHelpers.h"
#include "base/ScopedHandle.h"
#include "tags/RecordingRewrite.h"
#include "tags/TagLayout.h"

namespace {

// Only a trailer: nothing moves, so the file is shortened where it lies.
bool CutTrailer(const std::wstring& path, const TagLayout& layout, std::uint64_t size) {
    kit::UniqueHandle file(::CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    // The file was closed between looking and cutting: make sure it is still the same.
    LARGE_INTEGER current{};
    if (!::GetFileSizeEx(file.Get(), &current) || static_cast<std::uint64_t>(current.QuadPart) != size)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(layout.keepEnd);
    char marker[3];
    DWORD got = 0;
    if (!::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
        !::ReadFile(file.Get(), marker, sizeof marker, &got, nullptr) || got != sizeof marker ||
        std::memcmp(marker, "TAG", 3) != 0)
        return false;
    return ::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.Get());
}

}  // namespace

bool StripTags(const std::wstring& path) {
    try {
        RecordingRewrite rewrite;
        if (!rewrite.Open(path)) return false;
        const TagLayout layout = ReadTagLayout(rewrite.source());
        if (!layout.HasTags()) return true;
        if (!layout.Fits() || rewrite.IsReadOnly()) return false;

        if (!layout.hasHeader) {
            const std::uint64_t size = rewrite.source().size();
            rewrite.source().Close();
            return CutTrailer(path, layout, size);
        }
        return rewrite.ReplaceWith(nullptr, 0, layout.keepBegin, layout.keepEnd);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
