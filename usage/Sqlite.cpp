#include "Sqlite.h"

TSqliteDatabase::TSqliteDatabase(const std::string& path, int flags)
{
    const int code = sqlite3_open_v2(path.c_str(), &Db, flags | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (code != SQLITE_OK) {
        // A handle is made even when the open fails; it holds the reason and must be closed all the same.
        const std::string reason = Db ? sqlite3_errmsg(Db) : sqlite3_errstr(code);
        sqlite3_close_v2(Db);
        Db = nullptr;
        throw ESqlite(code, reason);
    }
    sqlite3_extended_result_codes(Db, 1);
}

TSqliteDatabase::~TSqliteDatabase() { sqlite3_close_v2(Db); }

void TSqliteDatabase::Check(int code) const
{
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) return;
    throw ESqlite(code, sqlite3_errmsg(Db));
}

void TSqliteDatabase::Execute(const char* sql) { Check(sqlite3_exec(Db, sql, nullptr, nullptr, nullptr)); }

int64_t TSqliteDatabase::Int64(const char* sql)
{
    TSqliteStatement statement(*this, sql);
    return statement.Step() ? statement.Int64(0) : 0;
}

std::string TSqliteDatabase::Text(const char* sql)
{
    TSqliteStatement statement(*this, sql);
    return statement.Step() ? statement.Text(0) : std::string();
}

TSqliteStatement::TSqliteStatement(TSqliteDatabase& database, std::string_view sql) : Database(database)
{
    Database.Check(
        sqlite3_prepare_v2(Database.Handle(), sql.data(), static_cast<int>(sql.size()), &Statement, nullptr));
}

TSqliteStatement::~TSqliteStatement() { sqlite3_finalize(Statement); }

TSqliteStatement& TSqliteStatement::Bind(int index, int64_t value)
{
    Database.Check(sqlite3_bind_int64(Statement, index, value));
    return *this;
}

TSqliteStatement& TSqliteStatement::Bind(int index, std::string_view text)
{
    Database.Check(sqlite3_bind_text64(Statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

bool TSqliteStatement::Step()
{
    const int code = sqlite3_step(Statement);
    Database.Check(code);
    return code == SQLITE_ROW;
}

void TSqliteStatement::Reset()
{
    sqlite3_reset(Statement);
    sqlite3_clear_bindings(Statement);
}

int64_t TSqliteStatement::Int64(int column) const { return sqlite3_column_int64(Statement, column); }

std::string TSqliteStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(Statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(Statement, column))) : std::string();
}

TSqliteTransaction::TSqliteTransaction(TSqliteDatabase& database) : Database(database)
{
    Database.Execute("BEGIN IMMEDIATE");
}

TSqliteTransaction::~TSqliteTransaction()
{
    // A failed statement may have ended the transaction already (a full disk does): then there is nothing
    // to roll back.
    if (!Done && !sqlite3_get_autocommit(Database.Handle()))
        sqlite3_exec(Database.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TSqliteTransaction::Commit()
{
    Database.Execute("COMMIT");
    Done = true;
}
