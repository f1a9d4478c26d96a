#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "base/ScopedHandle.h"
#include "base/TemporaryFile.h"
#include "support/Id3Bytes.h"
#include "support/SamplePictures.h"
#include "support/TempFolder.h"
#include "tags/Mp3Tag.h"
#include "tags/StripTags.h"
#include "tags/WriteSongTag.h"

using namespace id3bytes;
using testing_support::CreationTime;
using testing_support::LastWriteTime;
using testing_support::ListNames;
using testing_support::ReadBytes;
using testing_support::RemoveTree;
using testing_support::SameTime;
using testing_support::TempFolder;
using testing_support::WriteBytes;
using Names = std::vector<std::wstring>;

namespace {

Bytes Slice(const Bytes& bytes, size_t begin, size_t end) {
    return Bytes(bytes.begin() + begin, bytes.begin() + end);
}

// Strips `original` in a fresh file and returns what is left; `result` gets StripTags' answer.
Bytes StripOnce(const Bytes& original, bool& result) {
    TempFolder folder;
    const std::wstring path = folder / L"song.mp3";
    EXPECT_TRUE(WriteBytes(path, original));
    result = StripTags(path);
    EXPECT_EQ(ListNames(folder.path()), Names{L"song.mp3"}) << "no temporary file is left behind";
    return ReadBytes(path);
}

SongTag SampleSong() {
    SongTag song;
    song.title = L"\u591C\u7A7A\u306E\u30E0\u30B3\u30A6";         // 夜空のムコウ
    song.artist = L"\uD55C\uAE00 \U0001F3B5";                        // outside Shift_JIS and the BMP
    song.album = L"\u30A2\u30EB\u30D0\u30E0";
    song.comment = L"\u30C6\u30B9\u30C8\u5C40 2024/05/01 21:00";
    samples::PngPicture png;
    png.rows = {0x20, 0x40, 0x60};
    const Bytes encoded = samples::EncodePng(png);
    song.pictureBytes.assign(encoded.begin(), encoded.end());
    song.pictureMimeType = "image/png";
    return song;
}

}  // namespace

TEST(StripTags, RemovesLeadingTagAndTrailerOnly) {
    const Bytes audio = Audio(3000);
    const Bytes v2 = TitleArtistTag(3, Utf16Bom, L"Title", L"Artist", {false, false, 200});
    const Bytes v1 = Trailer("Title", "Artist");
    bool ok = false;

    EXPECT_EQ(StripOnce(Join({v2, audio}), ok), audio);
    EXPECT_TRUE(ok);
    EXPECT_EQ(StripOnce(Join({audio, v1}), ok), audio);
    EXPECT_TRUE(ok);
    EXPECT_EQ(StripOnce(Join({v2, audio, v1}), ok), audio);
    EXPECT_TRUE(ok);

    // Only the first of two tags in a row, and nothing of a tag appended at the end.
    const Bytes second = TitleArtistTag(4, Utf8, L"Second", L"Tag");
    EXPECT_EQ(StripOnce(Join({v2, second, audio}), ok), Join({second, audio}));
    TagOptions withFooter;
    withFooter.footer = true;
    const Bytes appended = TitleArtistTag(4, Latin1, L"End", L"Tag", withFooter);
    EXPECT_EQ(StripOnce(Join({v2, audio, appended, v1}), ok), Join({audio, appended}));
    // A version 2.4 footer is not recognised: the declared size ends before it.
    EXPECT_EQ(StripOnce(Join({appended, audio}), ok), Join({Slice(appended, appended.size() - 10, appended.size()), audio}));
    EXPECT_TRUE(ok);
}

