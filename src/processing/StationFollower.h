#pragma once
// Follows one station's recorder: notices each new song in its play folder,
// counts down to the page fetch, checks the page and hands the finished song
// to the filing. A file that turns up in its end folder without having been
// seen playing is filed too. The scheduler (ProcessingCycle) drives it.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "journal/JournalTypes.h"
#include "processing/FirstSongRule.h"
#include "processing/Moment.h"
#include "processing/SongPageCheck.h"
#include "processing/SongServices.h"
#include "settings/Station.h"
#include "web/SongInfo.h"

class CycleView;
class Filing;

// What every follower reads of the settings' root, read once per change.
struct FollowRules {
    bool ignoreFirst = false;
    std::vector<std::wstring> ignoreList;  // wildcards
};

class StationFollower {
public:
    StationFollower(const Station& station, Filing& filing, SongServices& services, CycleView& view,
                    const FollowRules& rules);
    ~StationFollower();
    StationFollower(const StationFollower&) = delete;
    StationFollower& operator=(const StationFollower&) = delete;

    // Looks at the play folder (and the end folder): true when a new
    // recording, or a recording nobody saw playing, turned up.
    bool Scan(Moment now, std::uint64_t nowMs);
    // The second's tick: the countdown to the page fetch.
    void SecondPassed();
    // The song in progress is cut off (another station is followed).
    void Abandon();
    // Another record of the same station (edited): the song in progress
    // goes on with it.
    void Update(const Station& station) { station_ = station; }

    const Station& station() const { return station_; }
    bool skipCurrent() const { return skipCurrent_; }
    const std::wstring& currentRecording() const { return currentRecording_; }
    int countdown() const { return countdown_; }
    const SongInfo& songInfo() const { return songInfo_; }
    journal::SongId currentSong() const { return currentSong_; }
    bool fetching() const { return fetching_; }
    SongPageCheck& pageCheck() { return pageCheck_; }

private:
    void NoticeNewRecording(const std::wstring& newest, Moment now, std::uint64_t nowMs);
    // True when a file nobody saw playing turned up in the end folder.
    bool LookAtEndFolder(Moment now);
    void TakeUpLeftPlaying(const std::wstring& newest, Moment now, std::uint64_t nowMs);
    bool IsIgnored(const std::wstring& name) const;
    void HandOverCurrentSong(Moment now);
    void FetchFromPage();
    void PageFetched(int generation, SongServices::Page page);
    void ArtworkFetched(int generation, const std::wstring& path);
    void RefreshSongBoxes();

    Station station_;
    Filing& filing_;
    SongServices& services_;
    CycleView& view_;
    const FollowRules& rules_;
    bool scanned_ = false;
    bool skipCurrent_ = false;
    std::wstring currentRecording_;
    // The latest last-write time seen of any recording: a file written
    // before it is a leftover, not a song begun since.
    FILETIME recordingsWritten_{};
    int countdown_ = 0;
    SongInfo songInfo_;
    journal::SongId currentSong_ = 0;
    FirstSongRule firstSong_;
    SongPageCheck pageCheck_;
    bool noticedThisRun_ = false;
    bool fetching_ = false;
    // Each new song ends what was fetched for the one before.
    int generation_ = 0;
    // The end folder's files as last seen (upper case); none until the
    // first look, so that what lay there at start is left alone.
    std::set<std::wstring> endFolderNames_;
    bool endFolderSeen_ = false;
    // Files of songs that were skipped: accounted for when they arrive.
    std::set<std::wstring> skippedNames_;
    // Cleared when the follower goes: a job's result then finds no one.
    std::shared_ptr<StationFollower*> self_;
};
