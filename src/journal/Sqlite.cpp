#include "journal/Sqlite.h"

namespace journal {

namespace {

[[noreturn]] void Throw(sqlite3* connection, int code) {
    const char* message = connection ? ::sqlite3_errmsg(connection) : ::sqlite3_errstr(code);
    throw SqliteError(code, message ? message : "sqlite error");
}

int Bytes(const std::wstring& text) { return static_cast<int>(text.size() * sizeof(wchar_t)); }

}  // namespace

Statement::Statement(sqlite3* connection, const char* sql) : connection_(connection) {
    sqlite3_stmt* statement = nullptr;
    const int result = ::sqlite3_prepare_v2(connection, sql, -1, &statement, nullptr);
    owned_.Reset(statement);
    statement_ = statement;
    if (result != SQLITE_OK) Throw(connection, result);
}

Statement::Statement(sqlite3* connection, sqlite3_stmt* kept, bool* inUse)
    : connection_(connection), statement_(kept), inUse_(inUse) {
    *inUse_ = true;
}

Statement::~Statement() {
    if (!inUse_) return;
    // Ends a read left midway, releasing its lock; a step's error is
    // reported again here and has been thrown already.
    ::sqlite3_reset(statement_);
    ::sqlite3_clear_bindings(statement_);
    *inUse_ = false;
}

void Statement::Check(int result) const {
    if (result != SQLITE_OK) Throw(connection_, result);
}

Statement& Statement::Bind(int index, std::int64_t value) {
    Check(::sqlite3_bind_int64(statement_, index, value));
    return *this;
}

// wchar_t is UTF-16 on Windows, which is what the *16 functions take.
Statement& Statement::Bind(int index, const std::wstring& text) {
    Check(::sqlite3_bind_text16(statement_, index, text.data(), Bytes(text), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::BindOrNull(int index, std::int64_t value) {
    if (value != 0) return Bind(index, value);
    Check(::sqlite3_bind_null(statement_, index));
    return *this;
}

Statement& Statement::BindOrNull(int index, const std::wstring& text) {
    if (!text.empty()) return Bind(index, text);
    Check(::sqlite3_bind_null(statement_, index));
    return *this;
}

bool Statement::Step() {
    const int result = ::sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    Throw(connection_, result);
}

void Statement::Run() {
    while (Step()) {
    }
}

std::int64_t Statement::Int(int column) const { return ::sqlite3_column_int64(statement_, column); }

std::wstring Statement::Text(int column) const {
    const auto* text = static_cast<const wchar_t*>(::sqlite3_column_text16(statement_, column));
    if (!text) return std::wstring();
    const int bytes = ::sqlite3_column_bytes16(statement_, column);
    return std::wstring(text, static_cast<size_t>(bytes) / sizeof(wchar_t));
}

bool Statement::IsNull(int column) const {
    return ::sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

Database::Database(const std::wstring& path) {
    sqlite3* connection = nullptr;
    const int result = ::sqlite3_open16(path.c_str(), &connection);
    // A failed open still hands back a connection that must be closed.
    connection_.Reset(connection);
    if (result != SQLITE_OK) Throw(connection, result);
    ::sqlite3_extended_result_codes(connection, 1);
}

Statement Database::Prepare(const char* sql) {
    auto kept = kept_.find(sql);
    if (kept == kept_.end()) {
        sqlite3_stmt* statement = nullptr;
        const int result = ::sqlite3_prepare_v3(connection_.Get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        kit::ScopedHandle<SqliteStatementTraits> handle(statement);
        if (result != SQLITE_OK) Throw(connection_.Get(), result);
        kept = kept_.emplace(sql, KeptStatement{std::move(handle)}).first;
    }
    if (kept->second.inUse) return Statement(connection_.Get(), sql);
    return Statement(connection_.Get(), kept->second.handle.Get(), &kept->second.inUse);
}

void Database::Execute(const char* sql) {
    char* message = nullptr;
    const int result = ::sqlite3_exec(connection_.Get(), sql, nullptr, nullptr, &message);
    if (result == SQLITE_OK) return;
    const std::string text = message ? message : ::sqlite3_errstr(result);
    ::sqlite3_free(message);
    throw SqliteError(result, text);
}

Transaction::Transaction(Database& database) : database_(database) { database_.Prepare("BEGIN IMMEDIATE").Run(); }

Transaction::~Transaction() {
    if (!open_) return;
    try {
        database_.Prepare("ROLLBACK").Run();
    } catch (const SqliteError&) {
        // SQLite may already have rolled back after an I/O error.
    }
}

void Transaction::Commit() {
    database_.Prepare("COMMIT").Run();
    open_ = false;
}

}  // namespace journal
