#pragma once
// Which stations get a follower of their own. A station is followed when it
// is switched on, its play and end folders are set and exist, and no other
// followed station uses one of its folders: the recorder's files in a shared
// folder cannot be told apart by station, so of stations sharing a folder
// only the one selected last is followed.
#include <string>
#include <vector>

#include "settings/Station.h"

enum class FollowReason {
    Followed,
    SwitchedOff,     // its check box is off
    NoFolders,       // its play or end folder is not set
    FoldersMissing,  // its play or end folder does not exist
    SharesFolders,   // another station that uses one of its folders is followed
};

struct StationFollowing {
    std::wstring name;
    FollowReason reason = FollowReason::SwitchedOff;
    // With SharesFolders: the station followed in its place.
    std::wstring followedInstead;
};

// One entry per station, in the order given. `selectionOrder` names
// stations as they were selected, the latest last; `followedNow` the ones
// followed at present, kept where the selection does not decide.
std::vector<StationFollowing> PlanFollowing(const std::vector<Station>& stations,
                                            const std::vector<std::wstring>& selectionOrder,
                                            const std::vector<std::wstring>& followedNow);

// A sentence for the station dialog on why a station is not followed; empty
// when it is.
std::wstring FollowReasonText(const StationFollowing& following);
