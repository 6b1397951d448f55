#pragma once

#include "MonitorVisibility.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TTransition { None, Online, Offline };

// What the synchronisation timer does at a transition; only asked for while "Synchronize Time" is checked.
enum class TSyncStep { None, Start, Stop };

// The current connection group: a field that is set is written, one that is not keeps what it shows.
struct TCurrentTexts {
    std::optional<QString> Conn;
    std::optional<QString> Speed;
    std::optional<QString> Sent;
    std::optional<QString> Recv;
    std::optional<QString> Duration;
    std::optional<QString> Dns1;
    std::optional<QString> Dns2;
    std::optional<QString> Gateway;
    std::optional<QString> ClientIp;
    std::optional<QString> UpSpeed;
    std::optional<QString> DownSpeed;
    std::optional<QString> ConnHint;     // the network information, "N/A" while offline
    std::optional<QString> DurationHint; // "Online: " and the time the connection came up
    // The whole address behind a label that shows it shortened; empty when the label shows it whole.
    std::optional<QString> Dns1Hint;
    std::optional<QString> Dns2Hint;
    std::optional<QString> GatewayHint;
    std::optional<QString> ClientIpHint;
};

struct TLastTexts {
    QString Conn;
    QString Speed;
    QString Sent;
    QString Recv;
    QString Duration;
    QString DurationHint; // both time stamps on two lines
};

struct TTotalTexts {
    QString Sent;
    QString Recv;
    QString Duration;
};

// Both graphs, the main window's and the monitor's, get the same bounds and samples.
struct TGraphBounds {
    int64_t Max = 0;
    int64_t Min = 0;
};
struct TGraphSample {
    int64_t DownRate = 0; // series A, bytes per second
    int64_t UpRate = 0;   // series B
    QString Duration;     // the monitor's third figure
};

// Everything one tick of the poll decided, for the displays to write and the program to carry out.
// What one sample adds to the usage figures: the bytes and the time since the previous sample of the
// same connection, never negative (a counter reset is re-anchored first).
struct TUsageDelta {
    std::string Adapter; // the interface's name, or "all-physical" for the sum
    int64_t Received = 0;
    int64_t Sent = 0;
    int64_t Milliseconds = 0;
};

struct TTickOutcome {
    TTransition Transition = TTransition::None;

    TCurrentTexts Current;
    std::optional<TLastTexts> Last;
    std::optional<TTotalTexts> Totals;
    std::optional<TGraphBounds> RestartGraphs; // cleared and re-bounded before any sample of the connection
    std::optional<TGraphSample> GraphSample;

    std::optional<int32_t> IconIndex; // only a change of image, never the image already shown
    std::optional<QString> TrayHint;

    // The connection ended: its figures are stored and, with "Save Log", appended to the history with the
    // address it came up with.
    bool StoreStatistics = false;
    // A sample of the running connection: its figures may be kept against a crash.
    bool Checkpoint = false;
    QString HistoryClientIp;

    TSyncStep Sync = TSyncStep::None;
    TMonitorVisibility Monitor = TMonitorVisibility::Keep;
    bool KeepMonitorOnTop = false;
    std::vector<QString> LogLines;
    std::optional<std::string> StatusLine; // the console's line of a sample
    std::optional<TUsageDelta> Usage;      // a sample's share of the usage figures
};

// Who carries out an outcome. Each step is one part of the program: the statistics keeper, the displays,
// the synchronisation schedule, the monitor window and the status log.
class ITickTargets {
public:
    virtual ~ITickTargets() = default;
    // Raises EInOutError when the history file fails; the statistics are stored by then.
    virtual void StoreStatistics(const TTickOutcome& outcome) = 0;
    virtual void CheckpointConnection(const QString& clientIp) = 0;
    virtual void ShowDisplays(const TTickOutcome& outcome) = 0;
    virtual void StepSyncTimer(TSyncStep step) = 0;
    virtual void ApplyMonitor(TMonitorVisibility visibility, bool keepOnTop) = 0;
    virtual void AddLogLine(const QString& line) = 0;
    virtual void WriteStatusLine(const std::string& line) = 0;
    // A sample's share of the usage figures; nothing where no usage is kept.
    virtual void RecordUsage(const TUsageDelta& /*delta*/) {}
};

namespace TickOutcome {

// Carries out an outcome in the one order every transition keeps: the statistics are stored first, then
// the displays are written, the synchronisation timer follows the connection, the monitor rule applies
// and the log line comes last. A history file that cannot be written does not leave the transition half
// done: its EInOutError is raised once every other step has run.
void Carry(const TTickOutcome& outcome, ITickTargets& targets);

} // namespace TickOutcome
