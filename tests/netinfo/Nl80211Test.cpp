// The nl80211 parsers over answers laid out as the kernel sends them (data/README.md).
#include "platform/linux/Nl80211.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

// The bytes of an answer file: hex pairs, "#" to the line's end a comment.
std::vector<std::byte> Answer(const std::string& name)
{
    std::ifstream file(std::string(QUORVEL_NL80211_ANSWERS) + "/" + name);
    EXPECT_TRUE(file) << name;
    std::vector<std::byte> bytes;
    for (std::string line; std::getline(file, line);) {
        std::istringstream pairs(line.substr(0, line.find('#')));
        for (std::string pair; pairs >> pair;)
            bytes.push_back(static_cast<std::byte>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

TEST(Nl80211, TheFamilyNumberComesFromTheControllersAnswer)
{
    EXPECT_EQ(TNl80211::ParseFamilyId(Answer("nl80211-family.hex")), uint16_t{0x1c});

    // The request itself, against the running kernel's controller, which knows its own family.
    TNetlinkSocket socket(NETLINK_GENERIC);
    ASSERT_TRUE(socket.Valid());
    EXPECT_EQ(TNl80211::ResolveFamily(socket, "nlctrl"), uint16_t{GENL_ID_CTRL});
    EXPECT_EQ(TNl80211::ResolveFamily(socket, "quorvel-no-such-family"), std::nullopt);
}

TEST(Nl80211, AnAssociatedStationNamesItsNetworkAsTheBytesCome)
{
    const auto associated = TNl80211::ParseInterface(Answer("nl80211-interface-associated.hex"));
    ASSERT_TRUE(associated);
    EXPECT_EQ(associated->Index, 3u);
    EXPECT_EQ(associated->Type, uint32_t{NL80211_IFTYPE_STATION});
    EXPECT_EQ(associated->Ssid, "Caf\xc3\xa9") << "the attribute's length, not its padding";

    const auto unassociated = TNl80211::ParseInterface(Answer("nl80211-interface-unassociated.hex"));
    ASSERT_TRUE(unassociated);
    EXPECT_EQ(unassociated->Ssid, std::nullopt);
}

TEST(Nl80211, TheStationTellsTheSignalAndTheRateItSendsAt)
{
    const auto vht = TNl80211::ParseStation(Answer("nl80211-station-vht.hex"));
    ASSERT_TRUE(vht);
    EXPECT_EQ(vht->SignalDbm, -59) << "the signal, not its average nor a rate's attribute of the same number";
    EXPECT_EQ(vht->TransmitBitrate, 866'700'000u) << "the transmit rate, not the receive rate";

    const auto eht = TNl80211::ParseStation(Answer("nl80211-station-eht.hex"));
    ASSERT_TRUE(eht);
    EXPECT_EQ(eht->SignalDbm, -42);
    EXPECT_EQ(eht->TransmitBitrate, 11'529'400'000u) << "only the 32-bit rate, and past 32 bits in bits per second";

    const auto legacy = TNl80211::ParseStation(Answer("nl80211-station-legacy.hex"));
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->SignalDbm, std::nullopt);
    EXPECT_EQ(legacy->TransmitBitrate, 54'000'000u) << "only the 16-bit rate";
}

TEST(Nl80211, TheScanResultsNameOnlyTheAssociatedNetwork)
{
    EXPECT_EQ(TNl80211::ParseAssociatedSsid(Answer("nl80211-scan-associated.hex")), "HomeNet");
    EXPECT_EQ(TNl80211::ParseAssociatedSsid(Answer("nl80211-scan-neighbour.hex")), std::nullopt);
    EXPECT_EQ(TNl80211::ParseAssociatedSsid(Answer("nl80211-scan-hidden.hex")), "Attic")
        << "the probe response's name over the beacon's empty one";
}

// Each parser reads only the bytes it is given: an answer cut anywhere, or one of another command, gives
// nothing (and the sanitizer build sees any read past the cut).
TEST(Nl80211, CutAndForeignAnswersGiveNothing)
{
    auto each = [](const std::vector<std::byte>& answer, auto parse) {
        ASSERT_TRUE(parse(std::span<const std::byte>(answer)));
        for (std::size_t length = 0; length < answer.size(); ++length) {
            const std::vector<std::byte> cut(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_FALSE(parse(std::span<const std::byte>(cut))) << "cut at " << length;
        }
    };
    each(Answer("nl80211-family.hex"), TNl80211::ParseFamilyId);
    each(Answer("nl80211-interface-associated.hex"), TNl80211::ParseInterface);
    each(Answer("nl80211-station-vht.hex"), TNl80211::ParseStation);
    each(Answer("nl80211-scan-associated.hex"), TNl80211::ParseAssociatedSsid);

    EXPECT_FALSE(TNl80211::ParseInterface(Answer("nl80211-station-vht.hex")));
    EXPECT_FALSE(TNl80211::ParseStation(Answer("nl80211-interface-associated.hex")));
    EXPECT_FALSE(TNl80211::ParseAssociatedSsid(Answer("nl80211-station-vht.hex")));
    EXPECT_FALSE(TNl80211::ParseFamilyId(Answer("nl80211-scan-associated.hex")));
}

} // namespace
