#pragma once

#include "StoredSettings.h"

#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <string>

class IClock;
class ITextFiles;
class TUsageStore;
struct TUsageDelta;
class TMyReg;
struct MonitorState;

// The one place that stores the connection statistics and appends the history line. Every path that
// keeps them (the end of a connection, a reset of the totals, and the exit path for Exit, the session's
// end and a stop signal) comes here, and each store is one update of the settings file: a crash keeps
// the old or the new statistics, never a mix.
class TStatisticsKeeper {
public:
    TStatisticsKeeper(TMyReg& reg, MonitorState& state, ITextFiles& files, IClock& clock, std::string programPath);

    // A connection has ended, its figures are in the state and its end is stamped: stores the statistics
    // and, with saveLog, appends its history line with the address it came up with. A history failure
    // raises EInOutError once the statistics are stored.
    void StoreFinishedConnection(bool saveLog, const QString& clientIp);

    // The same for a connection that ends now without a transition (at exit): its end is stamped first.
    void StoreConnectionEndingNow(bool saveLog, const QString& clientIp);

    // While a connection runs: its figures are kept in the store at most once a minute, and only when they
    // changed since, so that a crash, a kill or a power cut loses at most the last minute of it.
    void CheckpointRunningConnection(const QString& clientIp);

    // At start-up, after the statistics are loaded: a connection a crash left behind is finished as the
    // one that ended at its last checkpoint (last connection, totals, history line with saveLog), then
    // the checkpoint is cleared. Answers the status-log line that says so, or "" when there was none.
    QString FinishInterruptedConnection(bool saveLog);

    // The totals go back to 0, in memory and in the store at once, so that a reset survives a restart
    // whether a connection runs or not.
    void ResetTotals();

    // Everything kept at exit as one update: positions, the running connection ending now (only while
    // online), the options and the numbers. A history failure does not keep the rest from being stored:
    // it is returned once everything is written, for the caller to report.
    std::exception_ptr StoreAtExit(const StoredSettings::TClosingValues& values, const QString& clientIp);

    // The usage figures per adapter and day, kept from now on: each sample's share is gathered and written
    // once a minute, at the end of every connection and at exit. Not owned; nullptr for none.
    void AttachUsage(TUsageStore* store) { Usage = store; }
    void RecordUsage(const TUsageDelta& delta);

    // Told the reason when a store fails (the settings file and why, "No space left on device" say).
    using TStoreProblem = std::function<void(const std::string& problem)>;
    void SetStoreProblemHandler(TStoreProblem handler) { OnStoreProblem = std::move(handler); }
    // The last store failed: its values are only in memory.
    bool LastStoreFailed() const { return !ReportedProblem.empty(); }

private:
    class TOneUpdate;
    void StoreEnded();
    void AppendHistory(const QString& clientIp);
    void StoreStats();
    void FlushUsage();

    static constexpr int64_t CheckpointIntervalMs = 60'000;

    TMyReg& Reg;
    MonitorState& State;
    ITextFiles& Files;
    IClock& Clock;
    std::string ProgramPath;
    std::optional<int64_t> LastCheckpointTick;
    int UpdateDepth = 0;
    TStoreProblem OnStoreProblem;
    std::string ReportedProblem;
    StoredSettings::TCheckpoint LastCheckpoint;
    TUsageStore* Usage = nullptr;
    int64_t UsageMilliseconds = 0; // online time not yet a whole second of the usage figures
};
