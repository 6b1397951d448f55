#include "LinuxIpHelper.h"

// glibc's net/if.h must come before the kernel headers, which then leave out their own copies.
#include <net/if.h>

#include <arpa/inet.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

template <std::size_t N> void CopyText(char (&field)[N], const std::string& text)
{
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

std::string AddressText(const void* data)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, data, text, sizeof text);
    return text;
}

std::string MaskText(unsigned prefixLength)
{
    const uint32_t mask = prefixLength == 0 ? 0 : htonl(~uint32_t{0} << (32 - std::min(prefixLength, 32u)));
    return AddressText(&mask);
}

// Calls the handler for each attribute of a message; attributes are laid out after the fixed header.
template <typename Header, typename Handler> void ForEachAttribute(const nlmsghdr& message, Handler handler)
{
    const auto* attribute =
        reinterpret_cast<const rtattr*>(static_cast<const char*>(NLMSG_DATA(&message)) + NLMSG_ALIGN(sizeof(Header)));
    int length = static_cast<int>(message.nlmsg_len) - static_cast<int>(NLMSG_LENGTH(sizeof(Header)));
    for (; RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length))
        handler(*attribute);
}

std::string AttributeText(const rtattr& attribute)
{
    const auto* data = static_cast<const char*>(RTA_DATA(&attribute));
    return std::string(data, strnlen(data, RTA_PAYLOAD(&attribute)));
}

uint32_t OperStatusOf(uint8_t operState)
{
    switch (operState) {
    case IF_OPER_UP: return MIB_IF_OPER_STATUS_OPERATIONAL;
    case IF_OPER_DOWN:
    case IF_OPER_LOWERLAYERDOWN:
    case IF_OPER_NOTPRESENT: return MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    case IF_OPER_DORMANT: return MIB_IF_OPER_STATUS_CONNECTING;
    case IF_OPER_TESTING: return MIB_IF_OPER_STATUS_CONNECTED;
    default: return MIB_IF_OPER_STATUS_UNREACHABLE; // unknown: leaves the connection state as it is
    }
}

// Nodes an address list takes: the first is part of the adapter record itself.
std::size_t ExtraNodes(std::size_t entries) { return entries > 1 ? entries - 1 : 0; }

// Fills an address list whose first node is embedded; further nodes are taken from the pool.
void FillList(IP_ADDR_STRING& head, const std::vector<std::pair<std::string, std::string>>& entries,
              IP_ADDR_STRING*& pool)
{
    IP_ADDR_STRING* node = &head;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            node->Next = pool++;
            node = node->Next;
        }
        CopyText(node->IpAddress.String, entries[i].first);
        CopyText(node->IpMask.String, entries[i].second);
    }
}

std::vector<std::pair<std::string, std::string>> Plain(const std::vector<std::string>& addresses)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& address : addresses)
        entries.emplace_back(address, "");
    return entries;
}

} // namespace

TLinuxIpHelper::TLinuxIpHelper(TLinuxIpHelperPaths paths)
    : Paths(std::move(paths)), Resolver(Paths.ResolvConf, Paths.ResolvedUpstream),
      Devices(Paths.SysClassNet, Paths.UdevData), Changes(epoll_create1(EPOLL_CLOEXEC))
{
    // One descriptor for both sources of change, so that one wait tells whether anything happened.
    if (Changes.Valid() && Watch.Descriptor() >= 0 && Resolver.Descriptor() >= 0) {
        for (const int source : {Watch.Descriptor(), Resolver.Descriptor()}) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.fd = source;
            if (epoll_ctl(Changes.Get(), EPOLL_CTL_ADD, source, &event) != 0) Changes.Reset();
        }
    } else {
        Changes.Reset();
    }
}

bool TLinuxIpHelper::IsAvailable(TIpHelperFunction function)
{
    return function == TIpHelperFunction::GetPerAdapterInfo || Netlink.Valid();
}

