#include <algorithm>
#include <atomic>
#include <thread>

#include "StandInFixture.h"
#include "base/ScopedHandle.h"
#include "itunes/AutomationObject.h"
#include "itunes/ITunesIds.h"
#include "itunes/RegistrationQueue.h"
#include "kit/WindowCompletions.h"

using RegisterSongTest = StandInTest;

namespace {

long CountOf(const std::vector<unsigned>& waits, unsigned milliseconds) {
    return static_cast<long>(std::count(waits.begin(), waits.end(), milliseconds));
}

// What a queue reported to the test's thread, as the window would hear it.
struct Heard {
    std::wstring title;
    RegistrationResult result;
    ULONGLONG at;
};

// The test's own message loop, until `done` or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!done()) {
        if (::GetTickCount64() >= end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) ::DispatchMessageW(&message);
    }
    return true;
}

}  // namespace

TEST_F(RegisterSongTest, AddsTheFileWithItsFieldsAndArtwork) {
    Serve(StandInLibrary());
    PendingSong song = Song(L"夜明けの歌", L"青木", L"朝", L"夜明けの歌.mp3");
    song.artworkPath = MakeRecording(L"artwork.jpg");
    ASSERT_TRUE(Register(song));

    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 1u);
    const StandInTrack& track = library.tracks[0];
    EXPECT_EQ(track.name, L"夜明けの歌");
    EXPECT_EQ(track.artist, L"青木");
    EXPECT_EQ(track.album, L"朝");
    EXPECT_EQ(track.location, song.filePath);
    EXPECT_EQ(track.artwork, song.artworkPath);
    EXPECT_TRUE(track.enabled);
    EXPECT_TRUE(library.playlists.empty());
    EXPECT_TRUE(waits.empty());
    EXPECT_TRUE(Exists(song.filePath));
}

TEST_F(RegisterSongTest, ArtworkIsOptionalAndItsRejectionHarmless) {
    StandInLibrary initial;
    initial.failures[L"AddArtworkFromFile"] = 5;
    Serve(initial);
    ASSERT_TRUE(Register(Song(L"無地", L"", L"", L"plain.mp3")));
    // An empty path never reaches iTunes.
    EXPECT_EQ(Served().failures[L"AddArtworkFromFile"], 5);

    PendingSong song = Song(L"絵なし", L"", L"", L"rejected.mp3");
    song.artworkPath = folder + L"missing.png";
    EXPECT_TRUE(Register(song));
    const StandInLibrary library = Served();
    ASSERT_NE(library.FindByName(L"絵なし"), nullptr);
    EXPECT_TRUE(library.FindByName(L"絵なし")->artwork.empty());
}

TEST_F(RegisterSongTest, FailsWithoutITunes) {
    ITunesStandInRegistration::Unregister();
    EXPECT_FALSE(Register(Song(L"a", L"b", L"c", L"nowhere.mp3")));
}

TEST_F(RegisterSongTest, FailsWhenTheFileCannotBeAdded) {
    Serve(StandInLibrary());
    PendingSong song;
    song.filePath = folder + L"gone.mp3";
    song.title = L"gone";
    EXPECT_FALSE(Register(song));
    EXPECT_TRUE(Served().tracks.empty());
}

TEST_F(RegisterSongTest, WaitsForAnImportInProgress) {
    StandInLibrary initial;
    initial.busyPolls = 5;
    Serve(initial);
    ASSERT_TRUE(Register(Song(L"遅い", L"", L"", L"slow.mp3")));
    EXPECT_EQ(waits, std::vector<unsigned>(5, 100));
    EXPECT_NE(Served().FindByName(L"遅い"), nullptr);
}

TEST_F(RegisterSongTest, GivesUpOnAnImportAfterThirtySeconds) {
    StandInLibrary initial;
    initial.busyPolls = 1000;
    Serve(initial);
    EXPECT_FALSE(Register(Song(L"終わらない", L"", L"", L"endless.mp3")));
    EXPECT_EQ(waits, std::vector<unsigned>(300, 100));
}

TEST_F(RegisterSongTest, RetriesTheTitleNinetyNineTimes) {
    StandInLibrary initial;
    initial.failures[L"put Name"] = 99;
    Serve(initial);
    ASSERT_TRUE(Register(Song(L"粘り", L"歌手", L"", L"retry.mp3")));
    EXPECT_EQ(CountOf(waits, 100), 99);
    EXPECT_NE(Served().FindByName(L"粘り"), nullptr);
}

