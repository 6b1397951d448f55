// A second start reaches the running instance over real local sockets in a runtime folder of the test's own.
#include "platform/qt/LocalActivation.h"

#include "doubles/TempFolder.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace {

using namespace std::chrono_literals;

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

sockaddr_un AddressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
}

// A socket bound at the path with no server of ours behind it; -1 when that failed.
int BoundSocket(const std::string& path)
{
    const int bound = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = AddressOf(path);
    if (bind(bound, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return bound;
    close(bound);
    return -1;
}

class LocalActivation : public testing::Test {
protected:
    void SetUp() override { std::filesystem::permissions(Temp.Path, std::filesystem::perms::owner_all); }

    // Asks from another thread, as a second start would from another process, while this one serves.
    bool Ask(std::chrono::milliseconds deadline = 10s)
    {
        std::future<bool> answer =
            std::async(std::launch::async, [&] { return TLocalActivation::RequestShow(Path, deadline); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.wait_for(0s) == std::future_status::ready; }, 20000));
        return answer.get();
    }

    // Sends what a strange client sends and waits for the server to hang up; what came back.
    QByteArray Dropped(const QByteArray& sent)
    {
        QLocalSocket client;
        client.connectToServer(QString::fromStdString(Path));
        EXPECT_TRUE(client.waitForConnected(10000));
        QSignalSpy hungUp(&client, &QLocalSocket::disconnected);
        client.write(sent);
        EXPECT_TRUE(hungUp.wait(10000)) << sent.toHex().constData();
        return client.readAll();
    }

    TTempFolder Temp{"activation"};
    std::string Path = Temp.File("VelmarQuorvel.socket");
};

} // namespace

TEST_F(LocalActivation, EveryRequestIsCarriedOutAndAnsweredOnASocketOfTheUsersAlone)
{
    TLocalActivation server(Path);
    ASSERT_TRUE(server.Listening()) << server.Problem();
    int shown = 0;
    QObject::connect(&server, &TLocalActivation::ShowRequested, [&] { ++shown; });
    EXPECT_TRUE(Ask());
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Ask());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(ModeOf(Path), 0600u);
    EXPECT_EQ(ModeOf(Temp.Path), 0700u);
}

// More strange clients than the server holds at once, so one it failed to let go would shut the next out.
TEST_F(LocalActivation, StrangeOrSilentClientsAreHungUpOnWithoutAShowAndTheNextIsServed)
{
    TLocalActivation server(Path, 200ms);
    ASSERT_TRUE(server.Listening()) << server.Problem();
    QSignalSpy shown(&server, &TLocalActivation::ShowRequested);
    for (const QByteArray& sent : {QByteArray("\x1b]0;owned\a\n"), QByteArray("show\nshow\n"), QByteArray("sho"),
                                   QByteArray(), QByteArray("SHOW\n")})
        EXPECT_EQ(Dropped(sent), QByteArray()) << "no reply to: " << sent.toHex().constData();
    EXPECT_EQ(shown.size(), 0);
    EXPECT_TRUE(Ask());
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(LocalActivation, ASocketLeftByAKilledInstanceIsReplaced)
{
    const int stale = BoundSocket(Path);
    ASSERT_GE(stale, 0);
    close(stale); // the file stays, with nobody behind it
    ASSERT_EQ(std::filesystem::symlink_status(Path).type(), std::filesystem::file_type::socket);
    TLocalActivation server(Path);
    ASSERT_TRUE(server.Listening()) << server.Problem();
    EXPECT_TRUE(Ask());
}

TEST_F(LocalActivation, AFolderOthersCanEnterIsRefusedAndAClientThenGetsNoAnswer)
{
    std::filesystem::permissions(Temp.Path, std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                                std::filesystem::perms::others_exec);
    const TLocalActivation server(Path);
    EXPECT_FALSE(server.Listening());
    EXPECT_EQ(server.Problem(), Temp.Path.string() + " is not a folder of this user's alone (mode 0700)");
    EXPECT_FALSE(std::filesystem::exists(Path));
    EXPECT_FALSE(Ask(300ms));
}

TEST_F(LocalActivation, AnotherUsersConnectionIsHungUpOnEvenWhereTheSocketLetsItIn)
{
    if (geteuid() != 0) GTEST_SKIP() << "connecting as another user takes root";
    TLocalActivation server(Path);
    ASSERT_TRUE(server.Listening()) << server.Problem();
    QSignalSpy shown(&server, &TLocalActivation::ShowRequested);
    ASSERT_EQ(chmod(Temp.Path.c_str(), 0711), 0);
    ASSERT_EQ(chmod(Path.c_str(), 0666), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // 0: connected and sent the request, but hung up on without a reply (the peer may be gone before the
        // write, and a reset is as good as the end).
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        signal(SIGPIPE, SIG_IGN);
        const int client = socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = AddressOf(Path);
        if (connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) _exit(2);
        [[maybe_unused]] const ssize_t sent = write(client, "show\n", 5);
        char reply[16];
        _exit(read(client, reply, sizeof reply) <= 0 ? 0 : 1);
    }
    int status = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, 20000));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    EXPECT_EQ(shown.size(), 0);
}
