#include "processing/CoverPicture.h"

#include <png.h>

#include <cstdlib>
#include <exception>
#include <vector>

#include "base/File.h"
#include "processing/BitmapFile.h"

namespace {

// Artwork larger than this is not a cover anyone fetched for a song.
constexpr std::uint64_t kMaxPictureBytes = 16u << 20;

void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

void WriteToString(png_structp png, png_bytep data, png_size_t length) {
    auto* target = static_cast<std::string*>(png_get_io_ptr(png));
    try {
        target->append(reinterpret_cast<const char*>(data), length);
    } catch (const std::exception&) {
        png_error(png, "out of memory");  // no exception crosses libpng's C frames
    }
}

// Owns the libpng write and info structures.
class PngWriteStruct {
public:
    PngWriteStruct() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngWriteStruct() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
    PngWriteStruct(const PngWriteStruct&) = delete;
    PngWriteStruct& operator=(const PngWriteStruct&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

// Everything between setjmp and the last libpng call, with no C++ object of
// its own, so that libpng's longjmp skips no destructor.
bool EncodeRows(png_structp png, png_infop info, const kit::Bitmap& bitmap, std::vector<png_bytep>& rows,
                std::string& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, WriteToString, nullptr);
    png_set_IHDR(png, info, bitmap.width, static_cast<png_uint_32>(rows.size()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    return true;
}

// The decoded picture as a PNG file's bytes; empty when it cannot be made.
std::string EncodePng(kit::Bitmap& bitmap) {
    bitmap.ToRgb24();
    const std::size_t height = static_cast<std::size_t>(std::llabs(static_cast<long long>(bitmap.height)));
    if (bitmap.bitsPerPixel != 24 || !height || bitmap.pixels.size() < height * bitmap.stride) return {};
    // A DIB's rows run bottom-up unless its height is negative.
    std::vector<png_bytep> rows(height);
    for (std::size_t r = 0; r < height; ++r)
        rows[r] = bitmap.pixels.data() + (bitmap.height > 0 ? height - 1 - r : r) * bitmap.stride;
    PngWriteStruct writer;
    std::string out;
    if (!writer.png || !writer.info || !EncodeRows(writer.png, writer.info, bitmap, rows, out)) return {};
    return out;
}

}  // namespace

CoverPicture ReadCoverPicture(const std::wstring& path) {
    CoverPicture cover;
    if (path.empty()) return cover;
    try {
        kit::Bitmap bitmap;
        if (!kit::LoadBitmap(path, bitmap)) return cover;
        kit::File file;
        if (!file.OpenRead(path) || file.size() < 8 || file.size() > kMaxPictureBytes) return cover;
        std::string bytes(static_cast<std::size_t>(file.size()), '\0');
        if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return cover;
        if (bytes.compare(0, 3, "\xFF\xD8\xFF") == 0) {
            cover.mimeType = "image/jpeg";
            cover.bytes = std::move(bytes);
        } else if (png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) == 0) {
            cover.mimeType = "image/png";
            cover.bytes = std::move(bytes);
        } else if ((cover.bytes = EncodePng(bitmap)).size()) {
            cover.mimeType = "image/png";
        }
    } catch (const std::exception&) {
        cover = CoverPicture();  // memory exhaustion: the tag goes without a picture
    }
    return cover;
}
