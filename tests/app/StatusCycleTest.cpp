#include "app/StatusCycle.h"
#include "app/Formatting.h"
#include "app/StatisticsKeeper.h"
#include "app/StoredSettings.h"
#include "settings/MyReg.h"

#include "doubles/QtPrinters.h"
#include "doubles/TestPlatform.h"
#include "platform/Exceptions.h"

#include "doubles/TempFolder.h"
#include "usage/UsageReader.h"
#include "usage/UsageStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

// What the displays show after the outcomes so far, kept the way the windows keep it: a field an outcome
// leaves unset keeps its text. The statistics go through the real keeper, into settings kept in memory.
class TShownDisplays final : public ITickTargets {
public:
    TShownDisplays(TStatisticsKeeper& keeper, IConsole& console) : Keeper(keeper), Console(console) {}

    QString Conn, Speed, Sent, Recv, Duration, Dns1, Dns2, Gateway, ClientIp, UpSpeed, DownSpeed;
    QString ConnHint = "N/A", DurationHint, GatewayHint, ClientIpHint;
    TLastTexts Last;
    TTotalTexts Totals;
    std::vector<int64_t> GraphA, GraphB;
    TGraphBounds Bounds;
    int32_t IconIndex = 0;
    int IconChanges = 0;
    QString TrayHint = "0.0.0.0";
    std::vector<TSyncStep> SyncSteps;
    TMonitorVisibility Monitor = TMonitorVisibility::Keep;
    int KeptOnTop = 0;
    std::vector<QString> Log;
    bool SaveLog = false;

    void RecordUsage(const TUsageDelta& delta) override { Keeper.RecordUsage(delta); }
    void StoreStatistics(const TTickOutcome& outcome) override
    {
        Keeper.StoreFinishedConnection(SaveLog, outcome.HistoryClientIp);
    }
    void CheckpointConnection(const QString& clientIp) override { Keeper.CheckpointRunningConnection(clientIp); }
    void ShowDisplays(const TTickOutcome& outcome) override
    {
        const TCurrentTexts& c = outcome.Current;
        for (auto [shown, text] : {std::pair{&Conn, &c.Conn},
                                   {&Speed, &c.Speed},
                                   {&Sent, &c.Sent},
                                   {&Recv, &c.Recv},
                                   {&Duration, &c.Duration},
                                   {&Dns1, &c.Dns1},
                                   {&Dns2, &c.Dns2},
                                   {&Gateway, &c.Gateway},
                                   {&ClientIp, &c.ClientIp},
                                   {&UpSpeed, &c.UpSpeed},
                                   {&DownSpeed, &c.DownSpeed},
                                   {&ConnHint, &c.ConnHint},
                                   {&DurationHint, &c.DurationHint},
                                   {&GatewayHint, &c.GatewayHint},
                                   {&ClientIpHint, &c.ClientIpHint}})
            if (*text) *shown = **text;
        if (outcome.Last) Last = *outcome.Last;
        if (outcome.Totals) Totals = *outcome.Totals;
        if (outcome.RestartGraphs) {
            Bounds = *outcome.RestartGraphs;
            GraphA.clear();
            GraphB.clear();
        }
        if (outcome.GraphSample) {
            GraphA.push_back(outcome.GraphSample->DownRate);
            GraphB.push_back(outcome.GraphSample->UpRate);
        }
        if (outcome.TrayHint) TrayHint = *outcome.TrayHint;
        if (outcome.IconIndex) {
            IconIndex = *outcome.IconIndex;
            ++IconChanges;
        }
    }
    void StepSyncTimer(TSyncStep step) override { SyncSteps.push_back(step); }
    void ApplyMonitor(TMonitorVisibility visibility, bool keepOnTop) override
    {
        Monitor = visibility;
        KeptOnTop += keepOnTop;
    }
    void AddLogLine(const QString& line) override { Log.push_back(line); }
    void WriteStatusLine(const std::string& line) override { Console.WriteLine(line); }

private:
    TStatisticsKeeper& Keeper;
    IConsole& Console;
};

class PollCycle : public testing::Test {
protected:
    TTestPlatform Platform;
    TFakeClock& Clock = Platform.Clock;
    TFakeIpHelper& IpHelper = Platform.IpHelper;
    TRecordingConsole& Console = Platform.Console;
    MonitorState State;
    TMyReg Reg{Platform.Registry};
    TStatisticsKeeper Keeper{Reg, State, Platform.TextFiles, Clock, Platform.ProgramPath};
    TStatusCycle Cycle{State, IpHelper, Clock};
    TShownDisplays Shown{Keeper, Console};
    TTickOptions Options;

