// The filing journal: its cost per song, its size for 10,000 songs, and the
// history window's first screen with 100,000 songs in it.
//
// The registration the journal serves is not part of this program, so the
// per-song cost is set against a stand-in measured in the same run: writing
// and flushing one 4 KB file, the smallest durable write there is. The line
// after it says how long a registration must take for the journal to stay
// within 2% of it; the registration benchmark gives that time.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchJournal.h"
#include "BenchTiming.h"
#include "journal/Journal.h"
#include "base/ScopedHandle.h"

namespace {

constexpr journal::Time kStart = bench::kJournalStart;
using bench::RemoveJournal;
using bench::TempPath;
constexpr auto Fill = bench::FillJournal;

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Every step a registered song takes, with text as long as a real song's.
void FileOneSong(journal::Journal& journal, int n) {
    const std::wstring number = std::to_wstring(n);
    const journal::Time t = kStart + n * 240;
    const auto id = journal.AddSong(L"ラジオ局 " + std::to_wstring(n % 8), L"2026-12-08 10-00-" + number + L".mp3", t);
    journal.SaveSongInfo(id, {L"夜明けのメロディー 第" + number + L"番", L"アーティスト名 " + std::to_wstring(n % 500),
                              L"アルバム「季節の歌」", L"http://radio.example.jp/artwork/" + number + L"/cover.jpg",
                              L"C:\\Program Files\\Kestrel\\Artwork\\" + number + L"\\cover.jpg"});
    journal.SavePageDelay(id, 5 + n % 40);
    journal.AddHealth(L"ラジオ局 " + std::to_wstring(n % 8), journal::ExtractionHealth::Ok, t + 30);
    journal.MarkAwaitingHandOver(id, t + 230);
    journal.MarkMoved(id, L"D:\\録音\\ラジオ局\\2026-12-08 10-00-" + number + L".mp3", t + 231);
    journal.MarkStripped(id, t + 232);
    journal.MarkRegistered(id, t + 235);
    if (n % 5 == 0)
        journal.AddAction(id, {t + 236, journal::SongActionKind::Unchecked, L"アーティスト名 - 夜明けのメロディー", L""});
}

double FlushedSmallFile(const std::wstring& path) {
    const std::vector<char> bytes(4096, 'k');
    return bench::BestOf(20, [&] {
        kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::FlushFileBuffers(file.Get());
    });
}

// The history window's first screen, from a closed journal: opening it,
// the row count and 40 rows.
double FirstScreen(const std::wstring& path) {
    return bench::BestOf(5, [&] {
        journal::Journal journal(path);
        const int count = journal.SongCount();
        const auto rows = journal.SongPage(0, 40);
        if (count == 0 || rows.size() != 40) std::printf("first screen came back short\n");
    });
}

}  // namespace

int main() {
    const std::wstring path = TempPath(L"kestrel-bench-journal.db");
    const std::wstring small = TempPath(L"kestrel-bench-small.db");
    const std::wstring flushed = TempPath(L"kestrel-bench-flushed.tmp");

    RemoveJournal(path);
    const double fileWrite = FlushedSmallFile(flushed);
    ::DeleteFileW(flushed.c_str());
    double perSong = 0;
    {
        journal::Journal journal(path);
        constexpr int kSongs = 10000;
        const double start = bench::Seconds();
        for (int n = 0; n < kSongs; ++n) FileOneSong(journal, n);
        perSong = (bench::Seconds() - start) * 1000.0 / kSongs;
    }
    std::printf("%-48s %9.2f ms  baseline %9.2f ms  ratio %5.2f\n", "journal steps of one song vs one flushed 4 KB file",
                perSong, fileWrite, perSong / fileWrite);
    std::printf("  (within 2%% of any registration that takes %.0f ms or more)\n", perSong * 50);
    const double megabytes = (FileSize(path) + FileSize(path + L"-wal")) / 1048576.0;
    std::printf("%-48s %9.2f MB  (target <= 10 MB) %s\n", "journal size for 10,000 songs", megabytes,
                megabytes <= 10.0 ? "ok" : "MISSED");

    Fill(small, 1000);
    {
        const double start = bench::Seconds();
        Fill(path, 100000);
        std::printf("(100,000 songs written in %.0f s)\n", bench::Seconds() - start);
    }
    const double smallScreen = FirstScreen(small);
    const double bigScreen = FirstScreen(path);
    std::printf("%-48s %9.2f ms  (target <= 300 ms) %s\n", "first screen with 100,000 songs", bigScreen,
                bigScreen <= 300 ? "ok" : "MISSED");
    std::printf("  (with 1,000 songs %.2f ms, ratio %.2f: counting the rows once is what grows)\n", smallScreen,
                bigScreen / smallScreen);
    std::printf("%-48s %9.2f ms\n", "opening a journal of 100,000 songs",
                bench::BestOf(3, [&] { journal::Journal journal(path); }));
    {
        journal::Journal journal(path);
        const double last = bench::BestOf(5, [&] { journal.SongPage(100000 - 40, 40); });
        const double first = bench::BestOf(5, [&] { journal.SongPage(0, 40); });
        std::printf("%-48s %9.2f ms  (first page %.2f ms)\n", "last page of 100,000 songs", last, first);
    }
    RemoveJournal(path);
    RemoveJournal(small);
    return 0;
}
