#include "tags/Mp3Duration.h"

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/File.h"
#include "tags/TagLayout.h"

namespace {

// The first frame is looked for this far past the tag: enough for the junk
// some recorders leave, small enough to stay cheap.
constexpr std::uint64_t kSearchBytes = 64 * 1024;

struct FrameHeader {
    int version = 0;  // 1, 2 or 25 (2.5)
    int bitRate = 0;  // kbit/s
    int sampleRate = 0;
    int samplesPerFrame = 0;
    bool mono = false;
    bool padded = false;

    std::size_t length() const {
        return std::size_t(samplesPerFrame / 8) * bitRate * 1000 / sampleRate + (padded ? 1 : 0);
    }
};

// Layer III only: the recorders write nothing else.
bool ReadHeader(const std::uint8_t* b, FrameHeader& header) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0 || ((b[1] >> 1) & 3) != 1) return false;
    static const int kMpeg1Rates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kMpeg2Rates[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int kSampleRates[] = {44100, 48000, 32000, 0};
    const int versionBits = (b[1] >> 3) & 3;
    if (versionBits == 1) return false;  // reserved
    header.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    const int rateIndex = b[2] >> 4;
    header.bitRate = header.version == 1 ? kMpeg1Rates[rateIndex] : kMpeg2Rates[rateIndex];
    const int divisor = header.version == 1 ? 1 : header.version == 2 ? 2 : 4;
    header.sampleRate = kSampleRates[(b[2] >> 2) & 3] / divisor;
    header.samplesPerFrame = header.version == 1 ? 1152 : 576;
    header.mono = (b[3] >> 6) == 3;
    header.padded = (b[2] >> 1) & 1;
    return header.bitRate > 0 && header.sampleRate > 0;
}

std::uint32_t BigEndian(const std::uint8_t* b) {
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
}

// The frame count a VBR encoder wrote into the first frame; 0 when none.
std::uint32_t FrameCount(const std::uint8_t* frame, std::size_t length, const FrameHeader& header) {
    const std::size_t side = header.version == 1 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17);
    const std::size_t xing = 4 + side;
    if (xing + 12 <= length && (std::memcmp(frame + xing, "Xing", 4) == 0 || std::memcmp(frame + xing, "Info", 4) == 0) &&
        (frame[xing + 7] & 1))
        return BigEndian(frame + xing + 8);
    if (36 + 18 <= length && std::memcmp(frame + 36, "VBRI", 4) == 0) return BigEndian(frame + 36 + 14);
    return 0;
}

}  // namespace

int Mp3Seconds(const std::wstring& path) {
    kit::File file;
    if (!file.OpenRead(path, FILE_SHARE_READ | FILE_SHARE_WRITE)) return -1;
    const TagLayout layout = ReadTagLayout(file);
    if (!layout.Fits() || layout.keepEnd - layout.keepBegin < 4) return -1;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(kSearchBytes, layout.keepEnd - layout.keepBegin)));
    file.Seek(layout.keepBegin);
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return -1;
    for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
        FrameHeader header;
        if (!ReadHeader(&bytes[at], header)) continue;
        // Audio bytes can look like a header; a real frame has another behind it.
        FrameHeader next;
        const std::size_t following = at + header.length();
        if (following + 4 <= bytes.size() && !ReadHeader(&bytes[following], next)) continue;
        const std::uint32_t frames = FrameCount(&bytes[at], bytes.size() - at, header);
        // Rounded to the nearest second, as players show it.
        if (frames) {
            const std::uint64_t samples = std::uint64_t(frames) * header.samplesPerFrame;
            return static_cast<int>((samples + header.sampleRate / 2) / header.sampleRate);
        }
        const std::uint64_t bits = (layout.keepEnd - layout.keepBegin - at) * 8;
        const std::uint64_t bitsPerSecond = std::uint64_t(header.bitRate) * 1000;
        return static_cast<int>((bits + bitsPerSecond / 2) / bitsPerSecond);
    }
    return -1;
}
