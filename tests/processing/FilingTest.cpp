// The road after the hand-over through a real journal and real folders: the
// retry schedule, giving up, and what a start after a kill finishes.
#include <gtest/gtest.h>

#include "base/FileOperations.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandle.h"
#include "base/TemporaryFile.h"
#include "processing/Filing.h"
#include "processing/SongServices.h"
#include "support/TempFolder.h"

using journal::SongState;
using testing_support::Exists;
using testing_support::ListNames;
using testing_support::TempFolder;
using testing_support::WriteBytes;

namespace {

class CountingServices : public SongServices, public FilingView {
public:
    std::vector<PendingSong> attempts;
    std::vector<Retag> retags;
    std::vector<std::wstring> givenUp;
    bool registers = false;
    bool stripFails = false;  // a read-only file, a full disk
    int strips = 0;

    void FetchPage(const Station&, std::function<void(Page)> done) override { done(Page()); }
    void FetchArtwork(const std::wstring&, const SongInfo&, std::function<void(std::wstring)> done) override {
        done(std::wstring());
    }
    void RetagFile(const Retag& job, std::function<void(Retagged)> done) override {
        ++strips;
        retags.push_back(job);
        done(Retagged{!stripFails, L"", L"", 200});
    }
    void RegisterSong(const PendingSong& song, std::function<void(const RegistrationResult&)> done) override {
        attempts.push_back(song);
        RegistrationResult result;
        result.registered = registers;
        done(result);
    }
    void SongGivenUp(const journal::SongRecord& song) override { givenUp.push_back(song.info.title); }
};

class FilingRoad : public ::testing::Test {
protected:
    FilingRoad() : journal(root / L"Kestrel.db"), filing(journal, services, services, root / L"Artwork") {
        ::CreateDirectoryW((root / L"end").c_str(), nullptr);
        station.name = L"局";
        station.endFolder = root / L"end";
        station.outputFolder = root / L"out";
        filing.SetStations({station});
        filing.SetClock([this] { return Moment(clock); });
    }

    // A song played, ended and arrived in the end folder.
    journal::SongId Played(const std::wstring& name, journal::Time at) {
        clock = at;
        const journal::SongId id = filing.Notice(station, name, SongState::Playing, at);
        filing.SaveInfo(id, {L"T " + name, L"A", L"", L""});
        EXPECT_TRUE(WriteBytes(ExtendedLengthPath(AddBackslash(station.endFolder) + name), {1, 2, 3}));
        filing.HandOver(id, at + 200);
        return id;
    }
    SongState StateOf(journal::SongId id) { return journal.FindSong(id)->state; }
    std::string Playlist() const {
        const std::vector<std::uint8_t> bytes = testing_support::ReadBytes(root / L"out\\局.m3u8");
        return std::string(bytes.begin(), bytes.end());
    }

    // Steps at a time also set the clock the jobs' results arrive by.
    void StepAt(journal::Time at) {
        clock = at;
        filing.Step(at);
    }

    TempFolder root;
    Station station;
    journal::Time clock = 0;
    CountingServices services;
    journal::Journal journal;
    Filing filing;
};

}  // namespace

TEST_F(FilingRoad, RetriesFollowTheScheduleAndGiveUpAfterADay) {
    const journal::Time t = 1796000000;
    EXPECT_EQ(Filing::NextAttempt(1, t, t), t + 60);
    EXPECT_EQ(Filing::NextAttempt(5, t, t + 1000), t + 1000 + 1800);
    EXPECT_EQ(Filing::NextAttempt(6, t, t + 5000), t + 5000 + 3600);
    EXPECT_EQ(Filing::NextAttempt(30, t, t + 23 * 3600 + 1800), 0);

    const journal::SongId id = Played(L"a.mp3", t);
    ::CreateDirectoryW(filing.ArtworkFolder(id).c_str(), nullptr);
    StepAt(t + 200);
    ASSERT_EQ(services.attempts.size(), 1u);
    EXPECT_FALSE(services.attempts[0].checkLibraryFirst);
    EXPECT_EQ(StateOf(id), SongState::AwaitingRetry);
    EXPECT_EQ(journal.FindSong(id)->nextAttempt, t + 260);

    StepAt(t + 259);  // not due yet
    EXPECT_EQ(services.attempts.size(), 1u);
    journal::Time now = t + 260;
    while (StateOf(id) == SongState::AwaitingRetry) {
        now = journal.FindSong(id)->nextAttempt;
        StepAt(now);
    }
    // At 0, 1, 3, 8, 18 and 48 minutes, then hourly within the 24 hours.
    EXPECT_EQ(services.attempts.size(), 6u + 23u);
    EXPECT_TRUE(services.attempts.back().checkLibraryFirst);
    EXPECT_EQ(StateOf(id), SongState::Failed);
    EXPECT_EQ(services.givenUp, std::vector<std::wstring>{L"T a.mp3"});
    EXPECT_FALSE(Exists(filing.ArtworkFolder(id)));

    // Asked for by hand, a given-up song is tried again, and registered.
    services.registers = true;
    ASSERT_TRUE(filing.RetryNow(id, now + 10));
    StepAt(now + 10);
    EXPECT_EQ(StateOf(id), SongState::Registered);
    EXPECT_EQ(filing.pendingCount(), 0u);
}

