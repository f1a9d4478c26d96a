// The filing's tag step: the recorder's tags stripped for the library or our
// own tag written in their place, and the end of the road without the
// library: the tag, the station's playlist line, the journal's note.
#include "processing/Filing.h"

#include <windows.h>

#include "base/DiagnosticLog.h"
#include "base/File.h"
#include "base/FileOperations.h"
#include "base/LocalTime.h"
#include "base/PathHelpers.h"
#include "tags/PlaylistFile.h"

using journal::SongId;
using journal::SongState;

namespace {

const wchar_t kNotStripped[] = L"タグを削除できませんでした（ファイルが読み取り専用か、ディスクがいっぱいです）";
const wchar_t kNotTagged[] = L"タグを書き込めませんでした（ファイルが読み取り専用か、ディスクがいっぱいです）";
const wchar_t kNoPlaylist[] = L"プレイリストに書き込めませんでした";

// Another program has the file open (a player, a virus scanner): a strip or
// a tag written now would fail and leave the recorder's tags in.
bool HeldElsewhere(const std::wstring& path) {
    kit::File probe;
    return !probe.OpenRead(path, 0) && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

void Filing::StartRetag(Song& song, Moment now) {
    // Held: the song stays where it is, in the journal too, and the job is
    // tried at every step until the file is let go, for as long as a hand-over.
    if (now.steadyMs - song.retagSinceMs < kHandOverWait * 1000 && HeldElsewhere(song.record.outputPath)) return;
    SongServices::Retag job;
    job.path = song.record.outputPath;
    job.writeTag = FinishesInFolder(song) || target_.writesTags();
    job.title = song.record.info.title;
    job.artist = song.record.info.artist;
    job.album = song.record.info.album;
    job.comment = song.station.name + L" " + LocalTimeText(song.record.noticed, false);
    job.artworkPath = song.record.info.artworkFile;
    song.busy = true;
    const std::weak_ptr<Filing*> alive = self_;
    const SongId id = song.record.id;
    services_.RetagFile(job, [alive, id](SongServices::Retagged result) {
        if (const auto self = alive.lock(); self && *self) (*self)->Retagged(id, result);
    });
}

void Filing::Retagged(SongId id, const SongServices::Retagged& result) {
    auto found = songs_.find(id);
    if (found == songs_.end()) return;
    Song& song = found->second;
    song.busy = false;
    const Moment now = Current();
    if (!result.done) {
        // Never finished with the recorder's tags: tried again at each step
        // like a held file, and given up with the reason after as long.
        const bool tagged = FinishesInFolder(song) || target_.writesTags();
        if (now.steadyMs - song.retagSinceMs >= kHandOverWait * 1000) GiveUp(song, tagged ? kNotTagged : kNotStripped);
        view_.JournalChanged();
        return;
    }
    journal::SongInfoRecord& info = song.record.info;
    if (info.title.empty() || info.artist.empty()) {
        // What the page did not say, the recorder's own tags may.
        if (info.title.empty()) info.title = result.tagTitle;
        if (info.artist.empty()) info.artist = result.tagArtist;
        if (id > 0) Wrote(journal_.SaveSongInfo(id, info));
    }
    if (result.seconds >= 0) song.seconds = result.seconds;
    if (FinishesInFolder(song)) {
        FinishInFolder(song, now);
        return;
    }
    song.record.stripped = now.wall;
    song.firstAttemptMs = now.steadyMs;
    song.nextAttemptMs = now.steadyMs;
    song.record.state = SongState::Stripped;
    if (id > 0) Wrote(journal_.MarkStripped(id, now.wall));
    view_.JournalChanged();
    QueueRegistrations(now);
}

void Filing::FinishInFolder(Song& song, Moment now) {
    const SongId id = song.record.id;
    // Finished without the library by hand, a song is listed as the folder
    // target lists its songs.
    const bool listed = target_.writePlaylist || (song.withoutLibrary && target_.usesITunes());
    if (listed && !AppendToPlaylist(song)) {
        // Tried again, tag and all, at each step for as long as a tag job.
        if (now.steadyMs - song.retagSinceMs >= kHandOverWait * 1000) GiveUp(song, kNoPlaylist);
        view_.JournalChanged();
        return;
    }
    if (id > 0) Wrote(journal_.MarkFiled(id, now.wall));
    Finish(id);
    view_.JournalChanged();
}

bool Filing::AppendToPlaylist(const Song& song) {
    const std::wstring folder =
        song.station.outputFolder.empty() ? DirectoryOf(song.record.outputPath) : song.station.outputFolder;
    const std::wstring playlist = AddBackslash(folder) + PlaylistFileName(song.station.name);
    const PlaylistEntry entry{song.record.outputPath, song.record.info.artist, song.record.info.title, song.seconds};
    if (::AppendToPlaylist(playlist, entry, target_.playlistByteOrderMark)) return true;
    LogFailure("プレイリストに書き込めない", playlist, static_cast<std::int64_t>(::GetLastError()));
    return false;
}

bool Filing::FinishWithoutLibrary(SongId id, Moment now) {
    auto found = songs_.find(id);
    if (found != songs_.end()) {
        Song& song = found->second;
        const bool waiting = song.record.state == SongState::Stripped || song.record.state == SongState::AwaitingRetry;
        if (!waiting || song.busy) return false;
        song.withoutLibrary = true;
        song.retagSinceMs = now.steadyMs;
        QueueRegistrations(now);
        return true;
    }
    // Given up on: taken up again when its file is still where it was filed.
    const auto record = journal_.FindSong(id);
    if (!record || record->state != SongState::Failed || record->outputPath.empty() ||
        !PathExists(record->outputPath))
        return false;
    Song song;
    song.record = *record;
    song.station = StationOf(*record);
    song.handedOver = true;
    song.resumed = true;
    song.withoutLibrary = true;
    song.retagSinceMs = now.steadyMs;
    song.record.state = SongState::AwaitingRetry;
    songs_[id] = song;
    QueueRegistrations(now);
    view_.JournalChanged();
    return true;
}
