// The filing journal: its cost per song against the registration it serves,
// its size for 10,000 songs, and the history window's first screen with
// 100,000 songs in it. Exits with 1 when a target is missed.
//
// The registration is measured in the same run, into the stand-in iTunes
// with a library of 20,000 tracks (as in the registration benchmark),
// already running as iTunes is for the user. The stand-in imports nothing
// and answers sooner than iTunes does: the comparison errs on the strict side.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchJournal.h"
#include "BenchTiming.h"
#include "base/ComOwners.h"
#include "itunes/ITunesIds.h"
#include "itunes/ITunesRegistration.h"
#include "journal/Journal.h"
#include "support/ITunesStandIn.h"
#include "support/ITunesStandInLibrary.h"
#include "support/TempFolder.h"

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
        journal.AddAction(id, {t + 236, journal::SongActionKind::Unchecked, L"アーティスト名 - 夜明けのメロディー", L"", L""});
}

// The fastest of five registrations of a new song; 0 when one fails.
double Registration() {
    kit::ComInitialization com;
    testing_support::TempFolder folder;
    StandInLibrary library;
    for (int i = 0; i < 20000; ++i) {
        library.AddTrack(L"曲 " + std::to_wstring(i), L"アーティスト " + std::to_wstring(i % 500), L"アルバム").location =
            folder / (std::to_wstring(i) + L".mp3");
    }
    if (!library.Save(folder / L"library.txt")) return 0;
    ITunesStandInRegistration registration(folder / L"library.txt", /*readOnly=*/true);
    kit::ComPtr<IDispatch> iTunes;  // held throughout: one server answers every round
    if (FAILED(::CoCreateInstance(kITunesAppClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(iTunes.Receive()))))
        return 0;
    LibraryRules rules;
    rules.addToStationPlaylist = true;
    std::vector<PendingSong> songs(5);
    for (size_t i = 0; i < songs.size(); ++i) {
        songs[i].filePath = folder / (L"new" + std::to_wstring(i) + L".mp3");
        songs[i].title = L"夜明けのメロディー";
        songs[i].artist = L"アーティスト名";
        songs[i].album = L"アルバム「季節の歌」";
        songs[i].stationName = L"ラジオ局";
        testing_support::WriteBytes(songs[i].filePath, std::vector<std::uint8_t>(4096, 0xff));
    }
    size_t next = 0;
    bool failed = false;
    const double best = bench::BestOf(static_cast<int>(songs.size()), [&] {
        failed = !RegisterSongNow(songs[next++], rules).registered || failed;
    });
    return failed ? 0 : best;
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
    bool missed = false;

    RemoveJournal(path);
    const double registration = Registration();
    // 10,000 songs in ten batches; like the registration, the fastest counts.
    double perSong = 1e300;
    {
        journal::Journal journal(path);
        constexpr int kBatch = 1000;
        for (int batch = 0; batch < 10; ++batch) {
            const double start = bench::Seconds();
            for (int n = batch * kBatch; n < (batch + 1) * kBatch; ++n) FileOneSong(journal, n);
            perSong = std::min(perSong, (bench::Seconds() - start) * 1000.0 / kBatch);
        }
    }
    if (registration > 0) {
        bench::Report("journal steps of one song vs its registration", perSong, registration, 0.02);
        std::printf("  (%.2f%% of the registration)\n", 100.0 * perSong / registration);
        missed = perSong > 0.02 * registration || missed;
    } else {
        std::printf("the registration into the stand-in failed: MISSED\n");
        missed = true;
    }
    const double megabytes = (FileSize(path) + FileSize(path + L"-wal")) / 1048576.0;
    std::printf("%-48s %9.2f MB  (target <= 10 MB) %s\n", "journal size for 10,000 songs", megabytes,
                megabytes <= 10.0 ? "ok" : "MISSED");
    missed = megabytes > 10.0 || missed;

    Fill(small, 1000);
    Fill(path, 100000);
    const double smallScreen = FirstScreen(small);
    const double bigScreen = FirstScreen(path);
    std::printf("%-48s %9.2f ms  (target <= 300 ms) %s\n", "first screen with 100,000 songs", bigScreen,
                bigScreen <= 300 ? "ok" : "MISSED");
    missed = bigScreen > 300 || missed;
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
    return missed ? 1 : 0;
}
