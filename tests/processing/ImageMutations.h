#pragma once
// Repeatable, deterministic damage to valid pictures: byte and bit flips,
// truncations and corrupted length and size fields. The same origin gives the
// same damaged files on every machine.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Bitmap.h"
#include "base/BitmapLimits.h"
#include "base/File.h"
#include "processing/ImageReaders.h"
#include "support/SamplePictures.h"

namespace samples {

enum class ImageFormat { Bmp, Png, Jpeg };

class ImageMutator {
public:
    explicit ImageMutator(std::uint64_t origin) : state_(origin) {}

    // splitmix64: tiny, and its sequence does not depend on the library.
    std::uint32_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
    }
    std::uint32_t Below(std::uint32_t bound) { return bound ? Next() % bound : 0; }

    Bytes Mutate(const Bytes& original, ImageFormat format) {
        Bytes data = original;
        if (data.empty()) return data;
        switch (Below(5)) {
            case 0:
                for (std::uint32_t n = 1 + Below(8); n > 0; --n) data[Below(Size(data))] = static_cast<std::uint8_t>(Next());
                break;
            case 1:
                for (std::uint32_t n = 1 + Below(4); n > 0; --n) data[Below(Size(data))] ^= 1u << Below(8);
                break;
            case 2:
                data.resize(Below(Size(data)));
                break;
            case 3:
                CorruptField(data, format);
                break;
            default:
                DamageStructure(data, format);
                break;
        }
        return data;
    }

private:
    static std::uint32_t Size(const Bytes& data) { return static_cast<std::uint32_t>(data.size()); }

    std::uint32_t Interesting() {
        static const std::uint32_t values[] = {0,          1,          2,          0x7F,       0x80,      0xFF,
                                               0x100,      0x7FFF,     0x8000,     0xFFFF,     0x10000,   16383,
                                               16384,      16385,      0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE};
        return Below(4) == 0 ? Next() : values[Below(sizeof values / sizeof values[0])];
    }

    void PutBigEndian(Bytes& data, size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes && at + i < data.size(); ++i)
            data[at + i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
    }

    // Offsets of PNG chunks: length, type, data, checksum.
    static std::vector<size_t> PngChunks(const Bytes& data) {
        std::vector<size_t> chunks;
        size_t at = 8;
        while (at + 12 <= data.size()) {
            chunks.push_back(at);
            std::uint32_t length = (data[at] << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3];
            if (length > data.size()) break;
            at += 12 + length;
        }
        return chunks;
    }

