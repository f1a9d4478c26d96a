#include "SamplePictures.h"

#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include <png.h>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace {

std::vector<std::uint8_t> Pixels(int width, int height, int hue) {
    std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            const int a = 255 * x / (width > 1 ? width - 1 : 1);
            const int b = 255 * y / (height > 1 ? height - 1 : 1);
            const bool band = std::abs(x - y) < width / 10;
            const int c[3] = {a, b, 255 - a};
            for (int k = 0; k < 3; ++k) p[k] = band ? 255 : static_cast<std::uint8_t>(c[(k + hue) % 3] / (1 + hue / 3));
        }
    }
    return rgb;
}

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void FlushNothing(png_structp) {}

}  // namespace

std::string SamplePng(int width, int height, int hue) {
    std::string out;
    std::vector<std::uint8_t> rgb = Pixels(width, height, hue);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendPngBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, &rgb[static_cast<size_t>(y) * width * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string SampleJpeg(int width, int height, int hue) {
    std::vector<std::uint8_t> rgb = Pixels(width, height, hue);
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);  // the default error exit ends the program: inputs here are fixed
    jpeg_create_compress(&compress);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compress, &buffer, &size);
    compress.image_width = static_cast<JDIMENSION>(width);
    compress.image_height = static_cast<JDIMENSION>(height);
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 85, TRUE);
    jpeg_start_compress(&compress, TRUE);
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(compress.next_scanline) * width * 3];
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}
