#include "app/ConnectionHistory.h"
#include "app/StatusLogView.h"
#include "app/ValueLabel.h"
#include "app/main.h"

#include "doubles/QtPrinters.h"
#include "doubles/TempFolder.h"
#include "doubles/TestPlatform.h"
#include "doubles/Unprivileged.h"

#include <QAction>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

const std::string Stats = "Software\\Velmar Software\\Quorvel\\Stats";

class StatisticsSave : public testing::Test {
protected:
    TTempFolder Folder{"history"};
    TTestPlatform Platform;
    std::string HistoryPath = Folder.File("qorvix.log");
    std::unique_ptr<TMainForm> Form;

    void SetUp() override
    {
        Platform.ProgramPath = Folder.File("qorvix");
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "eth0";
        adapter.Name = "eth0";
        adapter.Ips = {"192.168.1.20"};
        Platform.IpHelper.Adapters = {adapter};
        Platform.IpHelper.Row = MIB_IFROW{0, MIB_IF_TYPE_ETHERNET, 1'000'000'000, MIB_IF_OPER_STATUS_OPERATIONAL, 0, 0};
        Platform.Registry.OpenKey(Stats, true)->SetValue("TotalSent", Text("1000"));
        Form = std::make_unique<TMainForm>(Platform.Services());
        Form->FormCreate();
        Form->TimerStatus->stop();
        Form->MenuSaveLog->setChecked(true);
    }

    static TRegValue Text(const std::string& text)
    {
        TRegValue value{REG_SZ, std::vector<uint8_t>(text.begin(), text.end())};
        value.Data.push_back(0);
        return value;
    }
    // One connection: up, `seconds` of traffic, down.
    void Connection(int seconds, uint64_t sentPerSecond)
    {
        Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        Form->TimerStatusTimer();
        for (int i = 0; i < seconds; ++i) {
            Platform.Clock.Advance(1000);
            Platform.IpHelper.Row.dwOutOctets += sentPerSecond;
            Form->TimerStatusTimer();
        }
        Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
        Platform.Clock.Advance(1000);
        Form->TimerStatusTimer();
    }
    std::string History() const
    {
        std::ifstream file(HistoryPath, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

TEST_F(StatisticsSave, TheFirstSaveCreatesTheHeaderAndTheSecondOnlyAppends)
{
    Connection(2, 100);
    EXPECT_EQ(History(), "Online,Offline,Connection,Speed,Sent,Received,Duration,Client IP\r\n"
                         "Sun 06 Dec 2026 17:00:00,Sun 06 Dec 2026 17:00:03,eth0,1000000000,200,0,00:00:02,"
                         "192.168.1.20\r\n");
    Connection(1, 50);
    const std::string history = History();
    EXPECT_EQ(history.find("Online,Offline"), 0u);
    EXPECT_EQ(history.find("Online,Offline", 1), std::string::npos) << "one header only";
    EXPECT_NE(history.find("eth0,1000000000,50,0,00:00:01,192.168.1.20\r\n"), std::string::npos);
}

TEST_F(StatisticsSave, TwoConnectionsInOneRunAddUpInTheStoredTotals)
{
    Connection(2, 100);
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1200");
    Connection(3, 10);
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1230") << "1000 loaded at start + 200 + 30";
    EXPECT_EQ(Form->State.TotalSent, 1230);
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastSent"), "30");
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalDuration"), "5");
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastOffLine"), "Sun 06 Dec 2026 17:00:07");
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastConn"), "eth0");
}

TEST_F(StatisticsSave, WithSaveLogOffOnlyTheStatisticsAreStored)
{
    Form->MenuSaveLog->setChecked(false);
    Connection(1, 5);
    EXPECT_FALSE(std::filesystem::exists(HistoryPath));
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastSent"), "5");
}

TEST_F(StatisticsSave, TheStatisticsOfOneSaveAreWrittenAsOneGroup)
{
    const int singleWrites = Platform.Registry.WritesOutsideGroups;
    Connection(2, 100);
    EXPECT_EQ(Platform.Registry.WritesOutsideGroups, singleWrites);
    EXPECT_EQ(Platform.Registry.GroupsEnded, 1);
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1200");
}

TEST_F(StatisticsSave, NamesAreNotQuotedAndLongDurationsKeepAllTheirHours)
{
    Form->State.LastConn = "Intel, Gigabit";
    Form->State.LastDuration = 360000;
    Form->SaveStats();
    const std::string history = History();
    const std::string record = history.substr(history.find("\r\n") + 2);
    EXPECT_EQ(std::count(record.begin(), record.end(), ','), 8) << record;
    EXPECT_NE(record.find(",Intel, Gigabit,"), std::string::npos);
    EXPECT_NE(record.find(",100:00:00,"), std::string::npos);
}

TEST_F(StatisticsSave, AnUnwritableFolderIsAccessDeniedAfterTheStatisticsAreStored)
{
    std::filesystem::permissions(Folder.Path, std::filesystem::perms::owner_all | std::filesystem::perms::others_read |
                                                  std::filesystem::perms::others_exec);
    EXPECT_TRUE(RunUnprivileged([&] {
        Form->State.LastSent = 77;
        try {
            Form->SaveStats();
        } catch (const EInOutError& error) {
            return error.Message() == "File access denied" && Platform.Registry.Text(Stats, "LastSent") == "77";
        }
        return false;
    }));
}

TEST_F(StatisticsSave, AHistoryFailureStillCompletesTheOfflineTransition)
{
    std::filesystem::create_directory(HistoryPath); // a folder where the file should be
    Form->TimerStatusTimer();
    Platform.Clock.Advance(1000);
    Platform.IpHelper.Row.dwOutOctets += 40;
    Form->TimerStatusTimer();
    Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    EXPECT_THROW(Form->TimerStatusTimer(), EInOutError);
    EXPECT_FALSE(Form->State.Online);
    EXPECT_EQ(Form->State.TotalSent, 1040) << "the connection reached the totals in memory";
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1040");
    EXPECT_EQ(Form->LabelLastSent->Caption(), "40");
    EXPECT_EQ(Form->LabelConn->Caption(), "");
    EXPECT_TRUE(Form->Log->Line(Form->Log->Count() - 1).startsWith("Offline: "));
}

TEST(StatisticsLoad, StartUpShowsTheStoredLastConnectionAndTotals)
{
    TTestPlatform platform;
    auto stats = platform.Registry.OpenKey(Stats, true);
    auto text = [](const std::string& value) {
        TRegValue stored{REG_SZ, std::vector<uint8_t>(value.begin(), value.end())};
        stored.Data.push_back(0);
        return stored;
    };
    stats->SetValue("LastOnLine", text("Sat 05 Dec 2026 08:00:00"));
    stats->SetValue("LastOffLine", text("Sat 05 Dec 2026 09:00:00"));
    stats->SetValue("lastconn", text("USB Ethernet"));
    stats->SetValue("LastSpeed", text("100000000"));
    stats->SetValue("LastSent", text("1234567"));
    stats->SetValue("LastDuration", text("3600"));
    stats->SetValue("TotalRecv", text("not a number"));
    stats->SetValue("TotalDuration", text("360000"));
    TMainForm form(platform.Services());
    form.FormCreate();
    form.TimerStatus->stop();
    EXPECT_EQ(form.LabelLastConn->Caption(), "USB Ethernet");
    EXPECT_EQ(form.LabelLastSpeed->Caption(), "100,000,000");
    EXPECT_EQ(form.LabelLastSent->Caption(), "1,234,567");
    EXPECT_EQ(form.LabelLastRecv->Caption(), "0");
    EXPECT_EQ(form.LabelLastDuration->Caption(), "01:00:00");
    EXPECT_EQ(form.LabelLastDuration->toolTip(),
              "Online: Sat 05 Dec 2026 08:00:00\r\nOffline: Sat 05 Dec 2026 09:00:00");
    EXPECT_EQ(form.LabelTotalRecv->Caption(), "0");
    EXPECT_EQ(form.LabelTotalDuration->Caption(), "100:00:00");
    EXPECT_EQ(form.State.LastSent, 1234567);

    TTestPlatform fresh;
    TMainForm first(fresh.Services());
    first.FormCreate();
    first.TimerStatus->stop();
    EXPECT_EQ(first.State.LastOnLine, "N/A");
    EXPECT_EQ(first.LabelLastConn->Caption(), "N/A");
    EXPECT_EQ(first.LabelTotalSent->Caption(), "0");
}

TEST(HistoryPath, TheProgramsExtensionBecomesLog)
{
    EXPECT_EQ(ConnectionHistory::HistoryPath("/opt/quorvel/qorvix"), "/opt/quorvel/qorvix.log");
    EXPECT_EQ(ConnectionHistory::HistoryPath("/opt/quorvel/qorvix.bin"), "/opt/quorvel/qorvix.log");
    EXPECT_EQ(ConnectionHistory::HistoryPath("/opt/v1.2/qorvix"), "/opt/v1.2/qorvix.log");
}

} // namespace
