#pragma once

#include "platform/Exceptions.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

// A thin owner of the SQLite 3 C interface: the connection, its prepared statements and a write transaction.
// Every failure raises ESqlite with SQLite's own text, so a caller handles a whole exchange in one place.

class ESqlite : public Exception {
public:
    ESqlite(int code, const std::string& message) : Exception(message), Code(code) {}
    // The primary result code (SQLITE_BUSY, SQLITE_NOTADB, ...), the extended part masked off.
    int ResultCode() const { return Code & 0xff; }

private:
    int Code;
};

class TSqliteDatabase {
public:
    // flags as for sqlite3_open_v2; links are never followed.
    TSqliteDatabase(const std::string& path, int flags);
    TSqliteDatabase(const TSqliteDatabase&) = delete;
    TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;
    ~TSqliteDatabase();

    sqlite3* Handle() const { return Db; }
    // Runs statements that give no rows (pragmas that set, schema changes).
    void Execute(const char* sql);
    // The first column of the first row of a statement that gives one, such as a pragma that reads.
    int64_t Int64(const char* sql);
    std::string Text(const char* sql);
    // Raises ESqlite for a result code that is not SQLITE_OK, SQLITE_ROW or SQLITE_DONE.
    void Check(int code) const;

private:
    sqlite3* Db = nullptr;
};

class TSqliteStatement {
public:
    TSqliteStatement(TSqliteDatabase& database, std::string_view sql);
    TSqliteStatement(const TSqliteStatement&) = delete;
    TSqliteStatement& operator=(const TSqliteStatement&) = delete;
    ~TSqliteStatement();

    // Parameters count from 1, as in the SQL text (?1, ?2).
    TSqliteStatement& Bind(int index, int64_t value);
    // Taken as bytes: an adapter name that is not valid UTF-8 is kept as it is.
    TSqliteStatement& Bind(int index, std::string_view text);
    // true while it gives a row; false once it is done.
    bool Step();
    // Ready to run again with new parameters.
    void Reset();
    // Columns count from 0.
    int64_t Int64(int column) const;
    std::string Text(int column) const;

private:
    TSqliteDatabase& Database;
    sqlite3_stmt* Statement = nullptr;
};

// BEGIN IMMEDIATE: the write lock is taken at once, so a busy database fails here and not half-way through.
// Rolled back when it goes uncommitted.
class TSqliteTransaction {
public:
    explicit TSqliteTransaction(TSqliteDatabase& database);
    TSqliteTransaction(const TSqliteTransaction&) = delete;
    TSqliteTransaction& operator=(const TSqliteTransaction&) = delete;
    ~TSqliteTransaction();
    void Commit();

private:
    TSqliteDatabase& Database;
    bool Done = false;
};
