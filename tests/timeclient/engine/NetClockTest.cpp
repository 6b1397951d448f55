// The engine through its exported C interface, against a time server of the test's own on 127.0.0.1.
#include "NetClock.h"

#include "NtpServer.h"
#include "TimeServer.h"
#include "doubles/Unprivileged.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

const std::string Example = TTestTimeServer::Bytes({0xEE, 0xC0, 0x13, 0x10}); // 12/06/2026 17:00:00 GMT
const std::string Unresolvable = std::string(70, 'q') + ".invalid";           // a label too long to ask any server

struct TEvent {
    int32_t Code;
    std::string Text;
};

class NetClock : public testing::Test {
protected:
    intptr_t Handle = 0;
    std::vector<TEvent> Events;

    static int32_t OnEvent(void* userData, int32_t eventId, int32_t paramCount, intptr_t* params, int32_t*)
    {
        auto* self = static_cast<NetClock*>(userData);
        if (eventId == NETCLOCK_EVENT_ERROR && paramCount == 2)
            self->Events.push_back({static_cast<int32_t>(params[0]), reinterpret_cast<const char*>(params[1])});
        return 0;
    }

    void SetUp() override
    {
        Handle = NetClock_Create(OnEvent, this, nullptr);
        ASSERT_NE(Handle, 0);
    }
    void TearDown() override
    {
        NetClock_SetEventPump(nullptr, nullptr);
        NetClock_Destroy(Handle);
    }
    int32_t Set(int32_t id, intptr_t value) { return NetClock_Set(Handle, id, 0, value, 0); }
    int32_t SetText(int32_t id, const std::string& text) { return Set(id, reinterpret_cast<intptr_t>(text.c_str())); }
    std::string Text(int32_t id) { return reinterpret_cast<const char*>(NetClock_Get(Handle, id, 0, 0)); }
    int32_t Do(int32_t method) { return NetClock_Do(Handle, method, 0, nullptr, nullptr); }
    std::string LastError() { return NetClock_GetLastError(Handle); }
    void UseServer(int port, int timeoutSeconds)
    {
        ASSERT_EQ(SetText(NETCLOCK_PROP_TIMESERVER, "127.0.0.1"), 0);
        ASSERT_EQ(Set(NETCLOCK_PROP_TIMEPORT, port), 0);
        ASSERT_EQ(Set(NETCLOCK_PROP_TIMEOUT, timeoutSeconds), 0);
    }
    std::string Config(const std::string& setting)
    {
        intptr_t params[2] = {reinterpret_cast<intptr_t>(setting.c_str()), 0};
        const int32_t result = NetClock_Do(Handle, NETCLOCK_METHOD_CONFIG, 2, params, nullptr);
        if (result != 0) return "error " + std::to_string(result);
        return params[1] ? reinterpret_cast<const char*>(params[1]) : "";
    }
};

class TZone {
public:
    explicit TZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) Saved = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TZone()
    {
        Saved.empty() ? unsetenv("TZ") : setenv("TZ", Saved.c_str(), 1);
        tzset();
    }

private:
    std::string Saved;
};

TEST_F(NetClock, CreatedWithTheDefaults)
{
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_IDLE, 0, 0), 1);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_TIMEPORT, 0, 0), 37);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_TIMEOUT, 0, 0), 60);
    EXPECT_EQ(Text(NETCLOCK_PROP_TIMESERVER), "129.6.15.28");
    EXPECT_EQ(Text(NETCLOCK_PROP_SERVERTIME), "");
    EXPECT_EQ(Text(NETCLOCK_PROP_LOCALTIME), "");
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_PROTOCOL, 0, 0), NETCLOCK_PROTOCOL_RFC868);
    EXPECT_EQ(NetClock_Get(Handle, 99, 0, 0), 0);
    EXPECT_EQ(NetClock_CheckIndex(Handle, 1, 5), 0);
}

TEST_F(NetClock, TheExampleAnswerGivesServerAndLocalTime)
{
    TTestTimeServer server({Example});
    TZone oneHourAhead("<+01>-1");
    UseServer(server.Port(), 5);
    ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 0) << LastError();
    EXPECT_EQ(server.LastRequest(), "time?");
    EXPECT_EQ(Text(NETCLOCK_PROP_SERVERTIME), "12/06/2026 17:00:00 GMT");
    EXPECT_EQ(Text(NETCLOCK_PROP_LOCALTIME), "12/06/2026 18:00:00");
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_IDLE, 0, 0), 1);
    EXPECT_TRUE(Events.empty());
}

