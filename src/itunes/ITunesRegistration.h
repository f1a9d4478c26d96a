#pragma once
// Adding one finished recording to the iTunes library over COM automation.
#include <functional>

#include "itunes/PendingSong.h"
#include "settings/Settings.h"

struct RegistrationOptions {
    // Blocks the thread between attempts (the title retries and the polls of
    // an import still in progress). Empty: Sleep.
    std::function<void(unsigned milliseconds)> wait;
    // Told when each stage ends: "connect", "search", "add", "rules".
    std::function<void(const char* stage)> stageDone;
};

// COM must already be initialised on the calling thread. Reads the same-song
// settings and IsAddPlayList from `settings` and StationName from `station`.
// True when the file was added and every step ran; one attempt, no report.
bool RegisterSong(const PendingSong& song, const Settings& settings, const Settings& station,
                  const RegistrationOptions& options = {});
