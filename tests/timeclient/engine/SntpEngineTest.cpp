// The engine in NTP mode against a loopback NTP server of the test's own. The clock is never set: the
// engine adjusts it through its seam, which records what it was asked to do.
#include "TimeClientEngine.h"

#include "NtpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace {

using TKind = TTestNtpServer::TKind;
using Sntp::TAdjustment;

constexpr int64_t Second = 1'000'000'000;
constexpr int64_t Millisecond = 1'000'000;
constexpr int64_t Tolerance = 50 * Millisecond; // loopback and a busy machine, far below what would matter

struct TAdjustmentCall {
    TAdjustment How;
    int64_t OffsetNs;
};

// Seconds since 1970 of a ServerTime text ("MM/DD/YYYY hh:mm:ss GMT").
int64_t ParseServerTime(const std::string& text)
{
    std::tm fields{};
    if (!strptime(text.c_str(), "%m/%d/%Y %H:%M:%S GMT", &fields)) return -1;
    return static_cast<int64_t>(timegm(&fields));
}

class NtpClockSeam : public testing::Test {
protected:
    TTimeClientEngine Engine{nullptr, nullptr};
    std::vector<TAdjustmentCall> Adjustments;
    int WholeSecondSets = 0;
    int64_t LocalClockShiftNs = 0; // the engine's clock runs this far ahead of the system clock

    void SetUp() override
    {
        Engine.SetClockAdjuster([&](TAdjustment how, int64_t offsetNs) {
            Adjustments.push_back({how, offsetNs});
            return 0;
        });
        Engine.SetClockSetter([&](const TCalendarTime&) { return ++WholeSecondSets, 0; });
        Engine.SetClockReader([&] { return TTestNtpServer::SystemClockNs() + LocalClockShiftNs; });
        ASSERT_EQ(Engine.Set(NETCLOCK_PROP_PROTOCOL, NETCLOCK_PROTOCOL_NTP), 0);
    }
    void UseServer(const TTestNtpServer& server, int timeoutSeconds = 5)
    {
        const std::string host = "127.0.0.1";
        ASSERT_EQ(Engine.Set(NETCLOCK_PROP_TIMESERVER, reinterpret_cast<intptr_t>(host.c_str())), 0);
        ASSERT_EQ(Engine.Set(NETCLOCK_PROP_TIMEPORT, server.Port()), 0);
        ASSERT_EQ(Engine.Set(NETCLOCK_PROP_TIMEOUT, timeoutSeconds), 0);
    }
    int32_t Synchronize() { return Engine.Do(NETCLOCK_METHOD_SYNCHRONIZECLOCK, 0, nullptr); }
    std::string ServerTime() { return reinterpret_cast<const char*>(Engine.Get(NETCLOCK_PROP_SERVERTIME)); }
};

TEST_F(NtpClockSeam, ACorrectReplySlewsTheClockByItsOffset)
{
    TTestNtpServer server({{TKind::Correct}});
    UseServer(server);
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    ASSERT_EQ(Adjustments.size(), 1u);
    EXPECT_EQ(Adjustments[0].How, TAdjustment::Slew);
    EXPECT_LT(std::abs(Adjustments[0].OffsetNs), Tolerance) << "both ends read the same clock";
    EXPECT_EQ(WholeSecondSets, 0) << "the RFC 868 setter is not NTP's";
    const int64_t now = TTestNtpServer::SystemClockNs() / Second;
    EXPECT_NEAR(ParseServerTime(ServerTime()), now, 1) << ServerTime();
    EXPECT_FALSE(std::string(reinterpret_cast<const char*>(Engine.Get(NETCLOCK_PROP_LOCALTIME))).empty());
}

