// The real program as a user meets it: started twice, stopped by a signal while a connection is up.
#include "platform/linux/FileRegistry.h"
#include "settings/MyReg.h"

#include "doubles/RunningProgram.h"
#include "doubles/TempFolder.h"
#include "doubles/VethNamespaces.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class ProgramLife : public testing::Test {
protected:
    void SetUp() override { std::filesystem::permissions(Temp.Path, std::filesystem::perms::owner_all); }

    TTempFolder Temp{"life"};
    std::vector<std::string> Environment{"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + Temp.File(""),
                                         "XDG_CONFIG_HOME=" + Temp.File("config"),
                                         "XDG_DATA_HOME=" + Temp.File("data")};

    std::string Stored(const std::string& name)
    {
        TFileRegistry registry(Temp.File("config/quorvel/registry.reg"));
        TMyReg reg(registry);
        reg.SetRegKey("\\Software\\Velmar Software\\Quorvel\\");
        return reg.ReadTextValue("Stats", name, "<none>");
    }
};

} // namespace

TEST_F(ProgramLife, ASecondStartEndsSilentlyAndLeavesTheFirstRunning)
{
    TRunningProgram first({QORVIX_PROGRAM}, Environment, Temp.File("first.out"));
    ASSERT_TRUE(first.WaitForOutput("Quorvel v1.0.0.04")) << first.Printed();

    TRunningProgram second({QORVIX_PROGRAM}, Environment, Temp.File("second.out"));
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(second.Printed(), "");
    EXPECT_TRUE(first.Running());

    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_NE(first.Printed().find("Quorvel stops."), std::string::npos) << first.Printed();
    EXPECT_EQ(first.Printed().find("plugin"), std::string::npos) << "the program's own lines only: " << first.Printed();
}

// A stopped process holds its lock and its socket, but cannot answer: the second start says so.
TEST_F(ProgramLife, ASecondStartThatTheFirstDoesNotAnswerSaysSoAndEndsWithOne)
{
    TRunningProgram first({QORVIX_PROGRAM}, Environment, Temp.File("first.out"));
    ASSERT_TRUE(first.WaitForOutput("Quorvel v1.0.0.04")) << first.Printed();
    first.Signal(SIGSTOP);
    TRunningProgram second({QORVIX_PROGRAM}, Environment, Temp.File("second.out"));
    EXPECT_EQ(second.Wait(), 1);
    EXPECT_EQ(second.Printed(), "The running Quorvel did not answer.\n");
    first.Signal(SIGCONT);
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(), 0) << first.Printed();
}

TEST_F(ProgramLife, HelpAndVersionAnswerWhileAnotherInstanceRunsAndABadOptionEndsWithTwo)
{
    TRunningProgram first({QORVIX_PROGRAM}, Environment, Temp.File("first.out"));
    ASSERT_TRUE(first.WaitForOutput("Quorvel v1.0.0.04")) << first.Printed();
    TRunningProgram version({QORVIX_PROGRAM, "--version"}, Environment, Temp.File("version.out"));
    EXPECT_EQ(version.Wait(), 0);
    EXPECT_EQ(version.Printed(), "Quorvel v1.0.0.04\n") << "answered without the running instance's lock";
    TRunningProgram help({QORVIX_PROGRAM, "--help"}, Environment, Temp.File("help.out"));
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_TRUE(help.Printed().starts_with("Usage: qorvix")) << help.Printed();
    TRunningProgram wrong({QORVIX_PROGRAM, "--no-such-option"}, Environment, Temp.File("wrong.out"));
    EXPECT_EQ(wrong.Wait(), 2);
    EXPECT_NE(wrong.Printed().find("Usage: qorvix"), std::string::npos) << wrong.Printed();
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(), 0);
}

TEST_F(ProgramLife, AStopRequestWhileOnlineSavesTheRunningConnection)
{
    if (const std::string why = TVethNamespaces::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
    TVethNamespaces net("l");
    ASSERT_TRUE(net.Ready());
    TRunningProgram program({"sh", "-c", "exec " + net.InNear(QORVIX_PROGRAM)}, Environment, Temp.File("run.out"));
    ASSERT_TRUE(program.WaitForOutput("Online: ")) << program.Printed();
    const std::string datagrams =
        "bash -c 'for i in 1 2 3 4 5; do echo quorvel > /dev/udp/" + net.FarAddress() + "/9; done'";
    ASSERT_TRUE(TVethNamespaces::Run(net.InNear(datagrams)));
    // The counters reach the status line at the next tick; wait for one that shows bytes sent.
    ASSERT_TRUE(TRunningProgram::WaitFor(
        [&] {
            const std::string printed = program.Printed();
            const auto line = printed.rfind("sent ");
            return line != std::string::npos && printed.compare(line, 7, "sent 0 ") != 0;
        },
        60s))
        << program.Printed();

    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0) << program.Printed();
    EXPECT_EQ(Stored("LastConn"), "qvnear");
    EXPECT_NE(Stored("LastOffLine"), "<none>");
    EXPECT_NE(Stored("LastOffLine"), "N/A");
    EXPECT_GT(std::stoll(Stored("LastSent")), 0);
    EXPECT_EQ(Stored("TotalSent"), Stored("LastSent")) << "a first run's totals are this connection";
}

