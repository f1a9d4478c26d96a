#pragma once
// Last-write changes in one folder, with the names of the files written: a
// recorder writing on to its song changes the time many times a second,
// which is no news, while a write to any other file may be.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/ScopedHandle.h"

class DirectoryWrites {
public:
    // Starts watching `folder`; Watching() tells whether that worked.
    explicit DirectoryWrites(const std::wstring& folder);
    ~DirectoryWrites();
    DirectoryWrites(const DirectoryWrites&) = delete;
    DirectoryWrites& operator=(const DirectoryWrites&) = delete;

    bool Watching() const { return pending_; }
    // Signalled when files were written to.
    HANDLE Event() const { return request_->event.Get(); }

    struct Written {
        std::vector<std::wstring> names;  // relative to the folder
        bool namesKnown = false;          // false: too many to tell
    };
    // After Event() was signalled: what was written, and the watch armed
    // again. False when the watch ended (the folder went away).
    bool Collect(Written& written);

private:
    // What the system writes into while a request is out.
    struct Request {
        kit::UniqueHandle event;
        OVERLAPPED overlapped{};
        std::vector<DWORD> buffer;  // DWORD-aligned, as the records need
    };
    bool Ask();

    kit::UniqueHandle folder_;
    std::unique_ptr<Request> request_;
    bool pending_ = false;
};
