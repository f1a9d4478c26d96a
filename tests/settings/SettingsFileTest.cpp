#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "base/PathHelpers.h"
#include "base/ScopedHandle.h"
#include "settings/Settings.h"
#include "support/TempFolder.h"

using testing_support::Exists;
using testing_support::ListNames;
using testing_support::ReadBytes;
using testing_support::TempFolder;
using testing_support::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {

void PutU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutText(Bytes& out, const std::wstring& text) {
    for (wchar_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
}

// A settings file: tag, N, Z and the zlib stream of `body`.
Bytes FileOf(std::uint32_t tag, const Bytes& body) {
    Bytes file;
    PutU32(file, tag);
    PutU32(file, static_cast<std::uint32_t>(body.size()));
    if (body.empty()) return file;
    uLongf packedLength = compressBound(static_cast<uLong>(body.size()));
    Bytes packed(packedLength);
    compress(packed.data(), &packedLength, body.data(), static_cast<uLong>(body.size()));
    PutU32(file, static_cast<std::uint32_t>(packedLength));
    file.insert(file.end(), packed.begin(), packed.begin() + packedLength);
    return file;
}

Bytes BodyOf(const Bytes& file) {
    EXPECT_GE(file.size(), 12u);
    std::uint32_t n = file[4] | file[5] << 8 | file[6] << 16 | file[7] << 24;
    std::uint32_t z = file[8] | file[9] << 8 | file[10] << 16 | file[11] << 24;
    EXPECT_EQ(file.size(), 12u + z);
    Bytes body(n);
    uLongf length = n;
    EXPECT_EQ(uncompress(body.data(), &length, file.data() + 12, z), Z_OK);
    EXPECT_EQ(length, n);
    return body;
}

// The documented example: tag 0, IsTopmost = true, no groups.
Bytes TopmostBody() {
    Bytes body;
    PutU32(body, 0);
    PutU32(body, 1);
    PutText(body, L"IsTopmost");
    PutU32(body, 1);
    body.push_back(1);
    PutU32(body, 0);
    return body;
}

}  // namespace

TEST(SettingsFile, WritesTheDocumentedLayout) {
    TempFolder folder;
    Settings empty;
    ASSERT_TRUE(empty.Save(folder / L"empty.dat"));
    Bytes file = ReadBytes(folder / L"empty.dat");
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), (Bytes{0, 0, 0, 0, 12, 0, 0, 0}));
    EXPECT_EQ(BodyOf(file), Bytes(12, 0));

    Settings one;
    one.SetBool(L"IsTopmost", true);
    ASSERT_TRUE(one.Save(folder / L"one.dat"));
    Bytes body = BodyOf(ReadBytes(folder / L"one.dat"));
    EXPECT_EQ(body.size(), 37u);
    EXPECT_EQ(body, TopmostBody());
}

TEST(SettingsFile, LoadMergesIntoTheDefaults) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder / L"s.dat", FileOf(0, TopmostBody())));
    Settings s;
    s.SetBool(L"IsTopmost", false);
    s.SetBool(L"IgnoreFirst", true);
    ASSERT_TRUE(s.Load(folder / L"s.dat"));
    EXPECT_TRUE(s.GetBool(L"IsTopmost"));
    EXPECT_TRUE(s.GetBool(L"IgnoreFirst"));

    // A group in the file replaces the whole group of that name.
    Settings file;
    file.Group(L"Station").Group(L"A").SetInt(L"WaitTime", 5);
    ASSERT_TRUE(file.Save(folder / L"g.dat"));
    Settings memory;
    memory.Group(L"Station").Group(L"B").SetInt(L"WaitTime", 7);
    memory.Group(L"Other").SetInt(L"Keep", 1);
    ASSERT_TRUE(memory.Load(folder / L"g.dat"));
    EXPECT_EQ(memory.Group(L"Station").FindGroup(L"B"), nullptr);
    EXPECT_EQ(memory.Group(L"Station").Group(L"A").GetInt(L"WaitTime"), 5);
    EXPECT_EQ(memory.Group(L"Other").GetInt(L"Keep"), 1);
}

