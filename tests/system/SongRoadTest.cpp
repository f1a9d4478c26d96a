// The road of songs through the real program: two stations served from
// loopback, a recorder writing into their folders, the stand-in iTunes, and
// Kestrel.exe started from a settings file written by the settings tool.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "app_ids.h"
#include "base/ComOwners.h"
#include "itunes/ITunesIds.h"
#include "itunes/LibraryLookup.h"
#include "journal/Journal.h"
#include "settings/Settings.h"
#include "support/ITunesStandIn.h"
#include "support/ITunesStandInLibrary.h"
#include "support/KestrelProcess.h"
#include "support/LoopbackServer.h"
#include "support/RecorderSimulator.h"
#include "support/SamplePictures.h"
#include "support/TempFolder.h"
#include "system/SystemFixture.h"
#include "tags/Mp3Tag.h"

using namespace system_test;
using testing_support::Exists;
using testing_support::ListNames;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

constexpr DWORD kStepTimeoutMs = 40000;

const wchar_t kStationA[] = L"テスト局A";
const wchar_t kStationB[] = L"テスト局B";

struct PageSong {
    std::wstring title, artist, album;
    std::string artworkPath;
};

// %T, %A and %L mark where title, artist and album go.
std::string PageBody(const PageSong& song, const char* charset) {
    return std::string("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset +
           "\"></head>\n<body><div class=\"now\">\n<span class=\"t\">%T</span><span class=\"a\">%A"
           "</span><span class=\"l\">%L</span><img src=\"" + song.artworkPath + "\"></div></body></html>\n";
}

std::string Encode(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    const int length =
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                          nullptr);
    return bytes;
}

// The page in the given code page, with the fields written in it.
std::string Page(const PageSong& song, UINT codePage, const char* charset) {
    std::string page = PageBody(song, charset);
    for (auto [mark, text] : {std::make_pair("%T", &song.title), std::make_pair("%A", &song.artist),
                              std::make_pair("%L", &song.album)}) {
        page.replace(page.find(mark), 2, Encode(*text, codePage));
    }
    return page;
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring FileNameOfPath(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }
std::wstring DirectoryOfPath(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

class SongRoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Exists(ProgramPath())) << "build the program first";
        ASSERT_TRUE(server.listening());
        programFolder = root / L"program";
        ASSERT_TRUE(::CreateDirectoryW(programFolder.c_str(), nullptr));
        program = KestrelProcess::InstallCopy(ProgramPath(), programFolder);
        ASSERT_FALSE(program.empty());
        libraryPath = root / L"library.txt";
        libraryFolder = root / L"ライブラリ";
        ::CreateDirectoryW(libraryFolder.c_str(), nullptr);
        trash = testing_support::PointTrashAt(root.path());
    }

    void PutPageA(const PageSong& song) {
        server.Put("/a/now", "text/html; charset=utf-8", Page(song, CP_UTF8, "utf-8"));
    }
    void PutPageB(const PageSong& song) {
        server.Put("/b/now", "text/html; charset=Shift_JIS", Page(song, 932, "Shift_JIS"));
    }

    std::string StationDescription(const wchar_t* name, const StationFolders& folders, const char* page,
                                   int waitTime) {
        return "[Station\\" + Utf8(name) + "]\n" + "StationName = s:" + Utf8(name) + "\n" +
               "PlayDirectory = s:" + Utf8(folders.play) + "\n" + "EndDirectory = s:" + Utf8(folders.end) + "\n" +
               "OutputDirectory = s:" + Utf8(folders.output) + "\n" + "Url = s:" + Utf8(server.Url(page)) + "\n" +
               "WaitTime = i:" + std::to_string(waitTime) + "\n" +
               "MatchPattern = s:<span class=\"t\">(.*?)</span><span class=\"a\">(.*?)</span>"
               "<span class=\"l\">(.*?)</span><img src=\"(.*?)\">\n"
               "Title = s:$1\nArtist = s:$2\nAlbum = s:$3\n" +
               "Artwork = s:" + Utf8(server.Url("")) + "$4\n";
    }

    // The settings file beside the program copy, written by the settings tool.
    bool WriteProgramSettings(const std::string& description) const {
        const std::wstring descriptionPath = root / L"settings.txt";
        return WriteUtf8(descriptionPath, description) &&
               RunProgram(SettingsWriterPath(),
                          L"\"" + descriptionPath + L"\" \"" + programFolder + L"\\Kestrel.dat\"") == 0;
    }

    StandInLibrary Library() const {
        StandInLibrary library;
        library.Load(libraryPath);
        return library;
    }
    // A track of this name in the library, read only while no stand-in runs:
    // a server that saves while the file is open for reading loses that save.
    bool Registered(const std::wstring& name) const {
        if (!ITunesStandInRegistration::WaitForServerExit(0)) return false;
        return Library().FindByName(name) != nullptr;
    }
    bool ShowsName(const std::wstring& fileName) { return kestrel.ControlText(IDC_MAIN_FILENAME) == fileName; }
    bool ShowsTitle(const std::wstring& title) { return ShowsTitle(kestrel, title); }
    static bool ShowsTitle(const KestrelProcess& process, const std::wstring& title) {
        return process.ControlText(IDC_MAIN_TITLE) == title;
    }

    testing_support::TempFolder root;
    LoopbackServer server;
    KestrelProcess kestrel;
    std::wstring programFolder, program, libraryPath, libraryFolder, trash;
};

