// JPEG pictures through libjpeg, decoded from the whole file in memory.
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "base/BitmapLimits.h"
#include "processing/ImageReaders.h"

namespace kit {

namespace {

// Beyond this the file is no artwork we could show anyway.
constexpr std::uint64_t kMaxJpegFileBytes = 64ull << 20;
// Progressive pictures keep whole-image coefficient buffers; libjpeg fails
// cleanly when they would need more than this.
constexpr long kMaxDecoderMemory = 256l << 20;
// Each scan of a progressive picture costs a pass over the image; hostile
// files carry thousands of tiny scans.
constexpr int kMaxScans = 500;

class JpegDecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowOnError(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX] = {};
    (*info->err->format_message)(info, message);
    throw JpegDecodeError(message);
}

// The program keeps no log; the standard manager would print to stderr.
void DiscardMessage(j_common_ptr) {}

void LimitScans(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        throw JpegDecodeError("too many scans");
}

// Owns a decompressor; the error manager must be set before construction.
class JpegDecompressor {
public:
    explicit JpegDecompressor(jpeg_error_mgr& errors) {
        info.err = &errors;
        jpeg_create_decompress(&info);
    }
    ~JpegDecompressor() { jpeg_destroy_decompress(&info); }
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;

    jpeg_decompress_struct info{};
};

void Decode(const std::vector<std::uint8_t>& data, Bitmap& bitmap) {
    jpeg_error_mgr errors{};
    jpeg_std_error(&errors);
    errors.error_exit = ThrowOnError;
    errors.output_message = DiscardMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = LimitScans;

    JpegDecompressor decompressor(errors);
    jpeg_decompress_struct& info = decompressor.info;
    info.progress = &progress;
    info.mem->max_memory_to_use = kMaxDecoderMemory;
    // An empty buffer raises "Empty input file"; data cut short get an end marker and a warning.
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    // libjpeg-turbo writes blue-green-red itself, saving a pass over the pixels.
    if (info.out_color_space == JCS_RGB) info.out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&info);
    const int components = info.output_components;
    if (components != 1 && components != 3 && components != 4)
        throw JpegDecodeError("unsupported number of colour components");
    if (!BitmapFitsBounds(info.output_width, info.output_height, components * 8))
        throw JpegDecodeError("picture too large");
    jpeg_start_decompress(&info);
    const std::uint32_t height = info.output_height;
    bitmap.Create(info.output_width, static_cast<std::int32_t>(height), components * 8);

    // Scanlines go straight into their bottom-up rows.
    JSAMPROW rows[16];
    while (info.output_scanline < height) {
        const std::uint32_t first = info.output_scanline;
        const std::uint32_t count = std::min<std::uint32_t>(
            {height - first, 16u, static_cast<std::uint32_t>(std::max(info.rec_outbuf_height, 1))});
        for (std::uint32_t i = 0; i < count; ++i)
            rows[i] = bitmap.pixels.data() + static_cast<size_t>(height - 1 - (first + i)) * bitmap.stride;
        if (jpeg_read_scanlines(&info, rows, count) == 0) throw JpegDecodeError("decoder stalled");
    }
    jpeg_finish_decompress(&info);

    if (components == 1) {
        for (std::uint32_t i = 0; i < 256; ++i) bitmap.palette.push_back(i | (i << 8) | (i << 16));
    }
}

}  // namespace

bool ReadJpeg(File& file, Bitmap& bitmap) {
    file.Rewind();
    if (file.size() > kMaxJpegFileBytes) return false;
    std::vector<std::uint8_t> data(static_cast<size_t>(file.size()));
    data.resize(static_cast<size_t>(file.Read(data.data(), data.size())));
    try {
        Decode(data, bitmap);
        return true;
    } catch (const JpegDecodeError&) {
        return false;
    }
}

}  // namespace kit
