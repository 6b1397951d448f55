// The desktop notifications against a real notification server (dunst), which each test starts and stops
// itself. desktop-notifications-e2e.sh runs this on a private session bus and a private X server.
#include "platform/qt/DesktopNotifications.h"

#include "doubles/TempFolder.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr const char* Service = "org.freedesktop.Notifications";
constexpr const char* Path = "/org/freedesktop/Notifications";
constexpr int DeadlineMs = 10'000;
// The system's interpreter, which python3-dbus installs into.
constexpr const char* Python = "/usr/bin/python3";

bool NameOwned() { return QDBusConnection::sessionBus().interface()->isServiceRegistered(Service).value(); }

QVariant Unwrapped(const QVariant& value)
{
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant() : value;
}

// dunst's own interface beside the protocol's: the closed notifications it keeps.
QList<QVariantMap> DunstHistory()
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(Service, Path, "org.dunstproject.cmd0", "NotificationListHistory"));
    QList<QVariantMap> history;
    if (reply.arguments().size() == 1) reply.arguments().front().value<QDBusArgument>() >> history;
    return history;
}

const TNotification Lost{"Connection lost", "eth0 is disconnected.", "network.disconnected",
                         TNotificationUrgency::Normal, 0};

class TDesktopNotificationsTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs a private session bus and X server: run desktop-notifications-e2e.sh";
        ASSERT_FALSE(NameOwned()) << "another notification service is on the test's bus";
    }
    void TearDown() override
    {
        Stop(Hung);
        Stop(Dunst);
    }

    void StartDunst()
    {
        // An empty configuration of the test's own, so that the user's is never read.
        std::ofstream(Config.File("dunstrc")).flush();
        Dunst.start("dunst", {"-config", QString::fromStdString(Config.File("dunstrc"))});
        ASSERT_TRUE(QTest::qWaitFor(NameOwned, DeadlineMs)) << Dunst.readAllStandardError().toStdString();
    }
    static void Stop(QProcess& process)
    {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        ASSERT_TRUE(process.waitForFinished(DeadlineMs));
        ASSERT_TRUE(QTest::qWaitFor([] { return !NameOwned(); }, DeadlineMs));
    }

    TTempFolder Config{"notifications"};
    QProcess Dunst;
    QProcess Hung;
    TDesktopNotifications Notifications{"quorvel", "org.example.Quorvel"};
};

TEST_F(TDesktopNotificationsTest, ServerShowsReplacesInPlaceAndCloses)
{
    StartDunst();
    ASSERT_TRUE(Notifications.Available());
    const uint32_t id = Notifications.Show(Lost);
    ASSERT_NE(id, 0u);

    const uint32_t replaced = Notifications.Show(
        {"Connection restored", "eth0 is connected again.", "network.connected", TNotificationUrgency::Low, id});
    EXPECT_EQ(replaced, id);
    Notifications.Close(id);
    ASSERT_TRUE(QTest::qWaitFor([] { return DunstHistory().size() == 1; }, DeadlineMs));
    const QVariantMap closed = DunstHistory().front();
    EXPECT_EQ(Unwrapped(closed["id"]).toUInt(), id);
    EXPECT_EQ(Unwrapped(closed["summary"]).toString(), "Connection restored");
    EXPECT_EQ(Unwrapped(closed["appname"]).toString(), "Quorvel");
    EXPECT_EQ(Unwrapped(closed["category"]).toString(), "network.connected");
}

TEST_F(TDesktopNotificationsTest, NothingShowsWithoutAServerOrABus)
{
    EXPECT_FALSE(Notifications.Available());
    EXPECT_EQ(Notifications.Show(Lost), 0u);

    StartDunst();
    EXPECT_TRUE(Notifications.Available());
    EXPECT_NE(Notifications.Show(Lost), 0u);
    // The server is there, but a program that was given no bus address must not find one of its own.
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    TDesktopNotifications withoutBus("quorvel");
    const bool availableWithoutBus = withoutBus.Available();
    const uint32_t shownWithoutBus = withoutBus.Show(Lost);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    EXPECT_FALSE(availableWithoutBus);
    EXPECT_EQ(shownWithoutBus, 0u);

    Stop(Dunst);
    EXPECT_FALSE(Notifications.Available());
    EXPECT_EQ(Notifications.Show(Lost), 0u);
}

TEST_F(TDesktopNotificationsTest, HungServerIsAskedOnceAndItsSuccessorIsUsed)
{
    if (QProcess::execute(Python, {"-c", "import dbus"}) != 0) GTEST_SKIP() << "needs python3-dbus";
    // Owns the name and never reads a message: every call to it runs into the timeout.
    Hung.start(Python, {"-c", "import dbus, time\n"
                              "bus = dbus.SessionBus()\n"
                              "bus.request_name('org.freedesktop.Notifications')\n"
                              "time.sleep(600)\n"});
    ASSERT_TRUE(QTest::qWaitFor(NameOwned, DeadlineMs)) << Hung.readAllStandardError().toStdString();
    EXPECT_TRUE(Notifications.Available());
    EXPECT_EQ(Notifications.Show(Lost), 0u);
    EXPECT_FALSE(Notifications.Available());

    Stop(Hung);
    StartDunst();
    EXPECT_TRUE(Notifications.Available());
    EXPECT_NE(Notifications.Show(Lost), 0u);
}

} // namespace
