#include "base/FolderWatch.h"

#include <algorithm>

namespace {

constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

}  // namespace

void FolderWatch::Arm(const std::wstring& folder, Entry& entry) {
    entry.notification.Reset();
    // The identity first: a folder replaced after this is noticed by Refresh.
    if (!ReadFileIdentity(folder, entry.identity)) return;
    entry.notification.Reset(::FindFirstChangeNotificationW(folder.c_str(), FALSE, kChanges));
}

bool FolderWatch::Watch(const std::vector<std::wstring>& folders) {
    std::vector<std::wstring> wanted;
    for (const std::wstring& folder : folders) {
        if (!folder.empty() && std::find(wanted.begin(), wanted.end(), folder) == wanted.end())
            wanted.push_back(folder);
    }
    if (wanted == folders_) return false;
    std::vector<Entry> entries(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) {
        const auto kept = std::find(folders_.begin(), folders_.end(), wanted[i]);
        if (kept != folders_.end() && entries_[kept - folders_.begin()].notification)
            entries[i] = std::move(entries_[kept - folders_.begin()]);
        else
            Arm(wanted[i], entries[i]);
    }
    folders_ = std::move(wanted);
    entries_ = std::move(entries);
    return true;
}

bool FolderWatch::Rearm(HANDLE handle) {
    for (Entry& entry : entries_) {
        if (!entry.notification || entry.notification.Get() != handle) continue;
        if (::FindNextChangeNotification(handle)) return true;
        entry.notification.Reset();
        return false;
    }
    return false;
}

bool FolderWatch::Refresh() {
    bool changed = false;
    for (size_t i = 0; i < folders_.size(); ++i) {
        Entry& entry = entries_[i];
        FileIdentity now;
        const bool exists = ReadFileIdentity(folders_[i], now);
        if (entry.notification && exists && now == entry.identity) continue;
        const bool wasWatched = static_cast<bool>(entry.notification);
        if (!exists) {
            entry.notification.Reset();
        } else {
            Arm(folders_[i], entry);
        }
        changed = changed || wasWatched || entry.notification;
    }
    return changed;
}

std::vector<HANDLE> FolderWatch::Handles() const {
    std::vector<HANDLE> handles;
    for (const Entry& entry : entries_) {
        if (entry.notification) handles.push_back(entry.notification.Get());
    }
    return handles;
}

bool FolderWatch::AllWatched() const {
    return std::all_of(entries_.begin(), entries_.end(), [](const Entry& e) { return static_cast<bool>(e.notification); });
}
