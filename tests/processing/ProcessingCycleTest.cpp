// The tick against real folders, with a seam that records what the cycle asks
// of the window, the web, the tags and the library.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/ScopedHandle.h"
#include "processing/CycleServices.h"
#include "processing/CycleView.h"
#include "journal/Journal.h"
#include "processing/ProcessingCycle.h"
#include "support/TempFolder.h"

using testing_support::Exists;
using testing_support::ListNames;
using testing_support::ReadBytes;
using testing_support::SetWriteTime;
using testing_support::TempFolder;
using testing_support::WriteBytes;
using Names = std::vector<std::wstring>;

namespace {

class RecordingSeam : public CycleView, public CycleServices {
public:
    bool checked = true;
    std::wstring fileNameBox;
    std::wstring titleBox, artistBox, albumBox;
    int fetches = 0;
    std::vector<std::wstring> artworkFolders;
    int clears = 0;
    std::vector<std::wstring> messages;  // open and close, in order
    std::vector<PendingSong> registered;
    std::vector<std::wstring> playlists;  // the station each was registered with
    std::vector<std::wstring> stripped;
    std::vector<std::string> tagReads;
    SongInfo nextFetch;
    bool registerResult = true;
    std::function<void()> duringMessage;  // runs while a message window is up

    bool IsCooperationChecked() override { return checked; }
    void ShowFileName(const std::wstring& name) override { fileNameBox = name; }
    void ShowSongBoxes(const std::wstring& t, const std::wstring& a, const std::wstring& b) override {
        titleBox = t;
        artistBox = a;
        albumBox = b;
    }
    bool ShowArtwork(const std::wstring&) override { return true; }
    void ClearArtwork() override { ++clears; }
    void ShowMessage(const std::wstring& text) override {
        messages.push_back(text);
        if (duringMessage) duringMessage();
    }
    void CloseMessage() override { messages.push_back(L"close"); }
    void FetchSongInfo(Settings& station, const std::wstring& folder, SongInfo& songInfo, ArtworkView&) override {
        ++fetches;
        artworkFolders.push_back(folder);
        songInfo = nextFetch;
        station.SetString(L"Html", L"<page>");
    }
    std::wstring ReadTagText(const std::wstring& path, const char* frameId) override {
        tagReads.push_back(frameId);
        return std::string(frameId) == "TIT2" ? L"tag title" : L"tag artist";
    }
    bool StripTags(const std::wstring& path) override {
        stripped.push_back(path);
        return true;
    }
    bool RegisterSong(const PendingSong& song, Settings&, Settings& station) override {
        registered.push_back(song);
        playlists.push_back(station.GetString(L"StationName"));
        return registerResult;
    }
};

class Cycle : public ::testing::Test {
protected:
    Cycle() : journal(root / L"Kestrel.db"), cycle(settings, seam, seam) {
        cycle.SetClock([this] { return clockMs; });
        cycle.AttachJournal(journal, root / L"Artwork", root.path());
        play = root / L"play";
        end = root / L"end";
        out = root / L"out\\局";  // created by the cycle
        ::CreateDirectoryW(play.c_str(), nullptr);
        ::CreateDirectoryW(end.c_str(), nullptr);
        settings.SetBool(L"IgnoreFirst", true);
        station.SetString(L"StationName", L"局");
        station.SetString(L"PlayDirectory", play);
        station.SetString(L"EndDirectory", end);
        station.SetString(L"OutputDirectory", out);
        station.SetString(L"Url", L"http://127.0.0.1/now");
        station.SetInt(L"WaitTime", 2);
        cycle.SelectStation(station);
    }

    // The recorder starts a song: a new, newest file in the play folder.
    void Start(const std::wstring& name) {
        ASSERT_TRUE(WriteBytes(play + L"\\" + name, {0x49, 0x44, 0x33}));
        SetWriteTime(play + L"\\" + name, ++minute);
    }
    // The recorder finishes a song: it moves to the end folder.
    void Finish(const std::wstring& name) {
        ASSERT_TRUE(::MoveFileW((play + L"\\" + name).c_str(), (end + L"\\" + name).c_str()));
    }
    void Next(const std::wstring& finished, const std::wstring& started) {
        Finish(finished);
        Start(started);
    }

    journal::SongState StateOf(const std::wstring& sourceName) {
        for (const journal::SongRecord& song : journal.SongPage(0, 100))
            if (song.sourceName == sourceName) return song.state;
        return journal::SongState::Playing;
    }

    TempFolder root;
    std::wstring play, end, out;
    int minute = 0;
    std::uint64_t clockMs = 1000;
    Settings settings;
    Settings station;
    RecordingSeam seam;
    journal::Journal journal;
    ProcessingCycle cycle;
};

const std::wstring Waiting(int n) { return L"待機中（残り" + std::to_wstring(n) + L"秒）"; }

}  // namespace

