#include <gtest/gtest.h>

#include "base/Bitmap.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Row(const kit::Bitmap& bitmap, int y) {
    const std::uint8_t* row = bitmap.pixels.data() + y * bitmap.stride;
    return Bytes(row, row + bitmap.width * 3);
}

TEST(BitmapCreateTest, SizesAZeroStoreOfWholeWordRows) {
    kit::Bitmap bitmap;
    bitmap.palette = {1, 2};
    EXPECT_TRUE(bitmap.Create(3, 2, 24));
    EXPECT_EQ(12, bitmap.stride);
    EXPECT_EQ(Bytes(24, 0), bitmap.pixels);
    EXPECT_TRUE(bitmap.palette.empty());
    bitmap.Create(33, -2, 1);  // a negative height still sizes |height| rows
    EXPECT_EQ(8, bitmap.stride);
    EXPECT_EQ(-2, bitmap.height);
    EXPECT_EQ(16u, bitmap.pixels.size());
}

TEST(BitmapToRgb24Test, DirectColourDropsAlphaAndHonoursMasks) {
    kit::Bitmap bitmap;
    bitmap.Create(2, 1, 32);
    bitmap.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    bitmap.ToRgb24();
    EXPECT_EQ(24, bitmap.bitsPerPixel);
    EXPECT_EQ(8, bitmap.stride);
    EXPECT_EQ((Bytes{1, 2, 3, 5, 6, 7, 0, 0}), bitmap.pixels);

    // Without masks 16 bits are 5-5-5.
    bitmap.Create(2, 1, 16);
    bitmap.pixels = {0x1F, 0x00, 0x00, 0x7C};
    bitmap.ToRgb24();
    EXPECT_EQ((Bytes{0xF8, 0, 0, 0, 0, 0xF8}), Row(bitmap, 0));

    // 5-6-5: the top bit is red, not ignored.
    bitmap.Create(3, 1, 16);
    bitmap.masks = {0xF800, 0x07E0, 0x001F};
    bitmap.pixels = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0, 0};
    bitmap.ToRgb24();
    EXPECT_EQ((Bytes{0xF8, 0, 0, 0, 0xFC, 0, 0, 0, 0xF8}), Row(bitmap, 0));
    EXPECT_EQ(0u, bitmap.masks[0]);

    // 32 bits with red in the low byte.
    bitmap.Create(1, 1, 32);
    bitmap.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    bitmap.pixels = {10, 20, 30, 40};
    bitmap.ToRgb24();
    EXPECT_EQ((Bytes{30, 20, 10}), Row(bitmap, 0));
}

TEST(BitmapToRgb24Test, IndexedColoursComeFromThePalette) {
    kit::Bitmap bitmap;
    bitmap.Create(3, 2, 8);
    bitmap.palette = {0x00112233, 0x00445566};
    bitmap.pixels = {0, 1, 7, 0, 1, 1, 0, 0};  // index 7 is beyond the palette
    bitmap.ToRgb24();
    EXPECT_TRUE(bitmap.palette.empty());
    EXPECT_EQ((Bytes{0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0, 0, 0}), Row(bitmap, 0));
    EXPECT_EQ((Bytes{0x66, 0x55, 0x44, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}), Row(bitmap, 1));

    bitmap.Create(3, 1, 1);
    bitmap.palette = {0x000000, 0xFFFFFF};
    bitmap.pixels = {0xA0, 0, 0, 0};
    bitmap.ToRgb24();
    EXPECT_EQ((Bytes{255, 255, 255, 0, 0, 0, 255, 255, 255}), Row(bitmap, 0));

    bitmap.Create(2, 1, 4);
    bitmap.palette.assign(16, 0);
    bitmap.palette[0xC] = 0x0000FF;
    bitmap.pixels = {0x0C, 0, 0, 0};
    bitmap.ToRgb24();
    EXPECT_EQ((Bytes{0, 0, 0, 0xFF, 0, 0}), Row(bitmap, 0));
}

TEST(BitmapToRgb24Test, ShortStoreIsNeverReadPastItsEnd) {
    kit::Bitmap bitmap;
    bitmap.Create(4, 3, 8);
    bitmap.palette = {0x00FFFFFF};
    bitmap.pixels.resize(5);  // one row and a bit
    bitmap.ToRgb24();
    EXPECT_EQ(3 * 12u, bitmap.pixels.size());
    EXPECT_EQ(Bytes(12, 255), Row(bitmap, 0));
    EXPECT_EQ(Bytes(12, 0), Row(bitmap, 2));
}

}  // namespace
