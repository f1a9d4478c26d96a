// One registration into a stand-in library of 20,000 tracks with same songs
// present, split into its stages, beside a bare AddFile round trip to the
// same server: what the registration costs on top of the cross-process calls.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <map>
#include <string>

#include "base/ScopedHandle.h"
#include "itunes/AutomationObject.h"
#include "itunes/ITunesIds.h"
#include "itunes/ITunesRegistration.h"
// The stand-in's registration and library file, shared with the tests.
#include "../tests/support/ITunesStandIn.cpp"
#include "../tests/support/ITunesStandInLibrary.cpp"
#include "BenchTiming.h"

namespace {

constexpr int kLibrarySize = 20000;
constexpr int kSameSongs = 12;
constexpr int kRounds = 15;

std::wstring MakeFile(const std::wstring& path) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), "ID3", 3, &written, nullptr);
    return path;
}

StandInLibrary MakeLibrary(const std::wstring& folder) {
    StandInLibrary library;
    for (int i = 0; i < kLibrarySize; ++i) {
        StandInTrack& track = library.AddTrack(L"Track " + std::to_wstring(i),
                                               L"Artist " + std::to_wstring(i % 500),
                                               L"Album " + std::to_wstring(i % 1000));
        track.location = folder + L"t" + std::to_wstring(i) + L".mp3";
    }
    // Same songs spread through the library, all checked so that the rounds
    // leave the library as they found it; near misses for the partial search.
    for (int i = 0; i < kSameSongs; ++i) {
        StandInTrack& same = library.tracks[(i * 1657 + 11) % kLibrarySize];
        same.name = L"Morning Song";
        same.artist = L"Kestrel Band";
        same.album = L"First Light";
        if (i == kSameSongs - 1) same.lyrics = L"la la";
        StandInTrack& nearMiss = library.tracks[(i * 1657 + 700) % kLibrarySize];
        nearMiss.name = L"Morning Song (Live)";
        nearMiss.artist = L"Kestrel Band";
    }
    return library;
}

// CPU time this process spent, in ms: our own work (the registration runs on
// a thread of its own), marshalling included, without the time spent waiting
// for the server.
double ThreadCpu() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

// The server's count of answered calls, read over a connection of the calling
// thread's own (the stages end on the registration's thread). The count
// includes the two calls of this reading.
long CallsAnswered() {
    kit::ComPtr<IDispatch> application;
    if (FAILED(::CoCreateInstance(kITunesAppClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(application.Receive())))) {
        return 0;
    }
    long count = 0;
    AutomationObject(application).GetLong(L"StandInCallCount", count);
    return count;
}
constexpr long kCallsOfAReading = 2;

struct ComApartment {
    ComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { ::CoUninitialize(); }
};

}  // namespace