std::string TLinuxIpHelper::SystemErrorText(uint32_t code) { return LastError.Text(code); }

int TLinuxIpHelper::TakeChangeDescriptor()
{
    if (!Changes.Valid()) return -1;
    ChangesWatchedOutside = true;
    return Changes.Get();
}

void TLinuxIpHelper::HandlePendingChanges() { ApplyChanges(); }

void TLinuxIpHelper::LookForChanges()
{
    Share = TLookShare{false, true, false, true};
    LastLook = std::chrono::steady_clock::now();
    // A resolver folder that could not be watched is stat-ed at every look.
    if (ChangesWatchedOutside || Changes.Valid()) {
        if (!Resolver.Watched()) Resolver.CheckForChanges();
    }
    if (ChangesWatchedOutside) return;
    if (Changes.Valid()) {
        epoll_event ready[2];
        if (epoll_wait(Changes.Get(), ready, 2, 0) == 0) return;
    }
    ApplyChanges();
}

void TLinuxIpHelper::ApplyChanges()
{
    const TNetlinkChanges changes = Watch.Take();
    if (changes.Any) TableValid = false;
    if (changes.Lost) Links.clear();
    for (const uint32_t index : changes.Links)
        Links.erase(index);
    Resolver.CheckForChanges();
}

// A look serves the calls of one query sequence, which follow each other within microseconds; a call that
// comes later looks again.
bool TLinuxIpHelper::ShareValid() const
{
    return std::chrono::steady_clock::now() - LastLook < std::chrono::milliseconds(100);
}

uint32_t TLinuxIpHelper::GetAdaptersInfo(IP_ADAPTER_INFO* adapterInfo, uint32_t* size)
{
    if (!size) return ERROR_INVALID_PARAMETER;
    // The fill call right after a sizing call answers from the table the size was taken from.
    const bool fillCall = Share.AdaptersFill && ShareValid();
    if (!fillCall) LookForChanges();
    Share.AdaptersFill = false;
    // The table is read afresh whenever the kernel announced a change of links, addresses or routes.
    if (!TableValid) {
        if (const int error = ReadAdapterTable(Table)) return LastError.Fail(error);
        TableValid = true;
    }
    if (Table.empty()) return ERROR_NO_DATA;

    std::size_t extra = 0;
    for (const TAdapter& adapter : Table)
        extra += ExtraNodes(adapter.Addresses.size()) + ExtraNodes(adapter.Gateways.size());
    const std::size_t needed = Table.size() * sizeof(IP_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING);
    if (!adapterInfo || *size < needed) {
        *size = static_cast<uint32_t>(needed);
        Share.AdaptersFill = true;
        return ERROR_BUFFER_OVERFLOW;
    }

    std::memset(static_cast<void*>(adapterInfo), 0, needed);
    auto* pool = reinterpret_cast<IP_ADDR_STRING*>(adapterInfo + Table.size());
    for (std::size_t i = 0; i < Table.size(); ++i) {
        const TAdapter& source = Table[i];
        IP_ADAPTER_INFO& target = adapterInfo[i];
        target.Next = i + 1 < Table.size() ? &adapterInfo[i + 1] : nullptr;
        target.ComboIndex = source.Index;
        CopyText(target.AdapterName, source.Name);
        CopyText(target.Description, source.Description);
        target.AddressLength = source.MacLength;
        std::memcpy(target.Address, source.Mac, sizeof target.Address);
        target.Index = source.Index;
        target.Type = source.Type;
        target.DhcpEnabled = source.DhcpServer.empty() ? 0 : 1;

        std::vector<std::pair<std::string, std::string>> addresses;
        for (const TAddress& address : source.Addresses)
            addresses.emplace_back(address.Address, address.Mask);
        if (addresses.empty())
            addresses.emplace_back("0.0.0.0", "0.0.0.0"); // as the table lists an adapter without IPv4
        FillList(target.IpAddressList, addresses, pool);
        target.CurrentIpAddress = nullptr;
        FillList(target.GatewayList, Plain(source.Gateways), pool);
        CopyText(target.DhcpServer.IpAddress.String, source.DhcpServer);
    }
    return NO_ERROR;
}

