#include "InterfaceKind.h"

#include <linux/if_arp.h>

namespace InterfaceKind {

TInterfaceKind Classify(uint16_t hardwareType, const TSysfsDevices::TTraits& traits)
{
    if (hardwareType == ARPHRD_LOOPBACK) return TInterfaceKind::Loopback;
    if (traits.Wireless || traits.DeviceType == "wlan") return TInterfaceKind::WiFi;
    // Modems carry raw IP without a link-layer header; some pose as Ethernet and only udev's type tells.
    const bool rawIp = hardwareType == ARPHRD_NONE || hardwareType == ARPHRD_RAWIP;
    if (traits.DeviceType == "wwan" || (rawIp && traits.Physical)) return TInterfaceKind::MobileBroadband;
    switch (hardwareType) {
    case ARPHRD_PPP: return TInterfaceKind::Ppp;
    case ARPHRD_NONE: // tun, WireGuard
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE: return TInterfaceKind::Tunnel;
    default: break;
    }
    if (traits.Bridge || traits.DeviceType == "bridge") return TInterfaceKind::Bridge;
    if (hardwareType == ARPHRD_ETHER && traits.Physical) return TInterfaceKind::Ethernet;
    // veth, tap, dummy, macvlan, container links; also hardware of a link type with no kind of its own
    // (CAN, InfiniBand), which the Physical flag still tells apart.
    return TInterfaceKind::Virtual;
}

} // namespace InterfaceKind
