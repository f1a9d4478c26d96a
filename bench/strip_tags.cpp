// Stripping the tags of a 50 MB recording, measured against copying the same file
// with CopyFileW in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/ScopedHandle.h"
#include "tags/StripTags.h"
#include "BenchTiming.h"

namespace {

constexpr std::uint32_t kFileSize = 50u << 20;
constexpr std::uint32_t kTagSize = 1u << 20;
constexpr int kRuns = 3;

bool WriteRecording(const std::wstring& path, bool leadingTag) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::vector<std::uint8_t> chunk(1u << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>('a' + i % 26);
    std::uint32_t written = 0;
    auto put = [&](const void* data, DWORD count) {
        DWORD done = 0;
        bool ok = ::WriteFile(file.Get(), data, count, &done, nullptr) && done == count;
        written += done;
        return ok;
    };
    if (leadingTag) {
        // Header declaring a tag of kTagSize - 10 bytes of padding behind it.
        const std::uint32_t declared = kTagSize - 10;
        std::uint8_t header[10] = {'I', 'D', '3', 3, 0, 0,
                                   std::uint8_t((declared >> 21) & 0x7F), std::uint8_t((declared >> 14) & 0x7F),
                                   std::uint8_t((declared >> 7) & 0x7F), std::uint8_t(declared & 0x7F)};
        std::vector<std::uint8_t> padding(declared, 0);
        if (!put(header, 10) || !put(padding.data(), declared)) return false;
    }
    while (written < kFileSize - 128) {
        const DWORD count = std::min<std::uint32_t>(static_cast<std::uint32_t>(chunk.size()), kFileSize - 128 - written);
        if (!put(chunk.data(), count)) return false;
    }
    std::uint8_t trailer[128] = {'T', 'A', 'G'};
    return put(trailer, sizeof trailer) && ::FlushFileBuffers(file.Get());
}

// A finished recording was written minutes ago: its data is on the disk, not waiting
// in the cache (ext4 writes cached data back when a file with pending data is cut).
bool Flush(const std::wstring& path) {
    kit::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::FlushFileBuffers(file.Get());
}

// Best of kRuns: the copy, StripTags on a fresh copy of `master`, and deleting a copy
// (what replacing a file costs on top of writing the new one).
bool Measure(const std::wstring& master, const std::wstring& work, double& copy, double& strip,
             double& remove) {
    copy = strip = remove = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        if (!::CopyFileW(master.c_str(), work.c_str(), FALSE) || !Flush(work)) return false;
        double start = bench::Seconds();
        if (!::DeleteFileW(work.c_str())) return false;
        remove = std::min(remove, bench::Seconds() - start);

        start = bench::Seconds();
        if (!::CopyFileW(master.c_str(), work.c_str(), FALSE)) return false;
        copy = std::min(copy, bench::Seconds() - start);
        if (!Flush(work)) return false;
        start = bench::Seconds();
        if (!StripTags(work)) return false;
        strip = std::min(strip, bench::Seconds() - start);
    }
    return true;
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrel-bench-tags";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring tagged = folder + L"\\tagged.mp3", trailerOnly = folder + L"\\trailer.mp3",
                       work = folder + L"\\work.mp3";
    int status = 0;
    double copy = 0, strip = 0, remove = 0;
    if (!WriteRecording(tagged, true) || !WriteRecording(trailerOnly, false)) {
        std::printf("cannot write the test recordings\n");
        status = 1;
    } else {
        if (Measure(tagged, work, copy, strip, remove)) {
            std::printf("strip 1 MB ID3v2 tag + trailer of 50 MB file / CopyFileW: %.3f (target <= 1.3; %.0f ms vs %.0f ms)\n",
                        strip / copy, strip * 1000, copy * 1000);
            std::printf("  for reference, DeleteFileW of a 50 MB file / CopyFileW: %.3f\n", remove / copy);
        } else {
            status = 1;
        }
        if (Measure(trailerOnly, work, copy, strip, remove))
            std::printf("strip ID3v1 trailer only of 50 MB file / CopyFileW: %.3f (target <= 0.05; %.1f ms vs %.0f ms)\n",
                        strip / copy, strip * 1000, copy * 1000);
        else status = 1;
    }
    for (const std::wstring* path : {&tagged, &trailerOnly, &work}) ::DeleteFileW(path->c_str());
    ::RemoveDirectoryW(folder.c_str());
    return status;
}
