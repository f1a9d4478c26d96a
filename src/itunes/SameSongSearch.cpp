#include "itunes/SameSongSearch.h"

#include <algorithm>
#include <vector>

#include "itunes/ITunesIds.h"
#include "itunes/PersistentId.h"

namespace {

struct Criterion {
    const std::wstring& text;
    CheckType check;
    SearchField field;
    const wchar_t* property;  // read for the test
};

struct CriterionHits {
    const Criterion* criterion;
    AutomationObject found;
    long count;
};

// Read from the hit: the searches match word by word, so "Love Song" also
// finds "Song of Love", and "Sky Blue" the artist "Blue Sky".
bool PassesTest(const AutomationObject& track, const Criterion& criterion) {
    std::wstring value;
    return track.GetText(criterion.property, value) && PassesCheck(criterion.check, value, criterion.text);
}

// Hits told apart by their index, narrowest result first: the way for an
// iTunes that cannot look a track up by its persistent ID. The narrowest
// makes the candidates; each other result keeps those it holds too, and is
// read only until every candidate has turned up.
void TallyByIndex(const std::vector<CriterionHits>& searches, SameSongSearchResult& result) {
    SameSongTally& tally = result.tally;
    tally.clear();
    bool first = true;
    for (const CriterionHits& hits : searches) {
        if (!first && tally.empty()) break;
        SameSongTally kept;
        hits.found.VisitItems([&](AutomationObject& track) {
            long index = 0;
            if (first) {
                if (PassesTest(track, *hits.criterion) && track.GetLong(L"Index", index)) {
                    SameSongCandidate& candidate = kept[index];
                    if (!candidate.track) candidate.track = std::move(track);
                }
                return true;
            }
            // The index first: most hits of a wider result are no candidates.
            if (track.GetLong(L"Index", index)) {
                const auto candidate = tally.find(index);
                if (candidate != tally.end() && PassesTest(track, *hits.criterion)) {
                    kept.insert(std::move(*candidate));
                    tally.erase(candidate);
                }
            }
            return !tally.empty();
        });
        tally = std::move(kept);
        first = false;
    }
    for (auto& [index, candidate] : tally) candidate.metCriteria = result.activeCriteria;
}

enum class Membership { In, Out, Unknown };

Membership FindIn(const AutomationObject& collection, const PersistentId& id) {
    kit::ScopedVariant found;
    if (FAILED(collection.Invoke(L"ItemByPersistentID", DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                 {LongArgument(id.high), LongArgument(id.low)}, found.Receive())))
        return Membership::Unknown;
    return ObjectFromVariant(found.Get()) ? Membership::In : Membership::Out;
}

// Only the hits of the narrowest search are fetched; each is looked up in
// the other results by its persistent ID. A same song is in every result,
// so the cost follows the same songs, not the artist's or album's other
// tracks. False when this iTunes cannot look tracks up that way.
bool TallyNarrowestHits(const AutomationObject& iTunes, const std::vector<CriterionHits>& searches,
                        SameSongSearchResult& result) {
    bool supported = true;
    bool pairFails = false;
    searches.front().found.VisitItems([&](AutomationObject& track) {
        PersistentId id;
        if (!ReadPersistentId(iTunes, track, id, pairFails)) return supported = false;
        bool inEvery = true;
        for (size_t other = 1; other < searches.size() && inEvery; ++other) {
            const Membership membership = FindIn(searches[other].found, id);
            if (membership == Membership::Unknown) return supported = false;
            inEvery = membership == Membership::In;
        }
        if (!inEvery) return true;
        const bool passes = std::all_of(searches.begin(), searches.end(), [&](const CriterionHits& hits) {
            return PassesTest(track, *hits.criterion);
        });
        long index = 0;
        if (!passes || !track.GetLong(L"Index", index)) return true;
        SameSongCandidate& candidate = result.tally[index];
        candidate.track = std::move(track);
        candidate.metCriteria = result.activeCriteria;
        return true;
    });
    return supported;
}

}  // namespace

SameSongSearchResult SearchSameSongs(const AutomationObject& iTunes, const AutomationObject& libraryPlaylist,
                                     const SameSongQuery& query) {
    SameSongSearchResult result;
    const Criterion criteria[] = {
        {query.title, query.titleCheck, kSearchSongNames, L"Name"},
        {query.artist, query.artistCheck, kSearchArtists, L"Artist"},
        {query.album, query.albumCheck, kSearchAlbums, L"Album"},
    };
    std::vector<CriterionHits> searches;
    for (const Criterion& criterion : criteria) {
        if (criterion.text.empty() || criterion.check == CheckType::Ignore) {
            --result.activeCriteria;
            continue;
        }
        kit::ScopedBstr text(criterion.text);
        AutomationObject found =
            libraryPlaylist.CallObject(L"Search", {TextArgument(text), LongArgument(criterion.field)})
                .OfKind(kTrackCollectionKind);
        long count = 0;
        // No collection means nothing matched; the criterion still counts,
        // so no track can be in every result.
        if (!found || !found.GetCount(count) || count == 0) return result;
        searches.push_back({&criterion, std::move(found), count});
    }
    if (searches.empty()) return result;
    std::stable_sort(searches.begin(), searches.end(),
                     [](const CriterionHits& a, const CriterionHits& b) { return a.count < b.count; });
    // A single result has nothing to look its hits up in.
    if (searches.size() == 1 || !TallyNarrowestHits(iTunes, searches, result)) {
        TallyByIndex(searches, result);
    }
    return result;
}
