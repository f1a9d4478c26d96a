#pragma once
// Adding a file to the library: a new recording, or the file of a same song
// whose entry was deleted but whose file could not go to the Recycle Bin.
#include <functional>
#include <string>

#include "itunes/AutomationObject.h"

// Blocks between polls of an import still in progress.
using ImportWait = std::function<void(unsigned milliseconds)>;

// The file's track once the import has finished; null when the import fails
// or is still running after about 30 s.
AutomationObject ImportFile(const AutomationObject& libraryPlaylist, const std::wstring& path,
                            const ImportWait& wait);

// What a track shows the user, read before it is deleted so that it can be
// put back as it was.
struct TrackFields {
    std::wstring name, artist, album, comment;
    bool enabled = true;
};

// False when any of them cannot be read.
bool ReadTrackFields(const AutomationObject& track, TrackFields& fields);
// False when any of them cannot be written.
bool WriteTrackFields(const AutomationObject& track, const TrackFields& fields);
