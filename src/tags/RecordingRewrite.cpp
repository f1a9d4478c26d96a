#include "tags/RecordingRewrite.h"

#include <algorithm>
#include <vector>

#include "base/PathHelpers.h"
#include "base/TemporaryFile.h"

namespace {

// Large enough that the copy runs at disk speed, small enough to stay cheap.
constexpr std::uint64_t kCopyChunk = 1u << 20;

// The copy's writes end on chunk boundaries of the new file, whatever the head before
// them: its pages are then written whole, once.
bool CopyRange(kit::File& source, std::uint64_t begin, std::uint64_t end, kit::File& target,
               std::uint64_t targetOffset) {
    std::vector<std::uint8_t> chunk(static_cast<size_t>(std::min(kCopyChunk, end - begin)));
    source.Seek(begin);
    std::uint64_t count = kCopyChunk - targetOffset % kCopyChunk;
    for (std::uint64_t left = end - begin; left > 0; count = kCopyChunk) {
        count = std::min({count, left, static_cast<std::uint64_t>(chunk.size())});
        if (source.Read(chunk.data(), count) != count) return false;
        if (target.Write(chunk.data(), count) != count) return false;
        left -= count;
    }
    return true;
}

}  // namespace

bool RecordingRewrite::Open(const std::wstring& path) {
    path_ = path;
    if (!source_.OpenRead(path, FILE_SHARE_READ)) return false;
    return ::GetFileInformationByHandleEx(source_.handle(), FileBasicInfo, &original_, sizeof original_) != 0;
}

bool RecordingRewrite::ReplaceWith(const void* head, std::uint64_t headSize, std::uint64_t begin,
                                   std::uint64_t end) {
    if (IsReadOnly() || begin > end || end > source_.size()) return false;
    kit::TemporaryFile temporary(kit::TemporaryFile::ReserveBeside(path_));
    if (temporary.path().empty()) return false;

    kit::File target;
    if (!target.OpenWrite(temporary.path())) return false;
    if (headSize > 0 && target.Write(head, headSize) != headSize) return false;
    if (!CopyRange(source_, begin, end, target, headSize)) return false;
    // The recording keeps its creation time and attributes; zero fields stay as they are.
    FILE_BASIC_INFO basic{};
    basic.CreationTime = original_.CreationTime;
    basic.FileAttributes = original_.FileAttributes &
        (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (!::SetFileInformationByHandle(target.handle(), FileBasicInfo, &basic, sizeof basic)) return false;
    target.Close();
    source_.Close();

    // The rename replaces the original in one step; write-through makes it reach the
    // disk before we report success (a flush of the whole copy would double the time).
    if (!::MoveFileExW(temporary.path().c_str(), ExtendedLengthPath(path_).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    temporary.Keep();
    return true;
}
