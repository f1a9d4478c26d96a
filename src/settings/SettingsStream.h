#pragma once
// The records of the settings file. The body is compressed and inflated as it
// is written and read, so that a large tree is never held twice in memory
// (fresh memory is the dominant cost of a big settings file). Every reader
// checks a length against the bytes that remain and answers false instead of
// trusting damage.
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "base/File.h"

namespace settings_stream {

// Bounds on what a settings file may hold, well above any real one, so that
// a small crafted file cannot make the start allocate gigabytes; the writer
// keeps to them too, so Kestrel never saves a file it would refuse to read.
// The largest value Kestrel keeps is a station's last page: at most 16 MiB
// of text as fetched, 32 MiB as UTF-16.
constexpr std::uint64_t kMaxBodyLength = std::uint64_t(64) << 20;   // the whole inflated body
constexpr std::uint64_t kMaxValueLength = std::uint64_t(48) << 20;  // one value's bytes
// Keys and group names (a station's name is one) are typed into one-line
// boxes of at most 32767 characters.
constexpr std::uint64_t kMaxNameUnits = std::uint64_t(1) << 20;

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Exactly `count` bytes, or false.
    virtual bool Read(void* destination, std::uint64_t count) = 0;
    // Bytes that can still be read at most.
    virtual std::uint64_t Remaining() const = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const void* source, std::uint64_t count) = 0;
};

bool ReadU32(ByteSource& source, std::uint32_t& value);
bool WriteU32(ByteSink& sink, std::uint32_t value);
// UTF-16LE code units up to a 0x0000 unit; false when the end comes first
// or the text runs past kMaxNameUnits.
bool ReadString(ByteSource& source, std::wstring& text);
bool WriteString(ByteSink& sink, const std::wstring& text);
// u32 length L, then L bytes; false when fewer than L bytes remain or L is
// past kMaxValueLength.
bool ReadByteBlock(ByteSource& source, std::vector<std::uint8_t>& block);
bool WriteByteBlock(ByteSink& sink, const std::vector<std::uint8_t>& block);

// A kit::File as source or sink.
class FileSource : public ByteSource {
public:
    explicit FileSource(kit::File& file) : file_(file) {}
    bool Read(void* destination, std::uint64_t count) override;
    std::uint64_t Remaining() const override { return file_.Remaining(); }

private:
    kit::File& file_;
};

class FileSink : public ByteSink {
public:
    explicit FileSink(kit::File& file) : file_(file) {}
    bool Write(const void* source, std::uint64_t count) override;

private:
    kit::File& file_;
};

// Writes a compressed block: u32 N, u32 Z, then the zlib stream (default
// level). N and Z are filled in by Finish, which seeks back to them. Writes
// past kMaxBodyLength fail. Writers that refuse a bound leave
// ERROR_FILE_TOO_LARGE in GetLastError().
class CompressedBlockWriter : public ByteSink {
public:
    explicit CompressedBlockWriter(kit::File& file);
    ~CompressedBlockWriter() override;
    CompressedBlockWriter(const CompressedBlockWriter&) = delete;
    CompressedBlockWriter& operator=(const CompressedBlockWriter&) = delete;

    bool Write(const void* source, std::uint64_t count) override;
    bool Finish();

private:
    bool Deflate(int flush);

    kit::File& file_;
    std::uint64_t headerOffset_;
    z_stream z_{};
    bool ok_;
    std::uint64_t length_ = 0;
    std::uint64_t packedLength_ = 0;
    std::vector<std::uint8_t> chunk_;
};

// Reads a compressed block. Open reads N, Z and the Z packed bytes, and
// refuses an N past kMaxBodyLength before reading or allocating; reads
// then inflate straight into the caller's memory. Finish is true only when
// the stream ends, checksum intact, exactly at N.
class CompressedBlockReader : public ByteSource {
public:
    CompressedBlockReader() = default;
    ~CompressedBlockReader() override;
    CompressedBlockReader(const CompressedBlockReader&) = delete;
    CompressedBlockReader& operator=(const CompressedBlockReader&) = delete;

    bool Open(kit::File& file);
    std::uint64_t length() const { return length_; }
    bool Read(void* destination, std::uint64_t count) override;
    std::uint64_t Remaining() const override { return length_ - produced_; }
    bool Finish();

private:
    std::vector<std::uint8_t> packed_;
    z_stream z_{};
    bool open_ = false;
    std::uint64_t length_ = 0;
    std::uint64_t produced_ = 0;
};

}  // namespace settings_stream