TEST_F(NetClock, AShortAnswerIsIgnoredAndTheFirstFullAnswerCounts)
{
    TTestTimeServer server(
        {TTestTimeServer::Bytes({0x01, 0x02}), Example, TTestTimeServer::Bytes({0xEE, 0xC0, 0x13, 0x11})});
    UseServer(server.Port(), 5);
    ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 0) << LastError();
    EXPECT_EQ(Text(NETCLOCK_PROP_SERVERTIME), "12/06/2026 17:00:00 GMT");
}

// The local time uses the offset in force now: in a zone with daylight saving, one of a winter and a
// summer answer lies on the other side of a change from today, and still shows today's offset.
TEST_F(NetClock, LocalTimeUsesTheOffsetInForceNow)
{
    TZone central("CET-1CEST,M3.5.0,M10.5.0/3");
    const std::time_t now = std::time(nullptr);
    std::tm localNow{};
    localtime_r(&now, &localNow);
    for (const int64_t answerUnix : {int64_t{1768471200}, int64_t{1784109600}}) { // 15 Jan / 15 Jul 2026 10:00
        TTestTimeServer server({TTestTimeServer::AnswerFor(answerUnix)});
        UseServer(server.Port(), 5);
        ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 0) << LastError();
        const std::time_t shifted = static_cast<std::time_t>(answerUnix + localNow.tm_gmtoff);
        std::tm expected{};
        gmtime_r(&shifted, &expected);
        char text[32];
        std::strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", &expected);
        EXPECT_EQ(Text(NETCLOCK_PROP_LOCALTIME), text) << "offset now " << localNow.tm_gmtoff;
    }
}

TEST_F(NetClock, AServerThatNeverAnswersEndsInterruptedAtTheTimeOut)
{
    TTestTimeServer server({});
    UseServer(server.Port(), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 301);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(LastError(), "Interrupted.");
    EXPECT_EQ(NetClock_GetLastErrorCode(Handle), 301);
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_EQ(server.Requests(), 1);
}

TEST_F(NetClock, AClosedPortRaisesTheUnreachableEventAndStillWaitsForTheTimeOut)
{
    int port;
    {
        TTestTimeServer closed({});
        port = closed.Port();
    }
    UseServer(port, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 301);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0].Code, 10054);
    EXPECT_EQ(Events[0].Text, "Destination unreachable (service unavailable?).");
}

TEST_F(NetClock, PortZeroAndAnUnknownHostAreRefusedWithTheirTexts)
{
    ASSERT_EQ(Set(NETCLOCK_PROP_TIMEPORT, 0), 0);
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 116);
    EXPECT_EQ(LastError(),
              "RemotePort can't be zero when UseConnection is set. Please specify a valid service port number.");
    EXPECT_EQ(NetClock_GetLastErrorCode(Handle), 116) << "the code of a failure is not reset by its text";

    EXPECT_EQ(SetText(NETCLOCK_PROP_TIMESERVER, Unresolvable), 11001);
    EXPECT_EQ(LastError(), "[11001] Host not found");
    EXPECT_EQ(NetClock_GetLastErrorCode(Handle), 116) << "only an exchange stores its code";
    EXPECT_EQ(Set(NETCLOCK_PROP_TIMEOUT, 5), 0);
    EXPECT_EQ(NetClock_GetLastErrorCode(Handle), 116);
    EXPECT_EQ(Text(NETCLOCK_PROP_TIMESERVER), "") << "no address is kept";

    EXPECT_EQ(SetText(NETCLOCK_PROP_TIMESERVER, "localhost"), 0);
    EXPECT_EQ(Text(NETCLOCK_PROP_TIMESERVER), "127.0.0.1");
    EXPECT_EQ(SetText(NETCLOCK_PROP_TIMESERVER, ""), 0);
    EXPECT_EQ(Set(NETCLOCK_PROP_TIMEPORT, 37), 0);
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 10049) << "no server address to ask";
    EXPECT_EQ(LastError(), "[10049] Can't assign requested address");
}

