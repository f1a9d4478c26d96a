#include <gtest/gtest.h>

#include "base/DiagnosticLog.h"
#include "base/FileFinder.h"
#include "base/FileOperations.h"
#include "base/PathHelpers.h"
#include "processing/RecordingFiles.h"
#include "settings/Settings.h"
#include "support/TempFolder.h"

using testing_support::Exists;
using testing_support::ListNames;
using testing_support::ReadBytes;
using testing_support::SetWriteTime;
using testing_support::TempFolder;
using testing_support::WriteBytes;

namespace {
// Not representable in code page 932.
const std::wstring kForeignName = L"caf\u00E9 \u266B \U0001F3B5.mp3";

Settings StationFor(const std::wstring& playDirectory) {
    Settings station;
    station.SetString(L"PlayDirectory", playDirectory);
    return station;
}
}  // namespace

TEST(RecordingFiles, NewestRecordingIsTheLatestWrittenMp3File) {
    TempFolder folder;
    WriteBytes(folder / L"a.mp3", {1});
    WriteBytes(folder / L"b.mp3", {2});
    WriteBytes(folder / L"newer.txt", {3});
    ASSERT_TRUE(::CreateDirectoryW((folder / L"x.mp3").c_str(), nullptr));
    SetWriteTime(folder / L"a.mp3", 0);
    SetWriteTime(folder / L"b.mp3", 5);
    SetWriteTime(folder / L"newer.txt", 60);
    SetWriteTime(folder / L"x.mp3", 90);
    const Settings station = StationFor(folder.path());
    EXPECT_EQ(FindNewestRecording(station, L"C:\\end"), L"b.mp3");

    // No end folder configured: nothing is ever looked at.
    EXPECT_EQ(FindNewestRecording(station, L""), L"");

    WriteBytes(folder / kForeignName, {4});
    SetWriteTime(folder / kForeignName, 10);
    EXPECT_EQ(FindNewestRecording(station, L"C:\\end"), kForeignName);

    EXPECT_EQ(FindNewestRecording(StationFor(folder / L"missing"), L"C:\\end"), L"");
}

TEST(RecordingFiles, EqualTimesKeepTheFirstListed) {
    TempFolder folder;
    WriteBytes(folder / L"one.mp3", {1});
    WriteBytes(folder / L"two.mp3", {2});
    SetWriteTime(folder / L"one.mp3", 3);
    SetWriteTime(folder / L"two.mp3", 3);
    FileFinder finder;
    const std::wstring first = finder.First(folder / L"*.mp3");
    EXPECT_EQ(FindNewestRecording(StationFor(folder.path()), L"C:\\end"), first);
}

TEST(RecordingFiles, IgnoreListMatchesWholeNamesWithoutCase) {
    EXPECT_EQ(WildcardToRegex(L"Jingle*(?).mp3"), L"Jingle.*\\(.\\)\\.mp3");
    EXPECT_EQ(WildcardToRegex(L"a\\b^$+{}[]|"), L"a\\\\b\\^\\$\\+\\{\\}\\[\\]\\|");

    Settings settings;
    settings.SetInt(L"IgnoreCount", 4);
    Settings& list = settings.Group(L"IgnoreList");
    list.SetString(L"0", L"cm*");
    list.SetString(L"1", L"a.b");
    list.SetString(L"2", L"x?y");
    list.SetString(L"4", L"beyond*");  // at the count: not an entry
    list.SetString(L"03", L"zero*");    // not a decimal index
    EXPECT_TRUE(IsIgnoredFileName(settings, L"CM_0001.mp3"));
    EXPECT_FALSE(IsIgnoredFileName(settings, L"a cm.mp3"));
    EXPECT_FALSE(IsIgnoredFileName(settings, L"aXb"));
    EXPECT_TRUE(IsIgnoredFileName(settings, L"a.b"));
    EXPECT_TRUE(IsIgnoredFileName(settings, L"xzy"));
    EXPECT_FALSE(IsIgnoredFileName(settings, L"beyond.mp3"));
    EXPECT_FALSE(IsIgnoredFileName(settings, L"zero.mp3"));

    list.SetString(L"0", L"cm");
    EXPECT_FALSE(IsIgnoredFileName(settings, L"cm.mp3"));

    // A count beyond the stored entries, even a damaged huge one, matches no
    // real name and does not stall.
    settings.SetInt(L"IgnoreCount", 0x7FFFFFFF);
    EXPECT_FALSE(IsIgnoredFileName(settings, L"song.mp3"));
    settings.SetInt(L"IgnoreCount", 0);
    EXPECT_FALSE(IsIgnoredFileName(settings, L"xzy"));
}

TEST(RecordingFiles, UniquePathNumbersFromOne) {
    TempFolder folder;
    WriteBytes(folder / L"Song.mp3", {1});
    EXPECT_EQ(MakeUniquePath(folder / L"Song.mp3"), folder / L"Song (1).mp3");
    WriteBytes(folder / L"Song (1).mp3", {1});
    EXPECT_EQ(MakeUniquePath(folder / L"Song.mp3"), folder / L"Song (2).mp3");
    // An already numbered name restarts at 1 and strips only the last number.
    EXPECT_EQ(MakeUniquePath(folder / L"Song (7).mp3"), folder / L"Song (2).mp3");
    EXPECT_EQ(MakeUniquePath(folder / L"Song (1) (2).mp3"), folder / L"Song (1) (1).mp3");
    EXPECT_EQ(MakeUniquePath(folder / L"Song(2).mp3"), folder / L"Song(2) (1).mp3");
    EXPECT_EQ(MakeUniquePath(folder / L"Song"), folder / L"Song (1)");
    // A folder of the candidate's name counts as taken.
    ::CreateDirectoryW((folder / L"Dir (1).mp3").c_str(), nullptr);
    EXPECT_EQ(MakeUniquePath(folder / L"Dir.mp3"), folder / L"Dir (2).mp3");
}