TEST_F(SongRoadTest, SongsTravelFromTheRecorderIntoTheLibraryAcrossAStationChange) {
    StationFolders a(root / L"局A"), b(root / L"局B");
    ASSERT_TRUE(::CreateDirectoryW(a.output.c_str(), nullptr));
    // The user's own file where a recording's name will fall.
    const std::vector<std::uint8_t> usersFile{'m', 'i', 'n', 'e'};
    ASSERT_TRUE(WriteBytes(a.output + L"\\song06.mp3", usersFile));

    // The library: the same song twice (one unchecked), and a track whose
    // "no lyrics" mark is out of date.
    StandInLibrary library;
    // (Each reference is used before the next AddTrack moves the tracks.)
    StandInTrack& checked = library.AddTrack(L"既存の歌", L"既存アーティスト", L"既存アルバム");
    checked.lyrics = L"昔の歌詞";
    checked.location = libraryFolder + L"\\old1.mp3";
    const long checkedId = checked.id;
    StandInTrack& unchecked = library.AddTrack(L"既存の歌", L"既存アーティスト", L"既存アルバム");
    unchecked.enabled = false;
    // A recording of the program's own, filed into a station's output folder.
    unchecked.location = a.output + L"\\old2.mp3";
    const long uncheckedId = unchecked.id;
    StandInTrack& marked = library.AddTrack(L"別の歌", L"別の人", L"別のアルバム");
    marked.composer = L"歌詞未登録";
    marked.lyrics = L"ある歌詞";
    marked.location = libraryFolder + L"\\other.mp3";
    const long markedId = marked.id;
    library.playlists.push_back(StandInPlaylist{kStationB, true, {}});
    for (const StandInTrack& track : library.tracks) ASSERT_TRUE(WriteBytes(track.location, {1, 2, 3}));
    ASSERT_TRUE(library.Save(libraryPath));
    ITunesStandInRegistration registration(libraryPath);
    ASSERT_TRUE(registration.registered());

    // The pages and pictures.
    const PageSong song2{L"夜明けのメロディ", L"青空バンド", L"朝の記録", "/art/a2.jpg"};
    const PageSong song4{L"既存の歌", L"既存アーティスト", L"既存アルバム", "/art/a4.jpg"};
    const PageSong wrong5{L"間違いの曲", L"間違いの人", L"間違いのアルバム", "/art/wrong.jpg"};
    const PageSong song6{L"六番目の歌", L"六番アーティスト", L"六番アルバム", "/art/a6.jpg"};
    const PageSong song7{L"七番目の歌", L"七番アーティスト", L"七番アルバム", "/art/a7.jpg"};
    const PageSong songB2{L"星空のワルツ", L"夜風楽団", L"真夜中アルバム", "/art/b2.png"};
    int hue = 0;
    for (const char* path : {"/art/a2.jpg", "/art/a4.jpg", "/art/wrong.jpg", "/art/a6.jpg", "/art/a7.jpg"})
        server.Put(path, "image/jpeg", samples::SampleJpeg(160, 120, hue++));
    server.Put("/art/b2.png", "image/png", samples::SamplePng(120, 120, 4));
    PutPageA(PageSong{L"放送開始前", L"", L"", "/art/none.jpg"});
    PutPageB(PageSong{L"前の曲", L"", L"", "/art/none.png"});

    // The settings file, through the settings tool.
    const std::string description =
        "# written by the end-to-end test\n[]\nIgnoreFirst = b:1\nIsAddPlayList = b:1\nIsSetNoneLyrics = b:1\n"
        "IgnoreCount = i:1\n[IgnoreList]\n0 = s:Jingle*.mp3\n[IsCooperation]\nCheck = i:1\n"
        "[SelectStation]\nIndex = i:0\n" +
        StationDescription(kStationA, a, "/a/now", 2) + "Follow = b:1\n" + StationDescription(kStationB, b, "/b/now", 1) +
        "Follow = b:1\n";
    const std::wstring settingsPath = programFolder + L"\\Kestrel.dat";
    ASSERT_TRUE(WriteProgramSettings(description));

    RecorderSimulator recorderA(a.play, a.end), recorderB(b.play, b.end);
    ASSERT_TRUE(recorderA.NextSong(L"song01.mp3", {L"First Song", L"Opening Artist"}));
    ASSERT_TRUE(recorderB.NextSong(L"bsong01.mp3", {L"B First", L"B Artist"}));

    ASSERT_TRUE(kestrel.Start(program));
    ASSERT_TRUE(kestrel.WaitForMainWindow(kStepTimeoutMs)) << "the main window did not appear";
    ASSERT_TRUE(kestrel.IsChecked(IDC_MAIN_COOPERATION)) << "iTunes 連携 was not restored from the settings file";
    // The station list's order is the program's; find each station in it.
    const int firstShown = kestrel.SelectedStation();
    ASSERT_GE(firstShown, 0);
    int indexA = firstShown, indexB = 1 - firstShown;
    if (kestrel.ControlText(IDC_MAIN_STATIONS) != kStationA) std::swap(indexA, indexB);
    if (indexA != firstShown) {
        ASSERT_TRUE(kestrel.SelectStation(indexA));
    }
    ASSERT_EQ(kStationA, kestrel.ControlText(IDC_MAIN_STATIONS));

    // 1: the first song is only shown.
    ASSERT_TRUE(WaitUntil([&] { return ShowsName(L"song01.mp3"); }, kStepTimeoutMs)) << "the first song was not seen";

    // 2: a song fetched after its wait, with a JPEG picture.
    PutPageA(song2);
    ASSERT_TRUE(recorderA.NextSong(L"song02.mp3", {L"Tag Title Two", L"Tag Artist Two"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(L"待機中（残り2秒）"); }, kStepTimeoutMs))
        << "no countdown for the second song";
    ::Sleep(200);  // let the boxes paint
    EXPECT_TRUE(kestrel.SaveScreenshot(ArtefactFolder() + L"\\system-countdown.bmp"));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(song2.title); }, kStepTimeoutMs)) << "the page was not fetched";
    EXPECT_EQ(song2.artist, kestrel.ControlText(IDC_MAIN_ARTIST));
    EXPECT_EQ(song2.album, kestrel.ControlText(IDC_MAIN_ALBUM));
    ASSERT_TRUE(kestrel.Responsive());
    ::Sleep(300);
    EXPECT_TRUE(kestrel.SaveScreenshot(ArtefactFolder() + L"\\system-artwork.bmp"));

    // 3: a jingle on the ignore list; the second song is registered meanwhile.
    ASSERT_TRUE(recorderA.NextSong(L"Jingle_0001.mp3", {L"Jingle", L"Station"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsName(L"Jingle_0001.mp3"); }, kStepTimeoutMs));
    ASSERT_TRUE(WaitUntil([&] { return Registered(song2.title); }, kStepTimeoutMs)) << "song 2 was not registered";

    // 4: the same song as one already in the library.
    PutPageA(song4);
    ASSERT_TRUE(recorderA.NextSong(L"song04.mp3", {L"Tag Four", L"Tag Artist Four"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(song4.title); }, kStepTimeoutMs)) << "song 4 was not fetched";

    // 5: a song that ends before its wait: its own tags name it.
    PutPageA(wrong5);
    ASSERT_TRUE(recorderA.NextSong(L"song05.mp3", {L"Short Song", L"Quick Artist"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(L"待機中（残り2秒）") && ShowsName(L"song05.mp3"); },
                          kStepTimeoutMs));
    PutPageA(song6);
    ASSERT_TRUE(recorderA.NextSong(L"song06.mp3", {L"Tag Six", L"Tag Artist Six"}));

    // 6: its name is taken in the output folder.
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(song6.title); }, kStepTimeoutMs)) << "song 6 was not fetched";

    // 7: the last song of the first station, fetched, then the station changes.
    PutPageA(song7);
    ASSERT_TRUE(recorderA.NextSong(L"song07.mp3", {L"Tag Seven", L"Tag Artist Seven"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(song7.title); }, kStepTimeoutMs)) << "song 7 was not fetched";
    ASSERT_TRUE(WaitUntil([&] { return Registered(song6.title); }, kStepTimeoutMs)) << "song 6 was not registered";
    ASSERT_TRUE(kestrel.SelectStation(indexB));
    ASSERT_TRUE(WaitUntil([&] { return ShowsName(L"bsong01.mp3"); }, kStepTimeoutMs)) << "station B was not watched";
    ASSERT_TRUE(recorderA.EndSong());  // finished while station B is shown: station A is still followed

    // 8: station B, Shift_JIS page and a PNG picture.
    PutPageB(songB2);
    ASSERT_TRUE(recorderB.NextSong(L"bsong02.mp3", {L"B Two", L"B Artist"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(songB2.title); }, kStepTimeoutMs)) << "the Shift_JIS page was not read";
    ASSERT_TRUE(recorderB.NextSong(L"bsong03.mp3", {L"B Three", L"B Artist"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsName(L"bsong03.mp3"); }, kStepTimeoutMs));
    ASSERT_TRUE(WaitUntil([&] { return Registered(songB2.title); }, kStepTimeoutMs)) << "station B's song was not registered";
    ASSERT_TRUE(WaitUntil([&] { return Registered(song7.title); }, kStepTimeoutMs)) << "station A's last song was not filed";

    ASSERT_TRUE(kestrel.Close(30000)) << "the program did not end after its window was closed";
    EXPECT_EQ(0u, kestrel.exitCode());
    ASSERT_TRUE(ITunesStandInRegistration::WaitForServerExit(20000));

    // Output folders: the right names, the tags gone to the byte, the user's file untouched.
    EXPECT_EQ(Sorted({L"song02.mp3", L"song04.mp3", L"song05.mp3", L"song06.mp3", L"song06 (1).mp3", L"song07.mp3"}),
              Sorted(ListNames(a.output)));
    for (const wchar_t* name : {L"song02.mp3", L"song04.mp3", L"song05.mp3", L"song07.mp3"})
        EXPECT_EQ(recorderA.Audio(name), ReadBytes(a.output + L"\\" + name)) << "tags left in " << Utf8(name);
    EXPECT_EQ(recorderA.Audio(L"song06.mp3"), ReadBytes(a.output + L"\\song06 (1).mp3"));
    EXPECT_EQ(usersFile, ReadBytes(a.output + L"\\song06.mp3"));
    EXPECT_EQ(std::vector<std::wstring>{L"bsong02.mp3"}, ListNames(b.output));
    EXPECT_EQ(recorderB.Audio(L"bsong02.mp3"), ReadBytes(b.output + L"\\bsong02.mp3"));

    // Finished folders: the skipped songs stay, untouched.
    EXPECT_EQ(Sorted({L"Jingle_0001.mp3", L"song01.mp3"}), Sorted(ListNames(a.end)));
    EXPECT_EQ(std::vector<std::wstring>{L"bsong01.mp3"}, ListNames(b.end));
    EXPECT_EQ(Concat(Concat(RecorderSimulator::Id3v2Tag({L"First Song", L"Opening Artist"}),
                            recorderA.Audio(L"song01.mp3")),
                     RecorderSimulator::Id3v1Trailer({L"First Song", L"Opening Artist"})),
              ReadBytes(a.end + L"\\song01.mp3"));
    EXPECT_TRUE(ListNames(a.play).empty());

    // The library.
    const StandInLibrary served = Library();
    const auto track = [&](const std::wstring& name) -> StandInTrack {
        const StandInTrack* found = served.FindByName(name);
        return found ? *found : StandInTrack{};
    };
    const std::wstring noLyrics = L"歌詞未登録";
    const StandInTrack t2 = track(song2.title);
    EXPECT_EQ(song2.artist, t2.artist);
    EXPECT_EQ(song2.album, t2.album);
    EXPECT_TRUE(SamePath(a.output + L"\\song02.mp3", t2.location)) << Utf8(t2.location);
    EXPECT_EQ(L"a2.jpg", FileNameOfPath(t2.artwork));
    EXPECT_EQ(noLyrics, t2.composer);
    EXPECT_TRUE(t2.enabled);

    const StandInTrack* t4 = nullptr;
    for (const StandInTrack& candidate : served.tracks)
        if (candidate.id != checkedId && candidate.name == song4.title) t4 = &candidate;
    ASSERT_NE(nullptr, t4) << "the same song was not added";
    EXPECT_TRUE(SamePath(a.output + L"\\song04.mp3", t4->location));
    EXPECT_EQ(L"昔の歌詞", t4->lyrics);
    EXPECT_TRUE(SamePath(t4->location, t4->comment));
    EXPECT_TRUE(t4->composer.empty());
    EXPECT_TRUE(t4->enabled);
    ASSERT_NE(nullptr, served.FindTrack(checkedId));
    EXPECT_TRUE(SamePath(t4->location, served.FindTrack(checkedId)->comment));
    EXPECT_EQ(nullptr, served.FindTrack(uncheckedId)) << "the unchecked same song is still in the library";
    EXPECT_FALSE(Exists(a.output + L"\\old2.mp3")) << "the unchecked same song's file is still on disk";
    EXPECT_TRUE(Exists(trash + L"old2.mp3")) << "the unchecked same song's file is not in the Recycle Bin";
    EXPECT_TRUE(Exists(libraryFolder + L"\\old1.mp3"));
    {
        // The history keeps what the library step did: the new track, and
        // the deleted copy with the place its file had.
        journal::Journal journal(programFolder + L"\\Kestrel.db");
        std::vector<journal::SongRecord> rows = journal.SongPage(0, 20);
        const auto song04 = std::find_if(rows.begin(), rows.end(), [](const journal::SongRecord& row) {
            return row.outputPath.size() >= 10 && row.outputPath.substr(row.outputPath.size() - 10) == L"song04.mp3";
        });
        ASSERT_NE(song04, rows.end());
        EXPECT_EQ(song04->trackId.size(), 16u);
        const std::vector<journal::SongAction> actions = journal.Actions(song04->id);
        const auto deleted = std::find_if(actions.begin(), actions.end(), [](const journal::SongAction& action) {
            return action.kind == journal::SongActionKind::Deleted;
        });
        ASSERT_NE(deleted, actions.end());
        EXPECT_TRUE(SamePath(deleted->filePath, a.output + L"\\old2.mp3")) << Utf8(deleted->filePath);
        EXPECT_FALSE(deleted->destination.empty());
    }
    ASSERT_NE(nullptr, served.FindTrack(markedId));
    EXPECT_TRUE(served.FindTrack(markedId)->composer.empty()) << "an outdated no-lyrics mark was kept";

    const StandInTrack t5 = track(L"Short Song");
    EXPECT_EQ(L"Quick Artist", t5.artist);
    EXPECT_TRUE(t5.album.empty());
    EXPECT_TRUE(t5.artwork.empty());
    EXPECT_TRUE(SamePath(a.output + L"\\song05.mp3", t5.location));
    EXPECT_EQ(nullptr, served.FindByName(wrong5.title));

    const StandInTrack t6 = track(song6.title);
    EXPECT_TRUE(SamePath(a.output + L"\\song06 (1).mp3", t6.location)) << Utf8(t6.location);
    EXPECT_EQ(L"a6.jpg", FileNameOfPath(t6.artwork));

    const StandInTrack tb = track(songB2.title);
    EXPECT_EQ(songB2.artist, tb.artist);
    EXPECT_EQ(songB2.album, tb.album);
    EXPECT_EQ(L"b2.png", FileNameOfPath(tb.artwork));
    const StandInTrack t7 = track(song7.title);
    EXPECT_TRUE(SamePath(a.output + L"\\song07.mp3", t7.location)) << Utf8(t7.location);
    EXPECT_EQ(8u, served.tracks.size());

    const StandInPlaylist* playlistA = served.FindPlaylist(kStationA);
    ASSERT_NE(nullptr, playlistA);
    EXPECT_EQ((std::vector<long>{t2.id, t4->id, t5.id, t6.id, t7.id}), playlistA->trackIds);
    const StandInPlaylist* playlistB = served.FindPlaylist(kStationB);
    ASSERT_NE(nullptr, playlistB);
    EXPECT_EQ(std::vector<long>{tb.id}, playlistB->trackIds);
    EXPECT_EQ(2u, served.playlists.size());

    // The settings file written at exit.
    Settings saved;
    ASSERT_TRUE(saved.Load(settingsPath));
    EXPECT_EQ(1, saved.Group(L"IsCooperation").GetInt(L"Check"));
    EXPECT_EQ(indexB, saved.Group(L"SelectStation").GetInt(L"Index"));
    WINDOWPLACEMENT placement{};
    EXPECT_TRUE(saved.GetPlacement(L"WindowPlacement", placement));
    EXPECT_EQ(1, saved.GetInt(L"IgnoreCount"));
    EXPECT_EQ(L"Jingle*.mp3", saved.Group(L"IgnoreList").GetString(L"0"));
    const Settings& savedA = saved.Group(L"Station").Group(kStationA);
    EXPECT_EQ(2, savedA.GetInt(L"WaitTime"));
    EXPECT_EQ(a.output, savedA.GetString(L"OutputDirectory"));
    EXPECT_EQ(server.Url("/b/now"), saved.Group(L"Station").Group(kStationB).GetString(L"Url"));
    EXPECT_EQ(0u, savedA.values.count(L"Html")) << "a fetched page was kept in the file";
    // Only the picture of the song still playing stays, in its own folder,
    // for the next start to file it with.
    const std::vector<std::wstring> artwork = ListNames(programFolder + L"\\Artwork");
    EXPECT_LE(artwork.size(), 1u) << "pictures of filed songs outlived the program";
    for (const std::wstring& name : artwork)
        EXPECT_EQ(name.find_first_not_of(L"0123456789"), std::wstring::npos) << Utf8(name);
}

}  // namespace

