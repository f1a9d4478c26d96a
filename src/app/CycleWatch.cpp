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

bool CycleWatch::OnlyTheRecordingGrew(const FolderWatch::Signal& signal) const {
    const std::wstring& recording = cycle_.currentRecording();
    if (!signal.written.namesKnown || recording.empty() ||
        signal.folder != cycle_.currentStation().playFolder)
        return false;
    for (const std::wstring& name : signal.written.names) {
        if (::CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()), recording.c_str(),
                                   static_cast<int>(recording.size()), TRUE) != CSTR_EQUAL)
            return false;
    }
    return true;
}

void CycleWatch::OnSignalled(HANDLE handle) {
    const FolderWatch::Signal signal = watch_.Rearm(handle);
    const FolderWatch::Change change = signal.change;
    if (change == FolderWatch::Change::Writes && OnlyTheRecordingGrew(signal)) return;
    scanPending_ = true;
    // A new or moved file ticks at once; a file written on waits for the
    // second's tick. Setting the timer again restarts it: a burst of changes
    // makes one tick.
    if (change != FolderWatch::Change::Writes && window_)
        ::SetTimer(window_, kDebounceTimerId, kDebounceMilliseconds, nullptr);
}
