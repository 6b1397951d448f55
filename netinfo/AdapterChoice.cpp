#include "AdapterChoice.h"

#include "platform/linux/PrintableText.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

constexpr const char* DefaultRouteText = "default-route";
constexpr const char* AllPhysicalText = "all-physical";
// The kernel's IFNAMSIZ less the terminating zero.
constexpr std::size_t MaxNameBytes = 15;

bool IsInterfaceName(std::string_view name)
{
    if (name.empty() || name.size() > MaxNameBytes || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // Space and the C0 controls lie at or below 0x20.
        if (c <= 0x20 || c == 0x7f || c == '/' || c == ':') return false;
        // The C1 controls (next line among them) as UTF-8 writes them.
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (c == 0xc2 && next >= 0x80 && next <= 0x9f) return false;
    }
    return true;
}

// Quoted in the log: the quote and the backslash are escaped too, so that the text between the quotes
// reads back as it was stored.
std::string Quoted(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return '"' + PrintableText::Escaped(escaped) + '"';
}

std::string_view FieldText(const char* field, std::size_t size) { return {field, strnlen(field, size)}; }

template <typename Predicate> const IP_ADAPTER_INFO* FindAdapter(const TIpHelperBuffer& adapters, Predicate wanted)
{
    for (const IP_ADAPTER_INFO* adapter = adapters.As<IP_ADAPTER_INFO>(); adapter; adapter = adapter->Next)
        if (wanted(*adapter)) return adapter;
    return nullptr;
}

const IP_ADAPTER_INFO* FindIndex(const TIpHelperBuffer& adapters, uint32_t index)
{
    return FindAdapter(adapters, [&](const IP_ADAPTER_INFO& adapter) { return adapter.Index == index; });
}

// The default route of IPv4 with the lowest metric, else that of IPv6; the first listed of equal ones.
template <typename Predicate>
const TDefaultRoute* BestRoute(const std::vector<TDefaultRoute>& routes, Predicate leavesThrough)
{
    const TDefaultRoute* best = nullptr;
    for (const TDefaultRoute& route : routes) {
        if (!leavesThrough(route.Index)) continue;
        if (!best || (best->Ipv6 && !route.Ipv6) || (best->Ipv6 == route.Ipv6 && route.Metric < best->Metric))
            best = &route;
    }
    return best;
}

std::optional<TWatchedAdapter> Single(IIpHelper& ipHelper, const IP_ADAPTER_INFO* adapter)
{
    if (!adapter) return std::nullopt;
    TWatchedAdapter watched;
    watched.Snapshot = IPFunctions::CopyAdapter(ipHelper, *adapter);
    watched.Key = std::to_string(adapter->Index);
    watched.Name = watched.Snapshot.Description;
    watched.Members = {adapter->Index};
    return watched;
}

std::optional<TWatchedAdapter> AllPhysical(IIpHelper& ipHelper, const TIpHelperBuffer& adapters)
{
    std::vector<uint32_t> members;
    for (const TInterfaceView& view : ipHelper.Interfaces())
        if (view.Physical && view.Up && view.Kind != TInterfaceKind::Loopback) members.push_back(view.Index);
    // By index, so that the same adapters listed in another order are the same sum.
    std::sort(members.begin(), members.end());
    auto isMember = [&](uint32_t index) { return std::binary_search(members.begin(), members.end(), index); };

    // The addresses shown are those of the member the default route leaves through, or of the first.
    const IP_ADAPTER_INFO* shown = nullptr;
    const std::vector<TDefaultRoute> routes = ipHelper.DefaultRoutes();
    if (const TDefaultRoute* route = BestRoute(routes, isMember)) shown = FindIndex(adapters, route->Index);
    for (std::size_t i = 0; !shown && i < members.size(); ++i)
        shown = FindIndex(adapters, members[i]);
    std::optional<TWatchedAdapter> watched = Single(ipHelper, shown);
    if (!watched) return std::nullopt;

    watched->Key = "all:";
    for (std::size_t i = 0; i < members.size(); ++i)
        watched->Key += (i ? "," : "") + std::to_string(members[i]);
    watched->Name = watched->Snapshot.Description = "All physical adapters (" + std::to_string(members.size()) + ")";
    watched->Summed = true;
    watched->Members = std::move(members);
    return watched;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max() : a + b;
}

