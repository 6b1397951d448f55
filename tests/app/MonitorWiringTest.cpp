#include "app/ValueLabel.h"
#include "app/main.h"
#include "trend/Trend.h"
#include "ui/About.h"
#include "ui/mon.h"

#include "doubles/TestPlatform.h"

#include <QAction>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int OpacityLevel(const QWidget& window) { return qRound(window.windowOpacity() * 255); }

// The main window with the monitor and about windows, created in the program's order; the test drives
// the poll cycle's ticks by hand.
class MonitorWiring : public testing::Test {
protected:
    TTestPlatform Platform;
    TFakeIpHelper& IpHelper = Platform.IpHelper;
    TMainForm Form{Platform.Services()};
    std::unique_ptr<TMonForm> Monitor;
    TAboutForm About;

    void SetUp() override
    {
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "Intel Ethernet";
        adapter.Name = "eth0";
        adapter.Ips = {"10.0.0.5"};
        IpHelper.Adapters = {adapter};
        IpHelper.Row.dwType = MIB_IF_TYPE_ETHERNET;
        IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
        IpHelper.Row.dwSpeed = 100'000'000;
    }

    void Start(bool showMonitor = true, bool hideWhenOffline = false)
    {
        Form.MyReg.WriteFlagValue("Option", "ShowMonitor", showMonitor);
        Form.MyReg.WriteFlagValue("Option", "HideMonitor", hideWhenOffline);
        Form.FormCreate();
        Form.TimerStatus->stop();
        Monitor = std::make_unique<TMonForm>(Form.MonitorLinks());
        Monitor->SetMoveStarter([](QWindow*) { return true; });
        Monitor->FormCreate();
        About.FormCreate();
        Form.AttachWindows(Monitor.get(), &About);
    }

    void Tick(uint64_t sent = 0, uint64_t received = 0)
    {
        Platform.Clock.Advance(1000);
        IpHelper.Row.dwOutOctets += sent;
        IpHelper.Row.dwInOctets += received;
        Form.TimerStatusTimer();
    }
    void LinkUp()
    {
        IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        Tick();
    }
    void LinkDown()
    {
        IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
        Tick();
    }
};

TEST_F(MonitorWiring, FirstRunChecksOnlyShowMonitorAndShowsTheMonitor)
{
    Platform.Registry.Keys.clear();
    Form.FormCreate();
    EXPECT_TRUE(Form.MenuShowMonitor->isChecked());
    EXPECT_FALSE(Form.MenuHideMonitor->isChecked());
    EXPECT_FALSE(Form.MenuTransparent->isChecked());
    TMonForm monitor(Form.MonitorLinks());
    monitor.FormCreate();
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_EQ(monitor.pos(), QPoint(300, 20));
    EXPECT_EQ(OpacityLevel(monitor), 255) << "opaque while \"Transparent Monitor\" is off";
    EXPECT_EQ(monitor.Trend->ColorDataA(), Form.Trend->ColorDataA());
    EXPECT_EQ(monitor.Trend->ColorDataB(), Form.Trend->ColorDataB());
}

TEST_F(MonitorWiring, OnlineTransitionReboundsClearsAndShowsTheMonitor)
{
    Start(true, true);
    EXPECT_FALSE(Monitor->isVisible()) << "hidden while offline";
    Form.State.MaxGraph = 6000;
    Form.State.MinGraph = 10;
    Monitor->Trend->AddDataA(50);
    LinkUp();
    EXPECT_TRUE(Monitor->isVisible());
    EXPECT_EQ(Monitor->Trend->MaxVal(), 6000);
    EXPECT_EQ(Monitor->Trend->MinVal(), 10);
    EXPECT_EQ(Monitor->Trend->DataA(), std::vector<int64_t>(109, 0));
    EXPECT_EQ(Monitor->LabelReceived->text(), "") << "no sample in the transition tick";
}

TEST_F(MonitorWiring, OnlineTransitionLeavesAMonitorTheUserSwitchedOffHidden)
{
    Start(false);
    LinkUp();
    EXPECT_FALSE(Monitor->isVisible());
}

