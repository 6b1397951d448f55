#include "platform/linux/InterfaceKind.h"

#include <linux/if_arp.h>

#include <gtest/gtest.h>

namespace {

struct TDevice {
    bool Physical = false;
    const char* DeviceType = "";
    bool Wireless = false;
    bool Bridge = false;
};

TInterfaceKind KindOf(uint16_t hardwareType, const TDevice& device)
{
    TSysfsDevices::TTraits traits;
    traits.Physical = device.Physical;
    traits.DeviceType = device.DeviceType;
    traits.Wireless = device.Wireless;
    traits.Bridge = device.Bridge;
    return InterfaceKind::Classify(hardwareType, traits);
}

TEST(InterfaceKind, WirelessAdaptersAreWiFiWhicheverWaySysfsTellsIt)
{
    EXPECT_EQ(KindOf(ARPHRD_ETHER, {.Physical = true, .Wireless = true}), TInterfaceKind::WiFi);
    EXPECT_EQ(KindOf(ARPHRD_ETHER, {.Physical = true, .DeviceType = "wlan"}), TInterfaceKind::WiFi);
    EXPECT_EQ(KindOf(ARPHRD_ETHER, {.Physical = true}), TInterfaceKind::Ethernet);
}

// Raw-IP modems (qmi_wwan, MBIM) have no link-layer header, as tun and WireGuard have none: the hardware
// behind them tells them apart. Modems that pose as Ethernet (cdc_ether) say so in their device type.
TEST(InterfaceKind, ModemsAreMobileBroadbandAndHeaderlessLinksWithoutHardwareAreTunnels)
{
    EXPECT_EQ(KindOf(ARPHRD_NONE, {.Physical = true}), TInterfaceKind::MobileBroadband);
    EXPECT_EQ(KindOf(ARPHRD_RAWIP, {.Physical = true}), TInterfaceKind::MobileBroadband);
    EXPECT_EQ(KindOf(ARPHRD_ETHER, {.Physical = true, .DeviceType = "wwan"}), TInterfaceKind::MobileBroadband);
    EXPECT_EQ(KindOf(ARPHRD_NONE, {}), TInterfaceKind::Tunnel);
    for (const uint16_t tunnel : {ARPHRD_TUNNEL, ARPHRD_TUNNEL6, ARPHRD_SIT, ARPHRD_IPGRE})
        EXPECT_EQ(KindOf(tunnel, {}), TInterfaceKind::Tunnel) << tunnel;
    EXPECT_EQ(KindOf(ARPHRD_PPP, {}), TInterfaceKind::Ppp);
}

TEST(InterfaceKind, EthernetWithoutHardwareIsABridgeOrVirtual)
{
    EXPECT_EQ(KindOf(ARPHRD_ETHER, {.Bridge = true}), TInterfaceKind::Bridge);
    EXPECT_EQ(KindOf(ARPHRD_ETHER, {.DeviceType = "bridge"}), TInterfaceKind::Bridge);
    EXPECT_EQ(KindOf(ARPHRD_ETHER, {}), TInterfaceKind::Virtual) << "veth, tap, dummy, macvlan";
    EXPECT_EQ(KindOf(ARPHRD_LOOPBACK, {}), TInterfaceKind::Loopback);
    EXPECT_EQ(KindOf(ARPHRD_CAN, {.Physical = true}), TInterfaceKind::Virtual) << "no kind of its own";
}

} // namespace
