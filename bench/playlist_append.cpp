// Adding a song to a station's playlist of 10,000 songs, measured against
// appending one line to a 10,000-line file with a bare WriteFile in the same
// run: the playlist's own work (the header check, the look at its last line,
// the UTF-8 text) may at most double it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchTiming.h"
#include "base/ScopedHandle.h"
#include "base/Utf8Text.h"
#include "tags/PlaylistFile.h"

namespace {

constexpr int kSongs = 10000;
constexpr int kAppendsPerRun = 200;
constexpr int kRuns = 9;
constexpr double kTarget = 2.0;

std::wstring SongName(int number) { return L"夜空のうた " + std::to_wstring(number) + L".mp3"; }

bool WriteText(const std::wstring& path, const std::string& text) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                         nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// A playlist of kSongs songs as the program writes them, and a file of as many lines.
bool WriteStartFiles(const std::wstring& playlist, const std::wstring& lines) {
    std::string songs = "#EXTM3U\r\n", plain;
    for (int i = 0; i < kSongs; ++i) {
        const std::string name = ToUtf8(SongName(i));
        songs += "#EXTINF:245,星野ミナ - 夜空のうた\r\n" + name + "\r\n";
        plain += name + "\r\n";
    }
    return WriteText(playlist, songs) && WriteText(lines, plain);
}

// What an append costs at the least: open for appending, one write, close.
bool AppendLine(const std::wstring& path, const std::string& line) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-bench-playlist";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring playlist = folder + L"\\テスト局.m3u8", lines = folder + L"\\lines.txt";
    if (!WriteStartFiles(playlist, lines)) {
        std::printf("cannot write the start files\n");
        return 1;
    }
    bool failed = false;
    int next = kSongs;
    const std::string line = ToUtf8(SongName(0)) + "\r\n";
    // Taken in turns, so that a busy moment of the machine weighs on both.
    double appended = 1e300, bare = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        // Every song a new one: the same song twice in a row is not listed again.
        appended = std::min(appended, BestMilliseconds(1, [&] {
            for (int i = 0; i < kAppendsPerRun; ++i, ++next) {
                const PlaylistEntry song{folder + L"\\" + SongName(next), L"星野ミナ", L"夜空のうた", 245};
                if (!AppendToPlaylist(playlist, song, false)) failed = true;
            }
        }));
        bare = std::min(bare, BestMilliseconds(1, [&] {
            for (int i = 0; i < kAppendsPerRun; ++i)
                if (!AppendLine(lines, line)) failed = true;
        }));
    }
    ::DeleteFileW(playlist.c_str());
    ::DeleteFileW(lines.c_str());
    ::RemoveDirectoryW(folder.c_str());
    if (failed) {
        std::printf("an append failed\n");
        return 1;
    }
    bench::Report("200 songs added to a playlist of 10,000", appended, bare, kTarget);
    return appended <= kTarget * bare ? 0 : 1;
}
