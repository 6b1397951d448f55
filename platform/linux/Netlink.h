#pragma once

#include "FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct nlmsghdr;

// One netlink socket, kept open between ticks: a request costs a send and a few receives, not a socket.
class TNetlinkSocket {
public:
    using TMessageHandler = std::function<void(const nlmsghdr&)>;

    // An rtnetlink socket.
    TNetlinkSocket();
    // A socket of another netlink protocol (NETLINK_GENERIC for nl80211).
    explicit TNetlinkSocket(int protocol);
    bool Valid() const { return Socket.Valid(); }

    // Sends a request and hands every answer message to the handler. Returns 0 or the errno of the failure
    // (the socket's own or the kernel's answer, for example ENODEV for an interface that has gone, also when
    // a dump fails after it began).
    int Request(uint16_t type, uint16_t flags, const void* payload, std::size_t payloadSize,
                const TMessageHandler& handler);

private:
    TFileDescriptor Socket;
    uint32_t Sequence = 0;
    std::vector<std::byte> Buffer;
};

// What the kernel announced since the last look.
struct TNetlinkChanges {
    bool Any = false;            // something changed: tables built from the announcements are out of date
    bool Lost = false;           // announcements were lost (or cannot be followed): assume every link changed
    std::vector<uint32_t> Links; // interface indexes of announced link changes (state, carrier, name, speed)
};

// Listens to the kernel's announcements of link, address and route changes (IPv4 and IPv6), so that a table
// built from them can be kept until one of them changes.
class TNetlinkChangeWatch {
public:
    TNetlinkChangeWatch();
    // Readable when announcements are waiting; -1 when the watch could not be opened.
    int Descriptor() const { return Socket.Get(); }
    // Everything announced since the last call; never blocks.
    TNetlinkChanges Take();

private:
    TFileDescriptor Socket;
};
