// windows.h first: it renames LoadBitmap, and the declaration must see it as
// the library was built.
#include <windows.h>

#include <gtest/gtest.h>

#include <zlib.h>

#include "processing/BitmapFile.h"
#include "support/SamplePictures.h"
#include "support/TempFolder.h"

using samples::Bytes;
using samples::PngPicture;

namespace {

// The loaded picture's pixel (x, y counted from the top) as bytes.
Bytes PixelAt(const kit::Bitmap& bitmap, std::uint32_t x, std::uint32_t y) {
    const size_t bytes = bitmap.bitsPerPixel / 8;
    const std::uint8_t* row = bitmap.pixels.data() + (bitmap.height - 1 - y) * bitmap.stride;
    return Bytes(row + x * bytes, row + (x + 1) * bytes);
}

class BitmapPngTest : public ::testing::Test {
protected:
    bool Load(const PngPicture& picture, const wchar_t* name = L"picture.png") {
        return kit::LoadBitmap(folder.AddFile(name, samples::EncodePng(picture)), bitmap);
    }
    testing_support::TempFolder folder;
    kit::Bitmap bitmap;
};

TEST_F(BitmapPngTest, ColourPicturesComeOutBlueGreenRedBottomUp) {
    PngPicture rgb;
    rgb.width = 3;
    rgb.height = 2;
    rgb.rows = samples::BlockPattern(3, 2, 3);
    for (size_t i = 0; i < rgb.rows.size(); ++i) rgb.rows[i] = static_cast<std::uint8_t>(i * 13);
    ASSERT_TRUE(Load(rgb));
    EXPECT_EQ(24, bitmap.bitsPerPixel);
    EXPECT_EQ(12, bitmap.stride);
    EXPECT_TRUE(bitmap.palette.empty());
    for (std::uint32_t y = 0; y < 2; ++y)
        for (std::uint32_t x = 0; x < 3; ++x) {
            const std::uint8_t* p = &rgb.rows[(y * 3 + x) * 3];
            EXPECT_EQ((Bytes{p[2], p[1], p[0]}), PixelAt(bitmap, x, y)) << x << "," << y;
        }

    // Interlaced, with an alpha channel.
    PngPicture rgba;
    rgba.width = 9;
    rgba.height = 9;
    rgba.colorType = PNG_COLOR_TYPE_RGBA;
    rgba.interlaced = true;
    rgba.rows = samples::BlockPattern(9, 9, 4);
    for (size_t i = 0; i < rgba.rows.size(); ++i) rgba.rows[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(Load(rgba));
    EXPECT_EQ(32, bitmap.bitsPerPixel);
    for (std::uint32_t y = 0; y < 9; ++y)
        for (std::uint32_t x = 0; x < 9; ++x) {
            const std::uint8_t* p = &rgba.rows[(y * 9 + x) * 4];
            EXPECT_EQ((Bytes{p[2], p[1], p[0], p[3]}), PixelAt(bitmap, x, y)) << x << "," << y;
        }

    // 16-bit samples keep their high bytes.
    PngPicture deep;
    deep.width = 2;
    deep.height = 1;
    deep.bitDepth = 16;
    deep.rows = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11, 0x22, 0x33, 0x44};
    ASSERT_TRUE(Load(deep));
    EXPECT_EQ(24, bitmap.bitsPerPixel);
    EXPECT_EQ((Bytes{0x9A, 0x56, 0x12}), PixelAt(bitmap, 0, 0));
    EXPECT_EQ((Bytes{0x33, 0x11, 0xDE}), PixelAt(bitmap, 1, 0));
}

TEST_F(BitmapPngTest, GreyPicturesGetAGreyPaletteWhateverTheirDepth) {
    PngPicture grey;
    grey.width = 4;
    grey.height = 2;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.rows = {0, 50, 100, 255, 7, 8, 9, 10};
    ASSERT_TRUE(Load(grey));
    EXPECT_EQ(8, bitmap.bitsPerPixel);
    ASSERT_EQ(256u, bitmap.palette.size());
    EXPECT_EQ(0x00808080u, bitmap.palette[128]);
    EXPECT_EQ((Bytes{7, 8, 9, 10, 0, 50, 100, 255}), bitmap.pixels);

    // 1, 2 and 4-bit grey is widened to the full 0..255 scale.
    PngPicture shallow = grey;
    shallow.bitDepth = 2;
    shallow.rows = {0x1B, 0xE4};  // 0 1 2 3 / 3 2 1 0
    ASSERT_TRUE(Load(shallow));
    EXPECT_EQ(8, bitmap.bitsPerPixel);
    EXPECT_EQ((Bytes{255, 170, 85, 0, 0, 85, 170, 255}), bitmap.pixels);

    shallow.bitDepth = 1;
    shallow.rows = {0xA0, 0x50};
    ASSERT_TRUE(Load(shallow));
    EXPECT_EQ((Bytes{0, 255, 0, 255, 255, 0, 255, 0}), bitmap.pixels);

    PngPicture deep = grey;
    deep.bitDepth = 16;
    deep.width = 1;
    deep.rows = {0xAB, 0xCD, 0x01, 0x02};
    ASSERT_TRUE(Load(deep));
    EXPECT_EQ((Bytes{0x01, 0, 0, 0, 0xAB, 0, 0, 0}), bitmap.pixels);
}

TEST_F(BitmapPngTest, PalettePicturesKeepIndicesUnlessTransparent) {
    PngPicture indexed;
    indexed.width = 4;
    indexed.height = 1;
    indexed.colorType = PNG_COLOR_TYPE_PALETTE;
    indexed.bitDepth = 2;
    indexed.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    indexed.rows = {0x1B};  // 0 1 2 3
    ASSERT_TRUE(Load(indexed));
    EXPECT_EQ(8, bitmap.bitsPerPixel);
    EXPECT_EQ((Bytes{0, 1, 2, 3}), bitmap.pixels);
    EXPECT_EQ((std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0x0A141E}), bitmap.palette);

