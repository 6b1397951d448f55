#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// A small RFC 868 server on 127.0.0.1 for the tests: to each "time?" it sends the answers the test chose
// (none, one, a short one, several), and counts the requests. It stops by itself when it goes.
class TTestTimeServer {
public:
    explicit TTestTimeServer(std::vector<std::string> answers) : Answers(std::move(answers))
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
    std::string LastRequest() const { return Last; }

    static std::string Bytes(std::initializer_list<int> values)
    {
        std::string bytes;
        for (int value : values)
            bytes += static_cast<char>(value);
        return bytes;
    }

private:
    void Serve()
    {
        char request[512];
        while (!Stop) {
            pollfd ready{Socket, POLLIN, 0};
            if (poll(&ready, 1, 20) <= 0) continue;
            sockaddr_in client{};
            socklen_t length = sizeof client;
            const ssize_t got =
                recvfrom(Socket, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&client), &length);
            if (got < 0) continue;
            Last.assign(request, static_cast<std::size_t>(got));
            ++RequestCount;
            for (const std::string& answer : Answers)
                sendto(Socket, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&client), length);
        }
    }

    std::vector<std::string> Answers;
    int Socket = -1;
    int PortNumber = 0;
    std::atomic<bool> Stop{false};
    std::atomic<int> RequestCount{0};
    std::string Last;
    std::thread Worker;
};
