#include "itunes/LibraryLookup.h"

#include "base/PathHelpers.h"
#include "itunes/ITunesIds.h"

AutomationObject FindTrackOfFile(const AutomationObject& libraryPlaylist, const std::wstring& title,
                                 const std::wstring& path) {
    // A search narrows 100,000 tracks to a handful before any location is read.
    const std::wstring text = title.empty() ? RemoveExtension(FileNameOf(path)) : title;
    kit::ScopedBstr query(text);
    const AutomationObject found =
        libraryPlaylist
            .CallObject(L"Search", {TextArgument(query), LongArgument(title.empty() ? kSearchAll : kSearchSongNames)})
            .OfKind(kTrackCollectionKind);
    if (!found) return {};
    AutomationObject holder;
    found.VisitItems([&](AutomationObject& track) {
        const AutomationObject fileTrack = track.Query(kIITFileOrCDTrack);
        std::wstring location;
        if (!fileTrack || !fileTrack.GetText(L"Location", location)) return true;
        if (::CompareStringOrdinal(location.c_str(), static_cast<int>(location.size()), path.c_str(),
                                   static_cast<int>(path.size()), TRUE) != CSTR_EQUAL) {
            return true;
        }
        holder = std::move(track);
        return false;
    });
    return holder;
}
