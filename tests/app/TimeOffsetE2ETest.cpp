// The real program asked for the clock's offset from the command line, against time servers on loopback.
#include "platform/linux/FileRegistry.h"
#include "settings/MyReg.h"

#include "doubles/RunningProgram.h"
#include "doubles/TempFolder.h"
#include "timeclient/engine/NtpServer.h"
#include "timeclient/engine/TimeServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

using namespace std::chrono_literals;

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class TimeOffset : public testing::Test {
protected:
    void SetUp() override { std::filesystem::permissions(Temp.Path, std::filesystem::perms::owner_all); }

    // The query with its standard error apart from its standard output; no display is offered to it.
    struct TResult {
        int Status;
        std::string Output;
        std::string Error;
        std::chrono::milliseconds Took;
    };
    TResult Query(const std::vector<std::string>& arguments)
    {
        const std::string errors = Temp.File("query.err");
        std::vector<std::string> command{"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>'" + errors + "'", QORVIX_PROGRAM};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const auto start = std::chrono::steady_clock::now();
        TRunningProgram query(command, QueryEnvironment, Temp.File("query.out"));
        const int status = query.Wait(30s);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return {status, query.Printed(), ReadAll(errors), took};
    }

    TTempFolder Temp{"time-offset"};
    std::vector<std::string> QueryEnvironment{"XDG_RUNTIME_DIR=" + Temp.File(""),
                                              "XDG_CONFIG_HOME=" + Temp.File("config"),
                                              "XDG_DATA_HOME=" + Temp.File("data")};
};

const std::regex
    NtpLine(R"(offset ([+-][0-9]+\.[0-9]{6}) s, round trip [0-9]+\.[0-9]{6} s, server 127\.0\.0\.1 \(NTP\)\n)");

TEST_F(TimeOffset, AnNtpQueryPrintsTheOffsetWhileAnInstanceRuns)
{
    std::vector<std::string> windowEnvironment = QueryEnvironment;
    windowEnvironment.push_back("QT_QPA_PLATFORM=offscreen");
    TRunningProgram instance({QORVIX_PROGRAM}, windowEnvironment, Temp.File("instance.out"));
    ASSERT_TRUE(instance.WaitForOutput("Quorvel v1.0.0.04")) << instance.Printed();

    TTestNtpServer server({TTestNtpServer::TAnswer{}});
    const TResult result = Query({"--time-offset", "--ntp", "127.0.0.1:" + std::to_string(server.Port())});
    EXPECT_EQ(result.Status, 0) << result.Error;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.Output, match, NtpLine))
        << "without the running instance's lock: " << result.Output << result.Error;
    EXPECT_LT(std::fabs(std::stod(match[1])), 0.05) << result.Output;
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_TRUE(instance.Running());
    instance.Signal(SIGTERM);
    EXPECT_EQ(instance.Wait(), 0);
}

TEST_F(TimeOffset, AnRfc868QueryPrintsTheOffsetInWholeSeconds)
{
    TTestTimeServer server({TTestTimeServer::Now});
    const TResult result = Query({"--time-offset", "127.0.0.1:" + std::to_string(server.Port())});
    EXPECT_EQ(result.Status, 0) << result.Error;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        result.Output, match,
        std::regex(R"(offset ([+-][0-9]+) s, round trip [0-9]+\.[0-9]{6} s, server 127\.0\.0\.1 \(RFC 868\)\n)")))
        << result.Output << result.Error;
    EXPECT_LE(std::abs(std::stoi(match[1])), 1) << result.Output;
    EXPECT_EQ(server.LastRequest(), "time?");
}

TEST_F(TimeOffset, WithoutAServerTheStoredServerAndProtocolAreAskedAndTheSettingsLeftAsTheyWere)
{
    TTestNtpServer server({TTestNtpServer::TAnswer{}});
    const std::string settings = Temp.File("config/quorvel/registry.reg");
    std::filesystem::create_directories(Temp.File("config/quorvel"));
    {
        TFileRegistry registry(settings);
        TMyReg reg(registry);
        reg.SetRegKey("\\Software\\Velmar Software\\Quorvel\\");
        reg.WriteTextValue("Option", "SynchronizeTimeServer", "127.0.0.1:" + std::to_string(server.Port()));
        reg.WriteTextValue("Option", "SynchronizeTimeProtocol", "NTP");
    }
    const std::string before = ReadAll(settings);
    const TResult result = Query({"--time-offset"});
    EXPECT_EQ(result.Status, 0) << result.Error;
    EXPECT_TRUE(std::regex_match(result.Output, NtpLine)) << result.Output << result.Error;
    EXPECT_EQ(ReadAll(settings), before);
}

TEST_F(TimeOffset, NoAnswerEndsWithOneAndTheReasonAfterTheTimeOut)
{
    TTestTimeServer silent({});
    const TResult result = Query({"--time-offset", "--ntp", "127.0.0.1:" + std::to_string(silent.Port())});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Output, "");
    EXPECT_NE(result.Error.find("No valid answer from the time server 127.0.0.1:" + std::to_string(silent.Port()) +
                                " (NTP) within 5 seconds"),
              std::string::npos)
        << result.Error;
    EXPECT_GE(result.Took, 4500ms);
    EXPECT_LT(result.Took, 20s);
    EXPECT_EQ(silent.Requests(), 1);
}

TEST_F(TimeOffset, BadArgumentsEndWithTwoAndTheUsage)
{
    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--ntp"},
                                                  {"--time-offset", "one.example", "two.example"},
                                                  {"--time-offset", "h:0"}}) {
        const TResult result = Query(wrong);
        EXPECT_EQ(result.Status, 2) << wrong.front();
        EXPECT_EQ(result.Output, "");
        EXPECT_NE(result.Error.find("Usage: qorvix"), std::string::npos) << result.Error;
    }
}

} // namespace
