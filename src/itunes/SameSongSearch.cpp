#include "itunes/SameSongSearch.h"

#include "itunes/ITunesIds.h"

namespace {

struct Criterion {
    const std::wstring& text;
    CheckType check;
    SearchField field;
    const wchar_t* property;  // read for the exact test
};

bool MeetsExactTest(const AutomationObject& track, const Criterion& criterion) {
    if (criterion.check != CheckType::Exact) return true;
    // Case, width and surrounding spaces all count.
    std::wstring value;
    return track.GetText(criterion.property, value) && value == criterion.text;
}

// The first criterion searched makes the candidates; each later one keeps
// those it finds too: a track it misses can no longer meet every criterion.
void TallyCriterion(const AutomationObject& libraryPlaylist, const Criterion& criterion,
                    bool first, SameSongTally& tally) {
    kit::ScopedBstr text(criterion.text);
    // No collection means nothing matched: no track meets every criterion.
    const AutomationObject found =
        libraryPlaylist.CallObject(L"Search", {TextArgument(text), LongArgument(criterion.field)})
            .OfKind(kTrackCollectionKind);
    SameSongTally kept;
    if (found) {
        found.VisitItems([&](AutomationObject& track) {
            long index = 0;
            if (first) {
                if (MeetsExactTest(track, criterion) && track.GetLong(L"Index", index)) {
                    SameSongCandidate& candidate = kept[index];
                    if (!candidate.track) candidate.track = std::move(track);
                }
                return true;
            }
            // The index first: most hits of a later search are no candidates.
            if (track.GetLong(L"Index", index)) {
                const auto candidate = tally.find(index);
                if (candidate != tally.end() && MeetsExactTest(track, criterion)) {
                    kept.insert(std::move(*candidate));
                    tally.erase(candidate);
                }
            }
            return !tally.empty();  // the rest cannot be candidates
        });
    }
    for (auto& [index, candidate] : kept) ++candidate.metCriteria;
    tally = std::move(kept);
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
    bool first = true;
    for (const Criterion& criterion : criteria) {
        if (criterion.text.empty() || criterion.check == CheckType::Ignore) {
            --result.activeCriteria;
            continue;
        }
        // Once no candidate is left, further searches cannot bring one back.
        if (first || !result.tally.empty()) TallyCriterion(libraryPlaylist, criterion, first, result.tally);
        first = false;
    }
    return result;
}
