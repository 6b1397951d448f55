#include "RtnetlinkMessages.h"

#include "NetlinkAttributes.h"

// glibc's net/if.h must come before the kernel headers, which then leave out their own copies.
#include <net/if.h>

#include <arpa/inet.h>
#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace RtnetlinkMessages {

namespace {

// The address as text; the empty text when the payload is too short for the family.
std::string AddressText(int family, std::span<const std::byte> payload)
{
    const std::size_t size = family == AF_INET6 ? 16 : 4;
    if (payload.size() < size) return {};
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(family, payload.data(), text, sizeof text);
    return text;
}

template <typename Header> const Header* FixedHeader(const nlmsghdr& message, uint16_t type)
{
    if (message.nlmsg_type != type || message.nlmsg_len < NLMSG_LENGTH(sizeof(Header))) return nullptr;
    return static_cast<const Header*>(NLMSG_DATA(&message));
}

// The next hops of RTA_MULTIPATH: each an rtnexthop with attributes of its own (the gateway) after it.
void AddNextHops(std::span<const std::byte> hops, int family, TDefaultRoute route, std::vector<TDefaultRoute>& out)
{
    while (hops.size() >= sizeof(rtnexthop)) {
        rtnexthop hop;
        std::memcpy(&hop, hops.data(), sizeof hop);
        if (hop.rtnh_len < sizeof hop || hop.rtnh_len > hops.size()) return;
        route.Index = static_cast<uint32_t>(hop.rtnh_ifindex);
        route.Gateway.clear();
        ForEachAttribute(hops.subspan(RTNH_ALIGN(sizeof hop), hop.rtnh_len - RTNH_ALIGN(sizeof hop)),
                         [&](const TNetlinkAttribute& attribute) {
                             if (attribute.Type == RTA_GATEWAY) route.Gateway = AddressText(family, attribute.Payload);
                         });
        out.push_back(route);
        hops = hops.subspan(std::min<std::size_t>(RTNH_ALIGN(hop.rtnh_len), hops.size()));
    }
}

} // namespace

std::optional<TLink> ParseLink(const nlmsghdr& message)
{
    const auto* header = FixedHeader<ifinfomsg>(message, RTM_NEWLINK);
    if (!header) return std::nullopt;
    TLink link;
    link.Index = static_cast<uint32_t>(header->ifi_index);
    link.HardwareType = header->ifi_type;
    link.Flags = header->ifi_flags;
    link.OperState = IF_OPER_UNKNOWN;
    ForEachAttribute<ifinfomsg>(message, [&](const TNetlinkAttribute& attribute) {
        if (attribute.Type == IFLA_IFNAME) link.Name = attribute.Text();
        if (attribute.Type == IFLA_OPERSTATE) link.OperState = attribute.As<uint8_t>().value_or(IF_OPER_UNKNOWN);
        if (attribute.Type == IFLA_ADDRESS) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(attribute.Payload.data());
            link.HardwareAddress.assign(bytes, bytes + attribute.Payload.size());
        }
    });
    return link;
}

bool IsUp(const TLink& link)
{
    constexpr uint32_t upAndRunning = IFF_UP | IFF_RUNNING;
    return link.OperState == IF_OPER_UP ||
           (link.OperState == IF_OPER_UNKNOWN && (link.Flags & upAndRunning) == upAndRunning);
}

std::optional<TAddress> ParseAddress(const nlmsghdr& message)
{
    const auto* header = FixedHeader<ifaddrmsg>(message, RTM_NEWADDR);
    if (!header || (header->ifa_family != AF_INET && header->ifa_family != AF_INET6)) return std::nullopt;
    TAddress address;
    address.Index = header->ifa_index;
    address.PrefixLength = header->ifa_prefixlen;
    address.Address.Ipv6 = header->ifa_family == AF_INET6;
    // IFA_FLAGS carries all 32 flag bits; the header's byte only the first eight.
    uint32_t flags = header->ifa_flags;
    std::string local, peer;
    std::optional<ifa_cacheinfo> lifetimes;
    ForEachAttribute<ifaddrmsg>(message, [&](const TNetlinkAttribute& attribute) {
        if (attribute.Type == IFA_LOCAL) local = AddressText(header->ifa_family, attribute.Payload);
        if (attribute.Type == IFA_ADDRESS) peer = AddressText(header->ifa_family, attribute.Payload);
        if (attribute.Type == IFA_FLAGS) flags = attribute.As<uint32_t>().value_or(flags);
        if (attribute.Type == IFA_CACHEINFO) lifetimes = attribute.As<ifa_cacheinfo>();
    });
    // On a point-to-point link IFA_ADDRESS is the peer's and IFA_LOCAL the own address.
    address.Address.Address = local.empty() ? peer : local;
    if (address.Address.Address.empty()) return std::nullopt;
    if (address.Address.Ipv6) {
        address.Address.Global = header->ifa_scope == RT_SCOPE_UNIVERSE;
        address.Address.Temporary = (flags & IFA_F_TEMPORARY) != 0;
        address.Address.Deprecated = (flags & IFA_F_DEPRECATED) != 0 || (lifetimes && lifetimes->ifa_prefered == 0);
    }
    return address;
}

std::optional<TRoute> ParseDefaultRoute(const nlmsghdr& message)
{
    const auto* header = FixedHeader<rtmsg>(message, RTM_NEWROUTE);
    if (!header || (header->rtm_family != AF_INET && header->rtm_family != AF_INET6)) return std::nullopt;
    if (header->rtm_dst_len != 0 || header->rtm_type != RTN_UNICAST) return std::nullopt;
    const int family = header->rtm_family;
    // rtm_table holds only table numbers below 256; RTA_TABLE holds any.
    uint32_t table = header->rtm_table;
    TDefaultRoute route;
    route.Ipv6 = family == AF_INET6;
    std::span<const std::byte> hops;
    ForEachAttribute<rtmsg>(message, [&](const TNetlinkAttribute& attribute) {
        if (attribute.Type == RTA_TABLE) table = attribute.As<uint32_t>().value_or(table);
        if (attribute.Type == RTA_OIF) route.Index = attribute.As<uint32_t>().value_or(0);
        if (attribute.Type == RTA_PRIORITY) route.Metric = attribute.As<uint32_t>().value_or(0);
        if (attribute.Type == RTA_GATEWAY) route.Gateway = AddressText(family, attribute.Payload);
        if (attribute.Type == RTA_MULTIPATH) hops = attribute.Payload;
    });
    if (table != RT_TABLE_MAIN) return std::nullopt;
    TRoute result;
    result.Multipath = !hops.empty();
    if (result.Multipath) {
        AddNextHops(hops, family, route, result.NextHops);
    } else {
        result.NextHops.push_back(std::move(route));
    }
    return result;
}

} // namespace RtnetlinkMessages
