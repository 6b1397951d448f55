#pragma once

#include "Netlink.h"

#include "platform/IIpHelper.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The link of a wireless interface to its access point, from the kernel's nl80211 over generic netlink. The
// socket stays open between calls and the family's number is asked once, so a look at an associated
// interface costs two requests.
class TNl80211 {
public:
    TNl80211();

    // Nothing for an interface nl80211 does not know (not wireless), one that is no station of an access
    // point, or one that is not associated.
    std::optional<TWirelessLink> Link(uint32_t index);

    // The number of a generic netlink family; nothing when the kernel has none of that name.
    static std::optional<uint16_t> ResolveFamily(TNetlinkSocket& socket, const std::string& name);

    // What the kernel's answers say. Each takes one whole message as it came, netlink header first, and
    // answers nothing for bytes that are no such answer.
    struct TInterfaceAnswer {
        uint32_t Index = 0;
        uint32_t Type = 0;               // NL80211_IFTYPE_*
        std::optional<std::string> Ssid; // of an associated station, where the kernel tells it here
    };
    struct TStationAnswer {
        std::optional<int32_t> SignalDbm;
        uint64_t TransmitBitrate = 0; // bits per second; 0 when not reported
    };
    static std::optional<uint16_t> ParseFamilyId(std::span<const std::byte> message);
    static std::optional<TInterfaceAnswer> ParseInterface(std::span<const std::byte> message);
    static std::optional<TStationAnswer> ParseStation(std::span<const std::byte> message);
    // The SSID of a scan result the interface is associated with; nothing for any other one.
    static std::optional<std::string> ParseAssociatedSsid(std::span<const std::byte> message);

private:
    int Request(uint8_t command, uint16_t flags, uint32_t index, const TNetlinkSocket::TMessageHandler& handler);

    TNetlinkSocket Socket;
    std::optional<uint16_t> Family;
};