// A stable global address, not past its preferred lifetime where there is one; temporary privacy addresses
// change every day and are left out.
std::string StableGlobalAddress(const std::vector<TInterfaceAddress>& addresses)
{
    const TInterfaceAddress* found = nullptr;
    for (const TInterfaceAddress& address : addresses) {
        if (!address.Ipv6 || !address.Global || address.Temporary) continue;
        if (!address.Deprecated) return address.Address;
        if (!found) found = &address;
    }
    return found ? found->Address : std::string();
}

} // namespace

std::string TAdapterChoice::Text() const
{
    switch (Mode) {
    case TMode::FirstEthernet: return {};
    case TMode::DefaultRoute: return DefaultRouteText;
    case TMode::AllPhysical: return AllPhysicalText;
    case TMode::Named: return Name;
    }
    return {};
}

TParsedAdapterChoice ParseAdapterChoice(const std::string& text)
{
    using TMode = TAdapterChoice::TMode;
    if (text.empty()) return {};
    if (text == DefaultRouteText) return {{TMode::DefaultRoute, {}}, {}};
    if (text == AllPhysicalText) return {{TMode::AllPhysical, {}}, {}};
    if (IsInterfaceName(text)) return {{TMode::Named, text}, {}};
    return {{}, "Adapter " + Quoted(text) + " is not an interface name: the first Ethernet adapter is watched."};
}

std::string KindName(TInterfaceKind kind)
{
    switch (kind) {
    case TInterfaceKind::Ethernet: return "Ethernet";
    case TInterfaceKind::WiFi: return "Wi-Fi";
    case TInterfaceKind::MobileBroadband: return "Mobile broadband";
    case TInterfaceKind::Ppp: return "PPP";
    case TInterfaceKind::Tunnel: return "Tunnel";
    case TInterfaceKind::Bridge: return "Bridge";
    case TInterfaceKind::Virtual: return "Virtual";
    case TInterfaceKind::Loopback: return "Loopback";
    }
    return {};
}

