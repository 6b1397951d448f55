#pragma once

#include "FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct nlmsghdr;

// One rtnetlink socket, kept open between ticks: a request costs a send and a few receives, not a socket.
class TNetlinkSocket {
public:
    using TMessageHandler = std::function<void(const nlmsghdr&)>;

    TNetlinkSocket();
    bool Valid() const { return Socket.Valid(); }

    // Sends a request and hands every answer message to the handler. Returns 0 or the errno of the failure
    // (the socket's own or the kernel's answer, for example ENODEV for an interface that has gone).
    int Request(uint16_t type, uint16_t flags, const void* payload, std::size_t payloadSize,
                const TMessageHandler& handler);

private:
    TFileDescriptor Socket;
    uint32_t Sequence = 0;
    std::vector<std::byte> Buffer;
};

// Listens to the kernel's announcements of link, address and route changes, so that a table built from
// them can be kept until one of them changes.
class TNetlinkChangeWatch {
public:
    TNetlinkChangeWatch();
    // True when anything changed since the last call (or the announcements could not be followed).
    bool Changed();

private:
    TFileDescriptor Socket;
};
