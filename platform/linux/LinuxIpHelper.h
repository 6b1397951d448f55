#pragma once

#include "DhcpLeases.h"
#include "FileDescriptor.h"
#include "Netlink.h"
#include "ResolverConfig.h"

#include "platform/IIpHelper.h"

#include <map>
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

// The adapter and interface tables filled from the kernel: rtnetlink for links, addresses, routes,
// state and 64-bit counters; ethtool for the link speed; resolv.conf and DHCP leases for the servers.
class TLinuxIpHelper final : public IIpHelper {
public:
    explicit TLinuxIpHelper(TLinuxIpHelperPaths paths = {});

    bool IsAvailable(TIpHelperFunction function) override;
    uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* adapterInfo, uint32_t* size) override;
    uint32_t GetPerAdapterInfo(uint32_t index, IP_PER_ADAPTER_INFO* perAdapterInfo, uint32_t* size) override;
    uint32_t GetIfEntry(MIB_IFROW* row) override;
    std::string SystemErrorText(uint32_t code) override;

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
    // What sysfs and udev say of a device; fixed for the life of an interface index.
    struct TDeviceTraits {
        std::string Name;
        bool Physical = false;
        bool Wireless = false;
        std::string Model;
    };

    int ReadAdapterTable(std::vector<TAdapter>& table);
    int ReadLinks(std::vector<TAdapter>& table);
    int ReadAddresses(std::vector<TAdapter>& table);
    int ReadDefaultGateways(std::vector<TAdapter>& table);
    const TDeviceTraits& Traits(uint32_t index, const std::string& name);
    uint32_t InterfaceType(uint16_t hardwareType, const TDeviceTraits& traits) const;
    uint64_t LinkSpeed(const std::string& name);

    TLinuxIpHelperPaths Paths;
    TNetlinkChangeWatch Watch; // opened before the first read, so no change is missed
    TNetlinkSocket Netlink;
    TFileDescriptor EthtoolSocket;
    TResolverConfig Resolver;
    std::map<uint32_t, TDeviceTraits> TraitsCache;
    std::vector<TAdapter> Table;
    bool TableValid = false;
};
