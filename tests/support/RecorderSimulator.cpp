#include "RecorderSimulator.h"

#include "Id3Bytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz: 417 bytes a frame.
constexpr std::size_t kFrameSize = 417;

std::string Ansi(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                          nullptr);
    return bytes;
}

bool WriteAll(HANDLE file, const Bytes& bytes) {
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return (!folder.empty() && folder.back() == L'\\' ? folder : folder + L"\\") + name;
}

}  // namespace

RecorderSimulator::RecorderSimulator(const std::wstring& playDirectory, const std::wstring& endDirectory,
                                     DWORD growIntervalMs)
    : playDirectory_(playDirectory), endDirectory_(endDirectory), growIntervalMs_(growIntervalMs) {
    grower_ = std::thread([this] { Grow(); });
}

RecorderSimulator::~RecorderSimulator() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    grower_.join();
}

// Version 2.3 in UTF-16 with a byte-order mark, with padding as taggers leave it.
Bytes RecorderSimulator::Id3v2Tag(const RecordedTags& tags) {
    id3bytes::TagOptions options;
    options.padding = 64;
    return id3bytes::TitleArtistTag(3, id3bytes::Utf16Bom, tags.title, tags.artist, options);
}

Bytes RecorderSimulator::Id3v1Trailer(const RecordedTags& tags) {
    return id3bytes::Trailer(Ansi(tags.title), Ansi(tags.artist), '\0', "2026");
}

bool RecorderSimulator::AppendFrame() {
    // Frame bytes stay at 0x80 and above: no "TAG" or "ID3" inside the audio.
    Bytes frame{0xFF, 0xFB, 0x90, 0x00};
    for (std::size_t i = 4; i < kFrameSize; ++i) {
        frameSeed_ = frameSeed_ * 1103515245u + 12345u;
        frame.push_back(static_cast<std::uint8_t>(0x80 | ((frameSeed_ >> 16) & 0x7F)));
    }
    if (!WriteAll(file_.Get(), frame)) return false;
    Bytes& audio = audio_[current_];
    audio.insert(audio.end(), frame.begin(), frame.end());
    return true;
}

bool RecorderSimulator::FinishCurrent(bool keepUntilNextExists) {
    if (current_.empty()) return true;
    const bool written = WriteAll(file_.Get(), Id3v1Trailer(currentTags_));
    file_.Reset();
    const std::wstring from = Join(playDirectory_, current_);
    const std::wstring to = Join(endDirectory_, current_);
    bool handedOver = false;
    if (keepUntilNextExists && ::CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
        // Leaves the recording folder once the next song is in it.
        linkedInPlay_ = from;
        handedOver = true;
    } else {
        handedOver = ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
    }
    current_.clear();
    return written && handedOver;
}

bool RecorderSimulator::NextSong(const std::wstring& fileName, const RecordedTags& tags) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool ok = FinishCurrent(true);
    // The new file must be the newer one even on a coarse file clock.
    ::Sleep(30);
    current_ = fileName;
    currentTags_ = tags;
    audio_[fileName].clear();
    file_.Reset(::CreateFileW(Join(playDirectory_, fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ok = file_.Valid() && WriteAll(file_.Get(), Id3v2Tag(tags)) && AppendFrame() && ok;
    if (!file_.Valid()) current_.clear();
    if (!linkedInPlay_.empty()) {
        ok = ::DeleteFileW(linkedInPlay_.c_str()) && ok;
        linkedInPlay_.clear();
    }
    return ok;
}

bool RecorderSimulator::EndSong() {
    std::lock_guard<std::mutex> lock(mutex_);
    return FinishCurrent(false);
}

std::vector<std::uint8_t> RecorderSimulator::Audio(const std::wstring& fileName) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = audio_.find(fileName);
    return found == audio_.end() ? Bytes() : found->second;
}

std::wstring RecorderSimulator::current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

void RecorderSimulator::Grow() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(growIntervalMs_));
        if (!stopping_ && file_.Valid()) AppendFrame();
    }
    file_.Reset();
}