TEST_F(FilingRoad, StartAfterAKillFinishesTheRoadAndCleansOnlyItsOwnFiles) {
    const journal::Time t = 1796000000;
    // What a killed session left: one song stripped, one playing, one registered.
    const journal::SongId stripped = journal.AddSong(L"局", L"a.mp3", t);
    ::CreateDirectoryW((root / L"out").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(root / L"out\\a.mp3", {1}));
    journal.MarkMoved(stripped, root / L"out\\a.mp3", t + 1);
    journal.MarkStripped(stripped, t + 2);
    const journal::SongId playing = journal.AddSong(L"局", L"b.mp3", t + 3);
    ASSERT_TRUE(WriteBytes(root / L"end\\b.mp3", {1}));
    const journal::SongId done = journal.AddSong(L"局", L"c.mp3", t + 4);
    journal.MarkRegistered(done, t + 5);
    ::CreateDirectoryW((root / L"Artwork").c_str(), nullptr);
    for (journal::SongId id : {stripped, done}) ::CreateDirectoryW(filing.ArtworkFolder(id).c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(filing.ArtworkFolder(done) + L"\\artwork.jpg", {1}));
    ASSERT_TRUE(WriteBytes(root / L"Artwork\\mine.jpg", {1}));
    // The user's own numbered folder, named like a song's id.
    ::CreateDirectoryW((root / L"Artwork\\3").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(root / L"Artwork\\3\\cover.jpg", {1}));
    // Left behind as a kill leaves them: reserved, never renamed or deleted.
    const std::wstring leftInOutput = kit::TemporaryFile::ReserveBeside(root / L"out\\a.mp3");
    const std::wstring leftBesideProgram = kit::TemporaryFile::ReserveBeside(root / L"Kestrel.dat");
    ASSERT_TRUE(Exists(leftInOutput));
    ASSERT_TRUE(Exists(leftBesideProgram));

    services.registers = true;
    filing.Resume(t + 100, root.path());
    // No follower finds b still recording: it ended while Kestrel was away.
    filing.HandOverLeftPlaying(t + 100);
    EXPECT_FALSE(Exists(leftInOutput));
    EXPECT_FALSE(Exists(leftBesideProgram));
    EXPECT_FALSE(Exists(filing.ArtworkFolder(done)));
    EXPECT_TRUE(Exists(filing.ArtworkFolder(stripped)));  // still on its road
    EXPECT_TRUE(Exists(root / L"Artwork\\mine.jpg"));

    StepAt(t + 100);
    StepAt(t + 101);
    EXPECT_EQ(StateOf(stripped), SongState::Registered);
    EXPECT_EQ(StateOf(playing), SongState::Registered);
    ASSERT_EQ(services.attempts.size(), 2u);
    for (const PendingSong& song : services.attempts) EXPECT_TRUE(song.checkLibraryFirst);
    EXPECT_EQ(ListNames(root / L"out"), (std::vector<std::wstring>{L"a.mp3", L"b.mp3"}));
    EXPECT_EQ(ListNames(root / L"Artwork"), (std::vector<std::wstring>{L"3", L"mine.jpg"}));
    EXPECT_TRUE(Exists(root / L"Artwork\\3\\cover.jpg"));
}

