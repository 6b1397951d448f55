#include "netinfo/AdapterChoice.h"

#include "doubles/FakeIpHelper.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using TMode = TAdapterChoice::TMode;

TFakeAdapter Adapter(uint32_t index, const std::string& name, const std::string& ip)
{
    TFakeAdapter adapter;
    adapter.Index = index;
    adapter.Name = name;
    adapter.Description = name + " card";
    adapter.Ips = {ip};
    return adapter;
}

TEST(AdapterChoice, TheStoredTextsReadBackAsTheirModesAndANonNameIsTheFirstEthernetAdapterWithALine)
{
    for (const std::string text : {"", "default-route", "all-physical", "wlan0", "wwan0mbim012345"}) {
        const TParsedAdapterChoice parsed = ParseAdapterChoice(text);
        EXPECT_EQ(parsed.Choice.Text(), text);
        EXPECT_EQ(parsed.Problem, "");
    }
    EXPECT_EQ(ParseAdapterChoice("all-physical").Choice.Mode, TMode::AllPhysical);
    EXPECT_EQ(ParseAdapterChoice("tun0").Choice, (TAdapterChoice{TMode::Named, "tun0"}));
    for (const std::string text : {"wwan0mbim0123456", ".", "..", "a/b", "eth 0", "eth0:1", "eth\t0", "e\x7f"}) {
        const TParsedAdapterChoice parsed = ParseAdapterChoice(text);
        EXPECT_EQ(parsed.Choice, TAdapterChoice{}) << text;
        EXPECT_NE(parsed.Problem, "") << text;
    }
    EXPECT_EQ(ParseAdapterChoice("my \"lan\"\x1b[2J").Problem,
              "Adapter \"my \\\"lan\\\"\\x1b[2J\" is not an interface name: the first Ethernet adapter is watched.");
}

TEST(AdapterChoice, EveryKindHasANameOfItsOwn)
{
    std::set<std::string> names{""};
    for (int kind = 0; kind <= static_cast<int>(TInterfaceKind::Loopback); ++kind)
        EXPECT_TRUE(names.insert(KindName(static_cast<TInterfaceKind>(kind))).second) << kind;
    EXPECT_EQ(KindName(TInterfaceKind::WiFi), "Wi-Fi");
}

TEST(AdapterChoice, TheDefaultRouteOfIpv4WithTheLowestMetricComesBeforeAnyOfIpv6)
{
    TFakeIpHelper helper;
    helper.Adapters = {Adapter(2, "eth0", "192.168.1.20"), Adapter(3, "wlan0", "10.0.0.5"), Adapter(4, "he6", "")};
    const TAdapterChoice choice{TMode::DefaultRoute, {}};
    EXPECT_FALSE(AdapterChoice::Choose(helper, choice)) << "no default route: nothing is watched";
    helper.Routes = {{4, 1, true, "fe80::1"}, {2, 600, false, "192.168.1.1"}, {3, 100, false, "10.0.0.1"}};
    EXPECT_EQ(AdapterChoice::Choose(helper, choice)->Key, "3");
    helper.Routes = {{2, 300, true, "fe80::1"}, {4, 200, true, "fe80::2"}};
    EXPECT_EQ(AdapterChoice::Choose(helper, choice)->Snapshot.AdapterName, "he6");
}

TEST(AdapterChoice, ThePreferredStableGlobalAddressOfIpv6IsTheClientWithoutIpv4AndALineBesideIt)
{
    TFakeIpHelper helper;
    helper.Adapters = {Adapter(3, "wlan0", "192.168.1.7")};
    helper.Views = {{3, "wlan0", TInterfaceKind::WiFi, true, true, {}}};
    auto extra = [&] {
        const std::vector<std::string> lines = NetworkInfoLines(*WatchAdapter(helper, {TMode::Named, "wlan0"}));
        return std::vector<std::string>(lines.begin() + 7, lines.end());
    };
    helper.Views[0].Addresses = {{"fe80::1", true, false, false, false},
                                 {"2001:db8::dead", true, true, true, false},
                                 {"2001:db8::old", true, true, false, true},
                                 {"2001:db8::7", true, true, false, false}};
    helper.Routes = {{3, 100, false, "192.168.1.1"}, {3, 1024, true, "fe80::fe"}};
    helper.DnsServers = {"192.168.1.1"};
    helper.Ipv6Dns = {"2001:db8::53"};
    EXPECT_EQ(extra(), std::vector<std::string>{"IPv6 Client IP: 2001:db8::7"});
    EXPECT_EQ(NetworkInfoLines(*WatchAdapter(helper, {TMode::Named, "wlan0"}))[6], "Client IP: 192.168.1.7 ");

    helper.Adapters[0].Ips = {"0.0.0.0"};
    const auto watched = WatchAdapter(helper, {TMode::Named, "wlan0"});
    EXPECT_TRUE(watched->Ipv6Only);
    EXPECT_EQ(watched->Snapshot.ClientIps, std::vector<std::string>{"2001:db8::7"});
    EXPECT_EQ(watched->Snapshot.Gateways, std::vector<std::string>{"fe80::fe"});
    EXPECT_EQ(watched->Snapshot.DnsServers, std::vector<std::string>{"2001:db8::53"});
    EXPECT_TRUE(extra().empty()) << "the address is already the client line";
}

} // namespace
