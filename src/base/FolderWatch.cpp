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

bool FolderWatch::Watch(const std::vector<std::wstring>& folders,
                        const std::function<bool(const std::wstring&)>& writesMatter) {
    std::vector<std::wstring> wanted;
    std::vector<bool> writes;
    for (const std::wstring& folder : folders) {
        if (!folder.empty() && std::find(wanted.begin(), wanted.end(), folder) == wanted.end()) {
            wanted.push_back(folder);
            writes.push_back(!writesMatter || writesMatter(folder));
        }
    }
    const bool sameWrites = wanted == folders_ && std::equal(writes.begin(), writes.end(), entries_.begin(),
                                                              [](bool w, const Entry& e) { return w == e.writesMatter; });
    if (sameWrites) return false;
    std::vector<Entry> entries(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) {
        const auto kept = std::find(folders_.begin(), folders_.end(), wanted[i]);
        if (kept != folders_.end() && entries_[kept - folders_.begin()].Watched() &&
            entries_[kept - folders_.begin()].writesMatter == writes[i]) {
            entries[i] = std::move(entries_[kept - folders_.begin()]);
        } else {
            entries[i].writesMatter = writes[i];
            Arm(wanted[i], entries[i]);
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
        signal.folder = folders_[i];
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
        const bool exists = ReadFileIdentity(folders_[i], now);
        if (entry.Watched() && exists && now == entry.identity) continue;
        const bool wasWatched = entry.Watched();
        if (!exists) {
            entry.Drop();
        } else {
            Arm(folders_[i], entry);
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
