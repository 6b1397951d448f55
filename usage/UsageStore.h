#pragma once

#include "LocalDay.h"
#include "UsageFigures.h"

#include "platform/linux/XdgPaths.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class TSqliteDatabase;
class TSqliteStatement;

// The per-day usage file the program writes: figures gathered in memory and written together, one
// transaction per flush, each adding to the rows of its adapters and days. A flush that fails keeps the
// figures for the next one, so nothing is lost or written twice while the file cannot take them.
//
// The file is in write-ahead-log mode with synchronous=FULL: a commit reaches the disk before Flush answers,
// so a killed program or a power cut loses only what had not been flushed and never leaves a broken file.
// NORMAL would save one disk flush per commit but may forget the last commits at a power cut; at one flush a
// minute that saving is worth nothing.
class TUsageStore {
public:
    // Receives a line for the user: a damaged file moved aside, or the first failure to store of this run.
    using TProblemReport = std::function<void(const std::string& line)>;

    // How long figures wait in memory when nothing else flushes them.
    static constexpr int64_t FlushIntervalMs = 60'000;

    // $XDG_DATA_HOME/quorvel/usage.sqlite3, by default ~/.local/share/quorvel/usage.sqlite3.
    static std::string DefaultPath(const XdgPaths::TEnvironment& environment);

    // Opens the file at once, making it and its folders (the user's alone) when missing. A damaged file is
    // moved aside as "<path>.damaged-YYYYMMDD-HHMMSS" and a new one started; a file that cannot be opened
    // now (a link, a read-only folder) is tried again at every flush. localDate books ticks on their days.
    TUsageStore(std::string path, TProblemReport onProblem, LocalDay::TLocalDate localDate = LocalDay::Of);
    TUsageStore(const TUsageStore&) = delete;
    TUsageStore& operator=(const TUsageStore&) = delete;
    // Flushes what is still gathered, once.
    ~TUsageStore();

    // Gathers one adapter's figures for a local day ("YYYY-MM-DD"). Deltas are never negative: a negative
    // one is a caller's fault, counted and taken as 0.
    void Add(const std::string& adapter, const std::string& day, int64_t received, int64_t sent, int64_t seconds);
    // Books what a poll tick measured on the local day the tick ends in. A wall clock set back books on the
    // earlier day, which only grows, and a day of 23 or 25 hours is booked like any other; the seconds come
    // from the caller's steady clock, so a jump of the wall clock does not count as time online.
    void AddTick(const std::string& adapter, std::chrono::system_clock::time_point tickEnd, int64_t received,
                 int64_t sent, int64_t seconds);

    // Writes everything gathered in one transaction; true when it is stored (or nothing was waiting).
    // nowMs is the caller's steady tick count (IClock::TickCount) in milliseconds.
    bool Flush(int64_t nowMs);
    // Whether figures are waiting and FlushIntervalMs has passed since the last flush (or none was made yet).
    bool NeedsFlush(int64_t nowMs) const;
    bool Pending() const { return !Gathered.empty(); }
    // How many negative deltas were given and taken as 0.
    int64_t NegativeDeltas() const { return Negative; }

private:
    bool Open();
    void Close();
    void MoveAside(const std::string& reason);
    void Failed(const std::string& reason);

    std::string Path;
    TProblemReport OnProblem;
    LocalDay::TLocalDate LocalDate;
    std::map<std::pair<std::string, std::string>, TUsageFigures> Gathered; // by adapter and day
    std::optional<int64_t> LastFlushMs;
    int64_t Negative = 0;
    bool FailureReported = false;
    // Declared after the connection, so that the statement is finalized before the connection closes.
    std::unique_ptr<TSqliteDatabase> Database;
    std::unique_ptr<TSqliteStatement> Upsert;
};