TEST_F(Cycle, FirstSongIsSkippedThenTheNextCountsDown) {
    Start(L"a.mp3");
    cycle.Tick();
    EXPECT_EQ(seam.fileNameBox, L"a.mp3");
    EXPECT_TRUE(cycle.skipCurrent());
    EXPECT_EQ(seam.fetches, 0);

    Next(L"a.mp3", L"b.mp3");
    seam.nextFetch = {L"Title B", L"Artist B", L"Album B", L""};
    cycle.Tick();
    EXPECT_FALSE(cycle.skipCurrent());
    EXPECT_EQ(seam.fileNameBox, L"b.mp3");
    EXPECT_EQ(seam.titleBox, Waiting(2));
    EXPECT_EQ(seam.albumBox, Waiting(2));
    EXPECT_EQ(ListNames(end), Names{L"a.mp3"});  // the skipped song stays
    EXPECT_TRUE(seam.registered.empty());

    cycle.Tick();
    EXPECT_EQ(seam.artistBox, Waiting(1));
    EXPECT_EQ(seam.fetches, 0);
    cycle.Tick();
    EXPECT_EQ(seam.fetches, 1);
    EXPECT_EQ(seam.titleBox, L"Title B");
    EXPECT_EQ(seam.messages, (Names{L"WEBから取得中...", L"close"}));
    EXPECT_EQ(cycle.currentStation().GetString(L"Html"), L"<page>");

    // b ends: moved and registered with what was fetched, in the same tick.
    Next(L"b.mp3", L"c.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 1u);
    const PendingSong& song = seam.registered[0];
    EXPECT_EQ(song.filePath, out + L"\\b.mp3");
    EXPECT_EQ(song.title, L"Title B");
    EXPECT_EQ(song.artist, L"Artist B");
    EXPECT_EQ(song.album, L"Album B");
    EXPECT_TRUE(seam.tagReads.empty());
    EXPECT_EQ(seam.stripped, Names{out + L"\\b.mp3"});
    EXPECT_TRUE(Exists(out + L"\\b.mp3"));
    EXPECT_EQ(ListNames(end), Names{L"a.mp3"});
    EXPECT_EQ(StateOf(L"b.mp3"), journal::SongState::Registered);
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::SkippedFirstSong);
    EXPECT_EQ(seam.titleBox, Waiting(2));  // c counts down; b's fields are gone
}

TEST_F(Cycle, WithoutIgnoreFirstTheFirstSongIsFetchedAtOnce) {
    settings.SetBool(L"IgnoreFirst", false);
    station.SetInt(L"WaitTime", 0);
    cycle.SelectStation(station);
    Start(L"a.mp3");
    seam.nextFetch = {L"A", L"B", L"C", L""};
    cycle.Tick();
    EXPECT_EQ(seam.fetches, 1);
    EXPECT_EQ(seam.titleBox, L"A");

    // WaitTime 0: every later song is fetched in the tick that notices it.
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    EXPECT_EQ(seam.fetches, 2);
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].title, L"A");
}

TEST_F(Cycle, StationWithoutUrlStillMovesAndUsesTheTags) {
    settings.SetBool(L"IgnoreFirst", false);
    station.SetString(L"Url", L"");
    cycle.SelectStation(station);
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    cycle.Tick();
    cycle.Tick();
    EXPECT_EQ(seam.fetches, 0);
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].title, L"tag title");
    EXPECT_EQ(seam.registered[0].artist, L"tag artist");
    EXPECT_EQ(seam.registered[0].album, L"");
    EXPECT_EQ(seam.tagReads, (std::vector<std::string>{"TIT2", "TPE1"}));
}

