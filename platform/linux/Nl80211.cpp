#include "Nl80211.h"

#include "NetlinkAttributes.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// The command and the attributes of a generic netlink message; nothing when the bytes hold no whole one.
struct TGenericMessage {
    uint8_t Command = 0;
    std::span<const std::byte> Attributes;
};

std::optional<TGenericMessage> GenericMessage(std::span<const std::byte> bytes)
{
    nlmsghdr header;
    if (bytes.size() < sizeof header) return std::nullopt;
    std::memcpy(&header, bytes.data(), sizeof header);
    constexpr std::size_t start = NLMSG_HDRLEN + GENL_HDRLEN;
    if (header.nlmsg_type < NLMSG_MIN_TYPE || header.nlmsg_len < start || header.nlmsg_len > bytes.size())
        return std::nullopt;
    genlmsghdr generic;
    std::memcpy(&generic, bytes.data() + NLMSG_HDRLEN, sizeof generic);
    return TGenericMessage{generic.cmd, bytes.subspan(start, header.nlmsg_len - start)};
}

std::span<const std::byte> BytesOf(const nlmsghdr& message)
{
    return std::span(reinterpret_cast<const std::byte*>(&message), message.nlmsg_len);
}

void AppendAttribute(std::vector<std::byte>& payload, uint16_t type, const void* data, std::size_t size)
{
    const nlattr header{static_cast<uint16_t>(NLA_HDRLEN + size), type};
    const std::size_t at = payload.size();
    payload.resize(at + NLA_ALIGN(NLA_HDRLEN + size));
    std::memcpy(payload.data() + at, &header, sizeof header);
    std::memcpy(payload.data() + at + NLA_HDRLEN, data, size);
}

std::vector<std::byte> GenericPayload(uint8_t command, uint8_t version)
{
    std::vector<std::byte> payload(GENL_HDRLEN);
    const genlmsghdr header{command, version, 0};
    std::memcpy(payload.data(), &header, sizeof header);
    return payload;
}

// The 16- and 32-bit rates count 100 kbit/s; the 32-bit one is there for rates above 6.5 Gbit/s.
uint64_t BitrateOf(std::span<const std::byte> rateInfo)
{
    std::optional<uint32_t> rate32;
    std::optional<uint16_t> rate16;
    ForEachAttribute(rateInfo, [&](const TNetlinkAttribute& attribute) {
        if (attribute.Type == NL80211_RATE_INFO_BITRATE32) rate32 = attribute.As<uint32_t>();
        if (attribute.Type == NL80211_RATE_INFO_BITRATE) rate16 = attribute.As<uint16_t>();
    });
    return uint64_t{rate32 ? *rate32 : rate16.value_or(0)} * 100'000;
}

// The SSID element (number 0) of 802.11 information elements: one byte of number, one of length, the data.
std::optional<std::string> SsidElement(std::span<const std::byte> elements)
{
    while (elements.size() >= 2) {
        const auto id = static_cast<uint8_t>(elements[0]);
        const auto length = static_cast<uint8_t>(elements[1]);
        if (elements.size() < 2u + length) return std::nullopt;
        if (id == 0) return std::string(reinterpret_cast<const char*>(elements.data() + 2), length);
        elements = elements.subspan(2u + length);
    }
    return std::nullopt;
}

} // namespace

TNl80211::TNl80211() : Socket(NETLINK_GENERIC) {}

std::optional<uint16_t> TNl80211::ResolveFamily(TNetlinkSocket& socket, const std::string& name)
{
    std::vector<std::byte> payload = GenericPayload(CTRL_CMD_GETFAMILY, 1);
    AppendAttribute(payload, CTRL_ATTR_FAMILY_NAME, name.c_str(), name.size() + 1);
    std::optional<uint16_t> family;
    const int error = socket.Request(GENL_ID_CTRL, 0, payload.data(), payload.size(),
                                     [&](const nlmsghdr& message) { family = ParseFamilyId(BytesOf(message)); });
    return error ? std::nullopt : family;
}

int TNl80211::Request(uint8_t command, uint16_t flags, uint32_t index, const TNetlinkSocket::TMessageHandler& handler)
{
    if (!Family) return ENOENT;
    std::vector<std::byte> payload = GenericPayload(command, 0);
    AppendAttribute(payload, NL80211_ATTR_IFINDEX, &index, sizeof index);
    const int error = Socket.Request(*Family, flags, payload.data(), payload.size(), handler);
    // The family's number is gone when cfg80211 was unloaded; it is asked again at the next look.
    if (error == ENOENT) Family.reset();
    return error;
}

