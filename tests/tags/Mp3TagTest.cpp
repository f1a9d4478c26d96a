#include <gtest/gtest.h>

#include "base/ScopedHandle.h"
#include "base/Utf8Text.h"
#include "support/Id3Bytes.h"
#include "support/TempFolder.h"
#include "tags/Mp3Duration.h"
#include "tags/Mp3Tag.h"
#include "tags/PlaylistFile.h"
#include "tags/TagFallback.h"

using namespace id3bytes;
using testing_support::TempFolder;
using testing_support::WriteBytes;

namespace {

const std::wstring kJapaneseTitle = L"\u591C\u7A7A\u306E\u30E0\u30B3\u30A6";  // 夜空のムコウ
const std::wstring kOutsideBmp = L"Song \U0001F3B5";  // a surrogate pair in UTF-16

struct TagText {
    std::wstring title, artist;
};

TagText ReadTitleArtist(const std::wstring& path) {
    kit::Mp3Tag tag;
    EXPECT_TRUE(tag.Open(path));
    return {tag.GetText(L"TIT2"), tag.GetText(L"TPE1")};
}

}  // namespace

TEST(Mp3Tag, ReadsEachVersionAndTextEncoding) {
    TempFolder folder;
    struct Case { int version; Encoding encoding; std::wstring title, artist; };
    const Case cases[] = {
        {2, Latin1, L"Caf\u00E9", L"\u00C5sa"},
        {2, Utf16Bom, kJapaneseTitle, kOutsideBmp},
        {3, Latin1, L"Caf\u00E9 \u00FF", L"Plain"},
        {3, Utf16Bom, kJapaneseTitle, kOutsideBmp},
        {4, Latin1, L"Caf\u00E9", L"Plain"},
        {4, Utf16Bom, kJapaneseTitle, kOutsideBmp},
        // libid3tag 0.16.3 reads no string from UTF-16BE text whose first character is
        // below U+0100 (its first byte is zero); Japanese text is not affected.
        {4, Utf16Be, kJapaneseTitle, L"\U0001F3B5\u30E0"},
        {4, Utf8, kJapaneseTitle, kOutsideBmp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << " encoding " << int(c.encoding));
        const std::wstring path = folder / L"song.mp3";
        ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(c.version, c.encoding, c.title, c.artist), Audio(400)})));
        const TagText text = ReadTitleArtist(path);
        EXPECT_EQ(text.title, c.title);
        EXPECT_EQ(text.artist, c.artist);
    }
}

TEST(Mp3Tag, UndoesUnsynchronisationAndSkipsFooterAndPadding) {
    TempFolder folder;
    // A byte-order mark and U+00FF followed by U+00E0 both need unsynchronisation.
    const std::wstring title = L"\u00FF\u00E0 \u4E00";
    for (int version : {3, 4}) {
        for (bool footer : {false, true}) {
            if (footer && version != 4) continue;
            SCOPED_TRACE(testing::Message() << "version " << version << " footer " << footer);
            TagOptions options;
            options.unsynchronise = true;
            options.footer = footer;
            options.padding = footer ? 0 : 64;
            const std::wstring path = folder / L"unsync.mp3";
            ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(version, Utf16Bom, title, L"\u00FF\u00FF", options),
                                               Audio(300)})));
            const TagText text = ReadTitleArtist(path);
            EXPECT_EQ(text.title, title);
            EXPECT_EQ(text.artist, L"\u00FF\u00FF");
        }
    }
}

TEST(Mp3Tag, TakesFirstStringOfFirstFrameAndNothingFromAnEmptyList) {
    TempFolder folder;
    const std::wstring path = folder / L"lists.mp3";
    ASSERT_TRUE(WriteBytes(path, Join({Tag(4, {Frame(4, "TIT2", RawBody(Utf8, "")),
                                               Frame(4, "TPE1", TextBody(Utf8, {L"First", L"Second", L"Third"})),
                                               Frame(4, "TPE1", TextBody(Utf8, {L"Other frame"})),
                                               Frame(4, "TALB", TextBody(Utf16Bom, {L"A", L"B"}))}),
                                       Audio(100)})));
    kit::Mp3Tag tag;
    ASSERT_TRUE(tag.Open(path));
    EXPECT_EQ(tag.GetText(L"TIT2"), L"");
    EXPECT_EQ(tag.GetText(L"TPE1"), L"First");
    EXPECT_EQ(tag.GetText(L"TALB"), L"A");
    // Ids are matched whole: the library alone would answer a prefix or an empty id.
    EXPECT_EQ(tag.GetText(L"TPE"), L"");
    EXPECT_EQ(tag.GetText(L"T"), L"");
    EXPECT_EQ(tag.GetText(L""), L"");
    EXPECT_EQ(tag.GetText(L"TPE1X"), L"");
    EXPECT_EQ(tag.GetText(L"tpe1"), L"");
    EXPECT_EQ(tag.GetText(L"TCON"), L"");
}

