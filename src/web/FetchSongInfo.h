#pragma once
// Fetching what the station's now-playing page says about the current song,
// all on the calling thread.
#include <string>

#include "settings/Settings.h"
#include "web/ArtworkView.h"
#include "web/FetchPageFields.h"
#include "web/SongInfo.h"

class ArtworkSearch;

// FetchPageFields on the station's group: the page fetched is stored as its
// Html. On NoAddress and FetchFailed, Html and `songInfo` stay as they were.
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
