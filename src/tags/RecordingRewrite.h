#pragma once
// A finished recording rewritten without risk: the new version is written into a new
// file beside it and renamed over it only when whole, so that a kill or a full disk
// leaves the original as it was (at worst with a left-over kst*.tmp beside it).
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/File.h"

class RecordingRewrite {
public:
    // Opens the recording for reading, sharing reading only: a file still being
    // written is refused.
    bool Open(const std::wstring& path);
    // A read-only file stays as it is, even where the account could write it anyway.
    bool IsReadOnly() const { return (original_.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0; }

    kit::File& source() { return source_; }

    // Writes `head`, then the recording's bytes from `begin` to `end`, into a new file
    // that gets the recording's creation time and attributes and replaces it. A
    // read-only recording is refused.
    bool ReplaceWith(const void* head, std::uint64_t headSize, std::uint64_t begin, std::uint64_t end);

private:
    std::wstring path_;
    kit::File source_;
    FILE_BASIC_INFO original_{};
};
