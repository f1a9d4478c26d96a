#pragma once
// A scratch journal for the benchmarks that fill one: where it lives and how
// it is removed with what SQLite leaves beside it.
#include <windows.h>

#include <string>

#include "journal/Journal.h"

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
// registered: what the history window and the paging queries read.
inline void FillJournal(const std::wstring& path, int songs) {
    RemoveJournal(path);
    journal::Journal journal(path);
    for (int n = 0; n < songs; ++n) {
        const std::wstring number = std::to_wstring(n);
        const auto state = n % 7 ? journal::SongState::Registered : journal::SongState::AwaitingRetry;
        const auto id = journal.AddSong(L"ラジオ局 " + std::to_wstring(n % 8), L"2026-12-08 10-00-" + number + L".mp3",
                                        kJournalStart + n * 240, state);
        journal.SaveSongInfo(id, {L"夜明けのメロディー 第" + number + L"番", L"アーティスト名", L"", L"", L""});
    }
}

}  // namespace bench
