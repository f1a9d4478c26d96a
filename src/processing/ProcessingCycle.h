#pragma once
// The once-a-second tick that follows the recorder: notices a new song,
// counts down to the page fetch, moves the finished song into the output
// folder and registers it. The main window owns one and calls Tick from its
// timer.
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
    // it is done when a folder changed (or now and then, to be safe); the
    // ticks between only count down and retry a registration, taking the
    // song in progress as it was.
    enum class Scope { ScanFolders, CountdownOnly };

    // One tick. Does nothing while `busy`, while the check box is off, or when
    // called again from inside a tick (the message window pumps messages).
    void Tick(Scope scope = Scope::ScanFolders);
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
    void Run(Scope scope);
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