    // With transparency the indices become blue-green-red-alpha.
    indexed.paletteAlpha = {0, 128};
    ASSERT_TRUE(Load(indexed));
    EXPECT_EQ(32, bitmap.bitsPerPixel);
    EXPECT_TRUE(bitmap.palette.empty());
    EXPECT_EQ((Bytes{0, 0, 255, 0}), PixelAt(bitmap, 0, 0));
    EXPECT_EQ((Bytes{0, 255, 0, 128}), PixelAt(bitmap, 1, 0));
    EXPECT_EQ((Bytes{255, 0, 0, 255}), PixelAt(bitmap, 2, 0));
    EXPECT_EQ((Bytes{30, 20, 10, 255}), PixelAt(bitmap, 3, 0));
}

TEST_F(BitmapPngTest, TransparentColourAndGreyAlphaBecomeBlueGreenRedAlpha) {
    const png_color_16 key{0, 1, 2, 3, 0};
    PngPicture rgb;
    rgb.width = 2;
    rgb.height = 1;
    rgb.rows = {1, 2, 3, 4, 5, 6};
    rgb.transparent = &key;
    ASSERT_TRUE(Load(rgb));
    EXPECT_EQ(32, bitmap.bitsPerPixel);
    EXPECT_EQ((Bytes{3, 2, 1, 0}), PixelAt(bitmap, 0, 0));
    EXPECT_EQ((Bytes{6, 5, 4, 255}), PixelAt(bitmap, 1, 0));

    PngPicture greyAlpha;
    greyAlpha.width = 2;
    greyAlpha.height = 1;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.rows = {40, 255, 90, 7};
    ASSERT_TRUE(Load(greyAlpha));
    EXPECT_EQ(32, bitmap.bitsPerPixel);
    EXPECT_EQ((Bytes{40, 40, 40, 255}), PixelAt(bitmap, 0, 0));
    EXPECT_EQ((Bytes{90, 90, 90, 7}), PixelAt(bitmap, 1, 0));

    const png_color_16 greyKey{0, 0, 0, 0, 9};
    PngPicture keyed;
    keyed.width = 2;
    keyed.height = 1;
    keyed.colorType = PNG_COLOR_TYPE_GRAY;
    keyed.bitDepth = 4;
    keyed.rows = {0x9F};
    keyed.transparent = &greyKey;
    ASSERT_TRUE(Load(keyed));
    EXPECT_EQ(32, bitmap.bitsPerPixel);
    EXPECT_EQ((Bytes{153, 153, 153, 0}), PixelAt(bitmap, 0, 0));
    EXPECT_EQ((Bytes{255, 255, 255, 255}), PixelAt(bitmap, 1, 0));
}

TEST_F(BitmapPngTest, ContentDecidesNotTheName) {
    PngPicture rgb;
    rgb.rows = {9, 8, 7};
    ASSERT_TRUE(Load(rgb, L"cover.jpg"));
    EXPECT_EQ((Bytes{7, 8, 9, 0}), bitmap.pixels);
}

TEST_F(BitmapPngTest, RefusesOversizedAndBrokenPictures) {
    // Headers claiming more than the bounds; the data behind them is never allocated.
    PngPicture small;
    small.rows = {1, 2, 3};
    Bytes encoded = samples::EncodePng(small);
    const std::uint32_t sizes[][2] = {{16385, 1}, {1, 16385}, {16384, 16384}, {0x7FFFFFFF, 0x7FFFFFFF}};
    for (const auto& size : sizes) {
        Bytes hostile = encoded;
        samples::PutU32(hostile, 16, 0), samples::PutU32(hostile, 20, 0);
        for (int i = 0; i < 4; ++i) {
            hostile[16 + i] = static_cast<std::uint8_t>(size[0] >> (24 - 8 * i));
            hostile[20 + i] = static_cast<std::uint8_t>(size[1] >> (24 - 8 * i));
        }
        hostile[25] = PNG_COLOR_TYPE_RGBA;
        // Correct the header's checksum so that the size itself is what gets refused.
        std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, hostile.data() + 12, 17));
        for (int i = 0; i < 4; ++i) hostile[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        EXPECT_FALSE(kit::LoadBitmap(folder.AddFile(L"huge.png", hostile), bitmap)) << size[0] << "x" << size[1];
        EXPECT_TRUE(bitmap.pixels.empty());
    }

    Bytes cut = encoded;
    cut.resize(cut.size() - 20);  // inside the image data
    EXPECT_FALSE(kit::LoadBitmap(folder.AddFile(L"cut.png", cut), bitmap));
    EXPECT_EQ(0, bitmap.bitsPerPixel);
}

}  // namespace