    // Offsets of JPEG marker segments that carry a length, up to the first scan's data.
    static std::vector<size_t> JpegSegments(const Bytes& data) {
        std::vector<size_t> segments;
        size_t at = 2;
        while (at + 4 <= data.size() && data[at] == 0xFF) {
            const std::uint8_t marker = data[at + 1];
            if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                at += 2;
                continue;
            }
            segments.push_back(at);
            if (marker == 0xDA) break;  // entropy-coded data follows
            at += 2 + ((data[at + 2] << 8) | data[at + 3]);
        }
        return segments;
    }

    void CorruptField(Bytes& data, ImageFormat format) {
        if (format == ImageFormat::Bmp) {
            static const size_t fields[] = {2, 10, 14, 18, 22, 28, 30, 34, 46};
            size_t at = fields[Below(9)];
            std::uint32_t value = Interesting();
            for (int i = 0; i < (at == 28 ? 2 : 4) && at + i < data.size(); ++i)
                data[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        } else if (format == ImageFormat::Png) {
            auto chunks = PngChunks(data);
            if (!chunks.empty()) PutBigEndian(data, chunks[Below(static_cast<std::uint32_t>(chunks.size()))], Interesting(), 4);
        } else {
            auto segments = JpegSegments(data);
            if (!segments.empty())
                PutBigEndian(data, segments[Below(static_cast<std::uint32_t>(segments.size()))] + 2, Interesting(), 2);
        }
    }

    // Damage that gets past the first checks: PNG chunk data changed with its
    // checksum corrected; JPEG and BMP headers changed byte by byte.
    void DamageStructure(Bytes& data, ImageFormat format) {
        if (format == ImageFormat::Png) {
            auto chunks = PngChunks(data);
            if (chunks.empty()) return;
            size_t at = chunks[Below(static_cast<std::uint32_t>(chunks.size()))];
            std::uint32_t length = (data[at] << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3];
            if (at + 12 + length > data.size()) return;
            for (std::uint32_t n = 1 + Below(4); n > 0 && length > 0; --n) {
                size_t where = at + 8 + Below(length);
                data[where] = Below(2) ? static_cast<std::uint8_t>(Next()) : static_cast<std::uint8_t>(Interesting());
            }
            std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, data.data() + at + 4, length + 4));
            PutBigEndian(data, at + 8 + length, crc, 4);
        } else if (format == ImageFormat::Jpeg) {
            auto segments = JpegSegments(data);
            if (segments.empty()) return;
            size_t at = segments[Below(static_cast<std::uint32_t>(segments.size()))];
            size_t length = (data[at + 2] << 8) | data[at + 3];
            for (std::uint32_t n = 1 + Below(3); n > 0 && length > 2; --n) {
                size_t where = at + 4 + Below(static_cast<std::uint32_t>(length - 2));
                if (where < data.size()) data[where] = static_cast<std::uint8_t>(Below(2) ? Next() : Interesting());
            }
        } else {
            std::uint32_t limit = std::min<std::uint32_t>(Size(data), 160);
            for (std::uint32_t n = 1 + Below(4); n > 0; --n) data[Below(limit)] = static_cast<std::uint8_t>(Next());
        }
    }

    std::uint64_t state_;
};

// The valid pictures the damage starts from, a few of each kind.
inline std::vector<Bytes> SeedPictures(ImageFormat format) {
    std::vector<Bytes> pictures;
    if (format == ImageFormat::Bmp) {
        BmpFile bmp;
        bmp.width = 13;
        bmp.height = 7;
        bmp.rows = BlockPattern(40, 7, 1);
        pictures.push_back(bmp.Write());
        bmp.height = -7;
        bmp.bits = 8;
        bmp.rows = BlockPattern(16, 7, 1);
        for (std::uint32_t i = 0; i < 256; ++i) bmp.palette.push_back(i * 0x010101u);
        pictures.push_back(bmp.Write());
        bmp.bits = 1;
        bmp.height = 7;
        bmp.colorsUsed = 2;
        bmp.palette.resize(2);
        bmp.rows = BlockPattern(4, 7, 1);
        pictures.push_back(bmp.Write());
        bmp.bits = 4;
        bmp.colorsUsed = 0;
        bmp.palette.resize(16);
        bmp.rows = BlockPattern(8, 7, 1);
        pictures.push_back(bmp.Write());
        BmpFile bitfields;
        bitfields.width = 9;
        bitfields.height = 5;
        bitfields.bits = 16;
        bitfields.compression = 3;
        bitfields.masks = {0xF800, 0x07E0, 0x001F};
        bitfields.rows = BlockPattern(20, 5, 1);
        pictures.push_back(bitfields.Write());
        bitfields.bits = 32;
        bitfields.infoSize = 124;
        bitfields.masks = {0xFF0000, 0xFF00, 0xFF};
        bitfields.rows = BlockPattern(36, 5, 1);
        pictures.push_back(bitfields.Write());
    } else if (format == ImageFormat::Png) {
        PngPicture rgb;
        rgb.width = 17;
        rgb.height = 11;
        rgb.rows = BlockPattern(17, 11, 3);
        pictures.push_back(EncodePng(rgb));
        PngPicture rgba = rgb;
        rgba.colorType = PNG_COLOR_TYPE_RGBA;
        rgba.interlaced = true;
        rgba.rows = BlockPattern(17, 11, 4);
        pictures.push_back(EncodePng(rgba));
        PngPicture indexed = rgb;
        indexed.colorType = PNG_COLOR_TYPE_PALETTE;
        indexed.bitDepth = 4;
        indexed.rows = BlockPattern(9, 11, 1);
        for (int i = 0; i < 16; ++i)
            indexed.palette.push_back({static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i), 7});
        indexed.paletteAlpha = {0, 50, 100};
        pictures.push_back(EncodePng(indexed));
        PngPicture grey = rgb;
        grey.colorType = PNG_COLOR_TYPE_GRAY;
        grey.bitDepth = 16;
        grey.rows = BlockPattern(34, 11, 1);
        pictures.push_back(EncodePng(grey));
        grey.bitDepth = 2;
        grey.rows = BlockPattern(5, 11, 1);
        pictures.push_back(EncodePng(grey));
    } else {
        JpegPicture colour;
        colour.width = 40;
        colour.height = 24;
        colour.rows = BlockPattern(40, 24, 3);
        colour.quality = 80;
        pictures.push_back(EncodeJpeg(colour));
        colour.progressive = true;
        pictures.push_back(EncodeJpeg(colour));
        colour.fullChroma = false;
        pictures.push_back(EncodeJpeg(colour));
        colour.progressive = false;
        pictures.push_back(EncodeJpeg(colour));
        JpegPicture grey = colour;
        grey.progressive = false;
        grey.colorSpace = JCS_GRAYSCALE;
        grey.rows = BlockPattern(40, 24, 1);
        pictures.push_back(EncodeJpeg(grey));
        JpegPicture cmyk = grey;
        cmyk.colorSpace = JCS_CMYK;
        cmyk.rows = BlockPattern(40, 24, 4);
        pictures.push_back(EncodeJpeg(cmyk));
    }
    return pictures;
}

