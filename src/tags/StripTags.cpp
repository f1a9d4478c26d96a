#include "tags/StripTags.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "base/File.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandle.h"
#include "base/TemporaryFile.h"
#include "tags/TagLayout.h"

namespace {

// Large enough that the copy runs at disk speed, small enough to stay cheap.
constexpr std::uint64_t kCopyChunk = 1u << 20;

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

bool CopyRange(kit::File& source, std::uint64_t begin, std::uint64_t end, kit::File& target) {
    std::vector<std::uint8_t> chunk(static_cast<size_t>(std::min(kCopyChunk, end - begin)));
    source.Seek(begin);
    for (std::uint64_t left = end - begin; left > 0;) {
        const std::uint64_t count = std::min<std::uint64_t>(chunk.size(), left);
        if (source.Read(chunk.data(), count) != count) return false;
        if (target.Write(chunk.data(), count) != count) return false;
        left -= count;
    }
    return true;
}

// Writes the kept bytes into a new file beside the original and renames it over the
// original only when all of them were written; until then the original stays whole.
bool RewriteWithoutTags(const std::wstring& path, kit::File& source, const TagLayout& layout,
                        const FILE_BASIC_INFO& original) {
    kit::TemporaryFile temporary(kit::TemporaryFile::ReserveBeside(path));
    if (temporary.path().empty()) return false;

    kit::File target;
    if (!target.OpenWrite(temporary.path())) return false;
    if (!CopyRange(source, layout.keepBegin, layout.keepEnd, target)) return false;
    // The recording keeps its creation time and attributes; zero fields stay as they are.
    FILE_BASIC_INFO basic{};
    basic.CreationTime = original.CreationTime;
    basic.FileAttributes = original.FileAttributes &
        (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (!::SetFileInformationByHandle(target.handle(), FileBasicInfo, &basic, sizeof basic)) return false;
    target.Close();
    source.Close();

    // The rename replaces the original in one step; write-through makes it reach the
    // disk before we report success (a flush of the whole copy would double the time).
    if (!::MoveFileExW(temporary.path().c_str(), ExtendedLengthPath(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    temporary.Keep();
    return true;
}

}  // namespace

bool StripTags(const std::wstring& path) {
    try {
        kit::File source;
        if (!source.OpenRead(path, FILE_SHARE_READ)) return false;
        const TagLayout layout = ReadTagLayout(source);
        if (!layout.HasTags()) return true;
        if (!layout.Fits()) return false;

        FILE_BASIC_INFO info{};
        if (!::GetFileInformationByHandleEx(source.handle(), FileBasicInfo, &info, sizeof info)) return false;
        // A read-only file stays as it is, even where the account could write it anyway.
        if (info.FileAttributes & FILE_ATTRIBUTE_READONLY) return false;

        if (!layout.hasHeader) {
            const std::uint64_t size = source.size();
            source.Close();
            return CutTrailer(path, layout, size);
        }
        return RewriteWithoutTags(path, source, layout, info);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
