#include <gtest/gtest.h>

#include "journal/Journal.h"
#include "journal/Sqlite.h"
#include "support/TempFolder.h"

using journal::ExtractionHealth;
using journal::Journal;
using journal::SongState;
using testing_support::Exists;
using testing_support::ReadBytes;
using testing_support::TempFolder;
using testing_support::WriteBytes;

namespace {

constexpr journal::Time kStart = 1796000000;  // a fixed day in 2026

// The two tables of the first release that later versions widen, as it
// created them; the migration adds the others.
const char kVersion0Tables[] = R"sql(
CREATE TABLE songs(
  id INTEGER PRIMARY KEY,
  station TEXT NOT NULL,
  source_name TEXT NOT NULL,
  noticed INTEGER NOT NULL,
  handed_over INTEGER, moved INTEGER, stripped INTEGER, registered INTEGER,
  title TEXT, artist TEXT, album TEXT, artwork_url TEXT, artwork_file TEXT,
  output_path TEXT,
  state INTEGER NOT NULL,
  attempts INTEGER NOT NULL DEFAULT 0,
  next_attempt INTEGER,
  last_error TEXT,
  page_delay INTEGER);
CREATE INDEX songs_by_state ON songs(state, next_attempt);
CREATE INDEX songs_by_station ON songs(station);
CREATE TABLE song_actions(
  id INTEGER PRIMARY KEY,
  song_id INTEGER NOT NULL,
  at INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  track TEXT NOT NULL,
  destination TEXT);
CREATE INDEX song_actions_by_song ON song_actions(song_id);
INSERT INTO songs(station, source_name, noticed, state, title) VALUES('FM', 'old.mp3', 1796000000, 3, 'Old');
INSERT INTO song_actions(song_id, at, kind, track, destination) VALUES(1, 1796000001, 1, 'Old track', NULL);
)sql";

std::int64_t QueryInt(const std::wstring& path, const char* sql) {
    journal::Database database(path);
    journal::Statement query = database.Prepare(sql);
    return query.Step() ? query.Int(0) : -1;
}

std::vector<SongState> StatesOf(const std::vector<journal::SongRecord>& songs) {
    std::vector<SongState> states;
    for (const auto& song : songs) states.push_back(song.state);
    return states;
}

}  // namespace

// Every step of a song survives closing and opening the file again.
TEST(Journal, SongRoundTripThroughItsStates) {
    TempFolder folder;
    const std::wstring path = folder / L"Kestrel.db";
    journal::SongId id = 0;
    {
        Journal journal(path);
        id = journal.AddSong(L"ラジオ局", L"rec001.mp3", kStart);
        ASSERT_NE(id, 0);
        EXPECT_TRUE(journal.SaveSongInfo(id, {L"夜明けの歌", L"歌手", L"", L"http://127.0.0.1/a.jpg",
                                              L"C:\\Kestrel\\Artwork\\1\\a.jpg"}));
        EXPECT_TRUE(journal.SavePageDelay(id, 17));
        EXPECT_TRUE(journal.MarkAwaitingHandOver(id, kStart + 240));
        EXPECT_TRUE(journal.MarkMoved(id, L"D:\\出力\\rec001.mp3", kStart + 250));
        EXPECT_TRUE(journal.MarkStripped(id, kStart + 251));
        EXPECT_TRUE(journal.MarkAttemptFailed(id, L"iTunes が応答しません", kStart + 311));
        EXPECT_EQ(journal.FindSong(id)->state, SongState::AwaitingRetry);
        EXPECT_TRUE(journal.MarkRegistered(id, kStart + 320, L"0123456789ABCDEF"));
        EXPECT_TRUE(journal.AddAction(id, {kStart + 321, journal::SongActionKind::Deleted, L"歌手 - 夜明けの歌",
                                           L"ごみ箱", L"D:\\音楽\\夜明けの歌.mp3", L""}));
        EXPECT_TRUE(journal.AddAction(id, {kStart + 322, journal::SongActionKind::LyricsCopied, L"歌手 - 夜明けの歌", L"", L"", L""}));
        EXPECT_TRUE(journal.AddAction(id, {kStart + 323, journal::SongActionKind::Kept, L"歌手 - 朝の歌", L"",
                                           L"D:\\音楽\\朝の歌.mp3", L"ごみ箱を使えないため"}));
        EXPECT_FALSE(journal.MarkStripped(id + 1, kStart)) << "an unknown song is no success";
    }
    Journal journal(path);
    EXPECT_EQ(journal.setAsideCount(), 0);
    const auto song = journal.FindSong(id);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->station, L"ラジオ局");
    EXPECT_EQ(song->sourceName, L"rec001.mp3");
    EXPECT_EQ(song->info.title, L"夜明けの歌");
    EXPECT_EQ(song->info.album, L"");
    EXPECT_EQ(song->info.artworkFile, L"C:\\Kestrel\\Artwork\\1\\a.jpg");
    EXPECT_EQ(song->outputPath, L"D:\\出力\\rec001.mp3");
    EXPECT_EQ(song->noticed, kStart);
    EXPECT_EQ(song->handedOver, kStart + 240);
    EXPECT_EQ(song->moved, kStart + 250);
    EXPECT_EQ(song->stripped, kStart + 251);
    EXPECT_EQ(song->registered, kStart + 320);
    EXPECT_EQ(song->state, SongState::Registered);
    EXPECT_EQ(song->attempts, 2);
    EXPECT_EQ(song->nextAttempt, 0);
    EXPECT_EQ(song->lastError, L"iTunes が応答しません");
    EXPECT_EQ(song->pageDelay, 17);
    EXPECT_EQ(song->trackId, L"0123456789ABCDEF");
    const auto actions = journal.Actions(id);
    ASSERT_EQ(actions.size(), 3u);
    EXPECT_EQ(actions[0].kind, journal::SongActionKind::Deleted);
    EXPECT_EQ(actions[0].destination, L"ごみ箱");
    EXPECT_EQ(actions[0].filePath, L"D:\\音楽\\夜明けの歌.mp3");
    EXPECT_EQ(actions[1].kind, journal::SongActionKind::LyricsCopied);
    EXPECT_EQ(actions[1].filePath, L"");
    EXPECT_EQ(actions[1].note, L"");
    EXPECT_EQ(actions[2].kind, journal::SongActionKind::Kept);
    EXPECT_EQ(actions[2].note, L"ごみ箱を使えないため");
    EXPECT_TRUE(journal.UnfinishedSongs().empty());
}

