// windows.h first: it renames LoadBitmap, and the declaration must see it as
// the library was built.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "processing/BitmapFile.h"
#include "processing/CoverPicture.h"
#include "support/SamplePictures.h"
#include "support/TempFolder.h"

using samples::BmpFile;
using samples::Bytes;

namespace {

Bytes Sequence(size_t count, std::uint8_t start = 1) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(start + i);
    return bytes;
}

class BitmapBmpTest : public ::testing::Test {
protected:
    bool Load(const BmpFile& bmp) { return kit::LoadBitmap(folder.AddFile(L"picture.bmp", bmp.Write()), bitmap); }
    testing_support::TempFolder folder;
    kit::Bitmap bitmap;
};

TEST_F(BitmapBmpTest, DirectColourRowsAreTheFilesBytes) {
    BmpFile bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.rows = Sequence(2 * 12);  // 9 bytes of pixels + 3 of padding per row
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(3u, bitmap.width);
    EXPECT_EQ(2, bitmap.height);
    EXPECT_EQ(12, bitmap.stride);
    EXPECT_EQ(24, bitmap.bitsPerPixel);
    EXPECT_TRUE(bitmap.palette.empty());
    EXPECT_EQ(bmp.rows, bitmap.pixels);

    bmp.bits = 32;
    bmp.rows = Sequence(2 * 12);
    ASSERT_TRUE(Load(bmp));
    ASSERT_EQ(24u, bitmap.pixels.size());
    for (size_t i = 0; i < bitmap.pixels.size(); ++i)
        EXPECT_EQ(i % 4 == 3 ? 255 : bmp.rows[i], bitmap.pixels[i]) << i;
}

TEST_F(BitmapBmpTest, PaletteCountFollowsHeaderWithinBitDepth) {
    BmpFile bmp;
    bmp.width = 5;
    bmp.height = 1;
    bmp.bits = 8;
    for (std::uint32_t i = 0; i < 256; ++i) bmp.palette.push_back(0x00010203u * (i % 80));
    bmp.rows = {0, 1, 2, 255, 4, 0, 0, 0};
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(bmp.palette, bitmap.palette);  // colours-used 0 means all 256
    EXPECT_EQ(bmp.rows, bitmap.pixels);

    bmp.colorsUsed = 3;
    bmp.palette.resize(3);
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(bmp.palette, bitmap.palette);

    // A 1-bit picture has two colours, whatever the count claims.
    bmp.bits = 1;
    bmp.colorsUsed = 1000;
    bmp.palette = {0x000000, 0xFFFFFF};
    bmp.rows = {0xA8, 0, 0, 0};
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(bmp.palette, bitmap.palette);
    EXPECT_EQ(4, bitmap.stride);
    EXPECT_EQ(bmp.rows, bitmap.pixels);

    bmp.bits = 4;
    bmp.colorsUsed = 0;
    bmp.palette.assign(16, 0x123456);
    bmp.rows = {0x12, 0x34, 0x50, 0};
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(16u, bitmap.palette.size());
    EXPECT_EQ(bmp.rows, bitmap.pixels);
}

TEST_F(BitmapBmpTest, TopDownRowsAreStoredBottomUp) {
    BmpFile bmp;
    bmp.width = 1;
    bmp.height = -3;
    bmp.rows = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0};  // top row first
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(3, bitmap.height);
    EXPECT_EQ((Bytes{3, 3, 3, 0, 2, 2, 2, 0, 1, 1, 1, 0}), bitmap.pixels);
}

