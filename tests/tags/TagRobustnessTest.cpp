#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "support/Id3Bytes.h"
#include "support/TempFolder.h"
#include "tags/Mp3Tag.h"
#include "tags/StripTags.h"

using namespace id3bytes;
using testing_support::ListNames;
using testing_support::ReadBytes;
using testing_support::TempFolder;
using testing_support::WriteBytes;
using Names = std::vector<std::wstring>;

namespace {

std::vector<Bytes> SeedRecordings() {
    TagOptions unsync;
    unsync.unsynchronise = true;
    TagOptions footer;
    footer.footer = true;
    footer.padding = 16;
    const Bytes audio = Audio(700, 3);
    const Bytes trailer = Trailer("Origin title", "Origin artist");
    return {
        Join({TitleArtistTag(2, Latin1, L"Two", L"Latin"), audio}),
        Join({TitleArtistTag(2, Utf16Bom, L"\u591C\u7A7A", L"Two"), audio, trailer}),
        Join({TitleArtistTag(3, Utf16Bom, L"\u00FF\u00E0\u591C", L"Three", unsync), audio}),
        Join({TitleArtistTag(3, Latin1, L"Three", L"Plain"), audio, trailer}),
        Join({TitleArtistTag(4, Utf8, L"Four \U0001F3B5", L"Utf8", footer), audio}),
        Join({TitleArtistTag(4, Utf16Be, L"\u30E0", L"\u30E0\u30B3", unsync), audio, trailer}),
        Join({Tag(4, {Frame(4, "TPE1", TextBody(Utf8, {L"A", L"B", L"C"})),
                      Frame(4, "TALB", TextBody(Utf16Bom, {L"X", L"Y"}))}),
              TitleArtistTag(3, Latin1, L"Second", L"Tag"), audio}),
        Join({audio, trailer}),
    };
}

// What stripping must leave, worked out from the file's bytes alone.
struct Expected {
    bool result;
    Bytes content;
};

Expected ExpectedStrip(const Bytes& bytes) {
    const size_t size = bytes.size();
    const bool trailer = size >= 128 && std::memcmp(&bytes[size - 128], "TAG", 3) == 0;
    // A header of an unknown version or with a size that is not syncsafe is no tag.
    const bool header = size >= 10 && std::memcmp(bytes.data(), "ID3", 3) == 0 && bytes[3] >= 2 &&
                        bytes[3] <= 4 && (bytes[6] | bytes[7] | bytes[8] | bytes[9]) < 0x80;
    if (!trailer && !header) return {true, bytes};
    std::uint64_t begin = 0;
    if (header) {
        begin = 10;
        std::uint64_t declared = 0;
        for (int i = 6; i < 10; ++i) declared = declared * 128 + bytes[i];
        begin += declared;
    }
    const std::uint64_t end = trailer ? size - 128 : size;
    if (begin > end) return {false, bytes};
    return {true, Bytes(bytes.begin() + begin, bytes.begin() + end)};
}

Bytes Mutate(const Bytes& origin, std::mt19937& random) {
    Bytes bytes = origin;
    auto pick = [&](size_t limit) { return limit == 0 ? 0 : std::uniform_int_distribution<size_t>(0, limit - 1)(random); };
    auto byte = [&] { return static_cast<std::uint8_t>(random()); };
    const int edits = 1 + static_cast<int>(pick(4));
    for (int e = 0; e < edits; ++e) {
        switch (pick(6)) {
        case 0:  // anywhere
            if (!bytes.empty()) bytes[pick(bytes.size())] = byte();
            break;
        case 1:  // inside the leading tag, where the parser works hardest
            if (!bytes.empty()) bytes[pick(std::min<size_t>(bytes.size(), 120))] = byte();
            break;
        case 2:  // the declared size, kept a valid 7-bit group half of the time
            if (bytes.size() >= 10) bytes[6 + pick(4)] = pick(2) ? byte() & 0x7F : byte();
            break;
        case 3:  // cut short
            bytes.resize(pick(bytes.size() + 1));
            break;
        case 4:  // bytes slipped in
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(pick(bytes.size() + 1)), pick(40), byte());
            break;
        case 5:  // the trailer region
            if (bytes.size() >= 128) bytes[bytes.size() - 128 + pick(128)] = byte();
            break;
        }
    }
    return bytes;
}

}  // namespace

TEST(TagRobustness, SeededMutationsNeitherCrashNorLoseTheRecording) {
    TempFolder folder;
    const std::wstring path = folder / L"mutant.mp3";
    const std::vector<Bytes> seeds = SeedRecordings();
    std::mt19937 random(20261208);
    const int kRounds = 2000;
    int refused = 0;
    for (int round = 0; round < kRounds; ++round) {
        const Bytes bytes = Mutate(seeds[round % seeds.size()], random);
        // A new file each round: truncating one makes ext4 write its cached data first.
        ::DeleteFileW(path.c_str());
        ASSERT_TRUE(WriteBytes(path, bytes));
        {
            kit::Mp3Tag tag;
            if (tag.Open(path)) {
                // Only that reading returns; what it returns depends on the damage.
                tag.GetText(L"TIT2");
                tag.GetText(L"TPE1");
                tag.GetText(L"TALB");
            }
        }
        const Expected expected = ExpectedStrip(bytes);
        const bool result = StripTags(path);
        ASSERT_EQ(result, expected.result) << "round " << round;
        ASSERT_TRUE(ReadBytes(path) == expected.content) << "round " << round;
        if (!result) ++refused;
    }
    EXPECT_EQ(ListNames(folder.path()), Names{L"mutant.mp3"});
    // The mutations must reach the refusing branch, or the run proves little.
    EXPECT_GT(refused, kRounds / 20);
}
