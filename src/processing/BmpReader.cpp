// Windows bitmap files, read by hand: uncompressed and BI_BITFIELDS pictures
// with an information header of at least 40 bytes.
#include <algorithm>
#include <climits>
#include <cstring>

#include "base/BitmapLimits.h"
#include "processing/ImageReaders.h"

namespace kit {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

std::uint32_t U16At(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32At(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

bool KnownBitCount(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A top-down picture is turned into the bottom-up layout everything else expects.
void FlipRows(Bitmap& bitmap) {
    const size_t stride = static_cast<size_t>(bitmap.stride);
    std::vector<std::uint8_t> swap(stride);
    std::uint8_t* top = bitmap.pixels.data();
    std::uint8_t* bottom = bitmap.pixels.data() + bitmap.pixels.size() - stride;
    for (; top < bottom; top += stride, bottom -= stride) {
        std::memcpy(swap.data(), top, stride);
        std::memcpy(top, bottom, stride);
        std::memcpy(bottom, swap.data(), stride);
    }
}

}  // namespace

bool ReadBmp(File& file, Bitmap& bitmap) {
    file.Rewind();
    std::uint8_t header[kFileHeaderSize + kInfoHeaderSize];
    if (file.Read(header, sizeof header) != sizeof header) return false;
    if (header[0] != 'B' || header[1] != 'M') return false;

    const std::uint32_t dataOffset = U32At(header + 10);
    const std::uint32_t infoSize = U32At(header + 14);
    const std::int32_t width = static_cast<std::int32_t>(U32At(header + 18));
    const std::int32_t height = static_cast<std::int32_t>(U32At(header + 22));
    const std::uint32_t bits = U16At(header + 28);
    const std::uint32_t compression = U32At(header + 30);
    const std::uint32_t colorsUsed = U32At(header + 46);

    // Older 12-byte headers put other fields at these offsets.
    if (infoSize < kInfoHeaderSize) return false;
    if (!KnownBitCount(bits)) return false;
    // Run-length and embedded JPEG/PNG data are not decoded: refuse rather than show garbage.
    const bool bitfields = compression == kBiBitfields && (bits == 16 || bits == 32);
    if (compression != kBiRgb && !bitfields) return false;
    if (width <= 0 || height == 0 || height == INT_MIN) return false;
    const std::int32_t rows = height < 0 ? -height : height;
    if (!BitmapFitsBounds(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(rows), bits))
        return false;

    bitmap.Create(static_cast<std::uint32_t>(width), rows, static_cast<std::int32_t>(bits));

    // The three masks follow a 40-byte header; larger headers hold them at the same place.
    std::uint64_t tableOffset = kFileHeaderSize + static_cast<std::uint64_t>(infoSize);
    if (bitfields) {
        std::uint8_t masks[12] = {};
        file.Seek(kFileHeaderSize + kInfoHeaderSize);
        if (file.Read(masks, sizeof masks) != sizeof masks) return false;
        for (int i = 0; i < 3; ++i) bitmap.masks[i] = U32At(masks + 4 * i);
        if (infoSize == kInfoHeaderSize) tableOffset += sizeof masks;
    }

    std::uint32_t entries = colorsUsed;
    if (bits < 16) {
        if (entries == 0) entries = 256;
        entries = std::min<std::uint32_t>(entries, 1u << bits);
    }
    entries = std::min<std::uint32_t>(entries, 256);
    if (entries > 0) {
        std::vector<std::uint8_t> table(entries * 4);
        file.Seek(tableOffset);
        std::uint64_t got = file.Read(table.data(), table.size());
        bitmap.palette.resize(static_cast<size_t>(got / 4));
        for (size_t i = 0; i < bitmap.palette.size(); ++i) bitmap.palette[i] = U32At(table.data() + 4 * i);
    }

    // The rows are read whatever the image-size field claims; missing bytes stay 0.
    if (dataOffset != 0) file.Seek(dataOffset);
    file.Read(bitmap.pixels.data(), bitmap.pixels.size());
    if (height < 0) FlipRows(bitmap);

    // The fourth byte of a plain 32-bit pixel is unused by most writers: make it opaque.
    const bool topByteIsColour =
        bitfields && ((bitmap.masks[0] | bitmap.masks[1] | bitmap.masks[2]) & 0xFF000000u) != 0;
    if (bits == 32 && !topByteIsColour) {
        for (size_t i = 3; i < bitmap.pixels.size(); i += 4) bitmap.pixels[i] = 255;
    }
    return true;
}

}  // namespace kit
