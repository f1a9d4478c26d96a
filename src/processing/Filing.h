#pragma once
// The road of every finished song after its follower noticed its end: the
// wait for the recorder to hand its file over, the move into the song's own
// station's output folder, then, for the iTunes library, the strip (or our
// own tag) and the registration with its retries; for the folder alone, our
// own tag and the station's playlist line. Each step is written to the
// journal before the next starts, so a start after a kill finishes what was
// left (Resume). Tags and registrations run as jobs; their results come back
// through the SongServices' `done`.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "itunes/LibraryAction.h"
#include "journal/Journal.h"
#include "processing/Moment.h"
#include "processing/SongServices.h"
#include "settings/LibraryTarget.h"
#include "settings/Station.h"
#include "web/SongInfo.h"

// Who hears of the road: the window, or a test.
class FilingView {
public:
    // The song was given up: the hand-over never came, or the retries ran out.
    virtual void SongGivenUp(const journal::SongRecord& song) {}
    // A song's row changed; an open history window refreshes.
    virtual void JournalChanged() {}
    // A journal write failed: the road goes on from memory.
    virtual void JournalTrouble(const std::wstring& reason) {}
    // A job the user may wait on started or ended (the message window).
    virtual void JobStarted(const std::wstring& text) {}
    virtual void JobEnded(const std::wstring& text) {}

protected:
    ~FilingView() = default;
};

// The note a song gets that nobody saw playing: filed with what its tags say.
extern const wchar_t kMissedSongNote[];

class Filing {
public:
    static constexpr journal::Time kHandOverWait = 10 * 60;
    static constexpr journal::Time kRetryPeriod = 24 * 60 * 60;

    // `artworkRoot`: the Artwork folder beside the program; each song's
    // pictures go to a folder of its own inside it.
    Filing(journal::Journal& journal, SongServices& services, FilingView& view, std::wstring artworkRoot);
    Filing(const Filing&) = delete;
    Filing& operator=(const Filing&) = delete;
    ~Filing();

    // The stations as the settings now say, for songs known only by their
    // station's name (taken up from the journal, retried by hand).
    void SetStations(std::vector<Station> stations) { stations_ = std::move(stations); }
    // Where finished songs go; read again after every settings change. With
    // the folder target no song is handed to the library.
    void SetTarget(const LibraryTarget& target) { target_ = target; }
    // When a job's result arrives (tests set it).
    void SetClock(std::function<Moment()> clock) { clock_ = std::move(clock); }

    // A new song of `station` started playing. `state` is Playing, or the
    // reason it is skipped (a skipped song gets its row and nothing more).
    journal::SongId Notice(const Station& station, const std::wstring& sourceName, journal::SongState state,
                           Moment now);
    // A file turned up in `station`'s end folder that no follower saw
    // playing: filed at once with what its tags say.
    journal::SongId NoticeMissed(const Station& station, const std::wstring& sourceName, Moment now);
    // True while a song is with the library, its result not back yet.
    bool Registering() const { return registrationsRunning_ > 0; }
    // Whether a song of that station and file is on the road.
    bool Knows(const std::wstring& station, const std::wstring& sourceName) const;
    // The last session left this file of `station` playing, and it still is:
    // its song is followed on (0 when there is none such).
    journal::SongId AdoptPlaying(const Station& station, const std::wstring& sourceName);
    // The songs the last session left playing that no follower adopted
    // have ended since: handed over now.
    void HandOverLeftPlaying(Moment now);

    // Where this song's artwork is fetched to; id 0 (a skipped song whose
    // picture is only shown) has a folder too.
    std::wstring ArtworkFolder(journal::SongId id) const;
    void SaveInfo(journal::SongId id, const SongInfo& info);
    // The song finished playing: from now on its file is looked for in its
    // station's end folder at every step, for up to kHandOverWait.
    void HandOver(journal::SongId id, Moment now);
    // The song was cut off while playing (another station was chosen): it
    // is not filed.
    void Abandon(journal::SongId id);

