// Opening the journal, setting a damaged file aside, and running each step.
#include <windows.h>

#include <new>
#include <string>

#include "base/DiagnosticLog.h"
#include "journal/Journal.h"
#include "journal/Sqlite.h"

namespace journal {

namespace {

// The stored numbers of the enums in JournalTypes.h are part of this schema.
// A change to it is a new kVersion, and Migrate brings older files up to it.
constexpr int kVersion = 3;
const char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS songs(
  id INTEGER PRIMARY KEY,
  station TEXT NOT NULL,
  source_name TEXT NOT NULL,
  noticed INTEGER NOT NULL,
  handed_over INTEGER, moved INTEGER, stripped INTEGER, registered INTEGER,
  title TEXT, artist TEXT, album TEXT, artwork_url TEXT, artwork_file TEXT,
  output_path TEXT,
  state INTEGER NOT NULL,
  attempts INTEGER NOT NULL DEFAULT 0,
  next_attempt INTEGER,
  last_error TEXT,
  page_delay INTEGER,
  track_id TEXT,
  retry_from INTEGER,
  end_folder TEXT,
  output_folder TEXT);
CREATE INDEX IF NOT EXISTS songs_by_state ON songs(state, next_attempt);
CREATE INDEX IF NOT EXISTS songs_by_station ON songs(station);
CREATE TABLE IF NOT EXISTS song_actions(
  id INTEGER PRIMARY KEY,
  song_id INTEGER NOT NULL,
  at INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  track TEXT NOT NULL,
  destination TEXT,
  file_path TEXT,
  note TEXT);
CREATE INDEX IF NOT EXISTS song_actions_by_song ON song_actions(song_id);
CREATE TABLE IF NOT EXISTS station_health(
  id INTEGER PRIMARY KEY,
  station TEXT NOT NULL,
  at INTEGER NOT NULL,
  health INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS station_health_by_station ON station_health(station);
CREATE TABLE IF NOT EXISTS artwork_search(
  artist TEXT NOT NULL,
  title TEXT NOT NULL,
  url TEXT,
  at INTEGER NOT NULL,
  PRIMARY KEY(artist, title)) WITHOUT ROWID;
)sql";

int UserVersion(Database& database) {
    Statement query = database.Prepare("PRAGMA user_version");
    return query.Step() ? static_cast<int>(query.Int(0)) : 0;
}

bool HasColumn(Database& database, const std::wstring& table, const std::wstring& column) {
    Statement query = database.Prepare("SELECT 1 FROM pragma_table_info(?) WHERE name = ?");
    query.Bind(1, table).Bind(2, column);
    return query.Step();
}

void AddColumn(Database& database, const wchar_t* table, const wchar_t* column, const char* alter) {
    if (!HasColumn(database, table, column)) database.Execute(alter);
}

// A new file gets the whole schema; an older file (version 0, the first
// release's, 1 or 2) its new columns. One transaction: a file is never left half migrated.
// A newer file is left as it is: every statement of the journal names the
// columns it reads and writes.
void Migrate(Database& database) {
    if (UserVersion(database) >= kVersion) return;
    Transaction step(database);
    database.Execute(kSchema);
    AddColumn(database, L"songs", L"track_id", "ALTER TABLE songs ADD COLUMN track_id TEXT");
    AddColumn(database, L"song_actions", L"file_path", "ALTER TABLE song_actions ADD COLUMN file_path TEXT");
    AddColumn(database, L"songs", L"retry_from", "ALTER TABLE songs ADD COLUMN retry_from INTEGER");
    AddColumn(database, L"songs", L"end_folder", "ALTER TABLE songs ADD COLUMN end_folder TEXT");
    AddColumn(database, L"songs", L"output_folder", "ALTER TABLE songs ADD COLUMN output_folder TEXT");
    AddColumn(database, L"song_actions", L"note", "ALTER TABLE song_actions ADD COLUMN note TEXT");
    database.Execute(("PRAGMA user_version=" + std::to_string(kVersion)).c_str());
    step.Commit();
}

bool OnFixedDrive(const std::wstring& path) {
    wchar_t volume[MAX_PATH] = {};
    if (!::GetVolumePathNameW(path.c_str(), volume, MAX_PATH)) return false;
    return ::GetDriveTypeW(volume) == DRIVE_FIXED;
}

// Opens the file and sets it up. Damage further in than the schema is found
// by the step that reads it (Run sets the file aside then): a full check here
// would read the whole file at every start.
std::unique_ptr<Database> OpenDatabase(const std::wstring& path) {
    auto database = std::make_unique<Database>(path);
    // One program owns the journal. Holding the file's lock for good spares a
    // lock call per step and keeps the write-ahead log's index in memory
    // (no -shm file); a second instance waits briefly, then works in memory.
    database->Execute("PRAGMA busy_timeout=2000; PRAGMA locking_mode=EXCLUSIVE;");
    database->Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    // Reads through a mapping of the file: under Wine every ReadFile is dear,
    // and paging deep into 100,000 songs read page by page took 200 ms. Only
    // on a fixed local drive: on a USB stick or a network folder that goes
    // away, a failed mapped read cannot be handled and ends the process.
    if (OnFixedDrive(path)) database->Execute("PRAGMA mmap_size=268435456");
    Migrate(*database);
    return database;
}

void MoveAside(const std::wstring& from, const std::wstring& to) {
    if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) ::DeleteFileW(from.c_str());
}

}  // namespace

