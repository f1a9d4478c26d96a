#include "settings/SettingsStream.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace settings_stream {

namespace {
// Deflate cannot expand data by more than about 1032:1; a claim beyond that
// is damage, not data.
constexpr std::uint64_t kMaxInflateRatio = 1032;
constexpr std::uint64_t kInflateSlack = 4096;
// Values above this size grow as their bytes arrive, so a damaged length
// cannot make us allocate what the stream never delivers.
constexpr std::uint64_t kTrustedBlock = 4u << 20;
constexpr size_t kChunk = 256u << 10;
constexpr std::uint32_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();

bool TooLarge() {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
}
}  // namespace

bool ReadU32(ByteSource& source, std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (!source.Read(bytes, 4)) return false;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

bool WriteU32(ByteSink& sink, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 24)};
    return sink.Write(bytes, 4);
}

bool ReadString(ByteSource& source, std::wstring& text) {
    text.clear();
    std::uint8_t unit[2];
    while (source.Read(unit, 2)) {
        const wchar_t c = static_cast<wchar_t>(unit[0] | (unit[1] << 8));
        if (c == 0) return true;
        if (text.size() >= kMaxNameUnits) return false;
        text.push_back(c);
    }
    return false;
}

bool WriteString(ByteSink& sink, const std::wstring& text) {
    if (text.size() > kMaxNameUnits) return TooLarge();
    std::vector<std::uint8_t> bytes((text.size() + 1) * 2, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>((text[i] >> 8) & 0xFF);
    }
    return sink.Write(bytes.data(), bytes.size());
}

bool ReadByteBlock(ByteSource& source, std::vector<std::uint8_t>& block) {
    std::uint32_t length = 0;
    if (!ReadU32(source, length) || length > source.Remaining() || length > kMaxValueLength) return false;
    if (length <= kTrustedBlock) {
        block.resize(length);
        return length == 0 || source.Read(block.data(), length);
    }
    block.clear();
    for (std::uint64_t done = 0; done < length;) {
        const std::uint64_t step = std::min<std::uint64_t>(length - done, std::max<std::uint64_t>(done, kTrustedBlock));
        block.resize(static_cast<size_t>(done + step));
        if (!source.Read(block.data() + done, step)) return false;
        done += step;
    }
    return true;
}

bool WriteByteBlock(ByteSink& sink, const std::vector<std::uint8_t>& block) {
    if (block.size() > kMaxValueLength) return TooLarge();
    return WriteU32(sink, static_cast<std::uint32_t>(block.size())) &&
           (block.empty() || sink.Write(block.data(), block.size()));
}

bool FileSource::Read(void* destination, std::uint64_t count) {
    return count <= file_.Remaining() && file_.Read(destination, count) == count;
}

bool FileSink::Write(const void* source, std::uint64_t count) { return file_.Write(source, count) == count; }

CompressedBlockWriter::CompressedBlockWriter(kit::File& file)
    : file_(file), headerOffset_(file.position()), chunk_(kChunk) {
    FileSink sink(file_);
    ok_ = WriteU32(sink, 0) && WriteU32(sink, 0) && deflateInit(&z_, Z_DEFAULT_COMPRESSION) == Z_OK;
}

CompressedBlockWriter::~CompressedBlockWriter() { deflateEnd(&z_); }

bool CompressedBlockWriter::Deflate(int flush) {
    for (;;) {
        z_.next_out = chunk_.data();
        z_.avail_out = static_cast<uInt>(chunk_.size());
        const int status = deflate(&z_, flush);
        if (status == Z_STREAM_ERROR) return false;
        const size_t produced = chunk_.size() - z_.avail_out;
        if (produced && file_.Write(chunk_.data(), produced) != produced) return false;
        packedLength_ += produced;
        if (flush == Z_FINISH ? status == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out != 0)) return true;
    }
}

bool CompressedBlockWriter::Write(const void* source, std::uint64_t count) {
    if (!ok_) return false;
    length_ += count;
    if (length_ > kMaxBodyLength) return ok_ = TooLarge();
    z_.next_in = static_cast<Bytef*>(const_cast<void*>(source));
    z_.avail_in = static_cast<uInt>(count);
    return ok_ = Deflate(Z_NO_FLUSH);
}

bool CompressedBlockWriter::Finish() {
    if (!ok_) return false;
    // A serialised group is never empty (tag and two counts), so the block
    // always has a Z; an empty one would need the file cut back.
    if (length_ == 0 || !Deflate(Z_FINISH) || packedLength_ > kMaxU32) return false;
    const std::uint64_t after = headerOffset_ + 8 + packedLength_;
    file_.Seek(headerOffset_);
    FileSink sink(file_);
    const bool written = WriteU32(sink, static_cast<std::uint32_t>(length_)) &&
                         WriteU32(sink, static_cast<std::uint32_t>(packedLength_));
    file_.Seek(after);
    return written;
}

CompressedBlockReader::~CompressedBlockReader() {
    if (open_) inflateEnd(&z_);
}

bool CompressedBlockReader::Open(kit::File& file) {
    FileSource source(file);
    std::uint32_t length = 0, packedLength = 0;
    if (!ReadU32(source, length)) return false;
    length_ = length;
    if (length == 0) return true;
    if (length > kMaxBodyLength) return false;
    if (!ReadU32(source, packedLength) || packedLength == 0 || packedLength > file.Remaining()) return false;
    if (length > packedLength * kMaxInflateRatio + kInflateSlack) return false;
    // Deflate grows what it cannot shrink by a few bytes per 16 KiB block.
    if (packedLength > length + length / 8 + kInflateSlack) return false;
    packed_.resize(packedLength);
    if (!source.Read(packed_.data(), packedLength)) return false;
    if (inflateInit(&z_) != Z_OK) return false;
    open_ = true;
    z_.next_in = packed_.data();
    z_.avail_in = packedLength;
    return true;
}

bool CompressedBlockReader::Read(void* destination, std::uint64_t count) {
    if (count > Remaining() || !open_) return count == 0;
    auto* out = static_cast<std::uint8_t*>(destination);
    while (count > 0) {
        const uInt step = static_cast<uInt>(std::min<std::uint64_t>(count, 1u << 30));
        z_.next_out = out;
        z_.avail_out = step;
        const int status = inflate(&z_, Z_NO_FLUSH);
        const uInt got = step - z_.avail_out;
        produced_ += got;
        out += got;
        count -= got;
        if (count == 0) return true;
        if (status != Z_OK) return false;  // ended early, damaged, or out of input
    }
    return true;
}

bool CompressedBlockReader::Finish() {
    if (length_ == 0) return true;
    if (!open_ || produced_ != length_) return false;
    // The stream must end here, checksum included, with nothing more to give.
    std::uint8_t probe;
    z_.next_out = &probe;
    z_.avail_out = 1;
    const int status = inflate(&z_, Z_FINISH);
    return status == Z_STREAM_END && z_.avail_out == 1;
}

}  // namespace settings_stream
