#pragma once
// Finding the tracks of the library that count as the song being registered.
#include <map>
#include <string>

#include "itunes/AutomationObject.h"
#include "itunes/CheckType.h"

// Library index of a track (its position in the library playlist) to the
// number of criteria it met; iterated in ascending index order.
using SameSongTally = std::map<long, int>;

struct SameSongSearchResult {
    SameSongTally tally;
    // A track is a same song when its tally equals this, and this is above 0.
    int activeCriteria = 3;

    bool IsSameSong(int metCriteria) const {
        return activeCriteria > 0 && metCriteria == activeCriteria;
    }
};

// The fields of the new song with the test of each, in the order title,
// artist, album.
struct SameSongQuery {
    std::wstring title, artist, album;
    CheckType titleCheck = CheckType::Partial;
    CheckType artistCheck = CheckType::Partial;
    CheckType albumCheck = CheckType::Partial;
};

// Runs before the new file is added, so the new track is never among the results.
SameSongSearchResult SearchSameSongs(const AutomationObject& libraryPlaylist,
                                     const SameSongQuery& query);
