// The artwork picture: letterbox arithmetic, drawing, and the frame.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include <boost/weak_ptr.hpp>

#include "KitTestIds.h"
#include "KitTestSupport.h"
#include "app/Artwork.h"
#include "base/Bitmap.h"
#include "base/ScopedHandle.h"
#include "kit/GdiObject.h"
#include "kit/Image.h"
#include "kit/Letterbox.h"
#include "kit/StaticText.h"
#include "support/TempFolder.h"

namespace {

RECT Fit(int frameWidth, int frameHeight, int width, int height) {
    RECT fitted = {};
    EXPECT_TRUE(kit::FitLetterbox(RECT{0, 0, frameWidth, frameHeight}, width, height, fitted));
    return fitted;
}

TEST(Letterbox, KeepsProportionsAndCentres) {
    const RECT square = Fit(100, 90, 300, 300);
    EXPECT_EQ(square.left, 5);
    EXPECT_EQ(square.right - square.left, 90);
    EXPECT_EQ(square.top, 0);
    EXPECT_EQ(square.bottom, 90);

    const RECT wide = Fit(100, 90, 400, 100);
    EXPECT_EQ(wide.top, 32);
    EXPECT_EQ(wide.bottom - wide.top, 25);
    EXPECT_EQ(wide.left, 0);
    EXPECT_EQ(wide.right, 100);

    const RECT same = Fit(100, 90, 200, 180);
    EXPECT_EQ(same.left, 0);
    EXPECT_EQ(same.top, 0);
    EXPECT_EQ(same.right, 100);
    EXPECT_EQ(same.bottom, 90);

    RECT fitted;
    EXPECT_FALSE(kit::FitLetterbox(RECT{0, 0, 100, 90}, 0, 50, fitted));
    EXPECT_FALSE(kit::FitLetterbox(RECT{0, 0, 100, 90}, 50, 0, fitted));
}

// A 24-bit memory context of the given size, its pixels readable.
struct Canvas {
    Canvas(int width, int height) : dc(new kit::MemoryDc(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        section.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0));
        selection.reset(new kit::ScopedSelectObject(dc->handle(), section.Get()));
        stride = (width * 3 + 3) / 4 * 4;
    }
    // blue, green, red of pixel (x, y), y counted from the bottom row
    std::uint32_t Pixel(int x, int y) const {
        ::GdiFlush();
        const std::uint8_t* p = bits + y * stride + x * 3;
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    boost::shared_ptr<kit::Dc> dc;
    kit::UniqueGdiObject section;
    std::unique_ptr<kit::ScopedSelectObject> selection;
    std::uint8_t* bits = nullptr;
    int stride = 0;
};

TEST(ArtworkImage, DrawnPixelsReadBackExactly) {
    auto bitmap = boost::shared_ptr<kit::Bitmap>(new kit::Bitmap());
    bitmap->Create(3, 2, 24);
    for (int i = 0; i < 18; ++i) bitmap->pixels[(i / 9) * bitmap->stride + i % 9] = static_cast<std::uint8_t>(10 * i + 5);
    auto image = kit::Image::Create(bitmap);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 3);
    EXPECT_EQ(image->height(), 2);

    Canvas canvas(3, 2);
    image->Draw(canvas.dc, RECT{0, 0, 3, 2});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const std::uint8_t* source = &bitmap->pixels[y * bitmap->stride + x * 3];
            EXPECT_EQ(canvas.Pixel(x, y), source[0] | (source[1] << 8) | (source[2] << 16)) << x << "," << y;
        }
}

TEST(ArtworkImage, PalettePicturesAreShownThroughTheirColours) {
    auto grey = boost::shared_ptr<kit::Bitmap>(new kit::Bitmap());
    grey->Create(2, 1, 8);
    for (std::uint32_t i = 0; i < 256; ++i) grey->palette.push_back(i | (i << 8) | (i << 16));
    grey->pixels[0] = 0x20;
    grey->pixels[1] = 0xC0;
    auto image = kit::Image::Create(grey);
    ASSERT_TRUE(image);
    EXPECT_EQ(grey->bitsPerPixel, 24);  // converted in the caller's bitmap
    Canvas canvas(2, 1);
    image->Draw(canvas.dc, RECT{0, 0, 2, 1});
    EXPECT_EQ(canvas.Pixel(0, 0), 0x202020u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0xC0C0C0u);

    // a 4-bit picture whose file gave only two colours
    auto sparse = boost::shared_ptr<kit::Bitmap>(new kit::Bitmap());
    sparse->Create(2, 1, 4);
    sparse->palette = {0x0000FFu, 0x00FF00u};
    sparse->pixels[0] = 0x10;
    image = kit::Image::Create(sparse);
    ASSERT_TRUE(image);
    image->Draw(canvas.dc, RECT{0, 0, 2, 1});
    EXPECT_EQ(canvas.Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0x0000FFu);

    auto empty = boost::shared_ptr<kit::Bitmap>(new kit::Bitmap());
    EXPECT_FALSE(kit::Image::Create(empty));
    empty->Create(4, 4, 24);
    empty->pixels.resize(8);  // a store shorter than its rows
    EXPECT_TRUE(kit::Image::Create(empty));
}

