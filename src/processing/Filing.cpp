#include "processing/Filing.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include <cwctype>
#include <set>

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
const wchar_t kFileGone[] = L"出力フォルダーのファイルが見つかりません";

// Another program has the file open (a player, a virus scanner): a strip now
// would fail and leave the tags in.
bool HeldElsewhere(const std::wstring& path) {
    kit::File probe;
    return !probe.OpenRead(path, 0) && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

bool IsAllDigits(const std::wstring& text) {
    if (text.empty() || text.size() > 18) return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

}  // namespace

Filing::Filing(journal::Journal& journal, Settings& settings, FilingServices& services, std::wstring artworkRoot)
    : journal_(journal), settings_(settings), services_(services), artworkRoot_(std::move(artworkRoot)) {}

Time Filing::NextAttempt(int attempts, Time firstAttempt, Time now) {
    static const Time kDelays[] = {1 * 60, 2 * 60, 5 * 60, 10 * 60, 30 * 60};
    const int index = attempts - 1;
    const Time delay = index >= 0 && index < 5 ? kDelays[index] : 60 * 60;
    const Time next = now + delay;
    return next > firstAttempt + kRetryPeriod ? 0 : next;
}

SongId Filing::Notice(const Settings& station, const std::wstring& sourceName, SongState state, Time now) {
    const std::wstring stationName = station.GetString(L"StationName");
    // After a restart the recorder may still be writing the song the last
    // session left unfinished: it is the same song, not a second one.
    for (auto& [id, song] : songs_) {
        if (song.record.state == SongState::AwaitingHandOver && song.record.sourceName == sourceName &&
            song.record.station == stationName && song.record.outputPath.empty()) {
            // Playing again: handed over once more when it ends. Skipped now
            // (the first song after the start), it stays handed over.
            if (state == SongState::Playing) song.handedOver = false;
            return id;
        }
    }
    const SongId id = journal_.AddSong(stationName, sourceName, now, state);
    if (id && state == SongState::Playing) {
        Song& song = songs_[id];
        song.record.id = id;
        song.record.station = stationName;
        song.record.sourceName = sourceName;
        song.record.noticed = now;
        song.station = station;
    }
    services_.JournalChanged();
    return id;
}

std::wstring Filing::ArtworkFolder(SongId id) const { return AddBackslash(artworkRoot_) + std::to_wstring(id); }

void Filing::SaveInfo(SongId id, const SongInfo& info) {
    journal::SongInfoRecord record{info.title, info.artist, info.album, std::wstring(), std::wstring()};
    // The fetch replaces the address by the downloaded file's path.
    const std::wstring folder = AddBackslash(ArtworkFolder(id));
    if (info.artwork.compare(0, folder.size(), folder) == 0)
        record.artworkFile = info.artwork;
    else
        record.artworkUrl = info.artwork;
    journal_.SaveSongInfo(id, record);
    auto found = songs_.find(id);
    if (found != songs_.end()) found->second.record.info = record;
    services_.JournalChanged();
}

void Filing::HandOver(SongId id, Time now) {
    auto found = songs_.find(id);
    if (found == songs_.end()) return;
    Song& song = found->second;
    if (song.handedOver) return;
    song.handedOver = true;
    if (song.record.state == SongState::Playing) {
        song.record.state = SongState::AwaitingHandOver;
        song.record.handedOver = now;
        journal_.MarkAwaitingHandOver(id, now);
    }
    services_.JournalChanged();
}

void Filing::Abandon(SongId id) {
    auto found = songs_.find(id);
    if (found == songs_.end() || found->second.handedOver) return;
    journal_.MarkSkipped(id, SongState::SkippedFirstSong);
    Finish(id);
    services_.JournalChanged();
}

bool Filing::TryMove(Song& song, Time now) {
    const std::wstring endFolder = AddBackslash(song.station.GetString(L"EndDirectory"));
    std::wstring name;
    {
        FileFinder finder;
        name = finder.First(endFolder + song.record.sourceName);
    }
    if (name.empty()) return false;
    const std::wstring source = endFolder + name;
    {
        // Still open for writing in the recorder: looked for again next time.
        kit::File probe;
        if (!probe.OpenRead(source, FILE_SHARE_READ)) return false;
    }
    const std::wstring outputFolder = song.station.GetString(L"OutputDirectory");
    CreateDirectoryPath(outputFolder);
    std::wstring target = AddBackslash(outputFolder) + name;
    if (::PathFileExistsW(target.c_str())) target = MakeUniquePath(target);
    // Written first: a kill between the two steps leaves a song whose file
    // is still in the end folder or already at its target, never one lost.
    journal_.MarkMoved(song.record.id, target, now);
    if (!MoveFileForce(target, source)) {
        journal_.MarkAwaitingHandOver(song.record.id, song.record.handedOver);
        return false;
    }
    song.record.outputPath = target;
    song.record.moved = now;
    song.record.state = SongState::Moved;
    return true;
}

void Filing::FinishInterruptedMove(Song& song) {
    if (::PathFileExistsW(song.record.outputPath.c_str())) return;
    FileFinder finder;
    const std::wstring endFolder = AddBackslash(song.station.GetString(L"EndDirectory"));
    const std::wstring name = finder.First(endFolder + song.record.sourceName);
    finder.Close();
    if (!name.empty()) {
        CreateDirectoryPath(DirectoryOf(song.record.outputPath));
        MoveFileForce(song.record.outputPath, endFolder + name);
    }
}

bool Filing::Strip(Song& song, Time now) {
    // Held: the song stays moved, in the journal too, and the strip is tried
    // at every step until the file is let go, for as long as a hand-over.
    if (now - song.record.moved < kHandOverWait && HeldElsewhere(song.record.outputPath)) return false;
    journal::SongInfoRecord& info = song.record.info;
    if (info.title.empty() || info.artist.empty()) {
        // What the page did not say, the recorder's own tags may.
        if (info.title.empty()) info.title = services_.ReadTagText(song.record.outputPath, "TIT2");
        if (info.artist.empty()) info.artist = services_.ReadTagText(song.record.outputPath, "TPE1");
        journal_.SaveSongInfo(song.record.id, info);
    }
    services_.StripTags(song.record.outputPath);
    song.record.stripped = now;
    song.record.state = SongState::Stripped;
    journal_.MarkStripped(song.record.id, now);
    return true;
}

void Filing::Register(Song& song, Time now) {
    const SongId id = song.record.id;
    if (!::PathFileExistsW(song.record.outputPath.c_str())) {
        GiveUp(song, kFileGone);
        return;
    }
    PendingSong pending;
    pending.filePath = song.record.outputPath;
    pending.artworkPath = song.record.info.artworkFile;
    pending.title = song.record.info.title;
    pending.artist = song.record.info.artist;
    pending.album = song.record.info.album;
    // An earlier attempt, or one cut short by a kill, may have added it.
    pending.checkLibraryFirst = song.record.attempts > 0 || song.resumed;
    Settings station = song.station;
    const bool registered = services_.RegisterSong(pending, settings_, station);
    // The attempt pumped messages: the song may have been touched meanwhile.
    auto found = songs_.find(id);
    if (found == songs_.end()) return;
    Song& current = found->second;
    ++current.record.attempts;
    if (registered) {
        current.record.state = SongState::Registered;
        current.record.registered = now;
        journal_.MarkRegistered(id, now);
        Finish(id);
        return;
    }
    const Time first = current.record.stripped ? current.record.stripped : now;
    const Time next = NextAttempt(current.record.attempts, first, now);
    journal_.MarkAttemptFailed(id, kRegistrationFailed, next);
    current.record.lastError = kRegistrationFailed;
    current.record.nextAttempt = next;
    current.record.state = next ? SongState::AwaitingRetry : SongState::Failed;
    if (!next) {
        services_.SongGivenUp(current.record);
        Finish(id);
    }
}

void Filing::GiveUp(Song& song, const std::wstring& reason) {
    const SongId id = song.record.id;
    song.record.state = SongState::Failed;
    song.record.lastError = reason;
    song.record.nextAttempt = 0;
    journal_.MarkFailed(id, reason);
    services_.SongGivenUp(song.record);
    Finish(id);
}

void Filing::Finish(SongId id) {
    RemoveArtwork(id);
    songs_.erase(id);
}

void Filing::Step(Time now) {
    bool changed = false;
    std::vector<SongId> ids;
    for (const auto& [id, song] : songs_) ids.push_back(id);
    for (SongId id : ids) {
        auto found = songs_.find(id);
        if (found == songs_.end()) continue;
        Song& song = found->second;
        if (!song.handedOver) continue;
        if (song.record.state == SongState::AwaitingHandOver) {
            if (TryMove(song, now)) {
                changed = true;
            } else if (now - song.record.handedOver >= kHandOverWait) {
                GiveUp(song, kNotHandedOver);
                changed = true;
                continue;
            }
        }
        if (song.record.state == SongState::Moved) {
            if (song.resumed) FinishInterruptedMove(song);
            if (Strip(song, now)) changed = true;
        }
    }

    // One registration per step: each may take seconds.
    Song* due = nullptr;
    for (auto& [id, song] : songs_) {
        const bool ready = song.record.state == SongState::Stripped ||
                           (song.record.state == SongState::AwaitingRetry && song.record.nextAttempt <= now);
        if (ready && (!due || song.record.nextAttempt < due->record.nextAttempt)) due = &song;
    }
    if (due) {
        Register(*due, now);
        changed = true;
    }
    if (changed) services_.JournalChanged();
}

bool Filing::RetryNow(SongId id, Time now) {
    auto found = songs_.find(id);
    if (found != songs_.end()) {
        Song& song = found->second;
        if (song.record.state != SongState::AwaitingRetry) return false;
        song.record.nextAttempt = now;
        journal_.RetryNow(id, now);
        services_.JournalChanged();
        return true;
    }
    const auto record = journal_.FindSong(id);
    if (!record || record->state != SongState::Failed) return false;
    Song song{*record, StationNamed(record->station), true, true};
    if (record->outputPath.empty()) {
        // Never handed over: looked for in the end folder once more.
        song.record.state = SongState::AwaitingHandOver;
        song.record.handedOver = now;
        journal_.MarkAwaitingHandOver(id, now);
    } else {
        song.record.state = SongState::AwaitingRetry;
        song.record.nextAttempt = now;
        // The 24 hours start again from this request.
        song.record.stripped = now;
        journal_.RetryNow(id, now);
    }
    songs_[id] = song;
    services_.JournalChanged();
    return true;
}

Settings Filing::StationNamed(const std::wstring& name) const {
    if (const Settings* stations = settings_.FindGroup(L"Station")) {
        if (const Settings* station = stations->FindGroup(name)) return *station;
    }
    Settings station;
    station.SetString(L"StationName", name);
    return station;
}

void Filing::Resume(Time now, const std::wstring& programFolder) {
    for (journal::SongRecord& record : journal_.UnfinishedSongs()) {
        Song song{record, StationNamed(record.station), true, true};
        if (record.state == SongState::Playing) {
            // It was playing when the last session ended: finished since.
            song.record.state = SongState::AwaitingHandOver;
            song.record.handedOver = now;
            journal_.MarkAwaitingHandOver(record.id, now);
        }
        songs_[record.id] = song;
    }
    RemoveOwnArtworkFolders();
    RemoveOwnTemporaryFiles(programFolder);
    services_.JournalChanged();
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
        if (!(finder.record().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsAllDigits(name)) continue;
        const SongId id = std::stoll(name);
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
    if (const Settings* stations = settings_.FindGroup(L"Station")) {
        for (const auto& [name, station] : stations->groups) {
            const std::wstring output = station.GetString(L"OutputDirectory");
            if (!output.empty()) folders.insert(output);
        }
    }
    for (const auto& [id, song] : songs_) {
        const std::wstring output = song.station.GetString(L"OutputDirectory");
        if (!output.empty()) folders.insert(output);
    }
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
        const std::wstring folder = song.station.GetString(L"EndDirectory");
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    return folders;
}