TEST(Mp3Tag, Latin1BytesStayUnconvertedEvenWhenTheyAreShiftJis) {
    TempFolder folder;
    const std::wstring path = folder / L"sjis.mp3";
    // 夜空 in Shift-JIS, stored under the ISO-8859-1 encoding byte as careless taggers do.
    ASSERT_TRUE(WriteBytes(path, Join({Tag(3, {Frame(3, "TIT2", RawBody(Latin1, "\x96\xE9\x8B\xF3"))}), Audio(100)})));
    kit::Mp3Tag tag;
    ASSERT_TRUE(tag.Open(path));
    EXPECT_EQ(tag.GetText(L"TIT2"), L"\u0096\u00E9\u008B\u00F3");
}

TEST(Mp3Tag, TrailerAloneOrBehindAnId3v2Tag) {
    TempFolder folder;
    const std::wstring onlyTrailer = folder / L"v1.mp3";
    ASSERT_TRUE(WriteBytes(onlyTrailer, Join({Audio(500), Trailer("Trailer title   ", "Trailer artist", ' ')})));
    TagText text = ReadTitleArtist(onlyTrailer);
    EXPECT_EQ(text.title, L"Trailer title");
    EXPECT_EQ(text.artist, L"Trailer artist");

    const std::wstring blankTitle = folder / L"blank.mp3";
    ASSERT_TRUE(WriteBytes(blankTitle, Join({Audio(500), Trailer(std::string(30, ' '), "Someone", ' ')})));
    text = ReadTitleArtist(blankTitle);
    EXPECT_EQ(text.title, L"");
    EXPECT_EQ(text.artist, L"Someone");

    // Both: the ID3v2 frames replace the trailer's.
    const std::wstring both = folder / L"both.mp3";
    ASSERT_TRUE(WriteBytes(both, Join({TitleArtistTag(3, Latin1, L"V2 title", L"V2 artist"), Audio(500),
                                       Trailer("V1 title", "V1 artist")})));
    text = ReadTitleArtist(both);
    EXPECT_EQ(text.title, L"V2 title");
    EXPECT_EQ(text.artist, L"V2 artist");
}

TEST(Mp3Tag, SecondTagInARowIsNotRead) {
    TempFolder folder;
    const std::wstring path = folder / L"two.mp3";
    ASSERT_TRUE(WriteBytes(path, Join({Tag(4, {Frame(4, "TIT2", TextBody(Latin1, {L"First tag"}))}),
                                       TitleArtistTag(4, Latin1, L"Second tag", L"Second artist"), Audio(200)})));
    const TagText text = ReadTitleArtist(path);
    EXPECT_EQ(text.title, L"First tag");
    EXPECT_EQ(text.artist, L"");
}

TEST(Mp3Tag, OpensNamesOutsideTheAnsiCodePage) {
    TempFolder folder;
    // Hangul, a snowman and g with breve have no code in code page 932.
    const std::wstring path = folder / L"\uD55C\uAE00 \u2603 \u011F.mp3";
    ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(4, Utf8, kJapaneseTitle, L"\uD55C\uAE00"), Audio(100)})));
    const TagText text = ReadTitleArtist(path);
    EXPECT_EQ(text.title, kJapaneseTitle);
    EXPECT_EQ(text.artist, L"\uD55C\uAE00");
}

