#pragma once
// The filing journal: every song Kestrel noticed, each step it took, and what
// the stations' pages did. One SQLite file (WAL, synchronous=NORMAL); each
// call below is one transaction.
//
// Nothing here throws and nothing stops the program: a damaged file is
// renamed to <path>.bad and a new journal started, and when even that cannot
// be opened the journal lives in memory for this session. Writes report
// false and reads return nothing when SQLite fails; lastError() says why.
//
// The schema's version is the file's user_version. An older file is brought
// up to date when opened; a newer one is used as it is: its columns that we
// do not know are left alone, as SQLite only adds columns with defaults.
// One thread uses it: the main window's, which runs the processing cycle.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal/JournalTypes.h"

namespace journal {

class Database;
class Statement;

class Journal {
public:
    explicit Journal(std::wstring path);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Songs, one step each. Updates report false for an unknown id.
    // A new song's id is above every id this object handed out or read, even
    // after a damaged file was set aside: songs still in flight keep theirs.
    SongId AddSong(const std::wstring& station, const std::wstring& sourceName, Time noticed,
                   SongState state = SongState::Playing, const StationFolders& folders = {});
    bool SaveSongInfo(SongId id, const SongInfoRecord& info);
    bool SavePageDelay(SongId id, int seconds);
    bool MarkAwaitingHandOver(SongId id, Time handedOver);
    bool MarkMoved(SongId id, const std::wstring& outputPath, Time moved);
    bool MarkStripped(SongId id, Time stripped);
    // Counts the attempt; trackId is the new track's persistent ID, if known.
    bool MarkRegistered(SongId id, Time registered, const std::wstring& trackId = {});
    // Finished without the library: tagged (and listed) at `filed`.
    bool MarkFiled(SongId id, Time filed);
    // Counts the attempt; AwaitingRetry until nextAttempt, or Failed when 0.
    bool MarkAttemptFailed(SongId id, const std::wstring& error, Time nextAttempt);
    bool MarkFailed(SongId id, const std::wstring& error);
    bool MarkSkipped(SongId id, SongState reason);
    // A failed or waiting song becomes due at `now`; with `freshPeriod` its
    // retries count their 24 hours from `now` (kept across restarts).
    bool RetryNow(SongId id, Time now, bool freshPeriod = false);
    bool AddAction(SongId id, const SongAction& action);
    // Writes the whole song under its own id, replacing a row that has it:
    // puts the songs in flight back into a journal that was set aside.
    bool RestoreSong(const SongRecord& song);

    // Oldest first: what a start has to finish.
    std::vector<SongRecord> UnfinishedSongs();
    // AwaitingRetry with nextAttempt <= now, the earliest due first.
    std::vector<SongRecord> SongsDueForRetry(Time now);
    // Newest first; row `offset` of a list that SongCount() long. Given a
    // station, only its songs, read along the index on the station.
    std::vector<SongRecord> SongPage(int offset, int count, const std::wstring& station = {});
    // Counted once, then kept: this object is the journal's only writer.
    int SongCount(const std::wstring& station = {});
    // The stations the songs name, in the index's order, at most
    // kMaxSongStations; one step of the index each, however many songs.
    static constexpr int kMaxSongStations = 1000;
    std::vector<std::wstring> SongStations();
    std::optional<SongRecord> FindSong(SongId id);
    std::vector<SongAction> Actions(SongId id);

    // Stations, newest first.
    std::vector<int> RecentPageDelays(const std::wstring& station, int count);
    bool AddHealth(const std::wstring& station, ExtractionHealth health, Time at);
    std::vector<ExtractionHealth> RecentHealth(const std::wstring& station, int count);

    // Artwork searches by artist and title, as the caller compares them;
    // entries older than a day are not returned and are pruned.
    std::optional<ArtworkSearchEntry> FindArtworkSearch(const std::wstring& artist, const std::wstring& title,
                                                        Time now);
    bool SaveArtworkSearch(const std::wstring& artist, const std::wstring& title, const std::wstring& url,
                           Time at);

    const std::wstring& path() const { return path_; }
    // How many damaged files were set aside since this object opened.
    int setAsideCount() const { return setAside_; }
    // The file could not be used; this session's journal lives in memory.
    bool inMemory() const { return inMemory_; }
    const std::string& lastError() const { return lastError_; }
    // Writes SQLite refused since this object opened (a full disk, a
    // read-only file...); lastError() has the latest reason.
    int failedWrites() const { return failedWrites_; }

private:
    void Open();
    // False when the file cannot be used; `damaged` says whether setting it
    // aside may help.
    bool OpenFile(bool& damaged);
    void SetAside();
    void OpenInMemory();
    // Runs `work` as one step; a damaged file is set aside and the step lost.
    bool Run(const std::function<void(Database&)>& work);
    // Run, counting a failure in failedWrites_.
    bool Write(const std::function<void(Database&)>& work);
    bool Update(const char* sql, const std::function<void(Statement&)>& bind);
    void Saw(SongId id) {
        if (id > highestId_) highestId_ = id;
    }
    void Saw(const std::vector<SongRecord>& songs) {
        for (const SongRecord& song : songs) Saw(song.id);
    }

    std::wstring path_;
    std::unique_ptr<Database> database_;
    int songCount_ = -1;  // not counted yet
    std::map<std::wstring, int> stationSongCounts_;  // those counted so far
    int setAside_ = 0;
    int failedWrites_ = 0;
    SongId highestId_ = 0;  // handed out or read
    bool inMemory_ = false;
    std::string lastError_;
};

}  // namespace journal
