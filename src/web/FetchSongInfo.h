#pragma once
// Fetching what the station's now-playing page says about the current song.
#include <string>

#include "settings/Settings.h"
#include "web/ArtworkView.h"
#include "web/SongInfo.h"

class ArtworkSearch;

// How a fetch went, for the station's extraction health.
enum class FetchStatus {
    Ok,               // the title and the artist were found
    NoAddress,        // the station has no Url: nothing was fetched
    FetchFailed,      // no answer or a time-out: nothing changed
    ErrorStatus,      // an HTTP error status; its page was still stored and read
    PatternMismatch,  // the pattern matched nothing (or is no valid pattern)
    FieldsEmpty,      // the title or the artist is empty after the templates
};

// Fetches the page of `station` (its Url, over HTTP or, with Component set,
// through the browser component), stores it as the station's Html and
// extracts the four fields into `songInfo`; the artwork is left an address,
// resolved against the page's. On NoAddress and FetchFailed, Html and
// `songInfo` stay as they were.
FetchStatus FetchSongFields(Settings& station, SongInfo& songInfo);

// Replaces songInfo.artwork, an address, by the local path of the picture
// downloaded into `artworkFolder` (emptied first) and shown on `artworkView`.
// When there is none, or it cannot be downloaded or decoded, `search` (none
// when null) is asked by artist and title; failing that the view is cleared
// and songInfo.artwork is empty.
void FetchArtwork(const std::wstring& artworkFolder, ArtworkView& artworkView, ArtworkSearch* search,
                  SongInfo& songInfo);

// FetchSongFields, then FetchArtwork once there is a page. Returns false,
// changing nothing, when there is no Url or no page. Never throws.
bool FetchSongInfo(Settings& station, const std::wstring& artworkFolder, ArtworkView& artworkView,
                   SongInfo& songInfo, ArtworkSearch* search = nullptr, FetchStatus* status = nullptr);
