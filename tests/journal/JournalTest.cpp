#include <gtest/gtest.h>

#include "journal/Journal.h"
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
        EXPECT_TRUE(journal.MarkRegistered(id, kStart + 320));
        EXPECT_TRUE(journal.AddAction(id, {kStart + 321, journal::SongActionKind::Deleted, L"歌手 - 夜明けの歌",
                                           L"ごみ箱"}));
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
    const auto actions = journal.Actions(id);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, journal::SongActionKind::Deleted);
    EXPECT_EQ(actions[0].destination, L"ごみ箱");
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
