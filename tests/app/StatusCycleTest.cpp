#include "app/StatusLogView.h"
#include "app/ValueLabel.h"
#include "app/main.h"
#include "trend/Trend.h"

#include "doubles/QtPrinters.h"
#include "doubles/TestPlatform.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <limits>

namespace {

class PollCycle : public testing::Test {
protected:
    TTestPlatform Platform;
    TFakeClock& Clock = Platform.Clock;
    TFakeIpHelper& IpHelper = Platform.IpHelper;
    TRecordingConsole& Console = Platform.Console;
    TMainForm Form{Platform.Services()};
    MonitorState& State = Form.State;

    void SetUp() override
    {
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "Realtek PCIe GbE Family Controller";
        adapter.Name = "enp3s0";
        adapter.Mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
        adapter.Ips = {"192.168.1.20"};
        adapter.Gateways = {"192.168.1.1"};
        adapter.Dhcp = {"192.168.1.1"};
        IpHelper.Adapters = {adapter};
        IpHelper.DnsServers = {"192.168.1.1"};
        IpHelper.Row.dwType = MIB_IF_TYPE_ETHERNET;
        IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        IpHelper.Row.dwSpeed = 100'000'000;
        IpHelper.Row.dwInOctets = 1'000'000;
        IpHelper.Row.dwOutOctets = 500'000;
        Form.FormCreate();
        Form.TimerStatus->stop(); // the test drives the ticks
    }

    // One second passes with the given traffic, then the timer fires.
    void Tick(int64_t milliseconds = 1000, uint64_t sent = 0, uint64_t received = 0)
    {
        Clock.Advance(milliseconds);
        IpHelper.Row.dwOutOctets += sent;
        IpHelper.Row.dwInOctets += received;
        Form.TimerStatusTimer();
    }
    QString LastLog() const { return Form.Log->Line(Form.Log->Count() - 1); }
    void LinkDown() { IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL; }
    void LinkUp() { IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL; }
    void FirstConnection();
};

const std::string StatsKey = "Software\\Velmar Software\\Quorvel\\Stats";

TEST_F(PollCycle, OnlineTransitionShowsTheConnectionAndLogsItsTime)
{
    Form.TimerStatusTimer();
    EXPECT_TRUE(State.Online);
    EXPECT_EQ(Form.LabelConn->Caption(), "Realtek PCIe GbE Fam...");
    EXPECT_EQ(Form.LabelSpeed->Caption(), "100,000,000");
    EXPECT_EQ(Form.LabelDNS1->Caption(), "192.168.1.1");
    EXPECT_EQ(Form.LabelDNS2->Caption(), "");
    EXPECT_EQ(Form.LabelGatewayIP->Caption(), "192.168.1.1");
    EXPECT_EQ(Form.LabelClientIP->Caption(), "192.168.1.20");
    EXPECT_EQ(State.LastOnLine, "Sun 06 Dec 2026 17:00:00");
    EXPECT_EQ(Form.LabelDuration->toolTip(), "Online: Sun 06 Dec 2026 17:00:00");
    EXPECT_EQ(Form.LabelConn->toolTip(), "Realtek PCIe GbE Family Controller\r\nenp3s0\r\n"
                                         "MacAddress: 00-1A-2B-3C-4D-5E\r\nDHCP Server IP: 192.168.1.1 \r\n"
                                         "DNS Server IP: 192.168.1.1 \r\nGateway IP: 192.168.1.1 \r\n"
                                         "Client IP: 192.168.1.20 ");
    EXPECT_EQ(LastLog(), "Online: Sun 06 Dec 2026 17:00:00");
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "") << "no sample in the transition tick";
    EXPECT_EQ(State.SentAtOnline, 500'000);
    EXPECT_EQ(State.RecvAtOnline, 1'000'000);
}

TEST_F(PollCycle, ConnectionNamesUpToTwentyCharactersAreShownWhole)
{
    IpHelper.Adapters[0].Description = "12345678901234567890";
    Form.TimerStatusTimer();
    EXPECT_EQ(Form.LabelConn->Caption(), "12345678901234567890");
    LinkDown();
    Tick();
    IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
    IpHelper.Adapters[0].Description = "123456789012345678901";
    Tick();
    EXPECT_EQ(Form.LabelConn->Caption(), "12345678901234567890...");
}

TEST_F(PollCycle, RatesAreTheDifferenceTimesAThousandDividedByTheElapsedTime)
{
    Form.TimerStatusTimer();
    Tick(1000, 5000, 12);
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "5,000");
    EXPECT_EQ(Form.LabelDownSpeed->Caption(), "12");
    Tick(999, 5000, 0);
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "5,005");
    EXPECT_EQ(Form.LabelDownSpeed->Caption(), "0");
    EXPECT_EQ(Form.LabelSent->Caption(), "10,000");
    EXPECT_EQ(Form.LabelRecv->Caption(), "12");
    EXPECT_EQ(Form.LabelDuration->Caption(), "00:00:01");
    EXPECT_EQ(State.LastDuration, 1);
    EXPECT_EQ(Console.Lines.back(),
              "Up 5,005 bytes/s, down 0 bytes/s, sent 10,000 bytes, received 12 bytes, duration 00:00:01");
}

