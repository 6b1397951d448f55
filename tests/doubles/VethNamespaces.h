#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

// Two network namespaces of the test's own joined by a veth pair: "near" (where the code under test runs)
// with 10.201.<n>.1/24 and a default route via the far end 10.201.<n>.2/24. Removed when the owner goes.
// All traffic of the tests stays on this pair.
class TVethNamespaces {
public:
    static std::string WhyUnavailable()
    {
        if (geteuid() != 0) return "needs root to make network namespaces";
        if (std::system("command -v ip >/dev/null 2>&1") != 0) return "needs iproute2 (ip)";
        return {};
    }

    explicit TVethNamespaces(const std::string& tag)
        : Near("qv" + tag + "n" + std::to_string(getpid())), Far("qv" + tag + "f" + std::to_string(getpid())),
          Subnet(std::to_string(getpid() % 250))
    {
        Teardown();
        Ok = Run("ip netns add " + Near) && Run("ip netns add " + Far) &&
             Run("ip link add qvnear netns " + Near + " type veth peer name qvfar netns " + Far) &&
             Run(InNear("ip addr add " + NearAddress() + "/24 dev qvnear")) &&
             Run(InFar("ip addr add " + FarAddress() + "/24 dev qvfar")) && Run(InFar("ip link set qvfar up")) &&
             Run(InNear("ip link set lo up")) && Run(InNear("ip link set qvnear up")) &&
             Run(InNear("ip route add default via " + FarAddress()));
    }
    ~TVethNamespaces() { Teardown(); }

    bool Ready() const { return Ok; }

    // Runs the test program again inside the near namespace, where only its InsideNamespace tests run;
    // they learn the addresses from QUORVEL_NEAR and QUORVEL_FAR.
    int RunInside(const std::string& program) const
    {
        const std::string command = InNear("env QUORVEL_INSIDE_NETNS=1 QUORVEL_FAR=" + FarAddress() +
                                           " QUORVEL_NEAR=" + NearAddress() + " " + program);
        return std::system(command.c_str());
    }

    static std::string Env(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? value : "";
    }

    // Inside the namespace only the InsideNamespace tests run; outside, everything else does.
    static void SelectTests()
    {
        std::string filter = GTEST_FLAG_GET(filter);
        if (Env("QUORVEL_INSIDE_NETNS") == "1") {
            filter = "InsideNamespace.*";
        } else {
            filter += filter.find('-') == std::string::npos ? "-InsideNamespace.*" : ":InsideNamespace.*";
        }
        GTEST_FLAG_SET(filter, filter);
    }

    // Datagrams to the discard port of an address on the pair; nothing needs to listen.
    static void SendDatagrams(const std::string& address, int count, std::size_t size)
    {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(9);
        inet_pton(AF_INET, address.c_str(), &target.sin_addr);
        const std::string payload(size, 'q');
        for (int i = 0; i < count; ++i)
            sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
        close(fd);
    }
    std::string NearAddress() const { return "10.201." + Subnet + ".1"; }
    std::string FarAddress() const { return "10.201." + Subnet + ".2"; }
    // The near namespace's name: `ip netns exec` lays /etc/netns/NAME/ over /etc for what it runs there.
    const std::string& NearName() const { return Near; }
    std::string InNear(const std::string& command) const { return "ip netns exec " + Near + " " + command; }
    std::string InFar(const std::string& command) const { return "ip netns exec " + Far + " " + command; }
    static bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

private:
    void Teardown()
    {
        Run("ip netns del " + Near);
        Run("ip netns del " + Far);
    }

    std::string Near;
    std::string Far;
    std::string Subnet;
    bool Ok = false;
};