// Garbage bytes, and a real journal whose pages were overwritten: each is set
// aside whole, at the latest by the first step that reads it, and a working
// journal takes its place.
TEST(Journal, DamagedFileIsSetAsideAndANewOneStarted) {
    TempFolder folder;
    const std::wstring path = folder / L"Kestrel.db";
    const std::vector<std::uint8_t> garbage(50000, 0xA5);
    {
        Journal journal(path);
        for (int i = 0; i < 300; ++i) journal.AddSong(L"局", L"song" + std::to_wstring(i) + L".mp3", kStart + i);
    }
    std::vector<std::uint8_t> overwritten = ReadBytes(path);
    ASSERT_GT(overwritten.size(), 8192u);
    std::fill(overwritten.begin() + 4096, overwritten.end(), 0x5A);  // page 1, the schema, stays whole

    for (const auto& damaged : {garbage, overwritten}) {
        ASSERT_TRUE(WriteBytes(path, damaged));
        {
            Journal journal(path);
            EXPECT_EQ(journal.SongCount(), 0);  // the overwritten pages show here
            EXPECT_EQ(journal.setAsideCount(), 1);
            EXPECT_FALSE(journal.inMemory());
            EXPECT_EQ(ReadBytes(path + L".bad"), damaged);
            EXPECT_NE(journal.AddSong(L"局", L"new.mp3", kStart), 0);
        }
        Journal reopened(path);
        EXPECT_EQ(reopened.setAsideCount(), 0);
        EXPECT_EQ(reopened.SongCount(), 1);
    }

    Journal nowhere(folder / L"missing\\Kestrel.db");  // no such folder: kept in memory
    EXPECT_TRUE(nowhere.inMemory());
    EXPECT_EQ(nowhere.setAsideCount(), 0);
    EXPECT_NE(nowhere.AddSong(L"局", L"new.mp3", kStart), 0);
}

