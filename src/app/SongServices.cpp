#include "app/SongServices.h"

#include "itunes/ITunesRegistration.h"
#include "tags/Mp3Tag.h"
#include "tags/StripTags.h"
#include "web/FetchSongInfo.h"

void SongServices::FetchSongInfo(Settings& station, const std::wstring& artworkFolder, SongInfo& songInfo,
                                 ArtworkView& artwork) {
    ::FetchSongInfo(station, artworkFolder, artwork, songInfo, &artworkSearch_);
}

std::wstring SongServices::ReadTagText(const std::wstring& path, const char* frameId) {
    kit::Mp3Tag tag;
    if (!tag.Open(path)) return std::wstring();
    return tag.GetText(std::wstring(frameId, frameId + std::char_traits<char>::length(frameId)));
}

bool SongServices::StripTags(const std::wstring& path) { return ::StripTags(path); }

bool SongServices::RegisterSong(const PendingSong& song, Settings& settings, Settings& station) {
    return ::RegisterSong(song, settings, station);
}
