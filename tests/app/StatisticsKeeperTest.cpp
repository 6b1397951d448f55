#include "app/StatisticsKeeper.h"

#include "app/Formatting.h"
#include "app/MonitorState.h"
#include "settings/MyReg.h"

#include "doubles/MemoryRegistry.h"
#include "doubles/PlatformDoubles.h"
#include "doubles/TempFolder.h"
#include "platform/Exceptions.h"
#include "platform/linux/PosixTextFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Records the order of the writes that reach the store, as "key\value name".
class TWriteOrder final : public IRegistry {
public:
    explicit TWriteOrder(IRegistry& inner) : Inner(inner) {}
    std::vector<std::string> Writes;

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) override
    {
        auto key = Inner.OpenKey(path, create);
        if (!key) return nullptr;
        return std::make_unique<TKey>(std::move(key), path.substr(path.rfind('\\') + 1), Writes);
    }
    void BeginUpdate() override { Inner.BeginUpdate(); }
    bool EndUpdate() override { return Inner.EndUpdate(); }
    std::string StoreProblem() const override { return Inner.StoreProblem(); }

private:
    class TKey final : public IRegistryKey {
    public:
        TKey(std::unique_ptr<IRegistryKey> inner, std::string section, std::vector<std::string>& writes)
            : Inner(std::move(inner)), Section(std::move(section)), Writes(writes)
        {
        }
        bool SetValue(const std::string& name, const TRegValue& value) override
        {
            Writes.push_back(Section + "\\" + name);
            return Inner->SetValue(name, value);
        }
        bool DeleteValue(const std::string& name) override { return Inner->DeleteValue(name); }
        std::optional<TRegValueInfo> QueryValue(const std::string& name) override { return Inner->QueryValue(name); }
        std::optional<TRegValue> ReadValue(const std::string& name) override { return Inner->ReadValue(name); }

    private:
        std::unique_ptr<IRegistryKey> Inner;
        std::string Section;
        std::vector<std::string>& Writes;
    };
    IRegistry& Inner;
};

const std::string Stats = "software\\velmar software\\quorvel\\stats";

class Keeper : public testing::Test {
protected:
    TTempFolder Folder{"keeper"};
    TMemoryRegistry Registry;
    TWriteOrder Order{Registry};
    TMyReg Reg{Order};
    MonitorState State;
    TPosixTextFiles Files;
    TFakeClock Clock;
    TStatisticsKeeper Statistics{Reg, State, Files, Clock, Folder.File("qorvix")};
    StoredSettings::TClosingValues Values;

