#pragma once

#include "engine/NetClock.h"
#include "netcore.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

class ENetClock : public ENetCore {
public:
    using ENetCore::ENetCore;
};

class TNetClock;
// An error the engine reported while an operation was waiting (a port reported unreachable, say).
using TErrorEvent = std::function<void(TNetClock& sender, int32_t errorCode, const std::string& description)>;

// The time client: a property-and-event face over one instance of the engine. Every property value
// lives in the engine; a non-zero engine result raises ENetClock with the engine's text.
class TNetClock final : public TNetCore {
public:
    // The engine's own default server (time-a-g.nist.gov, which serves the Time Protocol).
    static constexpr const char* DefaultTimeServer = "129.6.15.28";

    // Fails with ENetClock -1 when there is no engine instance (the engine module is not loaded).
    TNetClock();
    ~TNetClock() override;

    bool Idle() const;
    void SetIdle(bool) {}
    std::string LocalHost() const;
    void SetLocalHost(const std::string& value);
    std::string LocalTime() const;
    void SetLocalTime(const std::string&) {}
    std::string ServerTime() const;
    void SetServerTime(const std::string&) {}
    // Seconds.
    int32_t Timeout() const;
    void SetTimeout(int32_t value);
    // The server's UDP port; until it is set, the protocol's own (37 or 123).
    int32_t TimePort() const;
    void SetTimePort(int32_t value);
    std::string TimeServer() const;
    // A host name is resolved at once; the address is kept.
    void SetTimeServer(const std::string& value);
    // NETCLOCK_PROTOCOL_RFC868 or NETCLOCK_PROTOCOL_NTP, used from the next exchange.
    int32_t Protocol() const;
    void SetProtocol(int32_t value);
    // Nanoseconds, of the last exchange that got an answer (0 until one did): what to add to the local clock
    // to agree with the server's, and the round trip.
    int64_t OffsetNs() const;
    int64_t RoundTripNs() const;

    TErrorEvent OnError;

    // One exchange with the server that sets the system clock. It returns when the exchange has ended;
    // meanwhile the registered event pump keeps the program's events running.
    void SynchronizeClock();
    // The same exchange, leaving the system clock alone.
    void QueryTime();

    intptr_t EngineHandle() const { return Handle; }

protected:
    std::exception_ptr CreateException(int32_t code, const std::string& text) const override;

private:
    [[noreturn]] void RaiseError(int32_t code, std::string text) const;
    static int32_t EngineEvent(void* userData, int32_t eventId, int32_t paramCount, intptr_t* params,
                               int32_t* paramLengths);
    std::string TextProperty(int32_t propertyId) const;
    void SetProperty(int32_t propertyId, intptr_t value);
    void RethrowEventFailure();
    void RunExchange(int32_t methodId);

    intptr_t Handle = 0;
    // An exception of an OnError handler waits here until the engine call has returned: it must not
    // unwind through the engine.
    std::exception_ptr EventFailure;
};

// The engine module, opened once before the first component and closed after the last. It is looked for
// beside the program, then in ../lib/quorvel/ from the program's folder. Answers whether it was loaded;
// when not, creating a TNetClock fails. Entry points the module lacks stay absent.
bool LoadEngine(const std::string& programPath);
void UnloadEngine();
// The full path of the loaded module, empty when none is loaded.
std::string EngineModulePath();
// The program's event pump for the engine's waits (null removes it); nothing when the module does not
// offer the registration.
void SetEngineEventPump(NetClockEventPump pump, void* userData);
