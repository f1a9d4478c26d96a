#pragma once
// A scratch journal for the benchmarks that fill one: where it lives and how
// it is removed with what SQLite leaves beside it.
#include <windows.h>

#include <cstdint>
#include <string>

#include "journal/Journal.h"
#include "journal/Sqlite.h"

namespace bench {

constexpr journal::Time kJournalStart = 1796000000;

inline std::wstring TempPath(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

inline void RemoveJournal(const std::wstring& path) {
    for (const wchar_t* suffix : {L"", L"-wal", L"-shm", L".bad", L".bad-wal"}) ::DeleteFileW((path + suffix).c_str());
}

// A journal of `songs` songs of eight stations, one every four minutes, most
// registered: what the history window and the paging queries read. Each
// song is added, then given its title, as the program does (so the file's
// pages are laid out alike), but all in one transaction: one by one,
// 100,000 songs take most of a minute under Wine.
inline void FillJournal(const std::wstring& path, int songs) {
    RemoveJournal(path);
    { journal::Journal created(path); }  // the file and its tables
    journal::Database database(path);
    journal::Transaction transaction(database);
    for (int n = 0; n < songs; ++n) {
        const std::wstring number = std::to_wstring(n);
        const auto state = n % 7 ? journal::SongState::Registered : journal::SongState::AwaitingRetry;
        database.Prepare("INSERT INTO songs(station, source_name, noticed, state) VALUES(?, ?, ?, ?)")
            .Bind(1, L"ラジオ局 " + std::to_wstring(n % 8))
            .Bind(2, L"2026-12-08 10-00-" + number + L".mp3")
            .Bind(3, kJournalStart + n * 240)
            .Bind(4, static_cast<std::int64_t>(state))
            .Run();
        database.Prepare("UPDATE songs SET title = ?, artist = ? WHERE id = ?")
            .Bind(1, L"夜明けのメロディー 第" + number + L"番")
            .Bind(2, std::wstring(L"アーティスト名"))
            .Bind(3, database.LastInsertId())
            .Run();
    }
    transaction.Commit();
}

}  // namespace bench
