#include "app/CycleWatch.h"

void CycleWatch::Follow() {
    if (watch_.Watch(cycle_.WatchedFolders())) scanPending_ = true;
    if (watch_.Refresh()) scanPending_ = true;
}

ProcessingCycle::Scope CycleWatch::TimerScope() {
    Follow();
    const bool due = scanPending_ || !watch_.AllWatched() || ::GetTickCount64() - lastScan_ >= kSafetyScanMilliseconds;
    return due ? ProcessingCycle::Scope::ScanFolders : ProcessingCycle::Scope::CountdownOnly;
}

bool CycleWatch::Tick(ProcessingCycle::Scope scope) {
    const long scansBefore = cycle_.folderScans();
    const bool whole = cycle_.Tick(scope);
    if (cycle_.folderScans() != scansBefore) {
        scanPending_ = false;
        lastScan_ = ::GetTickCount64();
    } else if (scope != ProcessingCycle::Scope::CountdownOnly) {
        // Busy, switched off or inside another tick: the change waits.
        scanPending_ = true;
    }
    return whole;
}

void CycleWatch::OnSignalled(HANDLE handle) {
    const FolderWatch::Change change = watch_.Rearm(handle);
    scanPending_ = true;
    // A new or moved file ticks at once; a file written on waits for the
    // second's tick. Setting the timer again restarts it: a burst of changes
    // makes one tick.
    if (change != FolderWatch::Change::Writes && window_)
        ::SetTimer(window_, kDebounceTimerId, kDebounceMilliseconds, nullptr);
}