namespace {

// Asks the window every 100 ms from a thread of its own, as another program
// would, and keeps the longest wait for an answer.
class WindowProbe {
public:
    explicit WindowProbe(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  const ULONGLONG sent = ::GetTickCount64();
                  DWORD_PTR ignored = 0;
                  ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
                  longest_ = std::max<ULONGLONG>(longest_, ::GetTickCount64() - sent);
                  ::Sleep(100);
              }
          }) {}
    ~WindowProbe() { Stop(); }
    ULONGLONG Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return longest_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<ULONGLONG> longest_{0};
    std::thread thread_;
};

}  // namespace

// (The tests that need a stand-in started afresh come before the one that
// kills it: Wine will not start a killed server again in the same session.)

// iTunes hangs in its first import for longer than a registration may take:
// the songs recorded meanwhile are moved and journaled at once, each
// registered once the hang ends, and the window answers throughout.
TEST_F(SongRoadTest, AHungLibraryHoldsUpOnlyTheRegistrations) {
    StationFolders a(root / L"局A");
    StandInLibrary library;
    library.hangMember = L"AddFile";
    library.hangMs = 150000;
    ASSERT_TRUE(library.Save(libraryPath));
    ITunesStandInRegistration registration(libraryPath);
    ASSERT_TRUE(registration.registered());
    const std::string description = "[]\nIgnoreFirst = b:0\nIsAddPlayList = b:1\n[IsCooperation]\nCheck = i:1\n"
                                     "[SelectStation]\nIndex = i:0\n" +
                                     StationDescription(kStationA, a, "/a/now", 0);
    ASSERT_TRUE(WriteProgramSettings(description));
    RecorderSimulator recorder(a.play, a.end);
    const wchar_t* const titles[] = {L"一曲目", L"二曲目", L"三曲目", L"四曲目"};
    PutPageA(PageSong{titles[0], L"人", L"", "/art/none.jpg"});
    ASSERT_TRUE(recorder.NextSong(L"s1.mp3", {L"One", L"A"}));
    ASSERT_TRUE(kestrel.Start(program));
    ASSERT_TRUE(kestrel.WaitForMainWindow(kStepTimeoutMs));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(titles[0]); }, kStepTimeoutMs));

    WindowProbe probe(kestrel.mainWindow());
    const wchar_t* const names[] = {L"s1.mp3", L"s2.mp3", L"s3.mp3", L"s4.mp3"};
    for (int next = 1; next < 4; ++next) {
        ::Sleep(5000);
        PutPageA(PageSong{titles[next], L"人", L"", "/art/none.jpg"});
        ASSERT_TRUE(recorder.NextSong(names[next], {L"Next", L"A"}));
        const ULONGLONG handedOver = ::GetTickCount64();
        const std::wstring filed = a.output + L"\\" + names[next - 1];
        EXPECT_TRUE(WaitUntil([&] { return Exists(filed); }, 2000))
            << Utf8(names[next - 1]) << " not filed within 2 s of its hand-over";
        EXPECT_LE(::GetTickCount64() - handedOver, 2000u);
    }
    // The hang ends 150 s after the first import began; then all three go in.
    EXPECT_TRUE(WaitUntil([&] { return Registered(titles[2]); }, 200000, 1000)) << "not registered after the hang";
    EXPECT_LE(probe.Stop(), 250u) << "the window kept a caller waiting";
    ASSERT_TRUE(kestrel.Close(kStepTimeoutMs));

    journal::Journal journal(programFolder + L"\\Kestrel.db");
    for (int song = 0; song < 3; ++song) {
        std::vector<journal::SongRecord> rows = journal.SongPage(0, 10);
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const journal::SongRecord& each) { return each.sourceName == names[song]; });
        ASSERT_NE(row, rows.end()) << Utf8(names[song]);
        EXPECT_EQ(row->state, journal::SongState::Registered) << Utf8(names[song]);
        EXPECT_EQ(row->info.title, titles[song]);
        EXPECT_LE(row->moved - row->handedOver, 2) << Utf8(names[song]);
    }
    const StandInLibrary result = Library();
    EXPECT_EQ(result.tracks.size(), 3u);
    // The log beside the program tells of the missing picture and of the wait.
    const std::vector<std::uint8_t> logBytes = ReadBytes(programFolder + L"\\Kestrel.log");
    const std::string log(logBytes.begin(), logBytes.end());
    EXPECT_NE(log.find("\tHTTP エラー応答\t"), std::string::npos) << log;
    EXPECT_NE(log.find("\tiTunes が時間内に答えない\t"), std::string::npos) << log;
}

