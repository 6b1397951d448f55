#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

// A small RFC 868 server on 127.0.0.1 for the tests: to each "time?" it sends the answers the test chose
// (none, one, a short one, several), and counts the requests. With a repeat period it goes on sending
// the same answers to the last client at that period, as a misbehaving peer would. It stops by itself
// when it goes.
class TTestTimeServer {
public:
    // An answer that the server replaces by the four bytes of its own clock at the moment it answers.
    static inline const std::string Now = "<now>";

    explicit TTestTimeServer(std::vector<std::string> answers,
                             std::chrono::milliseconds repeatEvery = std::chrono::milliseconds(0))
        : Answers(std::move(answers)), RepeatEvery(repeatEvery)
    {
        Socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(Socket, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t length = sizeof local;
        getsockname(Socket, reinterpret_cast<sockaddr*>(&local), &length);
        PortNumber = ntohs(local.sin_port);
        Worker = std::thread([this] { Serve(); });
    }
    ~TTestTimeServer()
    {
        Stop = true;
        Worker.join();
        close(Socket);
    }

    int Port() const { return PortNumber; }
    int Requests() const { return RequestCount; }
    int AnswersSent() const { return SentCount; }
    std::string LastRequest() const { return Last; }

    static std::string Bytes(std::initializer_list<int> values)
    {
        std::string bytes;
        for (int value : values)
            bytes += static_cast<char>(value);
        return bytes;
    }
    // The four answer bytes of a time given as seconds since 1970.
    static std::string AnswerFor(int64_t unixSeconds)
    {
        const uint32_t seconds = static_cast<uint32_t>(unixSeconds + 2208988800);
        return Bytes({int(seconds >> 24), int(seconds >> 16 & 0xFF), int(seconds >> 8 & 0xFF), int(seconds & 0xFF)});
    }

private:
    // The system clock itself: time() may read a coarse copy that is a few milliseconds behind, which
    // near a second's end names the second before the one the client's clock is already in.
    static int64_t ClockSeconds()
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return now.tv_sec;
    }

    void SendAnswers(const sockaddr_in& client)
    {
        for (const std::string& answer : Answers) {
            const std::string bytes = answer == Now ? AnswerFor(ClockSeconds()) : answer;
            sendto(Socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&client), sizeof client);
            ++SentCount;
        }
    }

    void Serve()
    {
        char request[512];
        sockaddr_in client{};
        bool haveClient = false;
        auto nextRepeat = std::chrono::steady_clock::now();
        while (!Stop) {
            if (haveClient && RepeatEvery.count() > 0 && Repeats < RepeatLimit &&
                std::chrono::steady_clock::now() >= nextRepeat) {
                SendAnswers(client);
                ++Repeats;
                nextRepeat += RepeatEvery;
            }
            pollfd ready{Socket, POLLIN, 0};
            if (poll(&ready, 1, 10) <= 0) continue;
            socklen_t length = sizeof client;
            const ssize_t got =
                recvfrom(Socket, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&client), &length);
            if (got < 0) continue;
            Last.assign(request, static_cast<std::size_t>(got));
            ++RequestCount;
            haveClient = true;
            SendAnswers(client);
            nextRepeat = std::chrono::steady_clock::now() + RepeatEvery;
        }
    }

    std::vector<std::string> Answers;
    std::chrono::milliseconds RepeatEvery;
    // A repeating peer stops after this many rounds, so that a client that keeps waiting for it fails
    // its test instead of hanging it.
    static constexpr int RepeatLimit = 50;
    int Repeats = 0;
    int Socket = -1;
    int PortNumber = 0;
    std::atomic<bool> Stop{false};
    std::atomic<int> RequestCount{0};
    std::atomic<int> SentCount{0};
    std::string Last;
    std::thread Worker;
};