TEST(Mp3Tag, FailuresLeaveNothingOpenAndEveryTextEmpty) {
    TempFolder folder;
    kit::Mp3Tag tag;
    EXPECT_EQ(tag.GetText(L"TIT2"), L"");  // never opened
    EXPECT_FALSE(tag.Open(folder / L"missing.mp3"));
    EXPECT_FALSE(tag.IsOpen());
    EXPECT_FALSE(tag.Open(folder.path()));  // a folder
    EXPECT_FALSE(tag.IsOpen());

    const std::wstring untagged = folder / L"plain.mp3";
    ASSERT_TRUE(WriteBytes(untagged, Audio(1000)));
    ASSERT_TRUE(tag.Open(untagged));
    EXPECT_EQ(tag.GetText(L"TIT2"), L"");

    // A header claiming 2^28 - 1 bytes: the library cannot read that tag but still the trailer.
    const std::wstring oversized = folder / L"oversized.mp3";
    ASSERT_TRUE(WriteBytes(oversized, Join({Header(3, (1u << 28) - 1), Audio(1000), Trailer("Behind", "It")})));
    ASSERT_TRUE(tag.Open(oversized));
    EXPECT_EQ(tag.GetText(L"TIT2"), L"Behind");
    ASSERT_TRUE(WriteBytes(oversized, Join({Header(4, 77u << 20), Audio(1000)})));
    ASSERT_TRUE(tag.Open(oversized));
    EXPECT_EQ(tag.GetText(L"TIT2"), L"");

    // Opening another file closes the first; a failed open leaves the object closed.
    const std::wstring tagged = folder / L"tagged.mp3";
    ASSERT_TRUE(WriteBytes(tagged, Join({TitleArtistTag(3, Latin1, L"T", L"A"), Audio(100)})));
    ASSERT_TRUE(tag.Open(tagged));
    EXPECT_EQ(tag.GetText(L"TIT2"), L"T");
    EXPECT_FALSE(tag.Open(folder / L"missing.mp3"));
    EXPECT_EQ(tag.GetText(L"TIT2"), L"");
    tag.Close();
    tag.Close();
    // Nothing of ours still holds the file.
    EXPECT_TRUE(::DeleteFileW(tagged.c_str()));
}

TEST(Mp3Tag, ReadsFileHeldOpenForWritingButNotOneLockedWhole) {
    TempFolder folder;
    const std::wstring path = folder / L"held.mp3";
    ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(3, Latin1, L"Held", L"Open"), Audio(100)})));
    {
        // The recorder's way: writing, letting others read.
        kit::UniqueHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        kit::Mp3Tag tag;
        ASSERT_TRUE(tag.Open(path));
        EXPECT_EQ(tag.GetText(L"TIT2"), L"Held");
    }
    kit::UniqueHandle locker(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locker);
    kit::Mp3Tag tag;
    EXPECT_FALSE(tag.Open(path));
}

TEST(TagFallback, ReadsOnlyTheMissingFields) {
    TempFolder folder;
    const std::wstring path = folder / L"song.mp3";
    ASSERT_TRUE(WriteBytes(path, Join({TitleArtistTag(2, Latin1, L"Tag title", L"Tag artist"), Audio(100)})));

    std::wstring title = L"Web title", artist;
    FillMissingFromTags(path, title, artist);
    EXPECT_EQ(title, L"Web title");
    EXPECT_EQ(artist, L"Tag artist");

    title.clear();
    artist = L"Web artist";
    FillMissingFromTags(path, title, artist);
    EXPECT_EQ(title, L"Tag title");
    EXPECT_EQ(artist, L"Web artist");

    title.clear();
    artist.clear();
    FillMissingFromTags(folder / L"missing.mp3", title, artist);
    EXPECT_EQ(title, L"");
    EXPECT_EQ(artist, L"");
}

