#pragma once
// What happens to the same songs already in the library, and to the new
// track, once the new track carries its title, artist, album and artwork.
#include <string>

#include "itunes/AutomationObject.h"
#include "itunes/SameSongSearch.h"
#include "settings/Settings.h"

// The composer text that marks a checked track whose lyrics are missing.
extern const wchar_t kNoLyricsMark[];

// Reads IsUncheckSameMusic, IsCommentSameMusic, IsDeleteFile, IsSetLyrics and
// IsSetNoneLyrics from `settings`. Nothing here fails the registration:
// setter results are ignored and tracks that cannot be fetched are skipped.
void ApplySameSongRules(const AutomationObject& libraryPlaylist,
                        const AutomationObject& libraryTracks,
                        const SameSongSearchResult& search, const AutomationObject& newTrack,
                        const std::wstring& newFilePath, const Settings& settings);
