#include "settings/LibraryTarget.h"

#include "settings/Settings.h"

namespace {

const wchar_t kTarget[] = L"LibraryTarget";
const wchar_t kWriteTags[] = L"IsWriteTags";
const wchar_t kWritePlaylist[] = L"IsWritePlaylistFile";
const wchar_t kByteOrderMark[] = L"PlaylistByteOrderMark";

}  // namespace

bool DefaultWritePlaylist(LibraryTarget::Kind kind) { return kind == LibraryTarget::Kind::Folder; }

LibraryTarget ReadLibraryTarget(const Settings& root) {
    LibraryTarget target;
    if (root.GetInt(kTarget) == static_cast<int>(LibraryTarget::Kind::Folder)) target.kind = LibraryTarget::Kind::Folder;
    target.writeTagsForITunes = root.GetBool(kWriteTags);
    target.writePlaylist = root.values.count(kWritePlaylist) ? root.GetBool(kWritePlaylist)
                                                             : DefaultWritePlaylist(target.kind);
    target.playlistByteOrderMark = root.GetBool(kByteOrderMark);
    return target;
}

void WriteLibraryTarget(const LibraryTarget& target, Settings& root) {
    root.SetInt(kTarget, static_cast<int>(target.kind));
    root.SetBool(kWriteTags, target.writeTagsForITunes);
    if (target.writePlaylist == DefaultWritePlaylist(target.kind))
        root.values.erase(kWritePlaylist);
    else
        root.SetBool(kWritePlaylist, target.writePlaylist);
    root.SetBool(kByteOrderMark, target.playlistByteOrderMark);
}
