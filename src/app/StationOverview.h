#pragma once
// What the main window shows of every station, not only the selected one:
// a mark per station in the station list, the song of each followed
// station for the tray icon's tooltip, and a warning when a followed
// station's page stops yielding its songs. Looked at every tick: the
// journal is read only for a follower that recorded a new health state.
#include <map>
#include <string>
#include <vector>

#include "app/StationMarks.h"
#include "journal/JournalTypes.h"
#include "processing/FollowPlan.h"
#include "processing/StationHealth.h"

class ProcessingCycle;
class StationFollower;

namespace journal {
class Journal;
}  // namespace journal

// A followed station and what it plays: "title - artist", or the file name.
struct StationSong {
    std::wstring station;
    std::wstring song;
};

class StationOverview {
public:
    // A followed station whose page failed HealthWarning::kFailuresInARow
    // songs in a row, once per such run.
    struct Warning {
        std::wstring station;
        journal::ExtractionHealth health;
    };

    // Compares the cycle with the last look; true when a mark changed.
    // The stations newly due a warning are added to `warnings`.
    bool Look(ProcessingCycle& cycle, journal::Journal* journal, std::vector<Warning>& warnings);
    StationMark MarkOf(const std::wstring& station) const;
    // The followed stations, sorted as the station list sorts them.
    static std::vector<StationSong> Songs(ProcessingCycle& cycle);

private:
    struct Seen {
        const StationFollower* follower = nullptr;
        int healthRecords = 0;
        bool unwell = false;
    };

    std::vector<StationFollowing> plan_;
    std::map<std::wstring, Seen> seen_;  // the followed stations
    std::map<std::wstring, HealthWarning> warnings_;
};

// The tray icon's tooltip: `heading`, then a line "station: song" for each
// station, within `limit` characters. Long lines are cut with "…", the
// longest first; stations that find no room are counted on the last line.
std::wstring TrayTipText(const std::wstring& heading, const std::vector<StationSong>& songs, size_t limit);
