#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where the DHCP clients of the usual network managers keep their leases.
struct TDhcpLeasePaths {
    std::string NetworkdLeases = "/run/systemd/netif/leases";
    std::string NetworkManagerLeases = "/var/lib/NetworkManager";
    std::vector<std::string> DhclientLeases = {"/var/lib/dhcp", "/var/lib/dhclient"};
};

namespace DhcpLeases {

// The DHCP server that gave the interface its lease, or the empty text when no lease names one.
std::string FindServer(const TDhcpLeasePaths& paths, uint32_t interfaceIndex, const std::string& interfaceName);

// systemd-networkd and NetworkManager's internal client: "SERVER_ADDRESS=a.b.c.d".
std::string ServerFromKeyValueLease(const std::string& text);
// dhclient: the last "lease { ... }" block for the interface, "option dhcp-server-identifier a.b.c.d;".
std::string ServerFromDhclientLeases(const std::string& text, const std::string& interfaceName);

} // namespace DhcpLeases
