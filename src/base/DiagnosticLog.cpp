#include "base/DiagnosticLog.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "base/PathHelpers.h"

namespace {

// Guards `current`; lines posted while a log ends go nowhere.
std::mutex& CurrentMutex() {
    static auto* mutex = new std::mutex;  // never destroyed: workers may outlive main
    return *mutex;
}
DiagnosticLog* current = nullptr;

std::string TimeStamp() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

std::string CodeText(std::int64_t code) {
    char text[32];
    // HRESULTs and large Win32 codes read best in hexadecimal, small ones
    // (HTTP statuses, SQLite results, most Win32 errors) in decimal.
    if (code < 0 || code > 0xFFFF)
        std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code & 0xFFFFFFFF));
    else
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(code));
    return text;
}

std::string Utf8Of(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 4096));
    std::string bytes(static_cast<std::size_t>(length) * 3, '\0');
    const int written = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return bytes;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return text;
}

}  // namespace

DiagnosticLog::DiagnosticLog(std::wstring path) : path_(std::move(path)) {
    writer_ = std::thread([this] { WriteLoop(); });
    std::lock_guard<std::mutex> lock(CurrentMutex());
    current = this;
}

DiagnosticLog::~DiagnosticLog() {
    {
        std::lock_guard<std::mutex> lock(CurrentMutex());
        if (current == this) current = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    writer_.join();
}

std::wstring DiagnosticLog::OlderPath(const std::wstring& path) {
    return RemoveExtension(path) + L".old" + ExtensionOf(path);
}

void DiagnosticLog::Enqueue(std::string line) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.size() >= kQueueLimit) {
            ++dropped_;
            return;
        }
        queue_.push_back(std::move(line));
    }
    wake_.notify_one();
}

void DiagnosticLog::WriteLoop() {
    for (;;) {
        std::deque<std::string> lines;
        std::size_t dropped = 0;
        bool last = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            lines.swap(queue_);
            dropped = std::exchange(dropped_, 0);
            last = stopping_;
        }
        // Line by line, so that no file grows far past the rotation size.
        for (const std::string& line : lines) Append(line);
        if (dropped) Append(TimeStamp() + "\t書ききれなかった行\t\t" + CodeText(static_cast<std::int64_t>(dropped)) + "\r\n");
        if (last) return;
    }
}

void DiagnosticLog::Append(const std::string& text) {
    const std::wstring path = ExtendedLengthPath(path_);
    LARGE_INTEGER size{};
    if (file_ && ::GetFileSizeEx(file_.Get(), &size) &&
        static_cast<std::uint64_t>(size.QuadPart) + text.size() > kRotateSize && size.QuadPart > 0) {
        file_.Reset();
        // The older file goes; a failure here only means the log grows on.
        ::MoveFileExW(path.c_str(), ExtendedLengthPath(OlderPath(path_)).c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    if (!file_) {
        // Others may read it, or move it away, while it is open.
        file_.Reset(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) return;
    }
    DWORD written = 0;
    ::WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void LogFailure(std::string_view what, std::wstring_view subject, std::int64_t code) {
    {
        std::lock_guard<std::mutex> lock(CurrentMutex());
        if (!current) return;
    }
    LogFailure(what, std::string_view(Utf8Of(subject)), code);
}

void LogFailure(std::string_view what, std::string_view detail, std::int64_t code) {
    std::lock_guard<std::mutex> lock(CurrentMutex());
    if (!current) return;
    std::string line = TimeStamp();
    line += '\t';
    line += OneLine(std::string(what));
    line += '\t';
    line += OneLine(std::string(detail.substr(0, 4096)));
    line += '\t';
    line += CodeText(code);
    line += "\r\n";
    current->Enqueue(std::move(line));
}
