#pragma once
// What the journal holds: songs with their steps, same-song actions, the
// extraction health of stations and cached artwork searches.
#include <cstdint>
#include <optional>
#include <string>

namespace journal {

// Seconds since 1970-01-01 UTC; 0 means "not yet".
using Time = std::int64_t;
Time Now();

using SongId = std::int64_t;  // 0: no song

// The numbers are stored: never renumber, only add. Below Registered the
// song still has work left.
enum class SongState : int {
    Playing = 0,           // being recorded
    AwaitingHandOver = 1,  // finished; its file is not in the end folder yet, or locked
    Moved = 2,             // in its station's output folder
    Stripped = 3,          // tags removed, not registered yet
    AwaitingRetry = 4,     // registration failed; tried again at nextAttempt
    Registered = 10,
    Failed = 11,             // given up; lastError says why
    SkippedFirstSong = 12,   // the first song after start or a station change
    SkippedIgnoreList = 13,  // matched the ignore list
    SkippedNoUrl = 14,       // the station has no page address
    Filed = 15,              // finished without the library: its own tag, its playlist line
};

inline bool IsUnfinished(SongState state) { return state < SongState::Registered; }

// What was known about the song while it played.
struct SongInfoRecord {
    std::wstring title;
    std::wstring artist;
    std::wstring album;
    std::wstring artworkUrl;
    std::wstring artworkFile;  // our own copy, in the folder Artwork\<song id>
};

// Where a song's station had its folders when the song was noticed: the
// song is filed there even if the station is renamed or deleted meanwhile.
struct StationFolders {
    std::wstring endFolder;
    std::wstring outputFolder;
};

struct SongRecord {
    SongId id = 0;
    std::wstring station;
    std::wstring sourceName;  // the recorder's file name
    Time noticed = 0;
    Time handedOver = 0;  // the next song was noticed: this one is finished
    Time moved = 0;
    Time stripped = 0;
    Time registered = 0;  // or filed, for a song finished without the library
    SongInfoRecord info;
    std::wstring outputPath;
    SongState state = SongState::Playing;
    int attempts = 0;  // registration attempts made
    Time nextAttempt = 0;
    std::wstring lastError;
    std::optional<int> pageDelay;  // seconds from the song's start to the page that showed it
    Time retryFrom = 0;  // 再試行 asked for by hand: the 24 hours of retries count from here
    StationFolders folders;  // the station's folders when the song was noticed
    std::wstring trackId;          // the new track's persistent ID in iTunes, 16 hex digits
};

// The numbers are stored.
enum class SongActionKind : int {
    Unchecked = 1,
    Commented = 2,
    Deleted = 3,
    LyricsCopied = 4,
    Kept = 5,           // not deleted: the Recycle Bin would not have kept its file
    PutBack = 6,        // deleted, then added again: its file could not go to the Recycle Bin
    PutBackFailed = 7,  // the same, but adding it again failed too
};

// Something done to an older copy of the same song in the library.
struct SongAction {
    Time at = 0;
    SongActionKind kind = SongActionKind::Unchecked;
    std::wstring track;        // how the track was named, or its location
    std::wstring destination;  // where its file went; empty when it stayed
    std::wstring filePath;     // deleted: where its file was
    std::wstring note;         // why, where the kind alone does not say
};

// The numbers are stored.
enum class ExtractionHealth : int {
    Ok = 0,
    FetchFailed = 1,     // HTTP error or time-out
    NoMatch = 2,         // the pattern matched nothing
    EmptyFields = 3,     // title or artist empty after the templates
    PageNotUpdated = 4,  // the page showed the previous song for the whole song
};

struct ArtworkSearchEntry {
    std::wstring url;  // empty: the search found nothing
    Time at = 0;
};

}  // namespace journal
