#pragma once

#include "DatagramPort.h"
#include "NetClock.h"
#include "TimeCalendar.h"

#include <functional>
#include <string>

// One time client: asks a time server for the time with RFC 868 over UDP, keeps it as universal and
// local text and, in mode 2, sets the system clock. Properties and methods are addressed by id.
class TTimeClientEngine final : public TDatagramPort {
public:
    // Sets the system clock; answers 0 or the system's error number.
    using TClockSetter = std::function<int(const TCalendarTime& universal)>;
    // Reads the system clock: nanoseconds since 1970-01-01 00:00:00 UTC.
    using TClockReader = std::function<int64_t()>;

    static constexpr const char* DefaultTimeServer = "129.6.15.28"; // time-a-g.nist.gov, which serves RFC 868

    TTimeClientEngine(NetClockEventCallback callback, void* userData);

    void SetClockSetter(TClockSetter setter) { SetClock = std::move(setter); }
    void SetClockReader(TClockReader reader) { ReadClock = std::move(reader); }

    // The exported operations; the results are processed as the callers expect (error texts filled in).
    intptr_t Get(int32_t propertyId);
    int32_t Set(int32_t propertyId, intptr_t value);
    int32_t Do(int32_t methodId, int32_t paramCount, intptr_t* params);
    const char* LastError() const { return LastErrorText.c_str(); }

protected:
    int32_t DatagramReceived(const uint8_t* data, std::size_t length, const std::string& sourceAddress,
                             uint16_t sourcePort) override;
    int32_t ErrorOccurred(int32_t code, const std::string& description) override;

private:
    int32_t ProcessResult(int32_t code);
    int32_t Exchange(uint8_t mode);
    int32_t ExchangeSteps();
    bool ClockWithinAnswer(const TCalendarTime& universal) const;

    NetClockEventCallback Callback;
    void* UserData;
    TClockSetter SetClock;
    TClockReader ReadClock;
    int64_t SentAtNs = 0;     // the system clock when the request went out
    int64_t ReceivedAtNs = 0; // the system clock when the answer arrived
    uint8_t Mode = 0;
    std::string ServerTime;
    std::string LocalTime;
    uint32_t ServerSeconds = 0;
    bool Answered = false;
    std::string Text; // text handed out by Get and Config, valid until the next call
};