// A page that trickles for 20 s holds up nothing but its own song's fields.
TEST_F(SongRoadTest, ATricklingPageHoldsUpNoRecording) {
    StationFolders a(root / L"局A");
    LoopbackServer trickling{[](const LoopbackServer::Request&, LoopbackServer& self, SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n<html>");
        for (int waited = 0; waited < 20000 && !self.stopping(); waited += 20) ::Sleep(20);
        LoopbackServer::Send(s, "</html>");
    }};
    ASSERT_TRUE(StandInLibrary().Save(libraryPath));
    ITunesStandInRegistration registration(libraryPath);
    std::string description = "[]\nIgnoreFirst = b:0\n[IsCooperation]\nCheck = i:1\n[SelectStation]\nIndex = i:0\n" +
                              StationDescription(kStationA, a, "/a/now", 0);
    const std::string url = "Url = s:" + Utf8(server.Url("/a/now"));
    description.replace(description.find(url), url.size(), "Url = s:" + Utf8(trickling.Url("/now")));
    ASSERT_TRUE(WriteProgramSettings(description));
    RecorderSimulator recorder(a.play, a.end);
    ASSERT_TRUE(recorder.NextSong(L"t1.mp3", {L"First", L"A"}));
    ASSERT_TRUE(kestrel.Start(program));
    ASSERT_TRUE(kestrel.WaitForMainWindow(kStepTimeoutMs));
    ASSERT_TRUE(WaitUntil([&] { return ShowsName(L"t1.mp3"); }, kStepTimeoutMs));
    // t2 lasts 5 s, well inside the first page's 20 s.
    ASSERT_TRUE(recorder.NextSong(L"t2.mp3", {L"Short", L"A"}));
    ::Sleep(5000);
    ASSERT_TRUE(recorder.NextSong(L"t3.mp3", {L"After", L"A"}));
    EXPECT_TRUE(WaitUntil([&] { return Exists(a.output + L"\\t2.mp3"); }, 2000)) << "t2 not filed on time";
    EXPECT_TRUE(Exists(a.output + L"\\t1.mp3"));
    EXPECT_TRUE(kestrel.Responsive(250));
    EXPECT_TRUE(WaitUntil([&] { return Registered(L"Short"); }, kStepTimeoutMs, 250)) << "t2 not registered";
    ASSERT_TRUE(kestrel.Close(kStepTimeoutMs));
}


