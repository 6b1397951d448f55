#include "platform/linux/ResolverConfig.h"
#include "platform/linux/DhcpLeases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using Servers = std::vector<std::string>;
using namespace std::string_literals;

class ResolverFiles : public testing::Test {
protected:
    std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("quorvel-resolver-" + std::to_string(getpid()));
    void SetUp() override { std::filesystem::create_directories(Folder); }
    void TearDown() override { std::filesystem::remove_all(Folder); }
    std::string Write(const std::string& name, const std::string& text)
    {
        std::ofstream(Folder / name, std::ios::binary | std::ios::trunc) << text;
        return (Folder / name).string();
    }
};

TEST(ResolverConfig, MalformedAndForeignLinesAreSkipped)
{
    EXPECT_EQ(TResolverConfig::ParseNameservers("nameserver 1.2.3.4\n"
                                                "nameserver    5.6.7.8   # trailing comment\n"
                                                "nameservers 9.9.9.9\n"
                                                "nameserver 300.1.1.1\n"
                                                "nameserver 1.2.3.4.5\n"
                                                "nameserver\n"
                                                "search example.org\n"
                                                "\0garbage\xff\n"
                                                "  nameserver 10.0.0.1\r\n"
                                                "nameserver 10.0.0.2"s),
              (Servers{"1.2.3.4", "5.6.7.8", "10.0.0.1"}));
    EXPECT_EQ(TResolverConfig::ParseNameservers("nameserver 10.0.0.2"), Servers{"10.0.0.2"}) << "no line end";
    EXPECT_TRUE(TResolverConfig::ParseNameservers("").empty());
}

// glibc's resolver takes the first three nameserver lines it can parse, IPv6 ones included; the others are
// never asked, so they are not reported, however many there are.
TEST(ResolverConfig, OnlyTheFirstThreeNameserversTheResolverUsesAreReported)
{
    std::string many;
    for (int i = 1; i <= 12; ++i)
        many += "nameserver 192.0.2." + std::to_string(i) + "\n";
    EXPECT_EQ(TResolverConfig::ParseNameservers(many), (Servers{"192.0.2.1", "192.0.2.2", "192.0.2.3"}));

    EXPECT_EQ(TResolverConfig::ParseNameservers("nameserver 192.0.2.1\nnameserver fe80::1%eth0\n"
                                                "nameserver 2001:db8::53\nnameserver 192.0.2.4\n"),
              Servers{"192.0.2.1"})
        << "the IPv6 servers take the second and third place";
    EXPECT_EQ(TResolverConfig::ParseNameservers("nameserver bogus\nnameserver 1.2.3.4.5\nnameserver 192.0.2.1\n"
                                                "nameserver 192.0.2.2\nnameserver 192.0.2.3\n"),
              (Servers{"192.0.2.1", "192.0.2.2", "192.0.2.3"}))
        << "lines the resolver cannot parse take no place";
}

// The IPv6 servers are the IPv6 lines among the same three the resolver uses, without a link-local
// address's zone, which is no part of the address.
TEST(ResolverConfig, IPv6ServersAreListedApartWithoutTheirZone)
{
    const std::string text = "nameserver 2001:db8::53\nnameserver 192.0.2.1\nnameserver fe80::1%eth0 # router\n"
                             "nameserver 2001:db8::54\n";
    EXPECT_EQ(TResolverConfig::ParseIpv6Nameservers(text), (Servers{"2001:db8::53", "fe80::1"}));
    EXPECT_EQ(TResolverConfig::ParseNameservers(text), Servers{"192.0.2.1"}) << "the IPv4 list as it was";
    EXPECT_EQ(TResolverConfig::ParseIpv6Nameservers("nameserver 2001:db8::zz\nnameserver ::ffff:192.0.2.1\n"),
              Servers{"::ffff:192.0.2.1"})
        << "what inet_pton cannot read is no server";
}

