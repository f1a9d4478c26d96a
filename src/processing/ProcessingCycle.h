#pragma once
// The road's scheduler: the once-a-second tick (and the ticks that a folder
// change brings) drives the station follower and the filing, which moves,
// strips and registers each finished song and retries what failed. Nothing
// here waits: the jobs it hands out report back through SongServices. The
// main window owns one.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "processing/Filing.h"
#include "processing/FollowPlan.h"
#include "processing/StationFollower.h"
#include "settings/Station.h"

class CycleView;
class Settings;
class SongServices;

class ProcessingCycle {
public:
    ProcessingCycle(CycleView& view, SongServices& services) : view_(view), services_(services) {}
    ProcessingCycle(const ProcessingCycle&) = delete;
    ProcessingCycle& operator=(const ProcessingCycle&) = delete;
    ~ProcessingCycle();

    // Reads what the road needs of the settings: the stations, the first-song
    // rule and the ignore list. Called at start and after every change.
    void ApplySettings(const Settings& root);
    // The journal every song is filed through; until then the tick does
    // nothing. Takes up what the journal shows unfinished and removes our
    // temporary files in the output folders and in `programFolder`.
    void AttachJournal(journal::Journal& journal, const std::wstring& artworkRoot, const std::wstring& programFolder);
    // A failed or waiting song is tried again at the next tick.
    bool RetryNow(journal::SongId id);
    // Milliseconds of a steady clock (tests set it).
    void SetClock(std::function<std::uint64_t()> clock);

    // What a tick looks at. Scanning the play folder is the costly part, so
    // it is done when a folder changed (or now and then, to be safe).
    enum class Scope {
        // The whole tick: scan, then file and count down.
        ScanFolders,
        // The song in progress taken as it was: file and count down.
        CountdownOnly,
        // A folder changed: scan and file; the countdown keeps to its
        // seconds unless a new recording turned up.
        NewRecordingOnly,
    };

    // One tick; does nothing while the check box is off. True when it went
    // through the whole tick.
    bool Tick(Scope scope = Scope::ScanFolders);
    // The folders whose changes call for a scanning tick: the followed
    // station's play and end folders and the end folders of songs awaited.
    std::vector<std::wstring> WatchedFolders() const;
    // How many times a tick scanned the play folder.
    long folderScans() const { return folderScans_; }

    // Follows another station: the song in its play folder counts as its
    // first, nothing is counted down or fetched; the song in progress of the
    // one before is cut off.
    void SelectStation(const Station& station);
    // The followed station was edited: with the same play and end folders
    // the song in progress goes on; otherwise it is followed afresh.
    void UpdateStation(const Station& station);

    bool skipCurrent() const { return follower_ && follower_->skipCurrent(); }
    const std::wstring& currentRecording() const;
    int countdown() const { return follower_ ? follower_->countdown() : 0; }
    const SongInfo& songInfo() const;
    // The journal's id of the song being recorded; 0 when it is skipped.
    journal::SongId currentSong() const { return follower_ ? follower_->currentSong() : 0; }
    Filing* filing() { return filing_.get(); }
    // The followed station; null before one is selected.
    StationFollower* follower() { return follower_.get(); }
    const Station& currentStation() const;
    // Every station of the settings and whether it is followed, in the
    // settings' order; renewed by ApplySettings, SelectStation and UpdateStation.
    const std::vector<StationFollowing>& following() const { return following_; }
    // The follower of the station of that name; null when it is not followed.
    StationFollower* FollowerOf(const std::wstring& name);

private:
    bool Run(Scope scope);
    Moment Current() const;

    CycleView& view_;
    SongServices& services_;
    FollowRules rules_;
    std::vector<Station> stations_;
    long folderScans_ = 0;
    std::unique_ptr<Filing> filing_;
    std::unique_ptr<StationFollower> follower_;
    Station pendingStation_;  // selected before the journal was attached
    std::function<std::uint64_t()> clock_;
    std::vector<StationFollowing> following_;
};
