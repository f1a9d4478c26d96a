#pragma once
// Builders of ID3 tags and fake audio as raw bytes, so tests make their own recordings.
#include <cstdint>
#include <string>
#include <vector>

namespace id3bytes {

using Bytes = std::vector<std::uint8_t>;

enum Encoding : std::uint8_t { Latin1 = 0, Utf16Bom = 1, Utf16Be = 2, Utf8 = 3 };

// Body of a text frame: the encoding byte, then the strings with terminators between them.
// Latin-1 takes each character's low byte.
Bytes TextBody(Encoding encoding, const std::vector<std::wstring>& strings);
// Body with an arbitrary encoding byte and payload.
Bytes RawBody(std::uint8_t encoding, const std::string& payload);

// One frame in the layout of the given major version (2, 3 or 4); `formatFlags` is the
// second flag byte (0x02: this frame is unsynchronised, version 4 only).
Bytes Frame(int version, const std::string& id, const Bytes& body, std::uint8_t formatFlags = 0);

struct TagOptions {
    bool unsynchronise = false;  // whole tag for version 3, every frame for version 4
    bool footer = false;         // version 4 only
    std::size_t padding = 0;
    std::uint8_t extraFlags = 0;
};
// A whole ID3v2 tag (header, frames, padding, footer).
Bytes Tag(int version, const std::vector<Bytes>& frames, const TagOptions& options = {});
// Version 3 or 4 tag with TIT2 and TPE1 in one encoding (version 2 uses TT2 and TP1).
Bytes TitleArtistTag(int version, Encoding encoding, const std::wstring& title,
                     const std::wstring& artist, const TagOptions& options = {});
// A bare header declaring `declaredSize` tag bytes behind it.
Bytes Header(std::uint8_t version, std::uint32_t declaredSize);
// Four 7-bit groups, most significant first.
void PutSyncsafe(Bytes& out, std::uint32_t value);

// The 128-byte ID3v1 trailer; fields are raw bytes, cut or padded with `pad` to
// 30 bytes (the year to 4), the rest zero.
Bytes Trailer(const std::string& title, const std::string& artist, char pad = '\0', const std::string& year = {});

// An APE tag of version 2 as recorders append it: header, `itemBytes` of items (zeros)
// and footer.
Bytes ApeTag(std::size_t itemBytes);

// Audio-like bytes that hold none of the markers ("ID3", "TAG", "3DI").
Bytes Audio(std::size_t size, std::uint32_t origin = 1);

Bytes Join(std::initializer_list<Bytes> parts);

}  // namespace id3bytes