TEST_F(MonitorWiring, EachSampleWritesPlainRatesTheDurationAndTheGraph)
{
    Start();
    LinkUp();
    Tick(0, 12);
    EXPECT_EQ(Monitor->LabelSent->text(), "");
    EXPECT_EQ(Monitor->LabelReceived->text(), "12");
    EXPECT_EQ(Monitor->LabelDuration->text(), "00:00:01");
    EXPECT_EQ(Monitor->Trend->DataA().back(), 12) << "received on series A";
    EXPECT_EQ(Monitor->Trend->DataB().back(), 0) << "sent on series B";
    Tick(1'234'567, 0);
    EXPECT_EQ(Monitor->LabelSent->text(), "1234567") << "plain decimal, no separators";
    EXPECT_EQ(Monitor->LabelReceived->text(), "");
    EXPECT_EQ(Monitor->LabelDuration->text(), "00:00:02");
    EXPECT_EQ(Monitor->Trend->DataB().back(), 25600) << "clamped to the graph's bound";
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "1,234,567") << "the main window keeps its separators";
}

TEST_F(MonitorWiring, OfflineTransitionHidesTheMonitorOnlyWithHideWhenOffline)
{
    Start();
    LinkUp();
    Tick(300, 400);
    LinkDown();
    EXPECT_TRUE(Monitor->isVisible());
    EXPECT_EQ(Monitor->LabelReceived->text(), "400") << "keeps its last values";
    EXPECT_EQ(Monitor->LabelSent->text(), "300");

    Form.MenuHideMonitor->setChecked(true);
    LinkUp();
    EXPECT_TRUE(Monitor->isVisible());
    LinkDown();
    EXPECT_FALSE(Monitor->isVisible());
}

TEST_F(MonitorWiring, DoubleClickOnTheGraphUnchecksShowMonitorAndHidesTheWindow)
{
    Start();
    ASSERT_TRUE(Monitor->isVisible());
    QTest::mouseDClick(Monitor->Trend, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_FALSE(Form.MenuShowMonitor->isChecked());
    EXPECT_FALSE(Monitor->isVisible());
    Form.MenuShowMonitor->trigger();
    EXPECT_TRUE(Form.MenuShowMonitor->isChecked());
    EXPECT_TRUE(Monitor->isVisible());
}

TEST_F(MonitorWiring, ShowMonitorWhileOfflineWithHidingOnWaitsForTheConnection)
{
    Start(false, true);
    Form.MenuShowMonitor->trigger();
    EXPECT_TRUE(Form.MenuShowMonitor->isChecked());
    EXPECT_FALSE(Monitor->isVisible());
    LinkUp();
    EXPECT_TRUE(Monitor->isVisible());
}

TEST_F(MonitorWiring, HideMonitorWhenOfflineActsAtOnceWhileOffline)
{
    Start();
    Form.MenuHideMonitor->trigger();
    EXPECT_TRUE(Form.MenuHideMonitor->isChecked());
    EXPECT_FALSE(Monitor->isVisible());
    Form.MenuHideMonitor->trigger();
    EXPECT_TRUE(Monitor->isVisible());
}

TEST_F(MonitorWiring, HidingTheMonitorWhileTheMainWindowIsHiddenKeepsTheProgramRunning)
{
    Start();
    Form.hide();
    bool quit = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { quit = true; });
    QTest::mouseDClick(Monitor->Trend, Qt::LeftButton, {}, QPoint(40, 10));
    ASSERT_FALSE(Monitor->isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(quit);
    EXPECT_FALSE(Form.isVisible()) << "showing or hiding the monitor never brings the main window back";
    Form.MenuShowMonitor->trigger();
    EXPECT_FALSE(Form.isVisible());
}

TEST_F(MonitorWiring, TransparentMonitorReappliesTheOpacityLevel)
{
    Form.MyReg.WriteInt64Value("Option", "MonAlpha", 200);
    Start();
    EXPECT_EQ(OpacityLevel(*Monitor), 255);
    Form.MenuTransparent->trigger();
    EXPECT_EQ(OpacityLevel(*Monitor), 200);
    Form.MenuTransparent->trigger();
    EXPECT_EQ(OpacityLevel(*Monitor), 255);
}

TEST_F(MonitorWiring, AboutQuorvelShowsTheAboutWindowCentredWithoutWaiting)
{
    Start();
    EXPECT_FALSE(About.isVisible());
    Form.MenuAboutQorvix->trigger(); // returns at once: the window is not modal
    EXPECT_TRUE(About.isVisible());
    const QRect area = About.screen()->geometry();
    EXPECT_EQ(About.geometry(),
              QRect(area.x() + (area.width() - 500) / 2, area.y() + (area.height() - 350) / 2, 500, 350));
}

} // namespace
