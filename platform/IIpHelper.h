#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The adapter and interface tables in their published record layouts. The field names are the tables' own
// vocabulary; the Linux backend fills them from the kernel.

constexpr uint32_t MAX_ADAPTER_NAME_LENGTH = 256;
constexpr uint32_t MAX_ADAPTER_DESCRIPTION_LENGTH = 128;
constexpr uint32_t MAX_ADAPTER_ADDRESS_LENGTH = 8;

constexpr uint32_t MIB_IF_TYPE_OTHER = 1;
constexpr uint32_t MIB_IF_TYPE_ETHERNET = 6;
constexpr uint32_t MIB_IF_TYPE_PPP = 23;
constexpr uint32_t IF_TYPE_IEEE80211 = 71;
constexpr uint32_t IF_TYPE_TUNNEL = 131;

constexpr uint32_t MIB_IF_OPER_STATUS_NON_OPERATIONAL = 0;
constexpr uint32_t MIB_IF_OPER_STATUS_UNREACHABLE = 1;
constexpr uint32_t MIB_IF_OPER_STATUS_DISCONNECTED = 2;
constexpr uint32_t MIB_IF_OPER_STATUS_CONNECTING = 3;
constexpr uint32_t MIB_IF_OPER_STATUS_CONNECTED = 4;
constexpr uint32_t MIB_IF_OPER_STATUS_OPERATIONAL = 5;

constexpr uint32_t NO_ERROR = 0;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr uint32_t ERROR_GEN_FAILURE = 31;
constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_BUFFER_OVERFLOW = 111;
constexpr uint32_t ERROR_NO_DATA = 232;

struct IP_ADDRESS_STRING {
    char String[16];
};

struct IP_ADDR_STRING {
    IP_ADDR_STRING* Next;
    IP_ADDRESS_STRING IpAddress;
    IP_ADDRESS_STRING IpMask;
    uint32_t Context;
};

struct IP_ADAPTER_INFO {
    IP_ADAPTER_INFO* Next;
    uint32_t ComboIndex;
    char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
    char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
    uint32_t AddressLength;
    uint8_t Address[MAX_ADAPTER_ADDRESS_LENGTH];
    uint32_t Index;
    uint32_t Type;
    uint32_t DhcpEnabled;
    IP_ADDR_STRING* CurrentIpAddress;
    IP_ADDR_STRING IpAddressList;
    IP_ADDR_STRING GatewayList;
    IP_ADDR_STRING DhcpServer;
};

struct IP_PER_ADAPTER_INFO {
    uint32_t AutoconfigEnabled;
    uint32_t AutoconfigActive;
    IP_ADDR_STRING* CurrentDnsServer;
    IP_ADDR_STRING DnsServerList;
};

// The interface row. Speed and octet counters are 64-bit: a 32-bit octet counter wraps every 34 seconds
// on a gigabit link, and link speeds above 4 Gbit/s do not fit 32 bits.
struct MIB_IFROW {
    uint32_t dwIndex;
    uint32_t dwType;
    uint64_t dwSpeed;
    uint32_t dwOperStatus;
    uint64_t dwInOctets;
    uint64_t dwOutOctets;
};

enum class TIpHelperFunction { GetAdaptersInfo, GetPerAdapterInfo, GetIfEntry };

// What an interface is, as far as a user would tell them apart.
enum class TInterfaceKind { Ethernet, WiFi, MobileBroadband, Ppp, Tunnel, Bridge, Virtual, Loopback };

// One address of an interface, as text ("192.0.2.1", "2001:db8::1").
struct TInterfaceAddress {
    std::string Address;
    bool Ipv6 = false;
    // IPv6 only: of global scope (not link-local, not host), a temporary privacy address, past its
    // preferred lifetime.
    bool Global = false;
    bool Temporary = false;
    bool Deprecated = false;
};

// An interface with what choosing among them needs beyond the adapter table: every interface the
// kernel lists, loopback included, whatever its kind.
struct TInterfaceView {
    uint32_t Index = 0;
    std::string Name;
    TInterfaceKind Kind = TInterfaceKind::Virtual;
    // A hardware device is behind it (sysfs links its "device"): no bridge, veth, tun/tap or loopback.
    bool Physical = false;
    // Its operational state is up.
    bool Up = false;
    std::vector<TInterfaceAddress> Addresses;
};

// A default route (destination 0.0.0.0/0 or ::/0) of the main routing table.
struct TDefaultRoute {
    uint32_t Index = 0; // the interface it leaves through
    uint32_t Metric = 0;
    bool Ipv6 = false;
    std::string Gateway; // empty for a route without a gateway (a point-to-point link)
};

// The link of a wireless interface to its access point, as nl80211 reports it.
struct TWirelessLink {
    std::string Ssid;                 // the network's name as its bytes come; empty when hidden
    std::optional<int32_t> SignalDbm; // the last received signal level
    uint64_t TransmitBitrate = 0;     // bits per second; 0 when unknown
};

// The three table functions with their contracts: a buffer too small (or none) answers 111 and the size
// needed in *size; other failures answer 50, 87, 232 or another of the system's result codes (never a raw
// errno, whose numbers overlap these).
class IIpHelper {
public:
    virtual ~IIpHelper() = default;
    virtual bool IsAvailable(TIpHelperFunction function) = 0;
    virtual uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* adapterInfo, uint32_t* size) = 0;
    virtual uint32_t GetPerAdapterInfo(uint32_t index, IP_PER_ADAPTER_INFO* perAdapterInfo, uint32_t* size) = 0;
    virtual uint32_t GetIfEntry(MIB_IFROW* row) = 0;
    // The operating system's text for a result code the functions answered: for the last failure, the text
    // of the system error behind it.
    virtual std::string SystemErrorText(uint32_t code) = 0;

    // A descriptor that becomes readable when the tables may have changed, or -1 when there is none. A caller
    // that takes it (to watch it with its event loop) promises to call HandlePendingChanges whenever it is
    // readable; the queries then stop looking for changes themselves.
    virtual int TakeChangeDescriptor() { return -1; }
    virtual void HandlePendingChanges() {}

    // The interfaces, the default routes and the IPv6 name servers, from the same look at the kernel's
    // tables as the adapter query that precedes them in a tick: no request of their own while nothing
    // was announced.
    virtual std::vector<TInterfaceView> Interfaces() { return {}; }
    virtual std::vector<TDefaultRoute> DefaultRoutes() { return {}; }
    virtual std::vector<std::string> Ipv6DnsServers() { return {}; }
    // The wireless link of an interface; nothing for an interface that is not wireless, not associated,
    // or whose driver does not answer nl80211.
    virtual std::optional<TWirelessLink> WirelessLink(uint32_t /*index*/) { return std::nullopt; }
};