TEST_F(Cycle, SongEndingBeforeItsFetchIsMovedWithEmptyFields) {
    settings.SetBool(L"IgnoreFirst", false);
    station.SetInt(L"WaitTime", 5);
    cycle.SelectStation(station);
    Start(L"a.mp3");
    seam.nextFetch = {L"A", L"", L"", L""};
    cycle.Tick();  // first song: fetched at once
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    cycle.Tick();
    Next(L"b.mp3", L"c.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 2u);
    EXPECT_EQ(seam.registered[0].title, L"A");
    EXPECT_EQ(seam.registered[0].artist, L"tag artist");  // only the missing one from the tag
    EXPECT_EQ(seam.registered[1].title, L"tag title");
    EXPECT_EQ(seam.fetches, 1);
    EXPECT_EQ(seam.titleBox, Waiting(5));  // c starts its own countdown
}

TEST_F(Cycle, IgnoredSongLetsTheRunningCountdownFinishButIsNotFiled) {
    settings.SetInt(L"IgnoreCount", 1);
    settings.Group(L"IgnoreList").SetString(L"0", L"cm*");
    settings.SetBool(L"IgnoreFirst", false);
    station.SetInt(L"WaitTime", 3);
    cycle.SelectStation(station);
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();  // b: countdown 3
    Next(L"b.mp3", L"CM_01.mp3");
    seam.nextFetch = {L"late", L"", L"", L""};
    cycle.Tick();  // b moved with empty fields; no new countdown, the old one runs on
    EXPECT_TRUE(cycle.skipCurrent());
    EXPECT_EQ(seam.titleBox, Waiting(2));
    cycle.Tick();
    EXPECT_EQ(seam.titleBox, Waiting(1));
    cycle.Tick();
    EXPECT_EQ(seam.fetches, 2);
    EXPECT_EQ(seam.titleBox, L"late");

    Next(L"CM_01.mp3", L"d.mp3");
    cycle.Tick();
    EXPECT_EQ(ListNames(end), Names{L"CM_01.mp3"});  // the jingle stays
    EXPECT_EQ(seam.registered.size(), 2u);          // a and b only
    EXPECT_EQ(seam.titleBox, Waiting(3));           // the late fetch is discarded
}

TEST_F(Cycle, EmptiedPlayFolderFilesThePreviousSongAndOnlyALongGapStartsAfresh) {
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    Finish(L"b.mp3");
    cycle.Tick();
    EXPECT_EQ(seam.fileNameBox, L"");
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\b.mp3");

    // One tick without a song is the recorder between two songs.
    clockMs += 1000;
    Start(L"c.mp3");
    cycle.Tick();
    EXPECT_FALSE(cycle.skipCurrent());
    EXPECT_EQ(seam.titleBox, Waiting(2));

    // Longer than 10 s empty: the next song may be cut, a first song again.
    Finish(L"c.mp3");
    cycle.Tick();
    clockMs += 10001;
    cycle.Tick();
    Start(L"d.mp3");
    cycle.Tick();
    EXPECT_TRUE(cycle.skipCurrent());
    EXPECT_EQ(StateOf(L"d.mp3"), journal::SongState::SkippedFirstSong);
}

TEST_F(Cycle, NameCollisionInTheOutputGetsAFreeName) {
    settings.SetBool(L"IgnoreFirst", false);
    ::CreateDirectoryW((root / L"out").c_str(), nullptr);
    ::CreateDirectoryW(out.c_str(), nullptr);
    WriteBytes(out + L"\\a.mp3", {9, 9});
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\a (1).mp3");
    EXPECT_EQ(ReadBytes(out + L"\\a.mp3"), (std::vector<std::uint8_t>{9, 9}));
}

TEST_F(Cycle, LateOrLockedHandOverIsFiledWithTheInformationItHad) {
    settings.SetBool(L"IgnoreFirst", false);
    Start(L"a.mp3");
    seam.nextFetch = {L"A", L"Artist A", L"", L""};
    cycle.Tick();
    ASSERT_EQ(seam.artworkFolders, std::vector<std::wstring>{root / (L"Artwork\\" + std::to_wstring(cycle.currentSong()))});
    // The recorder starts b three ticks before it moves a.
    Start(L"b.mp3");
    seam.nextFetch = {L"B", L"Artist B", L"", L""};
    for (int tick = 0; tick < 3; ++tick) cycle.Tick();
    EXPECT_TRUE(seam.registered.empty());
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::AwaitingHandOver);
    Finish(L"a.mp3");
    {
        // ... and keeps it open for writing three ticks more.
        kit::UniqueHandle recorder(::CreateFileW((end + L"\\a.mp3").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(recorder);
        for (int tick = 0; tick < 3; ++tick) cycle.Tick();
        EXPECT_TRUE(seam.registered.empty());
    }
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\a.mp3");
    EXPECT_EQ(seam.registered[0].title, L"A");
    EXPECT_EQ(seam.registered[0].artist, L"Artist A");
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::Registered);
    EXPECT_TRUE(ListNames(end).empty());
}

TEST_F(Cycle, StationChangeKeepsTheFinishedSongsStation) {
    settings.SetBool(L"IgnoreFirst", false);
    Start(L"a.mp3");
    cycle.Tick();
    Start(L"b.mp3");  // a is finished, not handed over yet
    cycle.Tick();

    Settings other = station;
    other.SetString(L"StationName", L"別局");
    other.SetString(L"EndDirectory", root / L"other-end");
    other.SetString(L"OutputDirectory", root / L"other-out");
    cycle.SelectStation(other);
    EXPECT_EQ(StateOf(L"b.mp3"), journal::SongState::SkippedFirstSong);  // cut off
    Finish(L"a.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\a.mp3");
    EXPECT_EQ(seam.playlists, std::vector<std::wstring>{L"局"});
}

TEST_F(Cycle, FailedRegistrationWaitsForItsRetry) {
    settings.SetBool(L"IgnoreFirst", false);
    seam.registerResult = false;
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    cycle.Tick();
    EXPECT_EQ(seam.registered.size(), 1u);  // the next attempt is a minute away
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::AwaitingRetry);
    EXPECT_TRUE(Exists(out + L"\\a.mp3"));

    seam.registerResult = true;
    ASSERT_TRUE(cycle.RetryNow(1));
    cycle.Tick();
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 2u);
    EXPECT_TRUE(seam.registered[1].checkLibraryFirst);
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::Registered);
}