    Keeper()
    {
        // A portable copy keeps its history beside it, here in the test's own folder.
        std::ofstream(Folder.File("quorvel.portable")).put('\n');
        Reg.SetRegKey(StoredSettings::RegKey);
        Values.Main = {11, 12};
        Values.Monitor = StoredSettings::TMonitorWindow{{21, 22}, 200};
        Values.Options[StoredSettings::SaveLog] = true;
        State.SynchronizeTimeServer = "time.example";
        State.LastConn = "eth0";
        State.LastSent = 40;
        State.TotalSent = 1000;
    }
    std::string History() const
    {
        std::ifstream file(Folder.File("qorvix.log"), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

} // namespace

TEST_F(Keeper, ExitWhileOnlineStoresPositionsTheConnectionEndingNowOptionsAndNumbersAsOneUpdate)
{
    State.Online = true;
    EXPECT_FALSE(Statistics.StoreAtExit(Values, "192.168.1.20"));
    std::vector<std::string> expected{"Position\\MainTop", "Position\\MainLeft", "Position\\MonTop",
                                      "Position\\MonLeft"};
    for (const char* name : {"LastOnLine", "LastOffLine", "LastConn", "LastSpeed", "LastSent", "LastRecv",
                             "LastDuration", "TotalSent", "TotalRecv", "TotalDuration"})
        expected.push_back(std::string("Stats\\") + name);
    for (const auto& option : StoredSettings::Options)
        expected.push_back(std::string("Option\\") + option.Name);
    for (const char* name : {"MaxGraph", "MinGraph", "SynchronizeTimeServer", "SynchronizeTimeInterval",
                             "SynchronizeTimeProtocol", "MonAlpha"})
        expected.push_back(std::string("Option\\") + name);
    EXPECT_EQ(Order.Writes, expected);
    EXPECT_EQ(Registry.GroupsEnded, 1);
    EXPECT_EQ(Registry.WritesOutsideGroups, 0);
    EXPECT_EQ(Registry.Text(Stats, "LastOffLine"), Formatting::TimeStamp(Clock.Now()).toStdString());
    EXPECT_EQ(Registry.Text(Stats, "TotalSent"), "1040") << "the running connection joins the stored totals";
    EXPECT_EQ(State.TotalSent, 1000) << "but not the totals in memory";
    EXPECT_TRUE(History().ends_with(",eth0,0,40,0,00:00:00,192.168.1.20\r\n")) << History();
}

TEST_F(Keeper, ExitWhileOfflineStoresNoStatisticsAndWithoutAMonitorItsValuesStay)
{
    Reg.WriteIntValue("Position", "MonTop", 77);
    Reg.WriteInt64Value("Option", "MonAlpha", 90);
    Order.Writes.clear();
    Values.Monitor.reset();
    EXPECT_FALSE(Statistics.StoreAtExit(Values, {}));
    EXPECT_EQ(Order.Writes.size(), 16u) << "two positions, nine options, five numbers and texts";
    EXPECT_EQ(Reg.ReadIntValue("Position", "MonTop", 0), 77);
    EXPECT_EQ(Registry.Text("software\\velmar software\\quorvel\\option", "MonAlpha"), "90");
    EXPECT_FALSE(std::filesystem::exists(Folder.File("qorvix.log")));
}

TEST_F(Keeper, AHistoryFailureAtExitIsReturnedAfterEverythingElseIsStored)
{
    State.Online = true;
    std::filesystem::create_directory(Folder.File("qorvix.log")); // a folder where the file should be
    const std::exception_ptr failure = Statistics.StoreAtExit(Values, {});
    ASSERT_TRUE(failure);
    EXPECT_THROW(std::rethrow_exception(failure), EInOutError);
    EXPECT_EQ(Order.Writes.back(), "Option\\MonAlpha");
    EXPECT_EQ(Registry.Text(Stats, "TotalSent"), "1040");
    EXPECT_EQ(Registry.GroupsEnded, 1);
}

TEST_F(Keeper, AResetIsStoredAtOnceWhetherAConnectionRunsOrNot)
{
    for (const bool online : {false, true}) {
        State.Online = online;
        State.TotalSent = State.TotalRecv = State.TotalDuration = 5;
        const int groups = Registry.GroupsEnded;
        Statistics.ResetTotals();
        EXPECT_EQ(State.TotalSent + State.TotalRecv + State.TotalDuration, 0);
        EXPECT_EQ(Registry.GroupsEnded, groups + 1);
        MonitorState next;
        StoredSettings::LoadStats(Reg, next);
        EXPECT_EQ(next.TotalSent + next.TotalRecv + next.TotalDuration, 0) << "online " << online;
        EXPECT_EQ(next.LastSent, 0) << "a reset stores only the totals";
    }
}

TEST_F(Keeper, ARunningConnectionIsKeptAtMostOnceAMinuteAndOnlyWhenItChanged)
{
    State.Online = true;
    State.LastOnLine = "Sun 06 Dec 2026 17:00:00";
    Statistics.CheckpointRunningConnection("192.168.1.20");
    EXPECT_EQ(Registry.Text(Stats, "RunningSent"), "40") << "the first sample is kept at once";
    const int groups = Registry.GroupsEnded;
    for (int second = 1; second < 60; ++second) {
        Clock.Advance(1000);
        State.LastSent += 10;
        State.LastDuration = second;
        Statistics.CheckpointRunningConnection("192.168.1.20");
    }
    EXPECT_EQ(Registry.GroupsEnded, groups) << "not once a second";
    Clock.Advance(1000);
    State.LastDuration = 60;
    Statistics.CheckpointRunningConnection("192.168.1.20");
    EXPECT_EQ(Registry.GroupsEnded, groups + 1);
    EXPECT_EQ(Registry.Text(Stats, "RunningSent"), "630");
    Clock.Advance(60'000);
    Statistics.CheckpointRunningConnection("192.168.1.20");
    EXPECT_EQ(Registry.GroupsEnded, groups + 1) << "nothing changed since";

    State.Online = false;
    Statistics.StoreFinishedConnection(false, "192.168.1.20");
    EXPECT_EQ(Registry.Text(Stats, "RunningSent"), "<none>") << "the finished connection replaces its checkpoint";
}

TEST_F(Keeper, AConnectionACrashLeftBehindEndsAtItsCheckpointAtTheNextStart)
{
    State.Online = true;
    State.LastOnLine = "Sun 06 Dec 2026 17:00:00";
    State.LastDuration = 3600;
    Statistics.CheckpointRunningConnection("192.168.1.20");
    const std::string checkpointed = Registry.Text(Stats, "RunningCheckpoint");

    // The next run: the figures in memory are what the store holds, nothing of the lost connection.
    MonitorState next;
    StoredSettings::LoadStats(Reg, next);
    TStatisticsKeeper restarted{Reg, next, Files, Clock, Folder.File("qorvix")};
    const QString line = restarted.FinishInterruptedConnection(true);
    EXPECT_EQ(line.toStdString(), "Connection ended unseen: " + checkpointed);
    EXPECT_EQ(next.LastSent, 40);
    EXPECT_EQ(next.TotalSent, 40) << "nothing was stored before: the lost connection is the total";
    EXPECT_EQ(next.TotalDuration, 3600);
    EXPECT_EQ(Registry.Text(Stats, "LastOffLine"), checkpointed);
    EXPECT_EQ(Registry.Text(Stats, "TotalSent"), "40");
    EXPECT_EQ(Registry.Text(Stats, "RunningCheckpoint"), "<none>") << "cleared";
    EXPECT_TRUE(History().ends_with(",eth0,0,40,0,01:00:00,192.168.1.20\r\n")) << History();
    EXPECT_EQ(restarted.FinishInterruptedConnection(true), "") << "finished once";
}

TEST_F(Keeper, AFailedStoreIsToldOnceUntilAStoreSucceedsAgain)
{
    std::vector<std::string> told;
    Statistics.SetStoreProblemHandler([&](const std::string& problem) { told.push_back(problem); });
    const std::string full = "Settings file /home/u/.config/quorvel/registry.reg not saved (No space left on device)";
    Registry.StoreFailure = full;
    State.Online = true;
    Statistics.CheckpointRunningConnection({});
    Clock.Advance(60'000);
    State.LastDuration = 60;
    Statistics.CheckpointRunningConnection({});
    EXPECT_EQ(told, std::vector<std::string>{full}) << "once, not at every minute while the disk stays full";
    EXPECT_TRUE(Statistics.LastStoreFailed());

    Registry.StoreFailure.clear();
    Statistics.ResetTotals();
    EXPECT_FALSE(Statistics.LastStoreFailed());
    Registry.StoreFailure = full;
    EXPECT_TRUE(Statistics.StoreAtExit(Values, {}) == nullptr);
    EXPECT_EQ(told.size(), 2u) << "a new failure after a success is told again, once for the whole exit";
    EXPECT_TRUE(Statistics.LastStoreFailed());
}
