#pragma once
// The work the processing cycle hands out: the page fetch, the tags and the
// library. A plain class of the program implements it; tests record it.
#include <string>

#include "itunes/PendingSong.h"
#include "web/FetchSongInfo.h"
#include "web/SongInfo.h"

class ArtworkView;
class Settings;

class CycleServices {
public:
    virtual ~CycleServices() = default;

    // Fills `songInfo` from the station's page; leaves it as it was when the
    // page cannot be fetched (see FetchSongFields).
    virtual FetchStatus FetchSongFields(Settings& station, SongInfo& songInfo) = 0;
    // Replaces songInfo.artwork, an address, by the path of the picture saved
    // in `artworkFolder` (the song's own) and shown on `artwork`.
    virtual void FetchArtwork(const std::wstring& artworkFolder, SongInfo& songInfo, ArtworkView& artwork) = 0;
    // The text of an ID3 frame ("TIT2", "TPE1"); empty when absent or unreadable.
    virtual std::wstring ReadTagText(const std::wstring& path, const char* frameId) = 0;
    virtual bool StripTags(const std::wstring& path) = 0;
    virtual bool RegisterSong(const PendingSong& song, Settings& settings, Settings& station) = 0;
};
