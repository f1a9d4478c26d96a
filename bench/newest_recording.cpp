// FindNewestRecording over 10,000 MP3 files against a bare
// FindFirstFileW/FindNextFileW walk of the same folder.
#include <string>

#include "BenchTiming.h"
#include "base/ScopedHandle.h"
#include "processing/RecordingFiles.h"
#include "settings/Settings.h"

int main() {
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-bench-play";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < 10000; ++i) {
        const std::wstring path = folder + L"\\song " + std::to_wstring(i) + L".mp3";
        kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    Settings station;
    station.SetString(L"PlayDirectory", folder);

    std::wstring newest;
    const double scan = bench::BestOf(7, [&] { newest = FindNewestRecording(station, L"C:\\end"); });
    size_t count = 0;
    const double bare = bench::BestOf(7, [&] {
        WIN32_FIND_DATAW record;
        kit::UniqueFindHandle find(::FindFirstFileW((folder + L"\\*.mp3").c_str(), &record));
        if (find) do ++count; while (::FindNextFileW(find.Get(), &record));
    });
    std::printf("newest: %ls (%zu entries walked)\n", newest.c_str(), count / 7);
    bench::Report("FindNewestRecording vs bare find walk", scan, bare, 2.0);

    for (int i = 0; i < 10000; ++i) ::DeleteFileW((folder + L"\\song " + std::to_wstring(i) + L".mp3").c_str());
    ::RemoveDirectoryW(folder.c_str());
    return 0;
}