TEST_F(PollCycle, TheTrendIsBoundedAndClearedAtTheOnlineTransitionAndFedEachSample)
{
    Form.Trend->AddDataA(55);
    State.MaxGraph = 6000;
    State.MinGraph = 10;
    Form.TimerStatusTimer();
    EXPECT_EQ(Form.Trend->MaxVal(), 6000);
    EXPECT_EQ(Form.Trend->MinVal(), 10);
    EXPECT_EQ(Form.Trend->DataA().back(), 0) << "cleared to 0";
    Tick(1000, 300, 9000);
    EXPECT_EQ(Form.Trend->DataA().back(), 6000) << "received rate, clamped";
    EXPECT_EQ(Form.Trend->DataB().back(), 300) << "sent rate";
    EXPECT_EQ(Form.Trend->DataA()[236], 0);
}

TEST_F(PollCycle, IntermediateStatesLeaveTheConnectionOnlineAndTheNextSampleCoversTheGap)
{
    Form.TimerStatusTimer();
    Tick(1000, 1000, 0);
    for (uint32_t status : {1u, 2u, 3u, 4u}) {
        IpHelper.Row.dwOperStatus = status;
        Tick(1000, 1000, 0);
        EXPECT_TRUE(State.Online);
        EXPECT_EQ(Form.LabelUpSpeed->Caption(), "1,000");
        EXPECT_EQ(Form.LabelSent->Caption(), "1,000");
    }
    IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
    Tick(1000, 1000, 0);
    EXPECT_EQ(Form.LabelSent->Caption(), "6,000");
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "1,000") << "5000 bytes over 5 seconds";
    EXPECT_EQ(Form.LabelDuration->Caption(), "00:00:06");
}

TEST_F(PollCycle, OfflineTransitionMovesTheConnectionIntoLastAndTotals)
{
    State.TotalSent = 1'000'000;
    State.TotalRecv = 2'000'000;
    State.TotalDuration = 3600;
    Form.TimerStatusTimer();
    Tick(1000, 300, 700);
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "1,000,300") << "totals shown include the running connection";
    EXPECT_EQ(Form.LabelTotalDuration->Caption(), "01:00:01");
    Tick(1500, 200, 300);
    LinkDown();
    Tick();

    EXPECT_FALSE(State.Online);
    EXPECT_EQ(State.OnlineTick, 0);
    EXPECT_EQ(State.PrevSent, 0);
    EXPECT_EQ(State.TotalSent, 1'000'500);
    EXPECT_EQ(State.TotalRecv, 2'001'000);
    EXPECT_EQ(State.TotalDuration, 3602);
    EXPECT_EQ(Form.LabelLastConn->Caption(), "Realtek PCIe GbE Fam...");
    EXPECT_EQ(Form.LabelLastSpeed->Caption(), "100,000,000");
    EXPECT_EQ(Form.LabelLastSent->Caption(), "500");
    EXPECT_EQ(Form.LabelLastRecv->Caption(), "1,000");
    EXPECT_EQ(Form.LabelLastDuration->Caption(), "00:00:02");
    EXPECT_EQ(State.LastOffLine, "Sun 06 Dec 2026 17:00:03");
    EXPECT_EQ(Form.LabelLastDuration->toolTip(),
              "Online: Sun 06 Dec 2026 17:00:00\r\nOffline: Sun 06 Dec 2026 17:00:03");
    EXPECT_EQ(LastLog(), "Offline: Sun 06 Dec 2026 17:00:03");
    for (TValueLabel* label :
         {Form.LabelConn, Form.LabelSpeed, Form.LabelSent, Form.LabelRecv, Form.LabelDuration, Form.LabelDNS1,
          Form.LabelDNS2, Form.LabelGatewayIP, Form.LabelClientIP, Form.LabelUpSpeed, Form.LabelDownSpeed})
        EXPECT_EQ(label->Caption(), "") << label->objectName().toStdString();
    EXPECT_EQ(Form.LabelConn->toolTip(), "N/A");
    EXPECT_EQ(Form.LabelDuration->toolTip(), "Online: Sun 06 Dec 2026 17:00:00") << "left as it was";
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "1,000,500") << "already showed the sums";

    const int logLines = Form.Log->Count();
    Tick();
    EXPECT_EQ(Form.Log->Count(), logLines) << "offline and link down: nothing happens";
}