TEST(Mp3Tag, SecondsComeFromTheFramesBehindTheTag) {
    TempFolder folder;
    // 383 frames of MPEG-1 layer III at 128 kbit/s and 44.1 kHz: 10 seconds.
    Bytes frames;
    for (int i = 0; i < 383; ++i) {
        const Bytes frame = Join({Bytes{0xFF, 0xFB, 0x90, 0x00}, Audio(413, i + 2)});
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    const std::wstring song = folder / L"song.mp3";
    ASSERT_TRUE(WriteBytes(song, Join({TitleArtistTag(3, Utf8, kJapaneseTitle, L"A"), frames, Trailer("t", "a")})));
    EXPECT_EQ(Mp3Seconds(song), 10);
    // Bytes that only start like a frame, and no file at all.
    ASSERT_TRUE(WriteBytes(song, Join({TitleArtistTag(3, Utf8, kJapaneseTitle, L"A"), Audio(5000)})));
    EXPECT_EQ(Mp3Seconds(song), -1);
    EXPECT_EQ(Mp3Seconds(folder / L"none.mp3"), -1);
}

namespace {

std::string FileText(const std::wstring& path) {
    const std::vector<std::uint8_t> bytes = testing_support::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(PlaylistFile, SongsAreAppendedInOrderWithPathsThatResolve) {
    TempFolder folder;
    EXPECT_EQ(PlaylistFileName(L"ＦＭ局: 夜/朝?*"), L"ＦＭ局： 夜／朝？＊.m3u8");
    EXPECT_EQ(PlaylistFileName(L"con"), L"con_.m3u8");
    EXPECT_EQ(PlaylistFileName(L"COM1.局"), L"COM1_.局.m3u8");
    EXPECT_EQ(PlaylistFileName(L"局\t名. . "), L"局_名.m3u8");
    EXPECT_EQ(PlaylistFileName(L"..."), L"_.m3u8");

    const std::wstring output = folder.AddFolder(L"出力先");
    folder.AddFolder(L"出力先\\サブ");
    folder.AddFolder(L"別");
    const std::wstring playlist = output + L"\\" + PlaylistFileName(L"夜の局?");
    const PlaylistEntry songs[] = {
        {output + L"\\夜空のうた.mp3", L"星野ミナ", L"夜空のうた", 245},
        {output + L"\\サブ\\朝.mp3", L"", L"朝\r\nの歌", -1},
        {folder / L"別\\無題.mp3", L"", L"", 3},
    };
    for (const PlaylistEntry& song : songs) {
        folder.AddFile(song.songPath.substr(folder.path().size() + 1));
        ASSERT_TRUE(AppendToPlaylist(playlist, song, false));
    }
    // A start after a kill files the last song again: it is not listed twice.
    ASSERT_TRUE(AppendToPlaylist(playlist, songs[2], true));
    const std::string expected = ToUtf8(
        L"#EXTM3U\r\n#EXTINF:245,星野ミナ - 夜空のうた\r\n夜空のうた.mp3\r\n#EXTINF:-1,朝  の歌\r\nサブ\\朝.mp3\r\n"
        L"#EXTINF:3,無題\r\n..\\別\\無題.mp3\r\n");
    EXPECT_EQ(FileText(playlist), expected);
    for (const wchar_t* relative : {L"夜空のうた.mp3", L"サブ\\朝.mp3", L"..\\別\\無題.mp3"}) {
        wchar_t full[MAX_PATH] = {};
        ::GetFullPathNameW((output + L"\\" + relative).c_str(), MAX_PATH, full, nullptr);
        EXPECT_TRUE(testing_support::Exists(full)) << ToUtf8(relative);
    }
    EXPECT_EQ(PlaylistRelativePath(output, L"D:\\外\\曲.mp3"), L"D:\\外\\曲.mp3");
    EXPECT_EQ(PlaylistRelativePath(L"\\\\nas\\music", L"\\\\nas\\music\\曲.mp3"), L"曲.mp3");
    EXPECT_EQ(PlaylistRelativePath(L"\\\\nas\\music", L"\\\\nas\\other\\曲.mp3"), L"\\\\nas\\other\\曲.mp3");

    // A new file with the byte-order mark; a user's last line without its line break.
    const std::wstring marked = output + L"\\marked.m3u8";
    ASSERT_TRUE(AppendToPlaylist(marked, songs[0], true));
    EXPECT_EQ(FileText(marked).substr(0, 12), "\xEF\xBB\xBF#EXTM3U\r\n");
    ASSERT_TRUE(WriteBytes(marked, {'#', 'E', 'X', 'T', 'M', '3', 'U', '\n', 'x', '.', 'm', 'p', '3'}));
    ASSERT_TRUE(AppendToPlaylist(marked, songs[0], true));
    EXPECT_EQ(FileText(marked), "#EXTM3U\nx.mp3\r\n" + expected.substr(9, expected.find("#EXTINF:-1") - 9));
}
