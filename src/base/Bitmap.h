#pragma once
// A decoded picture in memory, laid out like a Windows DIB: rows bottom-up,
// blue-green-red byte order, optional colour table. BMP, PNG and JPEG files
// are recognised by their content, never by their name.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

namespace kit {

class Bitmap {
public:
    Bitmap() = default;
    virtual ~Bitmap() = default;

    // Zero-filled picture of the given size; the height's sign is kept as given.
    bool Create(std::uint32_t width, std::int32_t height, std::int32_t bitsPerPixel);
    // Reads a BMP, PNG or JPEG file. False leaves an empty picture.
    bool Load(const std::wstring& path);
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

// The loading factory: an empty pointer when the file cannot be read or decoded.
boost::shared_ptr<Bitmap> LoadBitmapFile(const std::wstring& path);

}  // namespace kit