TEST_F(ProgramLife, AConnectionKilledMidwayReachesTheTotalsAtTheNextStart)
{
    if (const std::string why = TVethNamespaces::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
    TVethNamespaces net("k");
    ASSERT_TRUE(net.Ready());
    const std::string datagrams =
        "bash -c 'for i in 1 2 3; do echo quorvel > /dev/udp/" + net.FarAddress() + "/9; done'";
    // Read as plain text: a second registry on the file would tidy away the running program's new file
    // while it is being written.
    const auto count = [&](const std::string& name) {
        std::ifstream file(Temp.File("config/quorvel/registry.reg"));
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::smatch found;
        if (!std::regex_search(text, found, std::regex("\"" + name + "\"=\"(-?[0-9]+)\"", std::regex::icase)))
            return int64_t{-1};
        return int64_t{std::stoll(found[1].str())};
    };
    std::mt19937 random(std::random_device{}());
    int64_t lost = 0; // the bytes of each killed connection as its last checkpoint kept them
    for (int round = 0; round < 3; ++round) {
        TRunningProgram program({"sh", "-c", "exec " + net.InNear(QORVIX_PROGRAM)}, Environment,
                                Temp.File("kill-" + std::to_string(round) + ".out"));
        ASSERT_TRUE(program.WaitForOutput("Online: ")) << program.Printed();
        // Only once the last round's connection is finished is the checkpoint in the file this round's own.
        if (round > 0) {
            ASSERT_TRUE(program.WaitForOutput("Connection ended unseen: ")) << program.Printed();
        }
        ASSERT_TRUE(TVethNamespaces::Run(net.InNear(datagrams)));
        // The first checkpoint comes with the first sample, a second later; later ones a minute apart.
        ASSERT_TRUE(TRunningProgram::WaitFor([&] { return count("RunningSent") > 0; }, 90s)) << program.Printed();
        // Killed at a moment of chance within the next few ticks, as a crash or a power cut would.
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 3000));
        program.Signal(SIGKILL);
        program.Wait();
        lost += count("RunningSent");
    }
    TRunningProgram last({"sh", "-c", "exec " + net.InNear(QORVIX_PROGRAM)}, Environment, Temp.File("last.out"));
    ASSERT_TRUE(last.WaitForOutput("Connection ended unseen: ")) << last.Printed();
    ASSERT_TRUE(last.WaitForOutput("Online: ")) << last.Printed();
    last.Signal(SIGTERM);
    EXPECT_EQ(last.Wait(), 0) << last.Printed();
    EXPECT_EQ(count("TotalSent"), lost + count("LastSent")) << "every killed connection counted once";
    EXPECT_EQ(count("RunningSent"), -1) << "a clean exit leaves no checkpoint";
}

TEST_F(ProgramLife, AFullDiskAtExitIsToldOnStandardErrorAndEndsWithOne)
{
    if (geteuid() != 0 || std::system("command -v unshare >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs root and unshare for a small file system of its own";
    const std::string config = Temp.File("config");
    std::filesystem::create_directories(config);
    // A private mount namespace with a 64 KiB file system as the settings folder, filled to the last block.
    const std::string full = "exec unshare -m --propagation private sh -c 'mount -t tmpfs -o size=64k tmpfs " + config +
                             " && mkdir " + config + "/quorvel && (cat /dev/zero > " + config +
                             "/fill 2>/dev/null; true) && exec " + QORVIX_PROGRAM + "'";
    TRunningProgram program({"sh", "-c", full}, Environment, Temp.File("full.out"));
    ASSERT_TRUE(program.WaitForOutput("Quorvel v1.0.0.04")) << program.Printed();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 1) << program.Printed();
    EXPECT_NE(program.Printed().find("registry.reg not saved (No space left on device)"), std::string::npos)
        << program.Printed();
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
