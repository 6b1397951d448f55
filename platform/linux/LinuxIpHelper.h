#pragma once

#include "DhcpLeases.h"
#include "FileDescriptor.h"
#include "Netlink.h"
#include "Nl80211.h"
#include "ResolverConfig.h"
#include "ResultCodes.h"
#include "SysfsDevices.h"

#include "platform/IIpHelper.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Where the backend reads what netlink does not tell; tests point these at files of their own.
struct TLinuxIpHelperPaths {
    std::string SysClassNet = "/sys/class/net";
    std::string UdevData = "/run/udev/data";
    std::string ResolvConf = "/etc/resolv.conf";
    std::string ResolvedUpstream = "/run/systemd/resolve/resolv.conf";
    TDhcpLeasePaths Leases;
};

// The adapter and interface tables filled from the kernel: rtnetlink for links, addresses, routes, state
// and 64-bit counters; sysfs for the link speed and the kind of device; resolv.conf and DHCP leases for the
// servers; nl80211 for the wireless link.
//
// What the kernel announces (links, addresses, routes) and the resolver files are looked at once per query
// sequence, not per call: the adapter query looks, and the fill call that follows its sizing call, the
// per-adapter query, the interface query and the interface, route and IPv6 server lists right after it use
// that look. So a steady tick costs one wait for announcements and one statistics request.
class TLinuxIpHelper final : public IIpHelper {
public:
    explicit TLinuxIpHelper(TLinuxIpHelperPaths paths = {});

    bool IsAvailable(TIpHelperFunction function) override;
    uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* adapterInfo, uint32_t* size) override;
    uint32_t GetPerAdapterInfo(uint32_t index, IP_PER_ADAPTER_INFO* perAdapterInfo, uint32_t* size) override;
    uint32_t GetIfEntry(MIB_IFROW* row) override;
    std::string SystemErrorText(uint32_t code) override;
    int TakeChangeDescriptor() override;
    void HandlePendingChanges() override;
    std::vector<TInterfaceView> Interfaces() override;
    std::vector<TDefaultRoute> DefaultRoutes() override;
    std::vector<std::string> Ipv6DnsServers() override;
    std::optional<TWirelessLink> WirelessLink(uint32_t index) override;

private:
    struct TAddress {
        std::string Address;
        std::string Mask;
    };
    struct TAdapter {
        uint32_t Index = 0;
        std::string Name;
        std::string Description;
        uint8_t Mac[MAX_ADAPTER_ADDRESS_LENGTH] = {};
        uint32_t MacLength = 0;
        uint32_t Type = MIB_IF_TYPE_OTHER;
        bool Physical = false;
        std::vector<TAddress> Addresses;
        std::vector<std::string> Gateways;
        std::string DhcpServer;
    };
    // What changes of a link only with an announcement: kept until the kernel announces a change of it.
    struct TLinkState {
        uint32_t Type = MIB_IF_TYPE_OTHER;
        uint32_t OperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
        uint64_t Speed = 0;
    };
    // Which calls may use the last look for changes instead of looking again.
    struct TLookShare {
        bool AdaptersFill = false;
        bool PerAdapter = false;
        bool PerAdapterFill = false;
        bool IfEntry = false;
        bool Interfaces = false;
        bool DefaultRoutes = false;
        bool Ipv6DnsServers = false;
    };

    void LookForChanges();
    void ApplyChanges();
    bool ShareValid() const;
    bool LookAtTables(bool& shared);
    int ReadTables();
    int ReadLinks();
    int ReadAddresses();
    int ReadDefaultRoutes();
    int ReadLinkState(uint32_t index, TLinkState& state);
    int ReadCounters(uint32_t index, uint64_t& in, uint64_t& out);
    int ReadCountersFromLink(uint32_t index, uint64_t& in, uint64_t& out);
    uint32_t InterfaceType(uint16_t hardwareType, const TSysfsDevices::TTraits& traits) const;

    TLinuxIpHelperPaths Paths;
    TNetlinkChangeWatch Watch; // opened before the first read, so no change is missed
    TNetlinkSocket Netlink;
    TResolverConfig Resolver;
    TSysfsDevices Devices;
    TFileDescriptor Changes; // readable when the watch or the resolver's folders have news
    bool ChangesWatchedOutside = false;
    TLookShare Share;
    std::chrono::steady_clock::time_point LastLook;
    TLastSystemError LastError;
    std::map<uint32_t, TLinkState> Links;
    bool StatsRequestWorks = true;
    // What the link, address and route dumps said, kept until the kernel announces a change.
    std::vector<TAdapter> Table;
    std::vector<TInterfaceView> Views; // every link, loopback included, with IPv4 and IPv6 addresses
    std::vector<TDefaultRoute> Routes;
    bool TableValid = false;
    std::optional<TNl80211> Wireless; // opened at the first question, which a machine without Wi-Fi never asks
};
