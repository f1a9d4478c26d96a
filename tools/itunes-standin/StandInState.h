#pragma once
// What the whole server shares: the library, where it lives, and the count of
// live objects that keeps the process running.
#include <string>
#include <vector>

#include "base/ScopedHandle.h"
#include "support/ITunesStandInLibrary.h"

struct StandInState {
    StandInLibrary library;
    std::wstring libraryPath;
    bool readOnly = false;  // changes stay in memory (benchmarks)
    long liveObjects = 0;
    long liveApplications = 0;
    long answeredCalls = 0;  // GetIDsOfNames and Invoke
    unsigned long classCookie = 0;
    bool classRegistered = false;
    std::vector<kit::UniqueHandle> heldFiles;  // library.holdDeletedFiles

    // Writes the library after a change, unless read-only.
    void Changed();
    // Counts failures the test asked for; true when this call is to fail.
    bool ShouldFail(const std::wstring& member);
    // Blocks the server (its only thread) at the first call of the member
    // the library names, for as long as it says.
    void HangIfAsked(const std::wstring& member);
    // The message filter's answer: whether calls are refused now. The time
    // runs from the first call asked about.
    bool Rejecting();
    unsigned long long rejectUntil = 0;
    void ObjectCreated();
    // The last object gone ends the server.
    void ObjectDestroyed();
};

StandInState& State();
