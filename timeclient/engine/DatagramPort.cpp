#include "DatagramPort.h"

#include "SocketErrors.h"
#include "SocketsLoader.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <strings.h>

namespace {

constexpr std::size_t DefaultPacketSize = 8192;
constexpr std::size_t MaxPacketSize = 65536;

// The host's event pump, shared by every port of the process as NetClock_SetEventPump registers it.
struct THostEventPump {
    TEventPump Pump = nullptr;
    void* UserData = nullptr;
};
THostEventPump HostEventPump;

// The tick count: it goes on through suspend, so a time-out means the same span of real time.
int64_t NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string Dotted(uint32_t address)
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr value{address};
    inet_ntop(AF_INET, &value, text, sizeof text);
    return text;
}

int32_t LastSocketError(bool connectedDatagram = false) { return SocketErrors::FromErrno(errno, connectedDatagram); }

const char* RefusalText(TDatagramPort::TRefusal refusal)
{
    using enum TDatagramPort::TRefusal;
    switch (refusal) {
    case AlreadyActive: return "UDPPort is already Active.";
    case LocalHostWhileActive: return "Cannot change LocalHost while the control is Active.";
    case NotActive: return "The control must be Active for this operation.";
    case PacketSizeWhileActive: return "Cannot change MaxPacketSize while the control is Active.";
    case RemoteHostWhileConnected:
        return "Cannot change RemoteHost when UseConnection is set and the control is Active.";
    case RemotePortWhileConnected:
        return "Cannot change RemotePort when UseConnection is set and the control is Active.";
    case ConnectionWithoutPort:
        return "RemotePort can't be zero when UseConnection is set. Please specify a valid service port number.";
    case UseConnectionWhileActive: return "Cannot change UseConnection option while the control is Active.";
    }
    return "";
}

bool ParseFlag(const std::string& value)
{
    return strcasecmp(value.c_str(), "true") == 0 || strcasecmp(value.c_str(), "yes") == 0 || value == "1";
}

// An optional "-" and the decimal digits up to the first other character.
int32_t ParseInteger(const std::string& value)
{
    int64_t number = 0;
    const bool negative = !value.empty() && value[0] == '-';
    for (std::size_t i = negative ? 1 : 0; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        number = std::min<int64_t>(number * 10 + (value[i] - '0'), INT32_MAX);
    return static_cast<int32_t>(negative ? -number : number);
}

} // namespace

TDatagramPort::TDatagramPort()
{
    HoldsLibrary = SocketsLoader::Acquire();
    Buffer.resize(DefaultPacketSize);
}

TDatagramPort::~TDatagramPort()
{
    if (HoldsLibrary) SocketsLoader::Release();
}

void TDatagramPort::SetEventPump(TEventPump pump, void* userData) { HostEventPump = {pump, userData}; }

int32_t TDatagramPort::Refuse(TRefusal refusal)
{
    LastErrorText = RefusalText(refusal);
    return static_cast<int32_t>(refusal);
}

void TDatagramPort::BuildSocketErrorText(int32_t code) { LastErrorText = SocketErrors::Text(code); }

int32_t TDatagramPort::Resolve(const std::string& host, uint32_t& address)
{
    if (host.empty()) {
        address = 0;
        return 0;
    }
    if (host == "255.255.255.255") {
        address = INADDR_BROADCAST;
        return 0;
    }
    in_addr dotted{};
    if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        address = dotted.s_addr;
        return 0;
    }
    address = 0;
    if (!HoldsLibrary) return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* answer = nullptr;
    const int result = getaddrinfo(host.c_str(), nullptr, &hints, &answer);
    if (result != 0) return SocketErrors::FromResolver(result, errno);
    address = reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(answer);
    return 0;
}

int32_t TDatagramPort::SetRemoteHost(const std::string& host)
{
    LastErrorText.clear();
    if (UseConnection && Active()) return Refuse(TRefusal::RemoteHostWhileConnected);
    return Resolve(host, RemoteAddress);
}

std::string TDatagramPort::RemoteHost()
{
    LastErrorText.clear();
    return RemoteAddress == 0 ? std::string() : Dotted(RemoteAddress);
}

int32_t TDatagramPort::SetRemotePort(int32_t port)
{
    LastErrorText.clear();
    if (UseConnection && Active()) return Refuse(TRefusal::RemotePortWhileConnected);
    RemotePortNumber = static_cast<uint16_t>(port);
    return 0;
}

int32_t TDatagramPort::SetLocalHost(const std::string& host)
{
    if (Active()) return Refuse(TRefusal::LocalHostWhileActive);
    LastErrorText.clear();
    return Resolve(host, LocalAddress);
}

