#include "itunes/SameSongRules.h"

#include "base/FileOperations.h"

#include <optional>
#include <vector>

#include "itunes/ITunesIds.h"

const wchar_t kNoLyricsMark[] = L"歌詞未登録";

namespace {

struct SameSongs {
    // `all` holds the references; the other two point into it.
    std::vector<AutomationObject> all;
    std::vector<const AutomationObject*> checked;
    std::vector<const AutomationObject*> unchecked;
    std::wstring lyrics;
    bool lyricsFound = false;
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

SameSongs CollectSameSongs(const AutomationObject& libraryTracks,
                           const SameSongSearchResult& search) {
    SameSongs songs;
    for (const auto& [index, met] : search.tally) {
        if (!search.IsSameSong(met)) continue;
        AutomationObject track = libraryTracks.Item(index);
        if (!track) continue;
        // Lyrics come from the first same song by index that has any.
        if (!songs.lyricsFound) {
            std::wstring lyrics;
            if (ReadLyrics(track, lyrics) && !lyrics.empty()) {
                songs.lyrics = std::move(lyrics);
                songs.lyricsFound = true;
            }
        }
        songs.all.push_back(std::move(track));
    }
    // A track whose check mark cannot be read goes into neither list: taking
    // it for unchecked could delete it together with its file.
    for (const AutomationObject& track : songs.all) {
        const std::optional<bool> enabled = ReadEnabled(track);
        if (enabled) (*enabled ? songs.checked : songs.unchecked).push_back(&track);
    }
    return songs;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

void DeleteUncheckedSameSong(const AutomationObject& track, const std::wstring& newFilePath) {
    AutomationObject fileTrack = track.Query(kIITFileOrCDTrack);
    if (!fileTrack) return;
    std::wstring location;
    const bool located = fileTrack.GetText(L"Location", location);
    // A library entry that points at the file just added (iTunes hands back
    // the existing track when a path is added twice, and a stale entry may
    // carry a reused name) must not take the new recording with it.
    if (located && SamePath(location, newFilePath)) return;
    track.Call(L"Delete");
    if (located && !location.empty()) DeleteFileForce(location);
}

void ApplyToSameSongs(const SameSongs& songs, const AutomationObject& newTrack,
                      const std::wstring& newFilePath, const Settings& settings) {
    if (songs.all.empty()) return;
    if (songs.checked.empty()) {
        if (settings.GetBool(L"IsUncheckSameMusic")) newTrack.PutBool(L"Enabled", false);
    } else if (settings.GetBool(L"IsCommentSameMusic")) {
        for (const AutomationObject* track : songs.checked) track->PutText(L"Comment", newFilePath);
        newTrack.PutText(L"Comment", newFilePath);
    }
    if (settings.GetBool(L"IsDeleteFile")) {
        for (const AutomationObject* track : songs.unchecked) {
            DeleteUncheckedSameSong(*track, newFilePath);
        }
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
    if (!marked || !marked.GetLong(L"Count", count)) return;
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
                        const AutomationObject& libraryTracks,
                        const SameSongSearchResult& search, const AutomationObject& newTrack,
                        const std::wstring& newFilePath, const Settings& settings) {
    const SameSongs songs = CollectSameSongs(libraryTracks, search);
    ApplyToSameSongs(songs, newTrack, newFilePath, settings);
    SetLyricsOrMark(songs, newTrack, settings);
    if (settings.GetBool(L"IsSetNoneLyrics")) CleanUpNoLyricsMarks(libraryPlaylist);
}
