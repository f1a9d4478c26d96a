// demo-feeder.exe [/stop STOPFILE] [/seconds N] [/song SECONDS]
// Sets up and runs the demo: a demo folder under %TEMP%, a copy of
// Kestrel.exe with its manual and a settings file for the demo station, the
// station's page server, the recorder writing a new song every few seconds,
// and the stand-in iTunes whose library it reports as tracks arrive. It ends
// when STOPFILE appears, after N seconds, or when Kestrel is closed, and then
// closes Kestrel so that it saves and cleans up.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "DemoSongs.h"
#include "settings/Settings.h"
#include "support/ITunesStandIn.h"
#include "support/ITunesStandInLibrary.h"
#include "support/KestrelProcess.h"
#include "support/LoopbackServer.h"
#include "support/RecorderSimulator.h"
#include "support/SamplePictures.h"
#include "support/SettingsDescription.h"
#include "support/TempFolder.h"

namespace {

struct Options {
    std::wstring stopFile;
    int seconds = 0;  // 0: until stopped
    int songSeconds = 10;
};

Options ParseOptions(int argc, wchar_t** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"/stop") options.stopFile = argv[i + 1];
        if (name == L"/seconds") options.seconds = _wtoi(argv[i + 1]);
        if (name == L"/song") options.songSeconds = std::max(4, _wtoi(argv[i + 1]));
    }
    return options;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                          nullptr);
    return bytes;
}

void Say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::wstring ProgramFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    return path.substr(0, path.find_last_of(L'\\'));
}

bool CopyFolder(const std::wstring& from, const std::wstring& to) {
    std::wstring source = from + L'\0';  // both lists end with a second terminator
    std::wstring target = to + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_COPY;
    operation.pFrom = source.c_str();
    operation.pTo = target.c_str();
    operation.fFlags = FOF_NO_UI;
    return ::SHFileOperationW(&operation) == 0;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Prints the tracks that reached the library since the last look. The file
// is read only while no stand-in runs, so that no save of its is lost.
void ReportNewTracks(const std::wstring& libraryPath, std::set<long>& known, const char* what) {
    if (!ITunesStandInRegistration::WaitForServerExit(0)) return;
    StandInLibrary library;
    if (!library.Load(libraryPath)) return;
    for (const StandInTrack& track : library.tracks) {
        if (!known.insert(track.id).second) continue;
        std::string playlists;
        for (const StandInPlaylist& playlist : library.playlists)
            for (long id : playlist.trackIds)
                if (id == track.id) playlists += " [" + Utf8(playlist.name) + "]";
        Say(std::string("  iTunes (stand-in): ") + what + " \"" + Utf8(track.name) + "\" / " + Utf8(track.artist) + " / " +
            Utf8(track.album) + playlists + (track.artwork.empty() ? "" : " with artwork"));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Options options = ParseOptions(argc, argv);
    const std::wstring tools = ProgramFolder() + L"\\..";
    const std::wstring build = tools + L"\\..";
    ::SetEnvironmentVariableW(L"KESTREL_ITUNES_STANDIN", (tools + L"\\itunes-standin\\itunes-standin.exe").c_str());

    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-demo";
    testing_support::RemoveTree(folder);
    for (const wchar_t* sub : {L"", L"\\program", L"\\録音中", L"\\録音終了"}) ::CreateDirectoryW((folder + sub).c_str(), nullptr);
    const std::wstring program = KestrelProcess::InstallCopy(build + L"\\bin\\Kestrel.exe", folder + L"\\program");
    if (program.empty()) {
        Say("demo: Kestrel.exe is not built (expected in the build's bin folder)");
        return 1;
    }
    CopyFolder(build + L"\\bin\\Manual", folder + L"\\program");

    LoopbackServer server;
    if (!server.listening()) {
        Say("demo: cannot listen on 127.0.0.1");
        return 1;
    }
    int hue = 0;
    for (const DemoSong& song : DemoProgramme()) {
        if (song.artworkPath.empty()) continue;
        const bool png = song.artworkPath.size() > 4 && song.artworkPath.compare(song.artworkPath.size() - 4, 4, ".png") == 0;
        server.Put(song.artworkPath, png ? "image/png" : "image/jpeg",
                   png ? samples::SamplePng(200, 200, hue++) : samples::SampleJpeg(200, 200, hue++));
    }

    Settings settings;
    std::string error;
    if (!ParseSettingsDescription(DemoSettings(folder, server.Url("/now"), server.Url("")), settings, error) ||
        !settings.Save(folder + L"\\program\\Kestrel.dat")) {
        Say("demo: cannot write the settings file: " + error);
        return 1;
    }

    // The library already holds one song of the programme, so its same-song rules show.
    const std::wstring libraryPath = folder + L"\\library.txt";
    StandInLibrary library;
    const DemoSong& repeated = DemoProgramme()[3];
    StandInTrack& earlier = library.AddTrack(repeated.title, repeated.artist, repeated.album);
    earlier.lyrics = L"星が降る夜に…";
    earlier.location = folder + L"\\earlier.mp3";
    library.Save(libraryPath);
    ITunesStandInRegistration registration(libraryPath);
    if (!registration.registered()) {
        Say("demo: cannot register the stand-in iTunes");
        return 1;
    }

    RecorderSimulator recorder(folder + L"\\録音中", folder + L"\\録音終了");
    KestrelProcess kestrel;
    if (!kestrel.Start(program) || !kestrel.WaitForMainWindow(60000)) {
        Say("demo: Kestrel did not start");
        return 1;
    }
    Say("demo: Kestrel runs with the station \"デモ局\"; a new song every " + std::to_string(options.songSeconds) +
        " s. Folders: " + Utf8(folder));

    std::set<long> known;
    ReportNewTracks(libraryPath, known, "already in the library:");
    const ULONGLONG start = ::GetTickCount64();
    ULONGLONG nextSongAt = start;
    size_t next = 0;
    for (;;) {
        if (!kestrel.running()) {
            Say("demo: Kestrel was closed");
            break;
        }
        if (!options.stopFile.empty() && Exists(options.stopFile)) break;
        const ULONGLONG now = ::GetTickCount64();
        if (options.seconds > 0 && now - start >= static_cast<ULONGLONG>(options.seconds) * 1000) break;
        if (now >= nextSongAt) {
            const DemoSong& song = DemoProgramme()[next++ % DemoProgramme().size()];
            // Names repeat each round; the output folder makes them unique.
            server.Put("/now", "text/html; charset=utf-8", DemoPage(song));
            recorder.NextSong(song.fileName, {song.title.empty() ? L"Station Jingle" : song.title, song.artist});
            Say("recorder: now recording " + Utf8(song.fileName) +
                (song.title.empty() ? " (a jingle on the ignore list)" : " - " + Utf8(song.title)));
            nextSongAt = now + static_cast<ULONGLONG>(options.songSeconds) * 1000;
        }
        ReportNewTracks(libraryPath, known, "registered");
        ::Sleep(250);
    }
    if (kestrel.running() && !kestrel.Close(30000)) Say("demo: Kestrel did not end in time");
    Say("demo: stopped");
    return 0;
}