int32_t InterruptingPump(void* handle)
{
    NetClock_Do(*static_cast<intptr_t*>(handle), NETCLOCK_METHOD_INTERRUPT, 0, nullptr, nullptr);
    return 0;
}

TEST_F(NetClock, AnInterruptFromTheHostsEventsEndsTheExchange)
{
    TTestTimeServer server({});
    UseServer(server.Port(), 30);
    NetClock_SetEventPump(InterruptingPump, &Handle);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 301);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(LastError(), "Interrupted.");
}

struct THost {
    bool QuitRequested = false;
    int PumpCalls = 0;
};

int32_t HostPump(void* data)
{
    auto* host = static_cast<THost*>(data);
    if (++host->PumpCalls == 3) host->QuitRequested = true; // the user chose Exit during the wait
    return host->QuitRequested ? 1 : 0;
}

TEST_F(NetClock, AQuitSeenByThePumpEndsTheWaitAndStaysWithTheHost)
{
    TTestTimeServer server({});
    UseServer(server.Port(), 0); // no time-out: only the quit ends this wait
    THost host;
    NetClock_SetEventPump(HostPump, &host);
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 301);
    EXPECT_EQ(host.PumpCalls, 3);
    EXPECT_TRUE(host.QuitRequested);
}

TEST_F(NetClock, ConfigSettings)
{
    EXPECT_EQ(Config("MaxPacketSize"), "8192");
    EXPECT_EQ(Config("MaxPacketSize=100000"), "");
    EXPECT_EQ(Config("maxpacketsize"), "65536");
    EXPECT_EQ(Config("UseConnection"), "False");
    EXPECT_EQ(Config("UseConnection=YES"), "");
    EXPECT_EQ(Config("UseConnection"), "True");
    EXPECT_EQ(Config("InBufferSize=4096xyz"), "");
    EXPECT_EQ(Config("InBufferSize"), "4096");
    EXPECT_EQ(Config("SocketHandle"), "-1");
    EXPECT_EQ(LastError(), "-1") << "a number read is left in the error text";
    EXPECT_EQ(Config("UseConnection"), "True");
    EXPECT_EQ(LastError(), "-1") << "a flag read is not";
    EXPECT_EQ(Config("WinsockLoaded"), "True");
    EXPECT_EQ(Config("WinsockStatus"), "Running");
    EXPECT_EQ(Config("NoSuchSetting"), "error -1");
    EXPECT_EQ(LastError(), "Unknown config setting.");
    EXPECT_EQ(Config("SocketHandle=3"), "error -1") << "read-only";

    const std::string before = LastError();
    EXPECT_EQ(Set(42, 1), -1);
    EXPECT_EQ(LastError(), before) << "an unknown property leaves the text";
}

TEST_F(NetClock, TheSocketsLibraryIsDownAfterARelease)
{
    const intptr_t other = NetClock_Create(nullptr, nullptr, nullptr);
    NetClock_Destroy(other);
    EXPECT_EQ(Config("WinsockStatus"), "Down");
    EXPECT_EQ(Config("WinsockInfo"), "");
    EXPECT_EQ(Config("WinsockMaxDatagramSize"), "0");
}

TEST_F(NetClock, ARefusedClockChangeIs119WithTheSystemsNumber)
{
    TTestTimeServer server({Example});
    UseServer(server.Port(), 5);
    // Never with the privilege to set the clock: the check runs as an unprivileged user.
    EXPECT_TRUE(RunUnprivileged([&] {
        if (geteuid() == 0) return false;
        const int32_t result = Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK);
        return result == 119 && LastError() == "Error setting system time [0x1]." &&
               Text(NETCLOCK_PROP_SERVERTIME) == "12/06/2026 17:00:00 GMT";
    }));
}

// NTP mode through the C interface: the same events, time-outs and texts as with RFC 868.
class NetClockNtp : public NetClock {
protected:
    void SetUp() override
    {
        NetClock::SetUp();
        ASSERT_EQ(Set(NETCLOCK_PROP_PROTOCOL, NETCLOCK_PROTOCOL_NTP), 0);
    }
};

