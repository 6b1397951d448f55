// The real program, headless, in a network namespace of its own and as an unprivileged user, with the
// synchronisation switched on and a time server address on the far side of its link where nothing
// listens on the time port: each synchronisation's "port unreachable" shows as a status log line on its
// standard output, and a stop request ends the program although an exchange is waiting.
#include "doubles/TempFolder.h"
#include "doubles/VethNamespaces.h"
#include "platform/linux/FileRegistry.h"
#include "settings/MyReg.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* Program = QUORVEL_PROGRAM;
constexpr const char* AsNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";

// The program's standard output, read line by line as it comes.
class TRunningProgram {
public:
    explicit TRunningProgram(const std::string& command)
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        Pid = fork();
        if (Pid == 0) {
            dup2(ends[1], STDOUT_FILENO);
            execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        Output = ends[0];
    }
    ~TRunningProgram()
    {
        if (Pid > 0 && !Ended) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        if (Output >= 0) close(Output);
    }

    // The first line that begins with the prefix, or empty when none came before the deadline.
    std::string WaitForLine(const std::string& prefix, std::chrono::seconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            for (std::size_t end; (end = Pending.find('\n')) != std::string::npos;) {
                const std::string line = Pending.substr(0, end);
                Pending.erase(0, end + 1);
                Lines.push_back(line);
                if (line.rfind(prefix, 0) == 0) return line;
            }
            pollfd ready{Output, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) continue;
            char buffer[512];
            const ssize_t got = read(Output, buffer, sizeof buffer);
            if (got <= 0) return {};
            Pending.append(buffer, static_cast<std::size_t>(got));
        }
        return {};
    }

    // Asks the program to stop and waits for its end: its exit status, or -1 when it did not end in time.
    int Stop(std::chrono::seconds limit)
    {
        kill(Pid, SIGTERM);
        return Wait(limit);
    }
    int Wait(std::chrono::seconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(Pid, &status, WNOHANG) == Pid) {
                Ended = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            pollfd none{-1, 0, 0};
            poll(&none, 0, 20);
        }
        return -1;
    }

    std::vector<std::string> Lines;

private:
    pid_t Pid = -1;
    int Output = -1;
    bool Ended = false;
    std::string Pending;
};

