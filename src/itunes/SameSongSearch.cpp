#include "itunes/SameSongSearch.h"

#include "itunes/ITunesIds.h"

namespace {

struct Criterion {
    const std::wstring& text;
    CheckType check;
    SearchField field;
    const wchar_t* property;  // read for the exact test
};

void TallyCriterion(const AutomationObject& libraryPlaylist, const Criterion& criterion,
                    SameSongSearchResult& result) {
    if (criterion.text.empty() || criterion.check == CheckType::Ignore) {
        --result.activeCriteria;
        return;
    }
    kit::ScopedBstr text(criterion.text);
    // No collection means nothing matched; the criterion still counts, so
    // then no track can reach the full tally.
    AutomationObject found = libraryPlaylist.CallObject(
        L"Search", {TextArgument(text), LongArgument(criterion.field)});
    long count = 0;
    if (!found || !found.GetCount(count)) return;
    for (long i = 1; i <= count; ++i) {
        AutomationObject track = found.Item(i);
        if (!track) continue;
        if (criterion.check == CheckType::Exact) {
            // Case, width and surrounding spaces all count.
            std::wstring value;
            if (!track.GetText(criterion.property, value) || value != criterion.text) continue;
        }
        long index = 0;
        if (!track.GetLong(L"Index", index)) continue;
        SameSongCandidate& candidate = result.tally[index];
        if (!candidate.track) candidate.track = std::move(track);
        ++candidate.metCriteria;
    }
}

}  // namespace

SameSongSearchResult SearchSameSongs(const AutomationObject& libraryPlaylist,
                                     const SameSongQuery& query) {
    SameSongSearchResult result;
    const Criterion criteria[] = {
        {query.title, query.titleCheck, kSearchSongNames, L"Name"},
        {query.artist, query.artistCheck, kSearchArtists, L"Artist"},
        {query.album, query.albumCheck, kSearchAlbums, L"Album"},
    };
    for (const Criterion& criterion : criteria) TallyCriterion(libraryPlaylist, criterion, result);
    return result;
}
