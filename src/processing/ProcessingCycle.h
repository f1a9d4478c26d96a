#pragma once
// The once-a-second tick that follows the recorder: notices a new song,
// counts down to the page fetch, moves the finished song into the output
// folder and registers it. The main window owns one and calls Tick from its
// timer.
#include <string>

#include "itunes/PendingSong.h"
#include "processing/SongPageCheck.h"
#include "settings/Settings.h"
#include "web/SongInfo.h"

class CycleSeam;

class ProcessingCycle {
public:
    ProcessingCycle(Settings& settings, CycleSeam& seam) : settings_(settings), seam_(seam) {}
    ProcessingCycle(const ProcessingCycle&) = delete;
    ProcessingCycle& operator=(const ProcessingCycle&) = delete;

    // One tick. Does nothing while `busy`, while the check box is off, or when
    // called again from inside a tick (the message window pumps messages).
    void Tick();
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
    // Whether the page shows the song yet; what the journal learns of it.
    SongPageCheck pageCheck;

private:
    void Run();
    void NoticeNewRecording(const std::wstring& newest);
    void MoveFinishedRecording(const std::wstring& finishedName);
    void RegisterPendingSong();
    void AdvanceCountdown();
    void RefreshSongBoxes();
    void FetchFromPage();

    Settings& settings_;
    CycleSeam& seam_;
    bool ticking_ = false;
};