namespace AdapterChoice {

std::optional<TWatchedAdapter> Choose(IIpHelper& ipHelper, const TAdapterChoice& choice)
{
    using TMode = TAdapterChoice::TMode;
    // The adapter query comes first: the interfaces and routes are answered from the same look at the tables.
    const TIpHelperBuffer adapters = IPFunctions::QueryAdaptersInfo(ipHelper);
    switch (choice.Mode) {
    case TMode::FirstEthernet:
        return Single(ipHelper, FindAdapter(adapters, [](const IP_ADAPTER_INFO& adapter) {
                          return adapter.Type == MIB_IF_TYPE_ETHERNET;
                      }));
    case TMode::DefaultRoute: {
        const std::vector<TDefaultRoute> routes = ipHelper.DefaultRoutes();
        const TDefaultRoute* route = BestRoute(routes, [](uint32_t) { return true; });
        return route ? Single(ipHelper, FindIndex(adapters, route->Index)) : std::nullopt;
    }
    case TMode::AllPhysical: return AllPhysical(ipHelper, adapters);
    case TMode::Named:
        return Single(ipHelper, FindAdapter(adapters, [&](const IP_ADAPTER_INFO& adapter) {
                          return FieldText(adapter.AdapterName, sizeof adapter.AdapterName) == choice.Name;
                      }));
    }
    return std::nullopt;
}

void ReadSample(IIpHelper& ipHelper, TWatchedAdapter& watched)
{
    InterfaceSample sum;
    for (std::size_t i = 0; i < watched.Members.size(); ++i) {
        const InterfaceSample sample = IPFunctions::QueryInterface(ipHelper, watched.Members[i]);
        if (i == 0) {
            sum = sample;
            continue;
        }
        sum.InOctets = SaturatingAdd(sum.InOctets, sample.InOctets);
        sum.OutOctets = SaturatingAdd(sum.OutOctets, sample.OutOctets);
        sum.Speed = SaturatingAdd(sum.Speed, sample.Speed);
        // Operational while any member is; down only when all are; in between otherwise.
        sum.OperStatus = std::max(sum.OperStatus, sample.OperStatus);
    }
    watched.Sample = sum;
}

void ReadDetails(IIpHelper& ipHelper, TWatchedAdapter& watched)
{
    if (watched.DetailsRead) return;
    watched.DetailsRead = true;
    AdapterSnapshot& snapshot = watched.Snapshot;
    const std::vector<TInterfaceView> views = ipHelper.Interfaces();
    const auto view = std::find_if(views.begin(), views.end(),
                                   [&](const TInterfaceView& candidate) { return candidate.Index == snapshot.Index; });
    if (view == views.end()) return;

    if (view->Kind == TInterfaceKind::WiFi && !watched.Summed) {
        watched.Wireless = ipHelper.WirelessLink(snapshot.Index);
        if (watched.Wireless) {
            // A network's name is whatever bytes its access point sends: escaped before any display shows it.
            watched.Wireless->Ssid = PrintableText::Escaped(watched.Wireless->Ssid);
            if (!watched.Wireless->Ssid.empty()) watched.Name = watched.Wireless->Ssid;
        }
    }
    watched.Ipv6ClientIp = StableGlobalAddress(view->Addresses);
    if (HasIpv4(snapshot) || watched.Ipv6ClientIp.empty()) return;

    watched.Ipv6Only = true;
    snapshot.ClientIps = {watched.Ipv6ClientIp};
    snapshot.Gateways.clear();
    const std::vector<TDefaultRoute> routes = ipHelper.DefaultRoutes();
    const TDefaultRoute* route = nullptr;
    for (const TDefaultRoute& candidate : routes)
        if (candidate.Ipv6 && candidate.Index == snapshot.Index && (!route || candidate.Metric < route->Metric))
            route = &candidate;
    if (route && !route->Gateway.empty()) snapshot.Gateways = {route->Gateway};
    snapshot.DnsServers = ipHelper.Ipv6DnsServers();
}

bool HasIpv4(const AdapterSnapshot& snapshot)
{
    return std::any_of(snapshot.ClientIps.begin(), snapshot.ClientIps.end(),
                       [](const std::string& address) { return !address.empty() && address != "0.0.0.0"; });
}

uint64_t LinkSpeed(const TWatchedAdapter& watched)
{
    return watched.Wireless && watched.Wireless->TransmitBitrate ? watched.Wireless->TransmitBitrate
                                                                 : watched.Sample.Speed;
}

} // namespace AdapterChoice

std::optional<TWatchedAdapter> WatchAdapter(IIpHelper& ipHelper, const TAdapterChoice& choice)
{
    std::optional<TWatchedAdapter> watched = AdapterChoice::Choose(ipHelper, choice);
    if (watched) {
        AdapterChoice::ReadSample(ipHelper, *watched);
        AdapterChoice::ReadDetails(ipHelper, *watched);
    }
    return watched;
}

std::vector<std::string> NetworkInfoLines(const AdapterSnapshot& snapshot)
{
    auto pair = [](const std::vector<std::string>& list) { return Entry(list, 1) + " " + Entry(list, 2); };
    return {snapshot.Description,
            snapshot.AdapterName,
            "MacAddress: " + snapshot.MacText,
            "DHCP Server IP: " + pair(snapshot.DhcpServers),
            "DNS Server IP: " + pair(snapshot.DnsServers),
            "Gateway IP: " + pair(snapshot.Gateways),
            "Client IP: " + pair(snapshot.ClientIps)};
}

std::vector<std::string> NetworkInfoLines(const TWatchedAdapter& watched)
{
    std::vector<std::string> lines = NetworkInfoLines(watched.Snapshot);
    if (watched.Wireless) {
        if (!watched.Wireless->Ssid.empty()) lines.push_back("SSID: " + watched.Wireless->Ssid);
        if (watched.Wireless->SignalDbm)
            lines.push_back("Signal: " + std::to_string(*watched.Wireless->SignalDbm) + " dBm");
    }
    // An IPv6-only adapter's address is already the client line.
    if (!watched.Ipv6Only && !watched.Ipv6ClientIp.empty()) lines.push_back("IPv6 Client IP: " + watched.Ipv6ClientIp);
    return lines;
}