TEST_F(NetClock, ThePortFollowsTheProtocolUntilItIsSet)
{
    ASSERT_EQ(Set(NETCLOCK_PROP_PROTOCOL, NETCLOCK_PROTOCOL_NTP), 0);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_PROTOCOL, 0, 0), NETCLOCK_PROTOCOL_NTP);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_TIMEPORT, 0, 0), 123);
    ASSERT_EQ(Set(NETCLOCK_PROP_PROTOCOL, NETCLOCK_PROTOCOL_RFC868), 0);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_TIMEPORT, 0, 0), 37);

    ASSERT_EQ(Set(NETCLOCK_PROP_TIMEPORT, 37), 0);
    ASSERT_EQ(Set(NETCLOCK_PROP_PROTOCOL, NETCLOCK_PROTOCOL_NTP), 0);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_TIMEPORT, 0, 0), 37) << "a port the host chose stays";
}

TEST_F(NetClock, AnUnknownProtocolIsRefusedAndTheProtocolKept)
{
    ASSERT_EQ(Set(NETCLOCK_PROP_PROTOCOL, NETCLOCK_PROTOCOL_NTP), 0);
    EXPECT_EQ(Set(NETCLOCK_PROP_PROTOCOL, 2), 121);
    EXPECT_EQ(LastError(), "Unknown protocol: 0 is RFC 868, 1 is NTP.");
    EXPECT_EQ(Set(NETCLOCK_PROP_PROTOCOL, -1), 121);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_PROTOCOL, 0, 0), NETCLOCK_PROTOCOL_NTP);
    EXPECT_EQ(NetClock_GetLastErrorCode(Handle), 0) << "only an exchange stores its code";
}

TEST_F(NetClockNtp, AFixedReplyGivesServerAndLocalTime)
{
    TTestNtpServer server({TTestNtpServer::TAnswer{}});
    server.SetFixedTime((int64_t{0xEEC01310} - 2208988800) * 1'000'000'000 + 250'000'000);
    TZone oneHourAhead("<+01>-1");
    UseServer(server.Port(), 5);
    ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 0) << LastError();
    EXPECT_EQ(server.LastRequest().size(), 48u);
    EXPECT_EQ(Text(NETCLOCK_PROP_SERVERTIME), "12/06/2026 17:00:00 GMT") << "whole seconds, as with RFC 868";
    EXPECT_EQ(Text(NETCLOCK_PROP_LOCALTIME), "12/06/2026 18:00:00");
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_IDLE, 0, 0), 1);
    EXPECT_TRUE(Events.empty());
}

TEST_F(NetClockNtp, AServerThatNeverAnswersEndsInterruptedAtTheTimeOut)
{
    TTestTimeServer silent({});
    UseServer(silent.Port(), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK), 301);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(LastError(), "Interrupted.");
    EXPECT_EQ(NetClock_GetLastErrorCode(Handle), 301);
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_EQ(silent.Requests(), 1);
}

TEST_F(NetClockNtp, AClosedPortRaisesTheUnreachableEventAndStillWaitsForTheTimeOut)
{
    int port;
    {
        TTestNtpServer closed({});
        port = closed.Port();
    }
    UseServer(port, 1);
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 301);
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0].Code, 10054);
    EXPECT_EQ(Events[0].Text, "Destination unreachable (service unavailable?).");
}

struct TInterruptingHost {
    intptr_t Handle;
    int64_t IdleDuringTheWait = -1;
};

int32_t RecordIdleAndInterrupt(void* data)
{
    auto* host = static_cast<TInterruptingHost*>(data);
    host->IdleDuringTheWait = NetClock_Get(host->Handle, NETCLOCK_PROP_IDLE, 0, 0);
    NetClock_Do(host->Handle, NETCLOCK_METHOD_INTERRUPT, 0, nullptr, nullptr);
    return 0;
}

TEST_F(NetClockNtp, AnInterruptFromTheHostsEventsEndsTheExchange)
{
    TTestTimeServer silent({});
    UseServer(silent.Port(), 30);
    TInterruptingHost host{Handle};
    NetClock_SetEventPump(RecordIdleAndInterrupt, &host);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK), 301);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(LastError(), "Interrupted.");
    EXPECT_EQ(host.IdleDuringTheWait, 0);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_IDLE, 0, 0), 1);
}

