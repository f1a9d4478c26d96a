// How long the window's thread keeps a caller waiting while the road's jobs
// run as the program runs them: started from that thread on SongWork, their
// results posted back through the window's completions while the thread
// runs its own message loop. The jobs: a page (hostile ones included) and
// then its artwork, decoded on the window's thread as the main window does;
// a registration into the stand-in iTunes; and a registration whose AddFile
// hangs for longer than the stretch measured. A second thread sends WM_NULL
// every 50 ms and notes the longest wait for the answer. Target: at most
// 250 ms in every case; a miss fails the run.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "BenchTiming.h"
#include "base/FileOperations.h"
#include "base/ScopedHandle.h"
#include "kit/WindowCompletions.h"
#include "processing/BitmapFile.h"
#include "processing/SongWork.h"
#include "settings/LibraryRules.h"
#include "settings/Settings.h"
#include "settings/Station.h"
// The loopback server, the pictures and the stand-in with its library, shared with the tests.
#include "../tests/support/ITunesStandIn.cpp"
#include "../tests/support/ITunesStandInLibrary.cpp"
#include "../tests/support/LoopbackServer.cpp"
#include "support/SamplePictures.h"

namespace {

// The window's own loop for `ms`: what the program's thread does between jobs.
void PumpFor(ULONGLONG ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}

constexpr double kTargetMs = 250;

// Sends WM_NULL to `window` every 50 ms from a thread of its own until
// stopped; the longest wait for an answer, in milliseconds.
class Prober {
public:
    explicit Prober(HWND window) : thread_([this, window] { Probe(window); }) {}
    // Answers the prober's last message while it finishes.
    double Stop() {
        stopping_ = true;
        while (!finished_) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
            ::Sleep(1);
        }
        thread_.join();
        return longest_;
    }

private:
    void Probe(HWND window) {
        while (!stopping_) {
            const double start = bench::Seconds();
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result);
            longest_ = std::max(longest_, (bench::Seconds() - start) * 1000.0);
            ::Sleep(50);
        }
        finished_ = true;
    }
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    double longest_ = 0;
    std::thread thread_;
};

// The window's own loop until `finished` holds (checked after each batch of
// messages, so a completion that sets it ends the loop) or `limitMs` passed.
bool PumpUntil(const std::function<bool()>& finished, ULONGLONG limitMs) {
    const ULONGLONG end = ::GetTickCount64() + limitMs;
    for (ULONGLONG now = ::GetTickCount64(); !finished(); now = ::GetTickCount64()) {
        if (now >= end) return false;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 100)),
                                      QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    return true;
}

// False once a measured case missed the target.
bool allMet = true;

// `total`: how long the jobs ran (or the stretch measured, for a hang).
void Report(const char* what, double longest, double total, const std::string& outcome, bool counts = true) {
    const bool met = longest <= kTargetMs;
    if (counts && !met) allMet = false;
    std::printf("%-44s longest wait %7.1f ms  (jobs %6.0f ms, %s)  (target <= %.0f) %s\n", what, longest, total,
                outcome.c_str(), kTargetMs, met ? "ok" : "MISSED");
    std::fflush(stdout);
}

// Runs `work` on this thread, the window's, while the prober asks it.
double LongestWait(HWND window, const std::function<void()>& work, double& total) {
    Prober prober(window);
    PumpFor(60);  // one answered probe first, for the idle figure
    const double start = bench::Seconds();
    work();
    total = (bench::Seconds() - start) * 1000.0;
    return prober.Stop();
}

