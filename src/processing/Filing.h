#pragma once
// The road of every finished song after the tick that noticed its end: the
// wait for the recorder to hand its file over, the move into the song's own
// station's output folder, the strip and the registration with its retries.
// Each step is written to the journal before the next starts, so a start
// after a kill finishes what was left (Resume).
#include <map>
#include <string>
#include <vector>

#include "itunes/PendingSong.h"
#include "journal/Journal.h"
#include "settings/Settings.h"
#include "web/SongInfo.h"

// What filing needs from outside: the tag and library work, and who is told.
class FilingServices {
public:
    virtual ~FilingServices() = default;
    // The text of an ID3 frame ("TIT2", "TPE1"); empty when absent.
    virtual std::wstring ReadTagText(const std::wstring& path, const char* frameId) = 0;
    virtual bool StripTags(const std::wstring& path) = 0;
    virtual bool RegisterSong(const PendingSong& song, Settings& settings, Settings& station) = 0;
    // The song was given up: the hand-over never came, or the retries ran out.
    virtual void SongGivenUp(const journal::SongRecord& song) {}
    // A song's row changed; an open history window refreshes.
    virtual void JournalChanged() {}
};

class Filing {
public:
    static constexpr journal::Time kHandOverWait = 10 * 60;
    static constexpr journal::Time kRetryPeriod = 24 * 60 * 60;

    // `artworkRoot`: the Artwork folder beside the program; each song's
    // pictures go to a folder of its own inside it.
    Filing(journal::Journal& journal, Settings& settings, FilingServices& services, std::wstring artworkRoot);
    Filing(const Filing&) = delete;
    Filing& operator=(const Filing&) = delete;

    // A new song of `station` started playing. `state` is Playing, or the
    // reason it is skipped. The station is kept as it is now.
    journal::SongId Notice(const Settings& station, const std::wstring& sourceName, journal::SongState state,
                           journal::Time now);
    // Where this song's artwork is fetched to; id 0 (a skipped song whose
    // picture is only shown) has a folder too.
    std::wstring ArtworkFolder(journal::SongId id) const;
    void SaveInfo(journal::SongId id, const SongInfo& info);
    // The song finished playing: from now on its file is looked for in its
    // station's end folder at every step, for up to kHandOverWait.
    void HandOver(journal::SongId id, journal::Time now);
    // The song was cut off while playing (another station was chosen): it
    // is not filed.
    void Abandon(journal::SongId id);

    // Moves what has arrived, strips what was moved, makes at most one
    // registration attempt (the oldest due song), and gives up on what waited
    // too long.
    void Step(journal::Time now);
    // At start: takes up what the journal shows unfinished, removes the
    // artwork folders of finished songs and our own temporary files.
    void Resume(journal::Time now, const std::wstring& programFolder);
    // A song waiting for a retry, or given up after its move, is tried at the
    // next step.
    bool RetryNow(journal::SongId id, journal::Time now);
    // After a failed attempt made at `now`, the time of the next one; 0 when
    // the song is given up. `attempts` counts the attempts made so far.
    // At the end of a session: the picture of a skipped song, only shown.
    void RemoveShownArtwork() const;
    static journal::Time NextAttempt(int attempts, journal::Time firstAttempt, journal::Time now);

    // The end folders where handed-over songs are still awaited.
    std::vector<std::wstring> HandOverFolders() const;
    // Songs on the road (not finished, not skipped).
    size_t pendingCount() const { return songs_.size(); }
    journal::Journal& journal() { return journal_; }

private:
    struct Song {
        journal::SongRecord record;
        Settings station;
        bool handedOver = false;  // Playing until then
        bool resumed = false;     // taken up from the journal: may be in the library already
    };

    bool TryMove(Song& song, journal::Time now);
    // A kill came between the journal's note of the move and the move.
    void FinishInterruptedMove(Song& song);
    // False while another program holds the file: tried again next step.
    bool Strip(Song& song, journal::Time now);
    void Register(Song& song, journal::Time now);
    void GiveUp(Song& song, const std::wstring& reason);
    void Finish(journal::SongId id);
    void RemoveArtwork(journal::SongId id) const;
    void RemoveOwnArtworkFolders();
    void RemoveOwnTemporaryFiles(const std::wstring& programFolder) const;
    Settings StationNamed(const std::wstring& name) const;

    journal::Journal& journal_;
    Settings& settings_;
    FilingServices& services_;
    std::wstring artworkRoot_;
    std::map<journal::SongId, Song> songs_;
};
