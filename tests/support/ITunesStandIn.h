#pragma once
// Registers the stand-in iTunes server (tools/itunes-standin) for iTunes'
// application class in the current prefix, with the library file it is to
// serve, and withdraws it again.
#include <windows.h>

#include <string>

class ITunesStandInRegistration {
public:
    // `readOnly` keeps the server's changes in memory (benchmarks).
    explicit ITunesStandInRegistration(const std::wstring& libraryPath, bool readOnly = false);
    ~ITunesStandInRegistration();
    ITunesStandInRegistration(const ITunesStandInRegistration&) = delete;
    ITunesStandInRegistration& operator=(const ITunesStandInRegistration&) = delete;

    bool registered() const { return registered_; }

    // KESTREL_ITUNES_STANDIN when set; otherwise tools\itunes-standin\ of the
    // build folder that holds the running program's folder.
    static std::wstring ServerPath();
    // Removes the class registration; a running server keeps serving until
    // it ends, so wait for that first.
    static void Unregister();
    // True once no stand-in server is running.
    static bool WaitForServerExit(DWORD timeoutMs = 10000);

private:
    bool registered_ = false;
};