// What a start resumes, what a tick retries, and the list view's pages.
TEST(Journal, UnfinishedDueAndPagedSongs) {
    TempFolder folder;
    Journal journal(folder / L"Kestrel.db");
    const auto playing = journal.AddSong(L"局", L"a.mp3", kStart);
    const auto skipped = journal.AddSong(L"局", L"b.mp3", kStart + 1, SongState::SkippedFirstSong);
    const auto late = journal.AddSong(L"局", L"c.mp3", kStart + 2);
    const auto dueLater = journal.AddSong(L"局", L"d.mp3", kStart + 3);
    const auto dueFirst = journal.AddSong(L"局", L"e.mp3", kStart + 4);
    const auto failed = journal.AddSong(L"局", L"f.mp3", kStart + 5);
    journal.MarkAwaitingHandOver(late, kStart + 10);
    journal.MarkAttemptFailed(dueLater, L"busy", kStart + 120);
    journal.MarkAttemptFailed(dueFirst, L"busy", kStart + 60);
    journal.MarkAttemptFailed(failed, L"gone", 0);

    EXPECT_EQ(StatesOf(journal.UnfinishedSongs()),
              (std::vector<SongState>{SongState::Playing, SongState::AwaitingHandOver, SongState::AwaitingRetry,
                                      SongState::AwaitingRetry}));
    EXPECT_TRUE(journal.SongsDueForRetry(kStart + 59).empty());
    auto due = journal.SongsDueForRetry(kStart + 120);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].id, dueFirst);
    EXPECT_EQ(due[1].id, dueLater);
    EXPECT_EQ(journal.FindSong(failed)->state, SongState::Failed);
    EXPECT_TRUE(journal.RetryNow(failed, kStart + 30));
    EXPECT_FALSE(journal.RetryNow(skipped, kStart + 30)) << "only failed or waiting songs are retried";
    EXPECT_EQ(journal.SongsDueForRetry(kStart + 30).at(0).id, failed);

    EXPECT_EQ(journal.SongCount(), 6);
    const auto page = journal.SongPage(1, 3);
    ASSERT_EQ(page.size(), 3u);
    EXPECT_EQ(page[0].id, dueFirst);
    EXPECT_EQ(page[2].id, late);
    EXPECT_EQ(journal.SongPage(5, 10).at(0).id, playing);
    journal.AddSong(L"局", L"g.mp3", kStart + 6);
    EXPECT_EQ(journal.SongCount(), 7);
}

// Page delays and health come newest first per station; artwork searches,
// found or not, are remembered for a day.
TEST(Journal, StationHistoryAndArtworkSearchCache) {
    TempFolder folder;
    Journal journal(folder / L"Kestrel.db");
    for (int i = 0; i < 5; ++i) {
        journal.SavePageDelay(journal.AddSong(L"局A", L"a.mp3", kStart + i), 10 + i);
        journal.AddSong(L"局B", L"b.mp3", kStart + i);
    }
    EXPECT_EQ(journal.RecentPageDelays(L"局A", 3), (std::vector<int>{14, 13, 12}));
    EXPECT_TRUE(journal.RecentPageDelays(L"局B", 3).empty());
    // The history window's station filter: names, counts kept as songs come, pages.
    EXPECT_EQ(journal.SongStations(), (std::vector<std::wstring>{L"局A", L"局B"}));
    EXPECT_EQ(journal.SongCount(L"局B"), 5);
    journal.AddSong(L"局B", L"b.mp3", kStart + 9);
    EXPECT_EQ(journal.SongCount(L"局B"), 6);
    EXPECT_EQ(journal.SongCount(L"局C"), 0);
    const auto page = journal.SongPage(1, 2, L"局B");
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].noticed, kStart + 4);
    EXPECT_EQ(page[1].station, L"局B");
    EXPECT_EQ(page[1].noticed, kStart + 3);

    for (int i = 0; i < 150; ++i) journal.AddHealth(L"局A", ExtractionHealth::Ok, kStart + i);
    journal.AddHealth(L"局A", ExtractionHealth::NoMatch, kStart + 200);
    journal.AddHealth(L"局B", ExtractionHealth::FetchFailed, kStart + 201);
    EXPECT_EQ(journal.RecentHealth(L"局A", 2), (std::vector<ExtractionHealth>{ExtractionHealth::NoMatch,
                                                                              ExtractionHealth::Ok}));
    EXPECT_EQ(journal.RecentHealth(L"局A", 1000).size(), 100u) << "old states are pruned";

    EXPECT_TRUE(journal.SaveArtworkSearch(L"歌手", L"曲", L"http://127.0.0.1/600x600.jpg", kStart));
    EXPECT_TRUE(journal.SaveArtworkSearch(L"歌手", L"無い曲", L"", kStart));
    EXPECT_EQ(journal.FindArtworkSearch(L"歌手", L"曲", kStart + 100)->url, L"http://127.0.0.1/600x600.jpg");
    const auto none = journal.FindArtworkSearch(L"歌手", L"無い曲", kStart + 100);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->url, L"");
    EXPECT_FALSE(journal.FindArtworkSearch(L"歌手", L"曲", kStart + 86400)) << "a day old";
    EXPECT_FALSE(journal.FindArtworkSearch(L"他", L"曲", kStart));
}