TEST_F(RegisterSongTest, RemovesTheTrackWhenTheTitleNeverSticks) {
    StandInLibrary initial;
    initial.failures[L"put Name"] = 100;
    Serve(initial);
    PendingSong song = Song(L"無理", L"歌手", L"", L"never.mp3");
    EXPECT_FALSE(Register(song));
    EXPECT_EQ(waits, std::vector<unsigned>(99, 100));
    EXPECT_TRUE(Served().tracks.empty());
    // The library forgets the track; the file stays where it was moved.
    EXPECT_TRUE(Exists(song.filePath));
}

TEST_F(RegisterSongTest, RemovesTheTrackWhenArtistOrAlbumIsRefused) {
    StandInLibrary initial;
    initial.failures[L"put Artist"] = 1;
    initial.failures[L"put Album"] = 1;
    Serve(initial);
    EXPECT_FALSE(Register(Song(L"一", L"歌手", L"盤", L"one.mp3")));
    EXPECT_TRUE(Served().tracks.empty());
    EXPECT_FALSE(Register(Song(L"二", L"歌手", L"盤", L"two.mp3")));
    EXPECT_TRUE(Served().tracks.empty());
    EXPECT_TRUE(waits.empty());
}

TEST_F(RegisterSongTest, LeavesPlaylistsAloneWhenNotAsked) {
    StandInLibrary initial;
    initial.playlists.push_back({L"テスト局", true, {}});
    initial.failures[L"LibrarySource"] = 1;
    Serve(initial);
    settings.SetBool(L"IsAddPlayList", false);
    ASSERT_TRUE(Register(Song(L"曲", L"", L"", L"song.mp3")));
    const StandInLibrary library = Served();
    EXPECT_TRUE(library.playlists[0].trackIds.empty());
    EXPECT_EQ(library.failures.at(L"LibrarySource"), 1);
}

TEST_F(RegisterSongTest, PlaylistNamesMustMatchExactly) {
    StandInLibrary initial;
    initial.playlists.push_back({L"radio k", true, {}});
    initial.playlists.push_back({L"RADIO K", true, {}});
    Serve(initial);
    settings.SetBool(L"IsAddPlayList", true);
    station.SetString(L"StationName", L"Radio K");
    ASSERT_TRUE(Register(Song(L"first", L"", L"", L"first.mp3")));
    ASSERT_TRUE(Register(Song(L"second", L"", L"", L"second.mp3")));

    const StandInLibrary library = Served();
    ASSERT_EQ(library.playlists.size(), 3u);
    EXPECT_TRUE(library.playlists[0].trackIds.empty());
    EXPECT_TRUE(library.playlists[1].trackIds.empty());
    // Created once, found the second time.
    EXPECT_EQ(library.playlists[2].name, L"Radio K");
    EXPECT_EQ(library.playlists[2].trackIds,
              (std::vector<long>{library.FindByName(L"first")->id,
                                 library.FindByName(L"second")->id}));
}

TEST_F(RegisterSongTest, AnEmptyStationNameNamesAnEmptyPlaylist) {
    Serve(StandInLibrary());
    settings.SetBool(L"IsAddPlayList", true);
    station.SetString(L"StationName", L"");
    ASSERT_TRUE(Register(Song(L"名無し", L"", L"", L"nameless.mp3")));
    const StandInLibrary library = Served();
    ASSERT_EQ(library.playlists.size(), 1u);
    EXPECT_EQ(library.playlists[0].name, L"");
    EXPECT_EQ(library.playlists[0].trackIds.size(), 1u);
}