int main() {
    ComApartment apartment;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-bench-itunes\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring libraryPath = folder + L"library.txt";
    if (!MakeLibrary(folder).Save(libraryPath)) {
        std::printf("cannot write the library\n");
        return 1;
    }
    ITunesStandInRegistration registration(libraryPath, /*readOnly=*/true);

    double baseline = 0, propertyRead = 0, total = 0, cpu = 0;
    long calls = 0;
    std::map<std::string, double> stages;
    std::map<std::string, long> stageCalls;
    {
        // Held for the whole run, so that one server serves every round.
        kit::ComPtr<IDispatch> application;
        if (FAILED(::CoCreateInstance(kITunesAppClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(application.Receive())))) {
            std::printf("the stand-in did not start\n");
            return 1;
        }
        const AutomationObject iTunes(application);
        const AutomationObject libraryPlaylist = iTunes.GetObject(L"LibraryPlaylist");
        const AutomationObject libraryTracks = libraryPlaylist.GetObject(L"Tracks");

        // Bare round trip: adding a file the library already holds.
        const kit::ScopedBstr known(folder + L"t0.mp3");
        MakeFile(folder + L"t0.mp3");
        libraryPlaylist.Call(L"AddFile", {TextArgument(known)});
        const double start = bench::Milliseconds();
        for (int i = 0; i < kRounds * 10; ++i) libraryPlaylist.Call(L"AddFile", {TextArgument(known)});
        baseline = (bench::Milliseconds() - start) / (kRounds * 10);
        // The cheapest call there is, for scale: one property read.
        const double probe = bench::Milliseconds();
        long count = 0;
        for (int i = 0; i < 100; ++i) libraryTracks.GetLong(L"Count", count);
        propertyRead = (bench::Milliseconds() - probe) / 100;

        LibraryRules rules;
        for (bool* rule : {&rules.commentSameSongs, &rules.uncheckSameSongs, &rules.copyLyrics,
                           &rules.deleteSameSongs, &rules.markMissingLyrics, &rules.addToStationPlaylist}) {
            *rule = true;
        }
        for (int round = 0; round < kRounds; ++round) {
            PendingSong song;
            song.filePath = MakeFile(folder + L"new" + std::to_wstring(round) + L".mp3");
            song.title = L"Morning Song";
            song.artist = L"Kestrel Band";
            song.album = L"First Light";
            song.stationName = L"Bench FM";
            double mark = bench::Milliseconds();
            const double begin = mark;
            const double cpuBegin = ThreadCpu();
            long callsBefore = 0;
            iTunes.GetLong(L"StandInCallCount", callsBefore);
            RegistrationOptions options;
            long callsMark = callsBefore;
            double reading = 0;  // no part of any stage, nor of the whole
            options.stageDone = [&](const char* stage) {
                const double now = bench::Milliseconds();
                stages[stage] += now - mark;
                const long answered = CallsAnswered();
                stageCalls[stage] += answered - callsMark - kCallsOfAReading;
                callsMark = answered;
                mark = bench::Milliseconds();
                reading += mark - now;
            };
            if (!RegisterSongNow(song, rules, options).registered) {
                std::printf("registration failed\n");
                return 1;
            }
            total += bench::Milliseconds() - begin - reading;
            cpu += ThreadCpu() - cpuBegin;
            long callsAfter = 0;
            iTunes.GetLong(L"StandInCallCount", callsAfter);
            // Less the count's own call and the readings after each stage.
            calls += callsAfter - callsBefore - 1 - 4 * kCallsOfAReading;
            // Take the new track out again so that every round meets the same library.
            long count = 0;
            libraryTracks.GetLong(L"Count", count);
            libraryTracks.Item(count).Call(L"Delete");
            ::DeleteFileW(song.filePath.c_str());
        }
    }
    total /= kRounds;
    cpu /= kRounds;
    std::printf("library of %d tracks, %d same songs, %d rounds\n", kLibrarySize, kSameSongs,
                kRounds);
    std::printf("bare AddFile round trip: %.3f ms (baseline 1.00)\n", baseline);
    std::printf("one property read: %.3f ms, ratio %.2f\n", propertyRead, propertyRead / baseline);
    std::printf("RegisterSongNow: %.3f ms per call, ratio %.2f\n", total, total / baseline);
    std::printf("  %ld calls answered by the server (GetIDsOfNames and Invoke)  (target <= 150) %s\n",
                calls / kRounds, calls / kRounds <= 150 ? "ok" : "MISSED");
    std::printf("  of which CPU time of this process: %.3f ms, ratio %.2f\n", cpu,
                cpu / baseline);
    for (const char* stage : {"connect", "search", "add", "rules"}) {
        const double perCall = stages[stage] / kRounds;
        std::printf("  %-8s %.3f ms, ratio %.2f, %ld calls\n", stage, perCall, perCall / baseline,
                    stageCalls[stage] / kRounds);
    }
    ::DeleteFileW(libraryPath.c_str());
    ::DeleteFileW((folder + L"t0.mp3").c_str());
    ::RemoveDirectoryW(folder.c_str());
    return 0;
}
