#include "app/StatusLogView.h"
#include "app/SyncTimer.h"
#include "app/ValueLabel.h"
#include "app/main.h"
#include "trend/Trend.h"
#include "ui/ImageList.h"
#include "ui/TrayIcon.h"
#include "ui/mon.h"

#include "doubles/QtPrinters.h"
#include "doubles/TestPlatform.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The main window with its monitor, as start-up makes them, driven tick by tick. Each test is one kind of
// tick and checks every display the form writes for it.
class FormWiring : public testing::Test {
protected:
    TTestPlatform Platform;
    TFakeIpHelper& IpHelper = Platform.IpHelper;
    TMainForm Form{Platform.Services()};
    std::unique_ptr<TMonForm> Monitor;

    void SetUp() override
    {
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "Realtek PCIe GbE Family Controller";
        adapter.Name = "enp3s0";
        adapter.Mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
        adapter.Ips = {"192.168.1.20"};
        adapter.Gateways = {"192.168.1.1"};
        IpHelper.Adapters = {adapter};
        IpHelper.DnsServers = {"192.168.1.1", "192.168.1.2"};
        IpHelper.Row.dwType = MIB_IF_TYPE_ETHERNET;
        IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        IpHelper.Row.dwSpeed = 100'000'000;
        Form.MyReg.WriteInt64Value("Stats", "TotalSent", 1000);
        Form.MyReg.WriteFlagValue("Option", "HideMonitor", true);
        Form.MyReg.WriteFlagValue("Option", "SynchronizeTime", true);
        Form.FormCreate();
        Form.TimerStatus->stop(); // the test drives the ticks
        Monitor = std::make_unique<TMonForm>(Form.MonitorLinks());
        Monitor->SetMoveStarter([](QWindow*) { return true; });
        Monitor->FormCreate();
        Form.AttachWindows(Monitor.get(), nullptr);
    }
    void Tick(uint64_t sent = 0, uint64_t received = 0)
    {
        Platform.Clock.Advance(1000);
        IpHelper.Row.dwOutOctets += sent;
        IpHelper.Row.dwInOctets += received;
        Form.TimerStatusTimer();
    }
    QString LastLog() const { return Form.Log->Line(Form.Log->Count() - 1); }
};

TEST_F(FormWiring, TheOnlineTransitionWritesTheConnectionTheGraphsTheTrayTheTimerAndTheMonitor)
{
    Form.Trend->AddDataA(55);
    Form.TimerStatusTimer();
    EXPECT_EQ(Form.LabelConn->Caption(), "Realtek PCIe GbE Fam...");
    EXPECT_EQ(Form.LabelSpeed->Caption(), "100,000,000");
    EXPECT_EQ(Form.LabelDNS1->Caption(), "192.168.1.1");
    EXPECT_EQ(Form.LabelDNS2->Caption(), "192.168.1.2");
    EXPECT_EQ(Form.LabelGatewayIP->Caption(), "192.168.1.1");
    EXPECT_EQ(Form.LabelClientIP->Caption(), "192.168.1.20");
    EXPECT_EQ(Form.LabelSent->Caption(), "") << "no sample in the transition tick";
    EXPECT_EQ(Form.LabelDuration->toolTip(), "Online: Sun 06 Dec 2026 17:00:00");
    EXPECT_TRUE(Form.LabelConn->toolTip().startsWith("Realtek PCIe GbE Family Controller\r\nenp3s0\r\n"));
    EXPECT_EQ(Form.Trend->MaxVal(), 25600);
    EXPECT_EQ(Form.Trend->DataA().back(), 0) << "cleared";
    EXPECT_EQ(Monitor->Trend->MaxVal(), 25600);
    EXPECT_EQ(Form.TrayIcon->Hint(), "192.168.1.20");
    EXPECT_EQ(Form.TrayIcon->IconIndex(), 1);
    EXPECT_TRUE(Form.SynchronizeTimer().Enabled());
    EXPECT_TRUE(Monitor->isVisible());
    EXPECT_EQ(LastLog(), "Online: Sun 06 Dec 2026 17:00:00");
}

TEST_F(FormWiring, ASampleWritesTheFiguresTheTotalsBothGraphsTheMonitorTheTrayAndTheStatusLine)
{
    Form.TimerStatusTimer();
    Tick(5000, 12);
    EXPECT_EQ(Form.LabelSent->Caption(), "5,000");
    EXPECT_EQ(Form.LabelRecv->Caption(), "12");
    EXPECT_EQ(Form.LabelDuration->Caption(), "00:00:01");
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "5,000");
    EXPECT_EQ(Form.LabelDownSpeed->Caption(), "12");
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "6,000") << "the totals shown include the running connection";
    EXPECT_EQ(Form.LabelTotalDuration->Caption(), "00:00:01");
    EXPECT_EQ(Form.Trend->DataA().back(), 12);
    EXPECT_EQ(Form.Trend->DataB().back(), 5000);
    EXPECT_EQ(Monitor->LabelReceived->text(), "12");
    EXPECT_EQ(Monitor->LabelSent->text(), "5000");
    EXPECT_EQ(Monitor->LabelDuration->text(), "00:00:01");
    EXPECT_EQ(Form.TrayIcon->IconIndex(), 4);
    EXPECT_EQ(Platform.Console.Lines.back(),
              "Up 5,000 bytes/s, down 12 bytes/s, sent 5,000 bytes, received 12 bytes, duration 00:00:01");
}

TEST_F(FormWiring, TheOfflineTransitionStoresMovesTheConnectionToLastClearsAndHidesTheMonitor)
{
    Form.TimerStatusTimer();
    Tick(300, 700);
    IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    Tick();
    EXPECT_EQ(Platform.Registry.Text("Software\\Velmar Software\\Quorvel\\Stats", "TotalSent"), "1300");
    EXPECT_EQ(Form.LabelLastConn->Caption(), "Realtek PCIe GbE Fam...");
    EXPECT_EQ(Form.LabelLastSpeed->Caption(), "100,000,000");
    EXPECT_EQ(Form.LabelLastSent->Caption(), "300");
    EXPECT_EQ(Form.LabelLastRecv->Caption(), "700");
    EXPECT_EQ(Form.LabelLastDuration->Caption(), "00:00:01") << "as of the last sample";
    EXPECT_EQ(Form.LabelLastDuration->toolTip(),
              "Online: Sun 06 Dec 2026 17:00:00\r\nOffline: Sun 06 Dec 2026 17:00:02");
    for (TValueLabel* label :
         {Form.LabelConn, Form.LabelSpeed, Form.LabelSent, Form.LabelRecv, Form.LabelDuration, Form.LabelDNS1,
          Form.LabelDNS2, Form.LabelGatewayIP, Form.LabelClientIP, Form.LabelUpSpeed, Form.LabelDownSpeed})
        EXPECT_EQ(label->Caption(), "") << label->objectName().toStdString();
    EXPECT_EQ(Form.LabelConn->toolTip(), "N/A");
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "1,300") << "already showed the sum";
    EXPECT_EQ(Form.TrayIcon->Hint(), "0.0.0.0");
    EXPECT_EQ(Form.TrayIcon->IconIndex(), 0);
    EXPECT_FALSE(Form.SynchronizeTimer().Enabled());
    EXPECT_FALSE(Monitor->isVisible()) << "Hide Monitor when Offline is checked";
    EXPECT_EQ(LastLog(), "Offline: Sun 06 Dec 2026 17:00:02");
}

} // namespace
