#include "settings/SettingsStream.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace settings_stream {

namespace {
// Deflate cannot expand data by more than about 1032:1; a claim beyond that
// is damage, not data.
constexpr std::uint64_t kMaxInflateRatio = 1032;
constexpr std::uint64_t kInflateSlack = 4096;
}  // namespace

bool ReadU32(kit::File& stream, std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (stream.Read(bytes, 4) != 4) return false;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

bool WriteU32(kit::File& stream, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 24)};
    return stream.Write(bytes, 4) == 4;
}

bool ReadString(kit::File& stream, std::wstring& text) {
    text.clear();
    std::uint8_t unit[2];
    while (stream.Read(unit, 2) == 2) {
        wchar_t c = static_cast<wchar_t>(unit[0] | (unit[1] << 8));
        if (c == 0) return true;
        text.push_back(c);
    }
    return false;
}

bool WriteString(kit::File& stream, const std::wstring& text) {
    std::vector<std::uint8_t> bytes((text.size() + 1) * 2, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>((text[i] >> 8) & 0xFF);
    }
    return stream.Write(bytes.data(), bytes.size()) == bytes.size();
}

bool ReadByteBlock(kit::File& stream, std::vector<std::uint8_t>& block) {
    std::uint32_t length = 0;
    if (!ReadU32(stream, length) || length > stream.Remaining()) return false;
    block.assign(length, 0);
    return length == 0 || stream.Read(block.data(), length) == length;
}

bool WriteByteBlock(kit::File& stream, const std::vector<std::uint8_t>& block) {
    if (block.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    return WriteU32(stream, static_cast<std::uint32_t>(block.size())) &&
           (block.empty() || stream.Write(block.data(), block.size()) == block.size());
}

bool WriteCompressedBlock(kit::File& stream, const std::vector<std::uint8_t>& block) {
    if (block.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    const auto length = static_cast<uLong>(block.size());
    if (!WriteU32(stream, static_cast<std::uint32_t>(length))) return false;
    if (length == 0) return true;
    uLongf packedLength = compressBound(length);
    std::vector<std::uint8_t> packed(packedLength);
    if (compress(packed.data(), &packedLength, block.data(), length) != Z_OK) return false;
    return WriteU32(stream, static_cast<std::uint32_t>(packedLength)) &&
           stream.Write(packed.data(), packedLength) == packedLength;
}

bool ReadCompressedBlock(kit::File& stream, std::vector<std::uint8_t>& block) {
    block.clear();
    std::uint32_t length = 0;
    if (!ReadU32(stream, length)) return false;
    if (length == 0) return true;
    std::uint32_t packedLength = 0;
    if (!ReadU32(stream, packedLength) || packedLength == 0 || packedLength > stream.Remaining())
        return false;
    if (length > packedLength * kMaxInflateRatio + kInflateSlack) return false;

    std::vector<std::uint8_t> packed(packedLength);
    if (stream.Read(packed.data(), packedLength) != packedLength) return false;

    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = packed.data();
    z.avail_in = packedLength;
    // Start near what typical bodies need and grow only as real output arrives.
    block.resize(std::min<std::uint64_t>(length, std::uint64_t(packedLength) * 8 + kInflateSlack));
    int status = Z_OK;
    for (;;) {
        z.next_out = block.data() + z.total_out;
        z.avail_out = static_cast<uInt>(block.size() - z.total_out);
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK) break;
        if (z.avail_out == 0) {
            if (block.size() == length) {
                // Full, yet the stream goes on: one more byte would exceed N.
                std::uint8_t probe;
                z.next_out = &probe;
                z.avail_out = 1;
                status = inflate(&z, Z_NO_FLUSH);
                if (status == Z_STREAM_END && z.avail_out == 1) break;
                status = Z_DATA_ERROR;
                break;
            }
            block.resize(std::min<std::uint64_t>(length, std::uint64_t(block.size()) * 2));
        } else if (z.avail_in == 0) {
            status = Z_DATA_ERROR;  // input used up before the stream ended
            break;
        }
    }
    const uLong inflated = z.total_out;
    inflateEnd(&z);
    if (status != Z_STREAM_END || inflated != length) {
        block.clear();
        return false;
    }
    return true;
}

}  // namespace settings_stream