TEST_F(BitmapBmpTest, StoreIsExactlyTheRowsWhateverTheSizeFieldOrFileHolds) {
    BmpFile bmp;
    bmp.width = 2;
    bmp.height = 3;
    bmp.imageSize = 4;  // claims less than the rows
    bmp.rows = Sequence(3 * 8);
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(bmp.rows, bitmap.pixels);

    bmp.imageSize = 1u << 30;  // claims far more
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(bmp.rows, bitmap.pixels);

    bmp.imageSize = 0;
    bmp.rows.resize(10);  // file ends inside the second row
    ASSERT_TRUE(Load(bmp));
    ASSERT_EQ(24u, bitmap.pixels.size());
    EXPECT_TRUE(std::equal(bmp.rows.begin(), bmp.rows.end(), bitmap.pixels.begin()));
    EXPECT_TRUE(std::all_of(bitmap.pixels.begin() + 10, bitmap.pixels.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(BitmapBmpTest, BitfieldMasksAreReadAndLargerHeadersSkipped) {
    BmpFile bmp;
    bmp.width = 2;
    bmp.height = 1;
    bmp.bits = 16;
    bmp.compression = 3;
    bmp.masks = {0xF800, 0x07E0, 0x001F};
    bmp.rows = {0x1F, 0x00, 0x00, 0xF8};
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(0xF800u, bitmap.masks[0]);
    EXPECT_EQ(0x07E0u, bitmap.masks[1]);
    EXPECT_EQ(0x001Fu, bitmap.masks[2]);
    EXPECT_EQ(bmp.rows, bitmap.pixels);

    // A version-5 header: masks inside it, colour table behind its 124 bytes.
    bmp.infoSize = 124;
    ASSERT_TRUE(Load(bmp));
    EXPECT_EQ(0x07E0u, bitmap.masks[1]);
    EXPECT_EQ(bmp.rows, bitmap.pixels);

    BmpFile indexed;
    indexed.infoSize = 124;
    indexed.bits = 8;
    indexed.colorsUsed = 2;
    indexed.palette = {0x0000FF, 0x00FF00};
    indexed.rows = {1, 0, 0, 0};
    ASSERT_TRUE(Load(indexed));
    EXPECT_EQ(indexed.palette, bitmap.palette);
    // The masks of the picture before are gone.
    EXPECT_EQ(0u, bitmap.masks[0] | bitmap.masks[1] | bitmap.masks[2]);
}

TEST_F(BitmapBmpTest, RefusesWhatItCannotShowOrShouldNotAllocate) {
    struct Case {
        const char* what;
        std::int32_t width, height;
        std::uint32_t bits, compression, infoSize;
    } cases[] = {
        {"run-length 8-bit", 4, 4, 8, 1, 40},
        {"run-length 4-bit", 4, 4, 4, 2, 40},
        {"embedded JPEG", 4, 4, 24, 4, 40},
        {"bit fields on 24 bits", 4, 4, 24, 3, 40},
        {"2 bits per pixel", 4, 4, 2, 0, 40},
        {"0 bits per pixel", 4, 4, 0, 0, 40},
        {"old 12-byte header", 4, 4, 24, 0, 12},
        {"zero width", 0, 4, 24, 0, 40},
        {"negative width", -4, 4, 24, 0, 40},
        {"zero height", 4, 0, 24, 0, 40},
        {"wider than 16384", 16385, 1, 8, 0, 40},
        {"taller than 16384 top-down", 1, -16385, 8, 0, 40},
        {"store above 256 MiB", 16384, 16384, 32, 0, 40},
        {"most negative height", 1, INT32_MIN, 8, 0, 40},
    };
    for (const Case& c : cases) {
        BmpFile bmp;
        bmp.width = c.width;
        bmp.height = c.height;
        bmp.bits = c.bits;
        bmp.compression = c.compression;
        bmp.infoSize = c.infoSize;
        bmp.rows = Sequence(64);
        EXPECT_FALSE(Load(bmp)) << c.what;
        EXPECT_TRUE(bitmap.pixels.empty()) << c.what;
        EXPECT_EQ(0u, bitmap.width) << c.what;
    }

    Bytes header = BmpFile().Write();
    header.resize(40);  // cut inside the information header
    EXPECT_FALSE(kit::LoadBitmap(folder.AddFile(L"short.bmp", header), bitmap));
}

}  // namespace

TEST_F(BitmapBmpTest, ACoverIsTheFetchedJpegOrTheBmpAsAPngWithTheSamePixels) {
    BmpFile bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.rows = Sequence(2 * 12);
    CoverPicture cover = ReadCoverPicture(folder.AddFile(L"art.bmp", bmp.Write()));
    ASSERT_EQ(cover.mimeType, "image/png");
    kit::Bitmap decoded;
    ASSERT_TRUE(kit::LoadBitmap(folder.AddFile(L"art.png", Bytes(cover.bytes.begin(), cover.bytes.end())), decoded));
    ASSERT_TRUE(Load(bmp));
    for (int y = 0; y < 2; ++y)  // the BMP's row padding aside
        EXPECT_TRUE(std::equal(bitmap.pixels.begin() + y * 12, bitmap.pixels.begin() + y * 12 + 9,
                               decoded.pixels.begin() + y * decoded.stride))
            << y;

    const std::string jpeg = samples::SampleJpeg(16, 8, 1);
    cover = ReadCoverPicture(folder.AddFile(L"art.jpg", Bytes(jpeg.begin(), jpeg.end())));
    EXPECT_EQ(cover.mimeType, "image/jpeg");
    EXPECT_EQ(cover.bytes, jpeg);
    // What our decoder refuses goes into no tag.
    EXPECT_TRUE(ReadCoverPicture(folder.AddFile(L"art.gif", {'G', 'I', 'F', '8', '9', 'a', 0, 0})).bytes.empty());
}
