#pragma once

#include "platform/IIpHelper.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct nlmsghdr;

// What one message of the kernel's link, address and route dumps says.
namespace RtnetlinkMessages {

struct TLink {
    uint32_t Index = 0;
    uint16_t HardwareType = 0; // ARPHRD_*
    uint32_t Flags = 0;        // IFF_*
    uint8_t OperState = 0;     // IF_OPER_*; unknown when the kernel does not say
    std::string Name;
    std::vector<uint8_t> HardwareAddress;
};
std::optional<TLink> ParseLink(const nlmsghdr& message);
// Whether the link is operationally up. tun and some drivers have no carrier logic and report their state
// as unknown; for them an interface that is up and running counts.
bool IsUp(const TLink& link);

struct TAddress {
    uint32_t Index = 0;
    uint8_t PrefixLength = 0;
    TInterfaceAddress Address;
};
// An IPv4 or IPv6 address; nothing for another family or a message that names no address.
std::optional<TAddress> ParseAddress(const nlmsghdr& message);

struct TRoute {
    std::vector<TDefaultRoute> NextHops; // one for a plain route, one per next hop of a multipath one
    bool Multipath = false;
};
// A unicast default route of the main table, IPv4 or IPv6; nothing for any other route.
std::optional<TRoute> ParseDefaultRoute(const nlmsghdr& message);

} // namespace RtnetlinkMessages
