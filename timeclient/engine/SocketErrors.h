#pragma once

#include <cstdint>
#include <string>

// The socket error numbers and texts the engine reports. They keep the numbering of the Windows Sockets
// interface the engine's callers know ("[10054] Connection reset by peer"); errno values and resolver
// results are mapped onto them.
namespace SocketErrors {

constexpr int32_t WouldBlock = 10035;
constexpr int32_t NotSocket = 10038;
constexpr int32_t AddressNotAvailable = 10049;
constexpr int32_t ConnectionReset = 10054;
constexpr int32_t NotInitialised = 10093;
constexpr int32_t HostNotFound = 11001;
// A system error without a socket error number is reported as this base plus errno, outside the table's
// range, with the system's own text: 10000 + errno would read as an unrelated socket error (ENODATA as
// 10061 "Connection refused").
constexpr int32_t SystemErrorBase = 12000;

// "[code] text": the table's text, the system's text for SystemErrorBase + errno, else
// "(no description available)".
std::string Text(int32_t code);
// The socket error number for an errno. On a connected datagram socket the kernel answers a port
// unreachable message with ECONNREFUSED, which the table calls a reset by the peer.
int32_t FromErrno(int error, bool connectedDatagram = false);
// The socket error number for a getaddrinfo result (with errno for EAI_SYSTEM).
int32_t FromResolver(int result, int error);

} // namespace SocketErrors