uint32_t TLinuxIpHelper::GetPerAdapterInfo(uint32_t, IP_PER_ADAPTER_INFO* perAdapterInfo, uint32_t* size)
{
    if (!size) return ERROR_INVALID_PARAMETER;
    const bool shared = (Share.PerAdapterFill || Share.PerAdapter) && ShareValid();
    if (!shared) LookForChanges();
    Share.PerAdapter = Share.PerAdapterFill = false;
    // One resolver serves every adapter here.
    const std::vector<std::string>& servers = Resolver.KnownServers();
    const std::size_t needed = sizeof(IP_PER_ADAPTER_INFO) + ExtraNodes(servers.size()) * sizeof(IP_ADDR_STRING);
    if (!perAdapterInfo || *size < needed) {
        *size = static_cast<uint32_t>(needed);
        Share.PerAdapterFill = true;
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memset(static_cast<void*>(perAdapterInfo), 0, needed);
    auto* pool = reinterpret_cast<IP_ADDR_STRING*>(perAdapterInfo + 1);
    FillList(perAdapterInfo->DnsServerList, Plain(servers), pool);
    return NO_ERROR;
}

uint32_t TLinuxIpHelper::GetIfEntry(MIB_IFROW* row)
{
    if (!row || row->dwIndex == 0) return ERROR_INVALID_PARAMETER;
    if (!(Share.IfEntry && ShareValid())) LookForChanges();
    Share.IfEntry = false;
    const uint32_t index = row->dwIndex;
    auto link = Links.find(index);
    if (link == Links.end()) {
        TLinkState state;
        // An interface that has gone since the adapter list was read is an unknown index.
        if (const int error = ReadLinkState(index, state)) return LastError.Fail(error);
        link = Links.emplace(index, state).first;
    }
    uint64_t in = 0, out = 0;
    if (const int error = ReadCounters(index, in, out)) {
        Links.erase(index);
        return LastError.Fail(error);
    }
    row->dwType = link->second.Type;
    row->dwOperStatus = link->second.OperStatus;
    row->dwSpeed = link->second.Speed;
    row->dwInOctets = in;
    row->dwOutOctets = out;
    return NO_ERROR;
}

int TLinuxIpHelper::ReadLinkState(uint32_t index, TLinkState& state)
{
    ifinfomsg request{};
    request.ifi_family = AF_UNSPEC;
    request.ifi_index = static_cast<int>(index);
    bool found = false;
    std::string name;
    uint16_t hardwareType = 0;
    uint8_t operState = IF_OPER_UNKNOWN;
    const int error = Netlink.Request(RTM_GETLINK, 0, &request, sizeof request, [&](const nlmsghdr& message) {
        if (message.nlmsg_type != RTM_NEWLINK) return;
        found = true;
        hardwareType = static_cast<const ifinfomsg*>(NLMSG_DATA(&message))->ifi_type;
        ForEachAttribute<ifinfomsg>(message, [&](const rtattr& attribute) {
            if (attribute.rta_type == IFLA_IFNAME) name = AttributeText(attribute);
            if (attribute.rta_type == IFLA_OPERSTATE && RTA_PAYLOAD(&attribute) >= 1)
                operState = *static_cast<const uint8_t*>(RTA_DATA(&attribute));
        });
    });
    if (error) return error;
    if (!found) return ENODEV;
    state.Type = InterfaceType(hardwareType, Devices.Traits(index, name));
    state.OperStatus = OperStatusOf(operState);
    state.Speed = Devices.Speed(name);
    return 0;
}

// The statistics request answers the counters alone, without the link's whole description.
int TLinuxIpHelper::ReadCounters(uint32_t index, uint64_t& in, uint64_t& out)
{
    if (!StatsRequestWorks) return ReadCountersFromLink(index, in, out);
    if_stats_msg request{};
    request.family = AF_UNSPEC;
    request.ifindex = index;
    request.filter_mask = IFLA_STATS_FILTER_BIT(IFLA_STATS_LINK_64);
    bool found = false;
    const int error = Netlink.Request(RTM_GETSTATS, 0, &request, sizeof request, [&](const nlmsghdr& message) {
        if (message.nlmsg_type != RTM_NEWSTATS) return;
        ForEachAttribute<if_stats_msg>(message, [&](const rtattr& attribute) {
            rtnl_link_stats64 stats{};
            if (attribute.rta_type != IFLA_STATS_LINK_64 || RTA_PAYLOAD(&attribute) < sizeof stats) return;
            std::memcpy(&stats, RTA_DATA(&attribute), sizeof stats);
            in = stats.rx_bytes;
            out = stats.tx_bytes;
            found = true;
        });
    });
    if (error == EOPNOTSUPP || error == EINVAL || (!error && !found)) {
        StatsRequestWorks = false; // a kernel before 4.7
        return ReadCountersFromLink(index, in, out);
    }
    return error;
}

int TLinuxIpHelper::ReadCountersFromLink(uint32_t index, uint64_t& in, uint64_t& out)
{
    ifinfomsg request{};
    request.ifi_family = AF_UNSPEC;
    request.ifi_index = static_cast<int>(index);
    bool found = false;
    const int error = Netlink.Request(RTM_GETLINK, 0, &request, sizeof request, [&](const nlmsghdr& message) {
        if (message.nlmsg_type != RTM_NEWLINK) return;
        ForEachAttribute<ifinfomsg>(message, [&](const rtattr& attribute) {
            rtnl_link_stats64 stats{};
            if (attribute.rta_type != IFLA_STATS64 || RTA_PAYLOAD(&attribute) < sizeof stats) return;
            std::memcpy(&stats, RTA_DATA(&attribute), sizeof stats);
            in = stats.rx_bytes;
            out = stats.tx_bytes;
            found = true;
        });
    });
    return error ? error : found ? 0 : ENODEV;
}

int TLinuxIpHelper::ReadAdapterTable(std::vector<TAdapter>& table)
{
    table.clear();
    if (const int error = ReadLinks(table)) return error;
    if (const int error = ReadAddresses(table)) return error;
    if (const int error = ReadDefaultGateways(table)) return error;
    // Physical devices first, then virtual ones, each by index.
    std::stable_sort(table.begin(), table.end(), [](const TAdapter& a, const TAdapter& b) {
        return a.Physical != b.Physical ? a.Physical : a.Index < b.Index;
    });
    // Leases are read with the table: a renewal re-adds the address, which the kernel announces.
    for (TAdapter& adapter : table)
        adapter.DhcpServer = DhcpLeases::FindServer(Paths.Leases, adapter.Index, adapter.Name);
    return 0;
}

int TLinuxIpHelper::ReadLinks(std::vector<TAdapter>& table)
{
    ifinfomsg request{};
    request.ifi_family = AF_UNSPEC;
    return Netlink.Request(RTM_GETLINK, NLM_F_DUMP, &request, sizeof request, [&](const nlmsghdr& message) {
        if (message.nlmsg_type != RTM_NEWLINK) return;
        const auto* link = static_cast<const ifinfomsg*>(NLMSG_DATA(&message));
        if (link->ifi_type == ARPHRD_LOOPBACK) return;
        TAdapter adapter;
        adapter.Index = static_cast<uint32_t>(link->ifi_index);
        ForEachAttribute<ifinfomsg>(message, [&](const rtattr& attribute) {
            if (attribute.rta_type == IFLA_IFNAME) adapter.Name = AttributeText(attribute);
            if (attribute.rta_type == IFLA_ADDRESS) {
                adapter.MacLength =
                    static_cast<uint32_t>(std::min<std::size_t>(RTA_PAYLOAD(&attribute), sizeof adapter.Mac));
                std::memcpy(adapter.Mac, RTA_DATA(&attribute), adapter.MacLength);
            }
        });
        const TSysfsDevices::TTraits& traits = Devices.Traits(adapter.Index, adapter.Name);
        adapter.Physical = traits.Physical;
        adapter.Type = InterfaceType(link->ifi_type, traits);
        adapter.Description = traits.Model.empty() ? adapter.Name : traits.Model;
        table.push_back(std::move(adapter));
    });
}

int TLinuxIpHelper::ReadAddresses(std::vector<TAdapter>& table)
{
    ifaddrmsg request{};
    request.ifa_family = AF_INET;
    return Netlink.Request(RTM_GETADDR, NLM_F_DUMP, &request, sizeof request, [&](const nlmsghdr& message) {
        if (message.nlmsg_type != RTM_NEWADDR) return;
        const auto* address = static_cast<const ifaddrmsg*>(NLMSG_DATA(&message));
        auto adapter =
            std::find_if(table.begin(), table.end(), [&](const TAdapter& a) { return a.Index == address->ifa_index; });
        if (adapter == table.end()) return;
        std::string local, peer;
        ForEachAttribute<ifaddrmsg>(message, [&](const rtattr& attribute) {
            if (RTA_PAYLOAD(&attribute) < 4) return;
            if (attribute.rta_type == IFA_LOCAL) local = AddressText(RTA_DATA(&attribute));
            if (attribute.rta_type == IFA_ADDRESS) peer = AddressText(RTA_DATA(&attribute));
        });
        const std::string& text = local.empty() ? peer : local;
        if (!text.empty()) adapter->Addresses.push_back({text, MaskText(address->ifa_prefixlen)});
    });
}

int TLinuxIpHelper::ReadDefaultGateways(std::vector<TAdapter>& table)
{
    rtmsg request{};
    request.rtm_family = AF_INET;
    return Netlink.Request(RTM_GETROUTE, NLM_F_DUMP, &request, sizeof request, [&](const nlmsghdr& message) {
        if (message.nlmsg_type != RTM_NEWROUTE) return;
        const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(&message));
        if (route->rtm_dst_len != 0 || route->rtm_type != RTN_UNICAST) return;
        uint32_t tableId = route->rtm_table;
        uint32_t outputIndex = 0;
        std::string gateway;
        ForEachAttribute<rtmsg>(message, [&](const rtattr& attribute) {
            if (attribute.rta_type == RTA_TABLE && RTA_PAYLOAD(&attribute) >= 4)
                std::memcpy(&tableId, RTA_DATA(&attribute), 4);
            if (attribute.rta_type == RTA_OIF && RTA_PAYLOAD(&attribute) >= 4)
                std::memcpy(&outputIndex, RTA_DATA(&attribute), 4);
            if (attribute.rta_type == RTA_GATEWAY && RTA_PAYLOAD(&attribute) >= 4)
                gateway = AddressText(RTA_DATA(&attribute));
        });
        if (tableId != RT_TABLE_MAIN || gateway.empty()) return;
        for (TAdapter& adapter : table)
            if (adapter.Index == outputIndex) adapter.Gateways.push_back(gateway);
    });
}

uint32_t TLinuxIpHelper::InterfaceType(uint16_t hardwareType, const TSysfsDevices::TTraits& traits) const
{
    switch (hardwareType) {
    case ARPHRD_ETHER: return traits.Wireless ? IF_TYPE_IEEE80211 : MIB_IF_TYPE_ETHERNET;
    case ARPHRD_PPP: return MIB_IF_TYPE_PPP;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE:
    case ARPHRD_NONE: return IF_TYPE_TUNNEL;
    default: return MIB_IF_TYPE_OTHER;
    }
}