TEST_F(ResolverFiles, TheLocalStubIsFollowedToItsUpstreamServers)
{
    const std::string stub = Write("resolv.conf", "nameserver 127.0.0.53\noptions edns0\n");
    const std::string upstream = Write("upstream.conf", "nameserver 192.0.2.53\nnameserver 192.0.2.54\n");
    TResolverConfig resolver(stub, upstream);
    EXPECT_EQ(resolver.Servers(), (Servers{"192.0.2.53", "192.0.2.54"}));

    TResolverConfig withoutUpstream(stub, (Folder / "missing").string());
    EXPECT_EQ(withoutUpstream.Servers(), Servers{"127.0.0.53"});
}

// Behind the stub, the upstream file names the IPv6 servers too; when it names IPv6 servers only, the
// IPv4 list keeps the stub.
TEST_F(ResolverFiles, TheStubsUpstreamFileGivesTheIpv6ServersAndChangesAreSeen)
{
    const std::string stub = Write("resolv.conf", "nameserver 127.0.0.53\n");
    Write("upstream.conf", "nameserver 2001:db8::53\nnameserver 192.0.2.53\n");
    TResolverConfig resolver(stub, (Folder / "upstream.conf").string());
    EXPECT_EQ(resolver.Ipv6Servers(), Servers{"2001:db8::53"});
    EXPECT_EQ(resolver.KnownServers(), Servers{"192.0.2.53"});

    Write("upstream.conf", "nameserver 2001:db8::54\n");
    EXPECT_EQ(resolver.Ipv6Servers(), Servers{"2001:db8::54"});
    EXPECT_EQ(resolver.KnownServers(), Servers{"127.0.0.53"});

    Write("resolv.conf", "nameserver 192.0.2.1\n");
    EXPECT_TRUE(resolver.Ipv6Servers().empty()) << "without the stub the upstream file does not count";
}

TEST_F(ResolverFiles, AChangedFileIsReadAgainAndAMissingOneGivesNoServers)
{
    const std::string path = Write("resolv.conf", "nameserver 192.0.2.1\n");
    TResolverConfig resolver(path, (Folder / "missing").string());
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.1"});
    Write("resolv.conf", "nameserver 192.0.2.2\nnameserver 192.0.2.3\n");
    EXPECT_EQ(resolver.Servers(), (Servers{"192.0.2.2", "192.0.2.3"}));
    std::filesystem::remove(path);
    EXPECT_TRUE(resolver.Servers().empty());
}

TEST_F(ResolverFiles, AFileReplacedByRenameAndAChangedUpstreamAreSeen)
{
    const std::string path = Write("resolv.conf", "nameserver 127.0.0.53\n");
    const std::string upstream = Write("upstream.conf", "nameserver 192.0.2.1\n");
    TResolverConfig resolver(path, upstream);
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.1"});
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.1"});

    Write("upstream.conf", "nameserver 192.0.2.2\n");
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.2"});

    // Network managers write a new file and rename it over the old one.
    Write("resolv.conf.new", "nameserver 192.0.2.9\n");
    std::filesystem::rename(Folder / "resolv.conf.new", path);
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.9"});
}

TEST_F(ResolverFiles, AResolverFileBehindASymlinkIsFollowedIntoItsFolder)
{
    std::filesystem::create_directories(Folder / "run");
    Write("run/stub.conf", "nameserver 192.0.2.1\n");
    std::filesystem::create_symlink(Folder / "run" / "stub.conf", Folder / "resolv.conf");
    TResolverConfig resolver((Folder / "resolv.conf").string(), (Folder / "missing").string());
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.1"});
    Write("run/stub.conf", "nameserver 192.0.2.7\n");
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.7"}) << "a change in the link's target folder";
}

