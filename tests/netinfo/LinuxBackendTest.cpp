// The Linux backend against real interfaces. The outer test makes two namespaces joined by a veth pair and
// runs this same program inside the near one, where the InsideNamespace tests do the checking.
#include <net/if.h>

#include "netinfo/IPFunctions.h"
#include "platform/linux/LinuxIpHelper.h"

#include "doubles/VethNamespaces.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

std::string SelfPath;

// Waits for the kernel's view to settle (carrier comes up a moment after "link set up").
template <typename Predicate> bool WaitFor(Predicate predicate)
{
    for (int i = 0; i < 200; ++i) {
        if (predicate()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return predicate();
}

TEST(LinuxBackend, SnapshotAndRowOfARealVethInterface)
{
    if (const std::string why = TVethNamespaces::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
    TVethNamespaces net("b");
    ASSERT_TRUE(net.Ready()) << "could not make the namespaces";
    EXPECT_EQ(net.RunInside(SelfPath), 0);
}

class InsideNamespace : public testing::Test {
protected:
    std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("quorvel-netns-" + std::to_string(getpid()));
    TLinuxIpHelperPaths Paths;
    std::string LongModel = std::string(150, 'M') + " end";

    void SetUp() override
    {
        std::filesystem::create_directories(Folder / "udev");
        std::ofstream(Folder / "resolv.conf") << "# made by the test\nnameserver 10.9.9.53\nnameserver ::1\n"
                                                 "nameserver\nnameserver 10.9.9.54 # second\n";
        std::ofstream(Folder / "udev" / ("n" + std::to_string(IfIndex())))
            << "E:ID_MODEL_FROM_DATABASE=" << LongModel << "\n";
        std::filesystem::create_directories(Folder / "leases");
        std::ofstream(Folder / "leases" / std::to_string(IfIndex())) << "ADDRESS=10.9.9.7\nSERVER_ADDRESS=10.9.9.1\n";
        Paths.ResolvConf = (Folder / "resolv.conf").string();
        Paths.ResolvedUpstream = (Folder / "none").string();
        Paths.UdevData = (Folder / "udev").string();
        Paths.Leases.NetworkdLeases = (Folder / "leases").string();
        Paths.Leases.NetworkManagerLeases = (Folder / "none").string();
        Paths.Leases.DhclientLeases = {};
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }
    static uint32_t IfIndex() { return if_nametoindex("qvnear"); }
};

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

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SelfPath = std::filesystem::canonical("/proc/self/exe").string();
    // The InsideNamespace tests only make sense in the namespace that the outer test prepared.
    TVethNamespaces::SelectTests();
    return RUN_ALL_TESTS();
}
