// Turning a decoded picture into a DIB section.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "base/Bitmap.h"
#include "kit/Image.h"

namespace kit {

boost::shared_ptr<Image> Image::Create(const boost::shared_ptr<Bitmap>& bitmap) {
    if (!bitmap) return boost::shared_ptr<Image>();
    boost::shared_ptr<Image> image(new Image());
    if (!image->FromBitmap(*bitmap)) return boost::shared_ptr<Image>();
    return image;
}

bool Image::FromBitmap(Bitmap& bitmap) {
    // A DIB section knows nothing of a file's bit masks; such pixels are
    // converted by them, as are 8-bit ones, which the section cannot hold.
    const bool masked = bitmap.masks[0] != 0 || bitmap.masks[1] != 0 || bitmap.masks[2] != 0;
    if (bitmap.bitsPerPixel == 8 || masked) bitmap.ToRgb24();
    const std::int32_t bits = bitmap.bitsPerPixel;
    if (bitmap.width == 0 || bitmap.height == 0 || bitmap.width > 0x7FFFFFFFu) return false;
    if (bits != 1 && bits != 4 && bits != 16 && bits != 24 && bits != 32) return false;

    // The colour table follows the header; a picture of 8 bits or fewer
    // needs all 2^bits entries there, whatever the file supplied.
    size_t entries = std::min<size_t>(bitmap.palette.size(), 256);
    size_t tableSize = entries;
    if (bits <= 8) {
        entries = std::min<size_t>(entries, size_t(1) << bits);
        tableSize = size_t(1) << bits;
    }
    const std::uint64_t rows = static_cast<std::uint64_t>(bitmap.height < 0 ? -static_cast<std::int64_t>(bitmap.height)
                                                                            : bitmap.height);
    const std::uint64_t stride = (static_cast<std::uint64_t>(bitmap.width) * bits + 31) / 32 * 4;
    const std::uint64_t sectionBytes = stride * rows;
    if (sectionBytes == 0 || sectionBytes > 0x7FFFFFFFu) return false;

    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + tableSize * sizeof(RGBQUAD), 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = static_cast<LONG>(bitmap.width);
    header->biHeight = bitmap.height;  // rows lie as the bitmap stores them (positive: bottom-up)
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(std::min<std::uint64_t>(sectionBytes, bitmap.pixels.size()));
    header->biClrUsed = static_cast<DWORD>(entries);
    if (entries) std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), bitmap.palette.data(), entries * sizeof(RGBQUAD));

    void* section = nullptr;
    UniqueGdiObject created(::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()),
                                               DIB_RGB_COLORS, &section, nullptr, 0));
    if (!created || !section) return false;
    // A pixel store larger than its rows (a BMP's image-size field) is cut to the section.
    std::memcpy(section, bitmap.pixels.data(),
                static_cast<size_t>(std::min<std::uint64_t>(sectionBytes, bitmap.pixels.size())));

    // The old picture leaves its context before it is deleted.
    selection_.reset();
    memoryDc_.reset();
    bitmap_ = std::move(created);
    width_ = static_cast<std::int32_t>(bitmap.width);
    height_ = static_cast<std::int32_t>(rows);
    return true;
}

}  // namespace kit
