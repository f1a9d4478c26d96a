#pragma once
// A byte stream over a disk file or over a byte array that the caller owns.
// Reads stop at the limit; sizes and positions are 64-bit.
#include <cstdint>
#include <string>
#include <vector>

#include "base/ScopedHandle.h"

namespace kit {

class File {
public:
    enum class Backing { None, Disk, Buffer };

    File() = default;
    virtual ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Existing file, read access; `share` is the sharing granted to others.
    bool OpenRead(const std::wstring& path, DWORD share = FILE_SHARE_READ);
    // Creates or truncates, write access with write sharing.
    bool OpenWrite(const std::wstring& path);
    // The array must outlive the stream; writes grow it.
    void OpenBuffer(std::vector<std::uint8_t>& buffer);
    void Close();

    // Returns the bytes read (0 at the end, leaving `destination` as it was).
    std::uint64_t Read(void* destination, std::uint64_t count);
    // Returns the bytes written; fewer than `count` means the disk refused.
    std::uint64_t Write(const void* source, std::uint64_t count);

    void Rewind();
    void StepBack(std::uint64_t count);
    void Seek(std::uint64_t offset);
    void Skip(std::uint64_t count);

    Backing backing() const { return backing_; }
    bool IsOpen() const { return backing_ != Backing::None; }
    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return position_; }
    std::uint64_t limit() const { return limit_; }
    // Bytes a read can still return.
    std::uint64_t Remaining() const { return position_ < limit_ ? limit_ - position_ : 0; }
    void SetStart(std::uint64_t start) { start_ = start; }
    void SetLimit(std::uint64_t limit) { limit_ = limit; }
    HANDLE handle() const { return handle_.Get(); }  // borrowed; the stream keeps ownership

private:
    void MoveDiskPointer(std::uint64_t offset);

    Backing backing_ = Backing::None;
    UniqueHandle handle_;
    std::vector<std::uint8_t>* buffer_ = nullptr;  // not owned
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t start_ = 0;
    std::uint64_t limit_ = 0;
};

}  // namespace kit
