#pragma once
// Registers the stand-in iTunes server (tools/itunes-standin) for iTunes'
// application class in the current prefix, with the library file it is to
// serve, and withdraws it again.
//
// Faults are asked for in that library file (StandInLibrary, saved before the
// server starts, or rewritten once WaitForServerExit says none runs: a server
// reads the file whenever a client connects while it has no application
// object alive). "AddFile hangs for N seconds, then goes on normally":
//   library.hangMember = L"AddFile"; library.hangMs = N * 1000;
// (the line `hang<TAB>AddFile<TAB>150000`). The first AddFile then blocks the
// server's only thread, so every other call to it, from any client, waits
// too, as with a hung iTunes; afterwards it adds the file and answers as
// usual. The hang is used up when it starts, and the file says so at once,
// so a later server on the same file does not hang again. Every client that
// connects is counted in library.connections, written back to the file.
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
    // Kills every running stand-in, as a crash would end iTunes: one that
    // hangs, or that killed clients' references keep alive, ends only so.
    static void EndRunningServers();

private:
    bool registered_ = false;
};
