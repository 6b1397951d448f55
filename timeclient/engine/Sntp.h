#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>

// The Network Time Protocol in client mode (SNTP, RFC 4330 / RFC 5905), with no socket: the request, the
// checks a reply must pass, the arithmetic of the four timestamps and the choice of how to correct the
// clock. An NTP timestamp is 64 bits on the wire: seconds since 1900-01-01 00:00:00 UTC in the high 32
// bits, binary fractions of a second (2^-32 s) in the low 32, most significant byte first.
namespace Sntp {

constexpr std::size_t PacketSize = 48; // bytes of the fixed header; a reply may carry more after it
using TPacket = std::array<uint8_t, PacketSize>;

// A transmit timestamp for a request: 64 random bits, never zero (a zero origin is what a server sends
// when it had nothing to copy). It is a nonce, not the local time: only a reply that echoes it in its
// origin field answers this request, and it tells the network nothing about the local clock. The caller
// keeps it, and its own clock reading at sending, for the reply.
template <std::uniform_random_bit_generator TRandom> uint64_t DrawTransmitStamp(TRandom& random)
{
    return std::uniform_int_distribution<uint64_t>(1, UINT64_MAX)(random);
}

// The client request: leap indicator 0, version 4, mode 3 (client), every other field zero but the
// transmit timestamp.
TPacket BuildRequest(uint64_t transmitStamp);

enum class TReplyStatus {
    Valid,
    TooShort,       // fewer than 48 bytes
    NotServerMode,  // mode other than 4
    OriginMismatch, // does not echo the request's transmit timestamp: stray, stale or forged
    KissOfDeath,    // stratum 0: the reference id holds a kiss code instead of a time source
    BadStratum,     // stratum above 15
    Unsynchronised, // leap indicator 3: the server's own clock is not set
    NoTransmitTime, // transmit timestamp zero
};

struct TReply {
    TReplyStatus Status = TReplyStatus::TooShort;
    uint8_t Leap = 0;
    uint8_t Version = 0;
    uint8_t Stratum = 0;
    std::string KissCode;       // the four ASCII characters of the reference id of a kiss-o'-death
    uint64_t ReceiveStamp = 0;  // T2: the server's clock when the request arrived
    uint64_t TransmitStamp = 0; // T3: the server's clock when the reply left
};

// Reads a datagram as the reply to the request sent with requestStamp. The fields are filled in as far
// as the checks got; only a Valid reply may be used for the time.
TReply ParseReply(std::span<const uint8_t> datagram, uint64_t requestStamp);

// True for the kiss codes after which a client must not ask that server again: DENY and RSTR refuse
// access, RATE asks a client that cannot poll less often than once per request to stop. Other kiss
// codes (INIT, STEP, ...) only say that this reply is not to be used.
bool ForbidsFurtherRequests(std::string_view kissCode);

// An NTP timestamp as nanoseconds since 1970-01-01 00:00:00 UTC. The 32-bit seconds wrap every 136
// years (first on 2036-02-07 06:28:16 UTC); of the eras the stamp may belong to, the one that puts it
// nearest to nearUnixNs (the local clock) is taken, which is right while the clocks differ by less than
// 68 years.
int64_t ToUnixNs(uint64_t stamp, int64_t nearUnixNs);

struct TSample {
    int64_t OffsetNs; // nanoseconds to add to the local clock to agree with the server's
    int64_t DelayNs;  // nanoseconds of the round trip, without the server's own time between T2 and T3
};

// The offset ((T2 - T1) + (T3 - T4)) / 2 and round-trip delay (T4 - T1) - (T3 - T2) from the local
// clock at sending (T1) and at receiving (T4) and the server's receive (T2) and transmit (T3) times,
// all in nanoseconds since 1970.
TSample Measure(int64_t sentNs, int64_t serverReceivedNs, int64_t serverSentNs, int64_t receivedNs);

enum class TAdjustment {
    Slew, // adjtime: the clock runs slightly faster or slower until the offset is gone, never backwards
    Step, // clock_settime: the clock jumps by the offset at once
};

// Beyond half a second a slew would take too long (at the kernel's 500 ppm, over half an hour
// per second of offset), so the clock is stepped; smaller offsets are slewed, so that the time the
// desktop shows never jumps for a small correction.
TAdjustment ChooseAdjustment(int64_t offsetNs);

} // namespace Sntp