    // Moves what has arrived, starts the strip of what was moved and queues
    // what is due for registration, in the order of hand-over; gives up on
    // what waited too long.
    void Step(Moment now);
    // At start: takes up what the journal shows unfinished, removes the
    // artwork folders of finished songs and our own temporary files.
    void Resume(Moment now, const std::wstring& programFolder);
    // A song waiting for a retry, or given up, is tried at the next step.
    bool RetryNow(journal::SongId id, Moment now);
    // A song waiting for the library (or given up on it) is finished the way
    // the folder target finishes songs: its own tag, its playlist line.
    // False when it is not waiting, or a registration of it is running.
    bool FinishWithoutLibrary(journal::SongId id, Moment now);
    // At the end of a session: the picture of a skipped song, only shown.
    void RemoveShownArtwork() const;
    // After a failed attempt made at `now`, the time of the next one; 0 when
    // the song is given up. `attempts` counts the attempts made so far.
    static journal::Time NextAttempt(int attempts, journal::Time firstAttempt, journal::Time now);

    // The end folders where handed-over songs are still awaited.
    std::vector<std::wstring> HandOverFolders() const;
    // Songs on the road (not finished, not skipped).
    size_t pendingCount() const { return songs_.size(); }
    journal::Journal& journal() { return journal_; }

private:
    struct Song {
        journal::SongRecord record;
        Station station;
        bool handedOver = false;   // Playing until then
        bool resumed = false;      // taken up from the journal: may be in the library already
        bool leftPlaying = false;  // the last session left it playing: no follower has it yet
        bool busy = false;         // a tag job or a registration of it runs
        bool withoutLibrary = false;  // finished in the folder whatever the target
        int seconds = -1;             // how long it plays, once its tag job told
        std::int64_t retagSinceMs = 0;  // its tag job is retried for a hand-over's wait from here
        std::int64_t handedOverMs = 0;
        std::int64_t movedMs = 0;
        std::int64_t firstAttemptMs = 0;  // the 24 hours of retries count from here
        std::int64_t nextAttemptMs = 0;
    };

    bool TryMove(Song& song, Moment now);
    // A kill came between the journal's note of the move and the move.
    void FinishInterruptedMove(Song& song);
    // FilingTags.cpp: the tag job, and finishing in the folder.
    void StartRetag(Song& song, Moment now);
    void Retagged(journal::SongId id, const SongServices::Retagged& result);
    bool FinishesInFolder(const Song& song) const { return song.withoutLibrary || !target_.usesITunes(); }
    void FinishInFolder(Song& song, Moment now);
    // The song's line in its station's playlist file, when there is one to write.
    bool AppendToPlaylist(const Song& song);
    void QueueRegistrations(Moment now);
    void Registered(journal::SongId id, const RegistrationResult& result);
    void GiveUp(Song& song, const std::wstring& reason);
    void Finish(journal::SongId id);
    // After a journal write: a failure is told to the window (the road goes
    // on from memory), and a journal set aside meanwhile gets the songs in
    // flight back.
    void Wrote(bool written);
    void RemoveArtwork(journal::SongId id) const;
    void RemoveOwnArtworkFolders();
    void RemoveOwnTemporaryFiles(const std::wstring& programFolder) const;
    // The song's station as the settings have it now, with the folders
    // its row kept from when it was noticed.
    Station StationOf(const journal::SongRecord& record) const;
    // A wall-clock stamp of the journal on this session's steady clock.
    std::int64_t SteadyOf(journal::Time wall, Moment now) const;
    Moment Current() const;

    journal::Journal& journal_;
    SongServices& services_;
    FilingView& view_;
    std::wstring artworkRoot_;
    std::vector<Station> stations_;
    LibraryTarget target_;
    std::map<journal::SongId, Song> songs_;
    std::function<Moment()> clock_;
    int registrationsRunning_ = 0;
    int failedWritesSeen_ = 0;
    int setAsideSeen_ = 0;
    journal::SongId memoryIds_ = 0;  // below 0: songs the journal could not take
    // Cleared when the filing goes: a job's result then finds no one.
    std::shared_ptr<Filing*> self_;
};
