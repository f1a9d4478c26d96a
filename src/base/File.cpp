#include "base/File.h"

#include <algorithm>
#include <cstring>

#include "base/PathHelpers.h"

namespace kit {

namespace {
// ReadFile and WriteFile take 32-bit counts.
constexpr std::uint64_t kChunk = 1u << 30;
}  // namespace

File::~File() { Close(); }

bool File::OpenRead(const std::wstring& path, DWORD share) {
    Close();
    UniqueHandle handle(::CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle.Get(), &size)) return false;
    handle_ = std::move(handle);
    backing_ = Backing::Disk;
    size_ = limit_ = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool File::OpenWrite(const std::wstring& path) {
    Close();
    UniqueHandle handle(::CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return false;
    handle_ = std::move(handle);
    backing_ = Backing::Disk;
    return true;
}

void File::OpenBuffer(std::vector<std::uint8_t>& buffer) {
    Close();
    buffer_ = &buffer;
    backing_ = Backing::Buffer;
    size_ = limit_ = buffer.size();
}

void File::Close() {
    handle_.Reset();
    buffer_ = nullptr;
    backing_ = Backing::None;
    size_ = position_ = start_ = limit_ = 0;
}

std::uint64_t File::Read(void* destination, std::uint64_t count) {
    count = std::min(count, Remaining());
    if (count == 0) return 0;
    std::uint64_t done = 0;
    if (backing_ == Backing::Buffer) {
        std::memcpy(destination, buffer_->data() + position_, static_cast<size_t>(count));
        done = count;
    } else if (backing_ == Backing::Disk) {
        auto* out = static_cast<std::uint8_t*>(destination);
        while (done < count) {
            DWORD want = static_cast<DWORD>(std::min(count - done, kChunk));
            DWORD got = 0;
            if (!::ReadFile(handle_.Get(), out + done, want, &got, nullptr) || got == 0) break;
            done += got;
        }
    }
    position_ += done;
    return done;
}

std::uint64_t File::Write(const void* source, std::uint64_t count) {
    if (count == 0) return 0;
    if (backing_ == Backing::Buffer) {
        if (position_ + count > buffer_->size()) {
            buffer_->resize(static_cast<size_t>(position_ + count));
            size_ = limit_ = buffer_->size();
        }
        std::memcpy(buffer_->data() + position_, source, static_cast<size_t>(count));
        position_ += count;
        return count;
    }
    if (backing_ != Backing::Disk) return 0;
    const auto* in = static_cast<const std::uint8_t*>(source);
    std::uint64_t done = 0;
    while (done < count) {
        DWORD want = static_cast<DWORD>(std::min(count - done, kChunk));
        DWORD wrote = 0;
        if (!::WriteFile(handle_.Get(), in + done, want, &wrote, nullptr) || wrote == 0) break;
        done += wrote;
    }
    position_ += done;
    size_ = std::max(size_, position_);
    return done;
}

void File::MoveDiskPointer(std::uint64_t offset) {
    if (backing_ != Backing::Disk) return;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    ::SetFilePointerEx(handle_.Get(), to, nullptr, FILE_BEGIN);
}

void File::Rewind() { Seek(start_); }

void File::StepBack(std::uint64_t count) { Seek(position_ >= count ? position_ - count : 0); }

void File::Seek(std::uint64_t offset) {
    if (backing_ == Backing::Buffer) offset = std::min(offset, size_);
    position_ = offset;
    MoveDiskPointer(position_);
}

void File::Skip(std::uint64_t count) { Seek(position_ + count); }

}  // namespace kit
