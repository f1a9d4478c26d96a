// The tick against real folders, with a seam that records what the cycle asks
// of the window, the web, the tags and the library, and answers at once or
// when the test lets it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "base/ScopedHandle.h"
#include "journal/Journal.h"
#include "processing/SongServices.h"
#include "settings/Station.h"
#include "processing/CycleView.h"
#include "processing/PageFetchGate.h"
#include "journal/Journal.h"
#include "processing/ProcessingCycle.h"
#include "processing/StationHealth.h"
#include "support/LoopbackServer.h"
#include "support/TempFolder.h"

using testing_support::Exists;
using testing_support::ListNames;
using testing_support::ReadBytes;
using testing_support::SetWriteTime;
using testing_support::TempFolder;
using testing_support::WriteBytes;
using Names = std::vector<std::wstring>;
using journal::ExtractionHealth;
using Healths = std::vector<ExtractionHealth>;

namespace {

class RecordingSeam : public CycleView, public SongServices {
public:
    bool checked = true;
    std::wstring fileNameBox;
    std::wstring titleBox, artistBox, albumBox;
    int fetches = 0;
    std::vector<std::wstring> artworkFolders;
    int clears = 0;
    std::vector<std::wstring> messages;  // jobs started and ended, in order
    std::vector<PendingSong> registered;
    std::vector<std::wstring> playlists;  // the station each was registered with
    std::vector<std::wstring> stripped;
    std::wstring lastPage;
    SongInfo nextFetch;
    std::map<std::wstring, SongInfo> fetchOf;  // by station; nextFetch for the others
    bool fromPage = false;  // fetch the station's real page instead of nextFetch
    bool registerResult = true;
    std::wstring tagTitle = L"tag title", tagArtist = L"tag artist";
    // Held back until the test lets them through, as a slow page or a hung
    // library would hold them.
    bool holdFetches = false, holdRegistrations = false;
    std::vector<std::function<void()>> heldFetches, heldRegistrations;

    bool IsCooperationChecked() override { return checked; }
    void ShowFileName(const std::wstring& name) override { fileNameBox = name; }
    void ShowSongBoxes(const std::wstring& t, const std::wstring& a, const std::wstring& b) override {
        titleBox = t;
        artistBox = a;
        albumBox = b;
    }
    bool ShowArtwork(const std::wstring&) override { return true; }
    void ClearArtwork() override { ++clears; }
    void JobStarted(const std::wstring& text) override { messages.push_back(text); }
    void JobEnded(const std::wstring&) override { messages.push_back(L"close"); }
    void PageFetched(const std::wstring&, const std::wstring& html) override { lastPage = html; }

    void FetchPage(const Station& station, std::function<void(Page)> done) override {
        ++fetches;
        Page page;
        if (fromPage) {
            page.status = FetchPageFields(station, page.info, page.html);
        } else {
            page.status = FetchStatus::Ok;
            const auto own = fetchOf.find(station.name);
            page.info = own != fetchOf.end() ? own->second : nextFetch;
            page.html = L"<page>";
        }
        if (holdFetches)
            heldFetches.push_back([done, page] { done(page); });
        else
            done(page);
    }
    void FetchArtwork(const std::wstring& folder, const SongInfo&, std::function<void(std::wstring)> done) override {
        artworkFolders.push_back(folder);
        done(std::wstring());
    }
    void RetagFile(const Retag& job, std::function<void(Retagged)> done) override {
        stripped.push_back(job.path);
        done(Retagged{true, tagTitle, tagArtist});
    }
    void RegisterSong(const PendingSong& song, std::function<void(const RegistrationResult&)> done) override {
        registered.push_back(song);
        playlists.push_back(song.stationName);
        RegistrationResult result;
        result.registered = registerResult;
        if (holdRegistrations)
            heldRegistrations.push_back([done, result] { done(result); });
        else
            done(result);
    }
    static void Release(std::vector<std::function<void()>>& held) {
        auto taken = std::move(held);
        held.clear();
        for (auto& each : taken) each();
    }
};

class Cycle : public ::testing::Test {
protected:
    Cycle() : journal(root / L"Kestrel.db"), cycle(seam, seam) {
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
        Follow();
    }