TEST_F(NtpClockSeam, TheOffsetDecidesBetweenStepAndSlew)
{
    struct TCase {
        int64_t LocalAheadNs;
        TAdjustment Expected;
    };
    for (const TCase item :
         {TCase{3 * Second, TAdjustment::Step}, TCase{-2 * Second, TAdjustment::Step},
          TCase{300 * Millisecond, TAdjustment::Slew}, TCase{-200 * Millisecond, TAdjustment::Slew}}) {
        Adjustments.clear();
        LocalClockShiftNs = item.LocalAheadNs;
        TTestNtpServer server({{TKind::Correct}});
        UseServer(server);
        ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
        ASSERT_EQ(Adjustments.size(), 1u);
        EXPECT_EQ(Adjustments[0].How, item.Expected) << "local clock ahead by " << item.LocalAheadNs << " ns";
        EXPECT_NEAR(Adjustments[0].OffsetNs, -item.LocalAheadNs, Tolerance);
    }
}

TEST_F(NtpClockSeam, AQueryLeavesTheClockAlone)
{
    TTestNtpServer server({{TKind::Correct, 10 * Second}});
    UseServer(server);
    ASSERT_EQ(Engine.Do(NETCLOCK_METHOD_QUERYTIME, 0, nullptr), 0) << Engine.LastError();
    EXPECT_TRUE(Adjustments.empty());
    EXPECT_NEAR(ParseServerTime(ServerTime()), TTestNtpServer::SystemClockNs() / Second + 10, 1);
}

TEST_F(NtpClockSeam, EachExchangeSendsOneClientRequestWithAFreshNonce)
{
    TTestNtpServer server({{TKind::Correct}});
    UseServer(server);
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    const std::string first = server.LastRequest();
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    const std::string second = server.LastRequest();
    EXPECT_EQ(server.Requests(), 2);
    ASSERT_EQ(first.size(), 48u);
    EXPECT_EQ(static_cast<uint8_t>(first[0]), 0x23) << "leap indicator 0, version 4, client mode";
    EXPECT_NE(TTestNtpServer::ReadStamp(first, 40), TTestNtpServer::ReadStamp(second, 40));
}

TEST_F(NtpClockSeam, AcrossThe2036RolloverTheNearestEraIsTaken)
{
    // The local clock 5 s before the NTP seconds wrap, the server 10 s ahead and already past it: read in
    // the local clock's era, the server would be 136 years behind.
    constexpr int64_t RolloverUnix = 2085978496; // 2036-02-07 06:28:16 UTC
    const int64_t towardRollover = (RolloverUnix - 5) * Second - TTestNtpServer::SystemClockNs();
    LocalClockShiftNs = towardRollover;
    TTestNtpServer server({{TKind::Correct, towardRollover + 10 * Second}});
    UseServer(server);
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    ASSERT_EQ(Adjustments.size(), 1u);
    EXPECT_EQ(Adjustments[0].How, TAdjustment::Step);
    EXPECT_NEAR(Adjustments[0].OffsetNs, 10 * Second, Tolerance);
    EXPECT_NEAR(ParseServerTime(ServerTime()), RolloverUnix + 5, 1) << ServerTime();

    // Years after the rollover both clocks are in the second era.
    constexpr int64_t Unix2040 = 2208988800;
    Adjustments.clear();
    LocalClockShiftNs = Unix2040 * Second - TTestNtpServer::SystemClockNs();
    TTestNtpServer later({{TKind::Correct, LocalClockShiftNs - 2 * Second}});
    UseServer(later);
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    ASSERT_EQ(Adjustments.size(), 1u);
    EXPECT_NEAR(Adjustments[0].OffsetNs, -2 * Second, Tolerance);
    EXPECT_NEAR(ParseServerTime(ServerTime()), Unix2040 - 2, 1) << ServerTime();
}

TEST_F(NtpClockSeam, DuplicatedRepliesAdjustTheClockOnce)
{
    TTestNtpServer server({{TKind::Correct}, {TKind::Correct, 5 * Second}, {TKind::Correct, 9 * Second}});
    UseServer(server);
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    ASSERT_EQ(Adjustments.size(), 1u);
    EXPECT_LT(std::abs(Adjustments[0].OffsetNs), Tolerance) << "the first reply counts";
    // The copies left behind are no answer to the next request.
    TTestNtpServer later({{TKind::Correct, 20 * Second}});
    UseServer(later);
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    ASSERT_EQ(Adjustments.size(), 2u);
    EXPECT_NEAR(Adjustments[1].OffsetNs, 20 * Second, Tolerance);
}

