#pragma once
// Change notifications for a few folders, file names apart from last-write
// times: a recorder writing on changes the times many times a second, while
// a new or moved file is news. A folder that cannot be watched, because it
// is missing or its file system refuses, is reported so that its owner can
// look at it the old way.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/DirectoryWrites.h"
#include "base/FileIdentity.h"
#include "base/ScopedHandle.h"
#include "base/WatchedFolder.h"

namespace kit {
// A folder change notification from FindFirstChangeNotificationW.
using ChangeNotificationTraits = KernelStyleHandleTraits<&::FindCloseChangeNotification>;
using UniqueChangeNotification = ScopedHandle<ChangeNotificationTraits>;
}  // namespace kit

class FolderWatch {
public:
    FolderWatch() = default;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches exactly `folders` (empty and repeated names are left out);
    // folders already watched keep their notification. One handle per folder, two with writes: the loop
    // waits on no more than 63. True when the set changed.
    bool Watch(const std::vector<WatchedFolder>& folders);
    enum class Change { None, Names, Writes };
    struct Signal {
        Change change = Change::None;
        std::wstring folder;
        DirectoryWrites::Written written;  // with Writes
    };
    // Arms the notification `handle` again after it was signalled and tells
    // what it saw; None when it is not one of ours. A notification that
    // cannot be armed again is dropped (the folder counts as unwatched).
    Signal Rearm(HANDLE handle);
    // Watches again a folder that was deleted and created again, or that
    // could not be watched before; looks at up to kRefreshedPerCall folders,
    // the next ones at the next call. True when a watch was lost or gained:
    // what it should have told may have been missed.
    static constexpr size_t kRefreshedPerCall = 8;
    bool Refresh();

    // The signalled-state handles to wait for, one or two per watched folder.
    std::vector<HANDLE> Handles() const;
    // True when every folder has a notification.
    bool AllWatched() const;

private:
    struct Entry {
        FileIdentity identity;
        kit::UniqueChangeNotification names;
        std::unique_ptr<DirectoryWrites> writes;
        bool writesMatter = true;
        bool Watched() const { return names && (!writesMatter || (writes && writes->Watching())); }
        void Drop() {
            names.Reset();
            writes.reset();
        }
    };
    static void Arm(const std::wstring& folder, Entry& entry);

    std::vector<WatchedFolder> folders_;
    std::vector<Entry> entries_;  // parallel to folders_
    size_t nextRefresh_ = 0;      // where the next Refresh starts
};
