// What the journal keeps per station and per searched song: page delays,
// extraction health, and the artwork search cache.
#include "journal/Journal.h"
#include "journal/Sqlite.h"

namespace journal {

namespace {

// The station dialog shows ten; a few more cost nothing and bound the table.
constexpr std::int64_t kHealthKept = 100;
constexpr Time kArtworkSearchLifetime = 24 * 60 * 60;

}  // namespace

std::vector<int> Journal::RecentPageDelays(const std::wstring& station, int count) {
    std::vector<int> delays;
    Run([&](Database& database) {
        Statement query = database.Prepare(
            "SELECT page_delay FROM songs WHERE station = ? AND page_delay IS NOT NULL ORDER BY id DESC LIMIT ?");
        query.Bind(1, station).Bind(2, std::int64_t{count});
        while (query.Step()) delays.push_back(static_cast<int>(query.Int(0)));
    });
    return delays;
}

std::vector<std::wstring> Journal::SongStations() {
    std::vector<std::wstring> stations;
    Run([&](Database& database) {
        // A seek in the index on station per name, rather than a pass over
        // every song that DISTINCT would make.
        Statement first = database.Prepare("SELECT min(station) FROM songs");
        if (!first.Step() || first.IsNull(0)) return;
        stations.push_back(first.Text(0));
        while (static_cast<int>(stations.size()) < kMaxSongStations) {
            Statement step = database.Prepare("SELECT min(station) FROM songs WHERE station > ?");
            step.Bind(1, stations.back());
            if (!step.Step() || step.IsNull(0)) break;
            stations.push_back(step.Text(0));
        }
    });
    return stations;
}

bool Journal::AddHealth(const std::wstring& station, ExtractionHealth health, Time at) {
    return Write([&](Database& database) {
        Transaction step(database);
        database.Prepare("INSERT INTO station_health(station, at, health) VALUES(?, ?, ?)")
            .Bind(1, station)
            .Bind(2, at)
            .Bind(3, static_cast<std::int64_t>(health))
            .Run();
        database
            .Prepare(
                "DELETE FROM station_health WHERE station = ?1 AND id <= "
                "(SELECT id FROM station_health WHERE station = ?1 ORDER BY id DESC LIMIT 1 OFFSET ?2)")
            .Bind(1, station)
            .Bind(2, kHealthKept)
            .Run();
        step.Commit();
    });
}

std::vector<ExtractionHealth> Journal::RecentHealth(const std::wstring& station, int count) {
    std::vector<ExtractionHealth> states;
    Run([&](Database& database) {
        Statement query =
            database.Prepare("SELECT health FROM station_health WHERE station = ? ORDER BY id DESC LIMIT ?");
        query.Bind(1, station).Bind(2, std::int64_t{count});
        while (query.Step()) states.push_back(static_cast<ExtractionHealth>(query.Int(0)));
    });
    return states;
}

std::optional<ArtworkSearchEntry> Journal::FindArtworkSearch(const std::wstring& artist, const std::wstring& title,
                                                             Time now) {
    std::optional<ArtworkSearchEntry> entry;
    Run([&](Database& database) {
        Statement query = database.Prepare("SELECT url, at FROM artwork_search WHERE artist = ? AND title = ? AND at > ?");
        query.Bind(1, artist).Bind(2, title).Bind(3, now - kArtworkSearchLifetime);
        if (query.Step()) entry = ArtworkSearchEntry{query.Text(0), query.Int(1)};
    });
    return entry;
}

bool Journal::SaveArtworkSearch(const std::wstring& artist, const std::wstring& title, const std::wstring& url,
                                Time at) {
    return Write([&](Database& database) {
        Transaction step(database);
        database.Prepare("INSERT OR REPLACE INTO artwork_search(artist, title, url, at) VALUES(?, ?, ?, ?)")
            .Bind(1, artist)
            .Bind(2, title)
            .BindOrNull(3, url)
            .Bind(4, at)
            .Run();
        database.Prepare("DELETE FROM artwork_search WHERE at <= ?").Bind(1, at - kArtworkSearchLifetime).Run();
        step.Commit();
    });
}

}  // namespace journal
