#pragma once
// Whether the library already holds a track for a file: a registration cut
// short by a failure or a kill may have added it before it could report.
#include <string>

#include "itunes/AutomationObject.h"

// Searches the song names for `title` (all fields for the file's name when
// the title is empty) and compares each hit's location with `path`. Null
// when no track holds the file.
AutomationObject FindTrackOfFile(const AutomationObject& libraryPlaylist, const std::wstring& title,
                                 const std::wstring& path);

inline bool LibraryHoldsFile(const AutomationObject& libraryPlaylist, const std::wstring& title,
                             const std::wstring& path) {
    return static_cast<bool>(FindTrackOfFile(libraryPlaylist, title, path));
}
