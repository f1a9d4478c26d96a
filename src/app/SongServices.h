#pragma once
// The cycle's work on the real things: the station's page, the MP3's tags
// and the iTunes library. The fetched artwork is saved in one folder.
#include <string>

#include "processing/CycleServices.h"
#include "settings/Settings.h"
#include "web/ArtworkSearch.h"

class SongServices : public CycleServices {
public:
    SongServices(Settings& settings, std::wstring artworkFolder)
        : artworkFolder_(std::move(artworkFolder)), artworkSearch_(settings, artworkSearchCache_) {}

    const std::wstring& artworkFolder() const { return artworkFolder_; }
    void SetArtworkFolder(const std::wstring& path) { artworkFolder_ = path; }

    void FetchSongInfo(Settings& station, const std::wstring& artworkFolder, SongInfo& songInfo,
                       ArtworkView& artwork) override;
    std::wstring ReadTagText(const std::wstring& path, const char* frameId) override;
    bool StripTags(const std::wstring& path) override;
    bool RegisterSong(const PendingSong& song, Settings& settings, Settings& station) override;

private:
    std::wstring artworkFolder_;
    // Until the journal keeps the answers across runs.
    MemoryArtworkSearchCache artworkSearchCache_;
    ArtworkSearch artworkSearch_;
};
