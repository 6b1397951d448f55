#include "Netlink.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t ReceiveBufferSize = 64 * 1024;

int OpenSocket(int protocol, uint32_t groups, int extraFlags)
{
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | extraFlags, protocol);
    if (fd < 0) return -1;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = groups;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TNetlinkSocket::TNetlinkSocket() : TNetlinkSocket(NETLINK_ROUTE) {}

TNetlinkSocket::TNetlinkSocket(int protocol) : Socket(OpenSocket(protocol, 0, 0)), Buffer(ReceiveBufferSize) {}

int TNetlinkSocket::Request(uint16_t type, uint16_t flags, const void* payload, std::size_t payloadSize,
                            const TMessageHandler& handler)
{
    if (!Socket.Valid()) return EBADF;
    std::vector<std::byte> request(NLMSG_SPACE(payloadSize));
    auto* header = reinterpret_cast<nlmsghdr*>(request.data());
    header->nlmsg_len = static_cast<uint32_t>(NLMSG_LENGTH(payloadSize));
    header->nlmsg_type = type;
    header->nlmsg_flags = static_cast<uint16_t>(NLM_F_REQUEST | flags);
    header->nlmsg_seq = ++Sequence;
    std::memcpy(NLMSG_DATA(header), payload, payloadSize);

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(Socket.Get(), request.data(), header->nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) < 0)
        return errno;

    const bool dump = (flags & NLM_F_DUMP) == NLM_F_DUMP;
    for (;;) {
        const ssize_t received = recv(Socket.Get(), Buffer.data(), Buffer.size(), 0);
        if (received < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        auto remaining = static_cast<uint32_t>(received);
        for (auto* message = reinterpret_cast<const nlmsghdr*>(Buffer.data()); NLMSG_OK(message, remaining);
             message = NLMSG_NEXT(message, remaining)) {
            if (message->nlmsg_seq != Sequence) continue; // an answer to an earlier, abandoned request
            if (message->nlmsg_type == NLMSG_DONE) {
                // A dump that failed on the way ends with the negative errno in place of its last part.
                int status = 0;
                if (message->nlmsg_len >= NLMSG_LENGTH(sizeof status))
                    std::memcpy(&status, NLMSG_DATA(message), sizeof status);
                return status < 0 ? -status : 0;
            }
            if (message->nlmsg_type == NLMSG_ERROR) {
                if (message->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))) return EPROTO;
                const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(message));
                return -error->error;
            }
            handler(*message);
            if (!dump) return 0;
        }
    }
}

TNetlinkChangeWatch::TNetlinkChangeWatch()
    : Socket(OpenSocket(NETLINK_ROUTE,
                        RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE,
                        SOCK_NONBLOCK))
{
}

TNetlinkChanges TNetlinkChangeWatch::Take()
{
    TNetlinkChanges changes;
    if (!Socket.Valid()) {
        changes.Any = changes.Lost = true;
        return changes;
    }
    alignas(nlmsghdr) std::byte drain[8192];
    for (;;) {
        // MSG_TRUNC answers the datagram's real length, so a message cut by the buffer is noticed.
        ssize_t received = recv(Socket.Get(), drain, sizeof drain, MSG_DONTWAIT | MSG_TRUNC);
        if (received < 0 && errno == EINTR) continue;
        if (received > static_cast<ssize_t>(sizeof drain)) {
            changes.Lost = true;
            received = sizeof drain;
        }
        if (received < 0) {
            // ENOBUFS: announcements were lost, so everything must be read afresh.
            if (errno == ENOBUFS) changes.Any = changes.Lost = true;
            return changes;
        }
        if (received == 0) return changes;
        changes.Any = true;
        auto remaining = static_cast<uint32_t>(received);
        for (auto* message = reinterpret_cast<const nlmsghdr*>(drain); NLMSG_OK(message, remaining);
             message = NLMSG_NEXT(message, remaining)) {
            if (message->nlmsg_type != RTM_NEWLINK && message->nlmsg_type != RTM_DELLINK) continue;
            if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) continue;
            const auto* link = static_cast<const ifinfomsg*>(NLMSG_DATA(message));
            changes.Links.push_back(static_cast<uint32_t>(link->ifi_index));
        }
    }
}
