// The interface and default route lists of the Linux backend against real links, inside the namespace the
// outer test of LinuxBackendTest prepares.
#include "NamespaceHarness.h"
#include "doubles/VethNamespaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <tuple>

namespace {

// Links of the kinds a desktop meets beside the veth, for the duration of a test: a tun device that no program
// holds, a bridge, IPv6 documentation addresses (a temporary one among them) and default routes of both
// families.
class TMoreLinks {
public:
    TMoreLinks()
    {
        const std::string far = TVethNamespaces::Env("QUORVEL_FAR");
        const std::vector<std::string> setup{
            "ip tuntap add dev qvtun mode tun",
            "ip link set qvtun up",
            "ip link add qvbr6 type bridge",
            "ip -6 addr add 2001:db8:2::1/64 dev qvtun nodad",
            "ip -6 addr add 2001:db8:1::1/64 dev qvnear nodad",
            "ip -6 addr add 2001:db8:1::2/64 dev qvnear nodad preferred_lft 0",
            "sysctl -qw net.ipv6.conf.qvnear.use_tempaddr=2",
            "ip -6 addr add 2001:db8:3::1/64 dev qvnear nodad mngtmpaddr",
            "ip route add default via " + far + " metric 77",
            "ip route add default metric 90 nexthop via " + SecondGateway() + " dev qvnear nexthop dev qvtun",
            "ip -6 route add default via 2001:db8:1::ff dev qvnear metric 300",
            "ip -6 route add default dev qvtun metric 500",
        };
        Ok = std::all_of(setup.begin(), setup.end(), TVethNamespaces::Run);
    }
    ~TMoreLinks()
    {
        for (const char* command :
             {"ip route del default metric 90", "ip route del default metric 77", "ip -6 route del default metric 300",
              "ip link del qvtun", "ip link del qvbr6", "ip -6 addr flush dev qvnear scope global",
              "sysctl -qw net.ipv6.conf.qvnear.use_tempaddr=0"})
            TVethNamespaces::Run(command);
    }
    bool Ready() const { return Ok; }
    // Another address of the veth's subnet, for the multipath route's first next hop.
    static std::string SecondGateway()
    {
        const std::string far = TVethNamespaces::Env("QUORVEL_FAR");
        return far.substr(0, far.rfind('.')) + ".3";
    }

private:
    bool Ok = false;
};

std::map<std::string, TInterfaceView> ByName(const std::vector<TInterfaceView>& views)
{
    std::map<std::string, TInterfaceView> byName;
    for (const TInterfaceView& view : views)
        byName[view.Name] = view;
    return byName;
}

const TInterfaceAddress* Find(const TInterfaceView& view, const std::string& address)
{
    auto found = std::find_if(view.Addresses.begin(), view.Addresses.end(),
                              [&](const TInterfaceAddress& a) { return a.Address == address; });
    return found == view.Addresses.end() ? nullptr : &*found;
}

TEST_F(InsideNamespace, InterfacesTellTheirKindStateAndAddresses)
{
    const TMoreLinks links;
    ASSERT_TRUE(links.Ready());
    TLinuxIpHelper helper(Paths);
    ASSERT_TRUE(WaitFor([&] { return ByName(helper.Interfaces())["qvnear"].Up; }));
    std::map<std::string, TInterfaceView> views = ByName(helper.Interfaces());

    EXPECT_EQ(views["lo"].Kind, TInterfaceKind::Loopback);
    EXPECT_TRUE(views["lo"].Up) << "loopback reports an unknown state, up and running";
    EXPECT_EQ(views["qvnear"].Kind, TInterfaceKind::Virtual);
    EXPECT_FALSE(views["qvnear"].Physical);
    EXPECT_EQ(views["qvnear"].Index, IfIndex());
    EXPECT_EQ(views["qvbr6"].Kind, TInterfaceKind::Bridge);
    EXPECT_EQ(views["qvtun"].Kind, TInterfaceKind::Tunnel);
    EXPECT_FALSE(views["qvtun"].Up) << "up, but without carrier while no program holds it";

    const TInterfaceAddress* ipv4 = Find(views["qvnear"], TVethNamespaces::Env("QUORVEL_NEAR"));
    ASSERT_TRUE(ipv4);
    EXPECT_FALSE(ipv4->Ipv6);
    const TInterfaceAddress* host = Find(views["lo"], "::1");
    ASSERT_TRUE(host);
    EXPECT_TRUE(host->Ipv6);
    EXPECT_FALSE(host->Global) << "of host scope";
    const TInterfaceAddress* global = Find(views["qvnear"], "2001:db8:1::1");
    ASSERT_TRUE(global);
    EXPECT_TRUE(global->Ipv6 && global->Global && !global->Temporary && !global->Deprecated);
    const TInterfaceAddress* deprecated = Find(views["qvnear"], "2001:db8:1::2");
    ASSERT_TRUE(deprecated);
    EXPECT_TRUE(deprecated->Global && deprecated->Deprecated);

    // The kernel makes the temporary address itself, from the managed one's prefix.
    const auto temporary = std::find_if(views["qvnear"].Addresses.begin(), views["qvnear"].Addresses.end(),
                                        [](const TInterfaceAddress& a) { return a.Temporary; });
    ASSERT_NE(temporary, views["qvnear"].Addresses.end());
    EXPECT_TRUE(temporary->Address.starts_with("2001:db8:3:")) << temporary->Address;
    const TInterfaceAddress* managed = Find(views["qvnear"], "2001:db8:3::1");
    ASSERT_TRUE(managed);
    EXPECT_FALSE(managed->Temporary);
}

TEST_F(InsideNamespace, AnInterfaceWithOnlyIpv6AddressesStaysInTheAdapterTable)
{
    const TMoreLinks links;
    ASSERT_TRUE(links.Ready());
    TLinuxIpHelper helper(Paths);
    const TIpHelperBuffer adapters = IPFunctions::QueryAdaptersInfo(helper);
    const IP_ADAPTER_INFO* tun = adapters.As<IP_ADAPTER_INFO>();
    while (tun && std::string(tun->AdapterName) != "qvtun")
        tun = tun->Next;
    ASSERT_TRUE(tun);
    EXPECT_STREQ(tun->IpAddressList.IpAddress.String, "0.0.0.0");
    EXPECT_EQ(tun->IpAddressList.Next, nullptr);
    EXPECT_TRUE(Find(ByName(helper.Interfaces())["qvtun"], "2001:db8:2::1"));
}

using TRouteRow = std::tuple<std::string, uint32_t, bool, std::string>; // interface, metric, IPv6, gateway

// The routes as rows, in order. The namespace's own IPv4 default route (metric 0) is left out: the kernel
// drops it whenever an earlier test takes the veth down.
std::vector<TRouteRow> Rows(const std::vector<TDefaultRoute>& routes)
{
    std::map<uint32_t, std::string> names{{if_nametoindex("qvnear"), "qvnear"}, {if_nametoindex("qvtun"), "qvtun"}};
    std::vector<TRouteRow> rows;
    for (const TDefaultRoute& route : routes)
        if (route.Metric != 0 || route.Ipv6)
            rows.emplace_back(names.contains(route.Index) ? names[route.Index] : std::to_string(route.Index),
                              route.Metric, route.Ipv6, route.Gateway);
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST_F(InsideNamespace, DefaultRoutesOfBothFamiliesComeWithTheirMetricInterfaceAndGateway)
{
    const TMoreLinks links;
    ASSERT_TRUE(links.Ready());
    TLinuxIpHelper helper(Paths);
    const std::string far = TVethNamespaces::Env("QUORVEL_FAR");
    const std::vector<TRouteRow> expected{
        {"qvnear", 77, false, far},
        {"qvnear", 90, false, TMoreLinks::SecondGateway()},
        {"qvnear", 300, true, "2001:db8:1::ff"},
        {"qvtun", 90, false, ""},
        {"qvtun", 500, true, ""},
    };
    EXPECT_EQ(Rows(helper.DefaultRoutes()), expected) << "each next hop of the multipath route at metric 90";
}

// IPv6 changes arrive as announcements of their own, which the table must follow as it follows IPv4 ones.
TEST_F(InsideNamespace, AnIpv6AddressOrRouteChangeIsSeenAtTheNextTick)
{
    TLinuxIpHelper helper(Paths);
    auto tick = [&] {
        IPFunctions::ScanAdapters(helper);
        return std::pair(ByName(helper.Interfaces()), Rows(helper.DefaultRoutes()));
    };
    EXPECT_FALSE(Find(tick().first["qvnear"], "2001:db8:4::1"));
    ASSERT_TRUE(TVethNamespaces::Run("ip -6 addr add 2001:db8:4::1/64 dev qvnear nodad"));
    EXPECT_TRUE(Find(tick().first["qvnear"], "2001:db8:4::1"));
    ASSERT_TRUE(TVethNamespaces::Run("ip -6 route add default via 2001:db8:4::ff dev qvnear metric 600"));
    const TRouteRow added{"qvnear", 600, true, "2001:db8:4::ff"};
    auto hasRoute = [&] {
        const std::vector<TRouteRow> routes = tick().second;
        return std::find(routes.begin(), routes.end(), added) != routes.end();
    };
    EXPECT_TRUE(hasRoute());
    ASSERT_TRUE(TVethNamespaces::Run("ip -6 route del default metric 600"));
    EXPECT_FALSE(hasRoute());
    ASSERT_TRUE(TVethNamespaces::Run("ip -6 addr del 2001:db8:4::1/64 dev qvnear"));
    EXPECT_FALSE(Find(tick().first["qvnear"], "2001:db8:4::1"));
}

// After the tick's adapter query the lists come from the table it looked at: with every request to the
// kernel made to fail, a steady table still answers them.
TEST_F(InsideNamespace, ASteadyTableAnswersTheListsWithoutAskingTheKernel)
{
    // The kernel announces the end of an address's duplicate detection, which would rightly send the
    // backend to the kernel again.
    ASSERT_TRUE(WaitFor([] { return TVethNamespaces::Run("test -z \"$(ip -6 addr show tentative)\""); }));
    const std::string report = InChild([&] {
        TLinuxIpHelper helper(Paths);
        auto lists = [&] {
            IPFunctions::ScanAdapters(helper);
            std::string text;
            for (const TInterfaceView& view : helper.Interfaces())
                text += view.Name + " ";
            for (const TDefaultRoute& route : helper.DefaultRoutes())
                text += std::to_string(route.Metric) + " ";
            for (const std::string& server : helper.Ipv6DnsServers())
                text += server + " ";
            return text;
        };
        const std::string before = lists();
        if (!MakeSendToFail(EPERM)) return std::string("skip: no system call filter here");
        return before + "\n" + lists() + "\n" + Outcome([&] { IPFunctions::QueryInterface(helper, IfIndex()); });
    });
    if (report.starts_with("skip: ")) GTEST_SKIP() << report.substr(6);
    const std::size_t first = report.find('\n');
    const std::size_t second = report.find('\n', first + 1);
    ASSERT_NE(second, std::string::npos) << report;
    const std::string before = report.substr(0, first);
    EXPECT_NE(before.find("lo "), std::string::npos) << before;
    EXPECT_NE(before.find("qvnear "), std::string::npos) << before;
    EXPECT_NE(before.find("::1 "), std::string::npos) << "the fixture's IPv6 name server";
    EXPECT_EQ(report.substr(first + 1, second - first - 1), before);
    EXPECT_TRUE(report.substr(second + 1).starts_with("EOSError"))
        << "the statistics request shows that requests do fail: " << report;
}

TEST_F(InsideNamespace, AWiredInterfaceHasNoWirelessLink)
{
    TLinuxIpHelper helper(Paths);
    EXPECT_EQ(helper.WirelessLink(IfIndex()), std::nullopt);
    EXPECT_EQ(helper.WirelessLink(if_nametoindex("lo")), std::nullopt) << "asked again on the open socket";
}

} // namespace
