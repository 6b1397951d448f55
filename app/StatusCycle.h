#pragma once

#include "MonitorState.h"
#include "StatusLine.h"
#include "TickOutcome.h"

#include "netinfo/AdapterChoice.h"

#include <QString>

#include <optional>

class IClock;
class IIpHelper;

// The options a tick reads: the check marks of the popup menu as they are at the tick.
struct TTickOptions {
    bool SynchronizeTime = false;
    bool ShowMonitor = true;
    bool HideMonitor = false;
};

struct TRates {
    int64_t UpRate = 0;
    int64_t DownRate = 0;
};

// The once-a-second poll: which way the connection goes, the anchors, the rates, byte counts, duration
// and totals, and every text the displays show for them. It decides; the displays only write.
class TStatusCycle {
public:
    TStatusCycle(MonitorState& state, IIpHelper& ipHelper, IClock& clock);

    // Reads the adapter and its interface row and returns what this tick does. Query failures of any kind
    // end the tick quietly (no transition, nothing to show). Arithmetic failures of a sample raise, with
    // the state as it was before the failing step.
    TTickOutcome Tick(const TTickOptions& options);

    // What the displays show before the first tick: the state as start-up loaded it, offline.
    TTickOutcome FirstContents() const;

    // The running connection's client address, as it came up.
    const QString& ClientIp() const { return ConnectionClientIp; }

    // Which adapter the ticks watch. A choice that watches another adapter than the running connection's
    // ends that connection at the next tick, as its going offline would.
    void SetAdapterChoice(const TAdapterChoice& choice);
    const TAdapterChoice& AdapterChoice() const { return Choice; }

private:
    enum class TAction { None, GoOnline, TakeSample, GoOffline };
    struct TDecision {
        TAction Action = TAction::None;
        TWatchedAdapter Watched;
        QString Absence; // the log line of a named adapter that is not there
    };

    TDecision Decide();
    void NoteAbsence(TDecision& decision, bool present);
    TTickOutcome GoOnline(TDecision& decision, const TTickOptions& options);
    TTickOutcome GoOffline(const TTickOptions& options);
    TTickOutcome Sample(const InterfaceSample& sample, const TTickOptions& options);
    void EndTransition(TTickOutcome& outcome, const TTickOptions& options, const QString& trayHint,
                       const QString& logLine);

    // Offline to online: anchors from one tick count and one pair of counter readings.
    void StartConnection(const TDecision& decision);
    // No rates when no time has passed since the previous sample, or more than the rates' 32-bit range of
    // milliseconds.
    std::optional<TRates> TakeSample(const InterfaceSample& sample);
    // The connection's figures and the anchors at one reading.
    void CountSince(int64_t tick, int64_t sent, int64_t received);
    // Online to offline: the anchors go back to 0; the last connection's figures stay. A connection that
    // ends before its first sample counts no bytes and its real duration.
    void EndConnection();
    void AddLastToTotals();
    // The usage share of the last counted reading, once.
    std::optional<TUsageDelta> TakeUsage();

    MonitorState& State;
    IIpHelper& IpHelper;
    IClock& Clock;
    TStatusLine StatusLine;
    QString ConnectionClientIp;
    TAdapterChoice Choice;
    std::string OnlineKey;    // what the running connection's anchors belong to
    std::string UsageAdapter; // the name the running connection's usage is kept under
    std::optional<TUsageDelta> CountedUsage;
    bool AbsenceLogged = false; // the named adapter's absence is in the log since it was last seen
    bool Sampled = false;       // the running connection's figures have been counted at least once
    int32_t ShownIcon = 0;      // the tray image the last outcome asked for
};
