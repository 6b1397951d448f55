#pragma once

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
    std::string NearAddress() const { return "10.201." + Subnet + ".1"; }
    std::string FarAddress() const { return "10.201." + Subnet + ".2"; }
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