TEST(SettingsFile, EmptyBodyResetsOnlyTheTag) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder / L"s.dat", FileOf(77, Bytes())));
    Settings s;
    s.tag = 5;
    s.SetInt(L"Kept", 1);
    ASSERT_TRUE(s.Load(folder / L"s.dat"));
    EXPECT_EQ(s.tag, 0);
    EXPECT_EQ(s.GetInt(L"Kept"), 1);
}

TEST(SettingsFile, RoundTripKeepsEveryByte) {
    TempFolder folder;
    Settings s;
    s.tag = -3;
    s.values[L"Three"] = SettingValue{1, 2, 3};
    s.values[L"Zero"] = SettingValue{};
    s.SetString(L"曲名", L"ラジオ \xD83D\xDE00");
    Settings& deep = s.Group(L"Station").Group(L"局 1");
    deep.tag = 42;
    deep.SetInt(L"WaitTime", 30);
    deep.Group(L"Nested").Group(L"Deeper").SetBool(L"Flag", true);
    s.Group(L"Empty");
    ASSERT_TRUE(s.Save(folder / L"r.dat"));

    Settings loaded;
    ASSERT_TRUE(loaded.Load(folder / L"r.dat"));
    EXPECT_EQ(loaded, s);

    // Saving over an existing file replaces it and leaves nothing else behind.
    s.SetInt(L"Second", 2);
    ASSERT_TRUE(s.Save(folder / L"r.dat"));
    EXPECT_EQ(ListNames(folder.path()), std::vector<std::wstring>{L"r.dat"});
    Settings again;
    ASSERT_TRUE(again.Load(folder / L"r.dat"));
    EXPECT_EQ(again.GetInt(L"Second"), 2);
}

