#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small NTP server on 127.0.0.1 for the tests. To each request it sends the replies the test chose, in
// order: a correct one built from the request and its clock, or one that breaks a rule a client must
// check. It counts the requests and keeps the last one. It stops by itself when it goes.
class TTestNtpServer {
public:
    enum class TKind {
        Correct,
        Long,            // correct, with 20 more bytes after the header (as a key id and digest would be)
        WrongOrigin,     // the origin timestamp is not the request's transmit timestamp
        WrongSourcePort, // correct, but sent from another port of the same host
        ZeroTransmit,    // the transmit timestamp is zero
        Short,           // a correct reply cut to 47 bytes
        ClientMode,      // mode 3, as the client's own request would come back from a reflector
        Unsynchronised,  // leap indicator 3 with a stratum of 2
        Stratum16,       // stratum 16
        Kiss,            // stratum 0, leap indicator 3, the kiss code as reference id
        ForgedKiss,      // a kiss-o'-death that does not echo the request's transmit timestamp
    };
    struct TAnswer {
        TKind Kind = TKind::Correct;
        int64_t ClockShiftNs = 0; // the server's clock runs this far ahead of the system clock
        std::string KissCode = "RATE";
    };

    explicit TTestNtpServer(std::vector<TAnswer> answers) : Answers(std::move(answers))
    {
        Socket = BoundSocket(PortNumber);
        int otherPort = 0;
        OtherSocket = BoundSocket(otherPort);
        Worker = std::thread([this] { Serve(); });
    }
    ~TTestNtpServer()
    {
        Stop = true;
        Worker.join();
        close(Socket);
        close(OtherSocket);
    }

    // Answers as if its clock read this instant (nanoseconds since 1970) instead of the system clock.
    void SetFixedTime(int64_t unixNs) { FixedUnixNs = unixNs; }

    int Port() const { return PortNumber; }
    int Requests() const { return RequestCount; }
    std::string LastRequest() const
    {
        std::lock_guard lock(LastGuard);
        return Last;
    }

    // The NTP timestamp of an instant: seconds since 1900 modulo 2^32, then 2^-32 fractions of a second.
    static uint64_t Stamp(int64_t unixNs)
    {
        const int64_t seconds = unixNs / 1'000'000'000 + 2208988800;
        const uint64_t nanoseconds = static_cast<uint64_t>(unixNs % 1'000'000'000);
        return static_cast<uint64_t>(static_cast<uint32_t>(seconds)) << 32 | (nanoseconds << 32) / 1'000'000'000;
    }
    static uint64_t ReadStamp(const std::string& packet, std::size_t at)
    {
        uint64_t stamp = 0;
        for (std::size_t i = 0; i < 8; ++i)
            stamp = stamp << 8 | static_cast<uint8_t>(packet[at + i]);
        return stamp;
    }
    static int64_t SystemClockNs()
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

private:
    static int BoundSocket(int& port)
    {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t length = sizeof local;
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        port = ntohs(local.sin_port);
        return fd;
    }

    static void PutStamp(std::string& packet, std::size_t at, uint64_t stamp)
    {
        for (std::size_t i = 0; i < 8; ++i)
            packet[at + i] = static_cast<char>(stamp >> (56 - 8 * i));
    }

    int64_t ClockNs() const { return FixedUnixNs != 0 ? FixedUnixNs.load() : SystemClockNs(); }

    // receivedNs: the server's clock (shift included) when the request arrived.
    std::string Reply(const TAnswer& answer, const std::string& request, int64_t receivedNs) const
    {
        std::string packet(48, '\0');
        const uint64_t origin = request.size() >= 48 ? ReadStamp(request, 40) : 0;
        uint8_t leap = 0;
        uint8_t mode = 4;
        uint8_t stratum = 2;
        std::string referenceId("\x7f\0\0\x01", 4); // the upstream server, 127.0.0.1
        switch (answer.Kind) {
        case TKind::ClientMode: mode = 3; break;
        case TKind::Unsynchronised: leap = 3; break;
        case TKind::Stratum16: stratum = 16; break;
        case TKind::Kiss:
        case TKind::ForgedKiss:
            leap = 3;
            stratum = 0;
            referenceId = answer.KissCode;
            break;
        default: break;
        }
        packet[0] = static_cast<char>(leap << 6 | 4 << 3 | mode);
        packet[1] = static_cast<char>(stratum);
        packet[2] = request.size() > 2 ? request[2] : 6; // the client's poll exponent
        packet[3] = static_cast<char>(-20);              // precision: about a microsecond
        referenceId.resize(4);
        packet.replace(12, 4, referenceId);
        PutStamp(packet, 16, Stamp(receivedNs - 16'000'000'000));
        const bool wrongOrigin = answer.Kind == TKind::WrongOrigin || answer.Kind == TKind::ForgedKiss;
        PutStamp(packet, 24, wrongOrigin ? origin ^ 1 : origin);
        PutStamp(packet, 32, Stamp(receivedNs));
        PutStamp(packet, 40, answer.Kind == TKind::ZeroTransmit ? 0 : Stamp(ClockNs() + answer.ClockShiftNs));
        if (answer.Kind == TKind::Short) packet.resize(47);
        if (answer.Kind == TKind::Long) packet += std::string(20, '\x5a');
        return packet;
    }

    void Serve()
    {
        char buffer[512];
        while (!Stop) {
            pollfd ready{Socket, POLLIN, 0};
            if (poll(&ready, 1, 10) <= 0) continue;
            sockaddr_in client{};
            socklen_t length = sizeof client;
            const ssize_t got =
                recvfrom(Socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&client), &length);
            if (got < 0) continue;
            const int64_t arrivedNs = ClockNs();
            const std::string request(buffer, static_cast<std::size_t>(got));
            {
                std::lock_guard lock(LastGuard);
                Last = request;
            }
            ++RequestCount;
            for (const TAnswer& answer : Answers) {
                const std::string reply = Reply(answer, request, arrivedNs + answer.ClockShiftNs);
                const int from = answer.Kind == TKind::WrongSourcePort ? OtherSocket : Socket;
                sendto(from, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&client), sizeof client);
            }
        }
    }

    std::vector<TAnswer> Answers;
    int Socket = -1;
    int OtherSocket = -1;
    int PortNumber = 0;
    std::atomic<int64_t> FixedUnixNs{0};
    std::atomic<bool> Stop{false};
    std::atomic<int> RequestCount{0};
    mutable std::mutex LastGuard;
    std::string Last;
    std::thread Worker;
};
