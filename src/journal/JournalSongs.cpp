// The songs: one step per call, and the lists the windows and the start read.
#include "journal/Journal.h"
#include "journal/Sqlite.h"

namespace journal {

namespace {

// Every reader of whole songs selects these columns in this order.
#define SONG_COLUMNS                                                                                        \
    "id, station, source_name, noticed, handed_over, moved, stripped, registered, title, artist, album, " \
    "artwork_url, artwork_file, output_path, state, attempts, next_attempt, last_error, page_delay, track_id, " \
    "retry_from, end_folder, output_folder"

SongRecord ReadSong(const Statement& row) {
    SongRecord song;
    song.id = row.Int(0);
    song.station = row.Text(1);
    song.sourceName = row.Text(2);
    song.noticed = row.Int(3);
    song.handedOver = row.Int(4);
    song.moved = row.Int(5);
    song.stripped = row.Int(6);
    song.registered = row.Int(7);
    song.info = {row.Text(8), row.Text(9), row.Text(10), row.Text(11), row.Text(12)};
    song.outputPath = row.Text(13);
    song.state = static_cast<SongState>(row.Int(14));
    song.attempts = static_cast<int>(row.Int(15));
    song.nextAttempt = row.Int(16);
    song.lastError = row.Text(17);
    if (!row.IsNull(18)) song.pageDelay = static_cast<int>(row.Int(18));
    song.trackId = row.Text(19);
    song.retryFrom = row.Int(20);
    song.folders = {row.Text(21), row.Text(22)};
    return song;
}

std::vector<SongRecord> ReadSongs(Statement& query) {
    std::vector<SongRecord> songs;
    while (query.Step()) songs.push_back(ReadSong(query));
    return songs;
}

std::int64_t Stored(SongState state) { return static_cast<std::int64_t>(state); }

}  // namespace

bool Journal::Update(const char* sql, const std::function<void(Statement&)>& bind) {
    bool changed = false;
    const bool ran = Write([&](Database& database) {
        Statement update = database.Prepare(sql);
        bind(update);
        update.Run();
        changed = database.Changes() > 0;
    });
    return ran && changed;
}

SongId Journal::AddSong(const std::wstring& station, const std::wstring& sourceName, Time noticed,
                        SongState state, const StationFolders& folders) {
    SongId id = 0;
    Write([&](Database& database) {
        // Past the file's own highest id too: the rowid SQLite would choose.
        database
            .Prepare("INSERT INTO songs(id, station, source_name, noticed, state, end_folder, output_folder)"
                     " VALUES(max(?, ifnull((SELECT max(id) FROM songs), 0)) + 1, ?, ?, ?, ?, ?, ?)")
            .Bind(1, highestId_)
            .Bind(2, station)
            .Bind(3, sourceName)
            .Bind(4, noticed)
            .Bind(5, Stored(state))
            .BindOrNull(6, folders.endFolder)
            .BindOrNull(7, folders.outputFolder)
            .Run();
        id = database.LastInsertId();
    });
    Saw(id);
    if (id && songCount_ >= 0) ++songCount_;
    if (id) {
        const auto counted = stationSongCounts_.find(station);
        if (counted != stationSongCounts_.end()) ++counted->second;
    }
    return id;
}

bool Journal::SaveSongInfo(SongId id, const SongInfoRecord& info) {
    return Update(
        "UPDATE songs SET title = ?, artist = ?, album = ?, artwork_url = ?, artwork_file = ? WHERE id = ?",
        [&](Statement& s) {
            s.BindOrNull(1, info.title).BindOrNull(2, info.artist).BindOrNull(3, info.album);
            s.BindOrNull(4, info.artworkUrl).BindOrNull(5, info.artworkFile).Bind(6, id);
        });
}

bool Journal::SavePageDelay(SongId id, int seconds) {
    return Update("UPDATE songs SET page_delay = ? WHERE id = ?",
                  [&](Statement& s) { s.Bind(1, std::int64_t{seconds}).Bind(2, id); });
}

bool Journal::MarkAwaitingHandOver(SongId id, Time handedOver) {
    // A song awaiting its file has no output path: a move that failed
    // leaves none behind.
    return Update("UPDATE songs SET state = ?, handed_over = ?, output_path = NULL, moved = NULL WHERE id = ?",
                  [&](Statement& s) {
        s.Bind(1, Stored(SongState::AwaitingHandOver)).Bind(2, handedOver).Bind(3, id);
    });
}

bool Journal::MarkMoved(SongId id, const std::wstring& outputPath, Time moved) {
    return Update("UPDATE songs SET state = ?, output_path = ?, moved = ? WHERE id = ?", [&](Statement& s) {
        s.Bind(1, Stored(SongState::Moved)).Bind(2, outputPath).Bind(3, moved).Bind(4, id);
    });
}

bool Journal::MarkStripped(SongId id, Time stripped) {
    return Update("UPDATE songs SET state = ?, stripped = ? WHERE id = ?", [&](Statement& s) {
        s.Bind(1, Stored(SongState::Stripped)).Bind(2, stripped).Bind(3, id);
    });
}

bool Journal::MarkRegistered(SongId id, Time registered, const std::wstring& trackId) {
    return Update(
        "UPDATE songs SET state = ?, registered = ?, track_id = ?, attempts = attempts + 1, next_attempt = NULL"
        " WHERE id = ?",
        [&](Statement& s) {
            s.Bind(1, Stored(SongState::Registered)).Bind(2, registered).BindOrNull(3, trackId).Bind(4, id);
        });
}

bool Journal::MarkFiled(SongId id, Time filed) {
    return Update("UPDATE songs SET state = ?, stripped = ?, registered = ?, next_attempt = NULL WHERE id = ?",
                  [&](Statement& s) { s.Bind(1, Stored(SongState::Filed)).Bind(2, filed).Bind(3, filed).Bind(4, id); });
}

bool Journal::MarkAttemptFailed(SongId id, const std::wstring& error, Time nextAttempt) {
    const SongState state = nextAttempt ? SongState::AwaitingRetry : SongState::Failed;
    return Update(
        "UPDATE songs SET state = ?, last_error = ?, next_attempt = ?, attempts = attempts + 1 WHERE id = ?",
        [&](Statement& s) { s.Bind(1, Stored(state)).BindOrNull(2, error).BindOrNull(3, nextAttempt).Bind(4, id); });
}

bool Journal::MarkFailed(SongId id, const std::wstring& error) {
    return Update("UPDATE songs SET state = ?, last_error = ?, next_attempt = NULL WHERE id = ?",
                  [&](Statement& s) { s.Bind(1, Stored(SongState::Failed)).BindOrNull(2, error).Bind(3, id); });
}

bool Journal::MarkSkipped(SongId id, SongState reason) {
    return Update("UPDATE songs SET state = ? WHERE id = ?",
                  [&](Statement& s) { s.Bind(1, Stored(reason)).Bind(2, id); });
}

bool Journal::RetryNow(SongId id, Time now, bool freshPeriod) {
    if (freshPeriod) {
        return Update(
            "UPDATE songs SET state = ?, next_attempt = ?, retry_from = ? WHERE id = ? AND state IN (?, ?)",
            [&](Statement& s) {
                s.Bind(1, Stored(SongState::AwaitingRetry)).Bind(2, now).Bind(3, now).Bind(4, id);
                s.Bind(5, Stored(SongState::AwaitingRetry)).Bind(6, Stored(SongState::Failed));
            });
    }
    return Update("UPDATE songs SET state = ?, next_attempt = ? WHERE id = ? AND state IN (?, ?)",
                  [&](Statement& s) {
                      s.Bind(1, Stored(SongState::AwaitingRetry)).Bind(2, now).Bind(3, id);
                      s.Bind(4, Stored(SongState::AwaitingRetry)).Bind(5, Stored(SongState::Failed));
                  });
}

bool Journal::AddAction(SongId id, const SongAction& action) {
    return Update(
        "INSERT INTO song_actions(song_id, at, kind, track, destination, file_path, note)"
        " VALUES(?, ?, ?, ?, ?, ?, ?)",
        [&](Statement& s) {
            s.Bind(1, id).Bind(2, action.at).Bind(3, static_cast<std::int64_t>(action.kind));
            s.Bind(4, action.track).BindOrNull(5, action.destination).BindOrNull(6, action.filePath);
            s.BindOrNull(7, action.note);
        });
}

// An upsert rather than INSERT OR REPLACE: a newer program's columns in the
// row stay as they were.
bool Journal::RestoreSong(const SongRecord& song) {
    if (song.id <= 0) return false;
    const bool written = Update(
        "INSERT INTO songs(id, station, source_name, noticed, handed_over, moved, stripped, registered, title,"
        " artist, album, artwork_url, artwork_file, output_path, state, attempts, next_attempt, last_error,"
        " page_delay, track_id, retry_from, end_folder, output_folder) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9,"
        " ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23) ON CONFLICT(id) DO UPDATE SET"
        " station = ?2, source_name = ?3, noticed = ?4,"
        " handed_over = ?5, moved = ?6, stripped = ?7, registered = ?8, title = ?9, artist = ?10, album = ?11,"
        " artwork_url = ?12, artwork_file = ?13, output_path = ?14, state = ?15, attempts = ?16,"
        " next_attempt = ?17, last_error = ?18, page_delay = ?19, track_id = ?20, retry_from = ?21,"
        " end_folder = ?22, output_folder = ?23",
        [&](Statement& s) {
            s.Bind(1, song.id).Bind(2, song.station).Bind(3, song.sourceName).Bind(4, song.noticed);
            s.BindOrNull(5, song.handedOver).BindOrNull(6, song.moved).BindOrNull(7, song.stripped);
            s.BindOrNull(8, song.registered).BindOrNull(9, song.info.title).BindOrNull(10, song.info.artist);
            s.BindOrNull(11, song.info.album).BindOrNull(12, song.info.artworkUrl);
            s.BindOrNull(13, song.info.artworkFile).BindOrNull(14, song.outputPath).Bind(15, Stored(song.state));
            s.Bind(16, std::int64_t{song.attempts}).BindOrNull(17, song.nextAttempt).BindOrNull(18, song.lastError);
            if (song.pageDelay) {
                s.Bind(19, std::int64_t{*song.pageDelay});
            } else {
                s.BindOrNull(19, std::int64_t{0});
            }
            s.BindOrNull(20, song.trackId).BindOrNull(21, song.retryFrom);
            s.BindOrNull(22, song.folders.endFolder).BindOrNull(23, song.folders.outputFolder);
        });
    if (!written) return false;
    Saw(song.id);
    songCount_ = -1;  // added or replaced: counted again when asked
    stationSongCounts_.clear();
    return true;
}

std::vector<SongRecord> Journal::UnfinishedSongs() {
    std::vector<SongRecord> songs;
    Run([&](Database& database) {
        Statement query = database.Prepare("SELECT " SONG_COLUMNS " FROM songs WHERE state < ? ORDER BY id");
        query.Bind(1, Stored(SongState::Registered));
        songs = ReadSongs(query);
    });
    Saw(songs);
    return songs;
}

std::vector<SongRecord> Journal::SongsDueForRetry(Time now) {
    std::vector<SongRecord> songs;
    Run([&](Database& database) {
        Statement query = database.Prepare("SELECT " SONG_COLUMNS
                                           " FROM songs WHERE state = ? AND next_attempt <= ?"
                                           " ORDER BY next_attempt, id");
        query.Bind(1, Stored(SongState::AwaitingRetry)).Bind(2, now);
        songs = ReadSongs(query);
    });
    Saw(songs);
    return songs;
}

std::vector<SongRecord> Journal::SongPage(int offset, int count, const std::wstring& station) {
    std::vector<SongRecord> songs;
    Run([&](Database& database) {
        Statement query =
            station.empty()
                ? database.Prepare("SELECT " SONG_COLUMNS " FROM songs ORDER BY id DESC LIMIT ?1 OFFSET ?2")
                : database.Prepare("SELECT " SONG_COLUMNS
                                   " FROM songs WHERE station = ?3 ORDER BY id DESC LIMIT ?1 OFFSET ?2");
        query.Bind(1, std::int64_t{count}).Bind(2, std::int64_t{offset});
        if (!station.empty()) query.Bind(3, station);
        songs = ReadSongs(query);
    });
    Saw(songs);
    return songs;
}

int Journal::SongCount(const std::wstring& station) {
    if (station.empty() && songCount_ >= 0) return songCount_;
    if (!station.empty()) {
        const auto counted = stationSongCounts_.find(station);
        if (counted != stationSongCounts_.end()) return counted->second;
    }
    int count = -1;
    Run([&](Database& database) {
        Statement query = station.empty() ? database.Prepare("SELECT count(*) FROM songs")
                                          : database.Prepare("SELECT count(*) FROM songs WHERE station = ?1");
        if (!station.empty()) query.Bind(1, station);
        if (query.Step()) count = static_cast<int>(query.Int(0));
    });
    if (count < 0) return 0;  // a damaged file was set aside, or SQLite failed
    if (!station.empty()) return stationSongCounts_[station] = count;
    return songCount_ = count;
}

std::optional<SongRecord> Journal::FindSong(SongId id) {
    std::optional<SongRecord> song;
    Run([&](Database& database) {
        Statement query = database.Prepare("SELECT " SONG_COLUMNS " FROM songs WHERE id = ?");
        query.Bind(1, id);
        if (query.Step()) song = ReadSong(query);
    });
    if (song) Saw(song->id);
    return song;
}

std::vector<SongAction> Journal::Actions(SongId id) {
    std::vector<SongAction> actions;
    Run([&](Database& database) {
        Statement query =
            database.Prepare("SELECT at, kind, track, destination, file_path, note FROM song_actions"
                             " WHERE song_id = ? ORDER BY id");
        query.Bind(1, id);
        while (query.Step()) {
            actions.push_back({query.Int(0), static_cast<SongActionKind>(query.Int(1)), query.Text(2),
                               query.Text(3), query.Text(4), query.Text(5)});
        }
    });
    return actions;
}

}  // namespace journal
