#include "base/DirectoryWrites.h"

namespace {
constexpr size_t kBufferBytes = 16 * 1024;
}

DirectoryWrites::DirectoryWrites(const std::wstring& folder)
    : folder_(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
      event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      buffer_(kBufferBytes / sizeof(DWORD)) {
    if (folder_ && event_) Ask();
}

DirectoryWrites::~DirectoryWrites() {
    if (!pending_) return;
    // The system writes into buffer_ until the request is over.
    ::CancelIoEx(folder_.Get(), &overlapped_);
    DWORD bytes = 0;
    ::GetOverlappedResult(folder_.Get(), &overlapped_, &bytes, TRUE);
}

bool DirectoryWrites::Ask() {
    ::ResetEvent(event_.Get());
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.Get();
    pending_ = ::ReadDirectoryChangesW(folder_.Get(), buffer_.data(), static_cast<DWORD>(kBufferBytes), FALSE,
                                       FILE_NOTIFY_CHANGE_LAST_WRITE, nullptr, &overlapped_, nullptr) != FALSE;
    return pending_;
}

bool DirectoryWrites::Collect(Written& written) {
    written = Written{};
    if (!pending_) return false;
    DWORD bytes = 0;
    if (!::GetOverlappedResult(folder_.Get(), &overlapped_, &bytes, FALSE)) {
        // Still waiting (a stray wake-up) is no news; anything else ends it.
        if (::GetLastError() == ERROR_IO_INCOMPLETE) return true;
        pending_ = false;
        return false;
    }
    pending_ = false;
    // No bytes: more happened than the buffer could tell.
    written.namesKnown = bytes > 0;
    const BYTE* at = reinterpret_cast<const BYTE*>(buffer_.data());
    const BYTE* const end = at + (bytes < kBufferBytes ? bytes : kBufferBytes);
    while (written.namesKnown && at + sizeof(FILE_NOTIFY_INFORMATION) <= end) {
        const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        const BYTE* name = reinterpret_cast<const BYTE*>(record->FileName);
        if (name + record->FileNameLength > end) {
            written.namesKnown = false;
            break;
        }
        written.names.emplace_back(record->FileName, record->FileNameLength / sizeof(wchar_t));
        if (record->NextEntryOffset == 0) break;
        at += record->NextEntryOffset;
    }
    return Ask();
}