std::string TDatagramPort::LocalHost()
{
    LastErrorText.clear();
    if (Active()) {
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (getsockname(Socket.Get(), reinterpret_cast<sockaddr*>(&bound), &length) == 0)
            return Dotted(bound.sin_addr.s_addr);
    }
    if (LocalAddress != 0) return Dotted(LocalAddress);
    char name[101] = {};
    if (gethostname(name, sizeof name - 1) != 0) {
        BuildSocketErrorText(LastSocketError());
        return {};
    }
    return name;
}

int32_t TDatagramPort::SetUseConnection(bool value)
{
    if (Active()) return Refuse(TRefusal::UseConnectionWhileActive);
    UseConnection = value;
    return 0;
}

void TDatagramPort::SetTimeoutMs(int64_t milliseconds)
{
    Timeout = milliseconds;
    Deadline = 0;
}

void TDatagramPort::StartDeadline() { Deadline = Timeout == 0 ? 0 : NowMs() + Timeout; }

int32_t TDatagramPort::SetActive(bool active) { return active ? Activate() : Deactivate(); }

void TDatagramPort::ApplyBufferSizes(int fd)
{
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &InBufferSize, sizeof InBufferSize);
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &OutBufferSize, sizeof OutBufferSize);
}

int32_t TDatagramPort::Activate()
{
    LastErrorText.clear();
    if (Active()) return Refuse(TRefusal::AlreadyActive);
    ClosePending = false;
    if (UseConnection && RemotePortNumber == 0) return Refuse(TRefusal::ConnectionWithoutPort);
    if (!HoldsLibrary) return SocketErrors::NotInitialised;

    // Non-blocking from the start: data is read when the wait sees it, never by blocking the host. The port
    // takes the socket once it is set up; a socket that fails on the way closes as the attempt ends.
    TSocketHandle created(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!created.Valid()) return LastSocketError();
    const int fd = created.Get();
    const int on = 1;
    if (ShareLocalPort) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = LocalAddress;
    int32_t result = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) result = LastSocketError();
    if (result == 0) {
        ApplyBufferSizes(fd);
        const int off = 0;
        setsockopt(fd, SOL_SOCKET, SO_DONTROUTE, &off, sizeof off);
        if (QosFlags != 0) setsockopt(fd, IPPROTO_IP, IP_TOS, &QosFlags, sizeof QosFlags);
        setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    }
    // Windows Sockets refuses a connection to no address, where Linux would take the local host.
    if (result == 0 && UseConnection && RemoteAddress == 0) result = SocketErrors::AddressNotAvailable;
    if (result == 0 && UseConnection) {
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_addr.s_addr = RemoteAddress;
        remote.sin_port = htons(RemotePortNumber);
        if (connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0 && errno != EINPROGRESS)
            result = LastSocketError();
    }
    if (result == 0) Socket = std::move(created);
    return result;
}

int32_t TDatagramPort::Deactivate()
{
    LastErrorText.clear();
    if (!Active()) {
        InReceive = false;
        return 0;
    }
    if (InReceive) {
        ClosePending = true;
        return 0;
    }
    // What is still pending is handed on before the socket goes; a deactivation asked for while handing
    // it on only marks the close, which happens right here.
    InReceive = true;
    Receive(/*drain=*/true);
    InReceive = false;
    ClosePending = false;
    const int error = Socket.Close();
    return error != 0 ? SocketErrors::FromErrno(error) : 0;
}

int32_t TDatagramPort::Send(const void* data, std::size_t length)
{
    LastErrorText.clear();
    if (!Active()) return Refuse(TRefusal::NotActive);
    if (length == 0) return 0;
    if (!UseConnection && RemoteAddress == 0) return SocketErrors::AddressNotAvailable;
    ssize_t sent;
    if (UseConnection) {
        sent = send(Socket.Get(), data, length, MSG_NOSIGNAL);
    } else {
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_addr.s_addr = RemoteAddress;
        remote.sin_port = htons(RemotePortNumber);
        sent = sendto(Socket.Get(), data, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&remote), sizeof remote);
    }
    if (sent < 0) return LastSocketError(UseConnection);
    if (!AbsoluteTimeout && !DeadlineHeld) StartDeadline();
    return 0;
}

int32_t TDatagramPort::Receive(bool drain)
{
    while (Active()) {
        if (!drain && ClosePending) {
            InReceive = false;
            return Deactivate();
        }
        sockaddr_in source{};
        socklen_t sourceLength = sizeof source;
        const ssize_t got = recvfrom(Socket.Get(), Buffer.data(), Buffer.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&source), &sourceLength);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int32_t code = LastSocketError(UseConnection);
            if (code == SocketErrors::WouldBlock || code == SocketErrors::NotSocket) return 0;
            if (code == SocketErrors::ConnectionReset) {
                ErrorOccurred(code, "Destination unreachable (service unavailable?).");
            } else {
                ErrorOccurred(code, "Winsock error in recv()");
            }
            return 0;
        }
        if (!AbsoluteTimeout && !DeadlineHeld) StartDeadline();
        const std::string address = UseConnection ? Dotted(RemoteAddress) : Dotted(source.sin_addr.s_addr);
        const uint16_t port = UseConnection ? RemotePortNumber : ntohs(source.sin_port);
        if (const int32_t result = DatagramReceived(Buffer.data(), static_cast<std::size_t>(got), address, port))
            return result;
    }
    return 0;
}

