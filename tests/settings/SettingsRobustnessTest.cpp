// Repeatable mutations of valid settings files through Load: no crash, and no
// allocation out of proportion to the file.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <new>
#include <random>

#include "settings/Settings.h"
#include "settings/SettingsStream.h"
#include "support/TempFolder.h"

namespace {
size_t g_largestAllocation = 0;
bool g_tracking = false;
// While tracking, a request above this fails as a machine short of memory would.
size_t g_failAbove = SIZE_MAX;
}  // namespace

void* operator new(size_t size) {
    if (g_tracking && size > g_largestAllocation) g_largestAllocation = size;
    if (g_tracking && size > g_failAbove) throw std::bad_alloc();
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

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU32(Bytes& out, std::uint64_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A settings file whose body is `head`, then `count` bytes of `fill`, then
// `tail`: a small file that inflates to whatever `count` says.
Bytes CraftedFile(const Bytes& head, std::uint8_t fill, std::uint64_t count, const Bytes& tail) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, Z_DEFAULT_COMPRESSION), Z_OK);
    Bytes packed, out(1 << 16);
    const Bytes block(1 << 20, fill);
    auto feed = [&](const std::uint8_t* data, size_t size, int flush) {
        z.next_in = const_cast<Bytef*>(data);
        z.avail_in = static_cast<uInt>(size);
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, flush);
            packed.insert(packed.end(), out.data(), out.data() + (out.size() - z.avail_out));
        } while (z.avail_out == 0);
    };
    feed(head.data(), head.size(), Z_NO_FLUSH);
    for (std::uint64_t done = 0; done < count; done += block.size())
        feed(block.data(), static_cast<size_t>(std::min<std::uint64_t>(block.size(), count - done)), Z_NO_FLUSH);
    feed(tail.data(), tail.size(), Z_FINISH);
    deflateEnd(&z);
    Bytes file;
    PutU32(file, 0);
    PutU32(file, head.size() + count + tail.size());
    PutU32(file, packed.size());
    file.insert(file.end(), packed.begin(), packed.end());
    return file;
}

}  // namespace

// Each file is real zlib data that would inflate to tens of megabytes: it is
// refused as damage before its contents are allocated, and quickly.
TEST(SettingsRobustness, FilesPastTheSizeBoundsAreDamageWithoutAllocating) {
    using namespace settings_stream;
    TempFolder folder;
    Bytes oneValue;  // tag, one value, then its key
    PutU32(oneValue, 0);
    PutU32(oneValue, 1);
    Bytes valueHead = oneValue;  // key "A" and a length just past the bound
    valueHead.insert(valueHead.end(), {0x41, 0, 0, 0});
    PutU32(valueHead, kMaxValueLength + 1);
    Bytes end;  // no groups
    PutU32(end, 0);
    Bytes overall = valueHead;  // the same length but within bounds, in a body past its bound
    overall.resize(overall.size() - 4);
    PutU32(overall, kMaxBodyLength / 2);

    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"endless key", CraftedFile(oneValue, 0x41, 2 * kMaxNameUnits + 64, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"huge value", CraftedFile(valueHead, 0x78, kMaxValueLength + 1, end)},
        {"huge body", CraftedFile(overall, 0x78, kMaxBodyLength, end)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        ASSERT_LT(bytes.size(), 1u << 20);
        const std::wstring path = folder / L"s.dat";
        ASSERT_TRUE(WriteBytes(path, bytes));
        Settings s;
        Settings::Damage damage = Settings::Damage::None;
        g_largestAllocation = 0;
        g_tracking = true;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = s.Load(path, &damage);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        g_tracking = false;
        EXPECT_FALSE(ok);
        EXPECT_EQ(damage, Settings::Damage::SetAside);
        EXPECT_EQ(ReadBytes(path + L".bad"), bytes);
        EXPECT_LE(g_largestAllocation, 8u << 20);
        EXPECT_LT(elapsed, std::chrono::seconds(2));
    }
}

// Out of memory while reading says nothing about the file: it is neither set
// aside nor merged, and the caller learns not to save over it.
TEST(SettingsRobustness, RunningOutOfMemoryLeavesTheFileAndTheTreeAlone) {
    TempFolder folder;
    Settings stored;
    stored.Group(L"Station").Group(L"FM").SetString(L"Html", std::wstring(100000, L'x'));
    const std::wstring path = folder / L"s.dat";
    ASSERT_TRUE(stored.Save(path));
    Settings s;
    s.SetInt(L"A", 1);
    const Settings defaults = s;
    Settings::Damage damage = Settings::Damage::None;
    DWORD reason = ERROR_SUCCESS;
    g_failAbove = 65536;
    g_tracking = true;
    bool ok = true;
    EXPECT_NO_THROW(ok = s.Load(path, &damage, &reason));
    g_tracking = false;
    g_failAbove = SIZE_MAX;
    EXPECT_FALSE(ok);
    EXPECT_EQ(damage, Settings::Damage::Unreadable);
    EXPECT_EQ(reason, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(s, defaults);
    EXPECT_FALSE(testing_support::Exists(path + L".bad"));
}
