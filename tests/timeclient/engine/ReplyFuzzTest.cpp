// Both protocols' reply readers over many random datagrams: whatever arrives on the socket, they read
// only its own bytes (the sanitizer build reports any read past them) and never take a datagram that
// does not answer the request for an answer.
#include "Rfc868.h"
#include "Sntp.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

namespace {

constexpr uint64_t Seed = 20240521;
constexpr int Rounds = 50'000;

// A datagram on the heap at exactly its length, so that a read one byte past it is caught.
struct TDatagram {
    std::unique_ptr<uint8_t[]> Bytes;
    std::size_t Length;
    std::span<const uint8_t> View() const { return {Bytes.get(), Length}; }
};

// Random bytes, most of them near the NTP header's length, some shaped like a reply (server mode, the
// request's nonce as origin) so that the checks after the first ones are reached too.
TDatagram RandomDatagram(std::mt19937_64& random, uint64_t nonce)
{
    const std::size_t length = std::uniform_int_distribution<int>(0, 3)(random) == 0
                                   ? std::uniform_int_distribution<std::size_t>(0, 600)(random)
                                   : std::uniform_int_distribution<std::size_t>(40, 56)(random);
    TDatagram datagram{std::make_unique<uint8_t[]>(length), length};
    for (std::size_t i = 0; i < length; ++i)
        datagram.Bytes[i] = static_cast<uint8_t>(random());
    const unsigned shape = static_cast<unsigned>(random() % 8);
    if (length >= 1 && shape & 1) datagram.Bytes[0] = static_cast<uint8_t>((datagram.Bytes[0] & ~7) | 4);
    if (length >= 32 && shape & 2) {
        for (int i = 0; i < 8; ++i)
            datagram.Bytes[24 + i] = static_cast<uint8_t>(nonce >> (56 - 8 * i));
    }
    if (length >= 2 && shape & 4) datagram.Bytes[1] = static_cast<uint8_t>(random() % 17);
    return datagram;
}

uint64_t StampAt(const TDatagram& datagram, std::size_t at)
{
    uint64_t stamp = 0;
    for (std::size_t i = 0; i < 8; ++i)
        stamp = stamp << 8 | datagram.Bytes[at + i];
    return stamp;
}

TEST(ReplyFuzz, NtpRepliesAreTakenOnlyWhenEveryCheckHolds)
{
    std::mt19937_64 random(Seed);
    std::map<Sntp::TReplyStatus, int> seen;
    for (int round = 0; round < Rounds; ++round) {
        const uint64_t nonce = random() | 1;
        const TDatagram datagram = RandomDatagram(random, nonce);
        const Sntp::TReply reply = Sntp::ParseReply(datagram.View(), nonce);
        ++seen[reply.Status];
        if (reply.Status != Sntp::TReplyStatus::Valid && reply.Status != Sntp::TReplyStatus::KissOfDeath) continue;
        // What was taken is checked again from the raw bytes.
        ASSERT_GE(datagram.Length, 48u) << "round " << round << ", seed " << Seed;
        ASSERT_EQ(StampAt(datagram, 24), nonce) << "taken without its origin: round " << round;
        ASSERT_EQ(datagram.Bytes[0] & 7, 4) << "round " << round;
        if (reply.Status == Sntp::TReplyStatus::KissOfDeath) {
            ASSERT_EQ(datagram.Bytes[1], 0);
            continue;
        }
        ASSERT_GE(datagram.Bytes[1], 1);
        ASSERT_LE(datagram.Bytes[1], 15);
        ASSERT_NE(datagram.Bytes[0] >> 6, 3);
        ASSERT_NE(StampAt(datagram, 40), 0u);
        ASSERT_EQ(reply.TransmitStamp, StampAt(datagram, 40));
    }
    // Every outcome was reached, or the rounds above did not try the checks they claim to.
    for (const auto status :
         {Sntp::TReplyStatus::Valid, Sntp::TReplyStatus::TooShort, Sntp::TReplyStatus::NotServerMode,
          Sntp::TReplyStatus::OriginMismatch, Sntp::TReplyStatus::KissOfDeath, Sntp::TReplyStatus::BadStratum,
          Sntp::TReplyStatus::Unsynchronised})
        EXPECT_GT(seen[status], 0) << "status " << static_cast<int>(status) << " never came up";
}

TEST(ReplyFuzz, NtpRepliesWithAnotherOriginAreNeverTaken)
{
    std::mt19937_64 random(Seed + 1);
    for (int round = 0; round < Rounds; ++round) {
        const uint64_t nonce = random() | 1;
        const TDatagram datagram = RandomDatagram(random, nonce);
        // The same bytes as the answer to another request: one bit of the nonce differs.
        const uint64_t otherNonce = nonce ^ uint64_t { 1 } << (random() % 64);
        const Sntp::TReplyStatus status = Sntp::ParseReply(datagram.View(), otherNonce).Status;
        ASSERT_NE(status, Sntp::TReplyStatus::Valid) << "round " << round << ", seed " << Seed + 1;
        ASSERT_NE(status, Sntp::TReplyStatus::KissOfDeath) << "round " << round << ", seed " << Seed + 1;
    }
}

TEST(ReplyFuzz, Rfc868AnswersNeedFourBytes)
{
    std::mt19937_64 random(Seed + 2);
    for (int round = 0; round < Rounds; ++round) {
        const TDatagram datagram = RandomDatagram(random, 0);
        const std::size_t tinyLength = random() % 8;
        const TDatagram tiny{std::make_unique<uint8_t[]>(tinyLength), tinyLength};
        for (const TDatagram* candidate : {&datagram, &tiny}) {
            const std::optional<uint32_t> seconds = Rfc868::ParseAnswer(candidate->View());
            ASSERT_EQ(seconds.has_value(), candidate->Length >= 4) << "round " << round << ", seed " << Seed + 2;
        }
    }
}

} // namespace