void WaitUnlessStopping(LoopbackServer& server, int ms) {
    for (int waited = 0; waited < ms && !server.stopping(); waited += 20) ::Sleep(20);
}

}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND window = ::CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-bench-response";
    const std::wstring artworkFolder = folder + L"\\artwork";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CreateDirectoryW(artworkFolder.c_str(), nullptr);

    std::string metas;
    while (metas.size() < (1u << 20)) metas += "<meta ";
    std::string chain = "<title>&#1";
    for (int i = 0; i < 200000; ++i) chain += "&#49;";
    chain += " - Singer</title>";
    std::string huge;
    while (huge.size() < (16u << 20)) huge += "<td class=\"title\">Song</td>\n";
    const std::string jpeg = samples::SampleJpeg(500, 500, 2);

    // One connection at a time per server: the two that hold theirs open
    // have servers of their own.
    LoopbackServer trickling{[](const LoopbackServer::Request&, LoopbackServer& self, SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        while (!self.stopping() && LoopbackServer::Send(s, "x")) WaitUnlessStopping(self, 700);
    }};
    LoopbackServer silent{[](const LoopbackServer::Request&, LoopbackServer& self, SOCKET) {
        WaitUnlessStopping(self, 60000);
    }};
    LoopbackServer server{[&](const LoopbackServer::Request& request, LoopbackServer& self, SOCKET s) {
        const std::string& target = request.target;
        const std::string html = "Content-Type: text/html\r\n";
        if (target == "/metas") {
            LoopbackServer::Answer(s, 200, metas, html);
        } else if (target == "/chain") {
            LoopbackServer::Answer(s, 200, chain, html);
        } else if (target == "/huge") {
            LoopbackServer::Answer(s, 200, huge, html);
        } else if (target == "/art.jpg") {
            LoopbackServer::Answer(s, 200, jpeg, "Content-Type: image/jpeg\r\n");
        } else {
            const std::wstring art = self.Url("/art.jpg");
            LoopbackServer::Answer(s, 200,
                                   "<html><title>Morning Song - Kestrel Band</title><img src=\"" +
                                       std::string(art.begin(), art.end()) + "\"></html>",
                                   html);
        }
    }};

    struct Case {
        const char* what;
        std::wstring url;
        const wchar_t* pattern;
    };
    const wchar_t* ordinary = L"<title>(.*?) - (.*?)</title>.*?src=\"(.*?)\"";
    const Case cases[] = {
        {"trickling server (a byte every 0.7 s)", trickling.Url("/"), ordinary},
        {"server that never answers", silent.Url("/"), ordinary},
        {"1 MiB of \"<meta \"", server.Url("/metas"), ordinary},
        {"\"&#1\" + 200,000 \"&#49;\" in the title", server.Url("/chain"), ordinary},
        {"hopeless pattern on 16 MiB", server.Url("/huge"), L"title\">(.*?)<.*?artist\">(.*?)<"},
        {"ordinary page with a 500x500 JPEG", server.Url("/now"), ordinary},
    };
    // The floor on this machine: the same probes while the thread only waits.
    {
        double total = 0;
        const double longest = LongestWait(
            window, [&] { PumpFor(3000); }, total);
        Report("idle, only answering (for scale)", longest, total, "nothing fetched", false);
    }

    // The program's own jobs, their results posted back to this thread.
    const std::shared_ptr<kit::WindowCompletions> completions = kit::WindowCompletions::Create();
    if (!completions) {
        std::printf("cannot make the window's completions\n");
        return 1;
    }
    Settings root;  // the artwork search stays off: nothing leaves this machine
    auto work = std::make_unique<SongWork>(root, completions);

    // A job not ended within this is reported as such; its late result is
    // told to an outcome nobody reads any more.
    constexpr ULONGLONG kJobLimitMs = 60000;
    for (const Case& each : cases) {
        Settings group;
        group.SetString(L"Url", each.url);
        group.SetString(L"MatchPattern", each.pattern);
        group.SetString(L"Title", L"$1");
        group.SetString(L"Artist", L"$2");
        group.SetString(L"Artwork", L"$3");
        const Station station = ReadStation(group);
        struct Outcome {
            bool ended = false;
            FetchStatus status = FetchStatus::FetchFailed;
            bool shown = false;
        };
        const auto outcome = std::make_shared<Outcome>();
        SongWork& jobs = *work;
        double total = 0;
        const double longest = LongestWait(
            window,
            [&] {
                jobs.FetchPage(station, [&jobs, outcome, artworkFolder](SongServices::Page page) {
                    outcome->status = page.status;
                    if (page.status != FetchStatus::Ok) {
                        outcome->ended = true;
                        return;
                    }
                    jobs.FetchArtwork(artworkFolder, page.info, [outcome](std::wstring path) {
                        // Decoded here, on the window's thread, as the main window shows it.
                        outcome->shown = !path.empty() && static_cast<bool>(kit::LoadBitmapFile(path));
                        outcome->ended = true;
                    });
                });
                PumpUntil([&] { return outcome->ended; }, kJobLimitMs);
            },
            total);
        Report(each.what, longest, total,
               !outcome->ended                        ? "NOT ended"
               : outcome->status != FetchStatus::Ok ? "no page"
               : outcome->shown                       ? "artwork shown"
                                                      : "page, no artwork");
    }

    // Registrations into the stand-in library, through the program's queue.
    {
        const std::wstring libraryPath = folder + L"\\library.txt";
        ::DeleteFileW(libraryPath.c_str());
        StandInLibrary().Save(libraryPath);
        ITunesStandInRegistration registration(libraryPath);
        Settings settings;
        settings.SetBool(L"IsAddPlayList", true);
        work->SetLibraryRules(ReadLibraryRules(settings));
        int songs = 0;
        // A song file of its own for each registration, and a title of its own.
        const auto nextSong = [&] {
            PendingSong song;
            song.filePath = folder + L"\\song" + std::to_wstring(++songs) + L".mp3";
            kit::UniqueHandle file(::CreateFileW(song.filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            ::WriteFile(file.Get(), "ID3", 3, &written, nullptr);
            song.title = L"Morning Song " + std::to_wstring(songs);
            song.artist = L"Kestrel Band";
            song.stationName = L"Bench FM";
            song.outputFolder = folder;
            return song;
        };
        struct Heard {
            int times = 0;
            RegistrationResult last;
        };
        const auto registerSong = [&](const std::shared_ptr<Heard>& heard) {
            work->RegisterSong(nextSong(), [heard](const RegistrationResult& result) {
                ++heard->times;
                heard->last = result;
            });
        };

        // The first start of the server is not what is measured.
        {
            const auto heard = std::make_shared<Heard>();
            registerSong(heard);
            PumpUntil([&] { return heard->times > 0; }, kJobLimitMs);
        }
        {
            const auto heard = std::make_shared<Heard>();
            double total = 0;
            const double longest = LongestWait(
                window,
                [&] {
                    registerSong(heard);
                    PumpUntil([&] { return heard->times > 0; }, kJobLimitMs);
                },
                total);
            Report("registration with the stand-in", longest, total,
                   heard->times == 0 ? "NOT ended" : heard->last.registered ? "registered" : "NOT registered");
        }

        // AddFile hangs far beyond the stretch measured; the queue's
        // deadline is the program's own, so the hang is still on at its end.
        constexpr long kHangMs = 10000;
        constexpr ULONGLONG kMeasuredMs = 5000;
        PumpUntil([] { return ITunesStandInRegistration::WaitForServerExit(0); }, 20000);
        StandInLibrary hanging;
        hanging.Load(libraryPath);
        hanging.hangMember = L"AddFile";
        hanging.hangMs = kHangMs;
        const bool armed = ITunesStandInRegistration::WaitForServerExit(0) && hanging.Save(libraryPath);
        {
            const auto heard = std::make_shared<Heard>();
            double total = 0;
            const double longest = LongestWait(
                window,
                [&] {
                    registerSong(heard);
                    PumpFor(kMeasuredMs);
                },
                total);
            // What the stretch held: a registration still waiting on AddFile.
            bool hung = false;
            if (armed && heard->times == 0) {
                StandInLibrary served;
                hung = served.Load(libraryPath) && served.hangMember.empty();  // the hang has started
            }
            Report("a hung registration", longest, total,
                   hung ? "AddFile still hung" : heard->times ? "NOT hung: it ended" : "NOT hung: never started");
            if (!hung) allMet = false;
            // The hang ends by itself; the song is then registered and the server goes.
            PumpUntil([&] { return heard->times > 0; }, kHangMs + kJobLimitMs);
            PumpUntil([] { return ITunesStandInRegistration::WaitForServerExit(0); }, 20000);
        }
        for (int i = 1; i <= songs; ++i) ::DeleteFileW((folder + L"\\song" + std::to_wstring(i) + L".mp3").c_str());
        ::DeleteFileW(libraryPath.c_str());
    }
    // No completion runs after this; a job still out ends on its own.
    completions->Close();
    work.reset();
    DeleteFilesInFolder(artworkFolder);
    ::RemoveDirectoryW(artworkFolder.c_str());
    DeleteFilesInFolder(folder);
    ::RemoveDirectoryW(folder.c_str());
    ::DestroyWindow(window);
    ::CoUninitialize();
    return allMet ? 0 : 1;
}
