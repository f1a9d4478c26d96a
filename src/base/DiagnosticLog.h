#pragma once
// A line per failure that the program gets over by itself (a page that did
// not answer, a library call refused, a journal write that failed), so that a
// run of hours leaves a trace. Lines are queued and written by a thread of
// the log's own: no caller waits for the disk.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/ScopedHandle.h"

// One line: the local time, what failed, what it was about (a file name or
// an address the user set; may be empty) and the code (an HRESULT, a Win32
// error, an HTTP status, an SQLite result). Does nothing while no log is open.
void LogFailure(std::string_view what, std::wstring_view subject, std::int64_t code);
// The same with a library's own words (an exception's text, an SQLite
// message) as the subject.
void LogFailure(std::string_view what, std::string_view detail, std::int64_t code = 0);

class DiagnosticLog {
public:
    // The log grows to about this size, then becomes the one older file.
    static constexpr std::uint64_t kRotateSize = 1 << 20;
    // Lines beyond this many waiting are dropped (and counted): a failure
    // repeated in a loop must not exhaust memory.
    static constexpr std::size_t kQueueLimit = 4096;

    // Writes to `path` from now on, appending; the older file is `path` with
    // ".old" before its extension. Only one log writes at a time: lines go to
    // the newest one started.
    explicit DiagnosticLog(std::wstring path);
    // Writes what is queued, then stops.
    ~DiagnosticLog();
    DiagnosticLog(const DiagnosticLog&) = delete;
    DiagnosticLog& operator=(const DiagnosticLog&) = delete;

    // The older file's path for a log at `path`.
    static std::wstring OlderPath(const std::wstring& path);

private:
    friend void LogFailure(std::string_view, std::string_view, std::int64_t);
    void Enqueue(std::string line);
    void WriteLoop();
    void Append(const std::string& text);

    std::wstring path_;
    kit::UniqueHandle file_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> queue_;
    std::size_t dropped_ = 0;
    bool stopping_ = false;
    std::thread writer_;
};
