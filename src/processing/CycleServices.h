#pragma once
// The work the processing cycle hands out: the page fetch, the tags and the
// library. A plain class of the program implements it; tests record it.
#include <string>

#include "itunes/PendingSong.h"
#include "web/SongInfo.h"

class ArtworkView;
class Settings;

class CycleServices {
public:
    virtual ~CycleServices() = default;

    // Fills `songInfo` from the station's page, saves the artwork in
    // `artworkFolder` (the song's own) and shows it on `artwork`; leaves it
    // as it was when the page cannot be fetched.
    virtual void FetchSongInfo(Settings& station, const std::wstring& artworkFolder, SongInfo& songInfo,
                               ArtworkView& artwork) = 0;
    // The text of an ID3 frame ("TIT2", "TPE1"); empty when absent or unreadable.
    virtual std::wstring ReadTagText(const std::wstring& path, const char* frameId) = 0;
    virtual bool StripTags(const std::wstring& path) = 0;
    virtual bool RegisterSong(const PendingSong& song, Settings& settings, Settings& station) = 0;
};