Time Now() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<Time>((ticks - 116444736000000000ull) / 10000000ull);  // 100 ns since 1601
}

Journal::Journal(std::wstring path) : path_(std::move(path)) { Open(); }

Journal::~Journal() = default;

void Journal::Open() {
    inMemory_ = false;
    songCount_ = -1;
    stationSongCounts_.clear();
    bool damaged = false;
    if (OpenFile(damaged)) return;
    if (damaged) {
        SetAside();
        if (OpenFile(damaged)) return;
    }
    OpenInMemory();
}

bool Journal::OpenFile(bool& damaged) {
    damaged = false;
    try {
        database_ = OpenDatabase(path_);
        return true;
    } catch (const SqliteError& error) {
        lastError_ = error.what();
        damaged = error.damaged();
        LogFailure("履歴を開けない", path_, error.code());
    } catch (const std::bad_alloc&) {
        lastError_ = "out of memory";
        LogFailure("履歴を開けない: メモリ不足", path_, 0);
    }
    database_.reset();
    return false;
}

// The file is kept for a look later; its write-ahead log goes with it, so
// that SQLite cannot replay it into the new file.
void Journal::SetAside() {
    database_.reset();
    const std::wstring bad = path_ + L".bad";
    ::DeleteFileW((bad + L"-shm").c_str());
    LogFailure("壊れた履歴を別名で保存", bad, 0);
    MoveAside(path_, bad);
    MoveAside(path_ + L"-wal", bad + L"-wal");
    ::DeleteFileW((path_ + L"-shm").c_str());
    ++setAside_;
}

void Journal::OpenInMemory() {
    database_.reset();
    inMemory_ = true;
    try {
        database_ = std::make_unique<Database>(L":memory:");
        Migrate(*database_);
    } catch (const std::exception& error) {
        lastError_ = error.what();
        LogFailure("メモリ上の履歴も作れない", std::string_view(lastError_));
        database_.reset();
    }
}

bool Journal::Write(const std::function<void(Database&)>& work) {
    if (Run(work)) return true;
    ++failedWrites_;
    return false;
}

bool Journal::Run(const std::function<void(Database&)>& work) {
    if (!database_) return false;
    try {
        work(*database_);
        return true;
    } catch (const SqliteError& error) {
        lastError_ = error.what();
        LogFailure("履歴の書き込み・読み出し失敗", std::string_view(lastError_), error.code());
        if (error.damaged() && !inMemory_) {
            SetAside();
            Open();
        }
    } catch (const std::bad_alloc&) {
        lastError_ = "out of memory";
        LogFailure("履歴の書き込み・読み出し: メモリ不足", std::string_view());
    }
    return false;
}

}  // namespace journal
