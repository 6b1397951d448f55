// The poll cycle on the real Linux backend. The outer test makes two namespaces joined by a veth pair and
// runs this program again inside the near one, where the InsideNamespace test drives the main window.
#include "app/QorvixApplication.h"
#include "app/StatusLogView.h"
#include "app/ValueLabel.h"
#include "app/main.h"
#include "platform/linux/LinuxIpHelper.h"

#include "doubles/TestPlatform.h"
#include "doubles/VethNamespaces.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTimer>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

std::string SelfPath;

TEST(PollCycleEndToEnd, OnlineTrafficAndOfflineOnARealVethInterface)
{
    if (const std::string why = TVethNamespaces::WhyUnavailable(); !why.empty()) GTEST_SKIP() << why;
    TVethNamespaces net("c");
    ASSERT_TRUE(net.Ready()) << "could not make the namespaces";
    EXPECT_EQ(net.RunInside(SelfPath), 0);
}

class InsideNamespace : public testing::Test {
protected:
    std::filesystem::path Resolv =
        std::filesystem::temp_directory_path() / ("quorvel-e2e-resolv-" + std::to_string(getpid()));
    TTestPlatform Platform;
    TFakeClock& Clock = Platform.Clock;

    void SetUp() override { std::ofstream(Resolv) << "nameserver 10.9.9.53\n"; }
    void TearDown() override { std::filesystem::remove(Resolv); }

    // Ticks once a (test) second until the condition holds; the kernel takes a moment to report carrier.
    // The window learns of link changes from the event loop, as in the running program, so it runs between
    // ticks.
    template <typename Condition> bool TickUntil(TMainForm& form, Condition condition)
    {
        for (int i = 0; i < 300 && !condition(); ++i) {
            QCoreApplication::processEvents();
            Clock.Advance(1000);
            form.TimerStatusTimer();
            if (!condition()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return condition();
    }
};

TEST_F(InsideNamespace, ConnectionComesUpCountsTrafficAndGoesDown)
{
    TLinuxIpHelperPaths paths;
    paths.ResolvConf = Resolv.string();
    TLinuxIpHelper ipHelper(paths);
    TPlatformServices services = Platform.Services();
    TMainForm form(TPlatformServices{services.Clock, services.Clipboard, ipHelper, services.Registry,
                                     services.TextFiles, services.ProgramPath, services.Console});
    form.FormCreate();
    form.TimerStatus->stop();

    ASSERT_TRUE(TickUntil(form, [&] { return form.State.Online; }));
    EXPECT_EQ(form.LabelConn->Caption(), "qvnear");
    EXPECT_EQ(form.LabelClientIP->Caption().toStdString(), TVethNamespaces::Env("QUORVEL_NEAR"));
    EXPECT_EQ(form.LabelGatewayIP->Caption().toStdString(), TVethNamespaces::Env("QUORVEL_FAR"));
    EXPECT_EQ(form.LabelDNS1->Caption(), "10.9.9.53");
    EXPECT_EQ(form.LabelSpeed->Caption(), "10,000,000,000");
    EXPECT_TRUE(form.Log->Line(form.Log->Count() - 1).startsWith("Online: "));

    TVethNamespaces::SendDatagrams(TVethNamespaces::Env("QUORVEL_FAR"), 100, 1000);
    Clock.Advance(1000);
    form.TimerStatusTimer();
    EXPECT_GE(form.State.LastSent, 100'000);
    EXPECT_GE(QLocale().toLongLong(form.LabelUpSpeed->Caption()), 100'000) << "bytes in one test second";
    const int64_t sentWhileOnline = form.State.LastSent;

    ASSERT_TRUE(TVethNamespaces::Run("ip link set qvnear down"));
    ASSERT_TRUE(TickUntil(form, [&] { return !form.State.Online; }));
    EXPECT_TRUE(form.Log->Line(form.Log->Count() - 1).startsWith("Offline: "));
    EXPECT_GE(form.State.TotalSent, sentWhileOnline);
    EXPECT_EQ(form.State.TotalSent, form.State.LastSent);
    EXPECT_EQ(form.LabelLastConn->Caption(), "qvnear");
    EXPECT_EQ(form.LabelConn->Caption(), "");
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    SelfPath = std::filesystem::canonical("/proc/self/exe").string();
    TVethNamespaces::SelectTests();
    TQorvixApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return RUN_ALL_TESTS();
}
