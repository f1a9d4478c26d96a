#include "itunes/SameSongRules.h"

#include <optional>
#include <vector>

#include "itunes/ITunesIds.h"
#include "itunes/RecycleBin.h"
#include "base/SongText.h"

const wchar_t kNoLyricsMark[] = L"歌詞未登録";

namespace {

struct SameSongs {
    std::vector<const AutomationObject*> checked;
    std::vector<const AutomationObject*> unchecked;
    std::wstring lyrics;
    bool lyricsFound = false;
    bool any = false;
};

bool ReadLyrics(const AutomationObject& track, std::wstring& lyrics) {
    AutomationObject fileTrack = track.Query(kIITFileOrCDTrack);
    return fileTrack && fileTrack.GetText(L"Lyrics", lyrics);
}

// Empty when the check mark cannot be read.
std::optional<bool> ReadEnabled(const AutomationObject& track) {
    bool enabled = false;
    if (!track.GetBool(L"Enabled", enabled)) return std::nullopt;
    return enabled;
}

SameSongs CollectSameSongs(const SameSongSearchResult& search) {
    SameSongs songs;
    for (const auto& [index, candidate] : search.tally) {
        if (!search.IsSameSong(candidate.metCriteria)) continue;
        songs.any = true;
        // Lyrics come from the first same song by index that has any.
        if (!songs.lyricsFound) {
            std::wstring lyrics;
            if (ReadLyrics(candidate.track, lyrics) && !lyrics.empty()) {
                songs.lyrics = std::move(lyrics);
                songs.lyricsFound = true;
            }
        }
        // A track whose check mark cannot be read goes into neither list:
        // taking it for unchecked could delete it together with its file.
        const std::optional<bool> enabled = ReadEnabled(candidate.track);
        if (enabled) (*enabled ? songs.checked : songs.unchecked).push_back(&candidate.track);
    }
    return songs;
}

// Read from the track now: a partial search finds "Last Love" for "Love", and
// the track may have been renamed since the search.
bool IsStillTheSong(const AutomationObject& track, const SameSongQuery& query) {
    std::wstring name, artist;
    if (!track.GetText(L"Name", name) || !SameSongText(name, query.title)) return false;
    if (!track.GetText(L"Artist", artist) || !SameSongText(artist, query.artist)) return false;
    if (query.albumCheck == CheckType::Ignore || FoldSongText(query.album).empty()) return true;
    std::wstring album;
    if (!track.GetText(L"Album", album)) return false;
    return FoldSongText(album).empty() || SameSongText(album, query.album);
}

// Another track may be touched only for a song that names title and artist.
bool MayTouchOthers(const SameSongQuery& query) {
    return !FoldSongText(query.title).empty() && !FoldSongText(query.artist).empty();
}

// The file of an unchecked copy that may go: a recording filed in one of the
// output folders, not the new recording under another name.
std::wstring DeletableFile(const AutomationObject& track, const RegisteredSong& song,
                           const FileIdentity& newFile) {
    if (!IsStillTheSong(track, song.query) || ReadEnabled(track).value_or(true)) return {};
    AutomationObject fileTrack = track.Query(kIITFileOrCDTrack);
    std::wstring location;
    if (!fileTrack || !fileTrack.GetText(L"Location", location)) return {};
    FileIdentity file;
    if (!ReadFileIdentity(location, file) || file == newFile ||
        !IsDirectlyInside(location, song.outputFolders)) {
        return {};
    }
    return location;
}

void DeleteUncheckedCopies(const SameSongs& songs, const RegisteredSong& song) {
    FileIdentity newFile;
    if (!ReadFileIdentity(song.filePath, newFile)) return;
    std::vector<const AutomationObject*> copies;
    for (const AutomationObject* track : songs.unchecked) {
        if (!DeletableFile(*track, song, newFile).empty()) copies.push_back(track);
    }
    if (copies.size() > kMaxDeletions) return;
    for (const AutomationObject* track : copies) {
        // Checked again right before: the library may have changed meanwhile.
        const std::wstring location = DeletableFile(*track, song, newFile);
        // What cannot be recycled keeps its library entry too.
        if (location.empty() || !CanRecycle(location)) continue;
        if (track->Call(L"Delete")) RecycleFile(location);
    }
}

void ApplyToSameSongs(const SameSongs& songs, const RegisteredSong& song,
                      const Settings& settings) {
    if (!songs.any) return;
    const bool mayTouchOthers = MayTouchOthers(song.query);
    if (songs.checked.empty()) {
        if (settings.GetBool(L"IsUncheckSameMusic")) song.track.PutBool(L"Enabled", false);
    } else if (settings.GetBool(L"IsCommentSameMusic")) {
        if (mayTouchOthers) {
            for (const AutomationObject* track : songs.checked) {
                if (IsStillTheSong(*track, song.query)) track->PutText(L"Comment", song.filePath);
            }
        }
        song.track.PutText(L"Comment", song.filePath);
    }
    if (settings.GetBool(L"IsDeleteFile") && mayTouchOthers && !songs.unchecked.empty()) {
        DeleteUncheckedCopies(songs, song);
    }
}

void SetLyricsOrMark(const SameSongs& songs, const AutomationObject& newTrack,
                     const Settings& settings) {
    if (songs.lyricsFound) {
        if (settings.GetBool(L"IsSetLyrics")) {
            AutomationObject fileTrack = newTrack.Query(kIITFileOrCDTrack);
            if (fileTrack) fileTrack.PutText(L"Lyrics", songs.lyrics);
        }
    } else if (settings.GetBool(L"IsSetNoneLyrics") && ReadEnabled(newTrack).value_or(false)) {
        newTrack.PutText(L"Composer", kNoLyricsMark);
    }
}

// Tracks that were unchecked, or have been given lyrics, since they were
// marked lose the mark.
void CleanUpNoLyricsMarks(const AutomationObject& libraryPlaylist) {
    kit::ScopedBstr mark(kNoLyricsMark);
    AutomationObject marked =
        libraryPlaylist.CallObject(L"Search", {TextArgument(mark), LongArgument(kSearchComposers)});
    long count = 0;
    if (!marked || !marked.GetCount(count)) return;
    for (long i = 1; i <= count; ++i) {
        AutomationObject track = marked.Item(i);
        if (!track) continue;
        bool clear = !ReadEnabled(track).value_or(true);
        if (!clear) {
            std::wstring lyrics;
            clear = ReadLyrics(track, lyrics) && !lyrics.empty();
        }
        if (clear) track.PutText(L"Composer", std::wstring());
    }
}

}  // namespace

void ApplySameSongRules(const AutomationObject& libraryPlaylist,
                        const SameSongSearchResult& search, const RegisteredSong& song,
                        const Settings& settings) {
    const SameSongs songs = CollectSameSongs(search);
    ApplyToSameSongs(songs, song, settings);
    SetLyricsOrMark(songs, song.track, settings);
    if (settings.GetBool(L"IsSetNoneLyrics")) CleanUpNoLyricsMarks(libraryPlaylist);
}
