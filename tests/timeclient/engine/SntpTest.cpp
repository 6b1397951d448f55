// The NTP client's packet rules and arithmetic, without a socket.
#include "Sntp.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using Sntp::TReplyStatus;

constexpr int64_t Second = 1'000'000'000;
constexpr int64_t Millisecond = 1'000'000;
constexpr uint64_t Nonce = 0x1234'5678'9abc'def1;
constexpr uint64_t ServerReceived = uint64_t{3913056000} << 32;        // 2024-01-01 00:00:00 UTC
constexpr uint64_t ServerSent = uint64_t{3913056000} << 32 | 1u << 31; // half a second later

// A server's reply as the wire has it, field by field, so that each test breaks one rule.
struct TReplyBytes {
    uint8_t Leap = 0;
    uint8_t Version = 4;
    uint8_t Mode = 4;
    uint8_t Stratum = 1;
    std::string ReferenceId = "GPS";
    uint64_t Origin = Nonce;
    uint64_t Receive = ServerReceived;
    uint64_t Transmit = ServerSent;
    std::size_t Length = 48;

    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> bytes(std::max<std::size_t>(Length, 48), 0);
        bytes[0] = static_cast<uint8_t>(Leap << 6 | Version << 3 | Mode);
        bytes[1] = Stratum;
        for (std::size_t i = 0; i < 4 && i < ReferenceId.size(); ++i)
            bytes[12 + i] = static_cast<uint8_t>(ReferenceId[i]);
        auto put = [&](std::size_t at, uint64_t stamp) {
            for (int i = 0; i < 8; ++i)
                bytes[at + i] = static_cast<uint8_t>(stamp >> (56 - 8 * i));
        };
        put(24, Origin);
        put(32, Receive);
        put(40, Transmit);
        bytes.resize(Length);
        return bytes;
    }
};

Sntp::TReply Parse(const TReplyBytes& reply) { return Sntp::ParseReply(reply.Bytes(), Nonce); }

TEST(SntpRequest, IsAVersion4ClientPacketCarryingOnlyTheTransmitStamp)
{
    const Sntp::TPacket request = Sntp::BuildRequest(0x0102'0304'0506'0708);
    ASSERT_EQ(request.size(), 48u);
    EXPECT_EQ(request[0] >> 6, 0) << "leap indicator";
    EXPECT_EQ(request[0] >> 3 & 7, 4) << "version";
    EXPECT_EQ(request[0] & 7, 3) << "client mode";
    for (std::size_t i = 1; i < 40; ++i)
        EXPECT_EQ(request[i], 0) << "byte " << i;
    EXPECT_EQ(std::vector<uint8_t>(request.begin() + 40, request.end()), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}))
        << "most significant byte first";
}

TEST(SntpRequest, TransmitStampsAreUnrepeatedNonZeroNonces)
{
    std::random_device random;
    std::set<uint64_t> seen;
    for (int i = 0; i < 1000; ++i) {
        const uint64_t stamp = Sntp::DrawTransmitStamp(random);
        EXPECT_NE(stamp, 0u);
        seen.insert(stamp);
    }
    EXPECT_EQ(seen.size(), 1000u) << "a repeated nonce lets an old reply pass for a new one";
}

TEST(SntpReply, AValidReplyGivesTheServersTimestamps)
{
    for (const std::size_t length : {std::size_t{48}, std::size_t{68}, std::size_t{1024}}) {
        TReplyBytes bytes;
        bytes.Length = length;
        const Sntp::TReply reply = Parse(bytes);
        EXPECT_EQ(reply.Status, TReplyStatus::Valid) << length << " bytes";
        EXPECT_EQ(reply.ReceiveStamp, ServerReceived);
        EXPECT_EQ(reply.TransmitStamp, ServerSent);
        EXPECT_EQ(reply.Stratum, 1);
    }
    TReplyBytes version3;
    version3.Version = 3;
    EXPECT_EQ(Parse(version3).Status, TReplyStatus::Valid) << "servers answer in the version they were asked";
}

