#pragma once
// Where the ID3 tags of a recording lie: one ID3v2 tag at offset 0 and one ID3v1
// trailer in the last 128 bytes. Nothing else is recognised (no appended tag, no
// version 2.4 footer, no second tag behind the first).
#include <cstdint>

#include "base/File.h"

struct TagLayout {
    bool hasHeader = false;   // "ID3" at offset 0 with a whole 10-byte header of
                              // version 2, 3 or 4 and a syncsafe size
    bool hasTrailer = false;  // "TAG" at size - 128
    std::uint64_t keepBegin = 0;  // 10 + declared tag size when there is a header
    std::uint64_t keepEnd = 0;    // size, or size - 128 when there is a trailer

    bool HasTags() const { return hasHeader || hasTrailer; }
    // False when the header claims bytes the file does not have (or the trailer's).
    bool Fits() const { return keepBegin <= keepEnd; }
};

// Reads the markers through the stream's positioning; leaves the position undefined.
TagLayout ReadTagLayout(kit::File& file);

// For a file that gets a fresh tag: past every ID3v2 tag in a row at its start (with
// its version 2.4 footer), and before every tag that players look for at its end, in
// any order: ID3v1, APE (with or without its header), ID3v2 with a footer. A tag at
// the end that claims more bytes than lie before it is taken for audio and kept.
TagLayout ReadEveryTagLayout(kit::File& file);
