// windows.h first: it renames LoadBitmap, and the declaration must see it as
// the library was built.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "processing/BitmapFile.h"
#include "support/SamplePictures.h"
#include "support/TempFolder.h"

using samples::Bytes;
using samples::JpegPicture;

namespace {

class BitmapJpegTest : public ::testing::Test {
protected:
    bool Load(const Bytes& data, const wchar_t* name = L"picture.jpg") {
        return kit::LoadBitmap(folder.AddFile(name, data), bitmap);
    }
    // Compares the loaded rows with a plain libjpeg decoding of the same bytes
    // (top-down, red-green-blue order), sample for sample.
    void ExpectSameAsPlainDecoding(const Bytes& data, std::uint32_t topRows = 0xFFFFFFFF) {
        std::uint32_t width = 0, height = 0;
        int components = 0;
        Bytes plain = samples::DecodeJpegPlain(data, &width, &height, &components);
        ASSERT_EQ(width, bitmap.width);
        ASSERT_EQ(static_cast<std::int32_t>(height), bitmap.height);
        ASSERT_EQ(components * 8, bitmap.bitsPerPixel);
        for (std::uint32_t y = 0; y < height && y < topRows; ++y) {
            const std::uint8_t* row = bitmap.pixels.data() + (height - 1 - y) * bitmap.stride;
            for (std::uint32_t x = 0; x < width; ++x)
                for (int c = 0; c < components; ++c) {
                    // Three components are stored blue-green-red.
                    int from = components == 3 ? 2 - c : c;
                    ASSERT_EQ(plain[(y * width + x) * components + from], row[x * components + c])
                        << "x " << x << " y " << y << " c " << c;
                }
        }
    }
    testing_support::TempFolder folder;
    kit::Bitmap bitmap;
};

TEST_F(BitmapJpegTest, ColourPictureIsBlueGreenRedBottomUp) {
    JpegPicture colour;
    colour.width = 37;  // an odd width leaves row padding
    colour.height = 19;
    colour.rows = samples::BlockPattern(37, 19, 3);
    Bytes data = samples::EncodeJpeg(colour);
    ASSERT_TRUE(Load(data));
    EXPECT_EQ(24, bitmap.bitsPerPixel);
    EXPECT_EQ(112, bitmap.stride);
    EXPECT_TRUE(bitmap.palette.empty());
    ExpectSameAsPlainDecoding(data);
    // And close to what was encoded: the top-left pixel of the picture is the last row's first.
    const std::uint8_t* topLeft = bitmap.pixels.data() + 18 * bitmap.stride;
    EXPECT_NEAR(colour.rows[2], topLeft[0], 3);
    EXPECT_NEAR(colour.rows[0], topLeft[2], 3);

    colour.progressive = true;
    data = samples::EncodeJpeg(colour);
    ASSERT_TRUE(Load(data));
    ExpectSameAsPlainDecoding(data);
}

TEST_F(BitmapJpegTest, GreyGetsAPaletteAndCmykKeepsItsInks) {
    JpegPicture grey;
    grey.width = 16;
    grey.height = 8;
    grey.colorSpace = JCS_GRAYSCALE;
    grey.rows = samples::BlockPattern(16, 8, 1);
    Bytes data = samples::EncodeJpeg(grey);
    ASSERT_TRUE(Load(data));
    EXPECT_EQ(8, bitmap.bitsPerPixel);
    ASSERT_EQ(256u, bitmap.palette.size());
    EXPECT_EQ(0x00FEFEFEu, bitmap.palette[254]);
    ExpectSameAsPlainDecoding(data);

    JpegPicture cmyk;
    cmyk.width = 8;
    cmyk.height = 8;
    cmyk.colorSpace = JCS_CMYK;
    cmyk.rows.resize(8 * 8 * 4);
    for (size_t i = 0; i < cmyk.rows.size(); i += 4) {
        cmyk.rows[i] = 10, cmyk.rows[i + 1] = 100, cmyk.rows[i + 2] = 200, cmyk.rows[i + 3] = 250;
    }
    data = samples::EncodeJpeg(cmyk);
    ASSERT_TRUE(Load(data));
    EXPECT_EQ(32, bitmap.bitsPerPixel);
    ExpectSameAsPlainDecoding(data);
    EXPECT_NEAR(10, bitmap.pixels[0], 2);
    EXPECT_NEAR(250, bitmap.pixels[3], 2);
}

TEST_F(BitmapJpegTest, TruncatedPictureStillDecodes) {
    JpegPicture colour;
    colour.width = 128;
    colour.height = 128;
    colour.rows = samples::BlockPattern(128, 128, 3);
    Bytes data = samples::EncodeJpeg(colour);
    Bytes cut(data.begin(), data.begin() + data.size() * 2 / 3);
    ASSERT_TRUE(Load(cut));
    EXPECT_EQ(128u, bitmap.width);
    EXPECT_EQ(128, bitmap.height);
    // The rows before the cut are those of the whole file.
    kit::LoadBitmap(folder.AddFile(L"whole.jpg", data), bitmap);
    kit::Bitmap whole = bitmap;
    ASSERT_TRUE(Load(cut));
    int same = 0;
    while (same < 128 && std::equal(whole.pixels.end() - (same + 1) * whole.stride, whole.pixels.end() - same * whole.stride,
                                    bitmap.pixels.end() - (same + 1) * bitmap.stride))
        ++same;
    EXPECT_GE(same, 16) << "of " << data.size() << " bytes, " << cut.size() << " kept";
    EXPECT_LT(same, 128);
}

TEST_F(BitmapJpegTest, RefusesWhatIsNoPictureWeCanShow) {
    EXPECT_FALSE(Load(Bytes{}, L"empty.jpg"));
    EXPECT_FALSE(Load(Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0}, L"cover.gif"));
    EXPECT_FALSE(Load(Bytes{0xFF, 0xD8}, L"start.jpg"));
    EXPECT_FALSE(kit::LoadBitmap(L"C:\\no such folder\\cover.jpg", bitmap));
    EXPECT_FALSE(kit::LoadBitmapFile(L"C:\\no such folder\\cover.jpg"));
    EXPECT_TRUE(bitmap.pixels.empty());