TEST(RecordingFiles, CreateMoveAndDeleteForce) {
    TempFolder folder;
    const std::wstring deep = folder / L"out\\局\\deeper";
    EXPECT_TRUE(CreateDirectoryPath(deep));
    EXPECT_TRUE(CreateDirectoryPath(deep));  // existing folders are fine
    EXPECT_TRUE(Exists(deep));

    const std::wstring source = folder / kForeignName;
    WriteBytes(source, {7, 8, 9});
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(MoveFileForce(deep + L"\\" + kForeignName, source));
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(ReadBytes(deep + L"\\" + kForeignName), (std::vector<std::uint8_t>{7, 8, 9}));

    // An existing destination is never overwritten.
    WriteBytes(folder / L"a.mp3", {1});
    WriteBytes(folder / L"b.mp3", {2});
    EXPECT_FALSE(MoveFileForce(folder / L"b.mp3", folder / L"a.mp3"));
    EXPECT_EQ(ReadBytes(folder / L"b.mp3"), std::vector<std::uint8_t>{2});

    ::SetFileAttributesW((folder / L"a.mp3").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteFileForce(folder / L"a.mp3"));
    EXPECT_FALSE(DeleteFileForce(folder / L"a.mp3"));
}

TEST(RecordingFiles, DeleteFilesInFolderKeepsSubfolders) {
    TempFolder folder;
    WriteBytes(folder / L"art.jpg", {1});
    WriteBytes(folder / L"locked.png", {1});
    ::SetFileAttributesW((folder / L"locked.png").c_str(), FILE_ATTRIBUTE_READONLY);
    ::CreateDirectoryW((folder / L"sub").c_str(), nullptr);
    WriteBytes(folder / L"sub\\inner.jpg", {1});
    DeleteFilesInFolder(folder.path());
    EXPECT_EQ(ListNames(folder.path()), std::vector<std::wstring>{L"sub"});
    EXPECT_TRUE(Exists(folder / L"sub\\inner.jpg"));
    DeleteFilesInFolder(folder / L"missing");  // no-op
}

TEST(PathHelpers, FollowTheShell) {
    EXPECT_EQ(AddBackslash(L"C:\\a"), L"C:\\a\\");
    EXPECT_EQ(AddBackslash(L"C:\\a\\"), L"C:\\a\\");
    EXPECT_EQ(FileNameOf(L"C:\\a\\b.c.mp3"), L"b.c.mp3");
    EXPECT_EQ(FileNameOf(L"plain"), L"plain");
    EXPECT_EQ(ExtensionOf(L"C:\\a.d\\song"), L"");
    EXPECT_EQ(ExtensionOf(L"C:\\a\\song.MP3"), L".MP3");
    EXPECT_EQ(RemoveExtension(L"C:\\a\\b.c.mp3"), L"C:\\a\\b.c");
    EXPECT_EQ(DirectoryOf(L"C:\\a\\b.mp3"), L"C:\\a");
    EXPECT_FALSE(ModulePath().empty());
    EXPECT_EQ(ExtensionOf(ModulePath()), L".exe");
}

TEST(PathHelpers, ReplaceAllNeverRescansItsOwnOutput) {
    EXPECT_EQ(ReplaceAll(L"a\\b\\", L"\\", L"\\\\"), L"a\\\\b\\\\");
    EXPECT_EQ(ReplaceAll(L"aaa", L"a", L"aa"), L"aaaaaa");
    EXPECT_EQ(ReplaceAll(L"abcabc", L"bc", L""), L"aa");
    EXPECT_EQ(ReplaceAll(L"none", L"x", L"y"), L"none");
}

// The log keeps one line per failure, survives a restart by appending, and
// never holds more than the current file and one older one.
TEST(DiagnosticLogFile, AppendsLinesAndKeepsOneOlderFileAfterRotation) {
    TempFolder folder;
    const std::wstring path = folder / L"Kestrel.log";
    LogFailure("before any log", L"nowhere", 1);  // no log open: dropped
    {
        DiagnosticLog log(path);
        LogFailure("HTTP", L"http://example.invalid/\u66f2", 404);
        LogFailure("COM", std::string_view("line\nbreak"), static_cast<std::int32_t>(0x80080005));
    }
    const std::vector<std::uint8_t> first = ReadBytes(path);
    const std::string text(first.begin(), first.end());
    EXPECT_EQ(text.find("before any log"), std::string::npos);
    EXPECT_NE(text.find("\tHTTP\thttp://example.invalid/\xE6\x9B\xB2\t404\r\n"), std::string::npos);
    EXPECT_NE(text.find("\tCOM\tline break\t0x80080005\r\n"), std::string::npos);

    const std::string filler(1000, 'x');
    for (int round = 0; round < 3; ++round) {
        DiagnosticLog log(path);
        for (int i = 0; i < 1200; ++i) LogFailure("filler", std::string_view(filler), i);
    }
    EXPECT_EQ(ListNames(folder.path()), (std::vector<std::wstring>{L"Kestrel.log", L"Kestrel.old.log"}));
    for (const std::wstring& name : {path, DiagnosticLog::OlderPath(path)}) {
        const std::size_t size = ReadBytes(name).size();
        EXPECT_GT(size, 0u);
        EXPECT_LE(size, DiagnosticLog::kRotateSize);
    }
}
