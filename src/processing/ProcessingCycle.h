#pragma once
// The once-a-second tick that follows the recorder: notices a new song,
// counts down to the page fetch, moves the finished song into the output
// folder and registers it. The main window owns one and calls Tick from its
// timer.
#include <string>

#include "itunes/PendingSong.h"
#include "settings/Settings.h"
#include "web/SongInfo.h"

class CycleServices;
class CycleView;

class ProcessingCycle {
public:
    ProcessingCycle(Settings& settings, CycleView& view, CycleServices& services)
        : settings_(settings), view_(view), services_(services) {}
    ProcessingCycle(const ProcessingCycle&) = delete;
    ProcessingCycle& operator=(const ProcessingCycle&) = delete;

    // Holds the ticks for its lifetime, however it ends (a modal dialog
    // runs, a question is asked). Scopes nest.
    class PauseScope {
    public:
        explicit PauseScope(ProcessingCycle& cycle) : cycle_(cycle) { ++cycle_.pauses_; }
        ~PauseScope() { --cycle_.pauses_; }
        PauseScope(const PauseScope&) = delete;
        PauseScope& operator=(const PauseScope&) = delete;

    private:
        ProcessingCycle& cycle_;
    };

    // One tick. Does nothing while paused, while the check box is off, or
    // when called again from inside a tick (the message window pumps messages).
    void Tick();

    // Follows another station (or the same one, changed): the song in its
    // play folder counts as its first, nothing is counted down or fetched.
    void SelectStation(const Settings& station);

    bool ticking() const { return ticking_; }
    bool paused() const { return pauses_ > 0; }
    bool skipCurrent() const { return skipCurrent_; }
    const std::wstring& currentRecording() const { return currentRecording_; }
    int countdown() const { return countdown_; }
    const SongInfo& songInfo() const { return songInfo_; }
    const PendingSong& pendingSong() const { return pendingSong_; }
    const Settings& currentStation() const { return currentStation_; }

private:
    void Run();
    void NoticeNewRecording(const std::wstring& newest);
    void MoveFinishedRecording(const std::wstring& finishedName);
    void RegisterPendingSong();
    void AdvanceCountdown();
    void RefreshSongBoxes();

    Settings& settings_;
    CycleView& view_;
    CycleServices& services_;
    bool ticking_ = false;
    int pauses_ = 0;
    bool skipCurrent_ = false;
    std::wstring currentRecording_;
    std::wstring lastEndDirectory_;
    int countdown_ = 0;
    SongInfo songInfo_;
    PendingSong pendingSong_;
    int registerCount_ = 0;
    Settings currentStation_;
};
