#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include "ImageMutations.h"

namespace {

using samples::ImageFormat;

std::uint64_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

// A few thousand damaged files per format: every load either fails cleanly
// or gives a consistent picture, and memory stays within the bounds.
void RunFormat(ImageFormat format, std::uint64_t origin) {
    const std::uint64_t peakBefore = PeakWorkingSet();
    samples::MutationRun run = samples::RunMutations(format, 5000, origin);
    EXPECT_EQ(0u, run.broken) << run.firstProblem;
    EXPECT_GT(run.refused, 0u);
    EXPECT_GT(run.loaded, 0u);
    // The readers may hold one bounded store and libjpeg's bounded buffers at once.
    EXPECT_LT(PeakWorkingSet() - peakBefore, 600ull << 20);
    std::printf("%u loaded, %u refused, peak working set %llu MiB\n", run.loaded, run.refused,
                static_cast<unsigned long long>(PeakWorkingSet() >> 20));
}

TEST(ImageRobustnessTest, DamagedBmpFiles) { RunFormat(ImageFormat::Bmp, 1); }
TEST(ImageRobustnessTest, DamagedPngFiles) { RunFormat(ImageFormat::Png, 2); }
TEST(ImageRobustnessTest, DamagedJpegFiles) { RunFormat(ImageFormat::Jpeg, 3); }

}  // namespace