// Three followed stations file their own songs side by side, two of them
// handing over in the same second, while the third's page trickles for 20 s;
// a station not followed is left alone.
TEST_F(SongRoadTest, EveryFollowedStationFilesItsOwnSongs) {
    StationFolders a(root / L"局A"), b(root / L"局B"), c(root / L"局C"), d(root / L"局D");
    const PageSong a1{L"A一曲目", L"A人", L"A盤", "/art/none.jpg"}, a2{L"A二曲目", L"A人", L"A盤", "/art/none.jpg"};
    const PageSong b1{L"B一曲目", L"B人", L"B盤", "/art/none.jpg"}, b2{L"B二曲目", L"B人", L"B盤", "/art/none.jpg"};
    const PageSong c1{L"C一曲目", L"C人", L"C盤", "/art/none.jpg"};
    std::atomic<int> cRequests{0};  // the first is answered after 20 s
    LoopbackServer trickling{[&](const LoopbackServer::Request&, LoopbackServer& self, SOCKET s) {
        const std::string page = Page(c1, CP_UTF8, "utf-8");
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n\r\n");
        if (cRequests++ == 0)
            for (int waited = 0; waited < 20000 && !self.stopping(); waited += 20) ::Sleep(20);
        LoopbackServer::Send(s, page);
    }};
    ASSERT_TRUE(StandInLibrary().Save(libraryPath));
    ITunesStandInRegistration registration(libraryPath);
    std::string description = "[]\nIgnoreFirst = b:0\nIsAddPlayList = b:1\n[IsCooperation]\nCheck = i:1\n"
                              "[SelectStation]\nIndex = i:0\n" +
                              StationDescription(L"局A", a, "/a/now", 2) + "Follow = b:1\n" +
                              StationDescription(L"局B", b, "/b/now", 2) + "Follow = b:1\n" +
                              StationDescription(L"局C", c, "/c/now", 2) + "Follow = b:1\n" +
                              StationDescription(L"局D", d, "/d/now", 2) + "Follow = b:0\n";
    const std::string url = "Url = s:" + Utf8(server.Url("/c/now"));
    description.replace(description.find(url), url.size(), "Url = s:" + Utf8(trickling.Url("/c/now")));
    ASSERT_TRUE(WriteProgramSettings(description));
    PutPageA(a1);
    PutPageB(b1);
    RecorderSimulator recorderA(a.play, a.end), recorderB(b.play, b.end), recorderC(c.play, c.end),
        recorderD(d.play, d.end);
    ASSERT_TRUE(recorderA.NextSong(L"a1.mp3", {L"tagA", L"A"}));
    ASSERT_TRUE(recorderB.NextSong(L"b1.mp3", {L"tagB", L"B"}));
    ASSERT_TRUE(recorderC.NextSong(L"c1.mp3", {L"tagC", L"C"}));
    ASSERT_TRUE(recorderD.NextSong(L"d1.mp3", {L"tagD", L"D"}));
    ASSERT_TRUE(kestrel.Start(program));
    ASSERT_TRUE(kestrel.WaitForMainWindow(kStepTimeoutMs));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(a1.title); }, kStepTimeoutMs));
    ::Sleep(2000);  // the first pages are read

    // A and B hand over in the same second while C's first page still trickles.
    PutPageA(a2);
    PutPageB(b2);
    const ULONGLONG handedOver = ::GetTickCount64();
    ASSERT_TRUE(recorderA.NextSong(L"a2.mp3", {L"tagA", L"A"}));
    ASSERT_TRUE(recorderB.NextSong(L"b2.mp3", {L"tagB", L"B"}));
    ASSERT_TRUE(recorderD.NextSong(L"d2.mp3", {L"tagD", L"D"}));
    EXPECT_TRUE(WaitUntil([&] { return Exists(a.output + L"\\a1.mp3") && Exists(b.output + L"\\b1.mp3"); }, 2000));
    // A's next song is counted down and read on time.
    EXPECT_TRUE(WaitUntil([&] { return ShowsTitle(a2.title); }, 8000)) << "A held up by C's page";
    EXPECT_LT(::GetTickCount64() - handedOver, 10000u);
    ASSERT_TRUE(WaitUntil([&] { return cRequests >= 1; }, 1000));
    ::Sleep(static_cast<DWORD>(std::max<LONGLONG>(0, 21000 - static_cast<LONGLONG>(::GetTickCount64() - handedOver))));
    ASSERT_TRUE(recorderC.NextSong(L"c2.mp3", {L"tagC", L"C"}));
    ASSERT_TRUE(recorderA.NextSong(L"a3.mp3", {L"tagA", L"A"}));
    ASSERT_TRUE(recorderB.NextSong(L"b3.mp3", {L"tagB", L"B"}));
    // C's first page outlasted a fetch's 20 s: its song goes with its tags.
    EXPECT_TRUE(WaitUntil([&] { return Registered(a2.title) && Registered(b2.title) && Registered(L"tagC"); },
                          kStepTimeoutMs, 500));
    ASSERT_TRUE(kestrel.Close(kStepTimeoutMs));

    // Not followed: D's songs stay where the recorder put them.
    EXPECT_TRUE(Exists(d.end + L"\\d1.mp3"));
    EXPECT_FALSE(Exists(d.output));
    const StandInLibrary library = Library();
    const PageSong c1Tags{L"tagC", L"C", L"", ""};
    const std::pair<const wchar_t*, std::vector<const PageSong*>> expected[] = {
        {L"局A", {&a1, &a2}}, {L"局B", {&b1, &b2}}, {L"局C", {&c1Tags}}};
    journal::Journal journal(programFolder + L"\\Kestrel.db");
    const std::vector<journal::SongRecord> rows = journal.SongPage(0, 50);
    for (const auto& [station, songs] : expected) {
        const StandInPlaylist* playlist = library.FindPlaylist(station);
        ASSERT_NE(playlist, nullptr) << Utf8(station);
        EXPECT_EQ(playlist->trackIds.size(), songs.size()) << Utf8(station);
        for (const PageSong* song : songs) {
            const StandInTrack* track = library.FindByName(song->title);
            ASSERT_NE(track, nullptr) << Utf8(song->title);
            EXPECT_EQ(track->artist, song->artist);
            EXPECT_NE(std::find(playlist->trackIds.begin(), playlist->trackIds.end(), track->id),
                      playlist->trackIds.end());
            const auto row = std::find_if(rows.begin(), rows.end(), [&](const journal::SongRecord& each) {
                return each.info.title == song->title || (each.info.title.empty() && track->location == each.outputPath);
            });
            ASSERT_NE(row, rows.end());
            EXPECT_EQ(row->station, station);
            EXPECT_EQ(DirectoryOfPath(row->outputPath), station == std::wstring(L"局A")   ? a.output
                                                        : station == std::wstring(L"局B") ? b.output
                                                                                           : c.output);
        }
    }
}

