#pragma once
// Finding the tracks of the library that count as the song being registered.
#include <map>
#include <string>

#include "itunes/AutomationObject.h"
#include "itunes/CheckType.h"

// A track that met at least one criterion: the object the search gave back,
// kept so that later steps act on that very track, whatever happens to the
// positions in the library meanwhile.
struct SameSongCandidate {
    AutomationObject track;
    int metCriteria = 0;
};

// By the track's index at search time (the searches run back to back, so the
// index tells the same track apart across them); ascending.
using SameSongTally = std::map<long, SameSongCandidate>;

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
SameSongSearchResult SearchSameSongs(const AutomationObject& iTunes, const AutomationObject& libraryPlaylist,
                                     const SameSongQuery& query);
