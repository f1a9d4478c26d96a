#include "itunes/SameSongSearch.h"

#include <algorithm>
#include <vector>

#include "itunes/ITunesIds.h"

namespace {

struct Criterion {
    const std::wstring& text;
    CheckType check;
    SearchField field;
    const wchar_t* property;  // read for the exact test
};

struct CriterionHits {
    const Criterion* criterion;
    AutomationObject found;
    long count;
};

// Case, width and surrounding spaces all count.
bool PassesExactTest(const AutomationObject& track, const Criterion& criterion) {
    if (criterion.check != CheckType::Exact) return true;
    std::wstring value;
    return track.GetText(criterion.property, value) && value == criterion.text;
}

// Every hit of every search fetched and told apart by its index: the way
// for an iTunes that cannot look a track up by its persistent ID.
void TallyEveryHit(const std::vector<CriterionHits>& searches, SameSongSearchResult& result) {
    result.tally.clear();
    for (const CriterionHits& hits : searches) {
        for (long i = 1; i <= hits.count; ++i) {
            AutomationObject track = hits.found.Item(i);
            if (!track || !PassesExactTest(track, *hits.criterion)) continue;
            long index = 0;
            if (!track.GetLong(L"Index", index)) continue;
            SameSongCandidate& candidate = result.tally[index];
            if (!candidate.track) candidate.track = std::move(track);
            ++candidate.metCriteria;
        }
    }
}

struct PersistentId {
    long high = 0, low = 0;
};

bool ReadPersistentId(const AutomationObject& iTunes, const AutomationObject& track, PersistentId& id) {
    const VARIANT object = ObjectArgument(track.Get());
    return iTunes.GetLong(L"ITObjectPersistentIDHigh", {object}, id.high) &&
           iTunes.GetLong(L"ITObjectPersistentIDLow", {object}, id.low);
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
bool TallyNarrowestHits(const AutomationObject& iTunes, std::vector<CriterionHits> searches,
                        SameSongSearchResult& result) {
    std::stable_sort(searches.begin(), searches.end(),
                     [](const CriterionHits& a, const CriterionHits& b) { return a.count < b.count; });
    const CriterionHits& narrowest = searches.front();
    for (long i = 1; i <= narrowest.count; ++i) {
        AutomationObject track = narrowest.found.Item(i);
        if (!track) continue;
        PersistentId id;
        if (!ReadPersistentId(iTunes, track, id)) return false;
        bool inEvery = true;
        for (size_t other = 1; other < searches.size() && inEvery; ++other) {
            const Membership membership = FindIn(searches[other].found, id);
            if (membership == Membership::Unknown) return false;
            inEvery = membership == Membership::In;
        }
        if (!inEvery) continue;
        const bool exact = std::all_of(searches.begin(), searches.end(), [&](const CriterionHits& hits) {
            return PassesExactTest(track, *hits.criterion);
        });
        long index = 0;
        if (!exact || !track.GetLong(L"Index", index)) continue;
        SameSongCandidate& candidate = result.tally[index];
        candidate.track = std::move(track);
        candidate.metCriteria = result.activeCriteria;
    }
    return true;
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
        AutomationObject found = libraryPlaylist.CallObject(
            L"Search", {TextArgument(text), LongArgument(criterion.field)});
        long count = 0;
        // No collection means nothing matched; the criterion still counts,
        // so no track can be in every result.
        if (!found || !found.GetCount(count) || count == 0) return result;
        searches.push_back({&criterion, std::move(found), count});
    }
    if (searches.empty()) return result;
    if (!TallyNarrowestHits(iTunes, searches, result)) TallyEveryHit(searches, result);
    return result;
}
