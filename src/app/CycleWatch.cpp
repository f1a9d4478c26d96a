#include "app/CycleWatch.h"

void CycleWatch::Follow() {
    if (watch_.Watch(cycle_.WatchedFolders())) fullScanPending_ = true;
    if (watch_.Refresh()) fullScanPending_ = true;
}

ProcessingCycle::Scope CycleWatch::TimerScope() {
    Follow();
    if (fullScanPending_ || !watch_.AllWatched() || ::GetTickCount64() - lastFullScan_ >= kSafetyScanMilliseconds)
        return ProcessingCycle::Scope::ScanFolders;
    return cycle_.ChangesPending() ? ProcessingCycle::Scope::ChangedFolders : ProcessingCycle::Scope::CountdownOnly;
}

bool CycleWatch::Tick(ProcessingCycle::Scope scope) {
    const long scansBefore = cycle_.folderScans();
    const bool whole = cycle_.Tick(scope);
    // Busy or switched off: what was due stays due.
    if (scope == ProcessingCycle::Scope::ScanFolders && cycle_.folderScans() != scansBefore) {
        fullScanPending_ = false;
        lastFullScan_ = ::GetTickCount64();
    }
    return whole;
}

bool CycleWatch::OnlyTheRecordingGrew(const FolderWatch::Signal& signal) const {
    const std::wstring& recording = cycle_.RecordingIn(signal.folder);
    if (!signal.written.namesKnown || recording.empty()) return false;
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
    cycle_.MarkChanged(signal.folder);
    // A new or moved file ticks at once; a file written on waits for the
    // second's tick. Setting the timer again restarts it: a burst of changes
    // makes one tick.
    if (change != FolderWatch::Change::Writes && window_)
        ::SetTimer(window_, kDebounceTimerId, kDebounceMilliseconds, nullptr);
}