// Only an ordinary user playlist takes the station's songs; another of the
// name (iTunes' own, smart, a folder) gets an ordinary one beside it.
TEST_F(RegisterSongTest, APlaylistOfTheStationsNameThatTakesNoTracksGetsAnOrdinaryOneBeside) {
    StandInLibrary initial;
    initial.playlists.push_back({L"テスト局", false, {}});
    initial.playlists.push_back({L"テスト局", true, {}, true});
    initial.playlists.push_back({L"テスト局", true, {}, false, true});
    Serve(initial);
    settings.SetBool(L"IsAddPlayList", true);
    ASSERT_TRUE(Register(Song(L"迷子", L"歌手", L"", L"stray.mp3")));
    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 1u);
    ASSERT_EQ(library.playlists.size(), 4u);
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(library.playlists[i].trackIds.empty()) << i;
    const StandInPlaylist& created = library.playlists[3];
    EXPECT_EQ(created.name, L"テスト局");
    EXPECT_FALSE(created.smart || created.folder || !created.user);
    EXPECT_EQ(created.trackIds, std::vector<long>{library.tracks[0].id});
}

// A failed step after the import takes the new track out again: no nameless
// track stays, and the retry leaves one track.
TEST_F(RegisterSongTest, AFailedPlaylistStepLeavesNoTrackBehind) {
    StandInLibrary initial;
    initial.failures[L"AddTrack"] = 1;
    Serve(initial);
    settings.SetBool(L"IsAddPlayList", true);
    const PendingSong song = Song(L"曲", L"歌手", L"", L"song.mp3");
    EXPECT_FALSE(Register(song));
    EXPECT_TRUE(Served().tracks.empty());
    EXPECT_TRUE(Exists(song.filePath));
    ASSERT_TRUE(Register(song));
    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 1u);
    EXPECT_EQ(library.tracks[0].name, L"曲");
    EXPECT_EQ(library.tracks[0].artist, L"歌手");
}

TEST_F(RegisterSongTest, AFailingPlaylistLookupFailsTheCall) {
    StandInLibrary initial;
    initial.failures[L"Playlists"] = 1;
    Serve(initial);
    settings.SetBool(L"IsAddPlayList", true);
    EXPECT_FALSE(Register(Song(L"曲", L"", L"", L"song.mp3")));
    EXPECT_TRUE(Served().playlists.empty());
    EXPECT_TRUE(Served().tracks.empty());
}

// iTunes refuses every call while one of its dialogs is open.
TEST_F(RegisterSongTest, OutlastsALibraryThatRefusesCallsForFiveSeconds) {
    StandInLibrary initial;
    initial.rejectMs = 5000;
    Serve(initial);
    const ULONGLONG start = ::GetTickCount64();
    ASSERT_TRUE(Register(Song(L"待たされ", L"歌手", L"", L"refused.mp3")));
    EXPECT_GE(::GetTickCount64() - start, 4500u);
    EXPECT_NE(Served().FindByName(L"待たされ"), nullptr);
}

TEST_F(RegisterSongTest, RetryAfterITunesWasAbsentRegistersExactlyOnce) {
    ITunesStandInRegistration::Unregister();
    PendingSong song = Song(L"再挑戦", L"青木", L"", L"retry.mp3");
    EXPECT_FALSE(Register(song));

    // The retry asks the library first; a second one (the first's report was
    // lost to a kill) finds the track at the file's location and adds nothing.
    Serve(StandInLibrary());
    settings.SetBool(L"IsAddPlayList", true);
    station.SetString(L"StationName", L"Radio K");
    song.checkLibraryFirst = true;
    ASSERT_TRUE(Register(song));
    ASSERT_TRUE(Register(song));
    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 1u);
    EXPECT_EQ(library.tracks[0].location, song.filePath);
    // Added to the station's playlist once, not at every attempt.
    ASSERT_EQ(library.playlists.size(), 1u);
    EXPECT_EQ(library.playlists[0].trackIds, std::vector<long>{library.tracks[0].id});
}

// A member name resolved over one connection is not asked again over the
// next to the same program; another program (iTunes updated) is asked afresh.
TEST_F(RegisterSongTest, MemberNamesAreAskedOncePerServerProgram) {
    Serve(StandInLibrary());
    const auto connect = [](const std::wstring& identity) {
        kit::ComPtr<IDispatch> application;
        ::CoCreateInstance(kITunesAppClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                           reinterpret_cast<void**>(application.Receive()));
        return AutomationObject(std::move(application), identity);
    };
    const AutomationObject counter = connect(L"");
    const auto callsToFetchTheLibrary = [&](const std::wstring& identity) {
        const AutomationObject root = connect(identity);
        long before = 0, after = 0;
        counter.GetLong(L"StandInCallCount", before);
        const bool fetched = static_cast<bool>(root.GetObject(L"LibraryPlaylist").GetObject(L"Tracks"));
        counter.GetLong(L"StandInCallCount", after);
        return fetched ? after - before - 1 : -1;  // less the reading's own call
    };
    const std::wstring program = folder + L"iTunes.exe|1";
    EXPECT_EQ(callsToFetchTheLibrary(program), 4);
    EXPECT_EQ(callsToFetchTheLibrary(program), 2);
    EXPECT_EQ(callsToFetchTheLibrary(folder + L"iTunes.exe|2"), 4);
    EXPECT_EQ(callsToFetchTheLibrary(L""), 4);
}

