#pragma once
// Small pictures made at run time: BMPs written byte by byte, PNGs and JPEGs
// encoded with the same libpng and libjpeg the readers use, and artwork for
// the station's web server. Header-only so that the benchmarks and the demo
// share them.
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace samples {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& out, size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(Bytes& out, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP with a 40-byte information header. `masks` are written behind the
// header when compression is 3; `palette` entries are 4 bytes each.
struct BmpFile {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint32_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t infoSize = 40;
    std::vector<std::uint32_t> masks;
    std::vector<std::uint32_t> palette;
    Bytes rows;  // as stored in the file

    Bytes Write() const {
        const size_t tableBytes = 4 * (masks.size() + palette.size());
        const size_t dataOffset = 14 + infoSize + tableBytes;
        Bytes out(dataOffset + rows.size(), 0);
        out[0] = 'B';
        out[1] = 'M';
        PutU32(out, 2, static_cast<std::uint32_t>(out.size()));
        PutU32(out, 10, static_cast<std::uint32_t>(dataOffset));
        PutU32(out, 14, infoSize);
        PutU32(out, 18, static_cast<std::uint32_t>(width));
        PutU32(out, 22, static_cast<std::uint32_t>(height));
        PutU16(out, 26, 1);
        PutU16(out, 28, bits);
        PutU32(out, 30, compression);
        PutU32(out, 34, imageSize);
        PutU32(out, 46, colorsUsed);
        size_t at = 14 + infoSize;
        // Masks of larger headers live inside the header at offset 54.
        if (infoSize > 40) at = 54;
        for (std::uint32_t m : masks) PutU32(out, at, m), at += 4;
        at = 14 + infoSize + (infoSize > 40 ? 0 : 4 * masks.size());
        for (std::uint32_t e : palette) PutU32(out, at, e), at += 4;
        std::copy(rows.begin(), rows.end(), out.begin() + dataOffset);
        return out;
    }
};

struct PngPicture {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    Bytes rows;  // top row first, packed as PNG stores them (16-bit big-endian)
    std::vector<png_color> palette;
    Bytes paletteAlpha;              // tRNS for palette pictures
    const png_color_16* transparent = nullptr;  // tRNS for grey and RGB pictures
};

inline Bytes EncodePng(const PngPicture& picture) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png encoding failed");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* target = static_cast<Bytes*>(png_get_io_ptr(p));
            target->insert(target->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty())
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    if (!picture.paletteAlpha.empty())
        png_set_tRNS(png, info, picture.paletteAlpha.data(), static_cast<int>(picture.paletteAlpha.size()),
                     nullptr);
    if (picture.transparent) png_set_tRNS(png, info, nullptr, 0, picture.transparent);
    png_write_info(png, info);
    const size_t rowBytes = picture.rows.size() / picture.height;
    std::vector<png_bytep> rows(picture.height);
    for (std::uint32_t r = 0; r < picture.height; ++r)
        rows[r] = const_cast<png_bytep>(picture.rows.data() + r * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct JpegPicture {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    J_COLOR_SPACE colorSpace = JCS_RGB;  // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    Bytes rows;                          // top row first, samples packed
    int quality = 100;
    bool progressive = false;
    bool fullChroma = true;  // false keeps libjpeg's 2 x 2 chroma subsampling
};

inline Bytes EncodeJpeg(const JpegPicture& picture) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = picture.width;
    info.image_height = picture.height;
    info.input_components = picture.colorSpace == JCS_GRAYSCALE ? 1 : picture.colorSpace == JCS_CMYK ? 4 : 3;
    info.in_color_space = picture.colorSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, picture.quality, TRUE);
    // Full-resolution chroma keeps flat test colours close to exact.
    for (int c = 0; picture.fullChroma && c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (picture.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = picture.width * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.rows.data() + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

// Decodes with bare libjpeg calls into top-down rows of its default output.
inline Bytes DecodeJpegPlain(const Bytes& data, std::uint32_t* width = nullptr, std::uint32_t* height = nullptr,
                             int* components = nullptr) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const size_t rowBytes = static_cast<size_t>(info.output_width) * info.output_components;
    Bytes out(rowBytes * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + info.output_scanline * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (width) *width = info.output_width;
    if (height) *height = info.output_height;
    if (components) *components = info.output_components;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

// A test pattern: colour changes in 8-pixel blocks so JPEG keeps it nearly exact.
inline Bytes BlockPattern(std::uint32_t width, std::uint32_t height, int channels) {
    Bytes rows(static_cast<size_t>(width) * height * channels);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                rows[(static_cast<size_t>(y) * width + x) * channels + c] =
                    static_cast<std::uint8_t>(((x / 8) * 61 + (y / 8) * 97 + c * 83) % 256);
    return rows;
}

// Artwork: a colour gradient with a light band. `hue` 0..5 picks the colours,
// so that songs get pictures of their own.
inline Bytes ArtworkPixels(std::uint32_t width, std::uint32_t height, int hue) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            const int a = static_cast<int>(255 * x / (width > 1 ? width - 1 : 1));
            const int b = static_cast<int>(255 * y / (height > 1 ? height - 1 : 1));
            const bool band = std::abs(static_cast<int>(x) - static_cast<int>(y)) < static_cast<int>(width / 10);
            const int c[3] = {a, b, 255 - a};
            for (int k = 0; k < 3; ++k) p[k] = band ? 255 : static_cast<std::uint8_t>(c[(k + hue) % 3] / (1 + hue / 3));
        }
    }
    return rgb;
}

inline std::string SamplePng(std::uint32_t width, std::uint32_t height, int hue) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rows = ArtworkPixels(width, height, hue);
    const Bytes png = EncodePng(picture);
    return std::string(png.begin(), png.end());
}

inline std::string SampleJpeg(std::uint32_t width, std::uint32_t height, int hue) {
    JpegPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rows = ArtworkPixels(width, height, hue);
    picture.quality = 85;
    picture.fullChroma = false;
    const Bytes jpeg = EncodeJpeg(picture);
    return std::string(jpeg.begin(), jpeg.end());
}

}  // namespace samples