void TDatagramPort::OnReadable()
{
    if (InReceive) return;
    InReceive = true;
    Receive(/*drain=*/false);
    InReceive = false;
    if (ClosePending) Deactivate();
}

bool TDatagramPort::ConsumeInterrupt()
{
    if (!InterruptRequested) return false;
    InterruptRequested = false;
    WasInterrupted = true;
    LastErrorText = "Interrupted.";
    return true;
}

bool TDatagramPort::WaitStep(int maxPauseMs)
{
    if (ConsumeInterrupt()) return false;
    if (HostEventPump.Pump && HostEventPump.Pump(HostEventPump.UserData) != 0)
        return false; // the quit request stays with the host
    // Sleeps until data arrives or the pause ends: an answer is read the moment it is there.
    if (Active()) {
        pollfd socketReady{Socket.Get(), POLLIN, 0};
        if (poll(&socketReady, 1, std::max(maxPauseMs, 0)) > 0 && (socketReady.revents & (POLLIN | POLLERR)))
            OnReadable();
    } else if (maxPauseMs > 0) {
        poll(nullptr, 0, maxPauseMs);
    }
    if (ConsumeInterrupt()) return false;
    if (Deadline != 0 && NowMs() > Deadline) {
        LastErrorText = "Timeout.";
        return false;
    }
    return true;
}

int32_t TDatagramPort::Config(const std::string& setting, std::string& result)
{
    result.clear();
    const std::size_t equals = setting.find('=');
    const std::string name = setting.substr(0, equals);
    const bool write = equals != std::string::npos;
    const std::string value = write ? setting.substr(equals + 1) : std::string();
    auto is = [&](const char* candidate) { return strcasecmp(name.c_str(), candidate) == 0; };
    auto flag = [&](bool current) { result = current ? "True" : "False"; };
    // A number is formatted into the error text, where callers of the C interface have always found it.
    auto number = [&](int64_t current) { LastErrorText = result = std::to_string(current); };
    const SocketsLoader::TState& library = SocketsLoader::State();

    if (is("UseConnection")) {
        if (!write) return flag(UseConnection), 0;
        return SetUseConnection(ParseFlag(value));
    }
    if (is("ShareLocalPort")) {
        if (!write) return flag(ShareLocalPort), 0;
        ShareLocalPort = ParseFlag(value);
        return 0;
    }
    if (is("MaxPacketSize")) {
        if (!write) return number(static_cast<int64_t>(Buffer.size())), 0;
        if (Active()) return Refuse(TRefusal::PacketSizeWhileActive);
        Buffer.assign(static_cast<std::size_t>(std::clamp<int32_t>(ParseInteger(value), 1, MaxPacketSize)), 0);
        return 0;
    }
    if (is("QOSFlags")) {
        if (!write) {
            int current = QosFlags;
            socklen_t length = sizeof current;
            if (Active()) getsockopt(Socket.Get(), IPPROTO_IP, IP_TOS, &current, &length);
            return number(current), 0;
        }
        QosFlags = ParseInteger(value);
        if (Active()) setsockopt(Socket.Get(), IPPROTO_IP, IP_TOS, &QosFlags, sizeof QosFlags);
        return 0;
    }
    if (is("InBufferSize") || is("OutBufferSize")) {
        int32_t& size = is("InBufferSize") ? InBufferSize : OutBufferSize;
        if (!write) return number(size), 0;
        size = ParseInteger(value);
        if (Active()) ApplyBufferSizes(Socket.Get());
        return 0;
    }
    if (is("AbsoluteTimeout")) {
        if (!write) return flag(AbsoluteTimeout), 0;
        AbsoluteTimeout = ParseFlag(value);
        return 0;
    }
    if (is("CodePage")) {
        if (!write) return number(CodePage), 0;
        CodePage = ParseInteger(value);
        return 0;
    }
    if (!write) {
        if (is("SocketHandle")) return number(Socket.Get()), 0;
        if (is("WinsockLoaded")) return flag(HoldsLibrary), 0;
        if (is("WinsockMaxDatagramSize")) return number(library.MaxDatagramSize), 0;
        if (is("WinsockInfo")) return result = library.Description, 0;
        if (is("WinsockMaxSockets")) return number(library.MaxSockets), 0;
        if (is("WinsockPath")) return result = library.LibraryPath, 0;
        if (is("WinsockStatus")) return result = library.Status, 0;
    }
    LastErrorText = "Unknown config setting.";
    return -1;
}
