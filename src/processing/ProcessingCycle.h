#pragma once
// The once-a-second tick that follows the recorder: notices a new song,
// counts down to the page fetch and hands the finished song to the filing,
// which moves, strips and registers it. The main window owns one and ticks it
// from its timer and when a watched folder changes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "processing/Filing.h"
#include "processing/FirstSongRule.h"
#include "settings/Settings.h"
#include "web/SongInfo.h"

class CycleServices;
class CycleView;

class ProcessingCycle : private FilingServices {
public:
    ProcessingCycle(Settings& settings, CycleView& view, CycleServices& services)
        : settings_(settings), view_(view), services_(services) {}
    ProcessingCycle(const ProcessingCycle&) = delete;
    ProcessingCycle& operator=(const ProcessingCycle&) = delete;
    ~ProcessingCycle() override;

    // The journal every song is filed through; until then the tick does
    // nothing. Takes up what the journal shows unfinished and removes our
    // temporary files in the output folders and in `programFolder`.
    void AttachJournal(journal::Journal& journal, const std::wstring& artworkRoot, const std::wstring& programFolder);
    // A failed or waiting song is tried again at the next tick.
    bool RetryNow(journal::SongId id);
    // Milliseconds of a steady clock, for the first-song rule (tests set it).
    void SetClock(std::function<std::uint64_t()> clock) { clock_ = std::move(clock); }

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

    // One tick. Does nothing while paused, while the check box is off, or
    // when called again from inside a tick (the message window pumps messages).
    // True when it went through the whole tick.
    bool Tick(Scope scope = Scope::ScanFolders);
    // The folders whose changes call for a scanning tick: the station's
    // play and end folders.
    std::vector<std::wstring> WatchedFolders() const;
    // How many times a tick scanned the play folder.
    long folderScans() const { return folderScans_; }

    // Follows another station (or the same one, changed): the song in its
    // play folder counts as its first, nothing is counted down or fetched.
    void SelectStation(const Settings& station);

    bool ticking() const { return ticking_; }
    bool paused() const { return pauses_ > 0; }
    bool skipCurrent() const { return skipCurrent_; }
    const std::wstring& currentRecording() const { return currentRecording_; }
    int countdown() const { return countdown_; }
    const SongInfo& songInfo() const { return songInfo_; }
    // The journal's id of the song being recorded; 0 when it is skipped.
    journal::SongId currentSong() const { return currentSong_; }
    Filing* filing() { return filing_.get(); }
    const Settings& currentStation() const { return currentStation_; }

private:
    bool Run(Scope scope);
    void NoticeNewRecording(const std::wstring& newest, std::uint64_t nowMs);
    void HandOverCurrentSong();
    void AdvanceCountdown();
    void RefreshSongBoxes();

    Settings& settings_;
    CycleView& view_;
    CycleServices& services_;
    bool ticking_ = false;
    long folderScans_ = 0;
    int pauses_ = 0;
    bool skipCurrent_ = false;
    std::wstring currentRecording_;
    std::wstring lastEndDirectory_;
    int countdown_ = 0;
    SongInfo songInfo_;
    Settings currentStation_;
    journal::SongId currentSong_ = 0;
    FirstSongRule firstSong_;
    std::unique_ptr<Filing> filing_;
    std::function<std::uint64_t()> clock_;

    // FilingServices
    std::wstring ReadTagText(const std::wstring& path, const char* frameId) override;
    bool StripTags(const std::wstring& path) override;
    bool RegisterSong(const PendingSong& song, Settings& settings, Settings& station) override;
    void SongGivenUp(const journal::SongRecord& song) override;
    void JournalChanged() override;
};