TEST(SettingsFile, FailedSaveLeavesTheOldFileUntouched) {
    TempFolder folder;
    Settings s;
    EXPECT_FALSE(s.Save(folder / L"no such folder\\s.dat"));

    Settings old;
    old.SetInt(L"Old", 1);
    ASSERT_TRUE(old.Save(folder / L"s.dat"));
    const Bytes before = ReadBytes(folder / L"s.dat");
    {
        // Held open without delete sharing, the file cannot be replaced.
        kit::UniqueHandle held(::CreateFileW((folder / L"s.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        s.SetInt(L"New", 2);
        EXPECT_FALSE(s.Save(folder / L"s.dat"));
    }
    EXPECT_EQ(ReadBytes(folder / L"s.dat"), before);
    EXPECT_EQ(ListNames(folder.path()), std::vector<std::wstring>{L"s.dat"});
}

// GetTempFileNameW fails in folders longer than MAX_PATH - 14; beyond
// MAX_PATH only "\\?\" paths reach the file at all.
TEST(SettingsFile, SavesAndLoadsInLongFolders) {
    TempFolder folder;
    for (size_t length : {250u, 257u, 300u}) {
        std::wstring deep = folder.path();
        while (deep.size() < length) {
            const size_t room = length - deep.size();
            deep += L"\\" + std::wstring(std::clamp<size_t>(room - 1, 1, 60), L'd');
            ::CreateDirectoryW(ExtendedLengthPath(deep).c_str(), nullptr);
        }
        SCOPED_TRACE(deep.size());
        Settings saved;
        saved.SetString(L"Url", L"http://example/");
        ASSERT_TRUE(saved.Save(deep + L"\\Kestrel.dat"));
        Settings loaded;
        EXPECT_TRUE(loaded.Load(deep + L"\\Kestrel.dat"));
        EXPECT_EQ(loaded, saved);
    }
}

TEST(SettingsFile, MissingFileLeavesTheTreeAlone) {
    TempFolder folder;
    Settings s;
    s.SetInt(L"A", 1);
    Settings::Damage damage = Settings::Damage::SetAside;
    EXPECT_FALSE(s.Load(folder / L"missing.dat", &damage));
    EXPECT_EQ(damage, Settings::Damage::None);
    EXPECT_EQ(s.GetInt(L"A"), 1);
    EXPECT_FALSE(Exists(folder / L"missing.dat.bad"));
    EXPECT_FALSE(s.Load(folder / L"no folder\\missing.dat", &damage));
    EXPECT_EQ(damage, Settings::Damage::None);
}

// A file that is there but held by another program is no first start.
TEST(SettingsFile, FileThatCannotBeOpenedIsReportedAndLeftAlone) {
    TempFolder folder;
    Settings stored;
    stored.Group(L"Station").Group(L"FM").SetInt(L"WaitTime", 3);
    const std::wstring path = folder / L"held.dat";
    ASSERT_TRUE(stored.Save(path));
    const Bytes bytes = ReadBytes(path);
    {
        kit::UniqueHandle held(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        Settings s;
        s.SetInt(L"A", 1);
        const Settings defaults = s;
        Settings::Damage damage = Settings::Damage::None;
        DWORD reason = ERROR_SUCCESS;
        EXPECT_FALSE(s.Load(path, &damage, &reason));
        EXPECT_EQ(damage, Settings::Damage::Unreadable);
        EXPECT_EQ(reason, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(s, defaults);
    }
    EXPECT_FALSE(Exists(path + L".bad"));
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST(SettingsFile, DamagedFilesMergeNothingAndAreKeptAside) {
    TempFolder folder;
    Settings good;
    good.SetString(L"Url", L"http://example/");
    good.Group(L"Station").Group(L"A").SetInt(L"WaitTime", 3);
    ASSERT_TRUE(good.Save(folder / L"good.dat"));
    const Bytes valid = ReadBytes(folder / L"good.dat");

    Bytes hugeCount;  // a value count far beyond the body
    PutU32(hugeCount, 0);
    PutU32(hugeCount, 0x7FFFFFFF);
    Bytes hugeLength = TopmostBody();  // a value length past the end
    hugeLength[28] = 0xFF;
    hugeLength[29] = 0xFF;
    Bytes unterminated;  // a key that never ends
    PutU32(unterminated, 0);
    PutU32(unterminated, 1);
    unterminated.insert(unterminated.end(), {0x41, 0, 0x42, 0});
    Bytes badN = valid;  // N claims far more than Z can hold
    badN[7] = 0x7F;
    Bytes shortN = valid;  // N claims less than the stream holds
    shortN[4] -= 1;
    Bytes corrupt = valid;  // damage inside the deflate data
    corrupt[corrupt.size() / 2 + 6] ^= 0x5A;

    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty file", Bytes()},
        {"header only", Bytes{1, 2, 3}},
        {"truncated stream", Bytes(valid.begin(), valid.end() - 5)},
        {"Z past the end", Bytes(valid.begin(), valid.begin() + 14)},
        {"huge count", FileOf(0, hugeCount)},
        {"huge length", FileOf(0, hugeLength)},
        {"unterminated key", FileOf(0, unterminated)},
        {"N beyond Z", badN},
        {"N short", shortN},
        {"corrupt stream", corrupt},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::wstring path = folder / L"s.dat";
        ASSERT_TRUE(WriteBytes(path, bytes));
        Settings s;
        s.tag = 11;
        s.SetBool(L"IgnoreFirst", true);
        const Settings defaults = s;
        Settings::Damage damage = Settings::Damage::None;
        EXPECT_FALSE(s.Load(path, &damage));
        EXPECT_EQ(damage, Settings::Damage::SetAside);
        EXPECT_EQ(s, defaults);
        EXPECT_EQ(ReadBytes(path + L".bad"), bytes);
        EXPECT_EQ(ReadBytes(path), bytes);
    }

    // Nowhere to keep the copy (a folder holds its name): that is told too.
    const std::wstring blocked = folder / L"blocked.dat";
    ASSERT_TRUE(WriteBytes(blocked, corrupt));
    ASSERT_TRUE(::CreateDirectoryW((blocked + L".bad").c_str(), nullptr));
    Settings s;
    Settings::Damage damage = Settings::Damage::None;
    EXPECT_FALSE(s.Load(blocked, &damage));
    EXPECT_EQ(damage, Settings::Damage::NotSetAside);
}

TEST(SettingsFile, SettingsFileSitsBesideTheProgram) {
    EXPECT_EQ(RenameExtension(L"C:\\Tools\\a.b.exe", L".dat"), L"C:\\Tools\\a.b.dat");
    EXPECT_EQ(RenameExtension(L"C:\\Tools\\Kestrel.exe", L".dat"), L"C:\\Tools\\Kestrel.dat");
}