// The folder for a target: each song lands with its own tag in the output
// folder and in the station's playlist, finished in the journal, and iTunes
// is never asked (the stand-in is registered, and no client connects).
TEST_F(SongRoadTest, WithTheFolderTargetSongsAreTaggedAndListedWithoutITunes) {
    StationFolders a(root / L"局A");
    ASSERT_TRUE(StandInLibrary().Save(libraryPath));
    ITunesStandInRegistration registration(libraryPath);
    ASSERT_TRUE(registration.registered());
    const PageSong first{L"一曲目の歌", L"歌う人", L"青い盤", "/art/f1.jpg"};
    const PageSong second{L"二曲目の歌", L"歌う人", L"", "/art/none.jpg"};
    const std::string cover = samples::SampleJpeg(120, 120, 2);
    server.Put("/art/f1.jpg", "image/jpeg", cover);
    PutPageA(first);
    ASSERT_TRUE(WriteProgramSettings("[]\nIgnoreFirst = b:0\nLibraryTarget = i:1\n[IsCooperation]\nCheck = i:1\n"
                                     "[SelectStation]\nIndex = i:0\n" +
                                     StationDescription(kStationA, a, "/a/now", 0)));
    RecorderSimulator recorder(a.play, a.end);
    ASSERT_TRUE(recorder.NextSong(L"f1.mp3", {L"Tag One", L"Tag Artist"}));
    ASSERT_TRUE(kestrel.Start(program));
    ASSERT_TRUE(kestrel.WaitForMainWindow(kStepTimeoutMs));
    EXPECT_EQ(kestrel.ControlText(IDC_MAIN_COOPERATION), L"自動登録");
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(first.title); }, kStepTimeoutMs));
    PutPageA(second);
    ASSERT_TRUE(recorder.NextSong(L"f2.mp3", {L"Tag Two", L"Tag Artist"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(second.title); }, kStepTimeoutMs));
    ASSERT_TRUE(recorder.NextSong(L"f3.mp3", {L"Tag Three", L"Tag Artist"}));
    const std::wstring playlistPath = a.output + L"\\" + kStationA + L".m3u8";
    const auto playlist = [&] {
        const std::vector<std::uint8_t> bytes = ReadBytes(playlistPath);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_TRUE(WaitUntil([&] { return playlist().find("f2.mp3") != std::string::npos; }, kStepTimeoutMs));
    ASSERT_TRUE(kestrel.Close(kStepTimeoutMs));

    // Tagged as the pages said, around the recorder's audio.
    for (const auto& [name, song] : {std::make_pair(L"f1.mp3", &first), std::make_pair(L"f2.mp3", &second)}) {
        kit::Mp3Tag tag;
        ASSERT_TRUE(tag.Open(a.output + L"\\" + name)) << Utf8(name);
        EXPECT_EQ(tag.GetText(L"TIT2"), song->title);
        EXPECT_EQ(tag.GetText(L"TPE1"), song->artist);
        EXPECT_EQ(tag.GetText(L"TALB"), song->album);
        std::string mimeType, picture;
        EXPECT_EQ(tag.GetPicture(mimeType, picture), song == &first) << Utf8(name);
        if (song == &first) EXPECT_TRUE(mimeType == "image/jpeg" && picture == cover);
        const std::vector<std::uint8_t> file = ReadBytes(a.output + L"\\" + name), audio = recorder.Audio(name);
        EXPECT_NE(std::search(file.begin(), file.end(), audio.begin(), audio.end()), file.end()) << Utf8(name);
    }
    // Listed in order, by paths relative to the playlist, once each.
    const std::string text = playlist();
    EXPECT_EQ(text.rfind("#EXTM3U\r\n#EXTINF:", 0), 0u) << text;
    const std::size_t one = text.find(Utf8(L",歌う人 - 一曲目の歌\r\nf1.mp3\r\n"));
    const std::size_t two = text.find(Utf8(L",歌う人 - 二曲目の歌\r\nf2.mp3\r\n"));
    EXPECT_NE(one, std::string::npos) << text;
    EXPECT_NE(two, std::string::npos) << text;
    EXPECT_LT(one, two);
    journal::Journal journal(programFolder + L"\\Kestrel.db");
    for (const journal::SongRecord& row : journal.SongPage(0, 10))
        if (row.sourceName != L"f3.mp3") EXPECT_EQ(row.state, journal::SongState::Filed) << Utf8(row.sourceName);
    // iTunes was never asked.
    EXPECT_TRUE(ITunesStandInRegistration::WaitForServerExit(0));
    EXPECT_EQ(Library().connections, 0);
    EXPECT_TRUE(Library().tracks.empty());
}