// A first-release file gains the new columns and keeps its songs; a file of a
// later version is used without touching what we do not know.
TEST(Journal, OlderFileIsMigratedAndNewerOneLeftAlone) {
    TempFolder folder;
    const std::wstring path = folder / L"Kestrel.db";
    journal::Database(path).Execute(kVersion0Tables);
    {
        Journal journal(path);
        EXPECT_EQ(journal.setAsideCount(), 0);
        const auto old = journal.FindSong(1);
        ASSERT_TRUE(old);
        EXPECT_EQ(old->info.title, L"Old");
        EXPECT_EQ(old->state, SongState::Stripped);
        EXPECT_TRUE(journal.MarkRegistered(1, kStart + 5, L"00000000DEADBEEF"));
        ASSERT_EQ(journal.Actions(1).size(), 1u);
        EXPECT_EQ(journal.Actions(1)[0].track, L"Old track");
        EXPECT_TRUE(journal.AddHealth(L"FM", ExtractionHealth::Ok, kStart));
        EXPECT_EQ(journal.AddSong(L"FM", L"new.mp3", kStart + 10), 2);
    }
    EXPECT_EQ(QueryInt(path, "PRAGMA user_version"), 3);
    EXPECT_EQ(Journal(path).FindSong(1)->trackId, L"00000000DEADBEEF");

    journal::Database(path).Execute(
        "ALTER TABLE songs ADD COLUMN rating INTEGER NOT NULL DEFAULT 3; UPDATE songs SET rating = 5 WHERE id = 1;"
        "PRAGMA user_version = 7;");
    {
        Journal journal(path);
        auto song = journal.FindSong(1);
        ASSERT_TRUE(song);
        song->lastError = L"restored";
        EXPECT_TRUE(journal.RestoreSong(*song));
        EXPECT_EQ(journal.AddSong(L"FM", L"newer.mp3", kStart + 20), 3);
        EXPECT_EQ(journal.failedWrites(), 0) << journal.lastError();
    }
    EXPECT_EQ(QueryInt(path, "PRAGMA user_version"), 7);
    EXPECT_EQ(QueryInt(path, "SELECT rating FROM songs WHERE id = 1"), 5);
    EXPECT_EQ(QueryInt(path, "SELECT rating FROM songs WHERE id = 3"), 3);
}

// A file found damaged mid-session is replaced by an empty one, whose rowids
// would start again at 1: the songs still in flight must keep their ids, and
// are written back whole. The step that found the damage is lost, and said so.
TEST(Journal, IdsAreNotHandedOutTwiceAfterASetAside) {
    TempFolder folder;
    const std::wstring path = folder / L"Kestrel.db";
    {
        Journal journal(path);
        for (int i = 0; i < 3; ++i) journal.AddSong(L"局", L"a.mp3", kStart + i);
        journal.AddHealth(L"局", ExtractionHealth::Ok, kStart);
    }
    // Only the health table's page is broken: the songs read well until then.
    const auto page = QueryInt(path, "SELECT rootpage FROM sqlite_master WHERE name = 'station_health'");
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), static_cast<size_t>(page * 4096));
    std::fill(bytes.begin() + (page - 1) * 4096, bytes.begin() + page * 4096, 0x5A);
    ASSERT_TRUE(WriteBytes(path, bytes));

    Journal journal(path);
    const auto inFlight = journal.UnfinishedSongs();
    ASSERT_EQ(inFlight.size(), 3u);
    EXPECT_EQ(journal.failedWrites(), 0);
    EXPECT_FALSE(journal.AddHealth(L"局", ExtractionHealth::Ok, kStart + 5));
    EXPECT_EQ(journal.setAsideCount(), 1);
    EXPECT_EQ(journal.failedWrites(), 1);
    EXPECT_NE(journal.lastError().find("malformed"), std::string::npos) << journal.lastError();
    EXPECT_EQ(journal.AddSong(L"局", L"b.mp3", kStart + 10), 4);
    EXPECT_TRUE(journal.RestoreSong(inFlight[1]));
    EXPECT_EQ(journal.FindSong(2)->sourceName, L"a.mp3");
    EXPECT_EQ(journal.SongCount(), 2);
    EXPECT_EQ(journal.AddSong(L"局", L"c.mp3", kStart + 11), 5);
}
