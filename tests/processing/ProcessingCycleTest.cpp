// The tick against real folders, with a seam that records what the cycle asks
// of the window, the web, the tags and the library.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/ScopedHandle.h"
#include "processing/CycleServices.h"
#include "processing/CycleView.h"
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
    int clears = 0;
    std::vector<std::wstring> messages;  // open and close, in order
    std::vector<PendingSong> registered;
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
    void FetchSongInfo(Settings& station, SongInfo& songInfo, ArtworkView&) override {
        ++fetches;
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
    bool RegisterSong(const PendingSong& song, Settings&, Settings&) override {
        registered.push_back(song);
        return registerResult;
    }
};

class Cycle : public ::testing::Test {
protected:
    Cycle() : cycle(settings, seam, seam) {
        play = root / L"play";
        end = root / L"end";
        out = root / L"out\\局";  // created by the cycle
        ::CreateDirectoryW(play.c_str(), nullptr);
        ::CreateDirectoryW(end.c_str(), nullptr);
        settings.SetBool(L"IgnoreFirst", true);
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

    TempFolder root;
    std::wstring play, end, out;
    int minute = 0;
    Settings settings;
    Settings station;
    RecordingSeam seam;
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
    EXPECT_TRUE(cycle.pendingSong().filePath.empty());
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

TEST_F(Cycle, EmptiedPlayFolderFilesThePreviousSongAndStartsAfresh) {
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    Finish(L"b.mp3");
    cycle.Tick();
    EXPECT_EQ(seam.fileNameBox, L"");
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\b.mp3");

    Start(L"c.mp3");
    cycle.Tick();
    EXPECT_TRUE(cycle.skipCurrent());  // a first song again
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

TEST_F(Cycle, FileStillOpenInTheRecorderIsLeftAndForgotten) {
    settings.SetBool(L"IgnoreFirst", false);
    Start(L"a.mp3");
    cycle.Tick();
    Finish(L"a.mp3");
    Start(L"b.mp3");
    {
        kit::UniqueHandle recorder(::CreateFileW((end + L"\\a.mp3").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(recorder);
        cycle.Tick();
    }
    cycle.Tick();
    cycle.Tick();
    EXPECT_TRUE(seam.registered.empty());
    EXPECT_EQ(ListNames(end), Names{L"a.mp3"});
    EXPECT_FALSE(Exists(out));
}

TEST_F(Cycle, FailedRegistrationIsNotRetried) {
    settings.SetBool(L"IgnoreFirst", false);
    seam.registerResult = false;
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    cycle.Tick();
    EXPECT_EQ(seam.registered.size(), 1u);
    EXPECT_TRUE(cycle.pendingSong().filePath.empty());
    EXPECT_TRUE(Exists(out + L"\\a.mp3"));
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
    PendingSong seenInside;
    int nested = 0;
    seam.duringMessage = [&] {
        ++nested;
        cycle.Tick();  // a timer message pumped by the message window
        seenInside = cycle.pendingSong();
    };
    cycle.Tick();
    EXPECT_GE(nested, 1);
    EXPECT_EQ(seenInside.filePath, out + L"\\a.mp3");
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\a.mp3");
    EXPECT_NE(std::find(seam.messages.begin(), seam.messages.end(), L"iTunesへ登録中..."), seam.messages.end());
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
