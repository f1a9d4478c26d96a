// Loading a 2000 x 2000 JPEG and PNG with Bitmap::Load against decoding the
// same bytes with bare library calls, in the same run. Prints the ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "processing/BitmapFile.h"
#include "support/SamplePictures.h"
// The scratch folder shared with the tests.
#include "../tests/support/TempFolder.cpp"
#include "BenchTiming.h"

namespace {

using samples::Bytes;

constexpr std::uint32_t kSide = 2000;
constexpr int kRounds = 25;

// A photograph-like picture: smooth gradients with a little grain.
Bytes PhotoLike(int channels) {
    Bytes rows(static_cast<size_t>(kSide) * kSide * channels);
    std::uint32_t grain = 12345;
    for (std::uint32_t y = 0; y < kSide; ++y)
        for (std::uint32_t x = 0; x < kSide; ++x)
            for (int c = 0; c < channels; ++c) {
                grain = grain * 1103515245u + 12345u;
                int value = static_cast<int>((x * (c + 1) + y * (3 - c)) / 16 % 256) + static_cast<int>((grain >> 16) % 9) - 4;
                rows[(static_cast<size_t>(y) * kSide + x) * channels + c] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            }
    return rows;
}

// The bare decoders allocate their output as any loader must (fresh memory
// costs page faults that would otherwise be charged to one side only), but
// without zero-filling it.
void DecodeJpegBare(const Bytes& data) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const size_t rowBytes = static_cast<size_t>(info.output_width) * info.output_components;
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[rowBytes * info.output_height]);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.get() + info.output_scanline * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

struct MemoryReader {
    const Bytes* data;
    size_t at;
};

void DecodePngBare(const Bytes& data) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&data, 0};
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep target, png_size_t length) {
        auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
        std::copy_n(r->data->data() + r->at, length, target);
        r->at += length;
    });
    png_read_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[rowBytes * height]);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 r = 0; r < height; ++r) rows[r] = out.get() + r * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
}

// Best of several alternating rounds, so that both sides see the same machine load.
double Ratio(const char* what, const std::function<void()>& ours, const std::function<void()>& bare) {
    double bestOurs = 1e9, bestBare = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        double start = bench::Seconds();
        bare();
        bestBare = std::min(bestBare, bench::Seconds() - start);
        start = bench::Seconds();
        ours();
        bestOurs = std::min(bestOurs, bench::Seconds() - start);
    }
    double ratio = bestOurs / bestBare;
    std::printf("%s: Bitmap::Load %.1f ms, bare library %.1f ms, ratio %.3f\n", what, bestOurs * 1000,
                bestBare * 1000, ratio);
    return ratio;
}

}  // namespace

int main() {
    testing_support::TempFolder folder;

    samples::JpegPicture jpeg;
    jpeg.width = jpeg.height = kSide;
    jpeg.rows = PhotoLike(3);
    jpeg.quality = 90;
    jpeg.fullChroma = false;
    const Bytes jpegBytes = samples::EncodeJpeg(jpeg);
    const std::wstring jpegPath = folder.AddFile(L"bench.jpg", jpegBytes);

    samples::PngPicture png;
    png.width = png.height = kSide;
    png.rows = PhotoLike(3);
    const Bytes pngBytes = samples::EncodePng(png);
    const std::wstring pngPath = folder.AddFile(L"bench.png", pngBytes);

    std::printf("JPEG %zu bytes, PNG %zu bytes, %u x %u\n", jpegBytes.size(), pngBytes.size(), kSide, kSide);
    bool loaded = true;
    double jpegRatio = Ratio(
        "JPEG",
        [&] {
            kit::Bitmap bitmap;
            loaded = kit::LoadBitmap(jpegPath, bitmap) && loaded;
        },
        [&] { DecodeJpegBare(jpegBytes); });
    double pngRatio = Ratio(
        "PNG",
        [&] {
            kit::Bitmap bitmap;
            loaded = kit::LoadBitmap(pngPath, bitmap) && loaded;
        },
        [&] { DecodePngBare(pngBytes); });
    std::printf("ratios (target at most 1.15): JPEG %.3f, PNG %.3f%s\n", jpegRatio, pngRatio,
                loaded ? "" : " -- a load FAILED");
    return loaded ? 0 : 1;
}
