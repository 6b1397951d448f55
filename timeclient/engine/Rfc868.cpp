#include "Rfc868.h"

namespace Rfc868 {

std::optional<uint32_t> ParseAnswer(std::span<const uint8_t> datagram)
{
    if (datagram.size() < 4) return std::nullopt;
    return uint32_t{datagram[0]} << 24 | uint32_t{datagram[1]} << 16 | uint32_t{datagram[2]} << 8 | datagram[3];
}

} // namespace Rfc868
