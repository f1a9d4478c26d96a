#pragma once
// The road's scheduler: the once-a-second tick (and the ticks that a folder
// change brings) drives a follower for every followed station and the
// filing, which moves, strips and registers each finished song and retries
// what failed. Nothing here waits: the jobs it hands out report back through
// SongServices. The main window owns one, and shows one station at a time.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/WatchedFolder.h"
#include "journal/Journal.h"
#include "processing/Filing.h"
#include "processing/FollowPlan.h"
#include "processing/FollowerView.h"
#include "processing/StationFollower.h"
#include "settings/LibraryTarget.h"
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
    // rule, the ignore list and where songs go, and follows the stations to
    // be followed. A station followed before keeps its song in progress
    // unless its play or end folder changed. Called at start and after every
    // change.
    void ApplySettings(const Settings& root);
    // The journal every song is filed through; until then the tick does
    // nothing. Takes up what the journal shows unfinished and removes our
    // temporary files in the output folders and in `programFolder`.
    void AttachJournal(journal::Journal& journal, const std::wstring& artworkRoot, const std::wstring& programFolder);
    // A failed or waiting song is tried again at the next tick.
    bool RetryNow(journal::SongId id);
    // A song waiting for the library, or given up on it, is finished in its
    // output folder with its own tag and playlist line.
    bool FinishWithoutLibrary(journal::SongId id);
    // Where songs go, as the settings said last.
    const LibraryTarget& target() const { return target_; }
    // Milliseconds of a steady clock (tests set it).
    void SetClock(std::function<std::uint64_t()> clock);

    // What a tick looks at. Scanning the play folders is the costly part, so
    // it is done when a folder changed (or now and then, to be safe).
    enum class Scope {
        // The whole tick: scan every followed station, then file and count down.
        ScanFolders,
        // Scan the stations whose folders changed (MarkChanged), file and
        // count down.
        ChangedFolders,
        // A folder changed: scan those stations and file; the countdowns keep
        // to their seconds unless a new recording turned up.
        NewRecordingOnly,
        // The songs in progress taken as they were: file and count down.
        CountdownOnly,
    };

    // One tick; does nothing while the check box is off. True when it went
    // through the whole tick.
    bool Tick(Scope scope = Scope::ScanFolders);
    // Something changed in `folder`: the stations using it scan at the next
    // tick that scans changed folders.
    void MarkChanged(const std::wstring& folder);
    // True while a station waits for such a scan.
    bool ChangesPending() const;
    // The folders whose changes call for a scanning tick: the followed
    // stations' play and end folders and the end folders of songs awaited.
    std::vector<WatchedFolder> WatchedFolders() const;
    // The song being recorded into `playFolder` by a followed station; empty
    // when none.
    const std::wstring& RecordingIn(const std::wstring& playFolder) const;
    // How many times a tick scanned a station's folders.
    long folderScans() const { return folderScans_; }

    // Shows this station in the window: its song, boxes and artwork. Of
    // stations that share a folder, the one selected last is followed, so
    // selecting another of them cuts off the song in progress of the one
    // before; any other station's songs go on.
    void SelectStation(const Station& station);
    // A station was edited: with the same play and end folders its song in
    // progress goes on; otherwise it is followed afresh.
    void UpdateStation(const Station& station);

    // The station shown, and what its follower has (nothing when it is not
    // followed).
    bool skipCurrent() const { return follower_ && follower_->skipCurrent(); }
    const std::wstring& currentRecording() const;
    int countdown() const { return follower_ ? follower_->countdown() : 0; }
    const SongInfo& songInfo() const;
    // The journal's id of the song being recorded; 0 when it is skipped.
    journal::SongId currentSong() const { return follower_ ? follower_->currentSong() : 0; }
    Filing* filing() { return filing_.get(); }
    // The follower of the station shown; null when it is not followed.
    StationFollower* follower() { return follower_; }
    const Station& currentStation() const;
    // Every station of the settings and whether it is followed, in the
    // settings' order.
    const std::vector<StationFollowing>& following() const { return following_; }
    // The follower of the station of that name; null when it is not followed.
    StationFollower* FollowerOf(const std::wstring& name);
    // Every follower, in the settings' order.
    std::vector<const StationFollower*> followers() const;

private:
    struct Followed {
        std::unique_ptr<FollowerView> view;
        std::unique_ptr<StationFollower> follower;
        bool scanDue = true;
    };

    bool Run(Scope scope);
    Moment Current() const;
    // Brings the followers in line with the stations and the selection.
    void Reconcile();
    // The window shows the selected station's follower as it stands.
    void ShowSelected();
    // Follows the stations whose missing folders have turned up.
    void FollowArrivedFolders();
    void PutStation(const Station& station);
    Followed* Find(const std::wstring& name);

    CycleView& view_;
    SongServices& services_;
    FollowRules rules_;
    LibraryTarget target_;
    std::vector<Station> settingsStations_;
    std::vector<Station> stations_;  // and the selected one when not stored
    long folderScans_ = 0;
    std::unique_ptr<Filing> filing_;
    std::vector<Followed> followed_;
    StationFollower* follower_ = nullptr;  // the selected station's, when followed
    Station selected_;
    std::vector<std::wstring> selectionOrder_;  // the latest last
    std::function<std::uint64_t()> clock_;
    std::vector<StationFollowing> following_;
};
