#pragma once

#include "platform/IResolver.h"
#include "timeclient/netclock.h"

#include <cstdint>
#include <functional>
#include <string>

// The time client as the schedule uses it. SetTimeServer raises ENetCore (or a subclass) when the server
// cannot be set, a name that does not resolve for example.
class ITimeClient {
public:
    virtual ~ITimeClient() = default;
    virtual bool Idle() = 0;
    virtual void SynchronizeClock() = 0;
    virtual void SetTimeServer(const std::string& server) = 0;
    virtual void SetProtocol(int32_t protocol) = 0;
};

// The main window's time client component in that role.
class TNetClockTimeClient final : public ITimeClient {
public:
    explicit TNetClockTimeClient(TNetClock& clock) : Clock(clock) {}
    bool Idle() override { return Clock.Idle(); }
    void SynchronizeClock() override { Clock.SynchronizeClock(); }
    void SetTimeServer(const std::string& server) override { Clock.SetTimeServer(server); }
    void SetProtocol(int32_t protocol) override { Clock.SetProtocol(protocol); }

private:
    TNetClock& Clock;
};

// The synchronisation timer: an interval in milliseconds (0 never fires) and whether it runs. Enabling
// a running timer changes nothing.
class ISyncTimer {
public:
    virtual ~ISyncTimer() = default;
    virtual void SetInterval(uint32_t milliseconds) = 0;
    virtual uint32_t Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

// When the clock is synchronised: the server and interval applied at start-up, the timer started and
// stopped with the connection and the option, and the timer's tick.
class TSyncSchedule {
public:
    // Receives the code of a failure that deserves one status log line.
    using TErrorLine = std::function<void(int32_t code)>;

    TSyncSchedule(ITimeClient& client, ISyncTimer& timer, IResolver& resolver, TErrorLine errorLine);

    // The server's name is looked up away from the window, and the client gets the address it answers; a
    // dotted address is set at once. A server that cannot be set (offline at start-up, so its name does
    // not resolve) is reported once and looked up again at each synchronisation until it succeeds; a
    // synchronisation that finds no address yet is skipped. While synchronisation is off the name is only
    // kept: nobody asked to use it, so it is worth no query.
    void ApplyServer(const std::string& server, bool synchronizeTime = true);
    // The stored protocol's name, "RFC868" or "NTP" in any letter case. Another name is refused (false) and
    // the client keeps the Time Protocol; the stored text itself is left for the user to mend.
    bool ApplyProtocol(const std::string& name);
    // Seconds to the timer's milliseconds: 0 to 4294967 seconds. Raises ERangeError outside that, or
    // EIntOverflow when the product itself overflows; the timer is then left as it was.
    void ApplyInterval(int64_t seconds);
    // At the connection's transitions, with the option's state: the first synchronisation of a
    // connection comes one full interval after it came up.
    void ConnectionUp(bool optionChecked);
    void ConnectionDown(bool optionChecked);
    // The option changed: while connected it takes effect at once.
    void OptionChanged(bool checked, bool online);
    // One synchronisation unless one is already running (a tick can arrive inside one); every failure is
    // dropped: the next tick tries again.
    void TimerTick();

    bool ServerPending() const { return !PendingServer.empty(); }

private:
    void LookUpPendingServer();
    void ServerLookedUp(const std::string& name, const std::string& address, int32_t errorCode);
    void SetServer(const std::string& address);
    void ReportOnce(int32_t code);

    ITimeClient& Client;
    ISyncTimer& Timer;
    IResolver& Resolver;
    TErrorLine ErrorLine;
    std::string PendingServer;
    bool FailureReported = false;
};
