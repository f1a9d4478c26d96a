#include "base/DirectoryWrites.h"

namespace {
constexpr size_t kBufferBytes = 16 * 1024;
constexpr DWORD kCancelWaitMs = 2000;
}

DirectoryWrites::DirectoryWrites(const std::wstring& folder)
    : folder_(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
      request_(std::make_unique<Request>()) {
    request_->event.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    request_->buffer.resize(kBufferBytes / sizeof(DWORD));
    if (folder_ && request_->event) Ask();
}

DirectoryWrites::~DirectoryWrites() {
    if (!pending_) return;
    ::CancelIoEx(folder_.Get(), &request_->overlapped);
    // A file system that does not end the request soon (a share gone
    // silent) must not hold the window: the request's memory and event are
    // then left to it rather than freed under it.
    if (::WaitForSingleObject(request_->event.Get(), kCancelWaitMs) != WAIT_OBJECT_0) {
        (void)request_->event.Release();
        (void)request_.release();
    }
}

bool DirectoryWrites::Ask() {
    ::ResetEvent(request_->event.Get());
    request_->overlapped = OVERLAPPED{};
    request_->overlapped.hEvent = request_->event.Get();
    pending_ = ::ReadDirectoryChangesW(folder_.Get(), request_->buffer.data(), static_cast<DWORD>(kBufferBytes),
                                       FALSE, FILE_NOTIFY_CHANGE_LAST_WRITE, nullptr, &request_->overlapped,
                                       nullptr) != FALSE;
    return pending_;
}

bool DirectoryWrites::Collect(Written& written) {
    written = Written{};
    if (!pending_) return false;
    DWORD bytes = 0;
    if (!::GetOverlappedResult(folder_.Get(), &request_->overlapped, &bytes, FALSE)) {
        // Still waiting (a stray wake-up) is no news; anything else ends it.
        if (::GetLastError() == ERROR_IO_INCOMPLETE) return true;
        pending_ = false;
        return false;
    }
    pending_ = false;
    // No bytes: more happened than the buffer could tell.
    written.namesKnown = bytes > 0;
    const BYTE* at = reinterpret_cast<const BYTE*>(request_->buffer.data());
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