TEST_F(PollCycle, AResetWhileOnlineMakesThisConnectionTheNewTotals)
{
    State.TotalSent = 9999;
    Form.TimerStatusTimer();
    Tick(1000, 100, 0);
    emit Form.ResetDblClick();
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "");
    Tick(1000, 100, 0);
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "200");
    LinkDown();
    Tick();
    EXPECT_EQ(State.TotalSent, 200);
    EXPECT_EQ(State.TotalDuration, 2);
}

TEST_F(PollCycle, GuardsEndTheTickWithoutAnyChange)
{
    IpHelper.AdaptersResult = ERROR_NO_DATA;
    Form.TimerStatusTimer();
    IpHelper.AdaptersResult = NO_ERROR;
    IpHelper.Adapters[0].Ips = {"0.0.0.0"};
    Form.TimerStatusTimer();
    IpHelper.Adapters[0].Ips = {"192.168.1.20"};
    IpHelper.IfEntryResult = ERROR_INVALID_PARAMETER;
    Form.TimerStatusTimer();
    IpHelper.IfEntryResult = NO_ERROR;
    IpHelper.Row.dwType = IF_TYPE_IEEE80211;
    Form.TimerStatusTimer();
    IpHelper.Row.dwType = MIB_IF_TYPE_ETHERNET;
    IpHelper.Adapters[0].Gateways = std::vector<std::string>(9, "10.0.0.1");
    Form.TimerStatusTimer();
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(Form.Log->Count(), 1) << "only the version line";
}

TEST_F(PollCycle, NoElapsedTimeSkipsTheSampleInsteadOfDividingByZero)
{
    Form.TimerStatusTimer();
    Tick(1000, 100, 100);
    Tick(0, 100, 100);
    EXPECT_EQ(Form.LabelSent->Caption(), "100");
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "100");
    Tick(1000, 0, 0);
    EXPECT_EQ(Form.LabelSent->Caption(), "200") << "the skipped bytes are counted by the next sample";
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "100");
}

TEST_F(PollCycle, ACounterThatGoesDownStartsCountingAgainWithoutLosingBytes)
{
    Form.TimerStatusTimer();
    Tick(1000, 4000, 8000);
    IpHelper.Row.dwOutOctets = 100; // the interface was re-created
    IpHelper.Row.dwInOctets = 50;
    Tick(1000);
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "0");
    EXPECT_EQ(Form.LabelDownSpeed->Caption(), "0");
    EXPECT_EQ(State.LastSent, 4000);
    EXPECT_EQ(State.LastRecv, 8000);
    Tick(1000, 600, 0);
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "600");
    EXPECT_EQ(State.LastSent, 4600);
    LinkDown();
    Tick();
    EXPECT_EQ(State.TotalSent, 4600);
}

TEST_F(PollCycle, AConnectionThatLosesItsAddressStillGoesOfflineWhenTheLinkGoesDown)
{
    Form.TimerStatusTimer();
    IpHelper.Adapters[0].Ips = {"0.0.0.0"};
    IpHelper.Adapters[0].Gateways = {};
    Tick(1000, 10, 10);
    EXPECT_EQ(Form.LabelSent->Caption(), "10") << "still sampled";
    LinkDown();
    Tick();
    EXPECT_FALSE(State.Online);
    EXPECT_TRUE(LastLog().startsWith("Offline: "));
}

TEST_F(PollCycle, AnotherAdapterBecomingFirstEndsTheConnectionAndStartsOneOnIt)
{
    Form.TimerStatusTimer();
    Tick(1000, 1000, 0);
    IpHelper.Adapters[0].Index = 9;
    IpHelper.Adapters[0].Description = "USB Ethernet";
    IpHelper.Row.dwOutOctets = 77; // the new adapter's own counters
    Tick();
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(State.LastSent, 1000);
    EXPECT_EQ(State.TotalSent, 1000);
    Tick();
    EXPECT_TRUE(State.Online);
    EXPECT_EQ(Form.LabelConn->Caption(), "USB Ethernet");
    Tick(1000, 5, 0);
    EXPECT_EQ(State.LastSent, 5);
}

TEST_F(PollCycle, ArithmeticOverflowRaisesInsteadOfWrapping)
{
    Form.TimerStatusTimer();
    IpHelper.Row.dwOutOctets = uint64_t{std::numeric_limits<int64_t>::max()} - 1;
    Clock.Advance(1000);
    try {
        Form.TimerStatusTimer();
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Integer overflow");
    }
    IpHelper.Row.dwOutOctets = uint64_t{1} << 63;
    Clock.Advance(1000);
    EXPECT_THROW(Form.TimerStatusTimer(), ERangeError) << "a counter beyond Int64";
}

