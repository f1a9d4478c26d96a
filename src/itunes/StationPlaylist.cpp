#include "itunes/StationPlaylist.h"

#include "itunes/ITunesIds.h"

namespace {

// iTunes refuses tracks added to smart playlists and folders. A property
// that cannot be read does not rule the playlist out: AddTrack decides.
bool TakesTracks(const AutomationObject& userPlaylist) {
    bool smart = false;
    long specialKind = kUserPlaylistSpecialKindNone;
    if (userPlaylist.GetBool(L"Smart", smart) && smart) return false;
    return !userPlaylist.GetLong(L"SpecialKind", specialKind) || specialKind == kUserPlaylistSpecialKindNone;
}

}  // namespace

AutomationObject FindOrCreateStationPlaylist(const AutomationObject& iTunes, const std::wstring& name) {
    AutomationObject source = iTunes.GetObject(L"LibrarySource");
    if (!source) return {};
    AutomationObject playlists = source.GetObject(L"Playlists");
    if (!playlists) return {};
    AutomationObject found;
    playlists.VisitItems([&](AutomationObject& playlist) {
        // A playlist that cannot be fetched or named is passed over.
        std::wstring playlistName;
        if (!playlist.GetText(L"Name", playlistName) || playlistName != name) return true;
        AutomationObject userPlaylist = playlist.Query(kIITUserPlaylist);
        if (!userPlaylist || !TakesTracks(userPlaylist)) return true;
        found = std::move(userPlaylist);
        return false;
    });
    if (found) return found;
    kit::ScopedBstr newName(name);
    return iTunes.CallObject(L"CreatePlaylist", {TextArgument(newName)}).Query(kIITUserPlaylist);
}