TEST_F(FilingRoad, AFileHeldByAnotherProgramIsStrippedOnceLetGo) {
    const journal::Time t = 1796000000;
    services.registers = true;
    // A player opened the song in the end folder; its handle follows the move.
    const auto hold = [&](const wchar_t* name) {
        return kit::UniqueHandle(::CreateFileW((root / (std::wstring(L"end\\") + name)).c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    };
    const journal::SongId id = Played(L"a.mp3", t);
    {
        const kit::UniqueHandle held = hold(L"a.mp3");
        ASSERT_TRUE(held);
        StepAt(t + 200);
        StepAt(t + 201);
        EXPECT_EQ(StateOf(id), SongState::Moved);
        EXPECT_TRUE(Exists(root / L"out\\a.mp3"));
        EXPECT_EQ(services.strips, 0);
        EXPECT_TRUE(services.attempts.empty());
    }
    StepAt(t + 202);
    EXPECT_EQ(StateOf(id), SongState::Registered);
    EXPECT_EQ(services.strips, 1);

    // Held for good: after as long as a hand-over may take, it goes on as it is.
    const journal::SongId kept = Played(L"b.mp3", t + 300);
    const kit::UniqueHandle held = hold(L"b.mp3");
    StepAt(t + 500);
    StepAt(t + 500 + Filing::kHandOverWait - 1);
    EXPECT_EQ(StateOf(kept), SongState::Moved);
    StepAt(t + 500 + Filing::kHandOverWait);
    EXPECT_EQ(StateOf(kept), SongState::Registered);
}

TEST_F(FilingRoad, AMoveThatFailsKeepsNoOutputPathAndARetryLooksInTheEndFolder) {
    const journal::Time t = 1796000000;
    services.registers = true;
    // A file where the output folder should be: nothing can be moved there.
    ASSERT_TRUE(WriteBytes(root / L"out", {1}));
    const journal::SongId id = Played(L"a.mp3", t);
    StepAt(t + 200);
    EXPECT_EQ(StateOf(id), SongState::AwaitingHandOver);
    EXPECT_TRUE(journal.FindSong(id)->outputPath.empty());
    StepAt(t + 200 + Filing::kHandOverWait);
    EXPECT_EQ(StateOf(id), SongState::Failed);
    EXPECT_TRUE(Exists(root / L"end\\a.mp3"));

    // The user clears the way and asks again: found where the recorder left it.
    ASSERT_TRUE(::DeleteFileW((root / L"out").c_str()));
    ASSERT_TRUE(filing.RetryNow(id, t + 2000));
    StepAt(t + 2000);
    EXPECT_EQ(StateOf(id), SongState::Registered);
    EXPECT_TRUE(Exists(root / L"out\\a.mp3"));
}

TEST_F(FilingRoad, AStripThatFailsIsTriedAgainAndThenGivenUpNeverRegisteredWithItsTags) {
    const journal::Time t = 1796000000;
    services.registers = true;
    services.stripFails = true;
    const journal::SongId id = Played(L"a.mp3", t);
    StepAt(t + 200);
    StepAt(t + 201);
    EXPECT_EQ(StateOf(id), SongState::Moved);
    EXPECT_EQ(services.strips, 2);
    EXPECT_TRUE(services.attempts.empty());
    StepAt(t + 200 + Filing::kHandOverWait);
    EXPECT_EQ(StateOf(id), SongState::Failed);
    EXPECT_NE(journal.FindSong(id)->lastError.find(L"タグ"), std::wstring::npos);
    EXPECT_TRUE(services.attempts.empty());
}

TEST_F(FilingRoad, ARetryByHandKeepsItsFreshDayAcrossARestart) {
    const journal::Time t = 1796000000;
    const journal::SongId id = Played(L"a.mp3", t);
    journal::Time now = t + 200;
    StepAt(now);
    while (StateOf(id) == SongState::AwaitingRetry) StepAt(now = journal.FindSong(id)->nextAttempt);
    ASSERT_EQ(StateOf(id), SongState::Failed);
    ASSERT_TRUE(filing.RetryNow(id, now + 10));

    // Kestrel starts again an hour later: the new 24 hours still run.
    CountingServices restartedServices;
    Filing restarted(journal, restartedServices, restartedServices, root / L"Artwork");
    restarted.SetStations({station});
    const journal::Time later = now + 3600;
    restarted.SetClock([later] { return Moment(later); });
    restarted.Resume(later, root.path());
    restarted.Step(later);
    ASSERT_EQ(restartedServices.attempts.size(), 1u);
    EXPECT_EQ(StateOf(id), SongState::AwaitingRetry);
    EXPECT_TRUE(restartedServices.givenUp.empty());
}

TEST_F(FilingRoad, ASongFromBeforeARestartKeepsItsFoldersWhenItsStationIsGone) {
    const journal::Time t = 1796000000;
    services.registers = true;
    const journal::SongId id = filing.Notice(station, L"a.mp3", SongState::Playing, t);
    filing.HandOver(id, t + 1);

    // Restarted after the station was deleted (or renamed) in the settings.
    Filing restarted(journal, services, services, root / L"Artwork");
    restarted.SetClock([t] { return Moment(t + 100); });
    restarted.Resume(t + 100, root.path());
    ASSERT_TRUE(WriteBytes(root / L"end\\a.mp3", {1, 2, 3}));
    restarted.Step(t + 100);
    EXPECT_EQ(StateOf(id), SongState::Registered);
    EXPECT_TRUE(Exists(root / L"out\\a.mp3"));
}

TEST_F(FilingRoad, FilesIntoAndFromFoldersDeeperThanMaxPath) {
    const journal::Time t = 1796000000;
    services.registers = true;
    const std::wstring level(60, L'd');
    station.endFolder = root / (L"end\\" + level + L"\\" + level + L"\\" + level + L"\\" + level);
    station.outputFolder = root / (L"out\\" + level + L"\\" + level + L"\\" + level + L"\\" + level + L"\\" + level);
    ASSERT_GE(station.endFolder.size(), 260u);
    CreateDirectoryPath(station.endFolder);
    filing.SetStations({station});
    // Taken already: the free-name search runs in the deep folder too.
    CreateDirectoryPath(station.outputFolder);
    ASSERT_TRUE(WriteBytes(ExtendedLengthPath(AddBackslash(station.outputFolder) + L"a.mp3"), {9}));

    const journal::SongId id = Played(L"a.mp3", t);
    StepAt(t + 200);
    const std::wstring target = AddBackslash(station.outputFolder) + L"a (1).mp3";
    ASSERT_GE(target.size(), 300u);
    EXPECT_EQ(journal.FindSong(id)->outputPath, target);
    EXPECT_EQ(StateOf(id), SongState::Registered);
    EXPECT_EQ(services.strips, 1);
    ASSERT_EQ(services.attempts.size(), 1u);
    EXPECT_EQ(services.attempts[0].filePath, target);
    EXPECT_TRUE(Exists(ExtendedLengthPath(target)));
    EXPECT_FALSE(Exists(ExtendedLengthPath(AddBackslash(station.endFolder) + L"a.mp3")));
}

TEST_F(FilingRoad, TheFolderTargetTagsAndListsEachSongAndNeverAsksTheLibrary) {
    const journal::Time t = 1796000000;
    LibraryTarget folder;
    folder.kind = LibraryTarget::Kind::Folder;
    folder.writePlaylist = true;
    filing.SetTarget(folder);
    const journal::SongId a = Played(L"a.mp3", t);
    StepAt(t + 200);
    const journal::SongId b = Played(L"b.mp3", t + 300);
    StepAt(t + 500);
    EXPECT_EQ(StateOf(a), SongState::Filed);
    EXPECT_EQ(StateOf(b), SongState::Filed);
    ASSERT_EQ(services.retags.size(), 2u);
    EXPECT_TRUE(services.retags[0].writeTag);
    EXPECT_EQ(services.retags[0].title, L"T a.mp3");
    EXPECT_EQ(services.retags[0].comment.find(L"局 "), 0u);

    // A tag that cannot be written is tried until the wait is over, then
    // given up: the song never reaches the playlist.
    services.stripFails = true;
    const journal::SongId c = Played(L"c.mp3", t + 600);
    StepAt(t + 800);
    StepAt(t + 801);
    EXPECT_EQ(StateOf(c), SongState::Moved);
    StepAt(t + 800 + Filing::kHandOverWait);
    EXPECT_EQ(StateOf(c), SongState::Failed);
    EXPECT_NE(journal.FindSong(c)->lastError.find(L"タグを書き込め"), std::wstring::npos);
    EXPECT_EQ(Playlist(), "#EXTM3U\r\n#EXTINF:200,A - T a.mp3\r\na.mp3\r\n#EXTINF:200,A - T b.mp3\r\nb.mp3\r\n");
    EXPECT_TRUE(services.attempts.empty());
}

TEST_F(FilingRoad, ASongWaitingForTheLibraryIsFinishedWithoutItOnRequest) {
    const journal::Time t = 1796000000;
    const journal::SongId id = Played(L"a.mp3", t);
    StepAt(t + 200);
    ASSERT_EQ(StateOf(id), SongState::AwaitingRetry);
    EXPECT_FALSE(services.retags.back().writeTag);  // stripped for the library

    ASSERT_TRUE(filing.FinishWithoutLibrary(id, t + 210));
    EXPECT_EQ(StateOf(id), SongState::Filed);
    EXPECT_TRUE(services.retags.back().writeTag);
    EXPECT_EQ(Playlist(), "#EXTM3U\r\n#EXTINF:200,A - T a.mp3\r\na.mp3\r\n");
    // Never tried again, and not a second time by hand.
    for (journal::Time now = t + 260; now < t + 3 * 3600; now += 600) StepAt(now);
    EXPECT_EQ(services.attempts.size(), 1u);
    EXPECT_EQ(StateOf(id), SongState::Filed);
    EXPECT_FALSE(filing.FinishWithoutLibrary(id, t + 4 * 3600));
}
