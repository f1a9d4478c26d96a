#pragma once
// Fetching what the station's now-playing page says about the current song.
#include <string>

#include "settings/Settings.h"
#include "web/SongInfo.h"

// Where the fetched artwork is shown; the window that owns the picture
// implements it, so that the fetch itself needs no window.
class ArtworkView {
public:
    virtual ~ArtworkView() = default;
    // Shows the saved picture; clears the view and returns false when our
    // decoder refuses the file.
    virtual bool ShowArtwork(const std::wstring& path) = 0;
    virtual void ClearArtwork() = 0;
};

// Fetches the page of `station` (its Url, over HTTP or, with Component set,
// through the browser component), stores it as the station's Html, extracts
// the four fields into `songInfo` and downloads the artwork into
// `artworkFolder` (emptied first), showing it on `artworkView`; a picture the
// view cannot decode is removed again and leaves `songInfo.artwork` empty.
// Returns false, changing nothing, when there is no Url or no page.
bool FetchSongInfo(Settings& station, const std::wstring& artworkFolder, ArtworkView& artworkView,
                   SongInfo& songInfo);