TEST(SynchronizeTimeEndToEnd, AnUnreachableTimePortIsLoggedOnStandardOutput)
{
    if (const std::string why = TVethNamespaces::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
    if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs setpriv (util-linux)";
    if (std::system((AsNobody + std::string("test -x ") + Program).c_str()) != 0)
        GTEST_SKIP() << "the unprivileged user cannot reach " << Program;

    TTempFolder home("sync-e2e");
    TVethNamespaces net("s");
    ASSERT_TRUE(net.Ready()) << "could not make the namespaces";
    {
        std::filesystem::create_directories(home.Path / "quorvel");
        TFileRegistry registry((home.Path / "quorvel" / "registry.reg").string());
        TMyReg options(registry);
        options.SetRegKey("\\Software\\Velmar Software\\Quorvel\\");
        options.WriteFlagValue("Option", "SynchronizeTime", true);
        options.WriteTextValue("Option", "SynchronizeTimeServer", net.FarAddress());
        options.WriteInt64Value("Option", "SynchronizeTimeInterval", 1);
    }
    ASSERT_EQ(
        std::system(("chown -R 65534:65534 " + home.Path.string() + " && chmod 700 " + home.Path.string()).c_str()), 0);

    const std::string folder = home.Path.string();
    TRunningProgram program(net.InNear(AsNobody + std::string("env QT_QPA_PLATFORM=offscreen HOME=") + folder +
                                       " XDG_CONFIG_HOME=" + folder + " XDG_RUNTIME_DIR=" + folder + " " + Program));
    const std::string online = program.WaitForLine("Online: ", std::chrono::seconds(60));
    ASSERT_FALSE(online.empty()) << "the program did not see its link come up";
    const std::string error = program.WaitForLine("Error 10054: ", std::chrono::seconds(60));
    EXPECT_FALSE(error.empty()) << "no unreachable port reported; last line: "
                                << (program.Lines.empty() ? "" : program.Lines.back());
    EXPECT_EQ(program.Stop(std::chrono::seconds(20)), 0) << "a stop request during an exchange ends the program";
}

// A name server on the far side that takes every query and never answers, as on a network whose DNS is
// down: the lookup of the time server's name hangs for minutes while the program goes on and ends at once.
TEST(SynchronizeTimeEndToEnd, AHangingNameLookupHoldsNeitherTheStatusTimerNorTheEnd)
{
    if (const std::string why = TVethNamespaces::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs python3 for the name server";
    TTempFolder home("dns-hang");
    TVethNamespaces net("d");
    ASSERT_TRUE(net.Ready()) << "could not make the namespaces";
    const std::filesystem::path etc = "/etc/netns/" + net.NearName();
    std::filesystem::create_directories(etc);
    struct TRemoveOnEnd {
        std::filesystem::path Folder;
        ~TRemoveOnEnd() { std::filesystem::remove_all(Folder); }
    } removeEtc{etc};
    {
        std::ofstream resolver(etc / "resolv.conf");
        resolver << "nameserver " << net.FarAddress() << "\noptions timeout:30 attempts:5\n";
    }
    TRunningProgram silentServer(net.InFar("python3 -c \"import socket, time\n"
                                           "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
                                           "s.bind(('0.0.0.0', 53)); print('listening', flush=True)\n"
                                           "while True: s.recv(512)\""));
    ASSERT_FALSE(silentServer.WaitForLine("listening", std::chrono::seconds(30)).empty());
    {
        std::filesystem::create_directories(home.Path / "quorvel");
        TFileRegistry registry((home.Path / "quorvel" / "registry.reg").string());
        TMyReg options(registry);
        options.SetRegKey("\\Software\\Velmar Software\\Quorvel\\");
        options.WriteFlagValue("Option", "SynchronizeTime", true);
        options.WriteTextValue("Option", "SynchronizeTimeServer", "time.hangs.example");
        options.WriteInt64Value("Option", "SynchronizeTimeInterval", 1);
    }
    const std::string folder = home.Path.string();
    TRunningProgram program(net.InNear("env QT_QPA_PLATFORM=offscreen HOME=" + folder + " XDG_CONFIG_HOME=" + folder +
                                       " XDG_RUNTIME_DIR=" + folder + " " + Program));
    // The lookup would hang start-up for 150 s: the status lines of three seconds online come first.
    EXPECT_FALSE(program.WaitForLine("Up ", std::chrono::seconds(60)).empty()) << "no status line";
    EXPECT_FALSE(program.WaitForLine("Up 0 bytes/s, down", std::chrono::seconds(60)).empty());
    const std::string third = program.WaitForLine("Up ", std::chrono::seconds(30));
    ASSERT_FALSE(third.empty()) << "the status timer stopped while the name was looked up";
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(program.Stop(std::chrono::seconds(20)), 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked);
    std::printf("exit with a hanging lookup took %lld ms\n", static_cast<long long>(took.count()));
    EXPECT_LT(took, std::chrono::seconds(5)) << "the end waited for the name server";
}

TEST(EngineMissing, TheProgramSaysWhyAndEnds)
{
    TTempFolder folder("no-engine");
    const std::filesystem::path copy = folder.Path / "qorvix";
    std::filesystem::copy_file(Program, copy);
    const std::string home = folder.Path.string();
    TRunningProgram program("env QT_QPA_PLATFORM=offscreen HOME=" + home + " XDG_CONFIG_HOME=" + home +
                            " XDG_RUNTIME_DIR=" + home + " " + copy.string() + " 2>&1");
    EXPECT_EQ(program.WaitForLine("Quorvel: ", std::chrono::seconds(60)),
              "Quorvel: -1: NetClock: Error creating component");
    const int status = program.Wait(std::chrono::seconds(60));
    EXPECT_NE(status, 0);
    EXPECT_NE(status, -1) << "the program went on running without its time client";
}

} // namespace