    void SetUp() override
    {
        Reg.SetRegKey(StoredSettings::RegKey);
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
        State.MaxGraph = 25600;
    }

    // The timer fires now.
    void Poll() { TickOutcome::Carry(Cycle.Tick(Options), Shown); }
    // One second passes with the given traffic, then the timer fires.
    void Tick(int64_t milliseconds = 1000, uint64_t sent = 0, uint64_t received = 0)
    {
        Clock.Advance(milliseconds);
        IpHelper.Row.dwOutOctets += sent;
        IpHelper.Row.dwInOctets += received;
        Poll();
    }
    QString LastLog() const { return Shown.Log.empty() ? QString() : Shown.Log.back(); }
    void LinkDown() { IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL; }
    void LinkUp() { IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL; }
    void FirstConnection();
};

const std::string StatsKey = "Software\\Velmar Software\\Quorvel\\Stats";

TEST_F(PollCycle, AConnectionsUsageIsItsOwnFiguresAndReachesTheUsageFileWhenItEnds)
{
    TTempFolder folder("usage-feed");
    const std::string path = folder.File("usage.sqlite3");
    {
        TUsageStore usage(path, [](const std::string&) {});
        Keeper.AttachUsage(&usage);
        Poll();
        Tick(1000, 300, 4000);
        Tick(1500, 0, 1000);
        IpHelper.Row.dwInOctets = 10; // the counter was reset: counting goes on from the new reading
        Tick(1000, 0, 0);
        Tick(1000, 20, 30);
        LinkDown();
        Tick();
        ASSERT_FALSE(State.Online);
        const std::vector<TUsageRow> days = TUsageReader(path).Days(std::nullopt, 5);
        ASSERT_EQ(days.size(), 1u) << "written at the end of the connection, not only at exit";
        EXPECT_EQ(days[0].Adapter, "enp3s0");
        EXPECT_EQ(days[0].Figures.Received, State.LastRecv);
        EXPECT_EQ(days[0].Figures.Sent, State.LastSent);
        EXPECT_EQ(days[0].Figures.Seconds, 4) << "4.5 seconds online, whole seconds only";
        Keeper.AttachUsage(nullptr);
    }
    EXPECT_EQ(State.LastRecv, 5030);
}