TEST_F(NtpClockSeam, ALongReplyIsAReply)
{
    TTestNtpServer server({{TKind::Long}});
    UseServer(server);
    ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
    ASSERT_EQ(Adjustments.size(), 1u);
}

TEST_F(NtpClockSeam, ARefusedAdjustmentIs119WithTheSystemsNumber)
{
    Engine.SetClockAdjuster([](TAdjustment, int64_t) { return 1; });
    TTestNtpServer server({{TKind::Correct}});
    UseServer(server);
    EXPECT_EQ(Synchronize(), 119);
    EXPECT_STREQ(Engine.LastError(), "Error setting system time [0x1].");
}

// Every kind of reply that must not be used, each 100 s off so that using it would show.
std::vector<TTestNtpServer::TAnswer> BadReplies()
{
    std::vector<TTestNtpServer::TAnswer> replies;
    for (const TKind kind : {TKind::WrongOrigin, TKind::WrongSourcePort, TKind::ZeroTransmit, TKind::Short,
                             TKind::ClientMode, TKind::Unsynchronised, TKind::Stratum16, TKind::ForgedKiss})
        replies.push_back({kind, 100 * Second});
    replies.push_back({TKind::Kiss, 100 * Second, "INIT"});
    return replies;
}

TEST_F(NtpClockSeam, RepliesThatFailTheChecksAreIgnoredUntilTheServersReply)
{
    for (const TTestNtpServer::TAnswer& bad : BadReplies()) {
        Adjustments.clear();
        TTestNtpServer server({bad, {TKind::Correct}});
        UseServer(server);
        ASSERT_EQ(Synchronize(), 0) << Engine.LastError();
        ASSERT_EQ(Adjustments.size(), 1u) << "kind " << static_cast<int>(bad.Kind);
        EXPECT_LT(std::abs(Adjustments[0].OffsetNs), Tolerance) << "kind " << static_cast<int>(bad.Kind);
    }
}

TEST_F(NtpClockSeam, OnlyRepliesThatFailTheChecksEndAtTheTimeOutWithTheClockUntouched)
{
    TTestNtpServer server(BadReplies());
    UseServer(server, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Synchronize(), 301);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_STREQ(Engine.LastError(), "Interrupted.");
    EXPECT_TRUE(Adjustments.empty());
    EXPECT_EQ(WholeSecondSets, 0);
    EXPECT_EQ(ServerTime(), "");
    EXPECT_EQ(Engine.Get(NETCLOCK_PROP_IDLE), 1);
}

TEST_F(NtpClockSeam, AKissOfDeathSilencesThatServerForTheEnginesLife)
{
    for (const std::string code : {"RATE", "DENY", "RSTR"}) {
        TTestNtpServer kissing({{TKind::Kiss, 0, code}});
        UseServer(kissing);
        EXPECT_EQ(Synchronize(), 120);
        const std::string expected = "The time server 127.0.0.1:" + std::to_string(kissing.Port()) +
                                     " refused service (kiss code " + code + "); it is not asked again.";
        EXPECT_EQ(Engine.LastError(), expected);
        EXPECT_TRUE(Adjustments.empty());

        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Engine.Do(NETCLOCK_METHOD_QUERYTIME, 0, nullptr), 120);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "nothing to wait for";
        EXPECT_EQ(Engine.LastError(), expected);
        EXPECT_EQ(kissing.Requests(), 1) << "an answer to a second request would have come after it was counted";

        // Only that server is silenced.
        TTestNtpServer other({{TKind::Correct}});
        UseServer(other);
        ASSERT_EQ(Synchronize(), 0) << Engine.LastError() << " after " << code;
        Adjustments.clear();
    }
}

} // namespace
