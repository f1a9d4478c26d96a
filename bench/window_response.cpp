// How long the window's thread keeps a caller waiting while the processing
// cycle fetches a page (hostile ones included) with its artwork and while it
// registers a song: a second thread sends WM_NULL every 50 ms and notes the
// longest wait for the answer. Target: at most 250 ms in every case.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "BenchTiming.h"
#include "base/FileOperations.h"
#include "base/ScopedHandle.h"
#include "itunes/ITunesRegistration.h"
#include "processing/BitmapFile.h"
#include "web/FetchSongInfo.h"
// The loopback server, the pictures and the stand-in's registration, shared with the tests.
#include "../tests/support/ITunesStandIn.cpp"
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

// Decodes the picture on the window's thread, as the main window does.
class DecodingView : public ArtworkView {
public:
    bool ShowArtwork(const std::wstring& path) override {
        shown = static_cast<bool>(kit::LoadBitmapFile(path));
        return shown;
    }
    void ClearArtwork() override { shown = false; }
    bool shown = false;
};

void Report(const char* what, double longest, double total, const std::string& outcome) {
    std::printf("%-44s longest wait %7.1f ms  (fetch %6.0f ms, %s)  (target <= %.0f) %s\n", what, longest, total,
                outcome.c_str(), kTargetMs, longest <= kTargetMs ? "ok" : "MISSED");
    std::fflush(stdout);
}

// Runs `work` on this thread, the window's, while the prober asks it.
double LongestWait(HWND window, const std::function<void()>& work, double& total) {
    Prober prober(window);
    ::Sleep(60);  // one answered probe first, for the idle figure
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
    ::CreateDirectoryW(folder.c_str(), nullptr);

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
        Report("idle, only answering (for scale)", longest, total, "nothing fetched");
    }
    for (const Case& each : cases) {
        Settings station;
        station.SetString(L"Url", each.url);
        station.SetString(L"MatchPattern", each.pattern);
        station.SetString(L"Title", L"$1");
        station.SetString(L"Artist", L"$2");
        station.SetString(L"Artwork", L"$3");
        DecodingView view;
        SongInfo song;
        bool fetched = false;
        double total = 0;
        const double longest = LongestWait(window, [&] { fetched = FetchSongInfo(station, folder, view, song); }, total);
        Report(each.what, longest, total,
               !fetched ? "no page" : view.shown ? "artwork shown" : "page, no artwork");
    }

    // An ordinary registration into the stand-in library.
    {
        const std::wstring libraryPath = folder + L"\\library.txt";
        const std::wstring songPath = folder + L"\\song.mp3";
        {
            kit::UniqueHandle file(::CreateFileW(songPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            ::WriteFile(file.Get(), "ID3", 3, &written, nullptr);
        }
        ::DeleteFileW(libraryPath.c_str());
        ITunesStandInRegistration registration(libraryPath);
        Settings settings;
        Settings station;
        station.SetString(L"StationName", L"Bench FM");
        settings.SetBool(L"IsAddPlayList", true);
        PendingSong song;
        song.filePath = songPath;
        song.title = L"Morning Song";
        song.artist = L"Kestrel Band";
        // The first start of the server is not what is measured.
        RegisterSongNow(song, ReadLibraryRules(settings)).registered;
        bool registered = false;
        double total = 0;
        const double longest =
            LongestWait(window, [&] { registered = RegisterSongNow(song, ReadLibraryRules(settings)).registered; }, total);
        Report("registration with the stand-in", longest, total, registered ? "registered" : "NOT registered");
        ITunesStandInRegistration::WaitForServerExit();
        ::DeleteFileW(libraryPath.c_str());
        ::DeleteFileW(songPath.c_str());
    }
    DeleteFilesInFolder(folder);
    ::RemoveDirectoryW(folder.c_str());
    ::DestroyWindow(window);
    ::CoUninitialize();
    return 0;
}
