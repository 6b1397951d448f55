// The Linux backend against real interfaces. The outer test makes two namespaces joined by a veth pair and
// runs this same program inside the near one, where the InsideNamespace tests do the checking.
#include <net/if.h>

#include "netinfo/IPFunctions.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/Netlink.h"

#include "NamespaceHarness.h"
#include "doubles/VethNamespaces.h"

#include <arpa/inet.h>
#include <linux/if.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

namespace {

std::string SelfPath;

// ECONNREFUSED is 111, which the adapter query reads as "buffer too small"; the backend's answer must
// be the system's failure result with the system's own text.
TEST(LinuxBackend, AKernelFailureWhoseErrnoIsAResultCodeIsStillAnOperatingSystemError)
{
    const std::string report = InChild([] {
        TLinuxIpHelper helper;
        if (!MakeSendToFail(ECONNREFUSED)) return std::string("skip: no system call filter here");
        return Outcome([&] { IPFunctions::ScanAdapters(helper); }) + "\n" +
               Outcome([&] { IPFunctions::QueryInterface(helper, 1); });
    });
    if (report.starts_with("skip: ")) GTEST_SKIP() << report.substr(6);
    const std::string expected = "EOSError " + std::to_string(ERROR_GEN_FAILURE) +
                                 ": System Error.  Code: " + std::to_string(ERROR_GEN_FAILURE) + ".\r\n" +
                                 std::strerror(ECONNREFUSED);
    EXPECT_EQ(report, expected + "\n" + expected);
}

TEST(LinuxBackend, SnapshotAndRowOfARealVethInterface)
{
    if (const std::string why = TVethNamespaces::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
    TVethNamespaces net("b");
    ASSERT_TRUE(net.Ready()) << "could not make the namespaces";
    EXPECT_EQ(net.RunInside(SelfPath), 0);
}

TEST_F(InsideNamespace, ScanFindsTheVethAsFirstEthernetAdapter)
{
    TLinuxIpHelper helper(Paths);
    const AdapterSnapshot snapshot = IPFunctions::ScanAdapters(helper);
    EXPECT_EQ(snapshot.Index, IfIndex());
    EXPECT_EQ(snapshot.AdapterName, "qvnear");
    EXPECT_EQ(snapshot.Description, LongModel.substr(0, 131)) << "cut to the record's field";
    EXPECT_EQ(snapshot.ClientIps, std::vector<std::string>{TVethNamespaces::Env("QUORVEL_NEAR")});
    EXPECT_EQ(snapshot.Gateways, std::vector<std::string>{TVethNamespaces::Env("QUORVEL_FAR")});
    EXPECT_EQ(snapshot.DhcpServers, std::vector<std::string>{"10.9.9.1"});
    EXPECT_EQ(snapshot.DnsServers, (std::vector<std::string>{"10.9.9.53", "10.9.9.54"}));
    std::ifstream sysfsAddress("/sys/class/net/qvnear/address");
    std::string mac;
    sysfsAddress >> mac;
    std::transform(mac.begin(), mac.end(), mac.begin(), [](char c) { return c == ':' ? '-' : std::toupper(c); });
    EXPECT_EQ(snapshot.MacText, mac);
}

TEST_F(InsideNamespace, RowFollowsTheLinkStateAndCountsTheBytesSent)
{
    TLinuxIpHelper helper(Paths);
    auto row = [&] { return IPFunctions::QueryInterface(helper, IfIndex()); };
    EXPECT_EQ(row().Type, MIB_IF_TYPE_ETHERNET);
    EXPECT_TRUE(WaitFor([&] { return row().OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL; }));
    EXPECT_EQ(row().Speed, 10'000'000'000ull) << "veth reports 10000 Mbit/s";

    const uint64_t before = row().OutOctets;
    TVethNamespaces::SendDatagrams(TVethNamespaces::Env("QUORVEL_FAR"), 50, 1000);
    EXPECT_GE(row().OutOctets - before, 50u * 1000u);

    ASSERT_TRUE(TVethNamespaces::Run("ip link set qvnear down"));
    EXPECT_TRUE(WaitFor([&] { return row().OperStatus == MIB_IF_OPER_STATUS_NON_OPERATIONAL; }));
    ASSERT_TRUE(TVethNamespaces::Run("ip link set qvnear up"));
    EXPECT_TRUE(WaitFor([&] { return row().OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL; }));
}

TEST_F(InsideNamespace, AnAddressChangeIsSeenAtTheNextScan)
{
    TLinuxIpHelper helper(Paths);
    EXPECT_EQ(Entry(IPFunctions::ScanAdapters(helper).ClientIps, 1), TVethNamespaces::Env("QUORVEL_NEAR"));
    ASSERT_TRUE(TVethNamespaces::Run("ip addr flush dev qvnear"));
    const AdapterSnapshot withoutAddress = IPFunctions::ScanAdapters(helper);
    EXPECT_EQ(withoutAddress.ClientIps, std::vector<std::string>{"0.0.0.0"});
    EXPECT_TRUE(withoutAddress.Gateways.empty() || withoutAddress.Gateways == std::vector<std::string>{""});
    ASSERT_TRUE(TVethNamespaces::Run("ip addr add " + TVethNamespaces::Env("QUORVEL_NEAR") + "/24 dev qvnear"));
    ASSERT_TRUE(TVethNamespaces::Run("ip route add default via " + TVethNamespaces::Env("QUORVEL_FAR")));
    EXPECT_EQ(Entry(IPFunctions::ScanAdapters(helper).ClientIps, 1), TVethNamespaces::Env("QUORVEL_NEAR"));
}

TEST_F(InsideNamespace, AnInterfaceThatHasGoneIsAnInvalidParameter)
{
    TLinuxIpHelper helper(Paths);
    ASSERT_TRUE(TVethNamespaces::Run("ip link add qvgone type veth peer name qvgone2"));
    const uint32_t index = if_nametoindex("qvgone");
    ASSERT_NE(index, 0u);
    EXPECT_EQ(IPFunctions::QueryInterface(helper, index).Type, MIB_IF_TYPE_ETHERNET);
    ASSERT_TRUE(TVethNamespaces::Run("ip link del qvgone"));
    try {
        IPFunctions::QueryInterface(helper, index);
        FAIL() << "no exception";
    } catch (const EIpHlpError& error) {
        EXPECT_EQ(error.Message(), "Function GetIfEntry. Invalid parameter");
    }
}

TEST_F(InsideNamespace, AMissingResolverFileGivesNoDnsServers)
{
    Paths.ResolvConf = (Folder / "missing.conf").string();
    TLinuxIpHelper helper(Paths);
    EXPECT_TRUE(Entry(IPFunctions::ScanAdapters(helper).DnsServers, 1).empty());
}

TEST_F(InsideNamespace, NineNameserversGiveTheFirstThreeAndTheScanGoesOn)
{
    std::ofstream resolv(Folder / "resolv.conf", std::ios::trunc);
    for (int i = 1; i <= 9; ++i)
        resolv << "nameserver 10.9.9." << i << "\n";
    resolv.close();
    TLinuxIpHelper helper(Paths);
    EXPECT_EQ(IPFunctions::ScanAdapters(helper).DnsServers,
              (std::vector<std::string>{"10.9.9.1", "10.9.9.2", "10.9.9.3"}));
}

// Asks the kernel to report a link's operational state as a user-space supplicant does.
bool SetOperState(const std::string& name, uint8_t operState)
{
    struct {
        ifinfomsg Link;
        rtattr Attribute;
        uint8_t Value;
        uint8_t Padding[3];
    } request{};
    request.Link.ifi_family = AF_UNSPEC;
    request.Link.ifi_index = static_cast<int>(if_nametoindex(name.c_str()));
    request.Attribute.rta_type = IFLA_OPERSTATE;
    request.Attribute.rta_len = RTA_LENGTH(1);
    request.Value = operState;
    TNetlinkSocket netlink;
    return netlink.Request(RTM_NEWLINK, NLM_F_ACK, &request, NLMSG_ALIGN(sizeof(ifinfomsg)) + RTA_SPACE(1),
                           [](const nlmsghdr&) {}) == 0;
}

// Two more links in the namespace (a veth pair and a bridge) for the duration of a test, and a small sysfs
// of the test's own: which links are physical, which wireless, and their speeds.
class TFakeSysfs {
public:
    TFakeSysfs(const std::filesystem::path& folder, TLinuxIpHelperPaths& paths) : Root(folder / "sys")
    {
        paths.SysClassNet = Root.string();
        Ok = TVethNamespaces::Run("ip link add qvx1 type veth peer name qvx2") &&
             TVethNamespaces::Run("ip link add qvbr type bridge") && TVethNamespaces::Run("ip link set qvx1 up") &&
             TVethNamespaces::Run("ip link set qvx2 up") && TVethNamespaces::Run("ip link set qvbr up");
    }
    ~TFakeSysfs()
    {
        TVethNamespaces::Run("ip link del qvx1");
        TVethNamespaces::Run("ip link del qvbr");
        TVethNamespaces::Run("ip link set qvnear up");
    }
    bool Ready() const { return Ok; }
    // A folder, or a file with the text.
    void Make(const std::string& relative, const std::string& text = "") const
    {
        const std::filesystem::path path = Root / relative;
        std::filesystem::create_directories(path.parent_path());
        if (text.empty()) {
            std::filesystem::create_directories(path);
        } else {
            std::ofstream(path, std::ios::trunc) << text;
        }
    }

private:
    std::filesystem::path Root;
    bool Ok = false;
};

uint64_t SpeedOf(TLinuxIpHelper& helper, const char* name)
{
    return IPFunctions::QueryInterface(helper, if_nametoindex(name)).Speed;
}

TEST_F(InsideNamespace, PhysicalAdaptersComeFirstThenVirtualOnesEachByIndexAndWirelessIsType71)
{
    const TFakeSysfs sysfs(Folder, Paths);
    ASSERT_TRUE(sysfs.Ready());
    sysfs.Make("qvbr/device");   // the bridge poses as the physical adapter
    sysfs.Make("qvx1/wireless"); // and one end of the second pair as a wireless one
    sysfs.Make("qvnear/speed", "2500\n");
    sysfs.Make("qvx2/speed", "-1\n");
    TLinuxIpHelper helper(Paths);

    std::vector<std::pair<uint32_t, std::string>> virtualLinks;
    for (const char* name : {"qvnear", "qvx1", "qvx2"})
        virtualLinks.emplace_back(if_nametoindex(name), name);
    std::sort(virtualLinks.begin(), virtualLinks.end());
    std::vector<std::string> expected{"qvbr"};
    for (const auto& link : virtualLinks)
        expected.push_back(link.second);

    const TIpHelperBuffer adapters = IPFunctions::QueryAdaptersInfo(helper);
    std::vector<std::string> order;
    std::map<std::string, uint32_t> types;
    for (const IP_ADAPTER_INFO* adapter = adapters.As<IP_ADAPTER_INFO>(); adapter; adapter = adapter->Next) {
        order.push_back(adapter->AdapterName);
        types[adapter->AdapterName] = adapter->Type;
    }
    EXPECT_EQ(order, expected);
    EXPECT_EQ(types["qvx1"], IF_TYPE_IEEE80211);
    EXPECT_EQ(types["qvx2"], MIB_IF_TYPE_ETHERNET);
    EXPECT_EQ(types["qvbr"], MIB_IF_TYPE_ETHERNET);
    EXPECT_EQ(IPFunctions::ScanAdapters(helper).AdapterName, "qvbr") << "the physical adapter is chosen";
    EXPECT_EQ(IPFunctions::QueryInterface(helper, if_nametoindex("qvx1")).Type, IF_TYPE_IEEE80211);

    EXPECT_EQ(SpeedOf(helper, "qvnear"), 2'500'000'000ull) << "megabits from sysfs";
    EXPECT_EQ(SpeedOf(helper, "qvx2"), 0u) << "an unknown speed";
    EXPECT_EQ(SpeedOf(helper, "qvbr"), 0u) << "no speed file";
}

TEST_F(InsideNamespace, TheSpeedIsReadAgainWhenTheKernelAnnouncesALinkChange)
{
    const TFakeSysfs sysfs(Folder, Paths);
    ASSERT_TRUE(sysfs.Ready());
    sysfs.Make("qvnear/speed", "100\n");
    TLinuxIpHelper helper(Paths);
    auto row = [&] { return IPFunctions::QueryInterface(helper, if_nametoindex("qvnear")); };
    ASSERT_TRUE(WaitFor([&] { return row().OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL; }));
    EXPECT_EQ(row().Speed, 100'000'000u);

    sysfs.Make("qvnear/speed", "1000\n");
    EXPECT_EQ(row().Speed, 100'000'000u) << "read again although the link did not change";
    ASSERT_TRUE(TVethNamespaces::Run("ip link set qvnear down"));
    EXPECT_TRUE(WaitFor([&] { return row().OperStatus == MIB_IF_OPER_STATUS_NON_OPERATIONAL; }));
    ASSERT_TRUE(TVethNamespaces::Run("ip link set qvnear up"));
    EXPECT_TRUE(WaitFor([&] { return row().OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL; }));
    EXPECT_EQ(row().Speed, 1'000'000'000u);
}

TEST_F(InsideNamespace, DormantTestingAndUnknownStatesMapToThreeFourAndOne)
{
    const TFakeSysfs sysfs(Folder, Paths);
    ASSERT_TRUE(sysfs.Ready());
    TLinuxIpHelper helper(Paths);
    auto status = [&](const char* name) {
        return IPFunctions::QueryInterface(helper, if_nametoindex(name)).OperStatus;
    };
    // A bridge without ports has no carrier logic of its own: the kernel reports its state as unknown.
    EXPECT_TRUE(WaitFor([&] { return status("qvbr") == MIB_IF_OPER_STATUS_UNREACHABLE; })) << status("qvbr");
    ASSERT_TRUE(WaitFor([&] { return status("qvnear") == MIB_IF_OPER_STATUS_OPERATIONAL; }));

    ASSERT_TRUE(SetOperState("qvnear", IF_OPER_DORMANT));
    EXPECT_TRUE(WaitFor([&] { return status("qvnear") == MIB_IF_OPER_STATUS_CONNECTING; })) << status("qvnear");
    ASSERT_TRUE(SetOperState("qvnear", IF_OPER_UP));
    EXPECT_TRUE(WaitFor([&] { return status("qvnear") == MIB_IF_OPER_STATUS_OPERATIONAL; }));
    ASSERT_TRUE(SetOperState("qvnear", IF_OPER_TESTING));
    EXPECT_TRUE(WaitFor([&] { return status("qvnear") == MIB_IF_OPER_STATUS_CONNECTED; })) << status("qvnear");
    ASSERT_TRUE(SetOperState("qvnear", IF_OPER_UP));
    EXPECT_TRUE(WaitFor([&] { return status("qvnear") == MIB_IF_OPER_STATUS_OPERATIONAL; }));
}

// The event loop may watch for changes instead of the queries: the descriptor turns readable when the
// kernel announces one, and after it is handled the next row shows the change.
TEST_F(InsideNamespace, AWatchedChangeDescriptorTellsOfALinkChange)
{
    TLinuxIpHelper helper(Paths);
    const int descriptor = helper.TakeChangeDescriptor();
    ASSERT_GE(descriptor, 0);
    auto row = [&] { return IPFunctions::QueryInterface(helper, IfIndex()); };
    auto readable = [&](int timeout) {
        pollfd watch{descriptor, POLLIN, 0};
        return poll(&watch, 1, timeout) == 1;
    };
    ASSERT_TRUE(WaitFor([&] {
        if (readable(0)) helper.HandlePendingChanges();
        return row().OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL;
    }));
    while (readable(200)) // settle: the announcements of bringing the link up
        helper.HandlePendingChanges();

    ASSERT_TRUE(TVethNamespaces::Run("ip link set qvnear down"));
    EXPECT_TRUE(readable(5000));
    EXPECT_TRUE(WaitFor([&] {
        if (readable(0)) helper.HandlePendingChanges();
        return row().OperStatus == MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    }));
    EXPECT_FALSE(readable(0)) << "handled announcements leave nothing pending";
    ASSERT_TRUE(TVethNamespaces::Run("ip link set qvnear up"));
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SelfPath = std::filesystem::canonical("/proc/self/exe").string();
    // The InsideNamespace tests only make sense in the namespace that the outer test prepared.
    TVethNamespaces::SelectTests();
    return RUN_ALL_TESTS();
}
