#include "base/Bitmap.h"

#include <algorithm>
#include <cstdlib>

#include "base/BitmapLimits.h"

namespace kit {

namespace {

// One colour channel of a packed 16- or 32-bit pixel, scaled to 8 bits the
// way 5-5-5 pictures always were: shifted up, low bits left 0.
struct MaskChannel {
    explicit MaskChannel(std::uint32_t mask) : mask(mask) {
        if (mask == 0) return;
        while (((mask >> shift) & 1) == 0) ++shift;
        int top = 31;
        while (((mask >> top) & 1) == 0) --top;
        bits = top - shift + 1;
    }
    std::uint8_t Extract(std::uint32_t value) const {
        if (mask == 0) return 0;
        std::uint32_t channel = (value & mask) >> shift;
        return static_cast<std::uint8_t>(bits >= 8 ? channel >> (bits - 8) : channel << (8 - bits));
    }
    std::uint32_t mask;
    int shift = 0;
    int bits = 0;
};

}  // namespace

bool Bitmap::Create(std::uint32_t width, std::int32_t height, std::int32_t bitsPerPixel) {
    pixels.clear();
    palette.clear();
    this->width = width;
    this->height = height;
    this->bitsPerPixel = bitsPerPixel;
    stride = static_cast<std::int32_t>(BitmapStride(width, static_cast<std::uint32_t>(bitsPerPixel)));
    std::uint64_t rows = static_cast<std::uint64_t>(std::llabs(static_cast<long long>(height)));
    pixels.assign(static_cast<size_t>(static_cast<std::uint64_t>(stride) * rows), 0);
    return true;
}

void Bitmap::ToRgb24() {
    if (bitsPerPixel == 24) return;
    Bitmap result;
    result.Create(width, height, 24);

    const std::uint64_t sourceStride = stride > 0 ? static_cast<std::uint64_t>(stride) : 0;
    const std::uint64_t storedRows = sourceStride ? pixels.size() / sourceStride : 0;
    const std::uint64_t rows =
        std::min<std::uint64_t>(storedRows, std::llabs(static_cast<long long>(height)));
    // A row shorter than the width claims (fields set by hand) is read only as far as it goes.
    const std::uint64_t columns =
        bitsPerPixel > 0 ? std::min<std::uint64_t>(width, sourceStride * 8 / bitsPerPixel) : 0;

    std::array<std::uint32_t, 3> channelMasks = masks;
    if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0) {
        if (bitsPerPixel == 16) channelMasks = {0x7C00, 0x03E0, 0x001F};
        if (bitsPerPixel == 32) channelMasks = {0xFF0000, 0x00FF00, 0x0000FF};
    }
    const MaskChannel red(channelMasks[0]), green(channelMasks[1]), blue(channelMasks[2]);
    const bool indexed = bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8;

    for (std::uint64_t y = 0; y < rows; ++y) {
        const std::uint8_t* source = pixels.data() + y * sourceStride;
        std::uint8_t* target = result.pixels.data() + y * static_cast<std::uint64_t>(result.stride);
        for (std::uint64_t x = 0; x < columns; ++x, target += 3) {
            if (bitsPerPixel == 32 || bitsPerPixel == 16) {
                const std::uint8_t* p = source + x * (bitsPerPixel / 8);
                std::uint32_t value = p[0] | (p[1] << 8);
                if (bitsPerPixel == 32) value |= (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
                target[0] = blue.Extract(value);
                target[1] = green.Extract(value);
                target[2] = red.Extract(value);
            } else if (indexed) {
                std::uint64_t bit = x * bitsPerPixel;
                unsigned shift = 8 - bitsPerPixel - static_cast<unsigned>(bit % 8);
                unsigned index = (source[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1);
                if (index < palette.size()) {
                    std::uint32_t entry = palette[index];
                    target[0] = static_cast<std::uint8_t>(entry);
                    target[1] = static_cast<std::uint8_t>(entry >> 8);
                    target[2] = static_cast<std::uint8_t>(entry >> 16);
                }
            }
        }
    }

    pixels.swap(result.pixels);
    palette.clear();
    stride = result.stride;
    bitsPerPixel = 24;
    masks = {};
}

}  // namespace kit
