// Repeatable mutations of valid settings files through Load: no crash, and no
// allocation out of proportion to the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "settings/Settings.h"
#include "support/TempFolder.h"

namespace {
size_t g_largestAllocation = 0;
bool g_tracking = false;
}  // namespace

void* operator new(size_t size) {
    if (g_tracking && size > g_largestAllocation) g_largestAllocation = size;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

using testing_support::ReadBytes;
using testing_support::TempFolder;
using testing_support::WriteBytes;

TEST(SettingsRobustness, MutatedFilesNeitherCrashNorBalloon) {
    TempFolder folder;
    Settings source;
    for (int i = 0; i < 6; ++i) {
        Settings& station = source.Group(L"Station").Group(L"局" + std::to_wstring(i));
        station.SetString(L"Url", L"http://127.0.0.1/now-playing");
        station.SetString(L"MatchPattern", L"<title>(.*?)</title>");
        station.SetInt(L"WaitTime", i);
        station.SetString(L"Html", std::wstring(200 + 50 * i, L'x'));
    }
    source.SetInt(L"IgnoreCount", 2);
    source.Group(L"IgnoreList").SetString(L"0", L"cm*");
    ASSERT_TRUE(source.Save(folder / L"valid.dat"));
    const std::vector<std::uint8_t> valid = ReadBytes(folder / L"valid.dat");
    ASSERT_GT(valid.size(), 40u);

    std::mt19937 random(20261208);
    const std::wstring path = folder / L"s.dat";
    int loaded = 0;
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes = valid;
        switch (round % 4) {
            case 0:  // flip a few bytes anywhere
                for (int k = 0; k < 1 + static_cast<int>(random() % 4); ++k)
                    bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
                break;
            case 1:  // cut it short
                bytes.resize(random() % bytes.size());
                break;
            case 2:  // a corrupted length field in the header
                bytes[4 + random() % 8] = static_cast<std::uint8_t>(random());
                break;
            default:  // garbage appended after one flip in the header
                bytes[random() % 12] ^= 0xFF;
                bytes.insert(bytes.end(), random() % 64, static_cast<std::uint8_t>(random()));
                break;
        }
        ASSERT_TRUE(WriteBytes(path, bytes));
        Settings s;
        g_largestAllocation = 0;
        g_tracking = true;
        const bool ok = s.Load(path);
        g_tracking = false;
        loaded += ok;
        ASSERT_LE(g_largestAllocation, 32 * valid.size() + 65536) << "round " << round;
    }
    // Flips in the header tag still load; most mutations must be refused.
    EXPECT_LT(loaded, 2000);
}
