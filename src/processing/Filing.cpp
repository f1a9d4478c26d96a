#include "processing/Filing.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "base/DiagnosticLog.h"
#include "base/File.h"
#include "base/FileFinder.h"
#include "base/FileOperations.h"
#include "base/PathHelpers.h"
#include "base/TemporaryFile.h"

using journal::SongId;
using journal::SongState;
using journal::Time;

namespace {

const wchar_t kNotHandedOver[] = L"10分待っても録音終了フォルダーに現れませんでした";
const wchar_t kRegistrationFailed[] = L"iTunesに登録できませんでした";
const wchar_t kRegistrationTimedOut[] = L"iTunesが応答しませんでした";
const wchar_t kFileGone[] = L"出力フォルダーのファイルが見つかりません";
const wchar_t kRegistering[] = L"iTunesへ登録中...";

// The name of a song's artwork folder: unmistakably ours, so that a folder
// the user put in Artwork (numbered or not) is never emptied.
const wchar_t kArtworkFolderPrefix[] = L"kst-art-";

bool IsAllDigits(const std::wstring& text) {
    if (text.empty() || text.size() > 18) return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

// The name of the recording in its end folder (the file system's spelling),
// or empty when it is not there.
std::wstring FindInEndFolder(const Station& station, const std::wstring& sourceName) {
    FileFinder finder;
    return finder.First(AddBackslash(station.endFolder) + sourceName);
}

journal::SongActionKind StoredKind(LibraryAction::Kind kind) {
    switch (kind) {
    case LibraryAction::Kind::Unchecked: return journal::SongActionKind::Unchecked;
    case LibraryAction::Kind::Commented: return journal::SongActionKind::Commented;
    case LibraryAction::Kind::Deleted: return journal::SongActionKind::Deleted;
    case LibraryAction::Kind::Kept: return journal::SongActionKind::Kept;
    case LibraryAction::Kind::PutBack: return journal::SongActionKind::PutBack;
    case LibraryAction::Kind::PutBackFailed: return journal::SongActionKind::PutBackFailed;
    case LibraryAction::Kind::LyricsCopied: break;
    }
    return journal::SongActionKind::LyricsCopied;
}

}  // namespace

const wchar_t kMissedSongNote[] = L"見逃した曲: タグから";

Filing::Filing(journal::Journal& journal, SongServices& services, FilingView& view, std::wstring artworkRoot)
    : journal_(journal),
      services_(services),
      view_(view),
      artworkRoot_(std::move(artworkRoot)),
      failedWritesSeen_(journal.failedWrites()),
      setAsideSeen_(journal.setAsideCount()),
      self_(std::make_shared<Filing*>(this)) {}

Filing::~Filing() { *self_ = nullptr; }

Moment Filing::Current() const { return clock_ ? clock_() : Moment::Now(); }

std::int64_t Filing::SteadyOf(Time wall, Moment now) const {
    return now.steadyMs - (now.wall - wall) * 1000;
}

Time Filing::NextAttempt(int attempts, Time firstAttempt, Time now) {
    static const Time kDelays[] = {1 * 60, 2 * 60, 5 * 60, 10 * 60, 30 * 60};
    const int index = attempts - 1;
    const Time delay = index >= 0 && index < 5 ? kDelays[index] : 60 * 60;
    const Time next = now + delay;
    return next > firstAttempt + kRetryPeriod ? 0 : next;
}

void Filing::Wrote(bool written) {
    if (!written && journal_.failedWrites() > failedWritesSeen_) {
        failedWritesSeen_ = journal_.failedWrites();
        LogFailure("履歴に書き込めない", std::string_view(journal_.lastError()), journal_.failedWrites());
        const std::string& error = journal_.lastError();
        view_.JournalTrouble(error.empty() ? std::wstring(L"不明なエラー") : std::wstring(error.begin(), error.end()));
    }
    if (journal_.setAsideCount() > setAsideSeen_) {
        // A damaged journal was set aside: the songs on the road go into the
        // new one as they stand, under their own ids.
        setAsideSeen_ = journal_.setAsideCount();
        for (const auto& [id, song] : songs_)
            if (id > 0) journal_.RestoreSong(song.record);
    }
}

SongId Filing::Notice(const Station& station, const std::wstring& sourceName, SongState state, Moment now) {
    const journal::StationFolders folders{station.endFolder, station.outputFolder};
    const SongId id = journal_.AddSong(station.name, sourceName, now.wall, state, folders);
    Wrote(id != 0);
    if (state == SongState::Playing) {
        // Filed from memory even when the journal could not take its row.
        const SongId key = id ? id : --memoryIds_;
        Song& song = songs_[key];
        song.record.id = key;
        song.record.station = station.name;
        song.record.sourceName = sourceName;
        song.record.noticed = now.wall;
        song.record.folders = folders;
        song.station = station;
        view_.JournalChanged();
        return key;
    }
    view_.JournalChanged();
    return id;
}

SongId Filing::NoticeMissed(const Station& station, const std::wstring& sourceName, Moment now) {
    const SongId id = Notice(station, sourceName, SongState::Playing, now);
    auto found = songs_.find(id);
    if (found == songs_.end()) return id;
    // Its page was never read: the tags say what it is, and the history so.
    found->second.record.lastError = kMissedSongNote;
    HandOver(id, now);
    if (id > 0) Wrote(journal_.RestoreSong(found->second.record));
    return id;
}

bool Filing::Knows(const std::wstring& station, const std::wstring& sourceName) const {
    for (const auto& [id, song] : songs_) {
        if (song.record.station == station &&
            ::CompareStringOrdinal(song.record.sourceName.c_str(), -1, sourceName.c_str(), -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

SongId Filing::AdoptPlaying(const Station& station, const std::wstring& sourceName) {
    for (auto& [id, song] : songs_) {
        if (song.leftPlaying && song.record.station == station.name &&
            ::CompareStringOrdinal(song.record.sourceName.c_str(), -1, sourceName.c_str(), -1, TRUE) ==
                CSTR_EQUAL) {
            song.leftPlaying = false;
            // Filed with the folders its follower has now.
            song.station = station;
            return id;
        }
    }
    return 0;
}

void Filing::HandOverLeftPlaying(Moment now) {
    std::vector<SongId> left;
    for (auto& [id, song] : songs_)
        if (song.leftPlaying) left.push_back(id);
    for (SongId id : left) {
        songs_[id].leftPlaying = false;
        HandOver(id, now);
    }
}

std::wstring Filing::ArtworkFolder(SongId id) const {
    return AddBackslash(artworkRoot_) + kArtworkFolderPrefix + std::to_wstring(id);
}

void Filing::SaveInfo(SongId id, const SongInfo& info) {
    journal::SongInfoRecord record{info.title, info.artist, info.album, std::wstring(), std::wstring()};
    // The fetch replaces the address by the downloaded file's path.
    const std::wstring folder = AddBackslash(ArtworkFolder(id));
    if (info.artwork.compare(0, folder.size(), folder) == 0)
        record.artworkFile = info.artwork;
    else
        record.artworkUrl = info.artwork;
    if (id > 0) Wrote(journal_.SaveSongInfo(id, record));
    auto found = songs_.find(id);
    if (found != songs_.end()) found->second.record.info = record;
    view_.JournalChanged();
}

void Filing::HandOver(SongId id, Moment now) {
    auto found = songs_.find(id);
    if (found == songs_.end()) return;
    Song& song = found->second;
    if (song.handedOver) return;
    song.handedOver = true;
    song.leftPlaying = false;
    if (song.record.state == SongState::Playing) {
        song.record.state = SongState::AwaitingHandOver;
        song.record.handedOver = now.wall;
        song.handedOverMs = now.steadyMs;
        if (id > 0) Wrote(journal_.MarkAwaitingHandOver(id, now.wall));
    }
    view_.JournalChanged();
}

void Filing::Abandon(SongId id) {
    auto found = songs_.find(id);
    if (found == songs_.end() || found->second.handedOver) return;
    if (id > 0) Wrote(journal_.MarkSkipped(id, SongState::SkippedFirstSong));
    Finish(id);
    view_.JournalChanged();
}

bool Filing::TryMove(Song& song, Moment now) {
    const std::wstring name = FindInEndFolder(song.station, song.record.sourceName);
    if (name.empty()) return false;
    const std::wstring source = AddBackslash(song.station.endFolder) + name;
    {
        // Still open for writing in the recorder: looked for again next time.
        kit::File probe;
        if (!probe.OpenRead(source, FILE_SHARE_READ)) return false;
    }
    const std::wstring outputFolder = song.station.outputFolder;
    CreateDirectoryPath(outputFolder);
    std::wstring target = AddBackslash(outputFolder) + name;
    if (PathExists(target)) target = MakeUniquePath(target);
    const SongId id = song.record.id;
    // Written first: a kill between the two steps leaves a song whose file
    // is still in the end folder or already at its target, never one lost.
    if (id > 0) Wrote(journal_.MarkMoved(id, target, now.wall));
    if (!MoveFileForce(target, source)) {
        LogFailure("曲を出力フォルダーへ移せない", target, static_cast<std::int64_t>(::GetLastError()));
        // No output path is kept for a file that never got there.
        if (id > 0) Wrote(journal_.MarkAwaitingHandOver(id, song.record.handedOver));
        return false;
    }
    song.record.outputPath = target;
    song.record.moved = now.wall;
    song.movedMs = song.retagSinceMs = now.steadyMs;
    song.record.state = SongState::Moved;
    return true;
}

void Filing::FinishInterruptedMove(Song& song) {
    if (PathExists(song.record.outputPath)) return;
    const std::wstring name = FindInEndFolder(song.station, song.record.sourceName);
    if (!name.empty()) {
        CreateDirectoryPath(DirectoryOf(song.record.outputPath));
        MoveFileForce(song.record.outputPath, AddBackslash(song.station.endFolder) + name);
    }
}

void Filing::QueueRegistrations(Moment now) {
    std::vector<Song*> due;
    for (auto& [id, song] : songs_) {
        if (song.busy) continue;
        // Without the library nothing waits for a retry's time.
        const bool ready = song.record.state == SongState::Stripped ||
                           (song.record.state == SongState::AwaitingRetry &&
                            (song.nextAttemptMs <= now.steadyMs || FinishesInFolder(song)));
        if (ready) due.push_back(&song);
    }
    // In the order the recorder handed them over.
    std::sort(due.begin(), due.end(), [](const Song* a, const Song* b) {
        return std::make_pair(a->record.handedOver, a->record.id) < std::make_pair(b->record.handedOver, b->record.id);
    });
    std::vector<SongId> ids;
    for (Song* song : due) ids.push_back(song->record.id);
    for (SongId id : ids) {
        auto found = songs_.find(id);
        if (found == songs_.end()) continue;
        Song& song = found->second;
        if (!PathExists(song.record.outputPath)) {
            GiveUp(song, kFileGone);
            continue;
        }
        if (FinishesInFolder(song)) {
            // Its tag job is retried for a hand-over's wait from the first try.
            if (!song.withoutLibrary) song.retagSinceMs = now.steadyMs;
            song.withoutLibrary = true;
            StartRetag(song, now);
            continue;
        }
        PendingSong pending;
        pending.filePath = song.record.outputPath;
        pending.artworkPath = song.record.info.artworkFile;
        pending.title = song.record.info.title;
        pending.artist = song.record.info.artist;
        pending.album = song.record.info.album;
        pending.stationName = song.station.name;
        pending.outputFolder = song.station.outputFolder;
        // An earlier attempt, or one cut short by a kill, may have added it.
        pending.checkLibraryFirst = song.record.attempts > 0 || song.resumed;
        song.busy = true;
        if (registrationsRunning_++ == 0) view_.JobStarted(kRegistering);
        const std::weak_ptr<Filing*> alive = self_;
        services_.RegisterSong(pending, [alive, id, counted = std::make_shared<bool>(true)](
                                            const RegistrationResult& result) {
            const auto self = alive.lock();
            if (!self || !*self) return;
            // Only the first answer ends the job; a late success comes on its own.
            const bool first = *counted;
            *counted = false;
            Filing& filing = **self;
            if (first && --filing.registrationsRunning_ == 0) filing.view_.JobEnded(kRegistering);
            filing.Registered(id, result);
        });
    }
}

void Filing::Registered(SongId id, const RegistrationResult& result) {
    auto found = songs_.find(id);
    if (found == songs_.end()) return;
    Song& song = found->second;
    const Moment now = Current();
    if (result.registered) {
        // Perhaps a late success of an attempt already counted as failed.
        if (id > 0) {
            Wrote(journal_.MarkRegistered(id, now.wall, result.trackId));
            for (const LibraryAction& action : result.actions) {
                journal::SongAction stored;
                stored.at = now.wall;
                stored.kind = StoredKind(action.kind);
                stored.track = action.track;
                stored.filePath = action.filePath;
                stored.destination = action.destination;
                stored.note = action.note;
                Wrote(journal_.AddAction(id, stored));
            }
        }
        if (target_.writePlaylist) AppendToPlaylist(song);
        Finish(id);
        view_.JournalChanged();
        return;
    }
    if (!song.busy) return;  // the late end of an attempt that was given up on
    song.busy = false;
    ++song.record.attempts;
    const std::wstring error = result.timedOut ? kRegistrationTimedOut : kRegistrationFailed;
    LogFailure("iTunes に登録できない", song.record.outputPath, song.record.attempts);
    // Decided on the steady clock; the journal keeps the wall-clock time.
    const Time first = now.wall - (now.steadyMs - song.firstAttemptMs) / 1000;
    const Time next = NextAttempt(song.record.attempts, first, now.wall);
    if (id > 0) Wrote(journal_.MarkAttemptFailed(id, error, next));
    song.record.lastError = error;
    song.record.nextAttempt = next;
    song.nextAttemptMs = now.steadyMs + (next - now.wall) * 1000;
    song.record.state = next ? SongState::AwaitingRetry : SongState::Failed;
    if (!next) {
        view_.SongGivenUp(song.record);
        Finish(id);
    }
    view_.JournalChanged();
}

void Filing::GiveUp(Song& song, const std::wstring& reason) {
    const SongId id = song.record.id;
    song.record.state = SongState::Failed;
    song.record.lastError = reason;
    song.record.nextAttempt = 0;
    if (id > 0) Wrote(journal_.MarkFailed(id, reason));
    LogFailure("曲をあきらめた", reason + L": " + song.record.sourceName, 0);
    view_.SongGivenUp(song.record);
    Finish(id);
}

void Filing::Finish(SongId id) {
    RemoveArtwork(id);
    songs_.erase(id);
}

void Filing::Step(Moment now) {
    bool changed = false;
    std::vector<SongId> ids;
    for (const auto& [id, song] : songs_) ids.push_back(id);
    for (SongId id : ids) {
        auto found = songs_.find(id);
        if (found == songs_.end()) continue;
        Song& song = found->second;
        if (!song.handedOver || song.busy) continue;
        if (song.record.state == SongState::AwaitingHandOver) {
            if (TryMove(song, now)) {
                changed = true;
            } else if (now.steadyMs - song.handedOverMs >= kHandOverWait * 1000) {
                GiveUp(song, kNotHandedOver);
                changed = true;
                continue;
            }
        }
        if (song.record.state == SongState::Moved) {
            if (song.resumed) FinishInterruptedMove(song);
            StartRetag(song, now);
            changed = true;
        }
    }
    QueueRegistrations(now);
    if (changed) view_.JournalChanged();
}

bool Filing::RetryNow(SongId id, Moment now) {
    auto found = songs_.find(id);
    if (found != songs_.end()) {
        Song& song = found->second;
        if (song.record.state != SongState::AwaitingRetry || song.busy) return false;
        song.record.nextAttempt = now.wall;
        song.nextAttemptMs = now.steadyMs;
        if (id > 0) Wrote(journal_.RetryNow(id, now.wall));
        view_.JournalChanged();
        return true;
    }
    const auto record = journal_.FindSong(id);
    if (!record || record->state != SongState::Failed) return false;
    Song song;
    song.record = *record;
    song.station = StationOf(*record);
    song.handedOver = true;
    song.resumed = true;
    if (record->outputPath.empty() || !PathExists(record->outputPath)) {
        // Never moved (or its move never happened): looked for in the end
        // folder once more.
        song.record.state = SongState::AwaitingHandOver;
        song.record.outputPath.clear();
        song.record.handedOver = now.wall;
        song.handedOverMs = now.steadyMs;
        Wrote(journal_.MarkAwaitingHandOver(id, now.wall));
    } else {
        song.record.state = SongState::AwaitingRetry;
        song.record.nextAttempt = now.wall;
        song.nextAttemptMs = now.steadyMs;
        // The 24 hours start again from this request, across restarts too.
        song.record.retryFrom = now.wall;
        song.firstAttemptMs = now.steadyMs;
        Wrote(journal_.RetryNow(id, now.wall, true));
    }
    songs_[id] = song;
    view_.JournalChanged();
    return true;
}

Station Filing::StationOf(const journal::SongRecord& record) const {
    Station station;
    station.name = record.station;
    for (const Station& each : stations_)
        if (each.name == record.station) station = each;
    // The folders the song was recorded with, whatever became of its station.
    if (!record.folders.endFolder.empty()) station.endFolder = record.folders.endFolder;
    if (!record.folders.outputFolder.empty()) station.outputFolder = record.folders.outputFolder;
    return station;
}

void Filing::Resume(Moment now, const std::wstring& programFolder) {
    for (journal::SongRecord& record : journal_.UnfinishedSongs()) {
        Song song;
        song.record = record;
        song.station = StationOf(record);
        song.resumed = true;
        if (record.state == SongState::Playing) {
            // Perhaps still recording: a follower that finds it playing
            // takes it on; otherwise it is handed over then.
            song.leftPlaying = true;
        } else {
            song.handedOver = true;
            song.handedOverMs = SteadyOf(record.handedOver ? record.handedOver : now.wall, now);
            song.movedMs = song.retagSinceMs = SteadyOf(record.moved ? record.moved : now.wall, now);
            const journal::Time retriesFrom = record.retryFrom ? record.retryFrom : record.stripped;
            song.firstAttemptMs = SteadyOf(retriesFrom ? retriesFrom : now.wall, now);
            song.nextAttemptMs = SteadyOf(record.nextAttempt ? record.nextAttempt : now.wall, now);
        }
        songs_[record.id] = song;
    }
    RemoveOwnArtworkFolders();
    RemoveOwnTemporaryFiles(programFolder);
    view_.JournalChanged();
}

void Filing::RemoveShownArtwork() const { RemoveArtwork(0); }

void Filing::RemoveArtwork(SongId id) const {
    const std::wstring folder = ArtworkFolder(id);
    DeleteFilesInFolder(folder);
    ::RemoveDirectoryW(folder.c_str());
}

void Filing::RemoveOwnArtworkFolders() {
    // Only the numbered folders of songs the journal knows are ours; the
    // user's own files in the Artwork folder stay.
    std::vector<SongId> finished;
    FileFinder finder;
    for (std::wstring name = finder.First(AddBackslash(artworkRoot_) + L"*"); !name.empty(); name = finder.Next()) {
        const size_t prefix = std::char_traits<wchar_t>::length(kArtworkFolderPrefix);
        const bool ours = name.compare(0, prefix, kArtworkFolderPrefix) == 0 && IsAllDigits(name.substr(prefix));
        if (!(finder.record().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !ours) continue;
        const SongId id = std::stoll(name.substr(prefix));
        if (id == 0) {
            finished.push_back(id);  // only ever shown, never filed
            continue;
        }
        if (songs_.count(id)) continue;
        if (const auto record = journal_.FindSong(id); record && !journal::IsUnfinished(record->state))
            finished.push_back(id);
    }
    finder.Close();
    for (SongId id : finished) RemoveArtwork(id);
}

void Filing::RemoveOwnTemporaryFiles(const std::wstring& programFolder) const {
    std::set<std::wstring> folders;
    if (!programFolder.empty()) folders.insert(programFolder);
    for (const Station& station : stations_)
        if (!station.outputFolder.empty()) folders.insert(station.outputFolder);
    for (const auto& [id, song] : songs_)
        if (!song.station.outputFolder.empty()) folders.insert(song.station.outputFolder);
    for (const std::wstring& folder : folders) {
        // Our temporary names: a strip or a settings save that a kill cut short.
        std::vector<std::wstring> left;
        FileFinder finder;
        for (std::wstring name = finder.First(AddBackslash(folder) + kit::TemporaryFile::kLeftOverPattern);
             !name.empty();
             name = finder.Next()) {
            if (!(finder.record().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) left.push_back(name);
        }
        finder.Close();
        for (const std::wstring& name : left) DeleteFileForce(AddBackslash(folder) + name);
    }
}

std::vector<std::wstring> Filing::HandOverFolders() const {
    std::vector<std::wstring> folders;
    for (const auto& [id, song] : songs_) {
        if (!song.handedOver || song.record.state != journal::SongState::AwaitingHandOver) continue;
        if (std::find(folders.begin(), folders.end(), song.station.endFolder) == folders.end())
            folders.push_back(song.station.endFolder);
    }
    return folders;
}
