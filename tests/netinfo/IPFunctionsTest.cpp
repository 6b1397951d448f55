#include "netinfo/IPFunctions.h"

#include "doubles/FakeIpHelper.h"

#include <gtest/gtest.h>

namespace {

TFakeAdapter Ethernet(uint32_t index)
{
    TFakeAdapter adapter;
    adapter.Index = index;
    adapter.Description = "Intel(R) PRO/1000 MT Network Connection";
    adapter.Name = "eth0";
    adapter.Mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    adapter.Ips = {"192.168.1.20"};
    adapter.Gateways = {"192.168.1.1"};
    adapter.Dhcp = {"192.168.1.1"};
    return adapter;
}

std::string MessageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "no exception";
}

TEST(ScanAdapters, PassesOverAnAdapterOfAnotherTypeToTheFirstEthernetAdapter)
{
    TFakeIpHelper helper;
    TFakeAdapter wireless = Ethernet(3);
    wireless.Type = IF_TYPE_IEEE80211;
    wireless.Description = "Wireless";
    helper.Adapters = {wireless, Ethernet(7)};
    helper.DnsServers = {"192.168.1.1", "8.8.8.8"};

    const AdapterSnapshot snapshot = IPFunctions::ScanAdapters(helper);
    EXPECT_EQ(snapshot.Index, 7u);
    EXPECT_EQ(snapshot.Description, "Intel(R) PRO/1000 MT Network Connection");
    EXPECT_EQ(snapshot.AdapterName, "eth0");
    EXPECT_EQ(snapshot.MacText, "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(Entry(snapshot.ClientIps, 1), "192.168.1.20");
    EXPECT_EQ(Entry(snapshot.ClientIps, 2), "");
    EXPECT_EQ(Entry(snapshot.Gateways, 1), "192.168.1.1");
    EXPECT_EQ(snapshot.DnsServers, (std::vector<std::string>{"192.168.1.1", "8.8.8.8"}));
}

TEST(ScanAdapters, WithoutEthernetTheSnapshotIsEmptyButKeepsTheLastIndexWalked)
{
    TFakeIpHelper helper;
    TFakeAdapter ppp = Ethernet(4);
    ppp.Type = MIB_IF_TYPE_PPP;
    TFakeAdapter tunnel = Ethernet(9);
    tunnel.Type = IF_TYPE_TUNNEL;
    helper.Adapters = {ppp, tunnel};
    const AdapterSnapshot snapshot = IPFunctions::ScanAdapters(helper);
    EXPECT_EQ(snapshot.Index, 9u);
    EXPECT_TRUE(snapshot.Description.empty());
    EXPECT_TRUE(snapshot.ClientIps.empty());
}

TEST(ScanAdapters, EveryAddressIsTakenHoweverManyThereAre)
{
    TFakeIpHelper helper;
    helper.Adapters = {Ethernet(2)};
    helper.Adapters[0].Ips.clear();
    for (int i = 1; i <= 20; ++i)
        helper.Adapters[0].Ips.push_back("10.0.0." + std::to_string(i));
    helper.Adapters[0].Gateways = std::vector<std::string>(20, "10.0.0.254");
    helper.DnsServers = std::vector<std::string>(9, "1.1.1.1");
    const AdapterSnapshot snapshot = IPFunctions::ScanAdapters(helper);
    EXPECT_EQ(snapshot.ClientIps.size(), 20u);
    EXPECT_EQ(snapshot.ClientIps.front(), "10.0.0.1");
    EXPECT_EQ(snapshot.Gateways.size(), 20u);
    EXPECT_EQ(snapshot.DnsServers.size(), 9u);
}

TEST(ScanAdapters, AListGrowingBetweenTheTwoCallsIsAnOperatingSystemError)
{
    TFakeIpHelper helper;
    helper.Adapters = {Ethernet(2)};
    helper.AdapterGrowsAfterSizing = true;
    try {
        IPFunctions::ScanAdapters(helper);
        FAIL() << "no exception";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), 111);
        EXPECT_NE(error.Message().find("system text 111"), std::string::npos);
    }
    EXPECT_EQ(helper.AdaptersCalls, 2) << "there is no second retry";
}

TEST(IpHlpErrors, ResultCodesGiveTheirMessages)
{
    TFakeIpHelper helper;
    helper.IfEntryResult = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(MessageOf([&] { IPFunctions::QueryInterface(helper, 2); }), "Function GetIfEntry. Invalid parameter");

    helper.AdaptersResult = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(MessageOf([&] { IPFunctions::ScanAdapters(helper); }),
              "Function GetAdaptersInfo is not supported by the operating system.");
    helper.AdaptersResult = NO_ERROR; // and no adapters at all
    EXPECT_EQ(MessageOf([&] { IPFunctions::ScanAdapters(helper); }),
              "Function GetAdaptersInfo. No adapter information exists for the local computer.");

    helper.Adapters = {Ethernet(2)};
    helper.Missing = {TIpHelperFunction::GetPerAdapterInfo};
    EXPECT_EQ(MessageOf([&] { IPFunctions::ScanAdapters(helper); }), "Function GetPerAdapterInfo is not implemented.");
    EXPECT_THROW(IPFunctions::ScanAdapters(helper), EIpHlpError);
}

TEST(QueryInterface, CopiesTheRowForTheAskedIndex)
{
    TFakeIpHelper helper;
    helper.Row.dwType = MIB_IF_TYPE_ETHERNET;
    helper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
    helper.Row.dwSpeed = 10'000'000'000ull;
    helper.Row.dwInOctets = 5'000'000'000ull;
    helper.Row.dwOutOctets = 12;
    const InterfaceSample sample = IPFunctions::QueryInterface(helper, 5);
    EXPECT_EQ(sample.Type, 6u);
    EXPECT_EQ(sample.OperStatus, 5u);
    EXPECT_EQ(sample.Speed, 10'000'000'000ull);
    EXPECT_EQ(sample.InOctets, 5'000'000'000ull);
    EXPECT_EQ(sample.OutOctets, 12u);
}

TEST(MacText, UpperCaseHexJoinedByDashes)
{
    const uint8_t address[] = {0xff, 0x0a, 0x00, 0xb0, 0x01, 0xc9};
    EXPECT_EQ(IPFunctions::MacText(address), "FF-0A-00-B0-01-C9");
}

} // namespace