std::optional<TWirelessLink> TNl80211::Link(uint32_t index)
{
    // Until cfg80211 is loaded there is no family, so it is looked for again at the next call; the caller
    // makes one only for an interface it takes to be wireless.
    if (!Family) Family = ResolveFamily(Socket, NL80211_GENL_NAME);
    if (!Family) return std::nullopt;

    std::optional<TInterfaceAnswer> interface;
    if (Request(NL80211_CMD_GET_INTERFACE, 0, index,
                [&](const nlmsghdr& message) { interface = ParseInterface(BytesOf(message)); }) != 0)
        return std::nullopt;
    if (!interface || (interface->Type != NL80211_IFTYPE_STATION && interface->Type != NL80211_IFTYPE_P2P_CLIENT))
        return std::nullopt;

    // A managed station's peer is its access point.
    std::optional<TStationAnswer> station;
    if (Request(NL80211_CMD_GET_STATION, NLM_F_DUMP, index,
                [&](const nlmsghdr& message) {
                    if (!station) station = ParseStation(BytesOf(message));
                }) != 0 ||
        !station)
        return std::nullopt;

    TWirelessLink link;
    link.SignalDbm = station->SignalDbm;
    link.TransmitBitrate = station->TransmitBitrate;
    if (interface->Ssid) {
        link.Ssid = *interface->Ssid;
    } else {
        Request(NL80211_CMD_GET_SCAN, NLM_F_DUMP, index, [&](const nlmsghdr& message) {
            if (auto ssid = ParseAssociatedSsid(BytesOf(message))) link.Ssid = std::move(*ssid);
        });
    }
    return link;
}

std::optional<uint16_t> TNl80211::ParseFamilyId(std::span<const std::byte> message)
{
    const std::optional<TGenericMessage> generic = GenericMessage(message);
    if (!generic || generic->Command != CTRL_CMD_NEWFAMILY) return std::nullopt;
    std::optional<uint16_t> family;
    ForEachAttribute(generic->Attributes, [&](const TNetlinkAttribute& attribute) {
        if (attribute.Type == CTRL_ATTR_FAMILY_ID) family = attribute.As<uint16_t>();
    });
    return family;
}

std::optional<TNl80211::TInterfaceAnswer> TNl80211::ParseInterface(std::span<const std::byte> message)
{
    const std::optional<TGenericMessage> generic = GenericMessage(message);
    if (!generic || generic->Command != NL80211_CMD_NEW_INTERFACE) return std::nullopt;
    TInterfaceAnswer answer;
    ForEachAttribute(generic->Attributes, [&](const TNetlinkAttribute& attribute) {
        if (attribute.Type == NL80211_ATTR_IFINDEX) answer.Index = attribute.As<uint32_t>().value_or(0);
        if (attribute.Type == NL80211_ATTR_IFTYPE) answer.Type = attribute.As<uint32_t>().value_or(0);
        if (attribute.Type == NL80211_ATTR_SSID) answer.Ssid = attribute.Bytes();
    });
    return answer;
}

std::optional<TNl80211::TStationAnswer> TNl80211::ParseStation(std::span<const std::byte> message)
{
    const std::optional<TGenericMessage> generic = GenericMessage(message);
    if (!generic || generic->Command != NL80211_CMD_NEW_STATION) return std::nullopt;
    std::optional<TStationAnswer> answer;
    ForEachAttribute(generic->Attributes, [&](const TNetlinkAttribute& info) {
        if (info.Type != NL80211_ATTR_STA_INFO) return;
        answer.emplace();
        ForEachAttribute(info.Payload, [&](const TNetlinkAttribute& attribute) {
            // The level is a signed byte of dBm.
            if (attribute.Type == NL80211_STA_INFO_SIGNAL) {
                if (const auto level = attribute.As<int8_t>()) answer->SignalDbm = *level;
            }
            if (attribute.Type == NL80211_STA_INFO_TX_BITRATE) answer->TransmitBitrate = BitrateOf(attribute.Payload);
        });
    });
    return answer;
}

std::optional<std::string> TNl80211::ParseAssociatedSsid(std::span<const std::byte> message)
{
    const std::optional<TGenericMessage> generic = GenericMessage(message);
    if (!generic || generic->Command != NL80211_CMD_NEW_SCAN_RESULTS) return std::nullopt;
    std::optional<std::string> ssid;
    ForEachAttribute(generic->Attributes, [&](const TNetlinkAttribute& bss) {
        if (bss.Type != NL80211_ATTR_BSS) return;
        bool associated = false;
        std::optional<std::string> named, beaconNamed;
        ForEachAttribute(bss.Payload, [&](const TNetlinkAttribute& attribute) {
            if (attribute.Type == NL80211_BSS_STATUS)
                associated = attribute.As<uint32_t>() == uint32_t{NL80211_BSS_STATUS_ASSOCIATED};
            // The elements of the last probe response, else of the last beacon.
            if (attribute.Type == NL80211_BSS_INFORMATION_ELEMENTS) named = SsidElement(attribute.Payload);
            if (attribute.Type == NL80211_BSS_BEACON_IES) beaconNamed = SsidElement(attribute.Payload);
        });
        if (associated) ssid = named ? named : beaconNamed;
    });
    return ssid;
}
