#include "itunes/LibraryImport.h"

#include "itunes/ITunesIds.h"

namespace {

constexpr unsigned kImportPollWait = 100;  // ms
constexpr int kImportPolls = 300;          // 30 s

}  // namespace

AutomationObject ImportFile(const AutomationObject& libraryPlaylist, const std::wstring& path,
                            const ImportWait& wait) {
    kit::ScopedBstr file(path);
    AutomationObject status = libraryPlaylist.CallObject(L"AddFile", {TextArgument(file)});
    if (!status) return {};
    // AddFile may finish later: its tracks cannot be read before it has.
    for (int poll = 0;; ++poll) {
        // A status that cannot say is taken as finished: its tracks decide.
        bool inProgress = false;
        if (!status.GetBool(L"InProgress", inProgress) || !inProgress) break;
        if (poll == kImportPolls) return {};
        wait(kImportPollWait);
    }
    AutomationObject added = status.GetObject(L"Tracks").OfKind(kTrackCollectionKind);
    if (!added) return {};
    return added.Item(1);
}

bool ReadTrackFields(const AutomationObject& track, TrackFields& fields) {
    return track.GetText(L"Name", fields.name) && track.GetText(L"Artist", fields.artist) &&
           track.GetText(L"Album", fields.album) && track.GetText(L"Comment", fields.comment) &&
           track.GetBool(L"Enabled", fields.enabled);
}

bool WriteTrackFields(const AutomationObject& track, const TrackFields& fields) {
    // Each is tried even when one before failed: the more comes back the better.
    bool all = track.PutText(L"Name", fields.name);
    all = track.PutText(L"Artist", fields.artist) && all;
    all = track.PutText(L"Album", fields.album) && all;
    all = track.PutText(L"Comment", fields.comment) && all;
    return track.PutBool(L"Enabled", fields.enabled) && all;
}
