#include "UsageSchema.h"

#include "Sqlite.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace UsageSchema {

namespace {

// Steps[v] takes a file of version v to version v + 1. The primary key serves one adapter's days; the index
// on the day serves the reports over all adapters.
constexpr std::array<const char*, Version> Steps{
    "CREATE TABLE usage_day ("
    " adapter TEXT NOT NULL,"
    " day TEXT NOT NULL," // the local calendar day, YYYY-MM-DD
    " received INTEGER NOT NULL DEFAULT 0,"
    " sent INTEGER NOT NULL DEFAULT 0,"
    " seconds INTEGER NOT NULL DEFAULT 0,"
    " PRIMARY KEY (adapter, day)"
    ") WITHOUT ROWID;"
    "CREATE INDEX usage_day_by_day ON usage_day (day);",
};

bool SaysFileIsDamaged(int resultCode) { return resultCode == SQLITE_NOTADB || resultCode == SQLITE_CORRUPT; }

} // namespace

TFileCheck CheckFile(const std::string& path)
{
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) return {};
        return {TFileState::Refused, std::strerror(errno)};
    }
    if (S_ISLNK(status.st_mode)) return {TFileState::Refused, "a symbolic link"};
    if (!S_ISREG(status.st_mode)) return {TFileState::Refused, "not a regular file"};
    if (status.st_uid != geteuid()) return {TFileState::Refused, "not owned by you"};
    return {TFileState::Regular, {}};
}

std::string Damage(TSqliteDatabase& database)
{
    try {
        const int64_t version = database.Int64("PRAGMA user_version");
        if (version > Version) return "made by a newer version of the program (layout " + std::to_string(version) + ")";
        if (version < 0) return "an unknown layout (" + std::to_string(version) + ")";
        // The first fault is enough to know; the whole list could run long on a badly damaged file.
        const std::string check = database.Text("PRAGMA integrity_check(1)");
        if (check != "ok") return "its integrity check failed: " + check;
        if (version >= 1) {
            try {
                TSqliteStatement probe(database, "SELECT adapter, day, received, sent, seconds FROM usage_day");
            } catch (const ESqlite& error) {
                if (error.ResultCode() != SQLITE_ERROR) throw;
                return "its table is not as this version writes it";
            }
        }
        return {};
    } catch (const ESqlite& error) {
        if (SaysFileIsDamaged(error.ResultCode())) return error.what();
        throw;
    }
}

void Migrate(TSqliteDatabase& database)
{
    if (database.Int64("PRAGMA user_version") == Version) return;
    TSqliteTransaction transaction(database);
    // Read again under the write lock: another opener may have migrated it meanwhile.
    for (int64_t version = database.Int64("PRAGMA user_version"); version < Version; ++version)
        database.Execute(Steps[static_cast<std::size_t>(version)]);
    database.Execute(("PRAGMA user_version = " + std::to_string(Version)).c_str());
    transaction.Commit();
}

} // namespace UsageSchema
