#include "base/FolderWatch.h"

#include <algorithm>

void FolderWatch::Arm(const std::wstring& folder, Entry& entry) {
    entry.Drop();
    // The identity first: a folder replaced after this is noticed by Refresh.
    if (!ReadFileIdentity(folder, entry.identity)) return;
    entry.names.Reset(::FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
    if (entry.writesMatter) entry.writes = std::make_unique<DirectoryWrites>(folder);
    if (!entry.Watched()) entry.Drop();
}

bool FolderWatch::Watch(const std::vector<WatchedFolder>& folders) {
    std::vector<WatchedFolder> wanted;
    for (const WatchedFolder& folder : folders) {
        const auto samePath = [&folder](const WatchedFolder& each) { return each.path == folder.path; };
        if (!folder.path.empty() && std::none_of(wanted.begin(), wanted.end(), samePath)) wanted.push_back(folder);
    }
    if (wanted == folders_) return false;
    std::vector<Entry> entries(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) {
        const auto kept = std::find(folders_.begin(), folders_.end(), wanted[i]);
        if (kept != folders_.end() && entries_[kept - folders_.begin()].Watched()) {
            entries[i] = std::move(entries_[kept - folders_.begin()]);
        } else {
            entries[i].writesMatter = wanted[i].writes;
            Arm(wanted[i].path, entries[i]);
        }
    }
    folders_ = std::move(wanted);
    entries_ = std::move(entries);
    return true;
}

FolderWatch::Signal FolderWatch::Rearm(HANDLE handle) {
    Signal signal;
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        const bool writes = entry.writes && entry.writes->Event() == handle;
        if (!entry.Watched() || (entry.names.Get() != handle && !writes)) continue;
        signal.folder = folders_[i].path;
        bool armed = false;
        if (entry.names.Get() == handle) {
            signal.change = Change::Names;
            armed = ::FindNextChangeNotification(handle) != FALSE;
        } else {
            signal.change = Change::Writes;
            armed = entry.writes->Collect(signal.written);
        }
        if (!armed) entry.Drop();
        return signal;
    }
    return signal;
}

bool FolderWatch::Refresh() {
    bool changed = false;
    // Reading a folder's identity takes a few calls into the system (under
    // Wine each a round trip to its server): with many folders, each call
    // looks at a few of them in turn.
    const size_t count = std::min(folders_.size(), kRefreshedPerCall);
    for (size_t n = 0; n < count; ++n) {
        const size_t i = (nextRefresh_ + n) % folders_.size();
        Entry& entry = entries_[i];
        FileIdentity now;
        const bool exists = ReadFileIdentity(folders_[i].path, now);
        if (entry.Watched() && exists && now == entry.identity) continue;
        const bool wasWatched = entry.Watched();
        if (!exists) {
            entry.Drop();
        } else {
            Arm(folders_[i].path, entry);
        }
        changed = changed || wasWatched || entry.Watched();
    }
    nextRefresh_ = folders_.empty() ? 0 : (nextRefresh_ + count) % folders_.size();
    return changed;
}

std::vector<HANDLE> FolderWatch::Handles() const {
    std::vector<HANDLE> handles;
    for (const Entry& entry : entries_) {
        if (!entry.Watched()) continue;
        handles.push_back(entry.names.Get());
        if (entry.writes) handles.push_back(entry.writes->Event());
    }
    return handles;
}

bool FolderWatch::AllWatched() const {
    return std::all_of(entries_.begin(), entries_.end(), [](const Entry& e) { return e.Watched(); });
}
