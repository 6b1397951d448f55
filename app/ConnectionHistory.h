#pragma once

#include <QString>

#include <string>

class ITextFiles;
struct MonitorState;

// The history file: one comma-separated line per finished connection.
namespace ConnectionHistory {

inline constexpr const char* HeaderLine = "Online,Offline,Connection,Speed,Sent,Received,Duration,Client IP";

// The program's path with its extension replaced by ".log" (added when it has none).
std::string HistoryPath(const std::string& programPath);

// Whether the history of the program in the folder goes beside it: only for a portable copy (a build tree, or a
// folder holding the portable marker) whose folder the user may write in. An installed program (in the bin/ of
// a prefix holding its launcher, its metainfo or the install's marker) never keeps it there, even in a
// writable folder or a build tree, and neither does anything else.
bool HistoryBesideProgram(ITextFiles& files, const std::string& programFolder);

// Where the history goes: beside the program when HistoryBesideProgram says so, otherwise the same name in the
// user's data folder under "quorvel", which is created.
std::string HistoryPath(ITextFiles& files, const std::string& programPath);

// The record of the last connection; fields are not quoted, so a comma in a name splits that field.
QString RecordLine(const MonitorState& state, const QString& clientIp);

// Appends the record, writing the header first when the file is new. The file is closed on every path;
// input/output failures raise EInOutError and leave the file as it was.
void Append(ITextFiles& files, const std::string& path, const QString& record);

} // namespace ConnectionHistory