// Ends the program the hard way, as a crash or a power cut would.
void Kill(KestrelProcess& process) {
    ::TerminateProcess(process.process(), 1);
    ::WaitForSingleObject(process.process(), 10000);
}

std::vector<std::wstring> Temporaries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const std::wstring& name : ListNames(folder))
        if (name.rfind(L"kst", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == L".tmp") names.push_back(name);
    return names;
}

TEST_F(SongRoadTest, KilledOnTheRoadEverySongIsRegisteredOnceAfterARestart) {
    StationFolders a(root / L"局A");
    StandInLibrary library;
    // iTunes refuses calls for a while from the first one on, as with one of
    // its dialogs open, and every import stays in progress for 3 s.
    library.rejectMs = 6000;
    library.busyPolls = 30;
    ASSERT_TRUE(library.Save(libraryPath));
    ITunesStandInRegistration registration(libraryPath);
    ASSERT_TRUE(registration.registered());
    ASSERT_TRUE(ITunesStandInRegistration::WaitForServerExit(0));
    PutPageA(PageSong{L"曲", L"人", L"", "/art/none.jpg"});
    const std::string description = "[]\nIgnoreFirst = b:0\nIsAddPlayList = b:1\n[IsCooperation]\nCheck = i:1\n"
                                     "[SelectStation]\nIndex = i:0\n" +
                                     StationDescription(kStationA, a, "/a/now", 0);
    ASSERT_TRUE(WriteProgramSettings(description));
    RecorderSimulator recorder(a.play, a.end);
    auto path = [&](const wchar_t* name) { return a.output + L"\\" + name; };
    // What the journal beside the program says of a song, read once the program is gone.
    auto stateOf = [&](const std::wstring& sourceName) {
        journal::Journal journal(programFolder + L"\\Kestrel.db");
        for (const journal::SongRecord& song : journal.SongPage(0, 10))
            if (song.sourceName == sourceName) return song.state;
        return journal::SongState::Playing;
    };
    auto start = [&](KestrelProcess& process, const wchar_t* playing) {
        return process.Start(program) && process.WaitForMainWindow(kStepTimeoutMs) &&
               WaitUntil([&] { return process.ControlText(IDC_MAIN_FILENAME) == playing; }, kStepTimeoutMs);
    };

    // After the move: a player opened s1 while it was recorded, and its
    // handle goes along with the move, so the strip has to wait.
    ASSERT_TRUE(recorder.NextSong(L"s1.mp3", {L"One", L"A"}));
    kit::UniqueHandle player(::CreateFileW((a.play + L"\\s1.mp3").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(player);
    auto first = std::make_unique<KestrelProcess>();
    ASSERT_TRUE(start(*first, L"s1.mp3"));
    ASSERT_TRUE(recorder.NextSong(L"s2.mp3", {L"Two", L"A"}));
    ASSERT_TRUE(WaitUntil([&] { return Exists(path(L"s1.mp3")); }, kStepTimeoutMs));
    ASSERT_TRUE(first->Responsive());  // the step that moved it is over
    Kill(*first);
    player.Reset();
    EXPECT_EQ(stateOf(L"s1.mp3"), journal::SongState::Moved);
    EXPECT_NE(ReadBytes(path(L"s1.mp3")), recorder.Audio(L"s1.mp3")) << "s1 was stripped while held";

    // After the strip: s1's registration starts the stand-in, which refuses calls.
    auto second = std::make_unique<KestrelProcess>();
    ASSERT_TRUE(start(*second, L"s2.mp3"));
    ASSERT_TRUE(WaitUntil([] { return !ITunesStandInRegistration::WaitForServerExit(0); }, kStepTimeoutMs));
    Kill(*second);
    EXPECT_EQ(stateOf(L"s1.mp3"), journal::SongState::Stripped);
    EXPECT_EQ(ReadBytes(path(L"s1.mp3")), recorder.Audio(L"s1.mp3"));
    // (Nothing changes while calls are refused: the library can be read.)
    EXPECT_TRUE(Library().tracks.empty());

    // During the registration: the refusals end, s1 is added, and its import
    // is still in progress when the program is killed.
    const auto librarySize = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return ::GetFileAttributesExW(libraryPath.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
    };
    const DWORD emptySize = librarySize();
    auto third = std::make_unique<KestrelProcess>();
    ASSERT_TRUE(start(*third, L"s2.mp3"));
    ASSERT_TRUE(WaitUntil([&] { return librarySize() > emptySize; }, kStepTimeoutMs)) << "s1 was not added";
    Kill(*third);
    EXPECT_EQ(stateOf(L"s1.mp3"), journal::SongState::Stripped);
    EXPECT_EQ(Library().tracks.size(), 1u);

    // The fourth start finishes s1 and files s2 and s3 on its own.
    auto fourth = std::make_unique<KestrelProcess>();
    ASSERT_TRUE(start(*fourth, L"s2.mp3"));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(*fourth, L"曲"); }, kStepTimeoutMs));
    PutPageA(PageSong{L"三曲目", L"人", L"", "/art/none.jpg"});
    ASSERT_TRUE(recorder.NextSong(L"s3.mp3", {L"Three", L"A"}));
    ASSERT_TRUE(WaitUntil([&] { return ShowsTitle(*fourth, L"三曲目"); }, kStepTimeoutMs));
    ASSERT_TRUE(recorder.NextSong(L"s4.mp3", {L"Four", L"A"}));
    // The killed programs' references keep the stand-in alive and saving:
    // whether s3 has its name is asked of the stand-in itself.
    kit::ComInitialization com;
    ASSERT_TRUE(WaitUntil(
        [&] {
            kit::ComPtr<IDispatch> application;
            if (FAILED(::CoCreateInstance(kITunesAppClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                          reinterpret_cast<void**>(application.Receive()))))
                return false;
            return LibraryHoldsFile(AutomationObject(std::move(application)).GetObject(L"LibraryPlaylist"),
                                    L"三曲目", path(L"s3.mp3"));
        },
        kStepTimeoutMs, 250))
        << "s3 was not registered";
    // (A close asked for during a registration waits for its end.)
    ASSERT_TRUE(fourth->Close(kStepTimeoutMs));
    const StandInLibrary result = Library();
    ITunesStandInRegistration::EndRunningServers();
    for (auto [name, title] : {std::make_pair(L"s1.mp3", L"曲"), std::make_pair(L"s2.mp3", L"曲"),
                               std::make_pair(L"s3.mp3", L"三曲目")}) {
        EXPECT_EQ(std::count_if(result.tracks.begin(), result.tracks.end(),
                                [&](const StandInTrack& track) {
                                    return SamePath(track.location, path(name)) && track.name == title;
                                }),
                  1)
            << Utf8(name);
        EXPECT_EQ(stateOf(name), journal::SongState::Registered) << Utf8(name);
        EXPECT_EQ(ReadBytes(path(name)), recorder.Audio(name)) << Utf8(name);
    }
    EXPECT_EQ(result.tracks.size(), 3u);
    const StandInPlaylist* playlist = result.FindPlaylist(kStationA);
    ASSERT_NE(playlist, nullptr);
    EXPECT_EQ(playlist->trackIds.size(), 3u);
    EXPECT_TRUE(Temporaries(a.output).empty());
    EXPECT_TRUE(Temporaries(programFolder).empty());
}

// A second start of the same program file shows the first one's window,
// hidden in the notification area, and ends: two would share one journal.
TEST_F(SongRoadTest, ASecondStartShowsTheFirstWindowAndEnds) {
    ASSERT_TRUE(kestrel.Start(program));
    ASSERT_TRUE(kestrel.WaitForMainWindow(kStepTimeoutMs));
    const HWND window = kestrel.mainWindow();
    ::ShowWindow(window, SW_HIDE);
    ASSERT_TRUE(kestrel.Responsive());
    ASSERT_FALSE(::IsWindowVisible(window));
    KestrelProcess second;
    ASSERT_TRUE(second.Start(program));
    EXPECT_TRUE(WaitUntil([&] { return !second.running(); }, kStepTimeoutMs));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(window) != FALSE; }, kStepTimeoutMs));
    EXPECT_TRUE(kestrel.running());
    EXPECT_EQ(kestrel.FindMainWindow(), window);
}