    // A header claiming 65000 x 65000 is refused before anything is allocated.
    JpegPicture small;
    small.width = 8;
    small.height = 8;
    small.rows = samples::BlockPattern(8, 8, 3);
    Bytes data = samples::EncodeJpeg(small);
    size_t frame = 2;
    while (!(data[frame] == 0xFF && data[frame + 1] == 0xC0)) ++frame;
    Bytes huge = data;
    huge[frame + 5] = 0xFD, huge[frame + 6] = 0xE8;  // height
    huge[frame + 7] = 0xFD, huge[frame + 8] = 0xE8;  // width
    EXPECT_FALSE(Load(huge));

    // Within the side limit but a progressive picture whose coefficient
    // buffers would need far more than the decoder may use.
    small.progressive = true;
    data = samples::EncodeJpeg(small);
    frame = 2;
    while (!(data[frame] == 0xFF && data[frame + 1] == 0xC2)) ++frame;
    huge = data;
    huge[frame + 5] = 0x1F, huge[frame + 6] = 0x40;  // 8000: a 183 MiB store, 366 MiB of coefficients
    huge[frame + 7] = 0x1F, huge[frame + 8] = 0x40;
    EXPECT_FALSE(Load(huge));
    EXPECT_TRUE(bitmap.pixels.empty());

    ASSERT_TRUE(Load(data));
    auto shared = kit::LoadBitmapFile(folder.AddFile(L"shared.jpg", data));
    ASSERT_TRUE(shared);
    EXPECT_EQ(8u, shared->width);
}

}  // namespace
