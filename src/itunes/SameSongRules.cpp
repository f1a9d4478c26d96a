#include "itunes/SameSongRules.h"

#include <optional>
#include <vector>

#include "itunes/ITunesIds.h"
#include "itunes/RecycleBin.h"
#include "itunes/RecycleBinSettings.h"
#include "base/SongText.h"

const wchar_t kNoLyricsMark[] = L"歌詞未登録";

std::wstring TrackLabel(const std::wstring& artist, const std::wstring& title) {
    return artist + L" - " + title;
}

namespace {

// A same song and its file-track interface, asked for once, when first needed.
class SameSong {
public:
    explicit SameSong(const AutomationObject& track) : track_(&track) {}
    const AutomationObject& track() const { return *track_; }
    const AutomationObject& fileTrack() const {
        if (!queried_) fileTrack_ = track_->Query(kIITFileOrCDTrack);
        queried_ = true;
        return fileTrack_;
    }

private:
    const AutomationObject* track_;
    mutable AutomationObject fileTrack_;
    mutable bool queried_ = false;
};

struct SameSongs {
    std::vector<SameSong> all;  // never grows once the lists below point into it
    std::vector<const SameSong*> checked;
    std::vector<const SameSong*> unchecked;
    std::wstring lyrics;
    bool lyricsFound = false;
    bool any = false;
};

bool ReadLyrics(const AutomationObject& fileTrack, std::wstring& lyrics) {
    return fileTrack && fileTrack.GetText(L"Lyrics", lyrics);
}

// Empty when the check mark cannot be read.
std::optional<bool> ReadEnabled(const AutomationObject& track) {
    bool enabled = false;
    if (!track.GetBool(L"Enabled", enabled)) return std::nullopt;
    return enabled;
}

void CollectSameSongs(const SameSongSearchResult& search, SameSongs& songs) {
    songs.all.reserve(search.tally.size());
    for (const auto& [index, candidate] : search.tally) {
        if (!search.IsSameSong(candidate.metCriteria)) continue;
        songs.any = true;
        const SameSong& song = songs.all.emplace_back(candidate.track);
        // Lyrics come from the first same song by index that has any.
        if (!songs.lyricsFound) {
            std::wstring lyrics;
            if (ReadLyrics(song.fileTrack(), lyrics) && !lyrics.empty()) {
                songs.lyrics = std::move(lyrics);
                songs.lyricsFound = true;
            }
        }
        // A track whose check mark cannot be read goes into neither list:
        // taking it for unchecked could delete it together with its file.
        const std::optional<bool> enabled = ReadEnabled(song.track());
        if (enabled) (*enabled ? songs.checked : songs.unchecked).push_back(&song);
    }
}

// Read from the track now: a partial search finds "Last Love" for "Love", and
// the track may have been renamed since the search. `label` gets the
// track's name as read.
bool IsStillTheSong(const AutomationObject& track, const SameSongQuery& query, std::wstring* label = nullptr) {
    std::wstring name, artist;
    if (!track.GetText(L"Name", name) || !SameSongText(name, query.title)) return false;
    if (!track.GetText(L"Artist", artist) || !SameSongText(artist, query.artist)) return false;
    if (label) *label = TrackLabel(artist, name);
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
// output folders, not the new recording under another name. The first look
// takes the check mark as read moments before, when the same songs were
// collected; the look right before deleting reads it again.
std::wstring DeletableFile(const SameSong& copy, const RegisteredSong& song,
                           const FileIdentity& newFile, bool rereadCheckMark, std::wstring* label = nullptr) {
    if (!IsStillTheSong(copy.track(), song.query, label)) return {};
    if (rereadCheckMark && ReadEnabled(copy.track()).value_or(true)) return {};
    const AutomationObject& fileTrack = copy.fileTrack();
    std::wstring location;
    if (!fileTrack || !fileTrack.GetText(L"Location", location)) return {};
    FileIdentity file;
    if (!ReadFileIdentity(location, file) || file == newFile ||
        !IsDirectlyInside(location, song.outputFolders)) {
        return {};
    }
    return location;
}

// The library, for putting back a copy whose file could not follow its entry.
struct Library {
    const AutomationObject& playlist;
    const ImportWait& wait;
};

// The entry of a copy whose file stayed (a player may have opened it since
// it was looked at), added again as it was: no file without its entry.
LibraryAction PutBack(const Library& library, const std::wstring& location, const TrackFields& fields,
                      const std::wstring& label) {
    const AutomationObject track = ImportFile(library.playlist, location, library.wait);
    if (!track) {
        return {LibraryAction::Kind::PutBackFailed, label, location, {},
                L"ファイルをごみ箱に移せず、ライブラリへの追加もできなかったため"};
    }
    const bool whole = WriteTrackFields(track, fields);
    return {LibraryAction::Kind::PutBack, label, location, {},
            whole ? L"ファイルをごみ箱に移せなかったため（使用中など）"
                  : L"ファイルをごみ箱に移せなかったため（使用中など）。曲名などの一部は戻せませんでした"};
}

void DeleteUncheckedCopies(const SameSongs& songs, const RegisteredSong& song, const Library& library,
                           std::vector<LibraryAction>& actions) {
    FileIdentity newFile;
    if (!ReadFileIdentity(song.filePath, newFile)) return;
    std::vector<const SameSong*> copies;
    for (const SameSong* copy : songs.unchecked) {
        if (!DeletableFile(*copy, song, newFile, false).empty()) copies.push_back(copy);
    }
    if (copies.size() > kMaxDeletions) return;
    for (const SameSong* copy : copies) {
        // Checked again right before: the library may have changed while
        // earlier copies went to the Recycle Bin.
        std::wstring label;
        const std::wstring location = DeletableFile(*copy, song, newFile, true, &label);
        // What cannot be recycled keeps its library entry too.
        if (location.empty() || !CanRecycle(location)) continue;
        // The shell deletes for good, and says nothing, what the bin will not keep.
        const RecycleVerdict verdict = JudgeRecycleBin(location);
        if (verdict != RecycleVerdict::Keeps) {
            actions.push_back({LibraryAction::Kind::Kept, label, location, {}, RecycleVerdictText(verdict)});
            continue;
        }
        TrackFields fields;
        if (!ReadTrackFields(copy->track(), fields) || !copy->track().Call(L"Delete")) continue;
        const bool recycled = RecycleFile(location);
        actions.push_back({LibraryAction::Kind::Deleted, label, location, recycled ? kRecycleBinName : L"", {}});
        if (!recycled) actions.push_back(PutBack(library, location, fields, label));
    }
}

// True when the new track was unchecked here.
bool ApplyToSameSongs(const SameSongs& songs, const RegisteredSong& song, const LibraryRules& rules,
                      const Library& library, std::vector<LibraryAction>& actions) {
    if (!songs.any) return false;
    const bool mayTouchOthers = MayTouchOthers(song.query);
    bool unchecked = false;
    if (songs.checked.empty()) {
        if (rules.uncheckSameSongs) unchecked = song.track.PutBool(L"Enabled", false);
        if (unchecked) actions.push_back({LibraryAction::Kind::Unchecked, song.label, {}, {}, {}});
    } else if (rules.commentSameSongs) {
        if (mayTouchOthers) {
            for (const SameSong* checked : songs.checked) {
                const AutomationObject& track = checked->track();
                std::wstring label;
                if (IsStillTheSong(track, song.query, &label) && track.PutText(L"Comment", song.filePath)) {
                    actions.push_back({LibraryAction::Kind::Commented, label, {}, {}, {}});
                }
            }
        }
        if (song.track.PutText(L"Comment", song.filePath)) {
            actions.push_back({LibraryAction::Kind::Commented, song.label, {}, {}, {}});
        }
    }
    if (rules.deleteSameSongs && mayTouchOthers && !songs.unchecked.empty()) {
        DeleteUncheckedCopies(songs, song, library, actions);
    }
    return unchecked;
}

// `unchecked`: the new track was just unchecked, so its check mark is known.
void SetLyricsOrMark(const SameSongs& songs, const RegisteredSong& song, bool unchecked,
                     const LibraryRules& rules, std::vector<LibraryAction>& actions) {
    const AutomationObject& newTrack = song.track;
    if (songs.lyricsFound) {
        if (rules.copyLyrics) {
            AutomationObject fileTrack = newTrack.Query(kIITFileOrCDTrack);
            if (fileTrack && fileTrack.PutText(L"Lyrics", songs.lyrics)) {
                actions.push_back({LibraryAction::Kind::LyricsCopied, song.label, {}, {}, {}});
            }
        }
    } else if (rules.markMissingLyrics && !unchecked && ReadEnabled(newTrack).value_or(false)) {
        newTrack.PutText(L"Composer", kNoLyricsMark);
    }
}

// Only a composer that is the mark and nothing else is ours: the search
// also finds composers the user wrote that merely contain it.
bool CarriesOnlyTheMark(const AutomationObject& track) {
    std::wstring composer;
    return track.GetText(L"Composer", composer) && composer == kNoLyricsMark;
}

// Tracks that were unchecked, or have been given lyrics, since they were
// marked lose the mark.
void CleanUpNoLyricsMarks(const AutomationObject& libraryPlaylist) {
    kit::ScopedBstr mark(kNoLyricsMark);
    const AutomationObject marked =
        libraryPlaylist.CallObject(L"Search", {TextArgument(mark), LongArgument(kSearchComposers)})
            .OfKind(kTrackCollectionKind);
    if (!marked) return;
    marked.VisitItems([](const AutomationObject& track) {
        if (!CarriesOnlyTheMark(track)) return true;
        bool clear = !ReadEnabled(track).value_or(true);
        if (!clear) {
            std::wstring lyrics;
            clear = ReadLyrics(track.Query(kIITFileOrCDTrack), lyrics) && !lyrics.empty();
        }
        if (clear) track.PutText(L"Composer", std::wstring());
        return true;
    });
}

}  // namespace

void ApplySameSongRules(const AutomationObject& libraryPlaylist,
                        const SameSongSearchResult& search, const RegisteredSong& song,
                        const LibraryRules& rules, const ImportWait& wait,
                        std::vector<LibraryAction>& actions) {
    SameSongs songs;
    CollectSameSongs(search, songs);
    const bool unchecked = ApplyToSameSongs(songs, song, rules, {libraryPlaylist, wait}, actions);
    SetLyricsOrMark(songs, song, unchecked, rules, actions);
    if (rules.markMissingLyrics) CleanUpNoLyricsMarks(libraryPlaylist);
}