    // The settings as they are now, and the station followed afresh.
    void Follow() {
        cycle.ApplySettings(settings);
        cycle.SelectStation(ReadStation(station));
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
    int RowsOf(const std::wstring& sourceName) {
        int rows = 0;
        for (const journal::SongRecord& song : journal.SongPage(0, 100)) rows += song.sourceName == sourceName;
        return rows;
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
    EXPECT_EQ(seam.lastPage, L"<page>");

    // b ends: moved and registered with what was fetched, in the same tick.
    Next(L"b.mp3", L"c.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 1u);
    const PendingSong& song = seam.registered[0];
    EXPECT_EQ(song.filePath, out + L"\\b.mp3");
    EXPECT_EQ(song.title, L"Title B");
    EXPECT_EQ(song.artist, L"Artist B");
    EXPECT_EQ(song.album, L"Album B");
    EXPECT_EQ(seam.stripped, Names{out + L"\\b.mp3"});
    EXPECT_TRUE(Exists(out + L"\\b.mp3"));
    EXPECT_EQ(ListNames(end), Names{L"a.mp3"});
    EXPECT_EQ(StateOf(L"b.mp3"), journal::SongState::Registered);
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::SkippedFirstSong);
    EXPECT_EQ(seam.titleBox, Waiting(2));  // c counts down; b's fields are gone
}

TEST_F(Cycle, WithoutIgnoreFirstTheFirstSongIsFetchedAtOnce) {
    settings.SetBool(L"IgnoreFirst", false);
    cycle.ApplySettings(settings);
    station.SetInt(L"WaitTime", 0);
    Follow();
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
    cycle.ApplySettings(settings);
    station.SetString(L"Url", L"");
    Follow();
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
}

TEST_F(Cycle, SongEndingBeforeItsFetchIsMovedWithEmptyFields) {
    settings.SetBool(L"IgnoreFirst", false);
    cycle.ApplySettings(settings);
    station.SetInt(L"WaitTime", 5);
    Follow();
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

TEST_F(Cycle, IgnoredSongStartsNoFetchAndGetsOnlyItsSkippedRow) {
    settings.SetInt(L"IgnoreCount", 1);
    settings.Group(L"IgnoreList").SetString(L"0", L"cm*");
    settings.SetBool(L"IgnoreFirst", false);
    cycle.ApplySettings(settings);
    station.SetInt(L"WaitTime", 3);
    Follow();
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();  // b: countdown 3
    Next(L"b.mp3", L"CM_01.mp3");
    seam.nextFetch = {L"late", L"", L"", L""};
    cycle.Tick();  // b is filed with what it had; the jingle counts nothing down
    EXPECT_TRUE(cycle.skipCurrent());
    EXPECT_EQ(cycle.countdown(), 0);
    for (int second = 0; second < 5; ++second) cycle.Tick();
    EXPECT_EQ(seam.fetches, 1);  // a's only

    Next(L"CM_01.mp3", L"d.mp3");
    cycle.Tick();
    EXPECT_EQ(ListNames(end), Names{L"CM_01.mp3"});  // the jingle stays
    EXPECT_EQ(seam.registered.size(), 2u);          // a and b only
    EXPECT_EQ(RowsOf(L"CM_01.mp3"), 1);
    EXPECT_EQ(StateOf(L"CM_01.mp3"), journal::SongState::SkippedIgnoreList);
    EXPECT_EQ(seam.titleBox, Waiting(3));  // d counts down from its own start
}
TEST_F(Cycle, EmptiedPlayFolderFilesThePreviousSongAndOnlyALongGapStartsAfresh) {
    Start(L"a.mp3");
    cycle.Tick();
    // Left in the folder from long ago: newest once the songs are gone, and no song.
    ASSERT_TRUE(WriteBytes(play + L"\\old.mp3", {0x49, 0x44, 0x33}));
    SetWriteTime(play + L"\\old.mp3", 0);
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
    EXPECT_EQ(StateOf(L"d.mp3"), journal::SongState::SkippedFirstSong);    EXPECT_EQ(RowsOf(L"old.mp3"), 0);
}

TEST_F(Cycle, NameCollisionInTheOutputGetsAFreeName) {
    settings.SetBool(L"IgnoreFirst", false);
    cycle.ApplySettings(settings);
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
    cycle.ApplySettings(settings);
    Start(L"a.mp3");
    seam.nextFetch = {L"A", L"Artist A", L"", L""};
    cycle.Tick();
    ASSERT_EQ(seam.artworkFolders, std::vector<std::wstring>{cycle.filing()->ArtworkFolder(cycle.currentSong())});
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
    cycle.ApplySettings(settings);
    Start(L"a.mp3");
    cycle.Tick();
    Start(L"b.mp3");  // a is finished, not handed over yet
    cycle.Tick();

    Settings other = station;
    other.SetString(L"StationName", L"別局");
    other.SetString(L"EndDirectory", root / L"other-end");
    other.SetString(L"OutputDirectory", root / L"other-out");
    cycle.SelectStation(ReadStation(other));
    EXPECT_EQ(StateOf(L"b.mp3"), journal::SongState::SkippedFirstSong);  // cut off
    Finish(L"a.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\a.mp3");
    EXPECT_EQ(seam.playlists, std::vector<std::wstring>{L"局"});
}

TEST_F(Cycle, FailedRegistrationWaitsForItsRetry) {
    settings.SetBool(L"IgnoreFirst", false);
    cycle.ApplySettings(settings);
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

TEST_F(Cycle, UncheckedBoxFreezesEverything) {
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
    EXPECT_EQ(seam.fileNameBox, L"untouched");
    EXPECT_EQ(cycle.countdown(), countdown);
    EXPECT_EQ(cycle.currentRecording(), L"b.mp3");
    EXPECT_TRUE(seam.registered.empty());
    EXPECT_EQ(ListNames(end), (Names{L"a.mp3", L"b.mp3"}));

    seam.checked = true;
    cycle.Tick();
    EXPECT_EQ(seam.fileNameBox, L"c.mp3");
    EXPECT_EQ(seam.registered.size(), 1u);
}
TEST_F(Cycle, ASlowPageOrAHungLibraryHoldsNothingElse) {
    settings.SetBool(L"IgnoreFirst", false);
    cycle.ApplySettings(settings);
    station.SetInt(L"WaitTime", 0);
    Follow();
    seam.holdRegistrations = true;
    seam.holdFetches = true;
    Start(L"a.mp3");
    cycle.Tick();
    // a's page and every registration hang; the songs go on passing.
    for (const wchar_t* name : {L"b.mp3", L"c.mp3", L"d.mp3"}) {
        Next(cycle.currentRecording(), name);
        cycle.Tick();
    }
    EXPECT_EQ(seam.fetches, 4);  // each song asked for its own page at once
    EXPECT_EQ(ListNames(out), (Names{L"a.mp3", L"b.mp3", L"c.mp3"}));
    EXPECT_EQ(seam.registered.size(), 3u);  // queued in the order of hand-over
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\a.mp3");
    EXPECT_EQ(seam.registered[2].filePath, out + L"\\c.mp3");
    EXPECT_EQ(StateOf(L"c.mp3"), journal::SongState::Stripped);
    EXPECT_NE(std::find(seam.messages.begin(), seam.messages.end(), L"iTunesへ登録中..."), seam.messages.end());

    // The pages come back late: each belongs to a song already ended, and
    // none is taken for the song now playing.
    seam.nextFetch = {L"Late", L"Page", L"", L""};
    RecordingSeam::Release(seam.heldFetches);
    EXPECT_TRUE(cycle.songInfo().title.empty());
    RecordingSeam::Release(seam.heldRegistrations);
    for (const wchar_t* name : {L"a.mp3", L"b.mp3", L"c.mp3"})
        EXPECT_EQ(StateOf(name), journal::SongState::Registered) << name;
    EXPECT_EQ(seam.messages.back(), L"close");
}
TEST_F(Cycle, ChangeTicksGoOnOnlyForANewRecordingAndCountdownTicksDoNotScan) {
    using Scope = ProcessingCycle::Scope;
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    // A change elsewhere scans nothing of this station's.
    const long before = cycle.folderScans();
    cycle.MarkChanged(root / L"elsewhere");
    EXPECT_FALSE(cycle.Tick(Scope::NewRecordingOnly));
    EXPECT_EQ(cycle.folderScans(), before);
    cycle.MarkChanged(end);
    EXPECT_TRUE(cycle.Tick(Scope::NewRecordingOnly));
    EXPECT_EQ(seam.titleBox, Waiting(2));

    // The recorder writing on: looked at, but the countdown keeps its seconds.
    const long scans = cycle.folderScans();
    cycle.MarkChanged(play);
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

TEST_F(Cycle, AnEditKeepsTheSongInProgressUnlessItsFoldersChange) {
    Start(L"a.mp3");
    cycle.Tick();
    Next(L"a.mp3", L"b.mp3");
    seam.nextFetch = {L"B", L"", L"", L""};
    cycle.Tick();
    cycle.Tick();
    ASSERT_EQ(cycle.countdown(), 1);

    // Edited, its folders as they were: b goes on and is filed.
    station.SetInt(L"WaitTime", 9);
    cycle.ApplySettings(settings);
    cycle.UpdateStation(ReadStation(station));
    EXPECT_EQ(cycle.currentRecording(), L"b.mp3");
    cycle.Tick();
    EXPECT_EQ(seam.fetches, 1);
    Next(L"b.mp3", L"c.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].title, L"B");
    EXPECT_EQ(seam.titleBox, Waiting(9));

    // Another end folder: c is half recorded, so it counts as a first song
    // again, is not fetched and is never filed from the end folder.
    const std::wstring otherEnd = root / L"end2";
    ::CreateDirectoryW(otherEnd.c_str(), nullptr);
    station.SetString(L"EndDirectory", otherEnd);
    cycle.UpdateStation(ReadStation(station));
    EXPECT_EQ(cycle.countdown(), 0);
    EXPECT_TRUE(cycle.currentRecording().empty());
    EXPECT_TRUE(cycle.songInfo().title.empty());
    cycle.Tick();
    EXPECT_TRUE(cycle.skipCurrent());
    EXPECT_EQ(StateOf(L"c.mp3"), journal::SongState::SkippedFirstSong);
    ::MoveFileW((play + L"\\c.mp3").c_str(), (otherEnd + L"\\c.mp3").c_str());
    Start(L"d.mp3");
    cycle.Tick();
    EXPECT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(ListNames(otherEnd), Names{L"c.mp3"});
}
TEST_F(Cycle, ASongStillRecordingAtARestartIsFollowedOnAndFiled) {
    settings.SetBool(L"IgnoreFirst", false);
    Follow();
    Start(L"a.mp3");
    seam.nextFetch = {L"A", L"Artist A", L"", L""};
    cycle.Tick();
    const journal::SongId song = cycle.currentSong();
    ASSERT_NE(song, 0);

    // Kestrel starts again while a is still being recorded.
    settings.SetBool(L"IgnoreFirst", true);
    ProcessingCycle restarted(seam, seam);
    restarted.SetClock([this] { return clockMs; });
    restarted.ApplySettings(settings);
    restarted.AttachJournal(journal, root / L"Artwork", root.path());
    restarted.SelectStation(ReadStation(station));
    restarted.Tick();
    EXPECT_EQ(restarted.currentSong(), song);
    EXPECT_FALSE(restarted.skipCurrent());
    // A long song is no late hand-over: the wait starts only when it ends.
    clockMs += 11 * 60 * 1000;
    restarted.Tick();
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::Playing);
    Next(L"a.mp3", L"b.mp3");
    restarted.Tick();
    EXPECT_EQ(StateOf(L"a.mp3"), journal::SongState::Registered);
    EXPECT_EQ(RowsOf(L"a.mp3"), 1);
}

TEST_F(Cycle, ARecordingNobodySawPlayingIsFiledFromItsTags) {
    // What lay in the end folder at start is not ours to file.
    ASSERT_TRUE(WriteBytes(end + L"\\old.mp3", {1}));
    Start(L"a.mp3");
    cycle.Tick();  // a is the first song: skipped
    // Started and handed over between two looks at the play folder.
    ASSERT_TRUE(WriteBytes(end + L"\\quick.mp3", {0x49, 0x44, 0x33}));
    cycle.MarkChanged(end);
    cycle.Tick(ProcessingCycle::Scope::NewRecordingOnly);
    ASSERT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(seam.registered[0].filePath, out + L"\\quick.mp3");
    EXPECT_EQ(seam.registered[0].title, L"tag title");
    const journal::SongRecord quick = journal.SongPage(0, 1).front();
    EXPECT_EQ(quick.state, journal::SongState::Registered);
    EXPECT_EQ(quick.lastError, kMissedSongNote);

    // The skipped song arrives too: its row already says why it stays.
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    EXPECT_EQ(seam.registered.size(), 1u);
    EXPECT_EQ(RowsOf(L"a.mp3"), 1);
    EXPECT_EQ(ListNames(end), (Names{L"a.mp3", L"old.mp3"}));
}

namespace {

const char kOldSong[] = "<b>Old Song</b><i>Singer</i>";
const char kNewSong[] = "<b>New Song</b><i>Singer</i>";

// The cycle against a station page on the loopback, writing to a journal.
class PageCycle : public Cycle {
protected:
    PageCycle() {
        seam.fromPage = true;
        settings.SetBool(L"IgnoreFirst", false);
        cycle.ApplySettings(settings);
        station.SetString(L"StationName", L"局");
        station.SetString(L"Url", server.Url("/now"));
        station.SetString(L"MatchPattern", L"<b>(.*?)</b><i>(.*?)</i>");
        station.SetString(L"Title", L"$1");
        station.SetString(L"Artist", L"$2");
        server.Put("/now", "text/html; charset=UTF-8", kOldSong);
        Follow();
        // The first song is fetched at once and names the old song.
        Start(L"a.mp3");
        cycle.Tick();
    }
    Healths Health() { return journal.RecentHealth(L"局", 10); }

    LoopbackServer server;
};

}  // namespace

TEST_F(PageCycle, StalePageIsFetchedAgainUntilTheSongChanges) {
    EXPECT_EQ(seam.titleBox, L"Old Song");
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();  // b starts: 2 s to its first fetch
    for (int second = 1; second <= 12; ++second) {
        if (second == 8) server.Put("/now", "text/html", kNewSong);  // the page catches up
        cycle.Tick();
        if (second == 2) EXPECT_EQ(seam.titleBox, L"ページ更新待ち");
        if (second == 10) EXPECT_EQ(seam.artistBox, L"ページ更新待ち");
    }
    // fetched at 2, 7 (still old) and 12 s
    EXPECT_EQ(server.Hits("/now"), 4);
    EXPECT_EQ(seam.titleBox, L"New Song");
    EXPECT_EQ(journal.RecentPageDelays(L"局", 10), std::vector<int>{12});
    EXPECT_EQ(Health(), (Healths{ExtractionHealth::Ok, ExtractionHealth::Ok}));

    Next(L"b.mp3", L"c.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 2u);
    EXPECT_EQ(seam.registered[1].title, L"New Song");
}

TEST_F(PageCycle, PageThatNeverChangesLeavesTheSongToItsTags) {
    Next(L"a.mp3", L"b.mp3");
    cycle.Tick();
    for (int second = 1; second <= 130; ++second) cycle.Tick();
    // 2, 7, ... 117 s: one more would pass the two minutes
    EXPECT_EQ(server.Hits("/now"), 1 + 24);
    EXPECT_EQ(Health(), (Healths{ExtractionHealth::PageNotUpdated, ExtractionHealth::Ok}));
    EXPECT_EQ(seam.titleBox, L"");

    // c ends while its page still shows the old song.
    Next(L"b.mp3", L"c.mp3");
    cycle.Tick();
    for (int second = 1; second <= 20; ++second) cycle.Tick();
    EXPECT_EQ(seam.titleBox, L"ページ更新待ち");
    Next(L"c.mp3", L"d.mp3");
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 3u);
    EXPECT_EQ(seam.registered[1].title, L"tag title");
    EXPECT_EQ(seam.registered[2].title, L"tag title");
    EXPECT_EQ(seam.registered[2].artist, L"tag artist");
    EXPECT_EQ(Health().front(), ExtractionHealth::PageNotUpdated);
    EXPECT_TRUE(journal.RecentPageDelays(L"局", 10).empty());
}

TEST_F(PageCycle, EachSongLeavesItsHealthAndThreeBadOnesWarnOnce) {
    // The recorder switched to a station with the same folders and back:
    // the song starts afresh, fetched at once.
    auto change = [this](const wchar_t* key, const std::wstring& value) {
        station.SetString(key, value);
        Settings sameFolders = station;
        sameFolders.SetString(L"StationName", L"別局");
        cycle.SelectStation(ReadStation(sameFolders));
        Follow();
        cycle.Tick();
    };
    change(L"MatchPattern", L"<u>(.*?)</u>");
    server.Put("/now", "text/html", "<b></b><i>Singer</i>");
    change(L"MatchPattern", L"<b>(.*?)</b><i>(.*?)</i>");
    change(L"Url", server.Url("/gone"));
    const Healths recent = Health();
    EXPECT_EQ(recent, (Healths{ExtractionHealth::FetchFailed, ExtractionHealth::EmptyFields,
                               ExtractionHealth::NoMatch, ExtractionHealth::Ok}));
    EXPECT_EQ(cycle.follower()->pageCheck().healthRecords(), 1);  // each station change starts a new check

    EXPECT_EQ(MainCaption(recent), L"Kestrel - 取得失敗");
    EXPECT_EQ(MainCaption({ExtractionHealth::PageNotUpdated}), L"Kestrel - ページ更新なし");
    EXPECT_EQ(MainCaption({ExtractionHealth::Ok, ExtractionHealth::NoMatch}), L"Kestrel");
    EXPECT_EQ(MainCaption({}), L"Kestrel");
    HealthWarning warning;
    EXPECT_FALSE(warning.Due({recent.begin() + 1, recent.end()}));  // two in a row
    EXPECT_TRUE(warning.Due(recent));
    EXPECT_FALSE(warning.Due({ExtractionHealth::NoMatch, ExtractionHealth::FetchFailed,
                              ExtractionHealth::EmptyFields}));  // the same run: once
    EXPECT_FALSE(warning.Due({ExtractionHealth::Ok, ExtractionHealth::NoMatch}));
    EXPECT_TRUE(warning.Due({ExtractionHealth::NoMatch, ExtractionHealth::NoMatch, ExtractionHealth::NoMatch}));
}

// Every followed station files its own songs, whichever one the window shows;
// a station switched off is not watched, and of two stations sharing their
// folders only the one selected last is followed.
TEST_F(Cycle, EveryFollowedStationFilesItsOwnSongsWhicheverIsShown) {
    settings.SetBool(L"IgnoreFirst", false);
    const std::wstring playB = root.AddFolder(L"playB"), endB = root.AddFolder(L"endB");
    Settings stationB = station;
    stationB.SetString(L"StationName", L"B局");
    stationB.SetString(L"PlayDirectory", playB);
    stationB.SetString(L"EndDirectory", endB);
    stationB.SetString(L"OutputDirectory", root / L"outB");
    Settings off = stationB;
    off.SetString(L"StationName", L"休み局");
    off.SetString(L"PlayDirectory", root.AddFolder(L"playOff"));
    off.SetString(L"EndDirectory", root.AddFolder(L"endOff"));
    off.SetBool(L"Follow", false);
    for (const Settings* each : {&station, &stationB, &off})
        settings.Group(L"Station").SetGroup(each->GetString(L"StationName"), *each);
    Follow();
    EXPECT_EQ(cycle.followers().size(), 2u);
    const std::vector<WatchedFolder> watched = cycle.WatchedFolders();
    EXPECT_TRUE(std::none_of(watched.begin(), watched.end(), [&off](const WatchedFolder& each) {
        return each.path == off.GetString(L"PlayDirectory");
    }));
    seam.fetchOf[L"局"] = {L"A曲", L"A人", L"", L""};
    seam.fetchOf[L"B局"] = {L"B曲", L"B人", L"", L""};

    Start(L"a1.mp3");
    ASSERT_TRUE(WriteBytes(playB + L"\\b1.mp3", {0x49, 0x44, 0x33}));
    cycle.Tick();  // both first songs fetched at once
    EXPECT_EQ(seam.fetches, 2);
    EXPECT_EQ(seam.titleBox, L"A曲");
    // Showing B changes only the window.
    cycle.SelectStation(ReadStation(stationB));
    EXPECT_EQ(seam.titleBox, L"B曲");
    EXPECT_EQ(seam.fileNameBox, L"b1.mp3");
    // Both hand over in the same second.
    Next(L"a1.mp3", L"a2.mp3");
    ASSERT_TRUE(::MoveFileW((playB + L"\\b1.mp3").c_str(), (endB + L"\\b1.mp3").c_str()));
    ASSERT_TRUE(WriteBytes(playB + L"\\b2.mp3", {0x49, 0x44, 0x33}));
    cycle.Tick();
    ASSERT_EQ(seam.registered.size(), 2u);
    for (const PendingSong& song : seam.registered) {
        const bool isA = song.stationName == L"局";
        EXPECT_EQ(song.filePath, isA ? out + L"\\a1.mp3" : root / L"outB\\b1.mp3");
        EXPECT_EQ(song.title, isA ? L"A曲" : L"B曲");
    }

    // A station sharing A's folders, selected: it is followed instead of A,
    // whose song in progress is cut off; B goes on.
    Settings shared = station;
    shared.SetString(L"StationName", L"同居局");
    settings.Group(L"Station").SetGroup(L"同居局", shared);
    cycle.ApplySettings(settings);
    EXPECT_NE(cycle.FollowerOf(L"局"), nullptr);  // the one selected before
    cycle.SelectStation(ReadStation(shared));
    EXPECT_EQ(cycle.FollowerOf(L"局"), nullptr);
    EXPECT_NE(cycle.FollowerOf(L"同居局"), nullptr);
    EXPECT_NE(cycle.FollowerOf(L"B局"), nullptr);
    EXPECT_EQ(StateOf(L"a2.mp3"), journal::SongState::SkippedFirstSong);
    const auto a = std::find_if(cycle.following().begin(), cycle.following().end(),
                                [](const StationFollowing& each) { return each.name == L"局"; });
    ASSERT_NE(a, cycle.following().end());
    EXPECT_EQ(a->reason, FollowReason::SharesFolders);
    EXPECT_EQ(a->followedInstead, L"同居局");
}

// At most four pages at once and one per host; a job for a busy host lets
// the others pass, and a place freed starts the next in line.
TEST(PageFetchGate, FourAtOnceAndOnePerHost) {
    PageFetchGate gate;
    std::vector<std::wstring> started;
    std::map<std::wstring, std::function<void()>> finish;
    auto submit = [&](const std::wstring& name, const std::wstring& url) {
        gate.Submit(url, [&, name](std::function<void()> finished) {
            started.push_back(name);
            finish[name] = finished;
        });
    };
    submit(L"a1", L"http://A.example:8080/now");
    submit(L"a2", L"http://a.example:8080/other?x");
    for (const wchar_t* name : {L"b", L"c", L"d", L"e"}) submit(name, std::wstring(L"https://") + name + L".example/");
    EXPECT_EQ(started, (Names{L"a1", L"b", L"c", L"d"}));
    EXPECT_EQ(gate.waiting(), 2u);
    finish[L"a1"]();
    finish[L"a1"]();  // a second call changes nothing
    EXPECT_EQ(started, (Names{L"a1", L"b", L"c", L"d", L"a2"}));
    finish[L"c"]();
    EXPECT_EQ(started.back(), L"e");
    EXPECT_EQ(gate.running(), 4);
    EXPECT_EQ(PageFetchGate::HostOf(L"http://user@Radio.Example.COM/now"), L"radio.example.com");
}
