#pragma once
// Fetching what the station's now-playing page says about the current song.
#include <string>

#include "settings/Settings.h"
#include "web/ArtworkView.h"
#include "web/SongInfo.h"

// Fetches the page of `station` (its Url, over HTTP or, with Component set,
// through the browser component), stores it as the station's Html, extracts
// the four fields into `songInfo` and downloads the artwork into
// `artworkFolder` (emptied first), showing it on `artworkView`.
// Returns false, changing nothing, when there is no Url or no page.
bool FetchSongInfo(Settings& station, const std::wstring& artworkFolder, ArtworkView& artworkView,
                   SongInfo& songInfo);
