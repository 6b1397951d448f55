#pragma once

// What the backend's namespace tests share: the fixture of the tests that run inside the prepared namespace,
// waiting for the kernel, and running a body in a child process whose system calls can be made to fail.
#include <net/if.h>

#include "netinfo/IPFunctions.h"
#include "platform/linux/LinuxIpHelper.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

// Waits for the kernel's view to settle (carrier comes up a moment after "link set up").
template <typename Predicate> bool WaitFor(Predicate predicate)
{
    for (int i = 0; i < 200; ++i) {
        if (predicate()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return predicate();
}

// From here on every sendto of this process fails with the given errno, as a kernel refusing would.
inline bool MakeSendToFail(int errorNumber)
{
#if defined(__x86_64__)
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_sendto, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<uint32_t>(errorNumber) & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    (void)errorNumber;
    return false;
#endif
}

// Runs the body in a child process (the system call filter cannot be undone) and answers what it returned.
inline std::string InChild(const std::function<std::string()>& body)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const std::string report = body();
        [[maybe_unused]] const ssize_t written = write(pipeEnds[1], report.data(), report.size());
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string report;
    char chunk[512];
    for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
        report.append(chunk, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return report;
}

inline std::string Outcome(const std::function<void()>& query)
{
    try {
        query();
        return "no exception";
    } catch (const EOSError& error) {
        return "EOSError " + std::to_string(error.ErrorCode()) + ": " + error.Message();
    } catch (const Exception& error) {
        return "other: " + error.Message();
    }
}

class InsideNamespace : public testing::Test {
protected:
    std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("quorvel-netns-" + std::to_string(getpid()));
    TLinuxIpHelperPaths Paths;
    std::string LongModel = std::string(150, 'M') + " end";

    void SetUp() override
    {
        std::filesystem::create_directories(Folder / "udev");
        std::ofstream(Folder / "resolv.conf") << "# made by the test\nnameserver 10.9.9.53\nnameserver ::1\n"
                                                 "nameserver\nnameserver 10.9.9.54 # second\n";
        std::ofstream(Folder / "udev" / ("n" + std::to_string(IfIndex())))
            << "E:ID_MODEL_FROM_DATABASE=" << LongModel << "\n";
        std::filesystem::create_directories(Folder / "leases");
        std::ofstream(Folder / "leases" / std::to_string(IfIndex())) << "ADDRESS=10.9.9.7\nSERVER_ADDRESS=10.9.9.1\n";
        Paths.ResolvConf = (Folder / "resolv.conf").string();
        Paths.ResolvedUpstream = (Folder / "none").string();
        Paths.UdevData = (Folder / "udev").string();
        Paths.Leases.NetworkdLeases = (Folder / "leases").string();
        Paths.Leases.NetworkManagerLeases = (Folder / "none").string();
        Paths.Leases.DhclientLeases = {};
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }
    static uint32_t IfIndex() { return if_nametoindex("qvnear"); }
};
