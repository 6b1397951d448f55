#pragma once

#include "MonitorState.h"

#include "netinfo/IPFunctions.h"

#include <optional>

class IClock;
class IIpHelper;

enum class TTickAction { None, GoOnline, TakeSample, GoOffline };

struct TTickDecision {
    TTickAction Action = TTickAction::None;
    AdapterSnapshot Snapshot;
    InterfaceSample Sample;
};

struct TRates {
    int64_t UpRate = 0;
    int64_t DownRate = 0;
};

// The decisions and the arithmetic of the once-a-second poll: which way the connection goes, the anchors,
// the rates, byte counts, duration and totals. The main window writes the displays around these steps.
class TStatusCycle {
public:
    TStatusCycle(MonitorState& state, IIpHelper& ipHelper, IClock& clock);

    // Reads the adapter and its interface row and decides what this tick does. Query failures of any kind
    // end the tick quietly (action None).
    TTickDecision Decide();

    // Offline to online: anchors from one tick count and one pair of counter readings.
    void StartConnection(const TTickDecision& decision);
    // One sample; no rates when no time has passed since the previous one, or more than the rates' 32-bit
    // range of milliseconds. Overflows raise.
    std::optional<TRates> TakeSample(const InterfaceSample& sample);
    // Online to offline: the anchors go back to 0; the last connection's figures stay. A connection that
    // ends before its first sample counts no bytes and its real duration.
    void EndConnection();
    void AddLastToTotals();

private:
    // The connection's figures and the anchors at one reading.
    void CountSince(int64_t tick, int64_t sent, int64_t received);

    MonitorState& State;
    IIpHelper& IpHelper;
    IClock& Clock;
    uint32_t OnlineIndex = 0; // the adapter the running connection's anchors belong to
    bool Sampled = false;     // the running connection's figures have been counted at least once
};