// What a loaded picture must satisfy however damaged its file was; empty when it does.
inline std::string CheckLoadedBitmap(kit::Bitmap& bitmap) {
    const std::int32_t bits = bitmap.bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return "bit depth";
    if (bitmap.width == 0 || bitmap.width > kit::kMaxBitmapSide) return "width";
    if (bitmap.height <= 0 || static_cast<std::uint32_t>(bitmap.height) > kit::kMaxBitmapSide) return "height";
    if (static_cast<std::uint64_t>(bitmap.stride) != kit::BitmapStride(bitmap.width, bits)) return "stride";
    const std::uint64_t store = static_cast<std::uint64_t>(bitmap.stride) * bitmap.height;
    if (bitmap.pixels.size() != store || store > kit::kMaxBitmapBytes) return "store size";
    if (bitmap.palette.size() > 256) return "palette size";
    bitmap.ToRgb24();
    if (bitmap.pixels.size() != kit::BitmapStride(bitmap.width, 24) * bitmap.height) return "converted size";
    return {};
}

struct MutationRun {
    std::uint32_t loaded = 0;
    std::uint32_t refused = 0;
    std::uint32_t broken = 0;
    std::string firstProblem;
};

// Loads `count` damaged variants of the original pictures from memory.
inline MutationRun RunMutations(ImageFormat format, std::uint32_t count, std::uint64_t origin) {
    const std::vector<Bytes> pictures = SeedPictures(format);
    ImageMutator mutator(origin);
    MutationRun run;
    for (std::uint32_t i = 0; i < count; ++i) {
        Bytes data = mutator.Mutate(pictures[i % pictures.size()], format);
        kit::File file;
        file.OpenBuffer(data);
        kit::Bitmap bitmap;
        if (!kit::ReadImage(file, bitmap)) {
            ++run.refused;
            if (!bitmap.pixels.empty() || bitmap.width != 0) ++run.broken;
            continue;
        }
        ++run.loaded;
        std::string problem = CheckLoadedBitmap(bitmap);
        if (!problem.empty()) {
            ++run.broken;
            if (run.firstProblem.empty()) run.firstProblem = problem + " at mutation " + std::to_string(i);
        }
    }
    return run;
}

}  // namespace samples
