#pragma once
// What the benchmarks that run the real program measure it by: its folder,
// its CPU time and memory as Wine reports them for another process, and the
// stand-in library's file. Include after the stand-in's support sources.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <string>

namespace {

inline std::wstring ExeFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    return path.substr(0, path.find_last_of(L'\\'));
}

inline void RemoveFolder(const std::wstring& folder) {
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&operation);
}

// A FILETIME (100 ns steps) in milliseconds.
inline double Ms(const FILETIME& t) { return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; }

inline double SystemMs() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return Ms(now);
}

inline bool StandInRunning() { return !ITunesStandInRegistration::WaitForServerExit(0); }

// The library as the stand-in last saved it, read as a client never could.
inline bool ReadLibrary(const std::wstring& libraryPath, StandInLibrary& library) {
    library = StandInLibrary();
    return library.Load(libraryPath);
}

// Private bytes; Wine reports them for another process as the page-file
// usage only, so that stands in when the private count reads zero.
inline double PrivateMegabytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return -1;
    const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

inline double CpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    return Ms(kernel) + Ms(user);
}

// The program's own count of its folder scans.
inline long FolderScans(HWND mainWindow) {
    const UINT message = ::RegisterWindowMessageW(L"Kestrel.FolderScans");
    DWORD_PTR count = 0;
    ::SendMessageTimeoutW(mainWindow, message, 0, 0, SMTO_BLOCK, 20000, &count);
    return static_cast<long>(count);
}

}  // namespace
