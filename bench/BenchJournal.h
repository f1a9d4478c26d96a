#pragma once
// A scratch journal for the benchmarks that fill one: where it lives and how
// it is removed with what SQLite leaves beside it.
#include <windows.h>

#include <string>

#include "journal/JournalTypes.h"

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

}  // namespace bench
