#pragma once
// The once-a-second tick that follows the recorder: notices a new song,
// counts down to the page fetch, moves the finished song into the output
// folder and registers it. The main window owns one and ticks it from its
// timer and when a watched folder changes.
#include <string>
#include <vector>

#include "itunes/PendingSong.h"
#include "settings/Settings.h"
#include "web/SongInfo.h"

class CycleSeam;

class ProcessingCycle {
public:
    ProcessingCycle(Settings& settings, CycleSeam& seam) : settings_(settings), seam_(seam) {}
    ProcessingCycle(const ProcessingCycle&) = delete;
    ProcessingCycle& operator=(const ProcessingCycle&) = delete;

    // What a tick looks at. Scanning the play folder is the costly part, so
    // it is done when a folder changed (or now and then, to be safe).
    enum class Scope {
        // The whole tick: scan, then register and count down.
        ScanFolders,
        // The song in progress taken as it was: register and count down.
        CountdownOnly,
        // A folder changed: scan, and go on with the whole tick only when
        // a new recording turned up; the countdown keeps to its seconds.
        NewRecordingOnly,
    };

    // One tick. Does nothing while `busy`, while the check box is off, or when
    // called again from inside a tick (the message window pumps messages).
    // True when it went through the whole tick.
    bool Tick(Scope scope = Scope::ScanFolders);
    // The folders whose changes call for a scanning tick: the station's
    // play and end folders.
    std::vector<std::wstring> WatchedFolders() const;
    // How many times a tick scanned the play folder.
    long folderScans() const { return folderScans_; }
    bool ticking() const { return ticking_; }

    bool busy = false;
    bool skipCurrent = false;
    std::wstring currentRecording;
    std::wstring lastEndDirectory;
    int countdown = 0;
    SongInfo songInfo;
    PendingSong pendingSong;
    int registerCount = 0;
    Settings currentStation;

private:
    bool Run(Scope scope);
    void NoticeNewRecording(const std::wstring& newest);
    void MoveFinishedRecording(const std::wstring& finishedName);
    void RegisterPendingSong();
    void AdvanceCountdown();
    void RefreshSongBoxes();

    Settings& settings_;
    CycleSeam& seam_;
    bool ticking_ = false;
    long folderScans_ = 0;
};
