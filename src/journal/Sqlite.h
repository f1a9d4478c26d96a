#pragma once
// A thin owner layer over SQLite: the connection, prepared statements and a
// transaction scope. Every failure throws SqliteError with SQLite's code; the
// journal above catches it, so nothing here reaches the rest of the program.
#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "base/ScopedHandle.h"

namespace journal {

// _v2 waits for statements still alive instead of failing with SQLITE_BUSY.
using SqliteConnectionTraits = kit::NullHandleTraits<sqlite3*, &::sqlite3_close_v2>;
using SqliteStatementTraits = kit::NullHandleTraits<sqlite3_stmt*, &::sqlite3_finalize>;

class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }
    // The file is not a database, or its pages do not hold together.
    bool damaged() const {
        const int primary = code_ & 0xff;
        return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
    }

private:
    int code_;
};

class Statement {
public:
    // A statement of its own, finalized when this ends.
    Statement(sqlite3* connection, const char* sql);
    // One of the connection's kept statements, reset for its next use when
    // this ends; *inUse is set meanwhile.
    Statement(sqlite3* connection, sqlite3_stmt* kept, bool* inUse);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, columns from 0, as in SQLite.
    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, const std::wstring& text);
    // Zero and empty text are stored as NULL: "not yet" and "none".
    Statement& BindOrNull(int index, std::int64_t value);
    Statement& BindOrNull(int index, const std::wstring& text);

    // True while a row is ready.
    bool Step();
    // Steps a write through to its end.
    void Run();

    std::int64_t Int(int column) const;  // NULL reads as 0
    std::wstring Text(int column) const;  // NULL reads as empty
    bool IsNull(int column) const;

private:
    void Check(int result) const;

    sqlite3* connection_;  // borrowed from the Database
    kit::ScopedHandle<SqliteStatementTraits> owned_;
    sqlite3_stmt* statement_;  // owned_ or a kept one
    bool* inUse_ = nullptr;
};

class Database {
public:
    // Opens or creates the file; ":memory:" gives a database in memory.
    explicit Database(const std::wstring& path);

    // Runs one or more statements that return no rows.
    void Execute(const char* sql);
    // Each text is compiled once and kept for the connection's life: the
    // songs' steps run the same few statements again and again. The same
    // text asked for again while in use gets a statement of its own.
    Statement Prepare(const char* sql);
    std::int64_t LastInsertId() const { return ::sqlite3_last_insert_rowid(connection_.Get()); }
    int Changes() const { return ::sqlite3_changes(connection_.Get()); }

private:
    struct KeptStatement {
        kit::ScopedHandle<SqliteStatementTraits> handle;
        bool inUse = false;
    };

    kit::ScopedHandle<SqliteConnectionTraits> connection_;
    // After the connection, so that these are finalized before it closes.
    // A map's values keep their address as it grows.
    std::unordered_map<std::string, KeptStatement> kept_;
};

// BEGIN IMMEDIATE on construction; rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Database& database);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit();

private:
    Database& database_;
    bool open_ = true;
};

}  // namespace journal
