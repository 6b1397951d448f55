#include "app/StoredSettings.h"

#include "settings/MyReg.h"

#include "doubles/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace {

class StoredValues : public testing::Test {
protected:
    StoredValues() { Reg.SetRegKey(StoredSettings::RegKey); }

    std::string Stored(const std::string& section, const std::string& name)
    {
        return Registry.Text("software\\velmar software\\quorvel\\" + section, name);
    }

    TMemoryRegistry Registry;
    TMyReg Reg{Registry};
};

} // namespace

TEST_F(StoredValues, AFirstRunGetsTheDocumentedDefaults)
{
    MonitorState state;
    StoredSettings::LoadStats(Reg, state);
    StoredSettings::LoadNumbers(Reg, state);
    const StoredSettings::TOptions options = StoredSettings::LoadOptions(Reg);
    const StoredSettings::TPosition main = StoredSettings::LoadMainPosition(Reg);

    EXPECT_EQ(state.LastOnLine, "N/A");
    EXPECT_EQ(state.LastOffLine, "N/A");
    EXPECT_EQ(state.LastConn, "N/A");
    EXPECT_EQ(state.LastSent + state.LastRecv + state.LastDuration + state.LastSpeed, 0);
    EXPECT_EQ(state.TotalSent + state.TotalRecv + state.TotalDuration, 0);
    EXPECT_EQ(state.MaxGraph, 25600);
    EXPECT_EQ(state.MinGraph, 0);
    EXPECT_EQ(state.SynchronizeTimeInterval, 7200);
    EXPECT_FALSE(state.SynchronizeTimeServer.isEmpty());
    EXPECT_EQ(state.SynchronizeTimeProtocol, "RFC868");
    for (int i = 0; i < StoredSettings::OptionCount; ++i)
        EXPECT_EQ(options[i], i == StoredSettings::ShowMonitor) << StoredSettings::Options[i].Name;
    EXPECT_EQ(main.Top, 50);
    EXPECT_EQ(main.Left, 50);
    EXPECT_TRUE(Registry.Keys.empty()) << "loading writes nothing";
}

TEST_F(StoredValues, ValuesStoredByAnEarlierRunAreReadWhateverTheLetterCaseOfTheirSection)
{
    TMyReg writer(Registry);
    writer.SetRegKey(StoredSettings::RegKey);
    writer.WriteFlagValue("option", "SaveLog", true);
    writer.WriteFlagValue("OPTION", "ShowMonitor", false);
    writer.WriteInt64Value("option", "MaxGraph", 1000000);
    writer.WriteInt64Value("Option", "SynchronizeTimeInterval", 0);
    writer.WriteTextValue("Option", "SynchronizeTimeServer", "127.0.0.1");
    writer.WriteIntValue("position", "MainTop", -40);
    writer.WriteTextValue("stats", "LastConn", "Intel(R) PRO/1000 MT...");
    writer.WriteInt64Value("Stats", "TotalSent", 9000000000);

    MonitorState state;
    StoredSettings::LoadStats(Reg, state);
    StoredSettings::LoadNumbers(Reg, state);
    const StoredSettings::TOptions options = StoredSettings::LoadOptions(Reg);
    EXPECT_TRUE(options[StoredSettings::SaveLog]);
    EXPECT_FALSE(options[StoredSettings::ShowMonitor]);
    EXPECT_EQ(state.MaxGraph, 1000000);
    EXPECT_EQ(state.SynchronizeTimeInterval, 0);
    EXPECT_EQ(state.SynchronizeTimeServer, "127.0.0.1");
    EXPECT_EQ(StoredSettings::LoadMainPosition(Reg).Top, -40);
    EXPECT_EQ(state.LastConn, "Intel(R) PRO/1000 MT...");
    EXPECT_EQ(state.TotalSent, 9000000000);
}

TEST_F(StoredValues, SavedTotalsIncludeTheRunningConnectionWhileTheTotalsInMemoryDoNot)
{
    MonitorState state;
    state.Online = true;
    state.LastOnLine = "Mon 07 Dec 2026 10:00:00";
    state.LastOffLine = "Mon 07 Dec 2026 11:00:00";
    state.LastConn = "eth0";
    state.LastSent = 4000;
    state.LastRecv = 6000;
    state.LastDuration = 3600;
    state.TotalSent = 1;
    state.TotalRecv = 2;
    state.TotalDuration = 3;
    StoredSettings::SaveStats(Reg, state);

    EXPECT_EQ(Stored("stats", "TotalSent"), "4001");
    EXPECT_EQ(Stored("stats", "TotalRecv"), "6002");
    EXPECT_EQ(Stored("stats", "TotalDuration"), "3603");
    EXPECT_EQ(Stored("stats", "LastSent"), "4000");
    EXPECT_EQ(Stored("stats", "LastOffLine"), "Mon 07 Dec 2026 11:00:00");
    EXPECT_EQ(state.TotalSent, 1);

    MonitorState next;
    StoredSettings::LoadStats(Reg, next);
    EXPECT_EQ(next.TotalSent, 4001);
    EXPECT_EQ(next.LastConn, "eth0");
    EXPECT_EQ(next.LastDuration, 3600);

    // Once the connection has ended its figures are in the totals, and storing them adds nothing twice.
    state.Online = false;
    state.TotalSent = 4001;
    StoredSettings::SaveStats(Reg, state);
    EXPECT_EQ(Stored("stats", "TotalSent"), "4001");
}