// Sent 4000 bytes in one sampled second, then down.
void PollCycle::FirstConnection()
{
    Form.TimerStatusTimer();
    Tick(1000, 4000, 2000);
    LinkDown();
    Tick();
    ASSERT_EQ(State.TotalSent, 4000);
    LinkUp();
    Tick();
    ASSERT_TRUE(State.Online);
}

TEST_F(PollCycle, AConnectionEndingAtTheTickAfterItStartedCountsNoBytesAndItsRealDuration)
{
    FirstConnection();
    LinkDown();
    Tick(2500, 300, 300); // traffic no sample saw
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(State.LastSent, 0);
    EXPECT_EQ(State.LastRecv, 0);
    EXPECT_EQ(State.LastDuration, 2) << "2.5 s from its start to its end";
    EXPECT_EQ(State.TotalSent, 4000) << "the first connection is counted once";
    EXPECT_EQ(State.TotalRecv, 2000);
    EXPECT_EQ(State.TotalDuration, 1 + 2);
    EXPECT_EQ(Form.LabelLastSent->Caption(), "0");
    EXPECT_EQ(Form.LabelLastDuration->Caption(), "00:00:02");
    EXPECT_EQ(Platform.Registry.Text(StatsKey, "TotalSent"), "4000");
    EXPECT_EQ(Platform.Registry.Text(StatsKey, "LastSent"), "0");
}

TEST_F(PollCycle, AConnectionThatOnlyPassedThroughIntermediateStatesCountsNoBytes)
{
    FirstConnection();
    for (uint32_t status : {1u, 2u, 3u, 4u}) {
        IpHelper.Row.dwOperStatus = status;
        Tick(1000, 100, 100);
    }
    LinkDown();
    Tick();
    EXPECT_EQ(State.TotalSent, 4000);
    EXPECT_EQ(State.TotalRecv, 2000);
    EXPECT_EQ(State.LastDuration, 5);
    EXPECT_EQ(State.TotalDuration, 1 + 5);
}

TEST_F(PollCycle, AConnectionEndedByAnAdapterChangeBeforeItsFirstSampleCountsNoBytes)
{
    FirstConnection();
    IpHelper.Adapters[0].Index = 9;
    Tick(1000, 50, 0);
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(State.LastSent, 0);
    EXPECT_EQ(State.TotalSent, 4000);
    EXPECT_EQ(State.TotalDuration, 1 + 1);
}

TEST_F(PollCycle, TwentyFlapsAddOnlyTheirOwnTime)
{
    FirstConnection();
    for (int flap = 0; flap < 20; ++flap) {
        LinkDown();
        Tick();
        LinkUp();
        Tick();
    }
    LinkDown();
    Tick();
    EXPECT_EQ(State.TotalSent, 4000);
    EXPECT_EQ(State.TotalDuration, 1 + 21) << "one second for each flap";
}

TEST_F(PollCycle, AGapBeyondTheRatesRangeIsSkippedAndTheNextSampleMeasuresFromIt)
{
    Form.TimerStatusTimer();
    Tick(1000, 1000, 0);
    const int64_t suspended = int64_t{1} << 31; // 24.8 days asleep: the tick counts through suspend
    Tick(suspended, 5000, 0);
    EXPECT_TRUE(State.Online);
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "1,000") << "no rate over the gap";
    EXPECT_EQ(State.LastSent, 6000) << "the bytes of the gap still count";
    Tick(1000, 300, 0);
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "300") << "measured from the end of the gap";
    EXPECT_EQ(Form.LabelSent->Caption(), "6,300");
    EXPECT_EQ(State.LastDuration, (1000 + suspended + 1000) / 1000);
    Tick(1000, 0, 0);
    EXPECT_EQ(Form.LabelUpSpeed->Caption(), "0");
}

TEST_F(PollCycle, TheStatusLineFollowsTheFiguresNotTheLabels)
{
    Form.TimerStatusTimer();
    Tick(1000, 1500, 20);
    EXPECT_EQ(Console.Lines.back(),
              "Up 1,500 bytes/s, down 20 bytes/s, sent 1,500 bytes, received 20 bytes, duration 00:00:01");
    Tick(1000, 1500, 0);
    EXPECT_EQ(Console.Lines.back(),
              "Up 1,500 bytes/s, down 0 bytes/s, sent 3,000 bytes, received 20 bytes, duration 00:00:02");
}

} // namespace
