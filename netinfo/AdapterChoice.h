#pragma once

#include "IPFunctions.h"

#include "platform/IIpHelper.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which adapter the poll cycle watches: the first Ethernet adapter, the one the default route leaves
// through, the sum of the physical adapters, or one interface named by the user.
struct TAdapterChoice {
    enum class TMode { FirstEthernet, DefaultRoute, AllPhysical, Named };
    TMode Mode = TMode::FirstEthernet;
    std::string Name; // with Named: the interface's name

    // The stored form: empty for the first Ethernet adapter, "default-route", "all-physical" or the name.
    std::string Text() const;
    bool operator==(const TAdapterChoice&) const = default;
};

struct TParsedAdapterChoice {
    TAdapterChoice Choice;
    std::string Problem; // the status log's line about a stored text that names no interface; empty when fine
};

// A stored text that cannot be an interface name is the first Ethernet adapter, with a line saying so.
TParsedAdapterChoice ParseAdapterChoice(const std::string& text);

// "Ethernet", "Wi-Fi", "Mobile broadband", "PPP", "Tunnel", "Bridge", "Virtual" or "Loopback".
std::string KindName(TInterfaceKind kind);

// What the choice watches now.
struct TWatchedAdapter {
    // Identifies what is watched ("3", "all:2,5"): a new key is another connection.
    std::string Key;
    // The adapter whose addresses are shown; for a sum, the one carrying the default route.
    AdapterSnapshot Snapshot;
    // The interface row, or the rows of a sum added up.
    InterfaceSample Sample;
    std::optional<TWirelessLink> Wireless;
    std::string Ipv6ClientIp; // the stable global address, empty when there is none
    // No IPv4 address but a global one of IPv6: the snapshot's addresses, gateway and name servers are
    // the IPv6 ones.
    bool Ipv6Only = false;
    // What the connection is called: the adapter's description, a wireless network's name, or the sum's
    // own name, which is shown whole.
    std::string Name;
    bool Summed = false;
    std::vector<uint32_t> Members; // the interfaces whose rows are read
    bool DetailsRead = false;
};

namespace AdapterChoice {

// The adapter table (and the interfaces and routes for the choices that need them): which adapter the
// choice watches, without its rows or details. Nothing when it watches nothing (absent adapter, no default
// route, no physical adapter up). Failures of the table leave as ScanAdapters' do.
std::optional<TWatchedAdapter> Choose(IIpHelper& ipHelper, const TAdapterChoice& choice);
// The interface rows of the members into Sample. Failures leave as QueryInterface's do.
void ReadSample(IIpHelper& ipHelper, TWatchedAdapter& watched);
// What the texts need beyond the tables: the wireless link and the IPv6 addresses, and for an adapter
// with IPv6 alone its IPv6 gateway and name servers.
void ReadDetails(IIpHelper& ipHelper, TWatchedAdapter& watched);

// An address of IPv4 other than 0.0.0.0, which the table lists for an adapter without one.
bool HasIpv4(const AdapterSnapshot& snapshot);
// The wireless link's transmit rate where it is known, otherwise the row's speed (bits per second).
uint64_t LinkSpeed(const TWatchedAdapter& watched);

} // namespace AdapterChoice

// Choose, ReadSample and ReadDetails in one.
std::optional<TWatchedAdapter> WatchAdapter(IIpHelper& ipHelper, const TAdapterChoice& choice);

// The seven lines of the network information: description, adapter name, MAC, DHCP, DNS, gateway and client.
std::vector<std::string> NetworkInfoLines(const AdapterSnapshot& snapshot);
// The seven lines, then "SSID: ...", "Signal: -NN dBm" and "IPv6 Client IP: ..." where they apply.
std::vector<std::string> NetworkInfoLines(const TWatchedAdapter& watched);