TEST_F(Cycle, UncheckedBoxOrBusyWindowFreezesEverything) {
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    const int countdown = cycle.countdown();

    seam.checked = false;
    Next(L"b.mp3", L"c.mp3");
    seam.fileNameBox = L"untouched";
    cycle.Tick();
    cycle.Tick();
    seam.checked = true;
    {
        ProcessingCycle::PauseScope dialog(cycle);
        {
            ProcessingCycle::PauseScope question(cycle);
        }
        EXPECT_TRUE(cycle.paused());  // until the outer scope ends
        cycle.Tick();
    }
    EXPECT_EQ(seam.fileNameBox, L"untouched");
    EXPECT_EQ(cycle.countdown(), countdown);
    EXPECT_EQ(cycle.currentRecording(), L"b.mp3");
    EXPECT_TRUE(seam.registered.empty());
    EXPECT_EQ(ListNames(end), (Names{L"a.mp3", L"b.mp3"}));

    EXPECT_FALSE(cycle.paused());
    cycle.Tick();
    EXPECT_EQ(seam.fileNameBox, L"c.mp3");
    EXPECT_EQ(seam.registered.size(), 1u);
}

TEST_F(Cycle, TickCalledFromInsideATickChangesNothing) {
    settings.SetBool(L"IgnoreFirst", false);
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    std::wstring seenInside;
    int nested = 0;
    seam.duringMessage = [&] {
        ++nested;
        cycle.Tick();  // a timer message pumped by the message window
        seenInside = cycle.currentRecording();
    };
    cycle.Tick();
    EXPECT_GE(nested, 1);
    EXPECT_EQ(seenInside, L"b.mp3");
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\a.mp3");
    EXPECT_NE(std::find(seam.messages.begin(), seam.messages.end(), L"iTunesへ登録中..."), seam.messages.end());
}

TEST_F(Cycle, ChangeTicksGoOnOnlyForANewRecordingAndCountdownTicksDoNotScan) {
    using Scope = ProcessingCycle::Scope;
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    EXPECT_TRUE(cycle.Tick(Scope::NewRecordingOnly));
    EXPECT_EQ(seam.titleBox, Waiting(2));

    // The recorder writing on: looked at, but the countdown keeps its seconds.
    const long scans = cycle.folderScans();
    EXPECT_FALSE(cycle.Tick(Scope::NewRecordingOnly));
    EXPECT_EQ(cycle.folderScans(), scans + 1);
    EXPECT_EQ(seam.titleBox, Waiting(2));

    // The second's tick between changes takes the song in progress as it was.
    Start(L"c.mp3");
    EXPECT_TRUE(cycle.Tick(Scope::CountdownOnly));
    EXPECT_EQ(cycle.folderScans(), scans + 1);
    EXPECT_EQ(cycle.currentRecording(), L"b.mp3");
    EXPECT_EQ(seam.titleBox, Waiting(1));
}

TEST_F(Cycle, SelectingAStationStartsItsSongAfresh) {
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    seam.nextFetch = {L"B", L"", L"", L""};
    cycle.Tick();
    cycle.Tick();
    ASSERT_EQ(cycle.countdown(), 1);

    // The same station, edited: b is half recorded, so it counts as a first
    // song again, is not fetched and is never filed from the end folder.
    cycle.SelectStation(station);
    EXPECT_EQ(cycle.countdown(), 0);
    EXPECT_TRUE(cycle.currentRecording().empty());
    EXPECT_TRUE(cycle.songInfo().title.empty());
    cycle.Tick();
    EXPECT_TRUE(cycle.skipCurrent());
    EXPECT_EQ(seam.fetches, 0);
    Next(L"b.mp3", L"c.mp3");
    cycle.Tick();
    EXPECT_TRUE(seam.registered.empty());
    EXPECT_EQ(ListNames(end), (Names{L"a.mp3", L"b.mp3"}));
}
