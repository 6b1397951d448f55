#pragma once

#include <cstdint>
#include <string>

class TSqliteDatabase;

// The usage file's layout and the checks every opener makes, the program writing it and the command line
// reading it alike. Version 1: one row per adapter and local day with the bytes received, the bytes sent and
// the seconds online.
namespace UsageSchema {

// The newest layout this program knows, kept in PRAGMA user_version (0 is a new, empty file).
inline constexpr int64_t Version = 1;

enum class TFileState { Missing, Regular, Refused };

struct TFileCheck {
    TFileState State = TFileState::Missing;
    std::string Problem; // with Refused: why ("a symbolic link", "not owned by you")
};

// What is at the path before SQLite opens it: only a regular file of the effective user is the program's own.
TFileCheck CheckFile(const std::string& path);

// "" when the open database is one this program can use; otherwise why it is damaged: not a database, an
// integrity check that fails, a version newer than Version, or a version-1 file without its table. Raises
// ESqlite for failures that say nothing about the file itself (busy, out of memory).
std::string Damage(TSqliteDatabase& database);

// Brings an older layout (a new file included) to Version in one transaction: interrupted, the file keeps
// its old version whole.
void Migrate(TSqliteDatabase& database);

} // namespace UsageSchema
