#pragma once

#include "DatagramPort.h"
#include "NetClock.h"
#include "Sntp.h"
#include "TimeCalendar.h"

#include <functional>
#include <map>
#include <string>

// One time client: asks a time server for the time with RFC 868 or NTP in client mode over UDP, keeps it
// as universal and local text and, in mode 2, sets the system clock. Properties and methods are addressed
// by id.
class TTimeClientEngine final : public TDatagramPort {
public:
    // Sets the system clock to a whole second (RFC 868); answers 0 or the system's error number.
    using TClockSetter = std::function<int(const TCalendarTime& universal)>;
    // Moves the system clock by offsetNs nanoseconds, stepping or slewing (NTP); answers 0 or the
    // system's error number.
    using TClockAdjuster = std::function<int(Sntp::TAdjustment how, int64_t offsetNs)>;
    // Reads the system clock: nanoseconds since 1970-01-01 00:00:00 UTC.
    using TClockReader = std::function<int64_t()>;

    // time-a-g.nist.gov, which serves both RFC 868 and NTP
    static constexpr const char* DefaultTimeServer = "129.6.15.28";

    TTimeClientEngine(NetClockEventCallback callback, void* userData);

    void SetClockSetter(TClockSetter setter) { SetClock = std::move(setter); }
    void SetClockAdjuster(TClockAdjuster adjuster) { AdjustClock = std::move(adjuster); }
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
    int32_t SetProtocol(intptr_t value);
    uint16_t TimePort() const;
    int32_t Exchange(uint8_t mode);
    int32_t ExchangeSteps();
    int32_t TakeRfc868Answer();
    int32_t TakeNtpReply();
    void NtpDatagramReceived(const uint8_t* data, std::size_t length);
    int32_t RefuseKissedServer(const std::string& server, const std::string& kissCode);
    bool ClockWithinAnswer(const TCalendarTime& universal) const;

    NetClockEventCallback Callback;
    void* UserData;
    TClockSetter SetClock;
    TClockAdjuster AdjustClock;
    TClockReader ReadClock;
    int32_t Protocol = NETCLOCK_PROTOCOL_RFC868;
    int32_t RunningProtocol = NETCLOCK_PROTOCOL_RFC868; // the running exchange's, fixed when it starts
    bool PortSet = false;                               // the host chose the port; until then it follows the protocol
    uint64_t RequestStamp = 0; // the NTP request's transmit timestamp, which the reply must echo
    Sntp::TReply Reply;
    std::string KissCode; // the running exchange's kiss-o'-death
    // "address:port" of each server that sent a kiss-o'-death, with its code: never asked again.
    std::map<std::string, std::string> KissedServers;
    int64_t SentAtNs = 0;     // the system clock when the request went out
    int64_t ReceivedAtNs = 0; // the system clock when the answer arrived
    uint8_t Mode = 0;
    std::string ServerTime;
    std::string LocalTime;
    uint32_t ServerSeconds = 0;
    bool Answered = false;
    // What the last exchange that got an answer measured; kept when a later one gets none.
    int64_t OffsetNs = 0;
    int64_t RoundTripNs = 0;
    std::string Text; // text handed out by Get and Config, valid until the next call
};
