#include <windows.h>

#include <gtest/gtest.h>

#include "base/FileOperations.h"
#include "web/ArtworkFile.h"

namespace {

const std::vector<std::uint8_t> kPng = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
const std::vector<std::uint8_t> kJpeg = {0xFF, 0xD8, 0xFF, 0xE0};

TEST(ArtworkFile, NamesComeFromThePathAndStayInsideTheFolder) {
    EXPECT_EQ(L"c.png", ArtworkFileName(L"http://h/a/b/c.png?x=1/y#f/g", kPng));
    EXPECT_EQ(L"a.jpg", ArtworkFileName(L"img/a.jpg", kJpeg));
    EXPECT_EQ(L"evil.jpg", ArtworkFileName(L"http://h/a\\..\\..\\evil.jpg", kJpeg));
    EXPECT_EQ(L"a_b_c_d_.jpg", ArtworkFileName(L"http://h/a:b*c\"d|.jpg", kJpeg));
    EXPECT_EQ(L"_CON.jpg", ArtworkFileName(L"http://h/CON.jpg", kJpeg));
    EXPECT_EQ(L"_lpt1.jpg", ArtworkFileName(L"http://h/lpt1", kJpeg));
    EXPECT_EQ(L"x___.jpg", ArtworkFileName(L"http://h/x. .", kJpeg));
    // The content decides the extension: a script's name is no picture's.
    EXPECT_EQ(L"image.jpg", ArtworkFileName(L"http://h/image.php?id=7", kJpeg));
    EXPECT_EQ(L"a.jpg", ArtworkFileName(L"http://h/a.JPEG", kJpeg));
    EXPECT_EQ(L"a.png", ArtworkFileName(L"http://h/a.jpg", kPng));
    EXPECT_EQ(L"page.php", ArtworkFileName(L"http://h/page.php", {'<', 'h'}));
    const std::wstring longName(400, L'n');
    EXPECT_EQ(std::wstring(146, L'n') + L".png", ArtworkFileName(L"http://h/" + longName + L".png", kPng));
}

TEST(ArtworkFile, NamelessAddressesTakeTheirExtensionFromTheContent) {
    EXPECT_EQ(L"artwork.png", ArtworkFileName(L"http://h/dir/", kPng));
    EXPECT_EQ(L"artwork.jpg", ArtworkFileName(L"http://h", kJpeg));
    EXPECT_EQ(L"artwork.gif", ArtworkFileName(L"http://h/a/..?q", {'G', 'I', 'F', '8', '9', 'a'}));
    EXPECT_EQ(L"artwork.bmp", ArtworkFileName(L"http://h/.", {'B', 'M', 0, 0}));
    EXPECT_EQ(L"artwork", ArtworkFileName(L"http://h/", {'<', 'h'}));
}

TEST(ArtworkFile, SavingAndEmptyingTheFolder) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-artwork-file-test";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = SaveArtwork(folder, L"http://h/art/cover.png?1", kPng);
    EXPECT_EQ(folder + L"\\cover.png", path);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(L"", SaveArtwork(folder + L"\\missing", L"http://h/cover.png", kPng));

    DeleteFilesInFolder(folder);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

}  // namespace
