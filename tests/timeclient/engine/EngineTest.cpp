// The engine's classes directly: the port's refusals, the calendar, and setting the clock through a seam.
#include "DatagramPort.h"
#include "SocketErrors.h"
#include "TimeCalendar.h"
#include "TimeClientEngine.h"

#include "TimeServer.h"

#include <netdb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

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

std::size_t OpenDescriptors()
{
    const auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// The engine lives as long as the program and exchanges again and again: no attempt may keep a socket.
TEST(DatagramPort, NoSocketOutlivesAFailedActivationADeactivationOrThePort)
{
    const std::size_t before = OpenDescriptors();
    {
        TRecordingPort port;
        ASSERT_EQ(port.SetUseConnection(true), 0);
        ASSERT_EQ(port.SetRemotePort(9), 0);
        ASSERT_EQ(port.SetRemoteHost(""), 0);
        EXPECT_EQ(port.SetActive(true), SocketErrors::AddressNotAvailable) << "fails after the socket is made";
        EXPECT_FALSE(port.Active());
        EXPECT_EQ(OpenDescriptors(), before);

        ASSERT_EQ(port.SetRemoteHost("127.0.0.1"), 0);
        ASSERT_EQ(port.SetActive(true), 0);
        EXPECT_EQ(OpenDescriptors(), before + 1);
        EXPECT_EQ(port.SetActive(false), 0);
        EXPECT_EQ(OpenDescriptors(), before);
        ASSERT_EQ(port.SetActive(true), 0);
    }
    EXPECT_EQ(OpenDescriptors(), before) << "a port that goes while active closes its socket";
}

// Waits until the port's socket holds the given number of datagrams, peeking at them one after the
// other without taking them away.
bool WaitForQueuedDatagrams(TDatagramPort& port, int count)
{
    std::string handle;
    port.Config("SocketHandle", handle);
    const int fd = std::stoi(handle);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int queued = 0;
    while (queued < count && std::chrono::steady_clock::now() < deadline) {
        int offset = 0;
        setsockopt(fd, SOL_SOCKET, SO_PEEK_OFF, &offset, sizeof offset);
        char buffer[64];
        for (queued = 0; recv(fd, buffer, sizeof buffer, MSG_PEEK | MSG_DONTWAIT) >= 0; ++queued) {
        }
        offset = -1;
        setsockopt(fd, SOL_SOCKET, SO_PEEK_OFF, &offset, sizeof offset);
        if (queued < count) {
            pollfd ready{fd, POLLIN, 0};
            poll(&ready, 1, 5);
        }
    }
    return queued >= count;
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
    ASSERT_TRUE(WaitForQueuedDatagrams(port, 2));
    EXPECT_TRUE(port.Received.empty()) << "nothing is read until the port is asked to";
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
    bool waiting = true;
    for (int i = 0; i < 1000 && waiting; ++i)
        waiting = port.WaitStep(1);
    EXPECT_FALSE(waiting);
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

TEST(SocketErrors, AnErrnoWithoutASocketNumberKeepsItsOwnMeaning)
{
    // 10000 + errno would read as unrelated socket errors: ENODATA as "Connection refused", EDEADLK as
    // "would block", which the receive step even takes for "nothing more to read".
    for (const int error : {ENODATA, EDEADLK, ENOSPC}) {
        const int32_t code = SocketErrors::FromErrno(error);
        EXPECT_EQ(code, SocketErrors::SystemErrorBase + error);
        EXPECT_EQ(SocketErrors::Text(code), "[" + std::to_string(code) + "] " + std::strerror(error));
        EXPECT_TRUE(code < 10004 || code > 11004) << code << " lies in the socket error table's range";
    }
    EXPECT_NE(SocketErrors::FromErrno(EDEADLK), SocketErrors::WouldBlock);
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

// An engine on a loopback server whose clock is a test double: reading gives the time the test chose,
// setting records the time asked for.
class ClockSeam : public testing::Test {
protected:
    static constexpr int64_t AnswerUnix = int64_t{0xEEC01310} - 2208988800; // 12/06/2026 17:00:00 GMT
    static constexpr int64_t Second = 1'000'000'000;
    TTimeClientEngine Engine{nullptr, nullptr};
    std::vector<int64_t> ClockSetTo;
    int64_t ClockNs = 0;

    void SetUp() override
    {
        Engine.SetClockSetter([&](const TCalendarTime& time) {
            ClockSetTo.push_back(TimeCalendar::ToUnixSeconds(time));
            return 0;
        });
        Engine.SetClockReader([&] { return ClockNs; });
    }
    int32_t Synchronize(const std::string& answer)
    {
        TTestTimeServer server({answer});
        const std::string host = "127.0.0.1";
        Engine.Set(NETCLOCK_PROP_TIMESERVER, reinterpret_cast<intptr_t>(host.c_str()));
        Engine.Set(NETCLOCK_PROP_TIMEPORT, server.Port());
        Engine.Set(NETCLOCK_PROP_TIMEOUT, 5);
        return Engine.Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK, 0, nullptr);
    }
};

TEST_F(ClockSeam, AClockWithinTheAnswersSecondIsLeftAlone)
{
    const std::string answer = TTestTimeServer::Bytes({0xEE, 0xC0, 0x13, 0x10});
    for (const int64_t offset : {int64_t{0}, Second / 2, Second - 1}) {
        ClockNs = AnswerUnix * Second + offset;
        EXPECT_EQ(Synchronize(answer), 0) << Engine.LastError();
        EXPECT_TRUE(ClockSetTo.empty()) << "clock " << offset << " ns into the answer's second";
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(Engine.Get(NETCLOCK_PROP_SERVERTIME))),
                  "12/06/2026 17:00:00 GMT");
    }
}

