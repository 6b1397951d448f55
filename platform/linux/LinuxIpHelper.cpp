#include "LinuxIpHelper.h"

#include "InterfaceKind.h"
#include "NetlinkAttributes.h"
#include "RtnetlinkMessages.h"

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
    Share = TLookShare{.AdaptersFill = false,
                       .PerAdapter = true,
                       .PerAdapterFill = false,
                       .IfEntry = true,
                       .Interfaces = true,
                       .DefaultRoutes = true,
                       .Ipv6DnsServers = true};
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
        if (const int error = ReadTables()) return LastError.Fail(error);
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

std::vector<TInterfaceView> TLinuxIpHelper::Interfaces()
{
    if (!LookAtTables(Share.Interfaces)) return {};
    return Views;
}

std::vector<TDefaultRoute> TLinuxIpHelper::DefaultRoutes()
{
    if (!LookAtTables(Share.DefaultRoutes)) return {};
    return Routes;
}

std::vector<std::string> TLinuxIpHelper::Ipv6DnsServers()
{
    if (!(Share.Ipv6DnsServers && ShareValid())) LookForChanges();
    Share.Ipv6DnsServers = false;
    return Resolver.KnownIpv6Servers();
}

std::optional<TWirelessLink> TLinuxIpHelper::WirelessLink(uint32_t index)
{
    if (!Wireless) Wireless.emplace();
    return Wireless->Link(index);
}

// For a call that may use the last look: the tables as the kernel last announced them. False when they
// could not be read; the lists then answer nothing.
bool TLinuxIpHelper::LookAtTables(bool& shared)
{
    if (!(shared && ShareValid())) LookForChanges();
    shared = false;
    if (!TableValid) {
        if (ReadTables() != 0) return false;
        TableValid = true;
    }
    return true;
}

int TLinuxIpHelper::ReadLinkState(uint32_t index, TLinkState& state)
{
    ifinfomsg request{};
    request.ifi_family = AF_UNSPEC;
    request.ifi_index = static_cast<int>(index);
    std::optional<RtnetlinkMessages::TLink> link;
    const int error = Netlink.Request(RTM_GETLINK, 0, &request, sizeof request, [&](const nlmsghdr& message) {
        if (auto parsed = RtnetlinkMessages::ParseLink(message)) link = std::move(parsed);
    });
    if (error) return error;
    if (!link) return ENODEV;
    state.Type = InterfaceType(link->HardwareType, Devices.Traits(index, link->Name));
    state.OperStatus = OperStatusOf(link->OperState);
    state.Speed = Devices.Speed(link->Name);
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
        ForEachAttribute<if_stats_msg>(message, [&](const TNetlinkAttribute& attribute) {
            if (attribute.Type != IFLA_STATS_LINK_64) return;
            if (const auto stats = attribute.As<rtnl_link_stats64>()) {
                in = stats->rx_bytes;
                out = stats->tx_bytes;
                found = true;
            }
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
        ForEachAttribute<ifinfomsg>(message, [&](const TNetlinkAttribute& attribute) {
            if (attribute.Type != IFLA_STATS64) return;
            if (const auto stats = attribute.As<rtnl_link_stats64>()) {
                in = stats->rx_bytes;
                out = stats->tx_bytes;
                found = true;
            }
        });
    });
    return error ? error : found ? 0 : ENODEV;
}

int TLinuxIpHelper::ReadTables()
{
    Table.clear();
    Views.clear();
    Routes.clear();
    if (const int error = ReadLinks()) return error;
    if (const int error = ReadAddresses()) return error;
    if (const int error = ReadDefaultRoutes()) return error;
    // Physical devices first, then virtual ones, each by index.
    std::stable_sort(Table.begin(), Table.end(), [](const TAdapter& a, const TAdapter& b) {
        return a.Physical != b.Physical ? a.Physical : a.Index < b.Index;
    });
    // Leases are read with the table: a renewal re-adds the address, which the kernel announces.
    for (TAdapter& adapter : Table)
        adapter.DhcpServer = DhcpLeases::FindServer(Paths.Leases, adapter.Index, adapter.Name);
    return 0;
}

int TLinuxIpHelper::ReadLinks()
{
    ifinfomsg request{};
    request.ifi_family = AF_UNSPEC;
    return Netlink.Request(RTM_GETLINK, NLM_F_DUMP, &request, sizeof request, [&](const nlmsghdr& message) {
        const std::optional<RtnetlinkMessages::TLink> link = RtnetlinkMessages::ParseLink(message);
        if (!link) return;
        const TSysfsDevices::TTraits& traits = Devices.Traits(link->Index, link->Name);
        TInterfaceView view;
        view.Index = link->Index;
        view.Name = link->Name;
        view.Kind = InterfaceKind::Classify(link->HardwareType, traits);
        view.Physical = traits.Physical;
        view.Up = RtnetlinkMessages::IsUp(*link);
        Views.push_back(std::move(view));
        if (link->HardwareType == ARPHRD_LOOPBACK) return; // the adapter table leaves it out

        TAdapter adapter;
        adapter.Index = link->Index;
        adapter.Name = link->Name;
        adapter.MacLength = static_cast<uint32_t>(std::min(link->HardwareAddress.size(), sizeof adapter.Mac));
        std::copy_n(link->HardwareAddress.begin(), adapter.MacLength, adapter.Mac);
        adapter.Physical = traits.Physical;
        adapter.Type = InterfaceType(link->HardwareType, traits);
        adapter.Description = traits.Model.empty() ? adapter.Name : traits.Model;
        Table.push_back(std::move(adapter));
    });
}

// One dump of both families: the adapter table takes the IPv4 addresses, the interface list all.
int TLinuxIpHelper::ReadAddresses()
{
    ifaddrmsg request{};
    request.ifa_family = AF_UNSPEC;
    return Netlink.Request(RTM_GETADDR, NLM_F_DUMP, &request, sizeof request, [&](const nlmsghdr& message) {
        std::optional<RtnetlinkMessages::TAddress> address = RtnetlinkMessages::ParseAddress(message);
        if (!address) return;
        if (!address->Address.Ipv6) {
            auto adapter =
                std::find_if(Table.begin(), Table.end(), [&](const TAdapter& a) { return a.Index == address->Index; });
            if (adapter != Table.end())
                adapter->Addresses.push_back({address->Address.Address, MaskText(address->PrefixLength)});
        }
        auto view = std::find_if(Views.begin(), Views.end(),
                                 [&](const TInterfaceView& v) { return v.Index == address->Index; });
        if (view != Views.end()) view->Addresses.push_back(std::move(address->Address));
    });
}

// One dump of both families. The adapter table lists the IPv4 gateways of plain default routes.
int TLinuxIpHelper::ReadDefaultRoutes()
{
    rtmsg request{};
    request.rtm_family = AF_UNSPEC;
    return Netlink.Request(RTM_GETROUTE, NLM_F_DUMP, &request, sizeof request, [&](const nlmsghdr& message) {
        std::optional<RtnetlinkMessages::TRoute> route = RtnetlinkMessages::ParseDefaultRoute(message);
        if (!route) return;
        for (TDefaultRoute& hop : route->NextHops) {
            if (!hop.Ipv6 && !route->Multipath && !hop.Gateway.empty()) {
                for (TAdapter& adapter : Table)
                    if (adapter.Index == hop.Index) adapter.Gateways.push_back(hop.Gateway);
            }
            Routes.push_back(std::move(hop));
        }
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
