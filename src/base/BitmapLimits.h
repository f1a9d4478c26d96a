#pragma once
// Bounds every image reader checks before it allocates, so that a hostile
// header cannot make us reserve gigabytes for a picture of artwork.
#include <cstdint>

namespace kit {

constexpr std::uint64_t kMaxBitmapSide = 16384;
constexpr std::uint64_t kMaxBitmapBytes = 256ull << 20;

// Bytes per DIB row: whole 32-bit words.
constexpr std::uint64_t BitmapStride(std::uint64_t width, std::uint64_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// True when a picture of this size may be allocated.
constexpr bool BitmapFitsBounds(std::uint64_t width, std::uint64_t height, std::uint64_t bitsPerPixel) {
    return width > 0 && height > 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
           BitmapStride(width, bitsPerPixel) * height <= kMaxBitmapBytes;
}

}  // namespace kit