TEST(StripTags, LeavesFilesWithoutTagsUntouched) {
    TempFolder folder;
    const Bytes lowerCase = Join({Bytes{'i', 'd', '3', 3, 0, 0, 0, 0, 0, 20}, Audio(500)});
    const Bytes cases[] = {Bytes{}, Bytes{'I', 'D', '3'}, Audio(127), Audio(1000), lowerCase,
                           // "TAG" anywhere but at size - 128 is no trailer.
                           Join({Audio(100), Bytes{'T', 'A', 'G'}, Audio(200)}),
                           // A size that is not syncsafe, or a version other than 2, 3 and
                           // 4, is no tag: its size would cut into the audio.
                           Join({Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0x01, 0x90}, Audio(1000)}),
                           Join({Bytes{'I', 'D', '3', 4, 0, 0, 0x80, 0, 0, 0}, Audio(1000)}),
                           Join({Bytes{'I', 'D', '3', 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, Audio(2000)}),
                           Join({Header(5, 20), Audio(1000)}), Join({Header(1, 20), Audio(1000)}),
                           Join({Header(0xFF, 20), Audio(1000)})};
    for (const Bytes& original : cases) {
        SCOPED_TRACE(testing::Message() << "size " << original.size());
        const std::wstring path = folder / L"plain.mp3";
        ASSERT_TRUE(WriteBytes(path, original));
        // An old modification time shows whether the file was written again.
        kit::UniqueHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        FILETIME old{0x12345600, 0x01D00000};
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &old));
        file.Reset();

        EXPECT_TRUE(StripTags(path));
        EXPECT_EQ(ReadBytes(path), original);
        EXPECT_TRUE(SameTime(LastWriteTime(path), old));
    }
}

TEST(StripTags, SmallFilesAtTheEdges) {
    bool ok = false;
    // 127 bytes beginning with an empty tag: the header goes, the rest stays.
    const Bytes small = Join({Header(3, 0), Audio(117)});
    EXPECT_EQ(StripOnce(small, ok), Audio(117));
    EXPECT_TRUE(ok);
    // A file that is nothing but a trailer, or nothing but a tag, ends up empty.
    EXPECT_EQ(StripOnce(Trailer("T", "A"), ok), Bytes{});
    EXPECT_TRUE(ok);
    EXPECT_EQ(StripOnce(Join({Header(4, 5), Bytes(5, 0)}), ok), Bytes{});
    EXPECT_TRUE(ok);
}

TEST(StripTags, RefusesTagsThatClaimMoreThanTheFileHolds) {
    const Bytes audio = Audio(2000);
    const Bytes trailer = Trailer("T", "A");
    const Bytes cases[] = {
        Join({Header(3, 5000), audio}),                       // past the end
        Join({Header(3, (1u << 28) - 1), audio}),             // the largest syncsafe size
        Join({Header(3, 2000 + 64), audio, trailer}),         // into the trailer
    };
    for (const Bytes& original : cases) {
        bool ok = true;
        EXPECT_EQ(StripOnce(original, ok), original);
        EXPECT_FALSE(ok);
    }
    // Exactly up to the trailer is fine.
    bool ok = false;
    EXPECT_EQ(StripOnce(Join({Header(3, 2000), audio, trailer}), ok), Bytes{});
    EXPECT_TRUE(ok);
}

TEST(StripTags, CopiesLargeFilesExactlyAndKeepsCreationTimeAndAttributes) {
    TempFolder folder;
    const std::wstring path = folder / L"large.mp3";
    // Several copy chunks, and a length that is not a multiple of one.
    const Bytes audio = Audio(3 * 1024 * 1024 + 12345, 7);
    ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(4, Utf8, L"Large", L"File", {false, false, 70000}), audio,
                                       Trailer("Large", "File")})));
    const FILETIME created{0x11112222, 0x01C00000};
    {
        kit::UniqueHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(::SetFileTime(file.Get(), &created, nullptr, nullptr));
    }
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    // Wine on Linux cannot store a creation time; there only the content is checked.
    const bool creationTimeKept = SameTime(CreationTime(path), created);

    ASSERT_TRUE(StripTags(path));
    EXPECT_TRUE(ReadBytes(path) == audio);
    if (creationTimeKept) {
        EXPECT_TRUE(SameTime(CreationTime(path), created));
    } else {
        std::printf("note: this file system keeps no creation time; not checked\n");
    }
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

    // The trailer-only cut keeps them as well.
    ASSERT_TRUE(WriteBytes(path, Join({audio, Trailer("Again", "")})));
    ASSERT_TRUE(StripTags(path));
    EXPECT_TRUE(ReadBytes(path) == audio);
    EXPECT_EQ(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ListNames(folder.path()), Names{L"large.mp3"});
}