TEST_F(NetClockNtp, AKissOfDeathIs120AndTheServerIsNotAskedAgain)
{
    TTestNtpServer kissing({{TTestNtpServer::TKind::Kiss, 0, "DENY"}});
    UseServer(kissing.Port(), 5);
    EXPECT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 120);
    EXPECT_EQ(NetClock_GetLastErrorCode(Handle), 120);
    EXPECT_NE(LastError().find("kiss code DENY"), std::string::npos) << LastError();
    EXPECT_EQ(Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK), 120);
    EXPECT_EQ(kissing.Requests(), 1) << "a second request would have been counted before its answer came";
    EXPECT_EQ(Text(NETCLOCK_PROP_SERVERTIME), "");
}

// The real clock is only ever asked to change without the privilege to: stepping (a reply far off) and
// slewing (a reply at the system's own time) are both refused with the system's EPERM.
TEST_F(NetClockNtp, ARefusedClockChangeIs119WithTheSystemsNumber)
{
    for (const int64_t offsetNs : {int64_t{0}, int64_t{3600} * 1'000'000'000}) {
        TTestNtpServer server({{TTestNtpServer::TKind::Correct, offsetNs}});
        UseServer(server.Port(), 5);
        EXPECT_TRUE(RunUnprivileged([&] {
            if (geteuid() == 0) return false;
            return Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK) == 119 && LastError() == "Error setting system time [0x1].";
        })) << "offset "
            << offsetNs << " ns";
    }
}

} // namespace

TEST_F(NetClock, AQueryMeasuresTheServersWholeSecondAgainstTheLocalClock)
{
    // An answer 100 s ahead of the local clock: the offset lies within the answer's second of resolution.
    const int64_t ahead = std::time(nullptr) + 100;
    TTestTimeServer server({TTestTimeServer::AnswerFor(ahead)});
    UseServer(server.Port(), 5);
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 0) << LastError();
    const auto elapsedNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - before).count();
    const int64_t offsetNs = static_cast<int64_t>(NetClock_Get(Handle, NETCLOCK_PROP_OFFSET_NS, 0, 0));
    const int64_t roundTripNs = static_cast<int64_t>(NetClock_Get(Handle, NETCLOCK_PROP_ROUNDTRIP_NS, 0, 0));
    EXPECT_GT(offsetNs, 98'000'000'000) << offsetNs;
    EXPECT_LE(offsetNs, 100'000'000'000) << offsetNs;
    EXPECT_GT(roundTripNs, 0);
    EXPECT_LE(roundTripNs, elapsedNs);
}

TEST_F(NetClock, TheMeasurementsAreReadOnlyAndKeptWhenALaterQueryGetsNoAnswer)
{
    TTestTimeServer server({TTestTimeServer::AnswerFor(std::time(nullptr) - 3600)});
    UseServer(server.Port(), 5);
    ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 0) << LastError();
    const intptr_t offset = NetClock_Get(Handle, NETCLOCK_PROP_OFFSET_NS, 0, 0);
    EXPECT_LT(offset, -3'598'000'000'000);
    EXPECT_EQ(Set(NETCLOCK_PROP_OFFSET_NS, 5), -1);
    EXPECT_EQ(Set(NETCLOCK_PROP_ROUNDTRIP_NS, 5), -1);

    TTestTimeServer silent({});
    UseServer(silent.Port(), 1);
    ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 301);
    EXPECT_EQ(NetClock_Get(Handle, NETCLOCK_PROP_OFFSET_NS, 0, 0), offset);
}

TEST_F(NetClockNtp, AQueryMeasuresTheServersOffsetAndTheRoundTrip)
{
    // The server's clock runs 2.5 s ahead; the round trip on loopback is short.
    TTestNtpServer server({TTestNtpServer::TAnswer{TTestNtpServer::TKind::Correct, 2'500'000'000}});
    UseServer(server.Port(), 5);
    ASSERT_EQ(Do(NETCLOCK_METHOD_QUERYTIME), 0) << LastError();
    const int64_t offsetNs = static_cast<int64_t>(NetClock_Get(Handle, NETCLOCK_PROP_OFFSET_NS, 0, 0));
    const int64_t roundTripNs = static_cast<int64_t>(NetClock_Get(Handle, NETCLOCK_PROP_ROUNDTRIP_NS, 0, 0));
    EXPECT_NEAR(static_cast<double>(offsetNs), 2.5e9, 5e7) << offsetNs;
    EXPECT_GE(roundTripNs, 0);
    EXPECT_LT(roundTripNs, 1'000'000'000);
}
