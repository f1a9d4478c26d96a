// 100,000 damaged files per format through the image readers: no crash, every
// loaded picture consistent, memory within the readers' bounds.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "../tests/processing/ImageMutations.h"

namespace {

constexpr std::uint32_t kMutations = 100000;

std::uint64_t PeakWorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize >> 20;
}

}  // namespace

int main() {
    struct Format {
        const char* name;
        samples::ImageFormat format;
        std::uint64_t origin;
    } formats[] = {{"BMP", samples::ImageFormat::Bmp, 101},
                   {"PNG", samples::ImageFormat::Png, 202},
                   {"JPEG", samples::ImageFormat::Jpeg, 303}};
    bool sound = true;
    for (const Format& format : formats) {
        const DWORD start = ::GetTickCount();
        samples::MutationRun run = samples::RunMutations(format.format, kMutations, format.origin);
        std::printf("%s: %u damaged files, %u loaded, %u refused, %u inconsistent%s%s, %lu ms, peak working set %llu MiB\n",
                    format.name, kMutations, run.loaded, run.refused, run.broken, run.firstProblem.empty() ? "" : " -- first: ",
                    run.firstProblem.c_str(), ::GetTickCount() - start, static_cast<unsigned long long>(PeakWorkingSetMiB()));
        sound = sound && run.broken == 0;
    }
    // The bounds allow one 256 MiB store and 256 MiB of decoder buffers at once.
    const bool bounded = PeakWorkingSetMiB() < 600;
    std::printf("%s\n", sound && bounded ? "all damaged files handled soundly" : "FAILED");
    return sound && bounded ? 0 : 1;
}
