#pragma once

#include <linux/netlink.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

// One attribute of a netlink message. rtnetlink's rtattr and generic netlink's nlattr share one layout (16-bit
// length and type, the payload padded to four bytes), so one reader serves both.
struct TNetlinkAttribute {
    uint16_t Type = 0; // without the nested and byte-order flags newer kernels set
    std::span<const std::byte> Payload;

    // The payload as a value of fixed size; nothing when it is shorter.
    template <typename T> std::optional<T> As() const
    {
        if (Payload.size() < sizeof(T)) return std::nullopt;
        T value;
        std::memcpy(&value, Payload.data(), sizeof value);
        return value;
    }
    // The payload up to its terminating zero.
    std::string Text() const
    {
        const auto* data = reinterpret_cast<const char*>(Payload.data());
        return std::string(data, std::find(data, data + Payload.size(), '\0'));
    }
    // The payload as it is, zeros included (an SSID is bytes, not text).
    std::string Bytes() const { return std::string(reinterpret_cast<const char*>(Payload.data()), Payload.size()); }
};

// Calls the handler for each whole attribute in the bytes; an attribute whose length runs past them ends the
// walk, so a cut or corrupt answer is never read beyond its end.
template <typename Handler> void ForEachAttribute(std::span<const std::byte> bytes, Handler handler)
{
    while (bytes.size() >= NLA_HDRLEN) {
        nlattr header;
        std::memcpy(&header, bytes.data(), sizeof header);
        if (header.nla_len < NLA_HDRLEN || header.nla_len > bytes.size()) return;
        handler(TNetlinkAttribute{static_cast<uint16_t>(header.nla_type & NLA_TYPE_MASK),
                                  bytes.subspan(NLA_HDRLEN, header.nla_len - NLA_HDRLEN)});
        bytes = bytes.subspan(std::min<std::size_t>(NLA_ALIGN(header.nla_len), bytes.size()));
    }
}

// The attributes of a message, which follow its fixed header (ifinfomsg, rtmsg, genlmsghdr, ...).
template <typename Header, typename Handler> void ForEachAttribute(const nlmsghdr& message, Handler handler)
{
    constexpr std::size_t start = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(Header));
    if (message.nlmsg_len < start) return;
    const auto* bytes = reinterpret_cast<const std::byte*>(&message);
    ForEachAttribute(std::span(bytes + start, message.nlmsg_len - start), handler);
}
