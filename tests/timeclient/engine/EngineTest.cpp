// The engine's classes directly: the port's refusals, the calendar, and setting the clock through a seam.
#include "DatagramPort.h"
#include "SocketErrors.h"
#include "TimeCalendar.h"
#include "TimeClientEngine.h"

#include "TimeServer.h"

#include <netdb.h>

#include <gtest/gtest.h>

namespace {

class TRecordingPort final : public TDatagramPort {
public:
    std::vector<std::string> Received;

protected:
    int32_t DatagramReceived(const uint8_t* data, std::size_t length, const std::string&, uint16_t) override
    {
        Received.emplace_back(reinterpret_cast<const char*>(data), length);
        return 0;
    }
    int32_t ErrorOccurred(int32_t, const std::string&) override { return 0; }
};

TEST(DatagramPort, MisuseIsRefusedWithItsCodeAndText)
{
    TRecordingPort port;
    EXPECT_EQ(port.Send("x", 1), 109);
    EXPECT_EQ(port.LastErrorText, "The control must be Active for this operation.");
    ASSERT_EQ(port.SetRemoteHost("127.0.0.1"), 0);
    ASSERT_EQ(port.SetRemotePort(9), 0);
    ASSERT_EQ(port.SetActive(true), 0);
    EXPECT_EQ(port.SetActive(true), 104);
    EXPECT_EQ(port.LastErrorText, "UDPPort is already Active.");
    EXPECT_EQ(port.SetLocalHost("127.0.0.1"), 107);
    EXPECT_EQ(port.SetUseConnection(true), 117);
    std::string result;
    EXPECT_EQ(port.Config("MaxPacketSize=100", result), 112);
    EXPECT_EQ(port.LastErrorText, "Cannot change MaxPacketSize while the control is Active.");
    EXPECT_EQ(port.SetActive(false), 0);

    ASSERT_EQ(port.SetUseConnection(true), 0);
    ASSERT_EQ(port.SetActive(true), 0);
    EXPECT_EQ(port.SetRemoteHost("127.0.0.2"), 114);
    EXPECT_EQ(port.SetRemotePort(10), 115);
    EXPECT_EQ(port.RemoteHost(), "127.0.0.1");
    EXPECT_EQ(port.SetActive(false), 0);
    EXPECT_EQ(port.SetRemoteHost("255.255.255.255"), 0);
    EXPECT_EQ(port.RemoteHost(), "255.255.255.255");
}

TEST(DatagramPort, DataPendingAtDeactivationIsHandedOnBeforeTheSocketCloses)
{
    TTestTimeServer server({"one", "two"});
    TRecordingPort port;
    port.SetRemoteHost("127.0.0.1");
    port.SetRemotePort(server.Port());
    port.SetUseConnection(true);
    ASSERT_EQ(port.SetActive(true), 0);
    ASSERT_EQ(port.Send("time?", 5), 0);
    for (int i = 0; i < 200 && server.Requests() == 0; ++i)
        usleep(1000);
    usleep(20000);
    EXPECT_EQ(port.SetActive(false), 0);
    EXPECT_EQ(port.Received, (std::vector<std::string>{"one", "two"}));
}

TEST(DatagramPort, ATimeOutOfZeroNeverEndsAWaitByItself)
{
    TRecordingPort port;
    port.SetTimeoutMs(0);
    port.StartDeadline();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(port.WaitStep(1));
    port.SetTimeoutMs(1);
    port.StartDeadline();
    usleep(5000);
    EXPECT_FALSE(port.WaitStep(0));
    EXPECT_EQ(port.LastErrorText, "Timeout.");
}

TEST(SocketErrors, TextsAndMappings)
{
    EXPECT_EQ(SocketErrors::Text(10054), "[10054] Connection reset by peer");
    EXPECT_EQ(SocketErrors::Text(11001), "[11001] Host not found");
    EXPECT_EQ(SocketErrors::Text(12345), "[12345] (no description available)");
    EXPECT_EQ(SocketErrors::FromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(SocketErrors::FromErrno(ECONNREFUSED, /*connectedDatagram=*/true), 10054);
    EXPECT_EQ(SocketErrors::FromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrors::FromResolver(EAI_NONAME, 0), 11001);
}

TEST(TimeCalendar, BoundariesOfTheThirtyTwoBitCount)
{
    using TimeCalendar::Format;
    using TimeCalendar::FromServerSeconds;
    EXPECT_EQ(Format(FromServerSeconds(126144000)), "01/01/1904 00:00:00");
    EXPECT_EQ(Format(FromServerSeconds(4294967295u)), "02/07/2036 06:28:15");
    EXPECT_EQ(Format(FromServerSeconds(1)), "02/07/2036 06:28:17") << "below 1904 the count has wrapped";
    EXPECT_EQ(Format(FromServerSeconds(126143999)), "02/06/2040 06:28:15");
    EXPECT_EQ(Format(FromServerSeconds(0xEEC01310)), "12/06/2026 17:00:00");
    EXPECT_EQ(Format(FromServerSeconds(126144000 + 59 * 86400)), "02/29/1904 00:00:00") << "a leap day";
    EXPECT_EQ(Format(FromServerSeconds(3913056000u)), "01/01/2024 00:00:00");
    // Every day from 1904 on agrees with the C library's own calendar.
    for (uint32_t seconds = 126144000; seconds < 4294967295u - 86400; seconds += 86400 * 7 + 3607) {
        const TCalendarTime time = FromServerSeconds(seconds);
        ASSERT_EQ(TimeCalendar::ToUnixSeconds(time), int64_t{seconds} - 2208988800) << Format(time);
    }
}

TEST(TimeClientEngine, SynchronizeSetsTheClockThroughItsSeam)
{
    TTestTimeServer server({TTestTimeServer::Bytes({0xEE, 0xC0, 0x13, 0x10})});
    TTimeClientEngine engine(nullptr, nullptr);
    std::vector<int64_t> clockSetTo;
    engine.SetClockSetter([&](const TCalendarTime& time) {
        clockSetTo.push_back(TimeCalendar::ToUnixSeconds(time));
        return 0;
    });
    const std::string host = "127.0.0.1";
    engine.Set(NETCLOCK_PROP_TIMESERVER, reinterpret_cast<intptr_t>(host.c_str()));
    engine.Set(NETCLOCK_PROP_TIMEPORT, server.Port());
    engine.Set(NETCLOCK_PROP_TIMEOUT, 5);
    EXPECT_EQ(engine.Do(NETCLOCK_METHOD_QUERYTIME, 0, nullptr), 0);
    EXPECT_TRUE(clockSetTo.empty()) << "a query leaves the clock alone";
    EXPECT_EQ(engine.Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK, 0, nullptr), 0);
    EXPECT_EQ(clockSetTo, std::vector<int64_t>{int64_t{0xEEC01310} - 2208988800});

    engine.SetClockSetter([](const TCalendarTime&) { return 0x2a; });
    EXPECT_EQ(engine.Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK, 0, nullptr), 119);
    EXPECT_STREQ(engine.LastError(), "Error setting system time [0x2a].");
}

} // namespace