TEST(StripTags, FilesItMayNotChangeAreLeftAsTheyWere) {
    TempFolder folder;
    const Bytes withHeader = Join({TitleArtistTag(3, Latin1, L"T", L"A"), Audio(800), Trailer("T", "A")});
    const Bytes trailerOnly = Join({Audio(800), Trailer("T", "A")});

    EXPECT_FALSE(StripTags(folder / L"missing.mp3"));
    EXPECT_FALSE(StripTags(folder.path()));

    for (const Bytes* original : {&withHeader, &trailerOnly}) {
        const std::wstring path = folder / L"song.mp3";
        ASSERT_TRUE(WriteBytes(path, *original));

        ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_FALSE(StripTags(path));
        EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadBytes(path), *original);

        {
            // Still being written by the recorder.
            kit::UniqueHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(writer);
            EXPECT_FALSE(StripTags(path));
        }
        {
            // Read by someone who allows no writing (nor renaming over it).
            kit::UniqueHandle reader(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(reader);
            EXPECT_FALSE(StripTags(path));
        }
        EXPECT_EQ(ReadBytes(path), *original);
        EXPECT_EQ(ListNames(folder.path()), Names{L"song.mp3"});
    }
}

TEST(StripTags, NamesOutsideTheAnsiCodePageAndLongFolders) {
    TempFolder folder;
    const std::wstring path = folder / L"\uD55C\uAE00 \u2603.mp3";
    const Bytes audio = Audio(1000);
    ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(4, Utf8, L"T", L"A"), audio})));
    EXPECT_TRUE(StripTags(path));
    EXPECT_EQ(ReadBytes(path), audio);

    // A folder of 250 characters: too long for the system's own temporary
    // names (their folder may have 246 at most).
    const std::wstring deep = folder / std::wstring(250 - folder.path().size() - 1, L'd');
    ASSERT_EQ(deep.size(), 250u);
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
    const std::wstring inDeep = deep + L"\\s.mp3";
    ASSERT_TRUE(WriteBytes(inDeep, Join({TitleArtistTag(3, Latin1, L"T", L"A"), audio})));
    EXPECT_TRUE(StripTags(inDeep));
    EXPECT_EQ(ReadBytes(inDeep), audio);
    EXPECT_EQ(ListNames(deep), Names{L"s.mp3"});
}

TEST(WriteSongTag, OneFreshTagReplacesEveryTagAndTheAudioStaysAsItWas) {
    TempFolder folder;
    // A name outside the ANSI code page in a folder too long for the system's temporary names.
    const std::wstring deep = folder / std::wstring(240 - folder.path().size() - 1, L'd');
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
    const std::wstring path = deep + L"\\\uD55C.mp3";
    const Bytes audio = Audio(300000, 5);
    TagOptions withFooter;
    withFooter.footer = true;
    const Bytes secondTag = TitleArtistTag(4, Utf8, L"Second", L"Tag", withFooter);
    ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(3, Latin1, L"Old", L"Tag"), secondTag, audio, secondTag,
                                       ApeTag(40), Trailer("Old", "Tag")})));
    const SongTag song = SampleSong();
    ASSERT_TRUE(WriteSongTag(path, song));
    EXPECT_EQ(ListNames(deep), Names{L"\uD55C.mp3"});

    const Bytes written = ReadBytes(path);
    ASSERT_GT(written.size(), 10u);
    EXPECT_EQ(Slice(written, 0, 4), (Bytes{'I', 'D', '3', 3}));
    const size_t tagEnd = 10 + (written[6] << 21 | written[7] << 14 | written[8] << 7 | written[9]);
    ASSERT_LE(tagEnd, written.size());
    EXPECT_TRUE(Slice(written, tagEnd, written.size()) == audio) << "no other tag and the audio byte for byte";
    // Text in UTF-16 (encoding 1), the comment in Japanese.
    for (const std::string id : {"TIT2", "TPE1", "TALB", "COMM"}) {
        const auto frame = std::search(written.begin(), written.begin() + tagEnd, id.begin(), id.end());
        ASSERT_NE(frame, written.begin() + tagEnd) << id;
        EXPECT_EQ(frame[10], 1) << id;
        if (id == "COMM") {
            EXPECT_EQ(Bytes(frame + 11, frame + 14), (Bytes{'j', 'p', 'n'}));
        }
    }

    kit::Mp3Tag tag;
    ASSERT_TRUE(tag.Open(path));
    EXPECT_EQ(tag.GetText(L"TIT2"), song.title);
    EXPECT_EQ(tag.GetText(L"TPE1"), song.artist);
    EXPECT_EQ(tag.GetText(L"TALB"), song.album);
    std::string mimeType, picture;
    ASSERT_TRUE(tag.GetPicture(mimeType, picture));
    EXPECT_EQ(mimeType, "image/png");
    EXPECT_EQ(picture, song.pictureBytes);
}