TEST_F(StoredValues, ShutdownWritesOptionsAsFlagsAndNumbersAsDecimalText)
{
    StoredSettings::TOptions options{};
    options[StoredSettings::Transparent] = true;
    MonitorState state;
    state.MaxGraph = 25600;
    state.SynchronizeTimeInterval = 4294968; // an out-of-range value read at start goes back unchanged
    state.SynchronizeTimeServer = "time.example";
    StoredSettings::TClosingValues values{{10, 20}, StoredSettings::TMonitorWindow{{30, 40}, 300}, options};
    StoredSettings::SavePositions(Reg, values);
    StoredSettings::SaveOptionsAndNumbers(Reg, state, values);

    const auto& option = Registry.Keys["software\\velmar software\\quorvel\\option"];
    EXPECT_EQ(option.at("transparent").Type, REG_DWORD);
    EXPECT_EQ(option.at("transparent").Data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(option.at("alwaysontop").Data, (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(option.at("maxgraph").Type, REG_SZ);
    EXPECT_EQ(Stored("option", "SynchronizeTimeInterval"), "4294968");
    EXPECT_EQ(Stored("option", "MonAlpha"), "300");
    EXPECT_EQ(Stored("option", "SynchronizeTimeServer"), "time.example");
    EXPECT_EQ(StoredSettings::LoadOptions(Reg), options);
    EXPECT_EQ(Registry.Keys["software\\velmar software\\quorvel\\position"].at("monleft").Data,
              (std::vector<uint8_t>{40, 0, 0, 0}));

    const StoredSettings::TMonitorWindow monitor = StoredSettings::LoadMonitorWindow(Reg);
    EXPECT_EQ(monitor.Position.Top, 30);
    EXPECT_EQ(monitor.Position.Left, 40);
    EXPECT_EQ(monitor.MonAlpha, 300);
}

TEST_F(StoredValues, TheMonitorWindowStartsWhereAFirstRunPutsItAndRefusesALevelBeyondThirtyTwoBits)
{
    StoredSettings::TMonitorWindow monitor = StoredSettings::LoadMonitorWindow(Reg);
    EXPECT_EQ(monitor.Position.Top, 20);
    EXPECT_EQ(monitor.Position.Left, 300);
    EXPECT_EQ(monitor.MonAlpha, 120);

    Reg.WriteInt64Value("option", "MonAlpha", 4294967296 + 44);
    Reg.WriteIntValue("position", "MonTop", -40);
    monitor = StoredSettings::LoadMonitorWindow(Reg);
    EXPECT_EQ(monitor.MonAlpha, 120) << "not a level this program wrote";
    EXPECT_EQ(monitor.Position.Top, -40) << "applied as stored, even off the screen";
}

TEST_F(StoredValues, NtpWithoutAServerOfTheUsersTakesThePublicPool)
{
    Reg.WriteTextValue("Option", "SynchronizeTimeProtocol", "NTP");
    MonitorState state;
    StoredSettings::LoadNumbers(Reg, state);
    EXPECT_EQ(state.SynchronizeTimeServer, "pool.ntp.org");
    Reg.WriteTextValue("Option", "SynchronizeTimeServer", "192.168.1.1");
    StoredSettings::LoadNumbers(Reg, state);
    EXPECT_EQ(state.SynchronizeTimeServer, "192.168.1.1") << "the user's own server stays";
}

TEST_F(StoredValues, ANegativeStoredCountIsDamagedAndCountsFromZero)
{
    Reg.WriteInt64Value("Stats", "TotalSent", -5);
    Reg.WriteInt64Value("Stats", "LastRecv", -1);
    Reg.WriteInt64Value("Stats", "TotalRecv", 70);
    MonitorState state;
    EXPECT_EQ(StoredSettings::LoadStats(Reg, state), "Damaged statistics set to 0: LastRecv, TotalSent.");
    EXPECT_EQ(state.TotalSent, 0);
    EXPECT_EQ(state.LastRecv, 0);
    EXPECT_EQ(state.TotalRecv, 70);
    Reg.WriteInt64Value("Stats", "TotalSent", 0);
    Reg.WriteInt64Value("Stats", "LastRecv", 0);
    EXPECT_EQ(StoredSettings::LoadStats(Reg, state), "");
}

TEST_F(StoredValues, TheAdapterChoiceGoesBackAsItWasReadAndTheFirstEthernetAdapterLeavesNoValue)
{
    MonitorState state;
    for (const char* stored : {"wlan0", "not/a name"}) {
        Reg.WriteTextValue("Option", "Adapter", stored);
        StoredSettings::LoadNumbers(Reg, state);
        StoredSettings::SaveOptionsAndNumbers(Reg, state, {});
        EXPECT_EQ(Stored("option", "Adapter"), stored);
    }
    state.Adapter.clear();
    StoredSettings::SaveOptionsAndNumbers(Reg, state, {});
    EXPECT_FALSE(Registry.Keys["software\\velmar software\\quorvel\\option"].count("adapter"));
}
