#include "tags/TagLayout.h"

#include <cstring>

namespace {
constexpr std::uint64_t kHeaderSize = 10;
constexpr std::uint64_t kTrailerSize = 128;

// "ID3", a version this program knows (2.2, 2.3, 2.4) and a syncsafe size.
// Anything else is audio that happens to start so: cutting by its size bytes
// could remove seconds of the only copy of the recording.
bool IsTagHeader(const std::uint8_t* bytes) {
    if (std::memcmp(bytes, "ID3", 3) != 0 || bytes[3] < 2 || bytes[3] > 4) return false;
    for (int i = 6; i < 10; ++i)
        if (bytes[i] >= 0x80) return false;
    return true;
}
}  // namespace

TagLayout ReadTagLayout(kit::File& file) {
    TagLayout layout;
    const std::uint64_t size = file.size();
    layout.keepEnd = size;
    std::uint8_t bytes[kHeaderSize];

    if (size >= kTrailerSize) {
        file.Seek(size - kTrailerSize);
        if (file.Read(bytes, 3) == 3 && std::memcmp(bytes, "TAG", 3) == 0) {
            layout.hasTrailer = true;
            layout.keepEnd = size - kTrailerSize;
        }
    }

    file.Seek(0);
    // A file shorter than a header has no header, whatever its first bytes are.
    if (file.Read(bytes, kHeaderSize) == kHeaderSize && IsTagHeader(bytes)) {
        // Four 7-bit groups, most significant first.
        std::uint64_t tagSize = 0;
        for (int i = 6; i < 10; ++i) tagSize = tagSize * 128 + bytes[i];
        layout.hasHeader = true;
        layout.keepBegin = kHeaderSize + tagSize;
    }
    return layout;
}
