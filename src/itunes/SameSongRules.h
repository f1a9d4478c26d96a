#pragma once
// What happens to the same songs already in the library, and to the new
// track, once the new track carries its title, artist, album and artwork.
#include <string>
#include <vector>

#include "base/FileIdentity.h"
#include "itunes/AutomationObject.h"
#include "itunes/LibraryAction.h"
#include "itunes/LibraryImport.h"
#include "itunes/SameSongSearch.h"
#include "settings/LibraryRules.h"

// The composer text that marks a checked track whose lyrics are missing.
extern const wchar_t kNoLyricsMark[];

// The song just registered.
struct RegisteredSong {
    AutomationObject track;
    std::wstring filePath;
    std::wstring label;  // "artist - title", for the actions on it
    SameSongQuery query;  // what it was searched by
    // The stations' output folders: only recordings filed there are ever deleted.
    std::vector<FileIdentity> outputFolders;
};

// More deletions than this in one registration means the criteria are too
// loose: nothing is deleted then.
constexpr size_t kMaxDeletions = 5;

// Nothing here fails the registration:
// setter results are ignored and tracks that cannot be read are skipped.
// The same songs of the search decide what happens to the new track; another
// track is written to or deleted only when its name and artist (and album,
// when compared) are still those of the new song when read just before.
// What was done, to the new track or another, is added to `actions`.
// `wait` blocks between the polls of a file put back into the library.
void ApplySameSongRules(const AutomationObject& libraryPlaylist,
                        const SameSongSearchResult& search, const RegisteredSong& song,
                        const LibraryRules& rules, const ImportWait& wait,
                        std::vector<LibraryAction>& actions);

// "artist - title", the way actions name a track.
std::wstring TrackLabel(const std::wstring& artist, const std::wstring& title);