TEST(WriteSongTag, FilesItMayNotChangeOrAbsurdTagsLeaveTheFileAsItWas) {
    TempFolder folder;
    const std::wstring path = folder / L"song.mp3";
    const Bytes original = Join({TitleArtistTag(3, Latin1, L"T", L"A"), Audio(800), Trailer("T", "A")});
    ASSERT_TRUE(WriteBytes(path, original));
    const SongTag song = SampleSong();
    EXPECT_FALSE(WriteSongTag(folder / L"missing.mp3", song));

    SongTag huge = song, gif = song;
    huge.pictureBytes.assign((16u << 20) + 1, 'x');
    gif.pictureMimeType = "image/gif";
    EXPECT_FALSE(WriteSongTag(path, huge));
    EXPECT_FALSE(WriteSongTag(path, gif));

    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WriteSongTag(path, song));
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        // Read by someone who allows no renaming over it: the replace fails at the end.
        kit::UniqueHandle reader(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader);
        EXPECT_FALSE(WriteSongTag(path, song));
    }
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(ListNames(folder.path()), Names{L"song.mp3"});

    const Bytes overlong = Join({Header(3, 5000), Audio(2000)});
    ASSERT_TRUE(WriteBytes(path, overlong));
    EXPECT_FALSE(WriteSongTag(path, song));
    EXPECT_EQ(ReadBytes(path), overlong);
}

// Killed while the copy is being written: the original stays whole, beside a left-over
// copy that the next start removes. The folder has a fixed name because the process
// that is killed runs this test again up to the kill.
TEST(WriteSongTag, AKillBeforeTheReplaceLeavesTheOriginalWhole) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-test-killed-write";
    const std::wstring path = folder + L"\\song.mp3";
    const Bytes original = Join({TitleArtistTag(3, Latin1, L"T", L"A"), Audio(40u << 20, 9)});
    EXPECT_EXIT(
        {
            RemoveTree(folder);
            ::CreateDirectoryW(folder.c_str(), nullptr);
            if (!WriteBytes(path, original)) ::TerminateProcess(::GetCurrentProcess(), 1);
            std::thread killer([&] {
                const std::wstring pattern = folder + L"\\" + kit::TemporaryFile::kLeftOverPattern;
                for (;;) {
                    WIN32_FIND_DATAW found;
                    kit::UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &found));
                    if (find && found.nFileSizeLow > 0) ::TerminateProcess(::GetCurrentProcess(), 9);
                }
            });
            WriteSongTag(path, SampleSong());
            // Replaced before the kill: the machine was too fast to tell.
            ::TerminateProcess(::GetCurrentProcess(), 2);
        },
        testing::ExitedWithCode(9), "");
    EXPECT_TRUE(ReadBytes(path) == original);
    EXPECT_EQ(ListNames(folder).size(), 2u);
    RemoveTree(folder);
}