TEST_F(PollCycle, OnlineTransitionShowsTheConnectionAndLogsItsTime)
{
    Poll();
    EXPECT_TRUE(State.Online);
    EXPECT_EQ(Shown.Conn, "Realtek PCIe GbE Fam...");
    EXPECT_EQ(Shown.Speed, "100,000,000");
    EXPECT_EQ(Shown.Dns1, "192.168.1.1");
    EXPECT_EQ(Shown.Dns2, "");
    EXPECT_EQ(Shown.Gateway, "192.168.1.1");
    EXPECT_EQ(Shown.ClientIp, "192.168.1.20");
    EXPECT_EQ(State.LastOnLine, "Sun 06 Dec 2026 17:00:00");
    EXPECT_EQ(Shown.DurationHint, "Online: Sun 06 Dec 2026 17:00:00");
    EXPECT_EQ(Shown.ConnHint, "Realtek PCIe GbE Family Controller\r\nenp3s0\r\n"
                              "MacAddress: 00-1A-2B-3C-4D-5E\r\nDHCP Server IP: 192.168.1.1 \r\n"
                              "DNS Server IP: 192.168.1.1 \r\nGateway IP: 192.168.1.1 \r\n"
                              "Client IP: 192.168.1.20 ");
    EXPECT_EQ(LastLog(), "Online: Sun 06 Dec 2026 17:00:00");
    EXPECT_EQ(Shown.UpSpeed, "") << "no sample in the transition tick";
    EXPECT_EQ(State.SentAtOnline, 500'000);
    EXPECT_EQ(State.RecvAtOnline, 1'000'000);
}

TEST_F(PollCycle, TheTimerAndTheMonitorFollowTheConnectionAsTheOptionsSay)
{
    Options = {true, true, true};
    Poll();
    EXPECT_EQ(Shown.SyncSteps, std::vector<TSyncStep>{TSyncStep::Start});
    EXPECT_EQ(Shown.Monitor, TMonitorVisibility::Show);
    EXPECT_EQ(Shown.TrayHint, "192.168.1.20");
    EXPECT_EQ(Shown.IconIndex, 1);
    Tick(1000, 10, 0);
    Tick(1000, 10, 0);
    EXPECT_EQ(Shown.KeptOnTop, 2) << "raised at every sample";
    EXPECT_EQ(Shown.IconChanges, 2) << "sending only, twice: the image changed once";
    LinkDown();
    Tick();
    EXPECT_EQ(Shown.SyncSteps, (std::vector<TSyncStep>{TSyncStep::Start, TSyncStep::Stop}));
    EXPECT_EQ(Shown.Monitor, TMonitorVisibility::Hide);
    EXPECT_EQ(Shown.TrayHint, "0.0.0.0");
    EXPECT_EQ(Shown.IconIndex, 0);

    Options = {false, false, false};
    LinkUp();
    Tick();
    Tick(1000, 10, 0);
    LinkDown();
    Tick();
    EXPECT_EQ(Shown.SyncSteps.size(), 2u) << "with synchronisation off the timer is left alone";
    EXPECT_EQ(Shown.KeptOnTop, 2) << "a monitor the user switched off is not raised";
}

TEST_F(PollCycle, ConnectionNamesUpToTwentyCharactersAreShownWhole)
{
    IpHelper.Adapters[0].Description = "12345678901234567890";
    Poll();
    EXPECT_EQ(Shown.Conn, "12345678901234567890");
    LinkDown();
    Tick();
    IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
    IpHelper.Adapters[0].Description = "123456789012345678901";
    Tick();
    EXPECT_EQ(Shown.Conn, "12345678901234567890...");
}

TEST_F(PollCycle, RatesAreTheDifferenceTimesAThousandDividedByTheElapsedTime)
{
    Poll();
    Tick(1000, 5000, 12);
    EXPECT_EQ(Shown.UpSpeed, "5,000");
    EXPECT_EQ(Shown.DownSpeed, "12");
    Tick(999, 5000, 0);
    EXPECT_EQ(Shown.UpSpeed, "5,005");
    EXPECT_EQ(Shown.DownSpeed, "0");
    EXPECT_EQ(Shown.Sent, "10,000");
    EXPECT_EQ(Shown.Recv, "12");
    EXPECT_EQ(Shown.Duration, "00:00:01");
    EXPECT_EQ(State.LastDuration, 1);
    EXPECT_EQ(Console.Lines.back(),
              "Up 5,005 bytes/s, down 0 bytes/s, sent 10,000 bytes, received 12 bytes, duration 00:00:01");
}

TEST_F(PollCycle, TheTrendIsBoundedAndClearedAtTheOnlineTransitionAndFedEachSample)
{
    Shown.GraphA = {55};
    State.MaxGraph = 6000;
    State.MinGraph = 10;
    Poll();
    EXPECT_EQ(Shown.Bounds.Max, 6000);
    EXPECT_EQ(Shown.Bounds.Min, 10);
    EXPECT_TRUE(Shown.GraphA.empty()) << "cleared";
    Tick(1000, 300, 9000);
    EXPECT_EQ(Shown.GraphA, std::vector<int64_t>{9000}) << "received rate; the graph clamps it";
    EXPECT_EQ(Shown.GraphB, std::vector<int64_t>{300}) << "sent rate";
}

TEST_F(PollCycle, IntermediateStatesLeaveTheConnectionOnlineAndTheNextSampleCoversTheGap)
{
    Poll();
    Tick(1000, 1000, 0);
    for (uint32_t status : {1u, 2u, 3u, 4u}) {
        IpHelper.Row.dwOperStatus = status;
        Tick(1000, 1000, 0);
        EXPECT_TRUE(State.Online);
        EXPECT_EQ(Shown.UpSpeed, "1,000");
        EXPECT_EQ(Shown.Sent, "1,000");
    }
    IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
    Tick(1000, 1000, 0);
    EXPECT_EQ(Shown.Sent, "6,000");
    EXPECT_EQ(Shown.UpSpeed, "1,000") << "5000 bytes over 5 seconds";
    EXPECT_EQ(Shown.Duration, "00:00:06");
}

TEST_F(PollCycle, OfflineTransitionMovesTheConnectionIntoLastAndTotals)
{
    State.TotalSent = 1'000'000;
    State.TotalRecv = 2'000'000;
    State.TotalDuration = 3600;
    Poll();
    Tick(1000, 300, 700);
    EXPECT_EQ(Shown.Totals.Sent, "1,000,300") << "totals shown include the running connection";
    EXPECT_EQ(Shown.Totals.Duration, "01:00:01");
    Tick(1500, 200, 300);
    LinkDown();
    Tick();

    EXPECT_FALSE(State.Online);
    EXPECT_EQ(State.OnlineTick, 0);
    EXPECT_EQ(State.PrevSent, 0);
    EXPECT_EQ(State.TotalSent, 1'000'500);
    EXPECT_EQ(State.TotalRecv, 2'001'000);
    EXPECT_EQ(State.TotalDuration, 3602);
    EXPECT_EQ(Shown.Last.Conn, "Realtek PCIe GbE Fam...");
    EXPECT_EQ(Shown.Last.Speed, "100,000,000");
    EXPECT_EQ(Shown.Last.Sent, "500");
    EXPECT_EQ(Shown.Last.Recv, "1,000");
    EXPECT_EQ(Shown.Last.Duration, "00:00:02");
    EXPECT_EQ(State.LastOffLine, "Sun 06 Dec 2026 17:00:03");
    EXPECT_EQ(Shown.Last.DurationHint, "Online: Sun 06 Dec 2026 17:00:00\r\nOffline: Sun 06 Dec 2026 17:00:03");
    EXPECT_EQ(LastLog(), "Offline: Sun 06 Dec 2026 17:00:03");
    for (const QString& text : {Shown.Conn, Shown.Speed, Shown.Sent, Shown.Recv, Shown.Duration, Shown.Dns1, Shown.Dns2,
                                Shown.Gateway, Shown.ClientIp, Shown.UpSpeed, Shown.DownSpeed})
        EXPECT_EQ(text, "");
    EXPECT_EQ(Shown.ConnHint, "N/A");
    EXPECT_EQ(Shown.DurationHint, "Online: Sun 06 Dec 2026 17:00:00") << "left as it was";
    EXPECT_EQ(Shown.Totals.Sent, "1,000,500") << "already showed the sums";

    const std::size_t logLines = Shown.Log.size();
    Tick();
    EXPECT_EQ(Shown.Log.size(), logLines) << "offline and link down: nothing happens";
}

TEST_F(PollCycle, AResetWhileOnlineMakesThisConnectionTheNewTotals)
{
    State.TotalSent = 9999;
    Poll();
    Tick(1000, 100, 0);
    Keeper.ResetTotals();
    EXPECT_EQ(Platform.Registry.Text(StatsKey, "TotalSent"), "0") << "stored at once";
    Tick(1000, 100, 0);
    EXPECT_EQ(Shown.Totals.Sent, "200");
    LinkDown();
    Tick();
    EXPECT_EQ(State.TotalSent, 200);
    EXPECT_EQ(State.TotalDuration, 2);
    EXPECT_EQ(Platform.Registry.Text(StatsKey, "TotalSent"), "200");
}

TEST_F(PollCycle, GuardsEndTheTickWithoutAnyChange)
{
    IpHelper.AdaptersResult = ERROR_NO_DATA;
    Poll();
    IpHelper.AdaptersResult = NO_ERROR;
    IpHelper.Adapters[0].Ips = {"0.0.0.0"};
    Poll();
    IpHelper.Adapters[0].Ips = {"192.168.1.20"};
    IpHelper.IfEntryResult = ERROR_INVALID_PARAMETER;
    Poll();
    IpHelper.IfEntryResult = NO_ERROR;
    IpHelper.Row.dwType = IF_TYPE_IEEE80211;
    Poll();
    EXPECT_FALSE(State.Online);
    EXPECT_TRUE(Shown.Log.empty());
}

TEST_F(PollCycle, NoElapsedTimeSkipsTheSampleInsteadOfDividingByZero)
{
    Poll();
    Tick(1000, 100, 100);
    Tick(0, 100, 100);
    EXPECT_EQ(Shown.Sent, "100");
    EXPECT_EQ(Shown.UpSpeed, "100");
    Tick(1000, 0, 0);
    EXPECT_EQ(Shown.Sent, "200") << "the skipped bytes are counted by the next sample";
    EXPECT_EQ(Shown.UpSpeed, "100");
}

TEST_F(PollCycle, ACounterThatGoesDownStartsCountingAgainWithoutLosingBytes)
{
    Poll();
    Tick(1000, 4000, 8000);
    IpHelper.Row.dwOutOctets = 100; // the interface was re-created
    IpHelper.Row.dwInOctets = 50;
    Tick(1000);
    EXPECT_EQ(Shown.UpSpeed, "0");
    EXPECT_EQ(Shown.DownSpeed, "0");
    EXPECT_EQ(State.LastSent, 4000);
    EXPECT_EQ(State.LastRecv, 8000);
    Tick(1000, 600, 0);
    EXPECT_EQ(Shown.UpSpeed, "600");
    EXPECT_EQ(State.LastSent, 4600);
    LinkDown();
    Tick();
    EXPECT_EQ(State.TotalSent, 4600);
}

TEST_F(PollCycle, AConnectionThatLosesItsAddressStillGoesOfflineWhenTheLinkGoesDown)
{
    Poll();
    IpHelper.Adapters[0].Ips = {"0.0.0.0"};
    IpHelper.Adapters[0].Gateways = {};
    Tick(1000, 10, 10);
    EXPECT_EQ(Shown.Sent, "10") << "still sampled";
    LinkDown();
    Tick();
    EXPECT_FALSE(State.Online);
    EXPECT_TRUE(LastLog().startsWith("Offline: "));
}

TEST_F(PollCycle, AnotherAdapterBecomingFirstEndsTheConnectionAndStartsOneOnIt)
{
    Poll();
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
    EXPECT_EQ(Shown.Conn, "USB Ethernet");
    Tick(1000, 5, 0);
    EXPECT_EQ(State.LastSent, 5);
}

TEST_F(PollCycle, ArithmeticOverflowRaisesInsteadOfWrapping)
{
    Poll();
    IpHelper.Row.dwOutOctets = uint64_t{std::numeric_limits<int64_t>::max()} - 1;
    Clock.Advance(1000);
    try {
        Poll();
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Integer overflow");
    }
    IpHelper.Row.dwOutOctets = uint64_t{1} << 63;
    Clock.Advance(1000);
    EXPECT_THROW(Poll(), ERangeError) << "a counter beyond Int64";
}

// Sent 4000 bytes in one sampled second, then down.
void PollCycle::FirstConnection()
{
    Poll();
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
    EXPECT_EQ(Shown.Last.Sent, "0");
    EXPECT_EQ(Shown.Last.Duration, "00:00:02");
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
    Poll();
    Tick(1000, 1000, 0);
    const int64_t suspended = int64_t{1} << 31; // 24.8 days asleep: the tick counts through suspend
    Tick(suspended, 5000, 0);
    EXPECT_TRUE(State.Online);
    EXPECT_EQ(Shown.UpSpeed, "1,000") << "no rate over the gap";
    EXPECT_EQ(State.LastSent, 6000) << "the bytes of the gap still count";
    Tick(1000, 300, 0);
    EXPECT_EQ(Shown.UpSpeed, "300") << "measured from the end of the gap";
    EXPECT_EQ(Shown.Sent, "6,300");
    EXPECT_EQ(State.LastDuration, (1000 + suspended + 1000) / 1000);
    Tick(1000, 0, 0);
    EXPECT_EQ(Shown.UpSpeed, "0");
}

TEST_F(PollCycle, TheStatusLineFollowsTheFiguresNotTheLabels)
{
    Poll();
    Tick(1000, 1500, 20);
    EXPECT_EQ(Console.Lines.back(),
              "Up 1,500 bytes/s, down 20 bytes/s, sent 1,500 bytes, received 20 bytes, duration 00:00:01");
    Tick(1000, 1500, 0);
    EXPECT_EQ(Console.Lines.back(),
              "Up 1,500 bytes/s, down 0 bytes/s, sent 3,000 bytes, received 20 bytes, duration 00:00:02");
}

TEST_F(PollCycle, AnAdapterWithTwentyAddressesIsOnlineAndFollowedAsItGainsMore)
{
    IpHelper.Adapters[0].Ips.clear();
    for (int i = 1; i <= 20; ++i)
        IpHelper.Adapters[0].Ips.push_back("192.168.1." + std::to_string(i));
    Poll();
    ASSERT_TRUE(State.Online);
    EXPECT_EQ(Shown.ClientIp, "192.168.1.1");
    IpHelper.Adapters[0].Ips.push_back("192.168.1.21");
    Tick(1000, 10, 0);
    EXPECT_EQ(Shown.Sent, "10") << "still sampled";
    LinkDown();
    Tick();
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(LastLog(), "Offline: Sun 06 Dec 2026 17:00:02");
}

TEST_F(PollCycle, AWatchedInterfaceDeletedWhileOnlineEndsTheConnectionAtThatTick)
{
    Poll();
    Tick(1000, 100, 0);
    IpHelper.Adapters.clear();
    Tick();
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(LastLog(), "Offline: Sun 06 Dec 2026 17:00:02");
    EXPECT_EQ(State.TotalSent, 100);
    const std::size_t lines = Shown.Log.size();
    Tick();
    EXPECT_EQ(Shown.Log.size(), lines) << "no adapter while offline: nothing happens";
}

TEST_F(PollCycle, TotalsNearTheLargestCountStayThereInsteadOfStoppingTheTransition)
{
    const int64_t largest = std::numeric_limits<int64_t>::max();
    State.TotalSent = largest - 10;
    Poll();
    Tick(1000, 100, 0);
    EXPECT_EQ(Shown.Totals.Sent, Formatting::CountText(largest));
    LinkDown();
    Tick();
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(State.TotalSent, largest);
    EXPECT_EQ(Platform.Registry.Text(StatsKey, "TotalSent"), std::to_string(largest));
    EXPECT_EQ(LastLog(), "Offline: Sun 06 Dec 2026 17:00:02");
}

// Beside the fixture's Ethernet adapter (index 2, on the shared row), a wireless one with a row of its own.
class ChosenAdapter : public PollCycle {
protected:
    using TMode = TAdapterChoice::TMode;
    MIB_IFROW& Wireless = IpHelper.Rows[4];

    void SetUp() override
    {
        PollCycle::SetUp();
        TFakeAdapter wireless;
        wireless.Index = 4;
        wireless.Type = IF_TYPE_IEEE80211;
        wireless.Description = "Intel Wi-Fi 6 AX201";
        wireless.Name = "wlp2s0";
        wireless.Ips = {"10.0.0.5"};
        IpHelper.Adapters.push_back(wireless);
        Wireless = {4, IF_TYPE_IEEE80211, 54'000'000, MIB_IF_OPER_STATUS_OPERATIONAL, 50'000, 70'000};
        IpHelper.Views = {{2, "enp3s0", TInterfaceKind::Ethernet, true, true, {}},
                          {4, "wlp2s0", TInterfaceKind::WiFi, true, true, {}}};
    }
    int Transitions() const
    {
        return static_cast<int>(std::count_if(Shown.Log.begin(), Shown.Log.end(), [](const QString& line) {
            return line.startsWith("Online: ") || line.startsWith("Offline: ");
        }));
    }
};

TEST_F(ChosenAdapter, TheDefaultRouteIsFollowedAndItsMoveIsOneTransitionCountedFromTheNewAnchor)
{
    IpHelper.Routes = {{2, 100, false, "192.168.1.1"}};
    Cycle.SetAdapterChoice({TMode::DefaultRoute, {}});
    Poll();
    Tick(1000, 300, 0);
    EXPECT_EQ(Shown.Conn, "Realtek PCIe GbE Fam...");
    IpHelper.Routes = {{2, 600, false, "192.168.1.1"}, {4, 50, false, "10.0.0.1"}};
    Tick(1000, 200, 0);
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(State.TotalSent, 300);
    Tick();
    EXPECT_EQ(Shown.Conn, "Intel Wi-Fi 6 AX201") << "not rejected for not being Ethernet";
    EXPECT_EQ(Shown.ClientIp, "10.0.0.5");
    Wireless.dwOutOctets += 40;
    Tick(1000, 5000, 0);
    Tick();
    EXPECT_EQ(State.LastSent, 40) << "the new adapter's own bytes, none of the old one's";
    EXPECT_EQ(Transitions(), 3);
}

TEST_F(ChosenAdapter, AChoiceOfTheAdapterWatchedKeepsTheConnectionAndAnotherEndsIt)
{
    IpHelper.Routes = {{2, 100, false, "192.168.1.1"}};
    Poll();
    Cycle.SetAdapterChoice({TMode::DefaultRoute, {}});
    Tick(1000, 300, 0);
    EXPECT_EQ(State.LastSent, 300);
    Cycle.SetAdapterChoice({TMode::Named, "wlp2s0"});
    Tick();
    EXPECT_FALSE(State.Online);
    Tick();
    EXPECT_EQ(State.SentAtOnline, 70'000);
    EXPECT_EQ(Transitions(), 3);
}

TEST_F(ChosenAdapter, ANamedAdapterThatIsAbsentIsSaidOnceAndWatchedWhenItAppears)
{
    Cycle.SetAdapterChoice({TMode::Named, "wwan0"});
    Poll();
    Tick();
    EXPECT_EQ(Shown.Log, std::vector<QString>{"Adapter wwan0 not present."});
    IpHelper.Adapters.push_back(IpHelper.Adapters[1]);
    IpHelper.Adapters.back().Name = "wwan0";
    Tick();
    EXPECT_TRUE(State.Online);
    IpHelper.Adapters.pop_back();
    Tick();
    Tick();
    EXPECT_FALSE(State.Online);
    EXPECT_EQ(Shown.Log.size(), 4u);
    EXPECT_EQ(LastLog(), "Adapter wwan0 not present.") << "again once it had been present";
}

TEST_F(ChosenAdapter, AllPhysicalAdaptersThatAreUpAreOneConnectionUnderTheirOwnWholeName)
{
    IpHelper.Views.push_back({7, "br0", TInterfaceKind::Bridge, false, true, {}});
    IpHelper.Views.push_back({8, "veth0", TInterfaceKind::Virtual, false, true, {}});
    IpHelper.Views.push_back({9, "enp5s0", TInterfaceKind::Ethernet, true, false, {}});
    IpHelper.Routes = {{4, 600, false, "10.0.0.1"}};
    for (uint32_t index : {7, 8, 9})
        IpHelper.Rows[index] = Wireless;
    Cycle.SetAdapterChoice({TMode::AllPhysical, {}});
    Poll();
    EXPECT_EQ(Shown.Conn, "All physical adapters (2)");
    EXPECT_EQ(Shown.Speed, "154,000,000");
    EXPECT_EQ(Shown.ClientIp, "10.0.0.5") << "the addresses of the default route's adapter";
    for (uint32_t index : {4, 7, 8, 9})
        IpHelper.Rows[index].dwOutOctets += 50;
    Tick(1000, 100, 0);
    EXPECT_EQ(Shown.UpSpeed, "150") << "neither the bridge, the veth nor the adapter that is down";
}

TEST_F(ChosenAdapter, AWirelessConnectionIsNamedAfterItsNetworkAndRunsAtItsBitRate)
{
    IpHelper.Links[4] = {"The neighbours'\x1b network", -58, 400'000'000};
    Cycle.SetAdapterChoice({TMode::Named, "wlp2s0"});
    Poll();
    EXPECT_EQ(Shown.Conn, "The neighbours'\\x1b ...");
    EXPECT_EQ(Shown.Speed, "400,000,000");
    EXPECT_TRUE(
        Shown.ConnHint.endsWith("Client IP: 10.0.0.5 \r\nSSID: The neighbours'\\x1b network\r\nSignal: -58 dBm"))
        << Shown.ConnHint.toStdString();
}

TEST_F(ChosenAdapter, AnIpv6OnlyAdapterIsOnlineWithItsAddressShortenedOnItsLabel)
{
    const QString address = "2001:db8:85a3:1234:5678:8a2e:370:7334";
    IpHelper.Adapters[0].Ips = {"0.0.0.0"};
    IpHelper.Views[0].Addresses = {{address.toStdString(), true, true, false, false}};
    IpHelper.Routes = {{2, 1024, true, "fe80::1"}};
    IpHelper.Ipv6Dns = {"2001:4860:4860::8888"};
    Poll();
    ASSERT_TRUE(State.Online);
    EXPECT_EQ(Shown.ClientIp, "2001:db8:…:370:7334");
    EXPECT_EQ(Shown.ClientIpHint, address);
    EXPECT_EQ(Shown.GatewayHint, "") << "fe80::1 is shown whole";
    EXPECT_EQ(Shown.TrayHint, address);
    EXPECT_EQ(Cycle.ClientIp(), address) << "what the history line gets";
}

} // namespace
