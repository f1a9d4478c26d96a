#pragma once
// A decoded picture in memory, laid out like a Windows DIB: rows bottom-up,
// blue-green-red byte order, optional colour table. The file readers are
// the processing layer's (processing/BitmapFile.h).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kit {

class Bitmap {
public:
    Bitmap() = default;
    virtual ~Bitmap() = default;

    // Zero-filled picture of the given size; the height's sign is kept as given.
    bool Create(std::uint32_t width, std::int32_t height, std::int32_t bitsPerPixel);
    // Converts in place to 24 bits per pixel (blue, green, red).
    void ToRgb24();

    // `height` rows of `stride` bytes; the first row in memory is the bottom row.
    std::vector<std::uint8_t> pixels;
    // Entries are the bytes blue, green, red, reserved; empty for direct colour.
    std::vector<std::uint32_t> palette;
    std::uint32_t width = 0;
    std::int32_t height = 0;
    // Bytes per row, a multiple of 4.
    std::int32_t stride = 0;
    std::int32_t bitsPerPixel = 0;
    // Red, green and blue masks of a BMP stored with BI_BITFIELDS; 0 otherwise.
    std::array<std::uint32_t, 3> masks{};
};

}  // namespace kit
