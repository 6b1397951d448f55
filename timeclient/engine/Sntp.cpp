#include "Sntp.h"

namespace Sntp {

namespace {

constexpr uint8_t ClientMode = 3;
constexpr uint8_t ServerMode = 4;
constexpr uint8_t ProtocolVersion = 4;
constexpr uint8_t LeapUnsynchronised = 3;
constexpr uint8_t HighestStratum = 15; // 16 means unsynchronised in RFC 5905
constexpr std::size_t ReferenceIdAt = 12;
constexpr std::size_t OriginAt = 24;
constexpr std::size_t ReceiveAt = 32;
constexpr std::size_t TransmitAt = 40;
constexpr int64_t NsPerSecond = 1'000'000'000;
constexpr int64_t SecondsFrom1900To1970 = 2208988800;
constexpr int64_t EraSeconds = int64_t{1} << 32;
constexpr int64_t StepThresholdNs = NsPerSecond / 2;

uint64_t ReadStamp(std::span<const uint8_t> datagram, std::size_t at)
{
    uint64_t stamp = 0;
    for (std::size_t i = 0; i < 8; ++i)
        stamp = stamp << 8 | datagram[at + i];
    return stamp;
}

// Floor division: the era and second of an instant before 1970 (or 1900) still count downwards.
int64_t FloorDiv(int64_t value, int64_t divisor)
{
    const int64_t quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

} // namespace

TPacket BuildRequest(uint64_t transmitStamp)
{
    TPacket packet{};
    packet[0] = static_cast<uint8_t>(ProtocolVersion << 3 | ClientMode); // leap indicator 0
    for (std::size_t i = 0; i < 8; ++i)
        packet[TransmitAt + i] = static_cast<uint8_t>(transmitStamp >> (56 - 8 * i));
    return packet;
}

TReply ParseReply(std::span<const uint8_t> datagram, uint64_t requestStamp)
{
    TReply reply;
    if (datagram.size() < PacketSize) return reply;
    reply.Leap = datagram[0] >> 6;
    reply.Version = datagram[0] >> 3 & 7;
    reply.Stratum = datagram[1];
    reply.ReceiveStamp = ReadStamp(datagram, ReceiveAt);
    reply.TransmitStamp = ReadStamp(datagram, TransmitAt);
    // The origin is checked before anything the reply says about the server: a forged kiss-o'-death that
    // does not echo the nonce must not silence a server.
    if ((datagram[0] & 7) != ServerMode) {
        reply.Status = TReplyStatus::NotServerMode;
    } else if (ReadStamp(datagram, OriginAt) != requestStamp) {
        reply.Status = TReplyStatus::OriginMismatch;
    } else if (reply.Stratum == 0) {
        reply.KissCode.assign(reinterpret_cast<const char*>(datagram.data() + ReferenceIdAt), 4);
        reply.Status = TReplyStatus::KissOfDeath;
    } else if (reply.Stratum > HighestStratum) {
        reply.Status = TReplyStatus::BadStratum;
    } else if (reply.Leap == LeapUnsynchronised) {
        reply.Status = TReplyStatus::Unsynchronised;
    } else if (reply.TransmitStamp == 0) {
        reply.Status = TReplyStatus::NoTransmitTime;
    } else {
        reply.Status = TReplyStatus::Valid;
    }
    return reply;
}

bool ForbidsFurtherRequests(std::string_view kissCode)
{
    return kissCode == "DENY" || kissCode == "RSTR" || kissCode == "RATE";
}

int64_t ToUnixNs(uint64_t stamp, int64_t nearUnixNs)
{
    const int64_t nearSeconds = FloorDiv(nearUnixNs, NsPerSecond) + SecondsFrom1900To1970;
    int64_t seconds = FloorDiv(nearSeconds, EraSeconds) * EraSeconds + static_cast<int64_t>(stamp >> 32);
    if (seconds - nearSeconds > EraSeconds / 2) {
        seconds -= EraSeconds;
    } else if (nearSeconds - seconds > EraSeconds / 2) {
        seconds += EraSeconds;
    }
    // Rounded to the nearest nanosecond; the product stays below 2^62.
    const uint64_t fractionNs = ((stamp & 0xFFFFFFFFu) * uint64_t{NsPerSecond} + (uint64_t{1} << 31)) >> 32;
    return (seconds - SecondsFrom1900To1970) * NsPerSecond + static_cast<int64_t>(fractionNs);
}

TSample Measure(int64_t sentNs, int64_t serverReceivedNs, int64_t serverSentNs, int64_t receivedNs)
{
    return {((serverReceivedNs - sentNs) + (serverSentNs - receivedNs)) / 2,
            (receivedNs - sentNs) - (serverSentNs - serverReceivedNs)};
}

TAdjustment ChooseAdjustment(int64_t offsetNs)
{
    return offsetNs > StepThresholdNs || offsetNs < -StepThresholdNs ? TAdjustment::Step : TAdjustment::Slew;
}

} // namespace Sntp