// A 16-bit file with bit masks is 5-6-5, which a plain DIB section would
// read as 5-5-5.
TEST(ArtworkImage, MaskedPicturesAreShownThroughTheirMasks) {
    auto bitmap = boost::shared_ptr<kit::Bitmap>(new kit::Bitmap());
    bitmap->Create(3, 1, 16);
    bitmap->masks = {0xF800, 0x07E0, 0x001F};
    const std::uint16_t red = 0xF800, green = 0x07E0, blue = 0x001F;
    std::memcpy(&bitmap->pixels[0], &red, 2);
    std::memcpy(&bitmap->pixels[2], &green, 2);
    std::memcpy(&bitmap->pixels[4], &blue, 2);
    auto image = kit::Image::Create(bitmap);
    ASSERT_TRUE(image);
    Canvas canvas(3, 1);
    image->Draw(canvas.dc, RECT{0, 0, 3, 1});
    EXPECT_EQ(canvas.Pixel(0, 0), 0xF80000u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0x00FC00u);
    EXPECT_EQ(canvas.Pixel(2, 0), 0x0000F8u);
}

TEST(ArtworkImage, ResourceBitmapLearnsItsSizeAtTheFirstDraw) {
    EXPECT_FALSE(kit::Image::FromResource(9999));
    auto strip = kit::Image::FromResource(IDB_KIT_TEST_STRIP);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->width(), 0);
    Canvas canvas(64, 16);
    strip->Draw(canvas.dc, RECT{0, 0, 64, 16});
    EXPECT_EQ(strip->width(), 64);
    EXPECT_EQ(strip->height(), 16);
}

// A 24-bit BMP of one colour.
void WriteBmp(const std::wstring& path, int width, int height, std::uint32_t bgr) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> file(54 + stride * height, 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) file[54 + y * stride + x * 3 + c] = static_cast<std::uint8_t>(bgr >> (8 * c));
    kit::UniqueHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(out.Get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
}

class ArtworkFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kit_test::OpenTestDialog(dialog));
        frame = kit::AttachItem<kit::StaticText>(&dialog, IDC_TEST_FRAME);
        ASSERT_TRUE(frame);
        ::SetWindowPos(frame->handle(), nullptr, 0, 0, 100, 90, SWP_NOMOVE | SWP_NOZORDER);
    }
    COLORREF At(int x, int y) {
        ::UpdateWindow(frame->handle());
        HDC dc = ::GetDC(frame->handle());
        const COLORREF colour = ::GetPixel(dc, x, y);
        ::ReleaseDC(frame->handle(), dc);
        return colour;
    }
    kit_test::RecordingDialog dialog;
    boost::shared_ptr<kit::StaticText> frame;
    testing_support::TempFolder temp;
};

const COLORREF kRed = RGB(255, 0, 0);

TEST_F(ArtworkFrame, ClearBeforeAnyPictureAttachesAndPaintsNothing) {
    EXPECT_FALSE(frame->subclassed());
    frame->ClearImage();
    EXPECT_TRUE(frame->subclassed());
    EXPECT_FALSE(frame->background());
    kit::ShowArtwork(*frame, temp.path() + L"\\missing.jpg");
    EXPECT_FALSE(frame->image());
    EXPECT_FALSE(frame->background());
}

TEST_F(ArtworkFrame, PicturesAreLetterboxedAndReplaced) {
    const std::wstring square = temp.AddFile(L"square.bmp");
    WriteBmp(square, 300, 300, 0xFF0000);  // blue, green, red bytes: red
    kit::ShowArtwork(*frame, square);
    ASSERT_TRUE(frame->image());
    EXPECT_TRUE(frame->background());
    EXPECT_EQ(At(5, 0), kRed);
    EXPECT_EQ(At(94, 89), kRed);
    EXPECT_NE(At(4, 45), kRed);
    EXPECT_NE(At(95, 45), kRed);

    boost::weak_ptr<kit::Image> first = frame->image();
    const HBITMAP firstSection = frame->image()->bitmap();
    const std::wstring wide = temp.AddFile(L"wide.png");  // a BMP under another name: read by content
    WriteBmp(wide, 400, 100, 0x00FF00);
    kit::ShowArtwork(*frame, wide);
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(::GetObjectType(firstSection), 0u);
    EXPECT_EQ(At(50, 32), RGB(0, 255, 0));
    EXPECT_EQ(At(50, 56), RGB(0, 255, 0));
    EXPECT_NE(At(50, 60), RGB(0, 255, 0));

    const std::wstring broken = temp.AddFile(L"broken.jpg");  // empty file
    kit::ShowArtwork(*frame, broken);
    EXPECT_FALSE(frame->image());
    EXPECT_EQ(At(50, 45), ::GetSysColor(COLOR_BTNFACE));

    // a picture without width or height paints the background, no division
    frame->SetImage(boost::shared_ptr<kit::Image>(new kit::Image()));
    ::InvalidateRect(frame->handle(), nullptr, FALSE);
    EXPECT_EQ(At(50, 45), ::GetSysColor(COLOR_BTNFACE));
}

}  // namespace