TEST(SntpReply, EachBrokenRuleRejectsTheReply)
{
    struct TCase {
        const char* Rule;
        TReplyBytes Bytes;
        TReplyStatus Expected;
    };
    std::vector<TCase> cases;
    auto add = [&](const char* rule, TReplyStatus expected, auto change) {
        TReplyBytes bytes;
        change(bytes);
        cases.push_back({rule, bytes, expected});
    };
    add("47 bytes", TReplyStatus::TooShort, [](TReplyBytes& b) { b.Length = 47; });
    add("empty", TReplyStatus::TooShort, [](TReplyBytes& b) { b.Length = 0; });
    add("client mode", TReplyStatus::NotServerMode, [](TReplyBytes& b) { b.Mode = 3; });
    add("broadcast mode", TReplyStatus::NotServerMode, [](TReplyBytes& b) { b.Mode = 5; });
    add("origin one bit off", TReplyStatus::OriginMismatch, [](TReplyBytes& b) { b.Origin = Nonce ^ 1; });
    add("origin zero", TReplyStatus::OriginMismatch, [](TReplyBytes& b) { b.Origin = 0; });
    add("origin in the high word only", TReplyStatus::OriginMismatch,
        [](TReplyBytes& b) { b.Origin = Nonce ^ (uint64_t{1} << 63); });
    add("stratum 16", TReplyStatus::BadStratum, [](TReplyBytes& b) { b.Stratum = 16; });
    add("stratum 255", TReplyStatus::BadStratum, [](TReplyBytes& b) { b.Stratum = 255; });
    add("leap indicator 3", TReplyStatus::Unsynchronised, [](TReplyBytes& b) { b.Leap = 3; });
    add("transmit zero", TReplyStatus::NoTransmitTime, [](TReplyBytes& b) { b.Transmit = 0; });
    for (const TCase& item : cases)
        EXPECT_EQ(Sntp::ParseReply(item.Bytes.Bytes(), Nonce).Status, item.Expected) << item.Rule;

    TReplyBytes leapSecondAhead;
    leapSecondAhead.Leap = 1;
    leapSecondAhead.Stratum = 15;
    EXPECT_EQ(Parse(leapSecondAhead).Status, TReplyStatus::Valid) << "a leap second warning is still a time";
}

TEST(SntpReply, StratumZeroIsAKissOfDeathWithItsCode)
{
    for (const std::string code : {"RATE", "DENY", "RSTR", "INIT"}) {
        TReplyBytes kiss;
        kiss.Leap = 3;
        kiss.Stratum = 0;
        kiss.ReferenceId = code;
        const Sntp::TReply reply = Parse(kiss);
        EXPECT_EQ(reply.Status, TReplyStatus::KissOfDeath) << code;
        EXPECT_EQ(reply.KissCode, code);
    }
    TReplyBytes forged;
    forged.Stratum = 0;
    forged.ReferenceId = "DENY";
    forged.Origin = Nonce + 1;
    EXPECT_EQ(Parse(forged).Status, TReplyStatus::OriginMismatch) << "a forged kiss must not silence a server";
}

TEST(SntpReply, OnlyRefusalsForbidAskingAgain)
{
    EXPECT_TRUE(Sntp::ForbidsFurtherRequests("DENY"));
    EXPECT_TRUE(Sntp::ForbidsFurtherRequests("RSTR"));
    EXPECT_TRUE(Sntp::ForbidsFurtherRequests("RATE"));
    EXPECT_FALSE(Sntp::ForbidsFurtherRequests("INIT")) << "a server that is starting up may be asked later";
    EXPECT_FALSE(Sntp::ForbidsFurtherRequests("STEP"));
    EXPECT_FALSE(Sntp::ForbidsFurtherRequests("deny"));
}

// ServerReceived in seconds since 1970, and the first instant of the second NTP era.
constexpr int64_t Unix2024 = 1704067200;
constexpr int64_t UnixEra1 = 2085978496; // 2036-02-07 06:28:16 UTC

TEST(SntpTimestamps, FractionsAreNanoseconds)
{
    const int64_t near = Unix2024 * Second;
    EXPECT_EQ(Sntp::ToUnixNs(ServerReceived, near), Unix2024 * Second);
    EXPECT_EQ(Sntp::ToUnixNs(ServerSent, near), Unix2024 * Second + 500 * Millisecond);
    EXPECT_EQ(Sntp::ToUnixNs(ServerReceived | 0xFFFFFFFF, near), Unix2024 * Second + Second) << "rounded";
    EXPECT_EQ(Sntp::ToUnixNs(ServerReceived | 1, near), Unix2024 * Second) << "2^-32 s is less than half a ns";
    EXPECT_EQ(Sntp::ToUnixNs(ServerReceived | 5, near), Unix2024 * Second + 1);
}

