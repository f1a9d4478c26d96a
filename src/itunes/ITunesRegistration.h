#pragma once
// Adding one finished recording to the iTunes library over COM automation.
#include <functional>

#include "itunes/PendingSong.h"
#include "settings/Settings.h"

struct RegistrationOptions {
    // Blocks the registration between attempts (the title retries and the
    // polls of an import still in progress). Empty: Sleep. Called on the
    // registration's own thread, never after RegisterSong has returned.
    std::function<void(unsigned milliseconds)> wait;
    // Told when each stage ends: "connect", "search", "add", "rules"; called
    // like `wait`.
    std::function<void(const char* stage)> stageDone;
    // How long the calling thread waits, pumping its messages, before the
    // registration counts as failed (iTunes hangs). The abandoned attempt
    // runs on, and the next registration waits for it to end first.
    unsigned deadlineMs = 120000;
};

// Runs on a thread of its own in the multithreaded apartment, with its own
// connection to iTunes; the calling thread keeps answering its windows.
// Reads the same-song settings, IsAddPlayList and the stations'
// OutputDirectory from `settings`, StationName and OutputDirectory from
// `station`. True when the file was added and every step ran; one attempt,
// no report.
bool RegisterSong(const PendingSong& song, const Settings& settings, const Settings& station,
                  const RegistrationOptions& options = {});
