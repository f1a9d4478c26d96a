#pragma once
// When the processing cycle ticks: at once (50 ms after the last of a burst
// of changes) when a file turns up in or leaves a watched folder, with the
// next second's tick when a file there is written to, and once a second
// for the countdowns. A change scans only the stations whose folders
// changed; every followed station is scanned when something may have
// changed unseen: a folder that cannot be watched, a watch lost or re-armed,
// or 30 s without such a scan. A recorder writing on to its song is no
// news: it stays the newest file.
#include <windows.h>

#include "base/FolderWatch.h"
#include "kit/WaitSource.h"
#include "processing/ProcessingCycle.h"

class CycleWatch : public kit::WaitSource {
public:
    static constexpr UINT_PTR kDebounceTimerId = 1;
    static constexpr UINT kDebounceMilliseconds = 50;
    static constexpr ULONGLONG kSafetyScanMilliseconds = 30000;

    explicit CycleWatch(ProcessingCycle& cycle) : cycle_(cycle) {}

    // The window whose timer `kDebounceTimerId` the changes start.
    void SetWindow(HWND window) { window_ = window; }
    // The next once-a-second tick scans every followed station (the
    // stations or the selection changed).
    void RequestScan() { fullScanPending_ = true; }
    // Watches the station's folders as they are now, re-arming what changed
    // or was replaced (a change may have been missed then: the next tick scans).
    void Follow();
    // What the once-a-second tick does, after Follow.
    ProcessingCycle::Scope TimerScope();
    // Runs one tick of `scope`; a scan the cycle could not make stays due.
    // True when the cycle went through a whole tick.
    bool Tick(ProcessingCycle::Scope scope);

    // kit::WaitSource
    std::vector<HANDLE> WaitHandles() override { return watch_.Handles(); }
    void OnSignalled(HANDLE handle) override;

private:
    bool OnlyTheRecordingGrew(const FolderWatch::Signal& signal) const;

    ProcessingCycle& cycle_;
    FolderWatch watch_;
    HWND window_ = nullptr;
    bool fullScanPending_ = true;
    ULONGLONG lastFullScan_ = 0;
};