TEST(SntpTimestamps, TheEraNearestToTheLocalClockIsTaken)
{
    const uint64_t tenSecondsIntoEra1 = uint64_t{10} << 32;
    const uint64_t lastMinuteOfEra0 = uint64_t{0xFFFFFFC4} << 32;
    // Just before the rollover, a server already past it is ten seconds ahead, not 136 years behind.
    EXPECT_EQ(Sntp::ToUnixNs(tenSecondsIntoEra1, (UnixEra1 - 5) * Second), (UnixEra1 + 10) * Second);
    // Just after it, a server still before it is a minute behind, not 136 years ahead.
    EXPECT_EQ(Sntp::ToUnixNs(lastMinuteOfEra0, (UnixEra1 + 5) * Second), (UnixEra1 - 60) * Second);
    // Years from the rollover, on either side of it.
    EXPECT_EQ(Sntp::ToUnixNs(lastMinuteOfEra0, Unix2024 * Second), (UnixEra1 - 60) * Second);
    constexpr int64_t Unix2040 = 2208988800;        // 2040-01-01 00:00:00 UTC
    constexpr uint64_t Era1Seconds2040 = 123010304; // the same instant in the NTP seconds after the rollover
    EXPECT_EQ(Sntp::ToUnixNs(Era1Seconds2040 << 32, (Unix2040 + 3600) * Second), Unix2040 * Second);
    // A local clock reset to 1970 still reads a 2024 server as 2024.
    EXPECT_EQ(Sntp::ToUnixNs(ServerReceived, 0), Unix2024 * Second);
}

TEST(SntpMeasure, OffsetAndDelayOfASymmetricPath)
{
    // The local clock is 2 s behind the server; each way takes 10 ms and the server holds the request 1 ms.
    const int64_t sent = 1000 * Second;
    const int64_t serverReceived = sent + 2 * Second + 10 * Millisecond;
    const int64_t serverSent = serverReceived + 1 * Millisecond;
    const int64_t received = sent + 21 * Millisecond;
    const Sntp::TSample behind = Sntp::Measure(sent, serverReceived, serverSent, received);
    EXPECT_EQ(behind.OffsetNs, 2 * Second);
    EXPECT_EQ(behind.DelayNs, 20 * Millisecond);

    // The same path with the local clock 300 ms ahead.
    const int64_t serverReceivedBehind = sent - 300 * Millisecond + 10 * Millisecond;
    const Sntp::TSample ahead =
        Sntp::Measure(sent, serverReceivedBehind, serverReceivedBehind + 1 * Millisecond, received);
    EXPECT_EQ(ahead.OffsetNs, -300 * Millisecond);
    EXPECT_EQ(ahead.DelayNs, 20 * Millisecond);
}

TEST(SntpMeasure, AnAsymmetricPathErrsByHalfTheDifference)
{
    // In sync, 30 ms out and 10 ms back: the offset cannot tell the difference from a skewed clock.
    const int64_t sent = 1000 * Second;
    const Sntp::TSample sample =
        Sntp::Measure(sent, sent + 30 * Millisecond, sent + 30 * Millisecond, sent + 40 * Millisecond);
    EXPECT_EQ(sample.OffsetNs, 10 * Millisecond);
    EXPECT_EQ(sample.DelayNs, 40 * Millisecond);
}

TEST(SntpAdjustment, MoreThanHalfASecondEitherWayIsStepped)
{
    using Sntp::TAdjustment;
    EXPECT_EQ(Sntp::ChooseAdjustment(0), TAdjustment::Slew);
    EXPECT_EQ(Sntp::ChooseAdjustment(500 * Millisecond), TAdjustment::Slew);
    EXPECT_EQ(Sntp::ChooseAdjustment(-500 * Millisecond), TAdjustment::Slew);
    EXPECT_EQ(Sntp::ChooseAdjustment(500 * Millisecond + 1), TAdjustment::Step);
    EXPECT_EQ(Sntp::ChooseAdjustment(-500 * Millisecond - 1), TAdjustment::Step);
    EXPECT_EQ(Sntp::ChooseAdjustment(-3600 * Second), TAdjustment::Step);
}

} // namespace
