// PNG pictures through libpng, always delivered as rows of 8-bit samples:
// 8-bit indices or grey with a palette, BGR, or BGRA.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/BitmapLimits.h"
#include "processing/ImageReaders.h"

namespace kit {

namespace {

// libpng asks for a few bytes at a time (chunk headers, 8 KiB of image data);
// reading the file in larger pieces saves most of the system calls.
class PngSource {
public:
    explicit PngSource(File& file) : file_(file), buffer_(64 * 1024) {}

    bool Read(std::uint8_t* target, size_t length) {
        while (length > 0) {
            if (at_ == end_) {
                at_ = 0;
                end_ = static_cast<size_t>(file_.Read(buffer_.data(), buffer_.size()));
                if (end_ == 0) return false;
            }
            size_t piece = std::min(length, end_ - at_);
            std::memcpy(target, buffer_.data() + at_, piece);
            at_ += piece;
            target += piece;
            length -= piece;
        }
        return true;
    }

private:
    File& file_;
    std::vector<std::uint8_t> buffer_;
    size_t at_ = 0;
    size_t end_ = 0;
};

void ReadFromSource(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (!source->Read(data, length)) png_error(png, "unexpected end of file");
}

void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The program keeps no log; libpng's default would write to stderr.
void OnPngWarning(png_structp, png_const_charp) {}

// Owns the libpng read and info structures.
class PngReadStruct {
public:
    PngReadStruct() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngReadStruct() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    PngReadStruct(const PngReadStruct&) = delete;
    PngReadStruct& operator=(const PngReadStruct&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

// Asks libpng for rows of 8-bit samples in DIB byte order; returns the info
// structure's colour type after the transformations.
int SetTransformations(png_structp png, png_infop info) {
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (transparency) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE && depth < 8) png_set_packing(png);
    if (depth > 8) png_set_strip_16(png);
    // Grey with alpha has no DIB layout of its own: widen it to BGRA.
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA || (colorType == PNG_COLOR_TYPE_GRAY && transparency))
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_color_type(png, info);
}

// Everything between setjmp and the last libpng call lives here, with no
// C++ object of its own, so that libpng's longjmp skips no destructor.
bool DecodePng(png_structp png, png_infop info, Bitmap& bitmap, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;

    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colorType = SetTransformations(png, info);
    const int channels = png_get_channels(png, info);
    const int bitsPerPixel = channels * png_get_bit_depth(png, info);
    if (png_get_bit_depth(png, info) != 8 || (channels != 1 && channels != 3 && channels != 4))
        return false;
    if (!BitmapFitsBounds(width, height, bitsPerPixel)) return false;

    bitmap.Create(width, static_cast<std::int32_t>(height), bitsPerPixel);
    if (png_get_rowbytes(png, info) > static_cast<size_t>(bitmap.stride)) return false;

    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count) && entries) {
            for (int i = 0; i < count && i < 256; ++i)
                bitmap.palette.push_back(entries[i].blue | (entries[i].green << 8) |
                                         (std::uint32_t(entries[i].red) << 16));
        }
    } else if (colorType == PNG_COLOR_TYPE_GRAY) {
        for (std::uint32_t i = 0; i < 256; ++i) bitmap.palette.push_back(i | (i << 8) | (i << 16));
    }

    rows.resize(height);
    for (png_uint_32 r = 0; r < height; ++r)
        rows[r] = bitmap.pixels.data() + static_cast<size_t>(height - 1 - r) * bitmap.stride;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool ReadPng(File& file, Bitmap& bitmap) {
    file.Rewind();
    PngReadStruct reader;
    if (!reader.png || !reader.info) return false;
    // libpng refuses larger headers itself, before any row is allocated.
    png_set_user_limits(reader.png, kMaxBitmapSide, kMaxBitmapSide);
    PngSource source(file);
    png_set_read_fn(reader.png, &source, ReadFromSource);
    std::vector<png_bytep> rows;
    rows.reserve(kMaxBitmapSide);
    return DecodePng(reader.png, reader.info, bitmap, rows);
}

}  // namespace kit
