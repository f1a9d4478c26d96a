#pragma once
// Adding one finished recording to the iTunes library over COM automation.
#include <functional>

#include "itunes/LibraryAction.h"
#include "itunes/PendingSong.h"
#include "settings/LibraryRules.h"
#include "settings/Settings.h"

class ITunesConnection;

struct RegistrationOptions {
    // Blocks the registration between attempts (the title retries and the
    // polls of an import still in progress). Empty: Sleep. Called on the
    // registration's own thread.
    std::function<void(unsigned milliseconds)> wait;
    // Told when each stage ends: "connect", "search", "add", "rules"; called
    // like `wait`.
    std::function<void(const char* stage)> stageDone;
    // How long RegisterSongNow and RegisterSong wait before the registration
    // counts as failed (iTunes hangs). The abandoned attempt runs on; no
    // other registration starts before it has ended.
    unsigned deadlineMs = 120000;
};

// One registration on the calling thread, which is in the multithreaded
// apartment, over `connection` (opened here when closed; kept open for the
// next song). `options.deadlineMs` plays no part: the caller keeps the time.
// Registrations of the whole process run one at a time: this waits for one
// running on another thread. Nothing is retried.
RegistrationResult RegisterSongOn(ITunesConnection& connection, const PendingSong& song, const LibraryRules& rules,
                                  const RegistrationOptions& options = {});

// For tests and benchmarks: one registration on a fresh thread with its own
// connection; the calling thread blocks (no messages pumped) until it ends,
// or up to options.deadlineMs, when the result says timedOut.
RegistrationResult RegisterSongNow(const PendingSong& song, const LibraryRules& rules,
                                   const RegistrationOptions& options = {});