// systemd-resolved may start after the program: its folder is not there to be watched yet, so its file is
// looked for at each look until the folder can be watched. Without the stub the upstream file does not matter.
TEST_F(ResolverFiles, AnUpstreamFolderThatIsNotThereYetIsLookedForAtEachLook)
{
    const std::string upstream = (Folder / "resolve" / "resolv.conf").string();
    TResolverConfig plain(Write("plain.conf", "nameserver 192.0.2.1\n"), upstream);
    EXPECT_EQ(plain.Servers(), Servers{"192.0.2.1"});
    EXPECT_TRUE(plain.Watched());

    TResolverConfig resolver(Write("resolv.conf", "nameserver 127.0.0.53\n"), upstream);
    EXPECT_EQ(resolver.Servers(), Servers{"127.0.0.53"});
    EXPECT_FALSE(resolver.Watched());
    std::filesystem::create_directories(Folder / "resolve");
    Write("resolve/resolv.conf", "nameserver 192.0.2.33\n");
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.33"});
    EXPECT_TRUE(resolver.Watched()) << "the new folder is watched from then on";
    Write("resolve/resolv.conf", "nameserver 192.0.2.4\n");
    EXPECT_EQ(resolver.Servers(), Servers{"192.0.2.4"});
}

TEST(DhcpLeases, KeyValueLeasesNameTheServer)
{
    EXPECT_EQ(DhcpLeases::ServerFromKeyValueLease("# networkd\nADDRESS=10.0.0.5\nSERVER_ADDRESS=10.0.0.1\n"),
              "10.0.0.1");
    EXPECT_EQ(DhcpLeases::ServerFromKeyValueLease("SERVER_ADDRESS=not-an-address\n"), "");
    EXPECT_EQ(DhcpLeases::ServerFromKeyValueLease("SERVER_ADDRESS="), "");
}

TEST(DhcpLeases, DhclientTakesTheLastLeaseOfTheInterface)
{
    const std::string leases = "lease {\n  interface \"eth0\";\n  option dhcp-server-identifier 10.0.0.1;\n}\n"
                               "lease {\n  interface \"eth1\";\n  option dhcp-server-identifier 10.1.0.1;\n}\n"
                               "lease {\n  interface \"eth0\";\n  option dhcp-server-identifier 10.0.0.9;\n}\n"
                               "lease {\n  interface \"eth0\";\n  option dhcp-server-identifier 10.0.0.";
    EXPECT_EQ(DhcpLeases::ServerFromDhclientLeases(leases, "eth0"), "10.0.0.9") << "the cut-off block is ignored";
    EXPECT_EQ(DhcpLeases::ServerFromDhclientLeases(leases, "eth1"), "10.1.0.1");
    EXPECT_EQ(DhcpLeases::ServerFromDhclientLeases(leases, "eth"), "");
    EXPECT_EQ(DhcpLeases::ServerFromDhclientLeases("}}}{{lease\n}\n", "eth0"), "");
}

TEST_F(ResolverFiles, LeaseFilesAreFoundPerManager)
{
    std::filesystem::create_directories(Folder / "networkd");
    std::filesystem::create_directories(Folder / "nm");
    std::filesystem::create_directories(Folder / "dhcp");
    Write("networkd/4", "SERVER_ADDRESS=192.0.2.4\n");
    Write("nm/internal-1234-enp3s0.lease", "SERVER_ADDRESS=192.0.2.5\n");
    Write("dhcp/dhclient.eno1.leases", "lease {\ninterface \"eno1\";\noption dhcp-server-identifier 192.0.2.6;\n}\n");
    TDhcpLeasePaths paths{(Folder / "networkd").string(), (Folder / "nm").string(), {(Folder / "dhcp").string()}};
    EXPECT_EQ(DhcpLeases::FindServer(paths, 4, "eth4"), "192.0.2.4");
    EXPECT_EQ(DhcpLeases::FindServer(paths, 5, "enp3s0"), "192.0.2.5");
    EXPECT_EQ(DhcpLeases::FindServer(paths, 6, "eno1"), "192.0.2.6");
    EXPECT_EQ(DhcpLeases::FindServer(paths, 7, "wlan0"), "");
    TDhcpLeasePaths missing{"/nonexistent/a", "/nonexistent/b", {"/nonexistent/c"}};
    EXPECT_EQ(DhcpLeases::FindServer(missing, 4, "eth4"), "");
}

} // namespace