class RegistrationQueueTest : public StandInTest {
protected:
    void TearDown() override {
        if (completions) completions->Close();
        StandInTest::TearDown();
    }
    void Enqueue(RegistrationQueue& queue, const std::wstring& title) {
        queue.Enqueue(Song(title, L"歌手", L"", title + L".mp3"), ReadLibraryRules(settings),
                      [this, title](const RegistrationResult& result) {
                          heard.push_back({title, result, ::GetTickCount64()});
                      });
    }

    std::shared_ptr<kit::WindowCompletions> completions = kit::WindowCompletions::Create();
    std::vector<Heard> heard;
};

TEST_F(RegistrationQueueTest, SongsQueuedTogetherGoInInOrderOverOneConnection) {
    Serve(StandInLibrary());
    ASSERT_TRUE(completions);
    // The first song waits at its connection until the second is queued.
    const kit::UniqueHandle bothQueued(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    RegistrationOptions hooks;
    hooks.stageDone = [&](const char* stage) {
        if (std::string(stage) == "connect") ::WaitForSingleObject(bothQueued.Get(), 10000);
    };
    RegistrationQueue queue(completions, 30000, hooks);
    Enqueue(queue, L"一曲目");
    Enqueue(queue, L"二曲目");
    EXPECT_EQ(queue.waiting(), 2u);
    ::SetEvent(bothQueued.Get());
    ASSERT_TRUE(PumpUntil([&] { return heard.size() == 2 && queue.waiting() == 0; }, 30000));

    const StandInLibrary library = Served();
    ASSERT_EQ(library.tracks.size(), 2u);
    EXPECT_EQ(library.connections, 1);
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(heard[i].title, library.tracks[i].name);
        EXPECT_TRUE(heard[i].result.registered);
        EXPECT_EQ(heard[i].result.trackId, TrackIdOf(library.tracks[i].id));
    }
}

// A hung iTunes fails its song at the deadline while the owner's thread runs
// on; the song behind it waits for the hang to end, and the hung song's late
// success is told too.
TEST_F(RegistrationQueueTest, AHungRegistrationTimesOutAndDelaysOnlyTheNext) {
    StandInLibrary initial;
    initial.hangMember = L"AddFile";
    initial.hangMs = 6000;
    Serve(initial);
    ASSERT_TRUE(completions);
    RegistrationQueue queue(completions, 2000);
    const ULONGLONG start = ::GetTickCount64();
    Enqueue(queue, L"固まり");
    Enqueue(queue, L"次");
    ASSERT_TRUE(PumpUntil([&] { return !heard.empty(); }, 10000));
    EXPECT_EQ(queue.waiting(), 2u) << "the hung registration still counts";
    ASSERT_TRUE(PumpUntil([&] { return heard.size() == 3; }, 40000));

    EXPECT_EQ(heard[0].title, L"固まり");
    EXPECT_TRUE(heard[0].result.timedOut);
    EXPECT_FALSE(heard[0].result.registered);
    EXPECT_GE(heard[0].at - start, 1900u);
    EXPECT_LT(heard[0].at - start, 4000u);
    EXPECT_EQ(heard[1].title, L"固まり");
    EXPECT_TRUE(heard[1].result.registered);
    EXPECT_FALSE(heard[1].result.trackId.empty());
    EXPECT_GE(heard[1].at - start, 5500u);
    EXPECT_EQ(heard[2].title, L"次");
    EXPECT_TRUE(heard[2].result.registered);
    const StandInLibrary library = Served();
    EXPECT_NE(library.FindByName(L"固まり"), nullptr);
    EXPECT_NE(library.FindByName(L"次"), nullptr);
    EXPECT_TRUE(library.hangMember.empty());
}
