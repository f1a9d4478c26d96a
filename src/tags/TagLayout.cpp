#include "tags/TagLayout.h"

#include <cstring>

namespace {
constexpr std::uint64_t kHeaderSize = 10;
constexpr std::uint64_t kTrailerSize = 128;
constexpr std::uint64_t kApeFooterSize = 32;
// Tags in a row at either end, at most: a file of nothing but tiny tags stays cheap.
constexpr int kMaxTagsInARow = 64;

// "ID3", a version this program knows (2.2, 2.3, 2.4) and a syncsafe size.
// Anything else is audio that happens to start so: cutting by its size bytes
// could remove seconds of the only copy of the recording.
bool IsTagHeader(const std::uint8_t* bytes) {
    if (std::memcmp(bytes, "ID3", 3) != 0 || bytes[3] < 2 || bytes[3] > 4) return false;
    for (int i = 6; i < 10; ++i)
        if (bytes[i] >= 0x80) return false;
    return true;
}

// Four 7-bit groups, most significant first.
std::uint64_t SyncsafeSize(const std::uint8_t* bytes) {
    std::uint64_t size = 0;
    for (int i = 0; i < 4; ++i) size = size * 128 + bytes[i];
    return size;
}

std::uint32_t LittleEndian(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Bytes of the tag that ends at `end`, or 0 when none ends there. Never more than
// `room`, the bytes between the leading tags and `end`.
std::uint64_t TagEndingAt(kit::File& file, std::uint64_t end, std::uint64_t room) {
    std::uint8_t bytes[kApeFooterSize];
    if (room >= kTrailerSize) {
        file.Seek(end - kTrailerSize);
        if (file.Read(bytes, 3) == 3 && std::memcmp(bytes, "TAG", 3) == 0) return kTrailerSize;
    }
    if (room >= kApeFooterSize) {
        file.Seek(end - kApeFooterSize);
        if (file.Read(bytes, kApeFooterSize) == kApeFooterSize && std::memcmp(bytes, "APETAGEX", 8) == 0) {
            // The size counts the items and the footer; a header, when flagged, comes on top.
            std::uint64_t size = LittleEndian(bytes + 12);
            if (bytes[23] & 0x80) size += kApeFooterSize;
            if (size >= kApeFooterSize && size <= room) return size;
        }
    }
    if (room >= 2 * kHeaderSize) {
        file.Seek(end - kHeaderSize);
        if (file.Read(bytes, kHeaderSize) == kHeaderSize && std::memcmp(bytes, "3DI", 3) == 0 && bytes[3] == 4) {
            bytes[0] = 'I', bytes[1] = 'D', bytes[2] = '3';
            const std::uint64_t size = 2 * kHeaderSize + SyncsafeSize(bytes + 6);
            if (IsTagHeader(bytes) && size <= room) return size;
        }
    }
    return 0;
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
        layout.hasHeader = true;
        layout.keepBegin = kHeaderSize + SyncsafeSize(bytes + 6);
    }
    return layout;
}

TagLayout ReadEveryTagLayout(kit::File& file) {
    TagLayout layout;
    const std::uint64_t size = file.size();
    std::uint8_t bytes[kHeaderSize];
    for (int i = 0; i < kMaxTagsInARow && layout.keepBegin + kHeaderSize <= size; ++i) {
        file.Seek(layout.keepBegin);
        if (file.Read(bytes, kHeaderSize) != kHeaderSize || !IsTagHeader(bytes)) break;
        const bool footer = bytes[3] == 4 && (bytes[5] & 0x10);
        layout.hasHeader = true;
        layout.keepBegin += kHeaderSize + SyncsafeSize(bytes + 6) + (footer ? kHeaderSize : 0);
    }
    layout.keepEnd = size;
    for (int i = 0; i < kMaxTagsInARow && layout.Fits(); ++i) {
        const std::uint64_t tag = TagEndingAt(file, layout.keepEnd, layout.keepEnd - layout.keepBegin);
        if (tag == 0) break;
        layout.hasTrailer = true;
        layout.keepEnd -= tag;
    }
    return layout;
}
