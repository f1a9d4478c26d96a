#include "processing/BitmapFile.h"

#include <png.h>

#include <exception>

#include "base/File.h"
#include "processing/ImageReaders.h"

namespace kit {

namespace {

// Back to an empty picture, giving the memory of the old one back.
void Reset(Bitmap& bitmap) {
    std::vector<std::uint8_t>().swap(bitmap.pixels);
    std::vector<std::uint32_t>().swap(bitmap.palette);
    bitmap.width = 0;
    bitmap.height = bitmap.stride = bitmap.bitsPerPixel = 0;
    bitmap.masks = {};
}

bool ReadByContent(File& file, Bitmap& bitmap) {
    std::uint8_t signature[8] = {};
    std::uint64_t got = file.Read(signature, sizeof signature);
    if (got >= 2 && signature[0] == 'B' && signature[1] == 'M') return ReadBmp(file, bitmap);
    if (got == sizeof signature && png_sig_cmp(signature, 0, sizeof signature) == 0)
        return ReadPng(file, bitmap);
    return ReadJpeg(file, bitmap);
}

}  // namespace

bool ReadImage(File& file, Bitmap& bitmap) {
    // Masks of an earlier BMP must not recolour the next picture.
    Reset(bitmap);
    bool loaded = false;
    try {
        loaded = ReadByContent(file, bitmap);
    } catch (const std::exception&) {
        loaded = false;  // memory exhaustion inside a reader
    }
    if (!loaded) Reset(bitmap);
    return loaded;
}

bool LoadBitmap(const std::wstring& path, Bitmap& bitmap) {
    File file;
    if (!file.OpenRead(path)) {
        Reset(bitmap);
        return false;
    }
    return ReadImage(file, bitmap);
}

boost::shared_ptr<Bitmap> LoadBitmapFile(const std::wstring& path) {
    boost::shared_ptr<Bitmap> bitmap(new Bitmap());
    if (!LoadBitmap(path, *bitmap)) bitmap.reset();
    return bitmap;
}

}  // namespace kit
