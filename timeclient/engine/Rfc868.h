#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The Time Protocol's datagrams (RFC 868 over UDP), with no socket: the request the engine sends and the
// reading of an answer.
namespace Rfc868 {

// Any datagram asks for the time; these five bytes are what the engine has always sent.
constexpr std::array<char, 5> Request = {'t', 'i', 'm', 'e', '?'};

// The seconds since 1900-01-01 00:00:00 UTC that an answer carries in its first four bytes, most
// significant first; nothing for a datagram shorter than that, which is not an answer.
std::optional<uint32_t> ParseAnswer(std::span<const uint8_t> datagram);

} // namespace Rfc868