TEST_F(ClockSeam, AClockOutsideTheAnswersSecondIsSet)
{
    const std::string answer = TTestTimeServer::Bytes({0xEE, 0xC0, 0x13, 0x10});
    for (const int64_t clock :
         {(AnswerUnix + 2) * Second, (AnswerUnix - 2) * Second, (AnswerUnix + 1) * Second, AnswerUnix * Second - 1}) {
        ClockSetTo.clear();
        ClockNs = clock;
        EXPECT_EQ(Synchronize(answer), 0) << Engine.LastError();
        EXPECT_EQ(ClockSetTo, std::vector<int64_t>{AnswerUnix}) << "clock at " << clock << " ns";
    }
}

TEST_F(ClockSeam, AnAnswerOfZeroSetsNothing)
{
    ClockNs = 0;
    EXPECT_EQ(Synchronize(TTestTimeServer::Bytes({0, 0, 0, 0, 9})), 0);
    EXPECT_TRUE(ClockSetTo.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Engine.Get(NETCLOCK_PROP_SERVERTIME))), "");
}

TEST(TimeClientEngine, TheDeadlineIsFixedWhenTheExchangeStarts)
{
    // A peer that answers with three bytes every 100 ms: no answer, and no reason to wait longer.
    TTestTimeServer drip({TTestTimeServer::Bytes({1, 2, 3})}, std::chrono::milliseconds(100));
    TTimeClientEngine engine(nullptr, nullptr);
    const std::string host = "127.0.0.1";
    engine.Set(NETCLOCK_PROP_TIMESERVER, reinterpret_cast<intptr_t>(host.c_str()));
    engine.Set(NETCLOCK_PROP_TIMEPORT, drip.Port());
    engine.Set(NETCLOCK_PROP_TIMEOUT, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(engine.Do(NETCLOCK_METHOD_QUERYTIME, 0, nullptr), 301);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(950));
    EXPECT_LT(waited, std::chrono::milliseconds(3500)) << "the short datagrams restarted the deadline";
    EXPECT_GE(drip.AnswersSent(), 3) << "the peer's datagrams arrived during the wait";
}

} // namespace
